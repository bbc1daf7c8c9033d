#include "shell/menu_icons.h"

#include <QFile>

namespace meridiana {

QIcon MenuIconList::LoadResourceIcon(int resourceId) {
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

void MenuIconList::Clear() {
  icons_.clear();
  built_ = false;
}

}  // namespace meridiana
