#include "shell/dialogs/city_name_field.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "shell/app/qt_text.h"
#include "shell/dialogs/dialog_controls.h"
#include "world/city_search.h"
#include "world/place_names.h"

namespace meridiana {
namespace {

constexpr std::size_t kOffered = 12;     // rows of the popup
constexpr int kCityRole = Qt::UserRole;  // the city's index in the table
constexpr int kNameRole = Qt::UserRole + 1;

// The language of the world's place names: the search finds their names as well as English.
std::string_view NamesLanguage(const WorldData& world) {
  return world.placeNames ? std::string_view(world.placeNames->language) : std::string_view();
}

QString ShownName(const WorldData& world, const City& city) {
  return ToQString(WithoutTrailingBlanks(CityNameOf(world, city)));
}

// "Springfield, Illinois, United States": enough to tell the table's namesakes apart.
QString MatchLabel(const WorldData& world, const City& city) {
  QString label = ShownName(world, city);
  if (const std::string* state = StateNameOf(world, city))
    label += QStringLiteral(", ") + ToQString(*state);
  if (const std::string* country = CountryNameOfCity(world, city))
    label += QStringLiteral(", ") + ToQString(*country);
  return label;
}

}  // namespace

CityNameField::CityNameField(const WorldData* world, QString noMatchText, QWidget* parent)
    : QWidget(parent), world_(world) {
  SetNoMatchText(std::move(noMatchText));
  edit_ = new QLineEdit(this);
  edit_->setClearButtonEnabled(true);
  edit_->installEventFilter(this);
  noMatch_ = RefusalLine(this, QStringLiteral("noCityMatches"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(edit_);
  layout->addWidget(noMatch_);

  matches_ = new QStandardItemModel(this);
  completer_ = new QCompleter(matches_, this);
  // The search has already chosen and ordered the rows: the popup shows them as they are.
  completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
  completer_->setCompletionRole(kNameRole);
  completer_->setMaxVisibleItems(static_cast<int>(kOffered));
  edit_->setCompleter(completer_);

  // textEdited comes before the line edit asks its completer for the popup, so the rows are
  // the new text's when it shows.
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    picked_ = nullptr;
    OfferMatches(text);
  });
  connect(completer_, qOverload<const QModelIndex&>(&QCompleter::activated), this,
          [this](const QModelIndex& index) {
            const int row = index.data(kCityRole).toInt();
            if (row < 0 || row >= static_cast<int>(world_->cities.size())) return;
            picked_ = &world_->cities[static_cast<std::size_t>(row)];
            ShowNoMatch({}, false);
            emit cityPicked(picked_);
          });
}

void CityNameField::OfferMatches(const QString& text) {
  matches_->clear();
  if (text.trimmed().isEmpty()) {
    ShowNoMatch(text, false);
    return;
  }
  for (const City* city : SearchCities(*world_, ToUtf8(text), kOffered, NamesLanguage(*world_))) {
    auto* item = new QStandardItem(MatchLabel(*world_, *city));
    item->setData(static_cast<int>(city - world_->cities.data()), kCityRole);
    item->setData(ShownName(*world_, *city), kNameRole);
    item->setEditable(false);
    matches_->appendRow(item);
  }
  ShowNoMatch(text, matches_->rowCount() == 0);
}

void CityNameField::SetNoMatchText(QString noMatchText) {
  noMatchText_ = std::move(noMatchText);
  noMatchText_.replace(QStringLiteral("%s"), QStringLiteral("%1"));
  if (noMatch_ != nullptr && !noMatch_->isHidden()) ShowNoMatch(edit_->text(), true);
}

void CityNameField::ShowNoMatch(const QString& text, bool show) {
  if (show) noMatch_->setText(noMatchText_.arg(text.trimmed()));
  noMatch_->setVisible(show);
}

void CityNameField::ShowNoMatchLine() { ShowNoMatch(edit_->text(), true); }

const City* CityNameField::NamedCity() const {
  if (picked_ != nullptr && edit_->text() == ShownName(*world_, *picked_)) return picked_;
  return ResolveCityName(*world_, ToUtf8(edit_->text().trimmed()), NamesLanguage(*world_)).city;
}

void CityNameField::clear() {
  edit_->clear();
  matches_->clear();
  picked_ = nullptr;
  ShowNoMatch({}, false);
}

bool CityNameField::eventFilter(QObject* watched, QEvent* event) {
  // Enter with the popup closed is the field's own: it neither reaches the dialog's default
  // button nor closes the dialog.
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !completer_->popup()->isVisible()) {
      const QString text = edit_->text();
      if (!text.trimmed().isEmpty() && NamedCity() == nullptr) {
        OfferMatches(text);  // no clear best: the candidates, or the line saying there are none
        if (matches_->rowCount() > 0) completer_->complete();
      }
      emit returnPressed();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace meridiana
