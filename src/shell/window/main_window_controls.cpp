// The main window's menus and controls: the menu bar from the resources, the Language menu, the
// menu checks and pressed buttons that follow the view, and the overlay switches.
#include <QAction>
#include <QTimer>
#include <QMenuBar>
#include <QToolBar>

#include "map/compose.h"
#include "online/cloud_service.h"
#include "online/http_client.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/menu_icons.h"
#include "shell/app/settings.h"
#include "shell/window/main_window.h"
#include "shell/window/map_area.h"
#include "shell/window/toolbar_buttons.h"
#include "shell/window/toolbar_table.h"

namespace meridiana {

void MainWindow::AttachMenu() {
  if (context_.language == nullptr) return;
  context_.language->BuildMenuBar(menuBar(), ProgramMenu(ids::kMainMenu), ids::kMainMenu,
                                  [this](int command) { OnCommand(command); });
  context_.language->AddListener([this] { OnLanguageChanged(); });
}

void MainWindow::RemoveMissingLanguages() {
  if (context_.language == nullptr) return;
  for (QAction* action : menuBar()->findChildren<QAction*>()) {
    const char* code = LanguageOfCommand(action->data().toInt());
    if (code != nullptr && !context_.language->Available(code)) action->setVisible(false);
  }
}

void MainWindow::ApplyStoredLanguage() {
  if (context_.language == nullptr) return;
  if (!context_.language->Available(context_.initialLanguage)) return;  // stays English
  context_.language->Apply(context_.initialLanguage);
  SyncViewControls();
}

void MainWindow::OnLanguageChanged() {
  context_.language->RetranslateMenu(menuBar());
  for (QAction* action : toolbar_->actions()) {
    for (const ToolbarButton& button : kMainToolbarButtons) {
      if (button.command == 0 || action->data().toInt() != button.command) continue;
      action->setText(context_.language->Text(button.tipId));
      action->setToolTip(action->text());
    }
  }
  if (statusMessageId_ != 0) SetStatusMessage(statusMessageId_);
  SyncViewControls();
}

void MainWindow::SyncViewControls() {
  const Settings* settings = context_.settings;
  const ViewModes& modes = compositor_->modes;
  const std::string selected =
      context_.language != nullptr ? context_.language->selectedCode() : std::string();
  for (const LanguageCommand& language : kLanguageCommands)
    SetMenuCheck(menuBar(), language.command, selected == language.code);
  const std::pair<int, bool> states[] = {
      {ids::kCmdDayMap, modes.day},      {ids::kCmdNightMap, modes.night},
      {ids::kCmdTimeZones, modes.zones}, {ids::kCmdSunShadow, modes.shadow},
      {ids::kCmdClouds, modes.clouds},   {ids::kCmdEarthquakes, online_.earthquakes},
  };
  for (const auto& [command, on] : states) {
    SetMenuCheck(menuBar(), command, on);
    CheckToolbarButton(toolbar_, command, on);
  }
  SetMenuCheck(menuBar(), ids::kCmdWallpaperMode, settings != nullptr && settings->wallpaper != 0);
  if (settings != nullptr) {
    const std::pair<int, bool> layers[] = {
        {ids::kCmdAllCities, settings->cities != 0},
        {ids::kCmdCityNames, settings->track != 0},
        {ids::kCmdGrid, settings->grid != 0},
        {ids::kCmdCitySelection, settings->marked != 0},
    };
    for (const auto& [command, on] : layers) {
      SetMenuCheck(menuBar(), command, on);
      CheckToolbarButton(toolbar_, command, on);
    }
  }
  if (context_.icons != nullptr) ApplyMenuIcons(menuBar(), *context_.icons);
  UpdateAnimationCommands();
}

void MainWindow::UpdateAnimationCommands() {
  const bool downloading = http_ && !http_->Idle();
  const bool playing = animationTimer_ != nullptr && animationTimer_->isActive();
  const int frame = clouds_ ? clouds_->current() : 0;
  EnableToolbarButton(toolbar_, ids::kCmdPrevious, !downloading && frame <= 10);
  EnableToolbarButton(toolbar_, ids::kCmdNext, !downloading && frame > 0);
  EnableToolbarButton(toolbar_, ids::kCmdPlay, !playing);
  EnableToolbarButton(toolbar_, ids::kCmdStop, playing || downloading);
  EnableToolbarButton(toolbar_, ids::kCmdSunShadow, !compositor_->modes.night);
}

void MainWindow::ToggleOverlay(int command) {
  Settings* settings = context_.settings;
  if (settings == nullptr) return;
  switch (command) {
    case ids::kCmdAllCities:
      settings->cities = settings->cities != 0 ? 0 : 1;
      break;
    case ids::kCmdCityNames:
      settings->track = settings->track < 1 ? 40 : 0;
      break;
    case ids::kCmdGrid:
      settings->grid = settings->grid != 0 ? 0 : 1;
      break;
    case ids::kCmdCitySelection:
      settings->marked = settings->marked != 0 ? 0 : 1;
      break;
    default:
      return;
  }
  RedrawMap();
  SyncViewControls();
}

}  // namespace meridiana
