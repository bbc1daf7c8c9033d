#include "shell/qt_user_notice.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>

#include "shell/qt_text.h"

namespace meridiana {

QtUserNotice::Mode QtUserNotice::ModeForPlatform() {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
    return Mode::NonBlocking;
  }
  return Mode::Modal;
}

void QtUserNotice::ShowMessage(std::string_view caption, std::string_view text) {
  switch (silent_ ? Mode::NonBlocking : mode_) {
    case Mode::Modal: {
      QMessageBox box(QMessageBox::NoIcon, ToQString(caption), ToQString(text), QMessageBox::Ok);
      box.setTextFormat(Qt::PlainText);  // file names and server texts are not markup
      box.exec();
      return;
    }
    case Mode::NonBlocking:
      std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                   static_cast<int>(text.size()), text.data());
      return;
  }
}

void QtUserNotice::ShowStatus(int part, std::string_view text) {
  if (statusBar_) statusBar_->SetPartText(part, ToQString(text));
}

}  // namespace meridiana
