#include "app/window/KTLauncherEntry.h"

#include <QCryptographicHash>
#include <QDBusMessage>
#include <QVariantMap>

#include <algorithm>
#include <cmath>

KTLauncherEntry::KTLauncherEntry(const QString &appUri, const QDBusConnection &connection)
    : m_appUri(appUri)
    , m_connection(connection)
{
}

void KTLauncherEntry::setProgress(double fraction)
{
    const int percent = int(std::lround(std::clamp(fraction, 0.0, 1.0) * 100.0));
    if (percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    send(percent / 100.0, true);
}

void KTLauncherEntry::clear()
{
    if (m_shownPercent < 0)
        return;
    m_shownPercent = -1;
    send(0.0, false);
}

void KTLauncherEntry::send(double progress, bool visible)
{
    if (!m_connection.isConnected())
        return;
    // Listeners go by the application URI; the path only has to be a
    // valid one of our own.
    const QByteArray id = QCryptographicHash::hash(m_appUri.toUtf8(), QCryptographicHash::Md5).toHex();
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/com/canonical/unity/launcherentry/") +
                                                         QString::fromLatin1(id),
                                                     QString::fromLatin1(Interface), QStringLiteral("Update"));
    signal << m_appUri
           << QVariantMap{{QStringLiteral("progress"), progress}, {QStringLiteral("progress-visible"), visible}};
    m_connection.send(signal);
}
