#include "shell/app/menu_icons.h"

#include <QAction>
#include <QFile>
#include <QIconEngine>
#include <QMenu>
#include <optional>

#include "shell/app/menu_icon_table.h"

// The icons are compiled into the shell library; a static library's resources register only
// when asked to, and this must happen outside any namespace.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace meridiana {

namespace {

// An icon that reads its picture files when it is first drawn or asked about, not when it is
// made: most of the program's icons sit in menus that a start never opens.
class ResourceIconEngine : public QIconEngine {
 public:
  explicit ResourceIconEngine(QString path) : path_(std::move(path)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Loaded().pixmap(size, mode, state);
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override {
    return Loaded().pixmap(size, scale, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Loaded().actualSize(size, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return Loaded().availableSizes(mode, state);
  }
  bool isNull() override { return false; }  // made only for a picture that is there
  QString key() const override { return QStringLiteral("meridiana-resource"); }
  QIconEngine* clone() const override { return new ResourceIconEngine(path_); }

 private:
  const QIcon& Loaded() {
    if (!icon_) icon_ = QIcon(path_);  // the 16 pixel picture and its @2x twin
    return *icon_;
  }

  QString path_;
  std::optional<QIcon> icon_;
};

}  // namespace

QIcon MenuIconList::LoadResourceIcon(int resourceId) {
  static const bool registered = (InitIconResources(), true);
  (void)registered;
  const QString path = QStringLiteral(":/icons/%1.png").arg(resourceId);
  if (!QFile::exists(path)) return {};
  return QIcon(new ResourceIconEngine(path));
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
