#pragma once
// Part 0 of the status bar as the window's features write it: a text of the program, kept by its
// id so that it follows a change of language, or a text of its own.

#include <QString>
#include <functional>

namespace meridiana {

class PartStatusBar;

class StatusText {
 public:
  StatusText(PartStatusBar* bar, std::function<QString(int)> text)
      : bar_(bar), text_(std::move(text)) {}

  // The program's string (0 clears the part); shown again in the next language.
  void ShowMessage(int stringId);
  // A text of its own: no string is kept for it.
  void Show(const QString& text);
  // Texts that stop being true: the country under the pointer (until City Names goes off),
  // a network failure (until a later transfer succeeds).
  enum Passing { kPointerCountry, kNetworkFailure, kPassingKinds };
  void ShowPassing(Passing kind, const QString& text);
  // Clears part 0 when it still shows the kind's last text.
  void EndPassing(Passing kind);
  // Any part, leaving the kept string as it was.
  void SetPart(int part, const QString& text);
  void Retranslate();
  PartStatusBar* bar() const { return bar_; }

 private:
  PartStatusBar* bar_;
  std::function<QString(int)> text_;
  int messageId_ = 0;  // the string shown in part 0, 0 for none
  QString passing_[kPassingKinds];
};

}  // namespace meridiana
