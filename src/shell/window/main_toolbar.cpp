#include "shell/window/main_toolbar.h"

#include <QAction>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>

#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/menu_icons.h"
#include "shell/window/toolbar_table.h"

namespace meridiana {

namespace {

// Stands in for a toolbar icon that is not among the program's resources.
QIcon BlankButtonIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QColor(128, 128, 128));
  painter.drawRect(2, 2, 11, 11);
  return QIcon(pixmap);
}

}  // namespace

QToolBar* MakeMainToolbar(QWidget* parent, const MenuIconList* icons, InterfaceLanguage* language,
                          std::function<void(int command)> runCommand) {
  auto* toolbar = new QToolBar(parent);
  toolbar->setObjectName(QStringLiteral("control%1").arg(ids::kToolbar));
  toolbar->setMovable(false);
  toolbar->setFloatable(false);
  toolbar->setIconSize(QSize(16, 16));
  toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  const QIcon blank = BlankButtonIcon();
  for (const ToolbarButton& button : kMainToolbarButtons) {
    if (button.command == 0) {
      toolbar->addSeparator();
      continue;
    }
    QIcon icon = icons != nullptr ? icons->At(button.icon) : QIcon();
    const QString tip =
        language != nullptr ? language->Text(button.tipId) : EnglishText(button.tipId);
    QAction* action = toolbar->addAction(icon.isNull() ? blank : icon, tip);
    action->setToolTip(tip);
    action->setData(button.command);
    const int command = button.command;
    QObject::connect(action, &QAction::triggered, parent,
                     [runCommand, command] { runCommand(command); });
  }
  return toolbar;
}

void RetranslateMainToolbar(QToolBar* toolbar, InterfaceLanguage& language) {
  for (QAction* action : toolbar->actions()) {
    for (const ToolbarButton& button : kMainToolbarButtons) {
      if (button.command == 0 || action->data().toInt() != button.command) continue;
      action->setText(language.Text(button.tipId));
      action->setToolTip(action->text());
    }
  }
}

}  // namespace meridiana
