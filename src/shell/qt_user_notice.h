#pragma once
// Message boxes and status-bar texts for the core, shown with Qt widgets.

#include <QObject>
#include <QPointer>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "foundation/user_notice.h"
#include "shell/status_bar.h"

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
  // Does nothing while no status bar is attached.
  void ShowStatus(int part, std::string_view text) override;

  void AttachStatusBar(PartStatusBar* bar) { statusBar_ = bar; }
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
  QPointer<PartStatusBar> statusBar_;
  std::deque<Message> queued_;
  std::vector<QPointer<QMessageBox>> open_;
  std::unique_ptr<QObject> turns_;  // the queued calls go with the notice
};

}  // namespace meridiana
