#include "shell/dialogs/dialog_host.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "shell/app/interface_language.h"

namespace meridiana {

DialogHost::DialogHost(int templateId, std::string displayName, KeyValueStore* store,
                       QObject* parent)
    : QObject(parent),
      templateId_(templateId),
      displayName_(std::move(displayName)),
      store_(store) {}

DialogHost::~DialogHost() = default;

void DialogHost::Attach(QWidget* window, int minWidth, int minHeight) {
  window_ = window;
  if (minWidth > 0 || minHeight > 0) window->setMinimumSize(minWidth, minHeight);
  QRect screen(0, 0, 1024, 768);
  QRect available = screen;
  if (const QScreen* primary = QGuiApplication::primaryScreen()) {
    screen = primary->geometry();
    available = primary->availableGeometry();
  }
  // A rectangle kept on a larger screen, or at another scale, comes back onto this one.
  const auto place = [&](const WindowRect& kept) {
    const WindowRect rect = FitLargeRect(
        kept, {available.left(), available.top(), available.width(), available.height()});
    window->move(rect.left, rect.top);
    window->resize(rect.width, rect.height);
    if (!(rect == kept)) fitFrameInto_ = available;
  };
  if (state_ == kMaximized && restoreRect_.width > 0) {
    place(restoreRect_);
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
  } else if (store_ != nullptr) {
    if (std::optional<WindowRect> saved =
            LoadDialogGeometry(*store_, displayName_, templateId_, screen.width(), screen.height()))
      place(*saved);
  }
  if (state_ != kMaximized) RecordRect();
  window->installEventFilter(this);
}

void DialogHost::Detach() {
  if (!window_) return;
  window_->removeEventFilter(this);
  if (store_ != nullptr) SaveDialogGeometry(*store_, displayName_, templateId_, restoreRect_);
  window_ = nullptr;
}

bool DialogHost::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
        RecordRect();
        break;
      case QEvent::Show:
        // The window manager's frame is known now: the whole window goes onto the screen.
        if (!fitFrameInto_.isNull()) {
          const QRect frame = window_->frameGeometry();
          const QSize extra = frame.size() - window_->size();
          window_->resize(std::min(window_->width(), fitFrameInto_.width() - extra.width()),
                          std::min(window_->height(), fitFrameInto_.height() - extra.height()));
          window_->move(std::max(fitFrameInto_.left(),
                                 std::min(frame.left(), fitFrameInto_.right() + 1 -
                                                            window_->frameGeometry().width())),
                        std::max(fitFrameInto_.top(),
                                 std::min(frame.top(), fitFrameInto_.bottom() + 1 -
                                                           window_->frameGeometry().height())));
          fitFrameInto_ = QRect();
        }
        break;
      case QEvent::WindowStateChange: {
        const Qt::WindowStates states = window_->windowState();
        state_ = states.testFlag(Qt::WindowMinimized)   ? kMinimized
                 : states.testFlag(Qt::WindowMaximized) ? kMaximized
                                                        : kNormal;
        break;
      }
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

void DialogHost::RecordRect() {
  if (!window_) return;
  const Qt::WindowStates states = window_->windowState();
  if (states & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
  restoreRect_ = WindowRect{window_->x(), window_->y(), window_->width(), window_->height()};
}

int ShowDialog(std::unique_ptr<DialogHost>* slot, QDialog* dialog, int templateId,
               const std::string& displayName, KeyValueStore* store, bool modal,
               InterfaceLanguage* language, int minWidth, int minHeight) {
  if (dialog == nullptr) return 0;
  DialogHost* host = slot != nullptr ? slot->get() : nullptr;
  if (host == nullptr) {
    auto made = std::make_unique<DialogHost>(templateId, displayName, store);
    host = made.get();
    if (slot != nullptr) {
      *slot = std::move(made);
    } else {
      made.release()->setParent(dialog);  // freed with its window
    }
  }
  dialog->setObjectName(QStringLiteral("dialog%1").arg(templateId));
  if (language != nullptr) language->TranslateWindow(dialog, templateId);
  host->Attach(dialog, minWidth, minHeight);
  QObject::connect(dialog, &QDialog::finished, host, [host] { host->Detach(); });
  if (modal) return dialog->exec();
  dialog->show();
  return 1;
}

void CloseDialog(QDialog* dialog, int result) {
  // done() ends a modal loop and hides a modeless dialog alike, with the result kept.
  if (dialog != nullptr) dialog->done(result);
}

}  // namespace meridiana
