// Which reply file answers which request: the four cloud forms, bad n and t, paths.

#include "service/request_router.h"

#include <gtest/gtest.h>

#include "service/frame_time.h"

namespace meridiana::service {
namespace {

constexpr const char* kCloud = "/clouds/cloudv2.php";
constexpr const char* kPrefix = "s=ID&i=MID&q=1&";

TEST(RequestRouter, CloudForms) {
  struct Case {
    const char* query;
    const char* file;
  } cases[] = {
      {"checkonly=1&n=12", "clouds/list-12.xml"},
      {"checkonly=1&n=3", "clouds/list-3.xml"},
      {"checkonly=1&n=013", "clouds/list-12.xml"},
      {"checkonly=1&n=010", "clouds/list-10.xml"},
      {"checkonly=1&n=99999999999999999999", "clouds/list-12.xml"},
      {"checkonly=1", "clouds/list-1.xml"},
      {"checkonly=1&n=", "clouds/list-1.xml"},
      {"checkonly=1&n=0", "errors/bad-n.xml"},
      {"checkonly=1&n=-3", "errors/bad-n.xml"},
      {"checkonly=1&n=5x", "errors/bad-n.xml"},
      {"checkonly=1&f=1&t=2018020700", "clouds/list-1.xml"},  // checkonly wins
      {"CheckOnly=1&N=4", "clouds/list-4.xml"},               // names in any case
      {"n=2&checkonly=1&n=7", "clouds/list-2.xml"},           // the first n counts
      {"xn=5&checkonly=1", "clouds/list-1.xml"},              // not an n
      {"f=1", "clouds/newest.jpg"},
      {"f=1&t=", "clouds/newest.jpg"},
      {"f=1&t=2018020700", "clouds/2018020700.jpg"},
      {"f=1&t=201802070130", "clouds/201802070130.jpg"},
      {"f=1&t=../../x", "errors/bad-t.xml"},
      {"f=1&t=2018020700/../../x", "errors/bad-t.xml"},
      {"f=1&t=%32%30%31%38%30%32%30%37%30%30", "errors/bad-t.xml"},  // read raw, not decoded
      {"f=1&t=201802070", "errors/bad-t.xml"},
      {"f=1&t=123456789012345678901234567890123", "errors/bad-t.xml"},
      {"checkonly=2", "errors/bad-request.xml"},
      {"f=yes", "errors/bad-request.xml"},
      {"", "errors/bad-request.xml"},
  };
  for (const Case& c : cases) {
    const Route route = RouteRequest(kCloud, std::string(kPrefix) + c.query);
    EXPECT_EQ(route.file, c.file) << c.query;
    EXPECT_EQ(route.status, 200) << c.query;
    const bool jpeg = route.file.size() > 4 && route.file.substr(route.file.size() - 4) == ".jpg";
    EXPECT_EQ(route.contentType, jpeg ? kJpegType : kXmlType) << c.query;
  }
}

TEST(RequestRouter, Paths) {
  EXPECT_EQ(RouteRequest("/earthquake.cgi", "a=1"), (Route{200, "quakes.xml", kXmlType}));
  EXPECT_EQ(RouteRequest("/aurora.cgi", "x=1"), (Route{200, "aurora.xml", kXmlType}));
  EXPECT_EQ(RouteRequest("/version.txt", ""), (Route{200, "version.txt", kTextType}));
  EXPECT_EQ(RouteRequest("/clouds//./cloudv2.php", "f=1").file, "clouds/newest.jpg");
  EXPECT_EQ(RouteRequest("/x/../earthquake.cgi", "").file, "quakes.xml");
  const Route notFound{404, "errors/not-found.xml", kXmlType};
  for (const char* path : {"/", "/quakes.xml", "/clouds/list-1.xml", "/earthquake.cgi/",
                           "/../earthquake.cgi", "/errors/bad-t.xml", ""})
    EXPECT_EQ(RouteRequest(path, ""), notFound) << path;
}

TEST(FrameTime, RequestTimes) {
  for (const char* good : {"2018020700", "201802070130", "12345678901234567890123456789012"})
    EXPECT_TRUE(IsValidFrameTime(good)) << good;
  for (const char* bad : {"", "201802070", "123456789012345678901234567890123", "../../x",
                          "2018020700.jpg", " 2018020700", "2018020700\n", "２０１８０２０７００"})
    EXPECT_FALSE(IsValidFrameTime(bad)) << bad;
}

TEST(FrameTime, PictureNames) {
  EXPECT_EQ(FrameTimeFromFileName("2018020612.jpg"), "2018020612");
  EXPECT_EQ(FrameTimeFromFileName("201802061259.PNG"), "201802061259");
  EXPECT_EQ(FrameTimeFromFileName("2016022900.gif"), "2016022900");  // leap day
  EXPECT_EQ(FrameTimeFromFileName("2005061514.bmp"), "2005061514");
  for (const char* bad : {"2018022900.jpg", "2018020624.jpg", "201802061260.jpg", "2018020612",
                          "20180206123.jpg", "1969123123.jpg", "2018130112.jpg", "2018000112.jpg",
                          "clouds.jpg", ".2018020612.jpg", "2018-02-06-12.jpg"})
    EXPECT_FALSE(FrameTimeFromFileName(bad)) << bad;
  EXPECT_EQ(FrameTimeMinutes("1970010100"), 0);
  EXPECT_EQ(FrameTimeMinutes("2018020701"), 25299420);
  EXPECT_EQ(FrameTimeMinutes("201802070100"), FrameTimeMinutes("2018020701"));
  EXPECT_EQ(FrameTimeMinutes("201602292359"), 24279839);
}

}  // namespace
}  // namespace meridiana::service
