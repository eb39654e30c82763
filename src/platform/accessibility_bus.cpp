#include "platform/accessibility_bus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

using namespace Qt::StringLiterals;

namespace pg {

namespace {

constexpr int kTimeoutMs = 2000;

QDBusMessage StatusCall(const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        u"org.a11y.Bus"_s, u"/org/a11y/bus"_s, u"org.freedesktop.DBus.Properties"_s, method);
    call << u"org.a11y.Status"_s << u"IsEnabled"_s;
    return call;
}

bool IsEnabled(const QDBusConnection& bus) {
    const QDBusMessage reply = bus.call(StatusCall(u"Get"_s), QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

}  // namespace

bool EnableAccessibilityBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    if (IsEnabled(bus)) {
        return true;
    }
    QDBusMessage set = StatusCall(u"Set"_s);
    set << QVariant::fromValue(QDBusVariant(true));
    const QDBusMessage reply = bus.call(set, QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace pg
