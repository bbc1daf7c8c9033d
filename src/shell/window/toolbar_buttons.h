#pragma once
// Enabling and pressing the buttons of a toolbar, and checking menu items, by their command.

class QToolBar;
class QWidget;

namespace meridiana {

void EnableToolbarButton(QToolBar* toolbar, int command, bool enabled);
// A pressed button shows its command's state is on (a layer shown, for instance).
void CheckToolbarButton(QToolBar* toolbar, int command, bool pressed);
// Sets or clears the check mark of every item of a menu (or menu bar, submenus included) that
// runs the command.
void SetMenuCheck(QWidget* menuOrBar, int command, bool checked);
// Enables or greys every item of a menu (or menu bar, submenus included) that runs the command.
void EnableMenuItem(QWidget* menuOrBar, int command, bool enabled);

}  // namespace meridiana
