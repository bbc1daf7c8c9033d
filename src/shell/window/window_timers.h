#pragma once
// The window's timers: the clock every second, the cloud check every hour, the shadow refresh
// every `refresh` minutes (none at 0). What each does when it fires is the window's to say.

#include <functional>

class QObject;
class QTimer;

namespace meridiana {

class WindowTimers {
 public:
  // Starts them, children of the parent; each fired timer calls fire with its id.
  void Start(QObject* parent, int refreshMinutes, const std::function<void(int timerId)>& fire);
  void Stop();
  // A period of 0 ends the automatic refresh until the next start.
  void RestartShadowRefresh(int refreshMinutes);
  // The timer with that id (996 clock, 997 cloud check, 998 shadow refresh), or null.
  const QTimer* find(int timerId) const;

 private:
  QTimer* clock_ = nullptr;       // 996
  QTimer* cloudCheck_ = nullptr;  // 997
  QTimer* shadow_ = nullptr;      // 998
};

}  // namespace meridiana
