#pragma once
// The web links of the program: hotels, weather, books, the satellite view and the FAQ, from the
// installation's templates (local-machine values under the program's key), opened in the
// browser the user chose (the current-user value "browser"; empty: the desktop's handler).

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "map/map_geometry.h"
#include "online/browsers.h"
#include "world/world_data.h"

class QWidget;

namespace meridiana {

class InterfaceLanguage;
class KeyValueStore;
class UserNotice;

class LinkActions {
 public:
  struct Context {
    KeyValueStore* store = nullptr;
    const WorldData* world = nullptr;
    const Clock* clock = nullptr;
    InterfaceLanguage* language = nullptr;  // the interface language; may be null
    UserNotice* notice = nullptr;           // the browser's warning box
    QWidget* parent = nullptr;              // of the weather window
    std::function<float()> zoom;            // the map's zoom, for %SCALE%
    std::function<LatLon()> pointer;        // the map position of the last mouse position
    // The city a link without one is about: the nearest to the last context menu, else null.
    std::function<const City*()> defaultCity;
    // A file of the data search path (user folder, then installed data), for links to files.
    std::function<std::string(std::string_view relative)> findDataFile;
    // What finds the browsers; the host's when null.
    const BrowserSystem* system = nullptr;
  };

  explicit LinkActions(Context context);

  // The expanded link: nullopt when the template is missing or the link would be too long.
  std::optional<std::string> Link(std::string_view name, const City* city) const;
  // Opens the link in the chosen browser; a browser that cannot start shows "Browser Error".
  // True when a page was opened.
  bool OpenLink(std::string_view name, const City* city);
  // The weather link in the "Weather Forecast" window, which opens it in the browser.
  void OpenWeather(const City* city);
  // Opens a URL: a text without ":" is a file, taken from the current folder, else from the data
  // search path ("manual/manual.html#faq"). An empty browser path hands the URL to the
  // desktop's handler; else that executable is started with it.
  bool OpenInBrowser(const std::string& browserPath, const std::string& url);
  // The default and the installed browsers, found once.
  const BrowserList& Browsers();
  // The user's browser choice.
  std::string BrowserChoice() const;

 private:
  const City* CityFor(const City* city) const;
  void WarnBrowserFailed();

  Context context_;
  HostBrowserSystem hostSystem_;
  std::optional<BrowserList> browsers_;
};

}  // namespace meridiana
