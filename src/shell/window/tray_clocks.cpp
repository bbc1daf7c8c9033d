#include "shell/window/tray_clocks.h"

#include <QLabel>
#include <QMoveEvent>
#include <QVBoxLayout>

#include "shell/app/app_identity.h"
#include "shell/app/qt_text.h"
#include "world/city_clocks.h"
#include "world/place_names.h"

namespace meridiana {
namespace {

constexpr int kClocksTitle = 1636;
constexpr int kNoMarkedCities = 1637;

}  // namespace

// A tool window above the others; where the user moves it is kept.
class TrayClocks::Window : public QWidget {
 public:
  explicit Window(std::string* place)
      : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), place_(place) {
    setObjectName(QStringLiteral("trayClocks"));
    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("trayClocksText"));
    QFont font = label_->font();
    font.setStyleHint(QFont::Monospace);
    font.setFamily(QStringLiteral("monospace"));
    label_->setFont(font);
    layout->addWidget(label_);
    if (place_ != nullptr && !place_->empty()) {
      const QStringList xy = ToQString(*place_).split(QLatin1Char(','));
      bool okX = false, okY = false;
      const int x = xy.size() == 2 ? xy[0].toInt(&okX) : 0;
      const int y = xy.size() == 2 ? xy[1].toInt(&okY) : 0;
      if (okX && okY) move(x, y);
    }
  }
  QLabel* label() const { return label_; }

 protected:
  void moveEvent(QMoveEvent* event) override {
    QWidget::moveEvent(event);
    if (place_ != nullptr && isVisible()) {
      *place_ = std::to_string(pos().x()) + "," + std::to_string(pos().y());
    }
  }

 private:
  std::string* place_;
  QLabel* label_ = nullptr;
};

TrayClocks::TrayClocks(Context context) : context_(std::move(context)) {}

TrayClocks::~TrayClocks() = default;

const std::vector<const City*>& TrayClocks::OrderedCities() const {
  const WorldData& world = *context_.world;
  std::vector<const City*> marked;
  for (const City& city : world.cities)
    if (city.marked) marked.push_back(&city);
  if (marked != marked_ || world.cities.data() != citiesSeen_ ||
      static_cast<const void*>(world.zones.data()) != zonesSeen_) {
    ordered_ = MarkedCitiesInSelectorOrder(world, kTrayClockCities);
    marked_ = std::move(marked);
    citiesSeen_ = world.cities.data();
    zonesSeen_ = world.zones.data();
  }
  return ordered_;
}

QStringList TrayClocks::Lines() const {
  QStringList lines;
  if (context_.world == nullptr || context_.clock == nullptr) return lines;
  const TimeValue now = context_.clock->Now();
  const CalendarTime host = context_.clock->HostLocal(now);
  const WeekdayNames weekdays = context_.weekdays ? context_.weekdays() : EnglishWeekdays();
  for (const City* city : OrderedCities()) {
    if (!context_.cityOffset) continue;
    lines << ToQString(CityClockLine(CityNameOf(*context_.world, *city), now + context_.cityOffset(*city, now), host,
                                     weekdays));
  }
  return lines;
}

QString TrayClocks::ToolTip() const {
  QStringList lines = Lines();
  lines.prepend(ToQString(kDisplayName));
  return lines.join(QLatin1Char('\n'));
}

void TrayClocks::Toggle() {
  if (shown()) {
    window_->hide();
    return;
  }
  if (!window_) window_ = std::make_unique<Window>(context_.place);
  Retranslate();
  Tick();
  window_->show();
  window_->raise();
}

bool TrayClocks::shown() const { return window_ && window_->isVisible(); }

QWidget* TrayClocks::window() const { return window_.get(); }

void TrayClocks::Tick() {
  if (!window_) return;
  const QStringList lines = Lines();
  window_->label()->setText(lines.isEmpty() && context_.text ? context_.text(kNoMarkedCities)
                                                             : lines.join(QLatin1Char('\n')));
  window_->adjustSize();
}

void TrayClocks::Retranslate() {
  if (window_ && context_.text) window_->setWindowTitle(context_.text(kClocksTitle));
  Tick();
}

}  // namespace meridiana
