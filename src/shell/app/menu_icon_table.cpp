#include "shell/app/menu_icon_table.h"

namespace meridiana {
namespace {

struct CommandIcon {
  int command;
  int icon;
};

constexpr CommandIcon kCommandIcons[] = {
    {196, 0},
    {40011, 16},
    {40012, 6},
    {40013, 7},
    {40019, 10},
    {40020, 14},
    {40021, 12},
    {40022, 11},
    {40023, 13},
    {40027, 53},
    {40028, 54},
    // The languages draw their flags.
    {537, 28},
    {538, 47},
    {1192, 36},
    {1193, 32},
    {1194, 33},
    {2365, 25},
    {2366, 39},
    {3032, 31},
    {3033, 42},
    {3035, 34},
    {3036, 35},
    {3060, 27},
    {3061, 49},
};

}  // namespace

int MenuIconIndex(const MenuItemState& state, int command) {
  if (state.disabled) return kNoMenuIcon;
  if (state.checked) return 2;
  if (state.opensSubmenu) return state.nested ? kNoMenuIcon : kMenuBarItem;
  if (command >= 19000 && command <= 22000) return 1;
  if (command == 18999) return 4;
  for (const CommandIcon& entry : kCommandIcons)
    if (entry.command == command) return entry.icon;
  return kNoMenuIcon;
}

}  // namespace meridiana
