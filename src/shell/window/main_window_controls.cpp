// The main window's menus and controls: the menu bar from the resources, the Language menu, the
// menu checks and pressed buttons that follow the view.
#include <QAction>
#include <QMenuBar>
#include <QTimer>

#include "map/compose.h"
#include "online/cloud_service.h"
#include "online/http_client.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/menu_icons.h"
#include "shell/app/settings.h"
#include "shell/window/main_window.h"
#include "shell/window/main_toolbar.h"
#include "shell/window/map_area.h"
#include "shell/window/toolbar_buttons.h"
#include "shell/window/view_commands.h"

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
  RetranslateMainToolbar(toolbar_, *context_.language);
  if (statusMessageId_ != 0) SetStatusMessage(statusMessageId_);
  SyncViewControls();
  // The map writes words too: its scale, the cloud date and the sources beside them.
  RefreshOnlineView();
  RedrawMap();
}

void MainWindow::SyncViewControls() {
  const Settings* settings = context_.settings;
  const ViewModes& modes = compositor_->modes;
  const std::string selected =
      context_.language != nullptr ? context_.language->selectedCode() : std::string();
  for (const LanguageCommand& language : kLanguageCommands)
    SetMenuCheck(menuBar(), language.command, selected == language.code);
  for (const auto& [command, on] : ModeStates(modes, online_.earthquakes)) {
    SetMenuCheck(menuBar(), command, on);
    CheckToolbarButton(toolbar_, command, on);
  }
  SetMenuCheck(menuBar(), ids::kCmdWallpaperMode, settings != nullptr && settings->wallpaper != 0);
  if (settings != nullptr) {
    for (const auto& [command, on] : LayerStates(*settings)) {
      SetMenuCheck(menuBar(), command, on);
      CheckToolbarButton(toolbar_, command, on);
    }
  }
  EnableMenuItem(menuBar(), ids::kCmdUndoClearCitySelection, !clearedMarks_.empty());
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

}  // namespace meridiana
