#pragma once
// What a feature of the main window is given of it: the context the window completed (settings,
// store, world, clocks, language), the status bar's text, the map's composition and repaint, the
// controls that follow the view, and the command table. A feature gets this, never the window.

#include <QString>
#include <functional>

#include "shell/window/main_window_context.h"

class QWidget;

namespace meridiana {

class Clock;
class StatusText;

struct FeatureHost {
  MainWindowContext* context = nullptr;  // context->clock is the shown clock
  const Clock* liveClock = nullptr;      // the clock the window was given
  QWidget* window = nullptr;  // parent of the feature's dialogs, context of its posted calls
  StatusText* status = nullptr;
  std::function<void()> redrawMap;     // repaints the map as composed
  std::function<void()> recomputeMap;  // composes it again, keeps the settings in step, repaints
  // Makes the composed map current where a sharp view on screen left it stale.
  std::function<void()> ensureComposed;
  std::function<void(int command)> runViewCommand;  // Day Map, Clouds and the other modes
  std::function<void()> syncControls;  // menu checks and pressed buttons that follow the view
  std::function<void()> updateAnimationCommands;
  std::function<bool(int command)> runCommand;  // through the window's command table
  std::function<QString(int stringId)> text;    // a string in the interface language
};

// Runs the call on a later turn of the event loop, like a message the window posts itself.
void PostToWindow(const FeatureHost& host, std::function<void()> call);

}  // namespace meridiana
