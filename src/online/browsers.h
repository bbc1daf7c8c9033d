#pragma once
// The web browsers of a Linux desktop: the default one (what xdg-settings names, else $BROWSER,
// else the first usual browser installed) and the installed ones, and the argument vector that
// opens a URL in a browser. Nothing here goes through a shell.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

// What the detection asks of the system; the program's own asks the real one.
class BrowserSystem {
 public:
  virtual ~BrowserSystem() = default;
  // The first line `xdg-settings get default-web-browser` prints ("firefox.desktop"), or "".
  virtual std::string DefaultDesktopEntry() const = 0;
  // The text of an application's .desktop file, found on the XDG data path, or nullopt.
  virtual std::optional<std::string> DesktopFile(std::string_view entryName) const = 0;
  // The executable's full path when the name (or path) is an executable file, else "".
  virtual std::string FindExecutable(std::string_view name) const = 0;
  virtual std::optional<std::string> Environment(const char* name) const = 0;
};

// The real system: runs xdg-settings without a shell (and only if it is installed), reads
// $XDG_DATA_HOME and $XDG_DATA_DIRS, searches $PATH.
class HostBrowserSystem : public BrowserSystem {
 public:
  std::string DefaultDesktopEntry() const override;
  std::optional<std::string> DesktopFile(std::string_view entryName) const override;
  std::string FindExecutable(std::string_view name) const override;
  std::optional<std::string> Environment(const char* name) const override;
};

// The browsers tried, in order, when the desktop names none.
inline constexpr const char* kUsualBrowsers[] = {
    "firefox",          "firefox-esr", "chromium", "chromium-browser", "google-chrome",
    "epiphany-browser", "epiphany",    "falkon",   "konqueror",        "midori",
    "qutebrowser",      "vivaldi",     "opera",    "brave-browser"};

struct Browser {
  std::string executable;  // full path
  std::string exec;        // the .desktop file's Exec value, when the desktop named the browser
  friend bool operator==(const Browser&, const Browser&) = default;
};

// The argument vector that opens the URL: the Exec value's arguments with the executable found
// for it, else the executable and the URL.
std::vector<std::string> BrowserCommand(const Browser& browser, std::string_view url);

struct BrowserList {
  std::optional<Browser> defaultBrowser;
  std::vector<std::string> installed;  // executables of the usual browsers found, in order
};

BrowserList FindBrowsers(const BrowserSystem& system);

// The Exec value of a .desktop file's [Desktop Entry] group, or "".
std::string DesktopEntryExec(std::string_view desktopFile);

// An Exec value split into its arguments as the desktop entry rules quote them, with the field
// codes: %u %U %f %F become the URL (the URL is added at the end when there is none), %% a "%",
// every other field code goes. Empty for an empty or badly quoted value.
std::vector<std::string> ExecArguments(std::string_view exec, std::string_view url);

}  // namespace meridiana
