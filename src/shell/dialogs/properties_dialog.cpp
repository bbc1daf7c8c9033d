#include "shell/dialogs/properties_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "world/city_properties.h"

namespace meridiana {
namespace {

constexpr int kCity = 1009;
constexpr int kCountry = 1010;
constexpr int kCountryCode = 1015;
constexpr int kTel = 1019;
constexpr int kLocalTime = 1020;
constexpr int kSunrise = 1012;
constexpr int kSunset = 1011;
constexpr int kLatitude = 1013;
constexpr int kLongitude = 1014;
constexpr int kStarts = 1017;
constexpr int kEnds = 1016;
constexpr int kMark = 1018;
// Beside Sunrise and Sunset: the upper limb with refraction in clock time.
constexpr int kClockSunrise = 1602;
constexpr int kClockSunset = 1603;
constexpr int kGeometricTitle = 1600;
constexpr int kClockTitle = 1601;
// Below the position: civil, nautical and astronomical dawn and dusk, in clock time, under their
// own column titles.
constexpr int kTwilightTitles[] = {1611, 1612, 1613};
constexpr int kDawnTitle = 1614;
constexpr int kDuskTitle = 1615;
constexpr int kTwilightFields[] = {1620, 1621, 1622, 1623, 1624, 1625};
// Below the position: the distance and bearing from home.
constexpr int kFromHomeTitle = 1656;
constexpr int kFromHome = 1626;

QString ControlText(int controlId) { return DialogControlText(ids::kPropertiesDialog, controlId); }

QString FieldName(int controlId) { return QStringLiteral("control%1").arg(controlId); }

QLineEdit* AddDisplay(int fieldId, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(FieldName(fieldId));
  field->setReadOnly(true);
  return field;
}

QLineEdit* AddField(QGridLayout* grid, int row, int labelId, int fieldId, QWidget* parent) {
  QLineEdit* field = AddDisplay(fieldId, parent);
  auto* label = new QLabel(ControlText(labelId), parent);
  label->setBuddy(field);
  grid->addWidget(label, row, 0);
  grid->addWidget(field, row, 1);
  return field;
}

}  // namespace

PropertiesDialog::PropertiesDialog(Context context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)) {
  setWindowTitle(ToQString(ProgramDialog(ids::kPropertiesDialog).caption));
  auto* grid = new QGridLayout();
  const auto text = [this](int id) { return context_.text ? context_.text(id) : EnglishText(id); };
  AddField(grid, 0, 1101, kCity, this);
  AddField(grid, 1, 1102, kCountry, this);
  QLineEdit* code = AddDisplay(kCountryCode, this);
  code->setMaximumWidth(80);
  grid->addWidget(code, 1, 2);
  AddField(grid, 2, 1103, kTel, this);
  AddField(grid, 3, 1104, kLocalTime, this);
  // The specified figures (the Sun's centre, standard time) and beside them the ones almanacs
  // and clocks give, each column titled.
  auto* geometric = new QLabel(text(kGeometricTitle), this);
  geometric->setObjectName(QStringLiteral("geometricTitle"));
  auto* clock = new QLabel(text(kClockTitle), this);
  clock->setObjectName(QStringLiteral("clockTitle"));
  grid->addWidget(geometric, 4, 1);
  grid->addWidget(clock, 4, 2);
  AddField(grid, 5, 1105, kSunrise, this);
  grid->addWidget(AddDisplay(kClockSunrise, this), 5, 2);
  AddField(grid, 6, 1106, kSunset, this);
  grid->addWidget(AddDisplay(kClockSunset, this), 6, 2);
  AddField(grid, 7, 1107, kLatitude, this);
  AddField(grid, 8, 1108, kLongitude, this);
  QLineEdit* fromHome = AddDisplay(kFromHome, this);
  auto* fromHomeLabel = new QLabel(text(kFromHomeTitle), this);
  fromHomeLabel->setBuddy(fromHome);
  grid->addWidget(fromHomeLabel, 9, 0);
  grid->addWidget(fromHome, 9, 1, 1, 2);
  auto* dawnTitle = new QLabel(text(kDawnTitle), this);
  dawnTitle->setObjectName(QStringLiteral("dawnTitle"));
  auto* duskTitle = new QLabel(text(kDuskTitle), this);
  duskTitle->setObjectName(QStringLiteral("duskTitle"));
  grid->addWidget(dawnTitle, 10, 1);
  grid->addWidget(duskTitle, 10, 2);
  for (int i = 0; i < 3; ++i) {
    QLineEdit* dawn = AddDisplay(kTwilightFields[2 * i], this);
    auto* label = new QLabel(text(kTwilightTitles[i]), this);
    label->setBuddy(dawn);
    grid->addWidget(label, 11 + i, 0);
    grid->addWidget(dawn, 11 + i, 1);
    grid->addWidget(AddDisplay(kTwilightFields[2 * i + 1], this), 11 + i, 2);
  }

  auto* saving = new QGroupBox(ControlText(1109), this);
  auto* savingGrid = new QGridLayout(saving);
  AddField(savingGrid, 0, 1110, kStarts, saving);
  AddField(savingGrid, 1, 1111, kEnds, saving);

  mark_ = new QPushButton(ControlText(kMark), this);
  mark_->setObjectName(FieldName(kMark));
  mark_->setCheckable(true);  // pressed while the city is marked
  connect(mark_, &QPushButton::clicked, this, &PropertiesDialog::ToggleMark);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(mark_);
  const std::pair<int, const char*> links[] = {
      {1035, "hotels"}, {1036, "weather"}, {1037, "books"}, {1039, "sat"}};
  for (const auto& [id, link] : links) {
    auto* button = new QPushButton(ControlText(id), this);
    button->setObjectName(FieldName(id));
    connect(button, &QPushButton::clicked, this, [this, name = link] {
      if (city_ != nullptr && context_.openLink) context_.openLink(name, *city_);
    });
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  auto* ok = new QPushButton(ControlText(1), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(saving);
  layout->addLayout(buttons);

  // Only the clock runs on; the other values are those of the fill.
  tick_ = new QTimer(this);
  tick_->setInterval(1000);
  connect(tick_, &QTimer::timeout, this, &PropertiesDialog::RefreshLocalTime);
  tick_->start();
}

void PropertiesDialog::RefreshLocalTime() {
  if (city_ == nullptr) return;
  const Dib* zones = context_.zoneImage ? context_.zoneImage() : nullptr;
  const CityProperties p = CityPropertiesOf(*context_.world, zones, basePoint_.x, basePoint_.y,
                                            *city_, *context_.clock, *context_.locale);
  if (auto* field = findChild<QLineEdit*>(FieldName(kLocalTime)))
    field->setText(ToQString(p.localTimeText));
}

void PropertiesDialog::Fill(City& city, MapPoint basePoint) {
  city_ = &city;
  basePoint_ = basePoint;
  const Dib* zones = context_.zoneImage ? context_.zoneImage() : nullptr;
  const CityProperties p = CityPropertiesOf(*context_.world, zones, basePoint.x, basePoint.y, city,
                                            *context_.clock, *context_.locale);
  setWindowTitle(ToQString(p.name));
  // The area codes come as " a, b" for the table's sake; the field shows them from the first.
  const std::size_t first = p.areaCodes.find_first_not_of(' ');
  const std::string areaCodes =
      first == std::string::npos ? std::string() : p.areaCodes.substr(first);
  const std::pair<int, const std::string*> fields[] = {{kCity, &p.name},
                                                       {kCountry, &p.country},
                                                       {kCountryCode, &p.countryCode},
                                                       {kTel, &areaCodes},
                                                       {kLocalTime, &p.localTimeText},
                                                       {kSunrise, &p.sunrise},
                                                       {kSunset, &p.sunset},
                                                       {kClockSunrise, &p.clockSunrise},
                                                       {kClockSunset, &p.clockSunset},
                                                       {kLatitude, &p.latitude},
                                                       {kLongitude, &p.longitude},
                                                       {kStarts, &p.dstStarts},
                                                       {kEnds, &p.dstEnds},
                                                       {kTwilightFields[0], &p.civilDawn},
                                                       {kTwilightFields[1], &p.civilDusk},
                                                       {kTwilightFields[2], &p.nauticalDawn},
                                                       {kTwilightFields[3], &p.nauticalDusk},
                                                       {kTwilightFields[4], &p.astronomicalDawn},
                                                       {kTwilightFields[5], &p.astronomicalDusk}};
  for (const auto& [id, text] : fields) {
    if (auto* field = findChild<QLineEdit*>(FieldName(id))) field->setText(ToQString(*text));
  }
  if (auto* field = findChild<QLineEdit*>(FieldName(kFromHome)))
    field->setText(context_.fromHome ? context_.fromHome(city) : QString());
  mark_->setChecked(city.marked);
}

QString PropertiesDialog::FieldText(int controlId) const {
  const auto* field = findChild<QLineEdit*>(FieldName(controlId));
  return field != nullptr ? field->text() : QString();
}

void PropertiesDialog::ToggleMark() {
  if (city_ == nullptr) return;
  ToggleMarked(*city_);
  mark_->setChecked(city_->marked);
  if (context_.marksChanged) context_.marksChanged();
}

}  // namespace meridiana
