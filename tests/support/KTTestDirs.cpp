#include "support/KTTestDirs.h"

#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

QMap<QString, QByteArray> kt_snapshot(const QString &folder, bool withModes)
{
    QMap<QString, QByteArray> result;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(folder).relativeFilePath(path);
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
            result.insert(rel, "l:" + QByteArray(target, n > 0 ? int(n) : 0));
        } else if (S_ISDIR(st.st_mode)) {
            result.insert(rel, "d");
        } else {
            QFile f(path);
            QByteArray content;
            if (S_ISREG(st.st_mode) && f.open(QIODevice::ReadOnly))
                content = f.readAll();
            const QByteArray mode = withModes ? QByteArray::number(st.st_mode & 07777, 8) : QByteArray("-");
            result.insert(rel, "f:" + mode + ':' + content);
        }
    }
    return result;
}

QString KTTestFolder::freshFolder(const QString &prefix)
{
    const QString folder = m_dir.filePath(prefix + QString::number(++m_counter));
    if (m_dir.isValid() && QDir().mkpath(folder))
        return folder;
    QTest::qFail(qPrintable(QStringLiteral("cannot make %1").arg(folder)), __FILE__, __LINE__);
    return {};
}

bool kt_writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray kt_readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList kt_scratchFolders(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("unarchiver*")}, QDir::Dirs | QDir::Hidden);
}

int kt_threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

namespace {

QString fixturesPath()
{
    const QString shared = qEnvironmentVariableIsEmpty("KT_SHARED_DIR") ? QStringLiteral(KT_SHARED_DIR)
                                                                          : qEnvironmentVariable("KT_SHARED_DIR");
    return QDir::cleanPath(shared + QStringLiteral("/fixtures/libarchive-tests"));
}

} // namespace

QString kt_fixturesDir()
{
    const QString dir = fixturesPath();
    return QFileInfo(dir).isDir() ? dir : QString();
}

QString kt_needFixtures(std::source_location where)
{
    const QString dir = kt_fixturesDir();
    if (!dir.isEmpty())
        return dir;
    const QByteArray message = QFile::encodeName(fixturesPath()) + " is absent";
    if (qEnvironmentVariable("KT_REQUIRE_SHARED") == QLatin1String("1"))
        QTest::qFail((message + " (KT_REQUIRE_SHARED=1)").constData(), where.file_name(), int(where.line()));
    else
        QTest::qSkip(message.constData(), where.file_name(), int(where.line()));
    return {};
}

std::unique_ptr<KTPreferences> kt_testPreferences(qint64 filenameEncoding)
{
    auto prefs = KTPreferences::inMemory();
    prefs->registerApplicationDefaults();
    prefs->setInteger(QString::fromLatin1(KTPreferences::FilenameEncoding), filenameEncoding);
    return prefs;
}

KTJobRun::KTJobRun(QString archivePath, QString temporaryFolder)
    : archive(std::move(archivePath))
    , temporaryDirectory(std::move(temporaryFolder))
{
}

KTTestJob::KTTestJob(const QString &temporaryFolder, KTUnarchiverFactory factory)
    : preferences(kt_testPreferences())
{
    job.setPreferences(preferences.get());
    job.setTemporaryDirectory(temporaryFolder);
    job.setUnarchiverFactory(std::move(factory));
}

KTJobOutcome kt_runJob(const KTJobRun &run)
{
    KTJobOutcome outcome;
    std::unique_ptr<KTPreferences> ownPreferences;
    KTPreferences *preferences = run.preferences;
    if (!preferences) {
        ownPreferences = kt_testPreferences();
        preferences = ownPreferences.get();
    }

    QEventLoop loop;
    KTExtractionJob job;
    job.setPreferences(preferences);
    job.setTemporaryDirectory(run.temporaryDirectory);
    job.setUnarchiverFactory(run.unarchiverFactory);
    if (run.passwordProvider) {
        job.setPasswordProvider([&] {
            ++outcome.passwordRequests;
            return run.passwordProvider();
        });
    }
    QObject receiver;
    KTNotificationCenter::defaultCenter().addObserver(&receiver, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                      [&](const QVariant &v) { outcome.progress.append(v.toFloat()); });
    QObject::connect(&job, &KTExtractionJob::archiveFinished, &loop, [&](const QString &path) {
        outcome.finished = true;
        outcome.succeeded = true;
        outcome.desPath = path;
        outcome.skipped = job.skippedEntries();
        loop.quit();
    });
    QObject::connect(&job, &KTExtractionJob::passwordErrorH, &loop, [&](const KTExtractionError &error) {
        outcome.finished = true;
        outcome.error = error;
        outcome.desPath = job.desPath();
        outcome.skipped = job.skippedEntries();
        outcome.partialResult = job.partialResult();
        loop.quit();
    });
    QTimer::singleShot(run.timeoutMs, &loop, &QEventLoop::quit);
    job.start(run.archive);
    loop.exec();
    // Progress posted before the end is still queued: deliver it.
    QCoreApplication::processEvents();
    return outcome;
}
