#include "online/markup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

namespace meridiana {
namespace {

std::vector<int> Kinds(const MarkupTokens& tokens) {
  std::vector<int> kinds;
  for (const MarkupToken& token : tokens) kinds.push_back(token.kind);
  return kinds;
}

TEST(Markup, ServiceRepliesTagsTextAndTheLessThanThatIsOnlyACharacter) {
  const MarkupTokens reply = ScanMarkup(
      "<?xml version='1.0'?>\n<image t='2005-01-01 00:00' m=\"a>b\" s=12 q>x&amp;y</image>");
  ASSERT_EQ(Kinds(reply), (std::vector<int>{127, 0, 127, 0, 100, 0, 127}));
  EXPECT_EQ(TagName(reply[0]), "?xml");
  EXPECT_EQ(TagName(reply[2]), "image");
  EXPECT_EQ(AttributeValue(reply[2], "T"), "2005-01-01 00:00");
  EXPECT_EQ(AttributeValue(reply[2], "m"), "a>b");  // a quoted ">" does not end the tag
  EXPECT_EQ(AttributeInt(reply[2], "s"), 12);
  EXPECT_EQ(AttributeValue(reply[2], "q"), "q");  // without a value: its own name
  EXPECT_EQ(AttributeValue(reply[2], "none"), std::nullopt);
  EXPECT_EQ(AttributeInt(reply[2], "none"), 0);
  EXPECT_EQ(reply[4].text, "&amp;");
  EXPECT_EQ(reply[4].offset, 66);
  EXPECT_EQ(TagName(reply[5]), std::nullopt);

  EXPECT_EQ(Kinds(ScanMarkup("a < x")), (std::vector<int>{0}));
  EXPECT_EQ(ScanMarkup("a < x")[0].text, "a < x");
  EXPECT_EQ(Kinds(ScanMarkup("a < b")), (std::vector<int>{0, 6}));
  EXPECT_EQ(Kinds(ScanMarkup("<b>x</B>")), (std::vector<int>{6, 0, -6}));
  EXPECT_EQ(Kinds(ScanMarkup("1 <x 2 <b>")), (std::vector<int>{0, 6}));  // "<" before ">"
  EXPECT_EQ(Kinds(ScanMarkup("<td>&lt;&nosemicolon here</td>")), (std::vector<int>{4, 100, 0, -4}));
  EXPECT_TRUE(ScanMarkup("").empty());
}

TEST(Markup, CommentsDeclarationsBodiesAndSentences) {
  EXPECT_EQ(Kinds(ScanMarkup("<!-- a > b -->x<!DOCTYPE html><![CDATA[q]]>")),
            (std::vector<int>{103, 0, 127, 0}));
  EXPECT_EQ(ScanMarkup("<!-- no end > here")[0].text, "<!-- no end >");
  EXPECT_EQ(Kinds(ScanMarkup("<!x>")), (std::vector<int>{103}));
  const MarkupTokens script = ScanMarkup("<script>if (a < b) x();< /SCRIPT><style>p{}");
  ASSERT_EQ(Kinds(script), (std::vector<int>{30, 102, -30, 29, 101}));
  EXPECT_EQ(script[1].text, "if (a < b) x();");
  EXPECT_EQ(script[4].text, "p{}");
  const MarkupTokens sentences = ScanMarkup("One. Two.\nThree 3.5 <b>", kMarkupSplitSentences);
  ASSERT_EQ(Kinds(sentences), (std::vector<int>{0, 0, 0, 6}));
  EXPECT_EQ(sentences[1].text, " Two.");
  EXPECT_EQ(sentences[2].text, "\nThree 3.5 ");
  EXPECT_EQ(FindTokenOfKind(sentences, 6), &sentences[3]);
  EXPECT_EQ(FindTokenOfKind(sentences, -6), nullptr);
}

TEST(Markup, AttributeQuotesEntitiesAndTags) {
  const MarkupTokens tag = ScanMarkup("<error n=3 q='a&quot;b'>");
  EXPECT_EQ(AttributeValue(tag[0], "q"), "a\"b");
  EXPECT_EQ(AttributeInt(tag[0], "N"), 3);

  std::string text =
      "&#65; &#065; &#321; &#000; &Eacute;&eacute;&EACUTE; &NBSP;&QUOT;&AMP;&amp;&sect;";
  DecodeEntities(text);
  EXPECT_EQ(text, "&#65; A &#321; &#000; \u00C9\u00E9&EACUTE;  \"&AMP;&&sect;");
  std::string page = "<p class=\"x>y\">caf&eacute;</p>tail<unclosed";
  std::string blanks = page;
  StripTags(page);
  EXPECT_EQ(page, "caf&eacute;tail");
  StripTagsToBlanks(blanks);
  EXPECT_EQ(blanks, " caf\u00E9 tail ");
}

TEST(Markup, TheTokensPutTheTextBackTogether) {
  for (const char* text : {"<a href=\"x\">y</a> & &amp <", "<script>x", "<style></style>", "<<b>>",
                           "&;&x;&toolongname;", "<!--", "<![CDATA[ <b> ]]>", "a. b.\n",
                           "<\"quoted > still\" tag", "< /script >"}) {
    for (int options : {0, kMarkupSplitSentences}) {
      std::string joined;
      for (const MarkupToken& token : ScanMarkup(text, options)) {
        EXPECT_EQ(std::string_view(text).substr(static_cast<std::size_t>(token.offset),
                                                token.text.size()),
                  token.text);
        joined += token.text;
      }
      EXPECT_EQ(joined, text);
    }
  }
}

// Runs the work in a child process: true when it ended well within the deadline, false when
// it had to be killed. The deadline only tells a hang from a scan; it is not a measurement.
bool FinishesWithin(std::chrono::milliseconds deadline, const std::function<void()>& work) {
  const pid_t child = fork();
  if (child == 0) {
    work();
    _exit(0);
  }
  if (child < 0) return false;
  const auto end = std::chrono::steady_clock::now() + deadline;
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Markup that never closes what it opens, 2 MiB of it: each "<" once scanned to the end again.
TEST(Markup, HostileMarkupIsScannedInOnePass) {
  for (const std::string unit : {"<", "<a ", "<x", "<ab", "<\"", "<!-- >", "&"}) {
    SCOPED_TRACE(unit);
    std::string text;
    while (text.size() < (2u << 20)) text += unit;
    if (unit == "<x") text += '>';  // one tag, holding every other "<"
    EXPECT_TRUE(FinishesWithin(std::chrono::seconds(20), [&] {
      std::string joined;
      for (const MarkupToken& token : ScanMarkup(text)) joined += token.text;
      std::string decoded = text;
      DecodeEntities(decoded);
      if (joined != text || decoded != text) _exit(1);
    }));
  }
}

TEST(Markup, TheTables) {
  EXPECT_EQ(MarkupTagNumber("form"), 1);
  EXPECT_EQ(MarkupTagNumber("Style"), kTagStyle);
  EXPECT_EQ(MarkupTagNumber("SCRIPT"), kTagScript);
  EXPECT_EQ(MarkupTagNumber("xml"), 93);
  EXPECT_EQ(MarkupTagNumber("image"), 0);
  EXPECT_EQ(ColourValue("aliceblue"), "F0F8FF");
  EXPECT_EQ(ColourValue("LightGreen"), "94ED94");
  EXPECT_EQ(ColourValue("yellowgreen"), "9ACD32");
  EXPECT_EQ(ColourValue("gray"), std::nullopt);
}

}  // namespace
}  // namespace meridiana
