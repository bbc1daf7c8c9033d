#include "shell/dialogs/preferences_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "map/map_geometry.h"
#include "map/map_projection.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings_store.h"
#include "shell/dialogs/city_name_field.h"
#include "shell/dialogs/dialog_controls.h"
#include "world/geodesic.h"
#include "world/meeting_plan.h"
#include "world/place_names.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

constexpr int kDialog = 117;
constexpr int kOptionsPage = 4310;
constexpr int kSettingsPage = 8004;
constexpr int kProxyPage = 4318;
constexpr int kTree = 1774;
constexpr int kHelp = 7888;
constexpr int kFirstTypeButton = 1974;
constexpr int kLiveDataBox = 1920;
constexpr int kPageLabels[] = {1409, 1410, 1411};
constexpr int kCenterLabel = 1921;
constexpr int kCenterList = 1922;
constexpr int kCenterField = 1923;
constexpr int kCenterHint = 1924;
constexpr int kCenterChoiceTexts[] = {1640, 1641, 1642, 1643};
constexpr int kCenterErrorText = 1644;
constexpr int kRefreshErrorText = 1650;
constexpr int kWidthErrorText = 1651;
constexpr int kHoursErrorText = 1652;
constexpr int kPortErrorText = 1653;
constexpr int kNoCityMatchesText = 1654;
constexpr int kHomeLabel = 1928;
constexpr int kHomeField = 1929;
constexpr int kHomeHint = 1930;
constexpr int kProjectionLabel = 1940;
constexpr int kProjectionList = 1941;
constexpr int kGlobeCenterLabel = 1942;
constexpr int kGlobeCenterField = 1943;
constexpr int kGlobeCenterHint = 1944;
// Rectangular, orthographic, azimuthal: in the order of ProjectionKind.
constexpr int kProjectionTexts[] = {1690, 1691, 1692};
constexpr int kGlobeCenterErrorText = 1693;
// The shadow timer counts milliseconds in an int.
constexpr int kMostRefreshMinutes = std::numeric_limits<int>::max() / 60000;
// The widest wallpaper file written, as the command line's --width allows.
constexpr int kMostWallpaperWidth = 16384;

QString Name(int controlId) { return QStringLiteral("control%1").arg(controlId); }

template <typename Widget>
Widget* Control(QWidget* parent, int dialogId, int controlId) {
  auto* widget = new Widget(DialogControlText(dialogId, controlId), parent);
  widget->setObjectName(Name(controlId));
  return widget;
}

// A field's label: its mnemonic moves the focus to the field (without a buddy a label shows
// the "&" itself).
QLabel* LabelOf(QWidget* page, int dialogId, int controlId, QWidget* field) {
  auto* label = Control<QLabel>(page, dialogId, controlId);
  label->setBuddy(field);
  return label;
}

QLineEdit* Edit(QWidget* parent, int controlId, const QString& text) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(Name(controlId));
  return edit;
}

// Any text is a number as atoi reads it: digits after blanks and a sign, else 0.
int Number(const QLineEdit* edit) { return std::atoi(ToUtf8(edit->text()).c_str()); }

// A whole decimal number from `least` to `most`, blanks around it allowed; nothing else.
bool InRange(const QString& text, int least, int most) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty() ||
      !std::all_of(trimmed.begin(), trimmed.end(), [](QChar c) { return c >= '0' && c <= '9'; }))
    return false;
  bool ok = false;
  const int value = trimmed.toInt(&ok);
  return ok && value >= least && value <= most;
}

}  // namespace

PreferencesDialog::PreferencesDialog(const PreferenceValues& values,
                                     const std::vector<std::string>& browsers,
                                     InterfaceLanguage* language, QWidget* parent,
                                     const WorldData* world)
    : QDialog(parent), world_(world), language_(language) {
  setObjectName(QStringLiteral("dialog%1").arg(kDialog));
  setWindowTitle(ToQString(ProgramDialog(kDialog).caption));
  pages_ = CreatePages(
      this,
      {{kOptionsPage, kPageLabels[0], [&](QWidget* page) { FillOptions(page, values); }},
       {kSettingsPage, kPageLabels[1],
        [&](QWidget* page) { FillSettings(page, values, browsers); }},
       {kProxyPage, kPageLabels[2], [&](QWidget* page) { FillProxy(page, values); }}},
      language);
  pages_->tabBar()->hide();  // the tree is the only way between the pages

  auto* tree = new DataTree([this](int page) { pages_->setCurrentIndex(page); }, this);
  tree->setObjectName(Name(kTree));
  for (int page = 0; page < 3; ++page) {
    const QString label =
        language != nullptr ? language->Text(kPageLabels[page]) : EnglishText(kPageLabels[page]);
    tree->AddItem(nullptr, label, page);
  }
  tree->setCurrentItem(tree->topLevelItem(0));
  // 160 pixels, or what the longest page name needs ("プロキシ/ファイアウォール").
  int widest = 0;
  for (int page = 0; page < tree->topLevelItemCount(); ++page)
    widest =
        std::max(widest, tree->fontMetrics().horizontalAdvance(tree->topLevelItem(page)->text(0)));
  tree->setFixedWidth(std::max(160, widest + tree->indentation() + 2 * tree->frameWidth() + 12));

  auto* ok = Control<QPushButton>(this, kDialog, 1);
  auto* cancel = Control<QPushButton>(this, kDialog, 2);
  auto* help = Control<QPushButton>(this, kDialog, kHelp);
  help->hide();  // there is no help to give
  help->setEnabled(false);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* body = new QHBoxLayout();
  body->addWidget(tree);
  body->addWidget(pages_, 1);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(help);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addLayout(buttons);
  if (language != nullptr) language->TranslateWindow(this, kDialog);
  ok->setFocus();
}

void PreferencesDialog::FillOptions(QWidget* page, const PreferenceValues& values) {
  auto* form = new QFormLayout(page);
  refresh_ = Edit(page, 1918, QString::number(values.refresh));
  wallpaperWidth_ = Edit(page, 1919, QString::number(values.wallpaperWidth));
  const auto row = [&](int label, QLineEdit* edit, int hint) {
    auto* line = new QHBoxLayout();
    line->addWidget(edit);
    line->addWidget(Control<QLabel>(page, kOptionsPage, hint));
    form->addRow(LabelOf(page, kOptionsPage, label, edit), line);
  };
  row(1101, refresh_, 1102);
  AddCheck(form, page, refresh_, 0, kRefreshErrorText,
           [](const QString& text) { return InRange(text, 0, kMostRefreshMinutes); });
  row(1103, wallpaperWidth_, 1104);
  AddCheck(form, page, wallpaperWidth_, 0, kWidthErrorText,
           [](const QString& text) { return InRange(text, 0, kMostWallpaperWidth); });
  FillWallpaperGlobe(page, form, values);
  info_ = Control<QCheckBox>(page, kOptionsPage, 1034);
  info_->setChecked(values.info);
  loop_ = Control<QCheckBox>(page, kOptionsPage, 1035);
  loop_->setChecked(values.loop);
  live_ = Control<QCheckBox>(page, kOptionsPage, kLiveDataBox);
  live_->setChecked(values.live);
  live_->setEnabled(!values.liveLocked);
  form->addRow(info_);
  form->addRow(loop_);
  form->addRow(live_);
  workingHours_ = Edit(page, 1926, ToQString(values.workingHours));
  row(1925, workingHours_, 1927);
  AddCheck(form, page, workingHours_, 0, kHoursErrorText, [](const QString& text) {
    return ParseWorkingHours(ToUtf8(text.trimmed())).has_value();
  });
  FillCenter(page, form, values);
  FillHome(page, form, values);
}

void PreferencesDialog::FillHome(QWidget* page, QFormLayout* form, const PreferenceValues& values) {
  keptHome_ = values.home;
  if (world_ == nullptr) return;
  home_ = new CityNameField(world_, Text(kNoCityMatchesText), page);
  home_->edit()->setObjectName(Name(kHomeField));
  home_->noMatchLine()->setObjectName(Name(kHomeField) + QStringLiteral("Error"));
  // The kept name as the world's language spells the city; a name that no longer finds one as
  // it was written.
  QString shown = ToQString(values.home);
  if (!values.home.empty()) {
    if (const City* city = HomeCity(*world_, values.home, nullptr))
      shown = ToQString(WithoutTrailingBlanks(CityNameOf(*world_, *city)));
  }
  home_->edit()->setText(shown);
  home_->edit()->setPlaceholderText(ToQString(values.hostCity));
  auto* line = new QHBoxLayout();
  line->addWidget(home_, 1);
  line->addWidget(Control<QLabel>(page, kOptionsPage, kHomeHint), 0, Qt::AlignTop);
  form->addRow(LabelOf(page, kOptionsPage, kHomeLabel, home_->edit()), line);
}

std::optional<std::string> PreferencesDialog::ChosenHome() const {
  if (home_ == nullptr) return keptHome_;
  if (home_->edit()->text().trimmed().isEmpty()) return std::string();
  const City* city = home_->NamedCity();
  if (city == nullptr) return std::nullopt;
  // Left as it was: the kept text stays, however it was spelt.
  if (!keptHome_.empty() && HomeCity(*world_, keptHome_, nullptr) == city) return keptHome_;
  return HomeSettingText(*world_, *city);
}

void PreferencesDialog::FillWallpaperGlobe(QWidget* page, QFormLayout* form,
                                           const PreferenceValues& values) {
  wallpaperProjection_ = new QComboBox(page);
  wallpaperProjection_->setObjectName(Name(kProjectionList));
  for (int id : kProjectionTexts) wallpaperProjection_->addItem(Text(id));
  // A stored text the program does not know draws the map, and shows as the map.
  wallpaperProjection_->setCurrentIndex(static_cast<int>(
      ParseProjectionKind(values.wallpaperProjection).value_or(ProjectionKind::kRectangular)));
  form->addRow(LabelOf(page, kOptionsPage, kProjectionLabel, wallpaperProjection_),
               wallpaperProjection_);
  wallpaperCenter_ = Edit(page, kGlobeCenterField, ToQString(values.wallpaperCenter));
  auto* line = new QHBoxLayout();
  line->addWidget(wallpaperCenter_);
  line->addWidget(Control<QLabel>(page, kOptionsPage, kGlobeCenterHint));
  form->addRow(LabelOf(page, kOptionsPage, kGlobeCenterLabel, wallpaperCenter_), line);
  AddCheck(form, page, wallpaperCenter_, 0, kGlobeCenterErrorText,
           [isPlace = values.centerIsPlace](const QString& text) {
             return text.trimmed().isEmpty() || !isPlace || isPlace(ToUtf8(text.trimmed()));
           });
}

void PreferencesDialog::FillCenter(QWidget* page, QFormLayout* form,
                                   const PreferenceValues& values) {
  hostLongitude_ = values.hostLongitude;
  center_ = new QComboBox(page);
  center_->setObjectName(Name(kCenterList));
  for (int id : kCenterChoiceTexts)
    center_->addItem(language_ != nullptr ? language_->Text(id) : EnglishText(id));
  // Without a place for the computer its entry cannot be chosen.
  if (!hostLongitude_) {
    if (auto* model = qobject_cast<QStandardItemModel*>(center_->model()))
      model->item(kHostLongitude)->setEnabled(false);
  }
  centerValue_ = Edit(page, kCenterField, ToQString(MapCenterText(values.center)));
  int choice = kOtherLongitude;
  if (values.center == 0) {
    choice = kGreenwich;
  } else if (std::fabs(values.center) == 180) {
    choice = kPacific;
  } else if (hostLongitude_ && *hostLongitude_ == values.center) {
    choice = kHostLongitude;
  }
  center_->setCurrentIndex(choice);
  auto* line = new QHBoxLayout();
  line->addWidget(center_);
  line->addWidget(centerValue_);
  line->addWidget(Control<QLabel>(page, kOptionsPage, kCenterHint));
  form->addRow(LabelOf(page, kOptionsPage, kCenterLabel, center_), line);
  centerError_ = RefusalLine(page, QStringLiteral("centerError"));
  form->addRow(centerError_);
  connect(center_, &QComboBox::currentIndexChanged, this, [this] { UpdateCenterField(); });
  connect(centerValue_, &QLineEdit::textEdited, this, [this] { centerError_->hide(); });
  UpdateCenterField();
}

// The field shows the longitude of the choice, and can be typed into for "another longitude".
void PreferencesDialog::UpdateCenterField() {
  const int choice = center_->currentIndex();
  if (choice == kGreenwich) centerValue_->setText(QStringLiteral("0"));
  if (choice == kPacific) centerValue_->setText(QStringLiteral("180"));
  if (choice == kHostLongitude && hostLongitude_)
    centerValue_->setText(ToQString(MapCenterText(*hostLongitude_)));
  centerValue_->setEnabled(choice == kOtherLongitude);
  centerError_->hide();
}

std::optional<double> PreferencesDialog::ChosenCenter() const {
  switch (center_->currentIndex()) {
    case kGreenwich:
      return 0.0;
    case kPacific:
      return 180.0;
    case kHostLongitude:
      if (hostLongitude_) return *hostLongitude_;
      return std::nullopt;
    default:
      break;
  }
  double value = 0;
  const std::string text = ToUtf8(centerValue_->text().trimmed());
  if (!ParseMapCenter(text.c_str(), &value)) return std::nullopt;
  return value;
}

void PreferencesDialog::AddCheck(QFormLayout* form, QWidget* page, QLineEdit* field, int pageIndex,
                                 int reasonText, std::function<bool(const QString&)> valid) {
  QLabel* error = RefusalLine(page, field->objectName() + QStringLiteral("Error"));
  form->addRow(error);
  connect(field, &QLineEdit::textEdited, error, &QLabel::hide);
  checks_.push_back({field, error, pageIndex, reasonText, std::move(valid)});
}

QString PreferencesDialog::Text(int id) const {
  return language_ != nullptr ? language_->Text(id) : EnglishText(id);
}

void PreferencesDialog::accept() {
  // Every refused field says why; the first of them gets the focus, on its page.
  QLineEdit* first = nullptr;
  int firstPage = 0;
  // Reason 0: the line already says why.
  const auto refuse = [&](QLineEdit* field, QLabel* error, int page, int reason) {
    if (reason != 0) error->setText(Text(reason));
    error->show();
    if (first == nullptr) {
      first = field;
      firstPage = page;
    }
  };
  if (!ChosenCenter()) refuse(centerValue_, centerError_, 0, kCenterErrorText);
  if (!ChosenHome()) {
    home_->ShowNoMatchLine();
    refuse(home_->edit(), home_->noMatchLine(), 0, 0);
  }
  for (const FieldCheck& check : checks_) {
    if (check.valid(check.field->text())) {
      check.error->hide();
    } else {
      refuse(check.field, check.error, check.page, check.reason);
    }
  }
  if (first != nullptr) {
    pages_->setCurrentIndex(firstPage);
    first->setFocus();
    first->selectAll();
    return;
  }
  QDialog::accept();
}

void PreferencesDialog::FillSettings(QWidget* page, const PreferenceValues& values,
                                     const std::vector<std::string>& browsers) {
  auto* form = new QFormLayout(page);
  browser_ = new QComboBox(page);
  browser_->setObjectName(Name(1023));
  browser_->setEditable(true);
  // The stored choice first, then each browser found that is not already there.
  const auto add = [this](const std::string& name) {
    const QString text = ToQString(name);
    if (!text.isEmpty() && browser_->findText(text, Qt::MatchFixedString) < 0)
      browser_->addItem(text);
  };
  add(values.browser);
  for (const std::string& name : browsers) add(name);
  browser_->setCurrentText(ToQString(values.browser));
  form->addRow(LabelOf(page, kSettingsPage, 1101, browser_), browser_);
  auto* newWindow = Control<QCheckBox>(page, kSettingsPage, 1909);
  newWindow->hide();  // browsers decide that themselves
  newWindow->setEnabled(false);
  form->addRow(newWindow);
}

void PreferencesDialog::FillProxy(QWidget* page, const PreferenceValues& values) {
  auto* layout = new QVBoxLayout(page);
  auto* group = Control<QGroupBox>(page, kProxyPage, 1101);
  auto* kinds = new QHBoxLayout(group);
  for (int type = 0; type < 4; ++type) {
    types_[type] = Control<QRadioButton>(group, kProxyPage, kFirstTypeButton + type);
    kinds->addWidget(types_[type]);
    connect(types_[type], &QRadioButton::toggled, this, [this] { UpdateProxyFields(); });
  }
  types_[values.proxy.type >= 0 && values.proxy.type < 4 ? values.proxy.type : 0]->setChecked(true);
  layout->addWidget(group);
  auto* form = new QFormLayout();
  host_ = Edit(page, 1788, ToQString(values.proxy.host.value_or("")));
  port_ = Edit(page, 1789, QString::number(values.proxy.port));
  user_ = Edit(page, 1786, ToQString(values.proxy.userName.value_or("")));
  password_ = Edit(page, 1787, ToQString(values.proxy.password.value_or("")));
  password_->setEchoMode(QLineEdit::Password);
  form->addRow(LabelOf(page, kProxyPage, 1102, host_), host_);
  form->addRow(LabelOf(page, kProxyPage, 1103, port_), port_);
  // 0 is a port not given: the proxy's usual one.
  AddCheck(form, page, port_, 2, kPortErrorText,
           [](const QString& text) { return InRange(text, 0, 65535); });
  form->addRow(LabelOf(page, kProxyPage, 1104, user_), user_);
  form->addRow(LabelOf(page, kProxyPage, 1105, password_), password_);
  layout->addLayout(form);
  layout->addStretch(1);
  connect(host_, &QLineEdit::textEdited, this, [this] { UpdateProxyFields(); });
  UpdateProxyFields();
}

void PreferencesDialog::UpdateProxyFields() {
  if (host_ == nullptr) return;
  const bool none = types_[0]->isChecked();
  // Host and port are kept with "None" for switching back, and stay open to change or clear.
  user_->setEnabled(!none);
  password_->setEnabled(!none && !types_[2]->isChecked());
}

PreferenceValues PreferencesDialog::Read() const {
  PreferenceValues values;
  values.refresh = Number(refresh_);
  values.wallpaperWidth = Number(wallpaperWidth_);
  values.info = info_->isChecked();
  values.loop = loop_->isChecked();
  values.live = live_->isChecked();
  values.center = ChosenCenter().value_or(0);
  values.hostLongitude = hostLongitude_;
  values.workingHours = ToUtf8(workingHours_->text());
  values.home = ChosenHome().value_or(keptHome_);
  values.wallpaperProjection = ProjectionKindName(
      static_cast<ProjectionKind>(std::clamp(wallpaperProjection_->currentIndex(), 0, 2)));
  values.wallpaperCenter = ToUtf8(wallpaperCenter_->text().trimmed());
  values.browser = ToUtf8(browser_->currentText());
  values.proxy.host = ToUtf8(host_->text());
  values.proxy.userName = ToUtf8(user_->text());
  values.proxy.password = ToUtf8(password_->text());
  values.proxy.port = Number(port_);
  values.proxy.type = kProxyNone;
  for (int type = 1; type < 4; ++type)
    if (types_[type]->isChecked()) values.proxy.type = type;
  return values;
}

int PreferencesDialog::currentPage() const { return pages_->currentIndex(); }

}  // namespace meridiana
