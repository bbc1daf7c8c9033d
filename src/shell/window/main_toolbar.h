#pragma once
// The main window's toolbar made from its table (toolbar_table.h): each button with its icon, its
// tool tip in the interface language, and its command.

#include <functional>

class QToolBar;
class QWidget;

namespace meridiana {

class InterfaceLanguage;
class MenuIconList;

// A button runs its command through runCommand. One whose icon the list lacks (or all, without
// a list) shows a blank frame; without a language the tips are the built-in English.
QToolBar* MakeMainToolbar(QWidget* parent, const MenuIconList* icons, InterfaceLanguage* language,
                          std::function<void(int command)> runCommand);
// The tips again, in the language just switched to.
void RetranslateMainToolbar(QToolBar* toolbar, InterfaceLanguage& language);

}  // namespace meridiana
