#pragma once
// The window's menus and the controls that follow the view: the menu bar from the resources and
// its Language menu, the menu checks and pressed buttons of the modes and the layers, and the
// animation's buttons.

#include <functional>

class QMenuBar;
class QToolBar;

namespace meridiana {

struct MainWindowContext;
struct ViewModes;

class ViewControls {
 public:
  // What the checks and buttons follow besides the modes and the settings.
  struct State {
    std::function<QMenuBar*()> menuBar;  // the window's, made on first use
    std::function<bool()> earthquakes;   // the layer is on
    std::function<bool()> canUndoClear;
    std::function<bool()> downloading;
    std::function<bool()> playing;  // the cloud animation
    std::function<int()> frame;     // the cloud frame shown
  };

  ViewControls(const MainWindowContext& context, QToolBar* toolbar, const ViewModes& modes,
               State state)
      : context_(context), toolbar_(toolbar), modes_(modes), state_(std::move(state)) {}

  // The menu bar from the resources, its commands to runCommand; without the interface language
  // there is none. languageChanged runs after every switch of language.
  void AttachMenu(std::function<void(int)> runCommand, std::function<void()> languageChanged);
  // Hides the languages whose files are missing, then applies the stored one.
  void RemoveMissingLanguages();
  void ApplyStoredLanguage();
  // Menus and tool tips in the language just switched to.
  void Retranslate();
  // Checks and pressed buttons that follow the view and the layers.
  void Sync();
  void UpdateAnimationCommands();

 private:
  const MainWindowContext& context_;
  QToolBar* toolbar_;
  const ViewModes& modes_;
  State state_;
};

}  // namespace meridiana
