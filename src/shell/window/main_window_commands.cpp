// The window's commands: what each id of the menus, the toolbar, the tray and the map's context
// menu runs. The table is filled once, when the window is made.

#include "foundation/user_notice.h"
#include "map/base_images.h"
#include "resources/embedded.h"
#include "shell/app/app_identity.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/dialogs/about_box.h"
#include "shell/dialogs/dialog_controls.h"
#include "shell/window/main_window.h"
#include "shell/window/map_context_menu.h"
#include "shell/window/map_gestures.h"
#include "shell/window/tray_clocks.h"
#include "shell/window/view_commands.h"

namespace meridiana {
namespace {

constexpr int kCloseText = 1605;
constexpr int kNoManualText = 1606;
constexpr char kManualFile[] = "manual/manual.html";
constexpr int kAboutTitle = 1503;
constexpr int kManualTitle = 1505;

}  // namespace

bool MainWindow::OnCommand(int command) { return commands_.Run(command); }

void MainWindow::RouteCommands() {
  CommandTable& table = commands_;

  // The program and its window.
  table.Add({ids::kCmdQuit}, [this](int) { Destroy(); });
  table.Add({ids::kCmdTrayRestore}, [this](int) { BringToFront(); });
  table.Add({ids::kCmdTrayMinimize}, [this](int) { showMinimized(); });
  table.Add({ids::kCmdAbout}, [this](int) {
    ShowRichText(
        this, LocalText(kAboutTitle),
        AboutHtml(context_.dataPaths->Find("SOURCES.md"), [this](int id) { return LocalText(id); }),
        LocalText(kCloseText));
  });
  table.Add({ids::kCmdManual}, [this](int) {
    if (ShowRichTextFile(this, LocalText(kManualTitle),
                         ToQString(context_.dataPaths->Find(kManualFile)), LocalText(kCloseText)))
      return;
    if (context_.notice == nullptr) return;
    const std::string expected = context_.dataPaths->dataFolder() + "/" + kManualFile;
    context_.notice->ShowMessage(
        kDisplayName, ToUtf8(LocalText(kNoManualText).replace("%s", ToQString(expected))));
  });
  table.Add({ids::kCmdSettings}, [this](int) { OpenPreferences(); });
  table.Add({ids::kCmdWallpaperMode}, [this](int) { ToggleWallpaperMode(); });
  // The Language menu; without the interface language there is nothing to switch.
  for (const LanguageCommand& language : kLanguageCommands) {
    table.AddAnswering({language.command}, [this, code = language.code](int) {
      if (context_.language == nullptr) return false;
      context_.language->Apply(code);
      return true;
    });
  }

  // The view: zoom, the map's modes and the overlay layers.
  table.Add({ids::kCmdZoomIn, ids::kCmdZoomOut, ids::kCmdActualPixels}, [this](int command) {
    if (context_.settings == nullptr || context_.settings->zoomAnchor != 0) {
      RunZoomCommandAtCentre(view_, command, mapArea_->width(), mapArea_->height());
    } else {
      RunZoomCommand(view_, command, mapArea_->width());
    }
    RedrawMap();
  });
  table.Add({ids::kCmdFitToScreen}, [this](int) { FitToWindow(); });
  table.Add({ids::kCmdDayMap, ids::kCmdNightMap, ids::kCmdTimeZones, ids::kCmdSunShadow,
             ids::kCmdTwilight},
            [this](int command) { RunViewCommand(command); });
  table.Add({ids::kCmdAllCities, ids::kCmdCityNames, ids::kCmdGrid, ids::kCmdCitySelection,
             ids::kCmdMoon, ids::kCmdSharpMap},
            [this](int command) {
              if (context_.settings == nullptr || !ToggleOverlay(*context_.settings, command))
                return;
              RedrawMap();
              SyncViewControls();
            });

  // The time tools.
  table.Add({ids::kCmdTimeBar}, [this](int) { ToggleTimeBar(); });
  table.Add({ids::kCmdMeetingPlanner}, [this](int) { OpenMeetingPlanner(); });
  table.Add({ids::kCmdTrayClocks}, [this](int) {
    if (trayClocks_) trayClocks_->Toggle();
    TickTimeTools();
  });

  // The online layers and the service.
  table.Add({ids::kCmdStop}, [this](int) { StopNetworkAndAnimation(); });
  table.AddAnswering({ids::kCmdEarthquakes, ids::kCmdClouds, ids::kCmdNext, ids::kCmdPrevious,
                      ids::kCmdPlay, ids::kCmdRefresh, ids::kCmdUpgrade},
                     [this](int command) { return OnOnlineCommand(command); });

  // The cities: the City Selector, Properties, the context menu's cities and their links.
  const auto link = [this](std::string_view name, const City* city) {
    if (openLink_) openLink_(name, city);
  };
  table.Add({ids::kCmdSelectCity}, [this](int) { OpenCitySelector(); });
  table.Add({ids::kCmdProperties}, [this](int) {
    if (City* city = gestures_->CityNearContextPoint()) OpenProperties(*city, false);
  });
  table.Add({ids::kCmdClearCitySelection}, [this](int) { ClearCitySelection(); });
  table.Add({ids::kCmdUndoClearCitySelection}, [this](int) { UndoClearCitySelection(); });
  table.Add({ids::kCmdSatelliteImage}, [link](int) { link("sat", nullptr); });
  table.Add({ids::kCmdFaq}, [this, link](int) {
    const int hover = view_.hoverCity;
    const bool known = hover >= 0 && hover < static_cast<int>(context_.world->cities.size());
    link("faq", known ? &context_.world->cities[static_cast<std::size_t>(hover)] : nullptr);
  });
  table.Add({kCityUnderClickCommand}, [this](int) {
    if (City* city = gestures_->MenuCity(0)) OpenProperties(*city, true);
  });
  table.AddRange(kFirstCityPropertiesCommand, kFirstCityWeatherCommand - 1, [this](int command) {
    if (City* city = gestures_->MenuCity(command - kFirstCityPropertiesCommand))
      OpenProperties(*city, true);
  });
  table.AddRange(kFirstCityWeatherCommand, kFirstCityWeatherCommand + kCityCommandSpan - 1,
                 [this, link](int command) {
                   if (City* city = gestures_->MenuCity(command - kFirstCityWeatherCommand))
                     link("weather", city);
                 });
  table.AddRange(kFirstCityHotelsCommand, kFirstCityHotelsCommand + kCityCommandSpan - 1,
                 [this, link](int command) {
                   if (City* city = gestures_->MenuCity(command - kFirstCityHotelsCommand))
                     link("hotels", city);
                 });
}

}  // namespace meridiana
