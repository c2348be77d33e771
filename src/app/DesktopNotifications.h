// The desktop's notification service: the freedesktop notifications interface
// (org.freedesktop.Notifications) on the session bus. Sends a notification that can be clicked
// and says which one was. Without a session bus or a notification service nothing is sent; no
// call waits for the service, so one that hangs holds nothing up.
// Threading: the UI thread.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <map>

namespace nimbrel {

class DesktopNotifications : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    // The action a click on the notification itself invokes.
    static constexpr const char* kClickAction = "default";

    // On the session bus.
    explicit DesktopNotifications(QObject* parent = nullptr);
    DesktopNotifications(const QDBusConnection& bus, QObject* parent);

    // A notification service is there, or the bus can start one.
    bool Available() const;
    // Sends a notification from `appName` with `iconFile`; a click on it comes back as
    // Clicked(key). False when nothing was sent (no bus, no service).
    bool Send(const QString& appName, const QString& iconFile, const QString& summary,
              const QString& body, const QString& key);

  signals:
    void Clicked(const QString& key);
    // The service answered a notification with its number (tests wait for it).
    void Delivered(uint id);

  private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

  private:
    QDBusConnection bus_;
    // The keys of the notifications the service still shows, by their numbers; at most
    // kMaxKept (a service that never says it closed them cannot grow it without end).
    static constexpr std::size_t kMaxKept = 256;
    std::map<uint, QString> keys_;
};

}  // namespace nimbrel
