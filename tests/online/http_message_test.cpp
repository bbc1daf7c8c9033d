// The client's texts: URL parts, the request byte for byte, header fields, redirect targets.

#include "online/http_message.h"

#include <gtest/gtest.h>

namespace meridiana {
namespace {

constexpr char kAccept[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-powerpoint, "
    "application/vnd.ms-excel, application/msword, application/x-shockwave-flash, */*\r\n"
    "Accept-Charset: iso-8859-1,*,utf-8\r\n";

TEST(HttpMessage, UrlParts) {
  struct Case {
    const char* url;
    const char* lookup;
    int port;
    const char* host;
  };
  const Case cases[] = {
      {"http://example.org/a/b", "example.org", 80, "example.org"},
      {"http://example.org:8080/a", "example.org:8080", 8080, "example.org:8080"},
      {"http://example.org:80/a", "example.org:80", 80, "example.org"},
      {"http://user:pw@example.org/x", "example.org", 80, "example.org"},
      {"http://user:pw@example.org:81", "example.org:81", 81, "example.org:81"},
      {"http://example.org?q=/a", "example.org", 80, "example.org"},
      {"http://10.0.0.1:81", "10.0.0.1:81", 81, "10.0.0.1:81"},
      {"https://example.org/secure", "example.org", 80, "example.org"},  // plain HTTP, port 80
      {"http://a/x@y/z", "a", 80, "a"},     // an "@" after the path is not a user
      {"http://a?next=@b/", "a", 80, "a"},  // nor one in the query
      {"http://a#@b:81/", "a", 80, "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(UrlLookupName(c.url), c.lookup);
    EXPECT_EQ(UrlPort(c.url), c.port);
    EXPECT_EQ(UrlHostHeader(c.url), c.host);
  }
  EXPECT_TRUE(IsAddressText("127.0.0.1:8080"));
  EXPECT_FALSE(IsAddressText("1e100.net"));
  EXPECT_FALSE(IsAddressText(""));
}

TEST(HttpMessage, RequestTextByteForByte) {
  EXPECT_EQ(BuildRequestText(
                "http://h.org:81/clouds/list.php?n=12#top",
                {.throughProxy = false, .userAgent = "Quillary Meridiana", .basicCredentials = ""}),
            std::string("GET /clouds/list.php?n=12 HTTP/1.0\r\n") + kAccept +
                "User-Agent: Quillary Meridiana\r\nHost: h.org:81\r\n\r\n");
  // Through a proxy: the whole URL, "Connection: close", and the credentials once they exist.
  EXPECT_EQ(BuildRequestText("http://h.org",
                             {.throughProxy = true, .userAgent = "", .basicCredentials = "dTpw"}),
            std::string("GET http://h.org/ HTTP/1.0\r\n") + kAccept +
                "Connection: close\r\nHost: h.org\r\nProxy-Authorization: Basic dTpw\r\n\r\n");
  struct Case {
    const char* url;
    bool proxy;
    const char* target;
  };
  const Case targets[] = {
      {"http://h.org", false, "/"},
      {"http://h.org/", true, "http://h.org/"},
      {"http://h.org/a#b", true, "http://h.org/a"},
      {"http://h.org/a:b/c", false, "/a:b/c"},
      {"http://h.org/list?t=12:00&z=1", false, "/list?t=12:00&z=1"},
      {"http://h.org?q=/a", false, "/?q=/a"},
      {"http://h.org:81#x", false, "/"},
      {"http://h.org:81/p?x=1", true, "http://h.org:81/p?x=1"},
      {"http://h.org:81?t=1:2", true, "http://h.org:81/?t=1:2"},
      // Control bytes never reach the request's lines as they are.
      {"http://h.org/a\r\nX-Injected: 1\t", false, "/a%0D%0AX-Injected: 1%09"},
  };
  for (const Case& c : targets) EXPECT_EQ(RequestTarget(c.url, c.proxy), c.target) << c.url;
  EXPECT_NE(BuildRequestText("http://h\r\nX-Injected/", {}).find("\r\nHost: h%0D%0AX-Injected\r\n"),
            std::string::npos);
  const std::string post = BuildRequestText("http://h.org/POST    x", {});
  EXPECT_EQ(post.substr(0, 22), "GET /POST x HTTP/1.0\r\n");
}

TEST(HttpMessage, HeaderFields) {
  struct Case {
    const char* name;
    const char* header;
    int status;
    unsigned length;
    const char* lastModified;  // nullptr: absent
  };
  const Case cases[] = {
      {"usual",
       "HTTP/1.0 200 OK\r\nContent-Length: 1234\r\nLast-Modified: Tue, 08 Dec 2026 "
       "10:00:00 GMT  \r\n\r\n",
       200, 1234, "08 Dec 2026 10:00:00 GMT"},
      {"names in any case", "HTTP/1.1 302 Found\nlast-modified: Mon 7 Dec\ncontent-length: 5\n\n",
       302, 5, "Mon 7 Dec"},
      {"a status of a hundred digits", "HTTP/1.0 1111111111111111111111111111111111 OK\r\n\r\n",
       65535, 0, nullptr},
      {"negative length", "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n", 200, 0, nullptr},
      {"huge length", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\n", 200, 4294967295u,
       nullptr},
      {"no status line", "\r\n\r\n", 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ResponseHeader header = ParseResponseHeader(c.header);
    EXPECT_EQ(header.status, c.status);
    EXPECT_EQ(header.contentLength, c.length);
    EXPECT_EQ(header.lastModified.has_value(), c.lastModified != nullptr);
    if (c.lastModified) {
      EXPECT_EQ(*header.lastModified, c.lastModified);
    }
  }
  EXPECT_EQ(FindHeaderEnd("A\r\n\r\nB"), 5u);
  EXPECT_EQ(FindHeaderEnd("A\n\nB"), 3u);
  EXPECT_EQ(FindHeaderEnd("A\r\nB\r\n"), std::nullopt);
}

TEST(HttpMessage, RedirectTargets) {
  struct Case {
    const char* response;
    const char* current;
    const char* target;
  };
  const Case cases[] = {
      {"HTTP/1.0 302 Found\r\nLocation: http://b.org/x\r\n\r\n", "http://a.org/y",
       "http://b.org/x"},
      {"HTTP/1.0 302 Found\r\nlocation: \t https://b.org:444/x \r\n\r\n", "http://a.org/",
       "https://b.org:444/x"},
      {"HTTP/1.0 301 Moved\r\nLocation: /root/z\r\n\r\n", "http://a.org:81/d/e/f",
       "http://a.org:81/root/z"},
      {"HTTP/1.0 301 Moved\r\nLocation: next.php?a=1\r\n\r\n", "http://a.org/d/e.php",
       "http://a.org/d/next.php?a=1"},
      {"HTTP/1.0 301 Moved\r\nLocation: here\r\n\r\n", "http://a.org", "http://a.org/here"},
      {"HTTP/1.0 302 Found\r\n\r\n<a href=\"x\">http://c.org/page</a>\n", "http://a.org/",
       "http://c.org/page</a>"},
      {"HTTP/1.0 302 Found\r\n\r\nnowhere", "http://a.org/", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RedirectTarget(c.response, c.current), c.target);
}

}  // namespace
}  // namespace meridiana
