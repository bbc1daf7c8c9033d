#include "online/browsers.h"

#include <gtest/gtest.h>

#include <map>

namespace meridiana {
namespace {

TEST(Browsers, ExecLinesQuotedAndWithTheirFieldCodes) {
  const std::string url = "https://x.org/a b";
  EXPECT_EQ(ExecArguments("firefox %u", url), (std::vector<std::string>{"firefox", url}));
  EXPECT_EQ(ExecArguments("/usr/bin/chromium --new-window %U --flag", url),
            (std::vector<std::string>{"/usr/bin/chromium", "--new-window", url, "--flag"}));
  EXPECT_EQ(ExecArguments("\"/opt/My Browser/run\" --name \"a \\\"b\\\"\" %i %c 100%%", url),
            (std::vector<std::string>{"/opt/My Browser/run", "--name", "a \"b\"", "100%", url}));
  EXPECT_TRUE(ExecArguments("\"unclosed %u", url).empty());
  EXPECT_TRUE(ExecArguments("  ", url).empty());

  EXPECT_EQ(DesktopEntryExec("[Desktop Entry]\r\nName=F\r\nExec=firefox %u\r\n"
                             "[Desktop Action new]\nExec=firefox --private %u\n"),
            "firefox %u");
  EXPECT_EQ(DesktopEntryExec("[Other]\nExec=evil\n"), "");
}

class FakeSystem : public BrowserSystem {
 public:
  std::string DefaultDesktopEntry() const override { return defaultEntry; }
  std::optional<std::string> DesktopFile(std::string_view name) const override {
    const auto found = files.find(std::string(name));
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  std::string FindExecutable(std::string_view name) const override {
    const auto found = executables.find(std::string(name));
    return found != executables.end() ? found->second : std::string();
  }
  std::optional<std::string> Environment(const char* name) const override {
    const auto found = environment.find(name);
    if (found == environment.end()) return std::nullopt;
    return found->second;
  }
  std::string defaultEntry;
  std::map<std::string, std::string> files, executables, environment;
};

TEST(Browsers, TheDesktopsChoiceThenBrowserThenTheFirstUsualOne) {
  FakeSystem system;
  system.executables = {{"chromium", "/usr/bin/chromium"},
                        {"firefox", "/usr/bin/firefox"},
                        {"lynx", "/usr/bin/lynx"}};
  BrowserList list = FindBrowsers(system);
  EXPECT_EQ(list.installed, (std::vector<std::string>{"/usr/bin/firefox", "/usr/bin/chromium"}));
  ASSERT_TRUE(list.defaultBrowser);
  EXPECT_EQ(list.defaultBrowser->executable, "/usr/bin/firefox");

  system.environment["BROWSER"] = "nothing-here:lynx";
  EXPECT_EQ(FindBrowsers(system).defaultBrowser->executable, "/usr/bin/lynx");

  system.defaultEntry = "chromium.desktop";
  system.files["chromium.desktop"] = "[Desktop Entry]\nExec=chromium --incognito %U\n";
  list = FindBrowsers(system);
  EXPECT_EQ(list.defaultBrowser->executable, "/usr/bin/chromium");
  EXPECT_EQ(BrowserCommand(*list.defaultBrowser, "u"),
            (std::vector<std::string>{"/usr/bin/chromium", "--incognito", "u"}));
  // A .desktop file naming a program that is not there does not count.
  system.files["chromium.desktop"] = "[Desktop Entry]\nExec=gone %U\n";
  EXPECT_EQ(FindBrowsers(system).defaultBrowser->executable, "/usr/bin/lynx");

  FakeSystem bare;
  EXPECT_FALSE(FindBrowsers(bare).defaultBrowser);
  EXPECT_EQ(BrowserCommand(Browser{"/bin/b", ""}, "u"), (std::vector<std::string>{"/bin/b", "u"}));
}

}  // namespace
}  // namespace meridiana
