#pragma once
// Message boxes and status-bar texts for the core, shown with Qt widgets.

#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/user_notice.h"

class QMessageBox;

namespace meridiana {

class QtUserNotice : public UserNotice {
 public:
  enum class Mode {
    Modal,        // a box with an OK button that keeps the user from the window until closed
    NonBlocking,  // the text goes to stderr: for platforms with no screen or user (offscreen,
                  // minimal), where a waiting box would stop the program for good
  };
  // More boxes than this at once are written to stderr instead: a service can send thousands.
  static constexpr std::size_t kMaxOpenBoxes = 4;

  explicit QtUserNotice(Mode mode);
  ~QtUserNotice() override;
  QtUserNotice(const QtUserNotice&) = delete;
  QtUserNotice& operator=(const QtUserNotice&) = delete;

  // NonBlocking on the offscreen and minimal platforms, Modal elsewhere.
  static Mode ModeForPlatform();

  // Before the event loop runs (start-up), a Modal box waits for the user. Once it runs, the
  // box is opened on a later turn and this returns at once: the caller may be a transfer's or a
  // timer's callback, and a loop of the box's own under it would run the program (and its
  // shutdown) inside that callback.
  void ShowMessage(std::string_view caption, std::string_view text) override;
  // Does nothing while no status line is attached.
  void ShowStatus(int part, std::string_view text) override;

  // Status texts go to `show` while `owner` (the window's status bar) lives; null detaches.
  void AttachStatusLine(QObject* owner, std::function<void(int part, const QString& text)> show) {
    statusOwner_ = owner;
    showStatus_ = owner != nullptr ? std::move(show) : nullptr;
  }
  // While silent, message boxes are only written to stderr (the program is being ended).
  void SetSilent(bool silent) { silent_ = silent; }

 private:
  struct Message {
    std::string caption;
    std::string text;
  };
  void OpenQueued();

  Mode mode_;
  bool silent_ = false;
  QPointer<QObject> statusOwner_;
  std::function<void(int, const QString&)> showStatus_;
  std::deque<Message> queued_;
  std::vector<QPointer<QMessageBox>> open_;
  std::unique_ptr<QObject> turns_;  // the queued calls go with the notice
};

}  // namespace meridiana
