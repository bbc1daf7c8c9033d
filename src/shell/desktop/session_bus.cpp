#include "shell/desktop/session_bus.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace meridiana {

BusReply CallSessionBus(const QString& service, const QString& path, const QString& interface,
                        const QString& method, const QVariantList& arguments) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return {false, QStringLiteral("no session bus answers")};
  QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
  call.setArguments(arguments);
  // A desktop busy with its own start-up may take a while; one that hangs must not hang us.
  const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
  if (reply.type() == QDBusMessage::ErrorMessage)
    return {false, service + QStringLiteral(": ") +
                       (reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage())};
  if (reply.type() != QDBusMessage::ReplyMessage)
    return {false, service + QStringLiteral(" did not answer")};
  const QVariantList values = reply.arguments();
  return {true, values.isEmpty() ? QString() : values.first().toString()};
}

}  // namespace meridiana
