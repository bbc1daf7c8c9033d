#include "shell/list_view.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QSortFilterProxyModel>

#include "shell/interface_language.h"
#include "shell/list_layout.h"

namespace meridiana {
namespace {

// Rows that exist only as a count and a function giving their texts.
class OnDemandModel : public QAbstractTableModel {
 public:
  explicit OnDemandModel(int columns, QObject* parent)
      : QAbstractTableModel(parent), columns_(columns) {}
  void Reset(int rows, ListView::ItemText text) {
    beginResetModel();
    rows_ = rows;
    text_ = std::move(text);
    endResetModel();
  }
  void SetTitles(std::vector<QString> titles) {
    titles_ = std::move(titles);
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
  }
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : columns_;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !text_) return {};
    return text_(index.row(), index.column());
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
  std::vector<QString> titles_;
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
  auto* sorted = new QSortFilterProxyModel(this);
  sorted->setSourceModel(source);
  sorted->setSortCaseSensitivity(Qt::CaseInsensitive);
  setModel(sorted);
  model_ = sorted;
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSortingEnabled(true);
  sortByColumn(-1, Qt::AscendingOrder);  // file order until the user sorts
  header()->setSectionsMovable(true);
  header()->setSortIndicatorShown(true);
  RetranslateTitles();
  for (std::size_t i = 0; i < columns_.size(); ++i)
    header()->resizeSection(static_cast<int>(i), columns_[i].width);
  if (store_ != nullptr) {
    const ColumnLayout saved = LoadColumnLayout(*store_, displayName_, dialogId_, listId_,
                                                static_cast<int>(columns_.size()));
    for (std::size_t i = 0; i < saved.widths.size(); ++i)
      header()->resizeSection(static_cast<int>(i), saved.widths[i]);
    // Visual positions: move each column to where it was, leftmost first.
    for (int position = 0; position < static_cast<int>(saved.order.size()); ++position) {
      for (std::size_t column = 0; column < saved.order.size(); ++column) {
        if (saved.order[column] != position) continue;
        header()->moveSection(header()->visualIndex(static_cast<int>(column)), position);
      }
    }
  }
}

ListView::~ListView() { SaveLayout(); }

void ListView::SaveLayout() {
  if (store_ == nullptr) return;
  ColumnLayout layout;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    layout.widths.push_back(header()->sectionSize(static_cast<int>(i)));
    layout.order.push_back(header()->visualIndex(static_cast<int>(i)));
  }
  SaveColumnLayout(*store_, displayName_, dialogId_, listId_, layout);
}

void ListView::SetRows(int count, ItemText itemText) {
  auto* sorted = static_cast<QSortFilterProxyModel*>(model_);
  static_cast<OnDemandModel*>(sorted->sourceModel())->Reset(count, std::move(itemText));
}

int ListView::rowCount() const { return model_->rowCount(); }

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
