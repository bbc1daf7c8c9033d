#pragma once
// One method call on the session bus, waited for: how the desktops that offer a D-Bus interface
// for their wallpaper (Plasma's shell, LXQt's desktop) are asked.

#include <QString>
#include <QVariantList>

namespace meridiana {

struct BusReply {
  bool ok = false;
  QString text;  // the first string the method answered, or why the call failed
};

BusReply CallSessionBus(const QString& service, const QString& path, const QString& interface,
                        const QString& method, const QVariantList& arguments);

}  // namespace meridiana
