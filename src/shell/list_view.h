#pragma once
// A report-style list of the program's dialogs: columns titled from the string table, a layout
// that is remembered per dialog and list (widths and order restored only when the saved values
// fit the columns, saved when the list goes), rows supplied on demand, sortable by column with a
// second click reversing the order.

#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

class QStandardItemModel;

namespace meridiana {

class InterfaceLanguage;
class KeyValueStore;

struct ListColumn {
  int titleId;  // string id of the column title
  int width;    // default width in pixels
};

class ListView : public QTreeView {
  Q_OBJECT

 public:
  // The text of a row's column, asked for only when the row is shown.
  using ItemText = std::function<QString(int row, int column)>;

  ListView(int dialogId, int listId, std::vector<ListColumn> columns, std::string displayName,
           KeyValueStore* store, InterfaceLanguage* language, QWidget* parent = nullptr);
  ~ListView() override;

  // Replaces the rows: count rows whose texts come from itemText.
  void SetRows(int count, ItemText itemText);
  int rowCount() const;
  // The text shown in a row and column (after sorting, in display order).
  QString DisplayedText(int row, int column) const;
  // The titles again, in the active language.
  void RetranslateTitles();

 private:
  void SaveLayout();

  int dialogId_;
  int listId_;
  std::vector<ListColumn> columns_;
  std::string displayName_;
  KeyValueStore* store_;
  InterfaceLanguage* language_;
  QAbstractItemModel* model_ = nullptr;
};

}  // namespace meridiana
