#include "support/KTSerialComparison.h"

#include "extraction/libarchive/KTLibArchiveUnarchiver.h"
#include "support/KTTestDirs.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

namespace {

// Folders that no archive entry gives a time get the time they were made.
const qint64 TestStart = QDateTime::currentSecsSinceEpoch() - 60;

// Modes and modification times of everything below folder (links not
// followed); folders made during the test have no time to compare.
QMap<QString, QString> metadata(const QString &folder)
{
    QMap<QString, QString> result;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        const bool madeNow = S_ISDIR(st.st_mode) && st.st_mtim.tv_sec >= TestStart;
        result.insert(QDir(folder).relativeFilePath(path),
                      QStringLiteral("%1 %2").arg(st.st_mode, 0, 8).arg(madeNow ? QStringLiteral("now")
                                                                               : QStringLiteral("%1.%2").arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec)));
    }
    return result;
}

} // namespace

KTSerialComparison::Extraction KTSerialComparison::extract(const QString &archive, int workers, bool overwrite, KTRecordingDelegate &delegate)
{
    Extraction result;
    const QString destination = m_folder.freshFolder(QStringLiteral("out-"));
    KTLibArchiveUnarchiver unarchiver(archive);
    unarchiver.setDelegate(&delegate);
    unarchiver.setZipWorkers(workers);
    unarchiver.setAlwaysOverwritesFiles(overwrite);
    unarchiver.setRemovesEnclosingDirectoryForSoloItems(false);
    result.error = unarchiver.parse();
    if (result.error.failed())
        return result;
    unarchiver.setDestination(destination);
    result.error = unarchiver.unarchive();
    result.tree = kt_snapshot(destination);
    result.meta = metadata(destination);
    result.created = QDir(destination).relativeFilePath(unarchiver.createdItem());
    return result;
}

void KTSerialComparison::compare(const QString &archive, const KTRecordingDelegate &settings, bool overwrite, int expectedCode)
{
    KTRecordingDelegate serialDelegate = settings;
    const Extraction serial = extract(archive, 1, overwrite, serialDelegate);
    if (expectedCode >= 0)
        QCOMPARE(int(serial.error.code), expectedCode);
    QVERIFY(!serialDelegate.offThread);
    for (int workers : {2, 3}) {
        KTRecordingDelegate delegate = settings;
        const Extraction parallel = extract(archive, workers, overwrite, delegate);
        QCOMPARE(parallel.error.code, serial.error.code);
        QCOMPARE(parallel.error.message(), serial.error.message());
        QCOMPARE(parallel.tree, serial.tree);
        QCOMPARE(parallel.meta, serial.meta);
        QCOMPARE(parallel.created, serial.created);
        QCOMPARE(delegate.events, serialDelegate.events);
        QCOMPARE(delegate.passwordQuestions, serialDelegate.passwordQuestions);
        QVERIFY(!delegate.offThread);
        QVERIFY(!delegate.progressWentBack);
        if (parallel.error.ok())
            QCOMPARE(delegate.lastDone, delegate.lastTotal);
    }
}
