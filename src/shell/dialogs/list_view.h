#pragma once
// A report-style list of the program's dialogs: columns titled from the string table, a layout
// that is remembered per dialog and list (widths and order restored only when the saved values
// fit the columns, saved when the list goes), rows supplied on demand, sortable by column with a
// second click reversing the order. Rows may carry an icon and a check box; a typed letter
// selects the next row that begins with it.

#include <QIcon>
#include <QTreeView>
#include <functional>
#include <optional>
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

  // The icon before a row's first column, and its check box (none for nullopt).
  using ItemIcon = std::function<QIcon(int row)>;
  using ItemChecked = std::function<std::optional<bool>(int row)>;

  // Replaces the rows: count rows whose texts come from itemText. Rows are numbered as given,
  // whatever order they are shown in; a sorted list sorts the new rows the same way again.
  void SetRows(int count, ItemText itemText, ItemIcon itemIcon = {}, ItemChecked itemChecked = {});
  // Widens columns to their texts after each fill, while no kept layout was restored and the
  // user has not resized a column; the last column keeps stretching to the list's edge.
  void FitColumnsToContents();
  // Sorts by the first column, ascending, until a header is clicked (else: rows as given).
  void SortByFirstColumn();
  int rowCount() const;
  // The selected row (as given to SetRows), -1 for none; selecting one scrolls it into view.
  int selectedRow() const;
  void SelectRow(int row);
  // Shows a row's texts, icon and check box again after its record changed.
  void RedrawRow(int row);
  // After the current row, wrapping once to the top: selects the first other row whose first
  // column begins with key, ignoring case. False, and nothing changes, when there is none.
  bool SelectNextStartingWith(QChar key);
  // The text shown in a row and column (after sorting, in display order).
  QString DisplayedText(int row, int column) const;
  // The titles again, in the active language (after every switch of it, too).
  void RetranslateTitles();

 signals:
  void rowDoubleClicked(int row);
  void checkClicked(int row);  // the row's check box was clicked; its owner flips the flag
  void selectedRowChanged(int row);

 protected:
  void keyboardSearch(const QString& search) override;

 private:
  void SaveLayout();
  int SourceRow(const QModelIndex& index) const;
  void FitColumns();

  int dialogId_;
  int listId_;
  std::vector<ListColumn> columns_;
  std::string displayName_;
  KeyValueStore* store_;
  InterfaceLanguage* language_;
  int languageListener_ = 0;
  QAbstractItemModel* model_ = nullptr;
  bool fitColumns_ = false;
  bool widthsKept_ = false;  // restored from the store, or set by the user
  bool fitting_ = false;
};

}  // namespace meridiana
