#include "shell/menu_icons.h"

#include <QAction>
#include <QFile>
#include <QMenu>

#include "shell/menu_icon_table.h"

// The icons are compiled into the shell library; a static library's resources register only
// when asked to, and this must happen outside any namespace.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace meridiana {

QIcon MenuIconList::LoadResourceIcon(int resourceId) {
  static const bool registered = (InitIconResources(), true);
  (void)registered;
  const QString path = QStringLiteral(":/icons/%1.png").arg(resourceId);
  if (!QFile::exists(path)) return {};
  return QIcon(path);
}

void MenuIconList::Build(const Loader& loader) {
  if (built_) return;
  built_ = true;
  for (int id : kMenuIconResourceIds) {
    QIcon icon = loader(id);
    if (icon.isNull()) break;
    icons_.push_back(std::move(icon));
  }
}

QIcon MenuIconList::At(int index) const {
  if (index < 0 || index >= icons_.size()) return {};
  return icons_[index];
}

namespace {

void ApplyToActions(const QList<QAction*>& actions, const MenuIconList& icons, bool nested) {
  for (QAction* action : actions) {
    if (action->isSeparator()) continue;
    MenuItemState state;
    state.disabled = !action->isEnabled();
    state.checked = action->isChecked();
    state.opensSubmenu = action->menu() != nullptr;
    state.nested = nested;
    const int index = MenuIconIndex(state, action->data().toInt());
    action->setIcon(index >= 0 && !action->isCheckable() ? icons.At(index) : QIcon());
    if (QMenu* sub = action->menu()) ApplyToActions(sub->actions(), icons, true);
  }
}

}  // namespace

void ApplyMenuIcons(QWidget* menuOrBar, const MenuIconList& icons) {
  if (menuOrBar != nullptr) ApplyToActions(menuOrBar->actions(), icons, false);
}

void MenuIconList::Clear() {
  icons_.clear();
  built_ = false;
}

}  // namespace meridiana
