#include "app/window/KTJobAnnouncer.h"

#include "browser/tree/KTFileDataCollection.h"
#include "browser/tree/KTResultSummary.h"
#include "extraction/screens/KTUnarchiveViewController.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QWidget>

#include <climits>

namespace {

// The fraction the screen reports runs to 1.2: the last part is reading
// the result back.
constexpr double kFullProgress = 1.2;

QString launcherUri()
{
    const QString desktopFile = QGuiApplication::desktopFileName();
    return QStringLiteral("application://") + (desktopFile.isEmpty() ? QStringLiteral("kt-extractor") : desktopFile) +
           QStringLiteral(".desktop");
}

} // namespace

KTJobAnnouncer::KTJobAnnouncer(QWidget &window, KTUnarchiveViewController &screen, const QDBusConnection &connection)
    : QObject(&window)
    , m_window(window)
    , m_notifier(connection)
    , m_launcher(launcherUri(), connection)
{
    connect(&screen, &KTUnarchiveViewController::progressChanged, this,
            [this](double fraction) { m_launcher.setProgress(fraction / kFullProgress); });
    connect(&screen, &KTUnarchiveViewController::busyChanged, this, [this](bool busy) {
        if (!busy)
            m_launcher.clear();
    });
    connect(&screen, &KTUnarchiveViewController::jobEnded, this, &KTJobAnnouncer::jobEnded);
    connect(&m_notifier, &KTDesktopNotifier::activated, this, &KTJobAnnouncer::raiseWindow);
}

QString KTJobAnnouncer::summaryFor(const QString &archivePath, const KTExtractionError &error)
{
    const QString name = QFileInfo(archivePath).fileName();
    return error.ok() ? tr("%1 extracted").arg(name) : tr("%1 could not be extracted").arg(name);
}

QString KTJobAnnouncer::bodyFor(const KTExtractionError &error)
{
    if (error.failed())
        return error.cause();
    const std::shared_ptr<const KTTreeNode> tree = KTFileDataCollection::shareInstance().treeNode();
    if (!tree)
        return {};
    const KTResultSummary summary = KTResultSummary::of(*tree);
    const QString size = QLocale().formattedDataSize(summary.bytes, 1, QLocale::DataSizeSIFormat);
    if (summary.files == 1)
        return tr("1 file, %1").arg(size);
    return tr("%n files, %1", nullptr, int(qMin<qint64>(summary.files, INT_MAX))).arg(size);
}

void KTJobAnnouncer::jobEnded(const QString &archivePath, const KTExtractionError &error)
{
    m_launcher.clear();
    // The user watching the window sees the outcome there already.
    if (m_window.isActiveWindow())
        return;
    m_notifier.notify(summaryFor(archivePath, error), bodyFor(error));
}

void KTJobAnnouncer::raiseWindow()
{
    if (m_window.isMinimized())
        m_window.showNormal();
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}
