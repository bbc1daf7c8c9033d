#include "shell/dialogs/list_view.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <algorithm>

#include "shell/app/interface_language.h"
#include "shell/dialogs/list_layout.h"
#include "world/place_names.h"

namespace meridiana {
namespace {

// Rows that exist only as a count and a function giving their texts.
class OnDemandModel : public QAbstractTableModel {
 public:
  explicit OnDemandModel(int columns, QObject* parent)
      : QAbstractTableModel(parent), columns_(columns) {}
  void Reset(int rows, ListView::ItemText text, ListView::ItemIcon icon,
             ListView::ItemChecked checked) {
    beginResetModel();
    rows_ = rows;
    text_ = std::move(text);
    icon_ = std::move(icon);
    checked_ = std::move(checked);
    endResetModel();
  }
  void RowChanged(int row) {
    if (row >= 0 && row < rows_) emit dataChanged(index(row, 0), index(row, columns_ - 1));
  }
  std::function<void(int)> onCheckClicked;
  void SetTitles(std::vector<QString> titles) {
    titles_ = std::move(titles);
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
  }
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : columns_;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    switch (role) {
      case Qt::DisplayRole:
        return text_ ? QVariant(text_(index.row(), index.column())) : QVariant();
      case Qt::DecorationRole:
        return icon_ && index.column() == 0 ? QVariant(icon_(index.row())) : QVariant();
      case Qt::CheckStateRole: {
        if (!checked_ || index.column() != 0) return {};
        const std::optional<bool> on = checked_(index.row());
        if (!on) return {};
        return *on ? Qt::Checked : Qt::Unchecked;
      }
      default:
        return {};
    }
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (checked_ && index.column() == 0 && checked_(index.row())) flags |= Qt::ItemIsUserCheckable;
    return flags;
  }
  // A click on the check box: the owner decides and redraws the row.
  bool setData(const QModelIndex& index, const QVariant&, int role) override {
    if (role != Qt::CheckStateRole || !onCheckClicked) return false;
    onCheckClicked(index.row());
    return true;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= static_cast<int>(titles_.size())) return {};
    return titles_[static_cast<std::size_t>(section)];
  }

 private:
  int columns_;
  int rows_ = 0;
  ListView::ItemText text_;
  ListView::ItemIcon icon_;
  ListView::ItemChecked checked_;
  std::vector<QString> titles_;
};

// Rows sorted as the interface language sorts words ("Österreich" among the O's in German),
// not by character codes.
class CollatingProxy : public QSortFilterProxyModel {
 public:
  explicit CollatingProxy(QObject* parent) : QSortFilterProxyModel(parent) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
  }
  void SetLanguage(const std::string& code) {
    if (code == code_) return;
    code_ = code;
    collator_.setLocale(QLocale(QString::fromStdString(IcuLocaleOfLanguage(code))));
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    invalidate();
  }

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
    return collator_.compare(left.data().toString(), right.data().toString()) < 0;
  }

 private:
  QCollator collator_{QLocale(QStringLiteral("en"))};
  std::string code_;
};

}  // namespace

ListView::ListView(int dialogId, int listId, std::vector<ListColumn> columns,
                   std::string displayName, KeyValueStore* store, InterfaceLanguage* language,
                   QWidget* parent)
    : QTreeView(parent),
      dialogId_(dialogId),
      listId_(listId),
      columns_(std::move(columns)),
      displayName_(std::move(displayName)),
      store_(store),
      language_(language) {
  auto* source = new OnDemandModel(static_cast<int>(columns_.size()), this);
  auto* sorted = new CollatingProxy(this);
  sorted->setSourceModel(source);
  if (language_ != nullptr) sorted->SetLanguage(language_->selectedCode());
  setModel(sorted);
  model_ = sorted;
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
  setUniformRowHeights(true);
  setSortingEnabled(true);
  sortByColumn(-1, Qt::AscendingOrder);  // file order until the user sorts
  header()->setSectionsMovable(true);
  header()->setSortIndicatorShown(true);
  source->onCheckClicked = [this](int row) { emit checkClicked(row); };
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { emit selectedRowChanged(selectedRow()); });
  connect(this, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { emit rowDoubleClicked(SourceRow(index)); });
  RetranslateTitles();
  if (language_ != nullptr)
    languageListener_ = language_->AddListener([this, sorted] {
      RetranslateTitles();
      sorted->SetLanguage(language_->selectedCode());
    });
  for (std::size_t i = 0; i < columns_.size(); ++i)
    header()->resizeSection(static_cast<int>(i), columns_[i].width);
  if (store_ != nullptr) {
    const ColumnLayout saved = LoadColumnLayout(*store_, displayName_, dialogId_, listId_,
                                                static_cast<int>(columns_.size()));
    for (std::size_t i = 0; i < saved.widths.size(); ++i)
      header()->resizeSection(static_cast<int>(i), saved.widths[i]);
    widthsKept_ = !saved.widths.empty();
    // Visual positions: move each column to where it was, leftmost first.
    for (int position = 0; position < static_cast<int>(saved.order.size()); ++position) {
      for (std::size_t column = 0; column < saved.order.size(); ++column) {
        if (saved.order[column] != position) continue;
        header()->moveSection(header()->visualIndex(static_cast<int>(column)), position);
      }
    }
  }
  // The stretched last column resizes with the list itself; only the others tell a user's choice.
  connect(header(), &QHeaderView::sectionResized, this, [this](int column) {
    if (!fitting_ && column + 1 < static_cast<int>(columns_.size())) widthsKept_ = true;
  });
}

ListView::~ListView() {
  if (language_ != nullptr) language_->RemoveListener(languageListener_);
  SaveLayout();
}

void ListView::SaveLayout() {
  if (store_ == nullptr) return;
  ColumnLayout layout;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    layout.widths.push_back(header()->sectionSize(static_cast<int>(i)));
    layout.order.push_back(header()->visualIndex(static_cast<int>(i)));
  }
  SaveColumnLayout(*store_, displayName_, dialogId_, listId_, layout);
}

void ListView::SetRows(int count, ItemText itemText, ItemIcon itemIcon, ItemChecked itemChecked) {
  auto* sorted = static_cast<CollatingProxy*>(model_);
  // Rows filled after a switch of language sort in it, whichever listener comes first.
  if (language_ != nullptr) sorted->SetLanguage(language_->selectedCode());
  static_cast<OnDemandModel*>(sorted->sourceModel())
      ->Reset(count, std::move(itemText), std::move(itemIcon), std::move(itemChecked));
  FitColumns();
  emit selectedRowChanged(selectedRow());
}

void ListView::FitColumnsToContents() {
  fitColumns_ = true;
  FitColumns();
}

void ListView::FitColumns() {
  if (!fitColumns_ || widthsKept_ || model_->rowCount() == 0) return;
  fitting_ = true;
  // Never narrower than the default width, so a list of short names keeps its familiar look.
  for (std::size_t i = 0; i + 1 < columns_.size(); ++i) {
    const int column = static_cast<int>(i);
    const int wanted =
        std::max({columns_[i].width, sizeHintForColumn(column), header()->sectionSizeHint(column)});
    header()->resizeSection(column, wanted);
  }
  fitting_ = false;
}

void ListView::SortByFirstColumn() { sortByColumn(0, Qt::AscendingOrder); }

int ListView::rowCount() const { return model_->rowCount(); }

int ListView::SourceRow(const QModelIndex& index) const {
  if (!index.isValid()) return -1;
  return static_cast<QSortFilterProxyModel*>(model_)->mapToSource(index).row();
}

int ListView::selectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : SourceRow(rows.front());
}

void ListView::SelectRow(int row) {
  auto* sorted = static_cast<QSortFilterProxyModel*>(model_);
  const QModelIndex index = sorted->mapFromSource(sorted->sourceModel()->index(row, 0));
  if (!index.isValid()) return;
  setCurrentIndex(index);
  scrollTo(index);
}

void ListView::RedrawRow(int row) {
  auto* sorted = static_cast<QSortFilterProxyModel*>(model_);
  static_cast<OnDemandModel*>(sorted->sourceModel())->RowChanged(row);
}

bool ListView::SelectNextStartingWith(QChar key) {
  const int rows = model_->rowCount();
  const int current = currentIndex().isValid() ? currentIndex().row() : -1;
  for (int step = 1; step <= rows; ++step) {
    const int shown = (current + step) % rows;
    if (shown == current) break;
    if (!model_->index(shown, 0).data().toString().startsWith(key, Qt::CaseInsensitive)) continue;
    const QModelIndex index = model_->index(shown, 0);
    setCurrentIndex(index);
    scrollTo(index);
    return true;
  }
  return false;
}

void ListView::keyboardSearch(const QString& search) {
  if (!search.isEmpty()) SelectNextStartingWith(search.front());
}

QString ListView::DisplayedText(int row, int column) const {
  return model_->index(row, column).data().toString();
}

void ListView::RetranslateTitles() {
  std::vector<QString> titles;
  for (const ListColumn& column : columns_)
    titles.push_back(language_ != nullptr ? language_->Text(column.titleId)
                                          : QString::number(column.titleId));
  auto* sorted = static_cast<QSortFilterProxyModel*>(model_);
  static_cast<OnDemandModel*>(sorted->sourceModel())->SetTitles(std::move(titles));
}

}  // namespace meridiana
