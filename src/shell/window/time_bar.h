#pragma once
// The time bar under the map: a slider over a week either side of the present in quarter hours,
// a field for a date and time of the computer's calendar, and "Now". It sets the instant of the
// window's shown clock and says when that changed; the window recomposes.

#include <QWidget>
#include <functional>

#include "world/shown_instant.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace meridiana {

class TimeBar : public QWidget {
  Q_OBJECT

 public:
  // The texts of the interface language by string id.
  using TextOf = std::function<QString(int stringId)>;

  TimeBar(ShownClock& clock, TextOf text, QWidget* parent = nullptr);

  // Shows t (the slider held at its ends when t is outside them), or the live clock.
  void Show(TimeValue t);
  void ShowLive();
  // The once-a-second tick: while live, the slider's middle and the field follow the present.
  void FollowLiveClock();
  void Retranslate();

  QSlider* slider() const { return slider_; }
  QLineEdit* field() const { return field_; }
  QLabel* message() const { return message_; }

 signals:
  void shownChanged();

 protected:
  // The wheel anywhere over the bar moves the slider a quarter hour a notch.
  void wheelEvent(QWheelEvent* event) override;

 private:
  void OnSliderMoved(int position);
  void OnFieldEntered();
  void Sync();

  ShownClock& clock_;
  TextOf text_;
  TimeValue base_ = 0;
  bool syncing_ = false;
  QSlider* slider_ = nullptr;
  QLineEdit* field_ = nullptr;
  QPushButton* now_ = nullptr;
  QLabel* message_ = nullptr;
};

}  // namespace meridiana
