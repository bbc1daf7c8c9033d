#include "shell/window/time_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QWheelEvent>

#include "shell/app/qt_text.h"

namespace meridiana {
namespace {

constexpr int kNowText = 1616;
constexpr int kFormText = 1617;
constexpr int kNoSuchDateText = 1618;
constexpr int kNoSuchTimeText = 1619;
constexpr int kOutOfYearsText = 1645;

constexpr int kStepsPerDay = 24 * 4;

}  // namespace

TimeBar::TimeBar(ShownClock& clock, TextOf text, QWidget* parent)
    : QWidget(parent), clock_(clock), text_(std::move(text)) {
  setObjectName(QStringLiteral("timeBar"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);

  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName(QStringLiteral("timeSlider"));
  slider_->setRange(-kTimeBarSteps, kTimeBarSteps);
  slider_->setSingleStep(1);
  slider_->setPageStep(kStepsPerDay);  // Page Up/Down: a day
  slider_->setTickPosition(QSlider::TicksBelow);
  slider_->setTickInterval(kStepsPerDay);
  connect(slider_, &QSlider::valueChanged, this, &TimeBar::OnSliderMoved);
  layout->addWidget(slider_, 1);

  field_ = new QLineEdit(this);
  field_->setObjectName(QStringLiteral("timeField"));
  field_->setPlaceholderText(QStringLiteral("YYYY-MM-DD HH:MM"));
  field_->setMinimumWidth(
      field_->fontMetrics().horizontalAdvance(QStringLiteral("8888-88-88 88:88")) + 16);
  connect(field_, &QLineEdit::returnPressed, this, &TimeBar::OnFieldEntered);
  layout->addWidget(field_);

  now_ = new QPushButton(this);
  now_->setObjectName(QStringLiteral("timeNow"));
  connect(now_, &QPushButton::clicked, this, [this] { ShowLive(); });
  layout->addWidget(now_);

  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("timeMessage"));
  layout->addWidget(message_);

  // Escape anywhere in the window returns to the live clock while the bar is shown.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, [this] { ShowLive(); });

  Retranslate();
  base_ = TimeBarBase(clock_.liveClock().Now());
  Sync();
}

void TimeBar::Retranslate() { now_->setText(text_(kNowText)); }

void TimeBar::Show(TimeValue t) {
  if (clock_.live()) base_ = TimeBarBase(clock_.liveClock().Now());
  clock_.Show(t);
  message_->clear();
  Sync();
  emit shownChanged();
}

void TimeBar::ShowLive() {
  const bool wasLive = clock_.live();
  clock_.ShowLive();
  base_ = TimeBarBase(clock_.liveClock().Now());
  message_->clear();
  Sync();
  if (!wasLive) emit shownChanged();
}

void TimeBar::FollowLiveClock() {
  if (!clock_.live()) return;
  const TimeValue base = TimeBarBase(clock_.liveClock().Now());
  // Leave the field alone while the user types into it.
  if (field_->isModified()) return;
  base_ = base;
  Sync();
}

void TimeBar::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y() / 120;
  if (notches != 0) slider_->setValue(slider_->value() + notches);
  event->accept();
}

void TimeBar::OnSliderMoved(int position) {
  if (syncing_) return;
  // The middle is the present: the live clock, not the quarter hour before it.
  if (position == 0) {
    ShowLive();
    return;
  }
  if (clock_.live()) base_ = TimeBarBase(clock_.liveClock().Now());
  clock_.Show(TimeBarInstant(base_, position));
  message_->clear();
  Sync();
  emit shownChanged();
}

void TimeBar::OnFieldEntered() {
  const HostTimeInput input = ParseHostDateTime(ToUtf8(field_->text()), clock_);
  switch (input.error) {
    case HostTimeError::kNone:
      Show(input.instant);
      return;
    case HostTimeError::kForm:
      message_->setText(text_(kFormText));
      return;
    case HostTimeError::kNoSuchDate:
      message_->setText(
          text_(kNoSuchDateText).replace(QStringLiteral("%s"), field_->text().trimmed()));
      return;
    case HostTimeError::kNoSuchTime:
      message_->setText(
          text_(kNoSuchTimeText).replace(QStringLiteral("%s"), field_->text().trimmed()));
      return;
    case HostTimeError::kOutOfYears:
      message_->setText(
          text_(kOutOfYearsText).replace(QStringLiteral("%s"), field_->text().trimmed()));
      return;
  }
}

void TimeBar::Sync() {
  syncing_ = true;
  const TimeValue shown = clock_.Now();
  slider_->setValue(clock_.live() ? 0 : TimeBarPosition(base_, shown));
  field_->setText(ToQString(FormatHostDateTime(shown, clock_)));
  field_->setModified(false);
  syncing_ = false;
}

}  // namespace meridiana
