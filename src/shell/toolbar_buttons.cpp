#include "shell/toolbar_buttons.h"

#include <QAction>
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

}  // namespace meridiana
