#include "shell/window/map_context_menu.h"

#include <QAction>
#include <QMenu>
#include <cmath>

#include "map/map_geometry.h"
#include "shell/app/qt_text.h"
#include "shell/window/toolbar_buttons.h"
#include "world/place_names.h"

namespace meridiana {
namespace {

constexpr int kSunShadowCommand = 40016;

}  // namespace

void FillMapContextMenu(QMenu* menu, MapView& view, WorldData& world, QPoint mapAreaPoint,
                        const MapMenuChecks& checks) {
  std::vector<City>& cities = world.cities;
  constexpr int kPropertiesPlaceholder = 40014;
  constexpr int kWeatherPlaceholder = 40024;
  constexpr int kHotelsPlaceholder = 40025;
  constexpr int kHomePlaceholder = 40042;
  // An item and the menu (or submenu) that holds it.
  struct Item {
    QMenu* owner = nullptr;
    QAction* action = nullptr;
  };
  QList<QMenu*> menus = menu->findChildren<QMenu*>();
  menus.prepend(menu);
  const auto locate = [&menus](int command) {
    for (QMenu* m : menus)
      for (QAction* action : m->actions())
        if (!action->isSeparator() && action->menu() == nullptr &&
            action->data().toInt() == command)
          return Item{m, action};
    return Item{};
  };
  const auto find = [&locate](int command) { return locate(command).action; };
  const Item properties = locate(kPropertiesPlaceholder);
  const Item weather = locate(kWeatherPlaceholder);
  const Item hotels = locate(kHotelsPlaceholder);
  const Item home = locate(kHomePlaceholder);
  // The search takes the map area's top as kMenuAreaTop below the point it is given; the point
  // is placed so, wherever the toolbar puts the area, which keeps the two in step.
  const QPoint client(mapAreaPoint.x(), mapAreaPoint.y() + kMenuAreaTop);
  const int count = PickMenuCities(view, cities, {client.x(), client.y()});
  for (int i = 0; i < count; ++i) {
    const City& city =
        cities[static_cast<std::size_t>(view.menuCities[static_cast<std::size_t>(i)])];
    const std::string& name = CityNameOf(world, city);
    const std::size_t cut = name.rfind('(');
    const QString text = ToQString(cut == std::string::npos ? name : name.substr(0, cut));
    const auto insert = [&text](const Item& before, int command) {
      if (before.action == nullptr) return;
      auto* item = new QAction(text, before.owner);
      item->setData(command);
      before.owner->insertAction(before.action, item);
    };
    const MapPoint p = BaseToView(view, BaseMapPixel(city.longitude, city.latitude));
    const double dx = p.x - client.x();
    const double dy = p.y + kMenuAreaTop - client.y();
    const bool under = i == 0 && std::sqrt(dx * dx + dy * dy) < 10;
    insert(properties, under ? kCityUnderClickCommand : kFirstCityPropertiesCommand + i);
    insert(weather, kFirstCityWeatherCommand + i);
    insert(hotels, kFirstCityHotelsCommand + i);
    insert(home, kFirstCityHomeCommand + i);
  }
  for (const auto& [command, on] : checks.layers) SetMenuCheck(menu, command, on);
  if (QAction* shadow = find(kSunShadowCommand)) {
    shadow->setEnabled(!checks.night);
    shadow->setChecked(checks.shadow);
  }
  for (const Item& placeholder : {properties, weather, hotels, home}) {
    if (placeholder.action != nullptr) placeholder.owner->removeAction(placeholder.action);
  }
}

}  // namespace meridiana
