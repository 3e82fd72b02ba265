#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Desktop notifications through org.freedesktop.Notifications on a D-Bus
// connection (the session bus by default). Each notification replaces the
// one shown before and carries a default action; when the user invokes it,
// activated() is emitted. Without a connected bus nothing is sent.
class KTDesktopNotifier : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *Service = "org.freedesktop.Notifications";
    static constexpr const char *Path = "/org/freedesktop/Notifications";

    explicit KTDesktopNotifier(const QDBusConnection &connection = QDBusConnection::sessionBus(),
                               QObject *parent = nullptr);

    // Sends the notification without waiting for the server; false when
    // there is no bus to send it on.
    bool notify(const QString &summary, const QString &body);

signals:
    void activated();

private slots:
    void actionInvoked(uint id, const QString &action);
    void notificationClosed(uint id, uint reason);

private:
    QDBusConnection m_connection;
    // The server's id for the notification shown, 0 when none.
    uint m_shownId = 0;
};
