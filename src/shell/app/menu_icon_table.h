#pragma once
// Which icon of the menu icon list a menu item draws, from its state and command.

namespace meridiana {

struct MenuItemState {
  bool disabled = false;  // greyed or disabled
  bool checked = false;
  bool opensSubmenu = false;
  bool nested = false;  // inside a popup rather than on the menu bar
};

inline constexpr int kNoMenuIcon = -1;
inline constexpr int kMenuBarItem = -2;

// The icon's position in the list, kNoMenuIcon, or kMenuBarItem for a submenu on the bar.
// Checked in order: disabled, checked (the check-mark icon 2), submenus, the city items
// (19000-22000: 1; 18999: 4), then the commands with icons of their own.
int MenuIconIndex(const MenuItemState& state, int command);

}  // namespace meridiana
