#pragma once

#include <QDBusConnection>
#include <QString>

// Progress on the application's taskbar or dock entry, through the
// com.canonical.Unity.LauncherEntry signal that docks and task managers
// listen for. Sends only when the shown percentage changes.
class KTLauncherEntry
{
public:
    static constexpr const char *Interface = "com.canonical.Unity.LauncherEntry";

    // appUri is "application://" and the desktop file's name.
    explicit KTLauncherEntry(const QString &appUri,
                             const QDBusConnection &connection = QDBusConnection::sessionBus());

    // fraction from 0 to 1; shows the bar.
    void setProgress(double fraction);
    // Hides the bar.
    void clear();

private:
    void send(double progress, bool visible);

    QString m_appUri;
    QDBusConnection m_connection;
    // The percentage last sent; -1 when the bar is hidden.
    int m_shownPercent = -1;
};
