#include "desktop/notify.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace notify {

static std::function<bool(const QString&, const QString&)>& Hook() {
    static std::function<bool(const QString&, const QString&)> hook;
    return hook;
}

bool SendNotification(const QString& summary, const QString& body) {
    if (Hook())
        return Hook()(summary, body);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, timeout)
    call << QStringLiteral("Sonavel") << uint(0) << QStringLiteral("sonavel") << summary << body
         << QStringList() << QVariantMap() << int(-1);
    // Fire and forget: the GUI thread must not wait for a slow or missing service, and
    // the service being absent is no error worth telling anyone about.
    return bus.send(call);
}

void SetNotifyHook(std::function<bool(const QString&, const QString&)> hook) {
    Hook() = std::move(hook);
}

} // namespace notify
