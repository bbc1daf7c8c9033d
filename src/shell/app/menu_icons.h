#pragma once
// The 16x16 icons that menus and the toolbar draw. A command refers to an icon by its position in
// this list, so the resource ids are loaded in a fixed order.

#include <QIcon>
#include <QList>
#include <QWidget>
#include <array>
#include <functional>

namespace meridiana {

inline constexpr std::array<int, 57> kMenuIconResourceIds = {
    1432, 1431, 1508, 1440, 1509, 1510, 112,  113,  110,  111,  108,  105,  106,  107,
    109,  1511, 1512, 1513, 1514, 1515, 114,  115,  2370, 2419, 2421, 2356, 2422, 2366,
    2353, 2395, 2394, 2357, 2354, 2358, 2359, 2365, 2352, 2373, 2423, 2355, 2393, 2420,
    2371, 2425, 2426, 2427, 2429, 2428, 2430, 2434, 2432, 2433, 2372, 118,  120,  2435, 2436};

class MenuIconList {
 public:
  // Loads one icon resource; a null icon when there is none.
  using Loader = std::function<QIcon(int resourceId)>;

  // Icons from the program's resources, ":/icons/<id>.png".
  static QIcon LoadResourceIcon(int resourceId);

  // Loads the icons in order and stops at the first that cannot be loaded, so positions stay
  // meaningful. Builds once: a second call does nothing.
  void Build(const Loader& loader = LoadResourceIcon);

  int size() const { return static_cast<int>(icons_.size()); }
  // The icon at a position, or a null icon.
  QIcon At(int index) const;
  void Clear();

 private:
  bool built_ = false;
  QList<QIcon> icons_;
};

// Gives every item of a menu or menu bar the icon its state and command call for. Check items
// keep the check box the desktop draws for them in place of the check-mark icon.
void ApplyMenuIcons(QWidget* menuOrBar, const MenuIconList& icons);

}  // namespace meridiana
