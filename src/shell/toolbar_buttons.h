#pragma once
// Enabling and pressing the buttons of a toolbar by their command.

class QToolBar;

namespace meridiana {

void EnableToolbarButton(QToolBar* toolbar, int command, bool enabled);
// A pressed button shows its command's state is on (a layer shown, for instance).
void CheckToolbarButton(QToolBar* toolbar, int command, bool pressed);

}  // namespace meridiana
