#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "extraction/engine/KTSkippedEntries.h"
#include "extraction/job/KTExtractionJob.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <source_location>

class KTPreferences;

// Every path below a folder (links not followed) with what it is: "d" for a
// folder, "l:<target>" for a link, "f:<mode>:<content>" for a file ("-" for
// the mode when modes are left out).
QMap<QString, QByteArray> kt_snapshot(const QString &folder, bool withModes = true);

// A test class's own temporary folder; each test function gets a fresh,
// numbered sub-folder from it.
class KTTestFolder
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // A new empty folder below this one ("<prefix>1", "<prefix>2", ...);
    // an empty string, and a test failure, when it cannot be made.
    QString freshFolder(const QString &prefix = QStringLiteral("tmp-"));

private:
    QTemporaryDir m_dir;
    int m_counter = 0;
};

// Writes a file, making the folders above it; false on any failure.
bool kt_writeFile(const QString &path, const QByteArray &content);
// A file's bytes, or "<unreadable>".
QByteArray kt_readFile(const QString &path);
// The jobs' scratch folders ("unarchiver…") in a temporary folder.
QStringList kt_scratchFolders(const QString &folder);
// The threads of this process.
int kt_threadCount();

// The fixtures folder of real archives (fixtures/libarchive-tests in the
// shared folder beside the repository, or in $KT_SHARED_DIR when that is
// set), or an empty string when it is absent.
QString kt_fixturesDir();

// For a test function that needs the fixtures: the folder, or, when it is
// absent, an empty string after marking the test skipped with a message that
// names the folder; failed instead when KT_REQUIRE_SHARED=1, so that a run
// which must cover the fixtures cannot pass without them. The caller
// returns at once on an empty string.
QString kt_needFixtures(std::source_location where = std::source_location::current());

// What one job run ended in.
struct KTJobOutcome {
    bool finished = false;     // ended within the time limit
    bool succeeded = false;
    QString desPath;
    KTExtractionError error;
    QList<float> progress;     // every "fileprogress" value, in order
    int passwordRequests = 0;
    KTSkippedEntries skipped;  // the entries left out as unsafe
    QString partialResult;     // after damage: what was read before it, if kept
};

// Runs one job to its end on the real event loop.
struct KTJobRun {
    KTJobRun(QString archivePath, QString temporaryFolder);

    QString archive;
    QString temporaryDirectory;
    KTPreferences *preferences = nullptr; // default: in-memory, registered defaults
    std::function<std::optional<QString>()> passwordProvider;
    KTUnarchiverFactory unarchiverFactory; // default: the real backends
    int timeoutMs = 60000;
};
KTJobOutcome kt_runJob(const KTJobRun &run);

// A job with test preferences (which outlive it) into a temporary folder,
// its unarchivers made by the factory (default: the real backends).
struct KTTestJob {
    explicit KTTestJob(const QString &temporaryFolder, KTUnarchiverFactory factory = {});
    std::unique_ptr<KTPreferences> preferences;
    KTExtractionJob job;
};

// Preferences that never touch the user's settings, with the application's defaults.
std::unique_ptr<KTPreferences> kt_testPreferences(qint64 filenameEncoding = 4);
