#include "shell/dialogs/meeting_planner.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdio>

#include "shell/app/qt_text.h"
#include "shell/dialogs/city_name_field.h"
#include "world/city_clocks.h"
#include "world/place_names.h"
#include "world/solar_position.h"

namespace meridiana {
namespace {

constexpr int kPlannerTitle = 1627;
constexpr int kDateText = 1628;
constexpr int kHoursText = 1629;
constexpr int kAddText = 1630;
constexpr int kRemoveText = 1631;
constexpr int kUpText = 1632;
constexpr int kDownText = 1633;
constexpr int kCommonText = 1634;
constexpr int kNoneText = 1635;
constexpr int kNoCityMatchesText = 1654;
constexpr int kMaxPlannedCities = 10;

const QColor kWorking(198, 239, 206);
const QColor kNight(64, 72, 96);
const QColor kCommonOutline(0, 110, 0);
constexpr int kCommonRole = Qt::UserRole + 1;

// Outlines the columns in which every city works: a frame around the whole column.
class CommonColumnDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (!index.data(kCommonRole).toBool()) return;
    painter->save();
    painter->setPen(QPen(kCommonOutline, 2));
    const QRect r = option.rect.adjusted(1, 0, -1, 0);
    painter->drawLine(r.topLeft(), r.bottomLeft());
    painter->drawLine(r.topRight(), r.bottomRight());
    if (index.row() == 0)
      painter->drawLine(r.topLeft() + QPoint(0, 1), r.topRight() + QPoint(0, 1));
    if (index.row() == index.model()->rowCount() - 1)
      painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
  }
};

QString ClockText(TimeValue wallClock) {
  const CalendarTime c = UtcBreakdown(wallClock);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", c.hour, c.minute);
  return QString::fromLatin1(text);
}

QString DateText(TimeValue wallClock) {
  const CalendarTime c = UtcBreakdown(wallClock);
  char text[24];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", c.year, c.month, c.day, c.hour,
                c.minute);
  return QString::fromLatin1(text);
}

}  // namespace

MeetingPlannerDialog::MeetingPlannerDialog(Context context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)) {
  setObjectName(QStringLiteral("meetingPlanner"));
  const auto text = [this](int id) { return context_.text ? context_.text(id) : QString(); };
  // Each worded widget with its string, so a language switch words it anew.
  const auto worded = [this, text](auto* widget, int id) {
    widget->setText(text(id));
    words_.push_back({widget, id});
    return widget;
  };
  setWindowTitle(text(kPlannerTitle));
  auto* layout = new QVBoxLayout(this);

  auto* choices = new QHBoxLayout();
  choices->addWidget(worded(new QLabel(this), kDateText));
  date_ = new QDateEdit(this);
  date_->setObjectName(QStringLiteral("planDate"));
  date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  date_->setCalendarPopup(true);
  // The days the map can show when a column is clicked.
  date_->setDateRange(QDate(kFirstSolarYear, 1, 2), QDate(kLastSolarYear, 12, 30));
  const CalendarTime today = context_.clock->HostLocal(context_.clock->Now());
  date_->setDate(QDate(today.year, today.month, today.day));
  choices->addWidget(date_);
  choices->addSpacing(12);
  choices->addWidget(worded(new QLabel(this), kHoursText));
  WorkingHours hours;
  if (context_.keptHours != nullptr) {
    if (auto kept = ParseWorkingHours(*context_.keptHours)) hours = *kept;
  }
  from_ = new QSpinBox(this);
  from_->setObjectName(QStringLiteral("planFrom"));
  from_->setRange(0, 23);
  from_->setValue(hours.from);
  to_ = new QSpinBox(this);
  to_->setObjectName(QStringLiteral("planTo"));
  to_->setRange(1, 24);
  to_->setValue(hours.to);
  choices->addWidget(from_);
  choices->addWidget(new QLabel(QStringLiteral("-"), this));
  choices->addWidget(to_);
  choices->addStretch(1);
  layout->addLayout(choices);

  table_ = new QTableWidget(this);
  table_->setObjectName(QStringLiteral("planTable"));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setItemDelegate(new CommonColumnDelegate(table_));
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setMinimumSectionSize(20);
  layout->addWidget(table_, 1);

  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("planSummary"));
  layout->addWidget(summary_);

  auto* rows = new QHBoxLayout();
  cityName_ = new CityNameField(context_.world, text(kNoCityMatchesText), this);
  cityName_->edit()->setObjectName(QStringLiteral("planCityName"));
  rows->addWidget(cityName_, 1, Qt::AlignTop);
  auto* add = worded(new QPushButton(this), kAddText);
  auto* remove = worded(new QPushButton(this), kRemoveText);
  auto* up = worded(new QPushButton(this), kUpText);
  auto* down = worded(new QPushButton(this), kDownText);
  for (QPushButton* button : {add, remove, up, down}) {
    button->setAutoDefault(false);
    rows->addWidget(button, 0, Qt::AlignTop);
  }
  layout->addLayout(rows);

  // The kept cities, or the marked ones.
  if (context_.keptCities != nullptr && !context_.keptCities->empty()) {
    for (const QString& name : ToQString(*context_.keptCities).split(QLatin1Char('|'))) {
      if (const City* city = FindCityNamed(context_.world->cities, ToUtf8(name)))
        cities_.push_back(city);
    }
  }
  if (cities_.empty()) cities_ = MarkedCitiesInSelectorOrder(*context_.world, kMaxPlannedCities);

  connect(date_, &QDateEdit::dateChanged, this, [this] { Rebuild(); });
  connect(from_, &QSpinBox::valueChanged, this, [this] {
    Keep();
    Rebuild();
  });
  connect(to_, &QSpinBox::valueChanged, this, [this] {
    Keep();
    Rebuild();
  });
  connect(add, &QPushButton::clicked, this, [this] {
    if (AddCity(cityName_->NamedCity())) cityName_->clear();
  });
  connect(cityName_, &CityNameField::returnPressed, add, &QPushButton::click);
  connect(remove, &QPushButton::clicked, this, [this] {
    const int row = table_->currentRow();
    if (row < 0 || row >= static_cast<int>(cities_.size())) return;
    cities_.erase(cities_.begin() + row);
    Keep();
    Rebuild();
  });
  connect(up, &QPushButton::clicked, this, [this] { MoveRow(table_->currentRow(), -1); });
  connect(down, &QPushButton::clicked, this, [this] { MoveRow(table_->currentRow(), 1); });
  const auto showColumn = [this](int column) {
    if (column >= 0 && column < static_cast<int>(plan_.size()) && context_.showInstant)
      context_.showInstant(plan_[static_cast<std::size_t>(column)].utc);
  };
  connect(table_, &QTableWidget::cellClicked, this,
          [showColumn](int, int column) { showColumn(column); });
  connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, showColumn);
  resize(900, 420);  // ten rows without scrolling
  Rebuild();
}

bool MeetingPlannerDialog::AddCity(const City* city) {
  if (city == nullptr || static_cast<int>(cities_.size()) >= kMaxPlannedCities) return false;
  cities_.push_back(city);
  Keep();
  Rebuild();
  return true;
}

void MeetingPlannerDialog::MoveRow(int row, int by) {
  const int to = row + by;
  const int count = static_cast<int>(cities_.size());
  if (row < 0 || row >= count || to < 0 || to >= count) return;
  const City* moved = cities_[static_cast<std::size_t>(row)];
  cities_.erase(cities_.begin() + row);
  cities_.insert(cities_.begin() + to, moved);
  Keep();
  Rebuild();
  table_->selectRow(to);
}

void MeetingPlannerDialog::Keep() {
  if (context_.keptCities != nullptr) {
    std::string names;
    for (const City* city : cities_) {
      if (!names.empty()) names += '|';
      names += WithoutTrailingBlanks(city->name);
    }
    *context_.keptCities = names;
  }
  if (context_.keptHours != nullptr) {
    *context_.keptHours = FormatWorkingHours(WorkingHours{from_->value(), to_->value()});
  }
}

void MeetingPlannerDialog::RenamePlaces() {
  if (context_.text) {
    setWindowTitle(context_.text(kPlannerTitle));
    for (const auto& [widget, id] : words_) {
      if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(context_.text(id));
      if (auto* button = qobject_cast<QPushButton*>(widget)) button->setText(context_.text(id));
    }
    cityName_->SetNoMatchText(context_.text(kNoCityMatchesText));
  }
  Rebuild();
}

void MeetingPlannerDialog::Rebuild() {
  WorkingHours hours{from_->value(), to_->value()};
  if (hours.from >= hours.to) hours = WorkingHours{};
  std::vector<OffsetSource> places;
  for (const City* city : cities_) {
    auto offset = context_.cityOffset;
    places.push_back([offset, city](TimeValue t) { return offset ? offset(*city, t) : 0; });
  }
  const QDate day = date_->date();
  plan_ = PlanHostDay(places, *context_.clock, day.year(), day.month(), day.day(), hours)
              .value_or(std::vector<PlanHour>());

  table_->clear();
  table_->setRowCount(static_cast<int>(cities_.size()));
  table_->setColumnCount(static_cast<int>(plan_.size()));
  for (std::size_t row = 0; row < cities_.size(); ++row) {
    table_->setVerticalHeaderItem(
        static_cast<int>(row),
        new QTableWidgetItem(ToQString(WithoutTrailingBlanks(
            context_.world ? CityNameOf(*context_.world, *cities_[row]) : cities_[row]->name))));
  }
  for (std::size_t column = 0; column < plan_.size(); ++column) {
    const PlanHour& hour = plan_[column];
    const CalendarTime host = context_.clock->HostLocal(hour.utc);
    auto* header = new QTableWidgetItem(QString::asprintf("%02d", host.hour));
    header->setToolTip(QString::asprintf("%02d:%02d UTC", UtcBreakdown(hour.utc).hour,
                                         UtcBreakdown(hour.utc).minute));
    table_->setHorizontalHeaderItem(static_cast<int>(column), header);
    for (std::size_t row = 0; row < hour.cells.size(); ++row) {
      const PlanCell& cell = hour.cells[row];
      auto* item = new QTableWidgetItem(ClockText(cell.wallClock));
      item->setToolTip(DateText(cell.wallClock));
      item->setTextAlignment(Qt::AlignCenter);
      if (cell.working) {
        item->setBackground(kWorking);
      } else if (cell.night) {
        item->setBackground(kNight);
        item->setForeground(Qt::white);
      }
      item->setData(kCommonRole, hour.common);
      table_->setItem(static_cast<int>(row), static_cast<int>(column), item);
    }
  }
  const QString text = context_.text ? context_.text(kCommonText) : QStringLiteral("%s");
  const QString runs = CommonRuns(plan_).empty() && context_.text
                           ? context_.text(kNoneText)
                           : ToQString(CommonRunsText(plan_));
  summary_->setText(QString(text).replace(QStringLiteral("%s"), runs));
}

}  // namespace meridiana
