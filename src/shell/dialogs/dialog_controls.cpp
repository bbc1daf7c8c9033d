#include "shell/dialogs/dialog_controls.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/app/interface_language.h"

namespace meridiana {

QTabWidget* CreatePages(QWidget* parent, const std::vector<PageDescriptor>& pages,
                        InterfaceLanguage* language) {
  auto* tabs = new QTabWidget(parent);
  for (const PageDescriptor& descriptor : pages) {
    auto* page = new QWidget(tabs);
    page->setObjectName(QStringLiteral("dialog%1").arg(descriptor.templateId));
    if (descriptor.fill) descriptor.fill(page);
    if (language != nullptr) language->TranslateWindow(page, descriptor.templateId);
    const QString label = language != nullptr ? language->Text(descriptor.labelId)
                                              : QString::number(descriptor.labelId);
    tabs->addTab(page, label);
  }
  tabs->setCurrentIndex(0);
  return tabs;
}

DataTree::DataTree(std::function<void(int data)> onSelect, QWidget* parent)
    : QTreeWidget(parent), onSelect_(std::move(onSelect)) {
  setHeaderHidden(true);
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item != nullptr && onSelect_) onSelect_(item->data(0, Qt::UserRole).toInt());
  });
}

QTreeWidgetItem* DataTree::AddItem(QTreeWidgetItem* parent, const QString& text, int data) {
  auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  item->setText(0, text);
  item->setData(0, Qt::UserRole, data);
  if (parent != nullptr) parent->setExpanded(true);
  return item;
}

namespace {

QDialog* RichTextWindow(QWidget* owner, const QString& title, const QString& closeText,
                        QTextBrowser** view) {
  auto* window = new QDialog(owner);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(title);
  auto* layout = new QVBoxLayout(window);
  *view = new QTextBrowser(window);
  (*view)->setOpenExternalLinks(true);
  layout->addWidget(*view);
  auto* close = new QPushButton(closeText, window);
  close->setObjectName(QStringLiteral("close"));
  close->setDefault(true);
  QObject::connect(close, &QPushButton::clicked, window, &QDialog::reject);
  layout->addWidget(close, 0, Qt::AlignRight);
  return window;
}

}  // namespace

QWidget* ShowRichTextFile(QWidget* owner, const QString& title, const QString& path,
                          const QString& closeText) {
  if (!QFileInfo::exists(path)) return nullptr;
  QTextBrowser* view = nullptr;
  QDialog* window = RichTextWindow(owner, title, closeText, &view);
  view->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
  window->resize(860, 620);
  window->show();
  return window;
}

QWidget* ShowRichText(QWidget* owner, const QString& title, const QString& html,
                      const QString& closeText) {
  QTextBrowser* view = nullptr;
  QDialog* window = RichTextWindow(owner, title, closeText, &view);
  view->setHtml(html);
  window->resize(560, 420);
  window->show();
  return window;
}

QLabel* RefusalLine(QWidget* parent, const QString& objectName) {
  auto* line = new QLabel(parent);
  line->setObjectName(objectName);
  line->setWordWrap(true);
  line->setStyleSheet(QStringLiteral("color: #c00000"));
  line->hide();
  return line;
}

}  // namespace meridiana
