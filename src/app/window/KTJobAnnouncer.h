#pragma once

#include "app/window/KTDesktopNotifier.h"
#include "app/window/KTLauncherEntry.h"
#include "extraction/engine/KTExtractionError.h"

#include <QDBusConnection>
#include <QObject>

class KTUnarchiveViewController;
class QWidget;

// Tells the desktop about the extraction screen's jobs: progress on the
// taskbar entry while one runs, and, when one ends while the window is not
// the active one, a notification whose action brings the window back.
class KTJobAnnouncer : public QObject
{
    Q_OBJECT
public:
    KTJobAnnouncer(QWidget &window, KTUnarchiveViewController &screen,
                   const QDBusConnection &connection = QDBusConnection::sessionBus());

    KTDesktopNotifier &notifier() { return m_notifier; }

    // The notification's two lines for a job that ended.
    static QString summaryFor(const QString &archivePath, const KTExtractionError &error);
    static QString bodyFor(const KTExtractionError &error);

private:
    void jobEnded(const QString &archivePath, const KTExtractionError &error);
    void raiseWindow();

    QWidget &m_window;
    KTDesktopNotifier m_notifier;
    KTLauncherEntry m_launcher;
};
