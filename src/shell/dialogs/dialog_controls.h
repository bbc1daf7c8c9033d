#pragma once
// The controls the program's dialogs are made of, beyond Qt's own: tab pages that are dialogs of
// their own, a tree whose items carry a data word, and the formatted-text viewer.

#include <QString>
#include <QTreeWidget>
#include <functional>
#include <vector>

class QLabel;
class QTabWidget;

namespace meridiana {

class InterfaceLanguage;

// One tab page: a child dialog with its own id, a label from the string table and the function
// that fills it.
struct PageDescriptor {
  int templateId;
  int labelId;
  std::function<void(QWidget* page)> fill;
};

// The pages in a tab control, the first one shown. Each page is named "dialog<id>" and
// translated for its own id, so switching the language reaches it too.
QTabWidget* CreatePages(QWidget* parent, const std::vector<PageDescriptor>& pages,
                        InterfaceLanguage* language);

// A tree whose items carry a data word; selecting an item hands the word to the callback.
class DataTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit DataTree(std::function<void(int data)> onSelect, QWidget* parent = nullptr);
  // Adds an item under parent (null: at the top) with its text and data word.
  QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const QString& text, int data);

 private:
  std::function<void(int)> onSelect_;
};

// The red line under a field that says what it wants; hidden until the field is refused.
QLabel* RefusalLine(QWidget* parent, const QString& objectName);

// Shows formatted text (HTML) in a window of its own, modeless, with links opened by the
// desktop and a button that closes it, titled closeText. The window is freed when closed.
QWidget* ShowRichText(QWidget* owner, const QString& title, const QString& html,
                      const QString& closeText = QStringLiteral("Close"));
// The same for an HTML file, whose pictures are found beside it; null when it does not exist.
QWidget* ShowRichTextFile(QWidget* owner, const QString& title, const QString& path,
                          const QString& closeText = QStringLiteral("Close"));

}  // namespace meridiana
