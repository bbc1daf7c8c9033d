#include "shell/window/view_controls.h"

#include <QAction>
#include <QMenuBar>

#include "map/compose.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/menu_icons.h"
#include "shell/app/settings.h"
#include "shell/window/main_toolbar.h"
#include "shell/window/main_window_context.h"
#include "shell/window/toolbar_buttons.h"
#include "shell/window/view_commands.h"

namespace meridiana {

void ViewControls::AttachMenu(std::function<void(int)> runCommand,
                              std::function<void()> languageChanged) {
  if (context_.language == nullptr) return;
  context_.language->BuildMenuBar(state_.menuBar(), ProgramMenu(ids::kMainMenu), ids::kMainMenu,
                                  std::move(runCommand));
  context_.language->AddListener(std::move(languageChanged));
}

void ViewControls::RemoveMissingLanguages() {
  if (context_.language == nullptr) return;
  for (QAction* action : state_.menuBar()->findChildren<QAction*>()) {
    const char* code = LanguageOfCommand(action->data().toInt());
    if (code != nullptr && !context_.language->Available(code)) action->setVisible(false);
  }
}

void ViewControls::ApplyStoredLanguage() {
  if (context_.language == nullptr) return;
  if (!context_.language->Available(context_.initialLanguage)) return;  // stays English
  context_.language->Apply(context_.initialLanguage);
  Sync();
}

void ViewControls::Retranslate() {
  context_.language->RetranslateMenu(state_.menuBar());
  RetranslateMainToolbar(toolbar_, *context_.language);
}

void ViewControls::Sync() {
  QMenuBar* menuBar = state_.menuBar();
  const Settings* settings = context_.settings;
  const std::string selected =
      context_.language != nullptr ? context_.language->selectedCode() : std::string();
  for (const LanguageCommand& language : kLanguageCommands)
    SetMenuCheck(menuBar, language.command, selected == language.code);
  for (const auto& [command, on] : ModeStates(modes_, state_.earthquakes())) {
    SetMenuCheck(menuBar, command, on);
    CheckToolbarButton(toolbar_, command, on);
  }
  SetMenuCheck(menuBar, ids::kCmdWallpaperMode, settings != nullptr && settings->wallpaper != 0);
  if (settings != nullptr) {
    for (const auto& [command, on] : LayerStates(*settings)) {
      SetMenuCheck(menuBar, command, on);
      CheckToolbarButton(toolbar_, command, on);
    }
  }
  EnableMenuItem(menuBar, ids::kCmdUndoClearCitySelection, state_.canUndoClear());
  if (context_.icons != nullptr) ApplyMenuIcons(menuBar, *context_.icons);
  UpdateAnimationCommands();
}

void ViewControls::UpdateAnimationCommands() {
  const bool downloading = state_.downloading();
  const bool playing = state_.playing();
  const int frame = state_.frame();
  EnableToolbarButton(toolbar_, ids::kCmdPrevious, !downloading && frame <= 10);
  EnableToolbarButton(toolbar_, ids::kCmdNext, !downloading && frame > 0);
  EnableToolbarButton(toolbar_, ids::kCmdPlay, !playing);
  EnableToolbarButton(toolbar_, ids::kCmdStop, playing || downloading);
  EnableToolbarButton(toolbar_, ids::kCmdSunShadow, !modes_.night);
}

}  // namespace meridiana
