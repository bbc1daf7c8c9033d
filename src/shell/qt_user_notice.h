#pragma once
// Message boxes and status-bar texts for the core, shown with Qt widgets.

#include <QPointer>

#include "foundation/user_notice.h"
#include "shell/status_bar.h"

namespace meridiana {

class QtUserNotice : public UserNotice {
 public:
  enum class Mode {
    Modal,        // a box with an OK button that waits for the user
    NonBlocking,  // the text goes to stderr: for platforms with no screen or user (offscreen,
                  // minimal), where a waiting box would stop the program for good
  };

  explicit QtUserNotice(Mode mode) : mode_(mode) {}

  // NonBlocking on the offscreen and minimal platforms, Modal elsewhere.
  static Mode ModeForPlatform();

  void ShowMessage(std::string_view caption, std::string_view text) override;
  // Does nothing while no status bar is attached.
  void ShowStatus(int part, std::string_view text) override;

  void AttachStatusBar(PartStatusBar* bar) { statusBar_ = bar; }
  // While silent, message boxes are only written to stderr (the program is being ended).
  void SetSilent(bool silent) { silent_ = silent; }

 private:
  Mode mode_;
  bool silent_ = false;
  QPointer<PartStatusBar> statusBar_;
};

}  // namespace meridiana
