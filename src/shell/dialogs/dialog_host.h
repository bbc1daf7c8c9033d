#pragma once
// The framework's record of one dialog window: its id, its state (normal, maximised,
// minimised), the last rectangle it had while normal, its minimum size, and the saving and
// restoring of that rectangle between runs. It watches the window through an event filter, so
// any top-level widget can be hosted.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

class QDialog;

#include "shell/dialogs/dialog_geometry.h"

namespace meridiana {

class InterfaceLanguage;
class KeyValueStore;

class DialogHost : public QObject {
  Q_OBJECT

 public:
  enum WindowState { kNormal = 0, kMaximized = 1, kMinimized = 2 };

  DialogHost(int templateId, std::string displayName, KeyValueStore* store,
             QObject* parent = nullptr);
  ~DialogHost() override;

  // Binds the host to its window: applies the minimum tracking size (0 = none), then the saved
  // rectangle when there is a valid one, and starts recording the window's rectangle. A host
  // whose last window was closed maximised puts the new one over that window's last normal
  // rectangle and maximises it.
  void Attach(QWidget* window, int minWidth, int minHeight);
  // Saves the restore rectangle under the dialog's key and lets go of the window.
  void Detach();

  int templateId() const { return templateId_; }
  WindowState windowState() const { return state_; }
  // The window's last rectangle while normal: frame position and client size.
  WindowRect restoreRect() const { return restoreRect_; }
  QWidget* window() const { return window_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RecordRect();

  int templateId_;
  std::string displayName_;
  KeyValueStore* store_;  // may be null: nothing is saved or restored
  QPointer<QWidget> window_;
  WindowState state_ = kNormal;
  // A rectangle shrunk to the screen: once shown, its frame is fitted in too.
  QRect fitFrameInto_;
  WindowRect restoreRect_;
};

// Shows a dialog of the program under a host. A host already in the slot is reused (it keeps the
// window state of the dialog's last showing); without a slot the host lives as long as the
// window. The dialog is translated for its id, attached, and then run to completion when modal
// (the dialog's result is returned) or shown (1 when it is shown). The host is detached, saving
// the rectangle, when the window finishes.
int ShowDialog(std::unique_ptr<DialogHost>* slot, QDialog* dialog, int templateId,
               const std::string& displayName, KeyValueStore* store, bool modal,
               InterfaceLanguage* language, int minWidth = 0, int minHeight = 0);
// Ends a modal dialog with the result, or closes a modeless one keeping the result.
void CloseDialog(QDialog* dialog, int result);

}  // namespace meridiana
