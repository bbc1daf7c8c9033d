#include "shell/window/tray_icon.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include "shell/app/app_identity.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/menu_icons.h"
#include "shell/app/qt_text.h"

namespace meridiana {
namespace {

constexpr int kWatchPeriodMs = 3000;

}  // namespace

TrayIcon::TrayIcon(InterfaceLanguage* language, std::function<void(int)> onCommand,
                   std::function<void()> onRestore, Availability available, QObject* parent)
    : QObject(parent), onRestore_(std::move(onRestore)), available_(std::move(available)) {
  menu_ = new QMenu();
  if (language != nullptr) {
    for (const MenuEntry& entry : ProgramMenu(ids::kTrayMenu))
      if (entry.kind == MenuEntry::Kind::Popup)
        language->BuildMenu(menu_, entry.children, ids::kTrayMenu, onCommand);
    language->AddListener([this, language] { language->RetranslateMenu(menu_); });
  }
  icon_ = new QSystemTrayIcon(MenuIconList::LoadResourceIcon(ids::kAppIcon), this);
  icon_->setToolTip(ToQString(kDisplayName));
  icon_->setContextMenu(menu_);
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::DoubleClick && onRestore_) onRestore_();
  });
  watch_ = new QTimer(this);
  connect(watch_, &QTimer::timeout, this, &TrayIcon::CheckAvailability);
}

TrayIcon::~TrayIcon() { delete menu_; }

bool TrayIcon::available() const {
  return available_ ? available_() : QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::Show() {
  wasAvailable_ = available();
  icon_->show();
  watch_->start(kWatchPeriodMs);
}

void TrayIcon::SetToolTip(const QString& text) {
  if (icon_->toolTip() != text) icon_->setToolTip(text);
}

QString TrayIcon::toolTip() const { return icon_->toolTip(); }

void TrayIcon::Remove() {
  watch_->stop();
  icon_->hide();
}

void TrayIcon::CheckAvailability() {
  const bool now = available();
  if (now && !wasAvailable_) icon_->show();  // a tray that came (back) gets the icon
  const bool lost = wasAvailable_ && !now;
  wasAvailable_ = now;
  if (lost) emit trayLost();
}

}  // namespace meridiana
