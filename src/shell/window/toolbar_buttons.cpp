#include "shell/window/toolbar_buttons.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>

namespace meridiana {

void EnableToolbarButton(QToolBar* toolbar, int command, bool enabled) {
  if (toolbar == nullptr) return;
  for (QAction* action : toolbar->actions())
    if (!action->isSeparator() && action->data().toInt() == command) action->setEnabled(enabled);
}

void CheckToolbarButton(QToolBar* toolbar, int command, bool pressed) {
  if (toolbar == nullptr) return;
  for (QAction* action : toolbar->actions()) {
    if (action->isSeparator() || action->data().toInt() != command) continue;
    action->setCheckable(true);
    action->setChecked(pressed);
  }
}

void SetMenuCheck(QWidget* menuOrBar, int command, bool checked) {
  if (menuOrBar == nullptr) return;
  for (QAction* action : menuOrBar->actions()) {
    if (QMenu* sub = action->menu()) {
      SetMenuCheck(sub, command, checked);
    } else if (!action->isSeparator() && action->data().toInt() == command) {
      action->setCheckable(true);
      action->setChecked(checked);
    }
  }
}

void EnableMenuItem(QWidget* menuOrBar, int command, bool enabled) {
  if (menuOrBar == nullptr) return;
  for (QAction* action : menuOrBar->actions()) {
    if (QMenu* sub = action->menu()) {
      EnableMenuItem(sub, command, enabled);
    } else if (!action->isSeparator() && action->data().toInt() == command) {
      action->setEnabled(enabled);
    }
  }
}

}  // namespace meridiana
