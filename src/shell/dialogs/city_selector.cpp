#include "shell/dialogs/city_selector.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "shell/app/app_identity.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/menu_icons.h"
#include "shell/app/qt_text.h"
#include "shell/dialogs/city_name_field.h"
#include "shell/dialogs/list_view.h"
#include "world/city_selector_lists.h"
#include "world/place_names.h"

namespace meridiana {
namespace {

constexpr int kCountryList = 1014;
constexpr int kCityList = 1015;
constexpr int kCountryTitle = 1388;
constexpr int kCityTitle = 1387;
constexpr int kStateTitle = 1389;
constexpr int kDefaultColumnWidth = 100;
constexpr int kCityIcon = 1;
constexpr int kMarkedCityIcon = 5;
constexpr int kSearchLabel = 1104;
constexpr int kNoCityMatchesText = 1654;

QString ControlText(int controlId) {
  return DialogControlText(ids::kCitySelectorDialog, controlId);
}

}  // namespace

CitySelectorDialog::CitySelectorDialog(Context context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)) {
  setWindowTitle(ToQString(ProgramDialog(ids::kCitySelectorDialog).caption));
  const std::string name(kDisplayName);
  countries_ =
      new ListView(ids::kCitySelectorDialog, kCountryList, {{kCountryTitle, kDefaultColumnWidth}},
                   name, context_.store, context_.language, this);
  cities_ = new ListView(ids::kCitySelectorDialog, kCityList,
                         {{kCityTitle, kDefaultColumnWidth}, {kStateTitle, kDefaultColumnWidth}},
                         name, context_.store, context_.language, this);
  countries_->SortByFirstColumn();
  cities_->SortByFirstColumn();
  cities_->FitColumnsToContents();

  const QString noMatch = context_.language != nullptr ? context_.language->Text(kNoCityMatchesText)
                                                       : EnglishText(kNoCityMatchesText);
  search_ = new CityNameField(context_.world, noMatch, this);
  search_->edit()->setObjectName(QStringLiteral("citySearch"));
  auto* searchLabel = new QLabel(ControlText(kSearchLabel), this);
  searchLabel->setBuddy(search_->edit());
  connect(search_, &CityNameField::cityPicked, this, &CitySelectorDialog::ShowCity);
  connect(search_, &CityNameField::returnPressed, this, &CitySelectorDialog::MarkSearchedCity);

  auto* countriesLabel = new QLabel(ControlText(1101), this);
  countriesLabel->setBuddy(countries_);
  auto* citiesLabel = new QLabel(ControlText(1102), this);
  citiesLabel->setBuddy(cities_);
  auto* hint = new QLabel(ControlText(1103), this);
  hint->setWordWrap(true);
  auto* ok = new QPushButton(ControlText(1), this);
  ok->setDefault(true);
  auto* cancel = new QPushButton(ControlText(2), this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QGridLayout(this);
  auto* searchRow = new QHBoxLayout();
  searchRow->addWidget(searchLabel, 0, Qt::AlignTop);
  searchRow->addWidget(search_, 1);
  layout->addLayout(searchRow, 0, 0, 1, 2);
  layout->addWidget(countriesLabel, 1, 0);
  layout->addWidget(citiesLabel, 1, 1);
  layout->addWidget(countries_, 2, 0);
  layout->addWidget(cities_, 2, 1);
  layout->setColumnStretch(0, 2);
  layout->setColumnStretch(1, 3);
  layout->setRowStretch(2, 1);
  layout->addWidget(hint, 3, 0, 1, 2);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons, 4, 0, 1, 2);

  connect(countries_, &ListView::selectedRowChanged, this, &CitySelectorDialog::ShowCitiesOf);
  connect(countries_, &ListView::rowDoubleClicked, this,
          &CitySelectorDialog::OnCountryDoubleClicked);
  connect(countries_, &ListView::checkClicked, this, &CitySelectorDialog::OnCountryDoubleClicked);
  connect(cities_, &ListView::rowDoubleClicked, this, &CitySelectorDialog::OnCityDoubleClicked);
  connect(cities_, &ListView::checkClicked, this, [this](int row) {
    if (row < 0 || row >= static_cast<int>(cityIndexes_->size())) return;
    City& city = CityOfRow(row);
    city.picked = !city.picked;
    cities_->RedrawRow(row);
  });
  resize(560, 420);  // until the user's own size is restored
  FillCountries();
}

City& CitySelectorDialog::CityOfRow(int row) const {
  return context_.world
      ->cities[static_cast<std::size_t>((*cityIndexes_)[static_cast<std::size_t>(row)])];
}

void CitySelectorDialog::FillCountries() {
  countryZones_ = CountryZones(*context_.world);
  SortCountryZones(*context_.world, countryZones_);
  const WorldData* world = context_.world;
  // The list may ask for rows while the dialog is being taken apart: it keeps its own copy.
  const auto zones = std::make_shared<const std::vector<int>>(countryZones_);
  countries_->SetRows(
      static_cast<int>(countryZones_.size()),
      [world, zones](int row, int) {
        return ToQString(CountryNameIn(
            *world, world->zones[static_cast<std::size_t>((*zones)[static_cast<std::size_t>(row)])]
                        .country));
      },
      {},
      [world, zones](int row) -> std::optional<bool> {
        return world->zones[static_cast<std::size_t>((*zones)[static_cast<std::size_t>(row)])]
            .picked;
      });
}

void CitySelectorDialog::ShowCitiesOf(int countryRow) {
  std::vector<int> indexes;
  if (countryRow >= 0 && countryRow < static_cast<int>(countryZones_.size())) {
    const Zone& zone = context_.world->zones[static_cast<std::size_t>(countryZones_[countryRow])];
    indexes = CitiesOfCountry(*context_.world, zone.country);
    SortCitiesByName(*context_.world, indexes);
  }
  // The list may ask for the old rows until it has taken the new ones: each set of rows keeps
  // its own indexes.
  const auto rows = std::make_shared<const std::vector<int>>(std::move(indexes));
  cityIndexes_ = rows;
  WorldData* world = context_.world;
  const auto cityOf = [world, rows](int row) -> const City& {
    return world->cities[static_cast<std::size_t>((*rows)[static_cast<std::size_t>(row)])];
  };
  const MenuIconList* icons = context_.icons;
  cities_->SetRows(
      static_cast<int>(rows->size()),
      [cityOf, world](int row, int column) {
        const City& city = cityOf(row);
        const std::string* state = StateNameOf(*world, city);
        return column == 0 ? ToQString(WithoutTrailingBlanks(CityNameOf(*world, city)))
                           : ToQString(state ? *state : std::string());
      },
      [cityOf, icons](int row) {
        if (icons == nullptr) return QIcon();
        return icons->At(cityOf(row).marked ? kMarkedCityIcon : kCityIcon);
      },
      [cityOf](int row) -> std::optional<bool> { return cityOf(row).picked; });
}

void CitySelectorDialog::Retranslate() {
  if (context_.language != nullptr)
    search_->SetNoMatchText(context_.language->Text(kNoCityMatchesText));
}

void CitySelectorDialog::OnCityDoubleClicked(int row) {
  if (row < 0 || row >= static_cast<int>(cityIndexes_->size())) return;
  ToggleMarked(CityOfRow(row));
  cities_->RedrawRow(row);
  if (context_.marksChanged) context_.marksChanged();
}

void CitySelectorDialog::OnCountryDoubleClicked(int row) {
  if (row < 0 || row >= static_cast<int>(countryZones_.size())) return;
  Zone& zone = context_.world->zones[static_cast<std::size_t>(countryZones_[row])];
  zone.picked = !zone.picked;
  countries_->RedrawRow(row);
}

void CitySelectorDialog::ShowCity(const City* city) {
  if (city == nullptr) return;
  const std::string* country = CountryOfCity(*context_.world, *city);
  if (country == nullptr) return;
  for (std::size_t row = 0; row < countryZones_.size(); ++row) {
    if (context_.world->zones[static_cast<std::size_t>(countryZones_[row])].country != *country)
      continue;
    countries_->SelectRow(static_cast<int>(row));  // fills the city list at once
    break;
  }
  const int index = static_cast<int>(city - context_.world->cities.data());
  for (std::size_t row = 0; row < cityIndexes_->size(); ++row)
    if ((*cityIndexes_)[row] == index) cities_->SelectRow(static_cast<int>(row));
}

void CitySelectorDialog::MarkSearchedCity() {
  const City* found = search_->NamedCity();
  if (found == nullptr) return;
  ShowCity(found);
  City& city =
      context_.world->cities[static_cast<std::size_t>(found - context_.world->cities.data())];
  SetMarked(city, true);
  const int row = cities_->selectedRow();
  if (row >= 0) cities_->RedrawRow(row);
  if (context_.marksChanged) context_.marksChanged();
}

void CitySelectorDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  search_->edit()->setFocus(Qt::OtherFocusReason);
}

void CitySelectorDialog::accept() {
  const int row = cities_->selectedRow();
  if (row >= 0 && row < static_cast<int>(cityIndexes_->size())) {
    SetMarked(CityOfRow(row), true);
    if (context_.marksChanged) context_.marksChanged();
  }
  QDialog::accept();
}

}  // namespace meridiana
