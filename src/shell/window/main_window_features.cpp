// The window's features and its command table: each feature is made with what it needs of the
// window, and adds its own commands; the window adds those of the program, its own and the view.

#include <QMenuBar>
#include <QToolBar>

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
#include "shell/window/city_dialogs.h"
#include "shell/window/desktop_wallpaper.h"
#include "shell/window/feature_host.h"
#include "shell/window/home_place.h"
#include "shell/window/main_window.h"
#include "shell/window/map_area.h"
#include "shell/window/map_gestures.h"
#include "shell/window/network_link.h"
#include "shell/window/online_layers.h"
#include "shell/window/status_text.h"
#include "shell/window/time_tools.h"
#include "shell/window/view_commands.h"
#include "shell/window/view_controls.h"
#include "shell/window/window_preferences.h"
#include "shell/window/window_timers.h"

namespace meridiana {
namespace {

constexpr int kCloseText = 1605;
constexpr int kNoManualText = 1606;
constexpr char kManualFile[] = "manual/manual.html";
constexpr int kAboutTitle = 1503;
constexpr int kManualTitle = 1505;

}  // namespace

void MainWindow::CreateFeatures() {
  FeatureHost feature;
  feature.context = &context_;
  feature.liveClock = liveClock_;
  feature.window = this;
  feature.status = status_.get();
  feature.redrawMap = [this] { mapArea_->Redraw(); };
  feature.recomputeMap = [this] { RecomputeMap(); };
  feature.ensureComposed = [this] { compositor_->EnsureComposed(); };
  runViewCommand_ = [this](int command) {
    ApplyViewCommand(compositor_->modes, command);
    RecomputeMap();
    controls_->Sync();
    if (command == ids::kCmdDayMap) controls_->UpdateAnimationCommands();
  };
  feature.runViewCommand = runViewCommand_;
  feature.syncControls = [this] { controls_->Sync(); };
  feature.updateAnimationCommands = [this] { controls_->UpdateAnimationCommands(); };
  feature.runCommand = [this](int command) { return OnCommand(command); };
  feature.text = text_;
  timers_ = std::make_unique<WindowTimers>();
  network_ = std::make_unique<NetworkLink>(feature);
  online_ = std::make_unique<OnlineLayers>(feature, *network_, *compositor_, *images_, view_);
  timeTools_ = std::make_unique<TimeTools>(feature, *shownClock_, *images_);
  wallpaper_ = std::make_unique<DesktopWallpaper>(feature, *images_, *compositor_);
  cities_ = std::make_unique<CityDialogs>(feature, view_, *images_, gestures_, *home_);
  preferences_ = std::make_unique<WindowPreferences>(
      feature,
      WindowPreferences::Parts{&view_, compositor_.get(), cities_.get(), network_.get(),
                               online_.get(), wallpaper_.get(), timers_.get(), &destroyed_});

  ViewControls::State state;
  state.menuBar = [this] { return menuBar(); };
  state.earthquakes = [this] { return online_->view().earthquakes; };
  state.canUndoClear = [this] { return cities_->canUndoClear(); };
  state.downloading = [this] { return network_->downloading(); };
  state.playing = [this] { return online_->playing(); };
  state.frame = [this] { return online_->currentFrame(); };
  controls_ = std::make_unique<ViewControls>(context_, toolbar_, compositor_->modes, state);
  controls_->AttachMenu([this](int command) { OnCommand(command); },
                        [this] {
                          // The map writes words too: its scale, the cloud date and the sources.
                          controls_->Retranslate();
                          status_->Retranslate();
                          controls_->Sync();
                          online_->Refresh();
                          mapArea_->Redraw();
                        });
}

MainWindow::~MainWindow() {
  // Transfers end while the feeds their callbacks belong to still exist; then the features go,
  // the HTTP client after the feeds that use it and before its event loop.
  network_->Shutdown();
  host_.Detach();
  preferences_.reset();
  cities_.reset();
  wallpaper_.reset();
  timeTools_.reset();
  online_.reset();
  network_.reset();
}

bool MainWindow::OnCommand(int command) { return commands_.Run(command); }

void MainWindow::RouteCommands() {
  CommandTable& table = commands_;

  // The program and its window.
  table.Add({ids::kCmdQuit}, [this](int) { Destroy(); });
  table.Add({ids::kCmdTrayRestore}, [this](int) { BringToFront(); });
  table.Add({ids::kCmdTrayMinimize}, [this](int) { showMinimized(); });
  table.Add({ids::kCmdAbout}, [this](int) {
    ShowRichText(this, text_(kAboutTitle), AboutHtml(context_.dataPaths->Find("SOURCES.md"), text_),
                 text_(kCloseText));
  });
  table.Add({ids::kCmdManual}, [this](int) {
    if (ShowRichTextFile(this, text_(kManualTitle),
                         ToQString(context_.dataPaths->Find(kManualFile)), text_(kCloseText)))
      return;
    if (context_.notice == nullptr) return;
    const std::string expected = context_.dataPaths->dataFolder() + "/" + kManualFile;
    context_.notice->ShowMessage(kDisplayName,
                                 ToUtf8(text_(kNoManualText).replace("%s", ToQString(expected))));
  });
  preferences_->AddCommands(table);
  wallpaper_->AddCommands(table);
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
    mapArea_->Redraw();
  });
  table.Add({ids::kCmdFitToScreen}, [this](int) { mapArea_->Fit(); });
  table.Add({ids::kCmdDayMap, ids::kCmdNightMap, ids::kCmdTimeZones, ids::kCmdSunShadow,
             ids::kCmdTwilight},
            [this](int command) { runViewCommand_(command); });
  table.Add({ids::kCmdAllCities, ids::kCmdCityNames, ids::kCmdGrid, ids::kCmdCitySelection,
             ids::kCmdMoon, ids::kCmdSharpMap},
            [this](int command) {
              if (context_.settings == nullptr || !ToggleOverlay(*context_.settings, command))
                return;
              // The country named under the pointer goes with the names.
              if (command == ids::kCmdCityNames && context_.settings->track == 0)
                status_->EndPassing(StatusText::kPointerCountry);
              mapArea_->Redraw();
              controls_->Sync();
            });

  // The features: the time tools, the online layers and the service, the cities.
  timeTools_->AddCommands(table);
  online_->AddCommands(table);
  cities_->AddCommands(table);
}

}  // namespace meridiana
