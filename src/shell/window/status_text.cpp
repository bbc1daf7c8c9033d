#include "shell/window/status_text.h"

#include "shell/window/status_bar.h"

namespace meridiana {

void StatusText::ShowMessage(int stringId) {
  messageId_ = stringId;
  QString text;
  if (stringId != 0) {
    text = text_(stringId);
  }
  bar_->SetPartText(0, text);
}

void StatusText::Show(const QString& text) {
  messageId_ = 0;
  bar_->SetPartText(0, text);
}

void StatusText::ShowPassing(Passing kind, const QString& text) {
  Show(text);
  passing_[kind] = text;
}

void StatusText::EndPassing(Passing kind) {
  if (!passing_[kind].isEmpty() && messageId_ == 0 && bar_->partText(0) == passing_[kind])
    Show(QString());
  passing_[kind].clear();
}

void StatusText::SetPart(int part, const QString& text) { bar_->SetPartText(part, text); }

void StatusText::Retranslate() {
  if (messageId_ != 0) ShowMessage(messageId_);
}

}  // namespace meridiana
