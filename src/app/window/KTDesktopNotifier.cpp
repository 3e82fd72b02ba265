#include "app/window/KTDesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>

namespace {

const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString DefaultAction = QStringLiteral("default");

} // namespace

KTDesktopNotifier::KTDesktopNotifier(const QDBusConnection &connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    if (!m_connection.isConnected())
        return;
    m_connection.connect(QString::fromLatin1(Service), QString::fromLatin1(Path), Interface,
                         QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
    m_connection.connect(QString::fromLatin1(Service), QString::fromLatin1(Path), Interface,
                         QStringLiteral("NotificationClosed"), this, SLOT(notificationClosed(uint, uint)));
}

bool KTDesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (!m_connection.isConnected())
        return false;
    QString desktopEntry = QGuiApplication::desktopFileName();
    if (desktopEntry.isEmpty())
        desktopEntry = QStringLiteral("kt-extractor");
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(Service), QString::fromLatin1(Path),
                                                       Interface, QStringLiteral("Notify"));
    // The desktop entry lets the server show the application's name and
    // icon and group its notifications.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), desktopEntry}};
    call << QCoreApplication::applicationName() << m_shownId << QStringLiteral("kt-extractor") << summary << body
         << QStringList{DefaultAction, tr("Show")} << hints << qint32(-1);
    // Asynchronous: a slow or absent server never holds up the GUI thread.
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        if (!reply.isError())
            m_shownId = reply.value();
    });
    return true;
}

void KTDesktopNotifier::actionInvoked(uint id, const QString &action)
{
    if (id != 0 && id == m_shownId && action == DefaultAction)
        emit activated();
}

void KTDesktopNotifier::notificationClosed(uint id, uint)
{
    if (id == m_shownId)
        m_shownId = 0;
}
