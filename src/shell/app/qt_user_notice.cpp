#include "shell/app/qt_user_notice.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QThread>
#include <algorithm>
#include <cstdio>

#include "shell/app/qt_text.h"

namespace meridiana {
namespace {

void WriteToStderr(std::string_view caption, std::string_view text) {
  std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
               static_cast<int>(text.size()), text.data());
}

QMessageBox* MakeBox(std::string_view caption, std::string_view text) {
  auto* box =
      new QMessageBox(QMessageBox::NoIcon, ToQString(caption), ToQString(text), QMessageBox::Ok);
  box->setTextFormat(Qt::PlainText);  // file names and server texts are not markup
  return box;
}

}  // namespace

QtUserNotice::QtUserNotice(Mode mode) : mode_(mode), turns_(std::make_unique<QObject>()) {}

QtUserNotice::~QtUserNotice() {
  // Texts the program ended before showing are not lost.
  for (const Message& message : queued_) WriteToStderr(message.caption, message.text);
  for (const QPointer<QMessageBox>& box : open_) delete box.data();
}

QtUserNotice::Mode QtUserNotice::ModeForPlatform() {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
    return Mode::NonBlocking;
  }
  return Mode::Modal;
}

void QtUserNotice::ShowMessage(std::string_view caption, std::string_view text) {
  if (silent_ || mode_ == Mode::NonBlocking) {
    WriteToStderr(caption, text);
    return;
  }
  if (QThread::currentThread()->loopLevel() == 0) {
    // Start-up: nothing runs under this call but the program's own steps.
    std::unique_ptr<QMessageBox> box(MakeBox(caption, text));
    box->exec();
    return;
  }
  queued_.push_back({std::string(caption), std::string(text)});
  if (queued_.size() == 1)
    QMetaObject::invokeMethod(
        turns_.get(), [this] { OpenQueued(); }, Qt::QueuedConnection);
}

void QtUserNotice::OpenQueued() {
  while (!queued_.empty()) {
    const Message message = std::move(queued_.front());
    queued_.pop_front();
    std::erase_if(open_, [](const QPointer<QMessageBox>& box) { return box.isNull(); });
    if (silent_ || open_.size() >= kMaxOpenBoxes) {
      WriteToStderr(message.caption, message.text);
      continue;
    }
    // Modal for the user, without a loop of its own: OK closes and deletes it.
    QMessageBox* box = MakeBox(message.caption, message.text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    open_.emplace_back(box);
  }
}

void QtUserNotice::ShowStatus(int part, std::string_view text) {
  if (statusOwner_ && showStatus_) showStatus_(part, ToQString(text));
}

}  // namespace meridiana
