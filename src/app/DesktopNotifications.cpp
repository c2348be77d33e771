#include "app/DesktopNotifications.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUrl>
#include <QVariantMap>

#include "platform/Log.h"

namespace nimbrel {

DesktopNotifications::DesktopNotifications(QObject* parent)
    : DesktopNotifications(QDBusConnection::sessionBus(), parent) {}

DesktopNotifications::DesktopNotifications(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {
    if (!bus_.isConnected()) return;
    const QString service = QString::fromLatin1(kService), path = QString::fromLatin1(kPath),
                  interface = QString::fromLatin1(kInterface);
    bus_.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                 SLOT(OnActionInvoked(uint, QString)));
    bus_.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                 SLOT(OnClosed(uint, uint)));
}

bool DesktopNotifications::Available() const {
    if (!bus_.isConnected()) return false;
    const QDBusConnectionInterface* bus = bus_.interface();
    if (!bus) return false;
    const QString service = QString::fromLatin1(kService);
    if (bus->isServiceRegistered(service)) return true;
    const QDBusReply<QStringList> activatable = bus->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(service);
}

bool DesktopNotifications::Send(const QString& appName, const QString& iconFile,
                                const QString& summary, const QString& body, const QString& key) {
    if (!Available()) return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("nimbrel"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(1)));
    const QString icon = iconFile.isEmpty() ? QString() : QUrl::fromLocalFile(iconFile).toString();
    call << appName << 0u << icon << summary << body
         << QStringList{QString::fromLatin1(kClickAction), summary} << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    NLOG_DEBUG("desktop notification refused: "
                               << reply.error().message().toStdString());
                    return;
                }
                if (keys_.size() >= kMaxKept) keys_.erase(keys_.begin());
                keys_[reply.value()] = key;
                emit Delivered(reply.value());
            });
    return true;
}

void DesktopNotifications::OnActionInvoked(uint id, const QString& action) {
    const auto found = keys_.find(id);
    if (found == keys_.end() || action != QLatin1String(kClickAction)) return;
    emit Clicked(found->second);
}

void DesktopNotifications::OnClosed(uint id, uint) {
    keys_.erase(id);
}

}  // namespace nimbrel
