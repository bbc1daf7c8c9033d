#pragma once
// The program's icon in the desktop's tray: the tip "Quillary Meridiana", the program icon, the
// tray menu on the right button and the window back on a double click. Trays come and go (a
// GNOME desktop shows none without an extension; a panel may restart), so the icon watches for
// the tray and tells when it is gone: a window hidden to the tray must then come back.

#include <QObject>
#include <functional>

class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace meridiana {

class InterfaceLanguage;

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  // Whether a tray can show the icon now; null asks Qt.
  using Availability = std::function<bool()>;

  TrayIcon(InterfaceLanguage* language, std::function<void(int command)> onCommand,
           std::function<void()> onRestore, Availability available, QObject* parent = nullptr);
  ~TrayIcon() override;

  void Show();
  void Remove();
  bool available() const;
  // Looks for the tray again; emits trayLost when it went away since the last look. The icon
  // looks every few seconds by itself.
  void CheckAvailability();
  QMenu* menu() const { return menu_; }
  // The tip over the icon; "Quillary Meridiana" until set.
  void SetToolTip(const QString& text);
  QString toolTip() const;

 signals:
  void trayLost();

 private:
  std::function<void()> onRestore_;
  Availability available_;
  QSystemTrayIcon* icon_ = nullptr;
  QMenu* menu_ = nullptr;
  QTimer* watch_ = nullptr;
  bool wasAvailable_ = false;
};

}  // namespace meridiana
