#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "extraction/job/KTExtractionJob.h"
#include "extraction/libarchive/KTLibArchiveUnarchiver.h"
#include "extraction/zip/KTParallelZipExtractor.h"
#include "extraction/zip/KTZipExtractionPlan.h"
#include "extraction/names/KTEncodingDecision.h"
#include "extraction/zip/KTZipDirectory.h"
#include "support/KTSampleArchives.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "support/KTZipBytes.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTest>

#include <sys/stat.h>
#include <thread>

using Entries = std::vector<KTTestEntry>;

namespace {

// Workers the job's unarchivers use in this test, whatever the archive's size.
constexpr const char *JobWorkers = "3";

QByteArray randomText(qsizetype size, quint32 seed)
{
    static const QByteArray words[] = {"zip ", "entry ", "worker ", "thread ", "deflate ", "data\n", "name ", "path "};
    QRandomGenerator random(seed);
    QByteArray text;
    text.reserve(size + 16);
    while (text.size() < size)
        text += words[random.bounded(8)];
    text.truncate(size);
    return text;
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

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

// The delegate of one extraction: records every call, in order, and checks
// that all of them come from the thread that runs the unarchiver.
class RecordingDelegate : public KTUnarchiverDelegate
{
public:
    std::optional<QString> password;
    qint64 filenameEncoding = 0; // 0: detection above the threshold
    QSet<int> declined;          // entries to skip
    int stopAfterProgress = -1;  // ask to stop once this many progress calls came

    QStringList events;
    int passwordQuestions = 0;
    bool offThread = false;
    bool progressWentBack = false;
    qint64 lastDone = 0;
    qint64 lastTotal = -1;
    int progressCalls = 0;

    void simpleUnarchiverNeedsPassword(KTUnarchiver &unarchiver) override
    {
        check();
        ++passwordQuestions;
        events << QStringLiteral("password");
        if (password)
            unarchiver.setPassword(*password);
    }
    QByteArray encodingNameForString(KTUnarchiver &, const KTArchiveString &string) override
    {
        check();
        return KTEncodingDecision::encodingNameFor(string, filenameEncoding, 80);
    }
    bool shouldExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &) override
    {
        check();
        events << QStringLiteral("should %1 %2").arg(entry.index).arg(entry.name);
        return !declined.contains(entry.index);
    }
    void willExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &to) override
    {
        check();
        events << QStringLiteral("will %1 %2").arg(entry.index).arg(QFileInfo(to).fileName());
    }
    void didExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &, const KTExtractionError &error) override
    {
        check();
        events << QStringLiteral("did %1 %2").arg(entry.index).arg(int(error.code));
    }
    void didRemoveUnsafeItem(KTUnarchiver &, const QString &path, const KTExtractionError &why) override
    {
        check();
        events << QStringLiteral("removed %1 %2").arg(path).arg(int(why.code));
    }
    void extractionProgress(KTUnarchiver &, const KTArchiveEntry &, qint64, qint64, qint64 done, qint64 total) override
    {
        check();
        ++progressCalls;
        progressWentBack = progressWentBack || done < lastDone;
        lastDone = done;
        lastTotal = total;
    }
    bool extractionShouldStop(KTUnarchiver &) override
    {
        check();
        return stopAfterProgress >= 0 && progressCalls >= stopAfterProgress;
    }

private:
    void check()
    {
        offThread = offThread || std::this_thread::get_id() != m_thread;
    }
    std::thread::id m_thread = std::this_thread::get_id();
};

struct Extraction {
    KTExtractionError error;
    QMap<QString, QByteArray> tree;
    QMap<QString, QString> meta;
    QString created; // relative to the destination
};

// The tree of the normal set: deep folders shared by many files, explicit
// folders with their own modes and times, links inside, empty and larger files.
Entries normalTree()
{
    Entries e;
    e.push_back(KTTestEntry::dir("deep/", 0750));
    e.push_back(KTTestEntry::dir("deep/l1/l2/", 0700));
    for (int i = 0; i < 240; ++i) {
        const QByteArray dir = "deep/l1/l2/l3/l4/d" + QByteArray::number(i % 7) + "/";
        KTTestEntry f = KTTestEntry::file(dir + "f" + QByteArray::number(i) + ".txt",
                                          randomText(i % 10 == 0 ? 300000 : 100 + i * 37, quint32(i)),
                                          i % 3 == 0 ? 0755 : 0640);
        f.mtime = 1600000000 + i * 3600;
        e.push_back(f);
        if (i == 100) {
            e.push_back(KTTestEntry::symlink("deep/link-to-l2", "l1/l2"));
            e.push_back(KTTestEntry::file("empty", ""));
            e.push_back(KTTestEntry::file("setuid", "x", 04755));
        }
    }
    e.push_back(KTTestEntry::file("big.bin", randomBytes(2 * 1024 * 1024, 7)));
    KTTestEntry late = KTTestEntry::dir("deep/l1/l2/l3/", 0755);
    late.mtime = 1500000000;
    e.push_back(late);
    return e;
}

// Plenty of other files between the interesting entries, so that workers
// run ahead of them.
void addFiller(Entries &e, const QByteArray &prefix, int count)
{
    for (int i = 0; i < count; ++i)
        e.push_back(KTTestEntry::file(prefix + QByteArray::number(i), randomText(2000 + i * 50, quint32(i + 1000))));
}

// Flips bytes in the middle of one entry's compressed data.
bool damageEntry(const QString &archive, const QByteArray &name)
{
    const auto zip = KTZipDirectory::read(archive);
    if (!zip)
        return false;
    QFile f(archive);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    for (const KTZipRecord &r : zip->records()) {
        if (r.name != name)
            continue;
        f.seek(qint64(r.localHeaderOffset));
        const QByteArray header = f.read(30);
        const auto le16 = [&](int at) { return int(uchar(header[at])) | (int(uchar(header[at + 1])) << 8); };
        const qint64 data = qint64(r.localHeaderOffset) + 30 + le16(26) + le16(28);
        f.seek(data + qint64(r.compressedSize) / 2);
        return f.write(QByteArray(16, '\x5a')) == 16;
    }
    return false;
}

} // namespace

// Zips on several threads: which entries may go to workers, the outcome
// entry for entry the serial one's, the password asked in order, stops and
// cancels that leave no thread; and ISA-L's inflater on what zip writes.
class TestZip : public QObject
{
    Q_OBJECT

private:
    KTTestFolder m_dir;
    QString m_zip;
    QMap<QString, QByteArray> m_expected;

    KTExtractionError inflate(const QString &archive, int workers, QMap<QString, QByteArray> *tree = nullptr)
    {
        const QString destination = m_dir.freshFolder(QStringLiteral("out-"));
        KTLibArchiveUnarchiver unarchiver(archive);
        unarchiver.setZipWorkers(workers);
        if (auto error = unarchiver.parse(); error.failed())
            return error;
        unarchiver.setDestination(destination);
        const KTExtractionError error = unarchiver.unarchive();
        if (tree)
            *tree = kt_snapshot(destination + QStringLiteral("/files"), false);
        return error;
    }

    // A copy of the zip with edit applied, under a fresh name.
    QString edited(const std::function<void(QByteArray &)> &edit)
    {
        QByteArray bytes = kt_readFile(m_zip);
        edit(bytes);
        const QString path = m_dir.freshFolder(QStringLiteral("edit-")) + QStringLiteral("/files.zip");
        kt_writeFile(path, bytes);
        return path;
    }


    Extraction extract(const QString &archive, int workers, bool overwrite, RecordingDelegate &delegate)
    {
        Extraction result;
        const QString destination = m_dir.freshFolder(QStringLiteral("out-"));
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

    // Extracts with 1, 2 and 3 threads and compares everything the user or
    // the delegate can see.
    void compareWithSerial(const QString &archive, const RecordingDelegate &settings, bool overwrite,
                           int expectedCode = -1)
    {
        RecordingDelegate serialDelegate = settings;
        const Extraction serial = extract(archive, 1, overwrite, serialDelegate);
        if (expectedCode >= 0)
            QCOMPARE(int(serial.error.code), expectedCode);
        QVERIFY(!serialDelegate.offThread);
        for (int workers : {2, 3}) {
            RecordingDelegate delegate = settings;
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

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Read once, when the first unarchiver is made: from here on every
        // job in this test extracts zips on several threads.
        qputenv("KT_ZIP_WORKERS", JobWorkers);
        inflaterSetUp();
    }

    void sameResultAsSerial_data()
    {
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<int>("code");
        QTest::addColumn<qint64>("encoding");

        const QString folder = m_dir.freshFolder(QStringLiteral("archives-"));
        auto add = [&](const char *row, const Entries &entries, KTTestArchives::Options options = {},
                       int code = 0, qint64 encoding = 0) {
            const QString path = folder + QLatin1Char('/') + QLatin1String(row) + QStringLiteral(".zip");
            QVERIFY(KTTestArchives::write(path, entries, options));
            QTest::newRow(row) << path << options.passphrase << code << encoding;
        };

        add("deep tree", normalTree());

        Entries dups;
        addFiller(dups, "fill/a", 40);
        dups.push_back(KTTestEntry::file("dup.txt", "first"));
        addFiller(dups, "fill/b", 40);
        dups.push_back(KTTestEntry::file("dup.txt", "second, longer"));
        dups.push_back(KTTestEntry::file("fill/a3", "replaces a filler"));
        dups.push_back(KTTestEntry::file("clash", "a file first"));
        dups.push_back(KTTestEntry::file("clash/inner", "then a folder of that name"));
        dups.push_back(KTTestEntry::symlink("ln", "fill"));
        dups.push_back(KTTestEntry::file("ln", "a file replaces the link"));
        addFiller(dups, "fill/c", 40);
        dups.push_back(KTTestEntry::file("dup.txt", "third"));
        add("duplicate names", dups);

        Entries folderAndLink;
        addFiller(folderAndLink, "fill/", 30);
        folderAndLink.push_back(KTTestEntry::dir("d1/"));
        folderAndLink.push_back(KTTestEntry::symlink("d1", "fill"));
        addFiller(folderAndLink, "more/", 30);
        add("folder and link of one name", folderAndLink);

        Entries fileAfterFolder;
        addFiller(fileAfterFolder, "x/", 30);
        fileAfterFolder.push_back(KTTestEntry::file("x", "a file where a folder with files is"));
        addFiller(fileAfterFolder, "after/", 30);
        add("file after its folder", fileAfterFolder, {}, int(KTErrorCode::WriteFailed));

        Entries legacy;
        QStringEncoder sjis("Shift_JIS");
        for (int i = 0; i < 60; ++i) {
            const QByteArray name = sjis.encode(QStringLiteral("日本語のフォルダ/写真_%1.txt").arg(i));
            legacy.push_back(KTTestEntry::file(name, randomText(5000 + i * 100, quint32(i))));
        }
        KTTestArchives::Options legacyOptions;
        legacyOptions.legacyNames = true;
        add("legacy names, detected", legacy, legacyOptions);
        add("legacy names, UTF-8 chosen", legacy, legacyOptions, 0, 4);

        Entries dotdot;
        addFiller(dotdot, "before/", 30);
        dotdot.push_back(KTTestEntry::file("../escape", "never"));
        addFiller(dotdot, "after/", 30);
        add("dot-dot in the middle", dotdot);

        Entries outside;
        addFiller(outside, "files/", 30);
        outside.push_back(KTTestEntry::symlink("files/out", "../../../etc"));
        addFiller(outside, "more/", 30);
        add("link outside", outside);

        Entries through;
        through.push_back(KTTestEntry::symlink("lnk", "real"));
        addFiller(through, "real/", 30);
        through.push_back(KTTestEntry::file("lnk/evil", "through the link"));
        addFiller(through, "other/", 30);
        add("written through a link", through);

        Entries absolute;
        addFiller(absolute, "/abs/", 30);
        add("absolute names", absolute);

        Entries damaged;
        addFiller(damaged, "d/", 60);
        add("damaged in the middle", damaged, {}, int(KTErrorCode::Damaged));
        QVERIFY(damageEntry(folder + QStringLiteral("/damaged in the middle.zip"), "d/30"));

        const QString samples = m_dir.freshFolder(QStringLiteral("samples-"));
        for (const QString &path : KTSampleArchives::write(samples)) {
            if (path.endsWith(QLatin1String(".zip")))
                QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path << QByteArray(KTSampleArchives::Password) << 0 << qint64(0);
        }
    }

    // Trees, bytes, modes, times, names, errors and every delegate call
    // match the serial extraction, with files overwritten and renamed.
    void sameResultAsSerial()
    {
        QFETCH(QString, archive);
        QFETCH(QByteArray, password);
        QFETCH(int, code);
        QFETCH(qint64, encoding);
        RecordingDelegate settings;
        if (!password.isEmpty())
            settings.password = QString::fromUtf8(password);
        settings.filenameEncoding = encoding;
        compareWithSerial(archive, settings, true, code);
        compareWithSerial(archive, settings, false);
    }

    // A delegate that skips entries gets only the others, as serially.
    void declinedEntriesAreLeftOut()
    {
        Entries entries;
        addFiller(entries, "f/", 80);
        const QString archive = m_dir.filePath(QStringLiteral("declined.zip"));
        QVERIFY(KTTestArchives::write(archive, entries));
        RecordingDelegate settings;
        settings.declined = {0, 5, 40, 41, 79};
        compareWithSerial(archive, settings, true, 0);
        RecordingDelegate delegate;
        delegate.declined = settings.declined;
        const Extraction parallel = extract(archive, 3, true, delegate);
        QCOMPARE(parallel.tree.size(), 80 - 5 + 2);
        QVERIFY(!parallel.tree.contains(QStringLiteral("declined/f/40")));
    }

    void wrongPasswordFailsAsSerially_data()
    {
        QTest::addColumn<QByteArray>("encryption");
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<int>("code");
        for (const QByteArray encryption : {"zipcrypt", "aes256"}) {
            QTest::addRow("%s, wrong", encryption.constData()) << encryption << std::optional<QString>(QStringLiteral("nope")) << int(KTErrorCode::WrongPassword);
            QTest::addRow("%s, none", encryption.constData()) << encryption << std::optional<QString>() << int(KTErrorCode::WrongPassword);
            QTest::addRow("%s, empty", encryption.constData()) << encryption << std::optional<QString>(QString()) << int(KTErrorCode::WrongPassword);
            QTest::addRow("%s, right", encryption.constData()) << encryption << std::optional<QString>(QStringLiteral("pw")) << 0;
        }
    }

    // Through the job, with several workers: one question, and the outcome
    // of the serial extraction.
    void wrongPasswordFailsAsSerially()
    {
        QFETCH(QByteArray, encryption);
        QFETCH(std::optional<QString>, answer);
        QFETCH(int, code);
        Entries entries;
        for (int i = 0; i < 40; ++i)
            entries.push_back(KTTestEntry::file("secret/" + QByteArray::number(i), randomText(60000 + i, quint32(i))));
        KTTestArchives::Options options;
        options.passphrase = "pw";
        options.encryption = encryption;
        const QString archive = m_dir.filePath(QStringLiteral("locked-%1.zip").arg(QString::fromLatin1(encryption)));
        if (!QFileInfo::exists(archive))
            QVERIFY(KTTestArchives::write(archive, entries, options));

        KTJobRun run(archive, m_dir.freshFolder());
        run.passwordProvider = [&] { return answer; };
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QCOMPARE(out.passwordRequests, 1);
        QCOMPARE(int(out.error.code), code);
        if (code == 0) {
            const auto tree = kt_snapshot(out.desPath, false);
            QCOMPARE(tree.size(), 40);
            QCOMPARE(tree.value(QStringLiteral("39")), "f:-:" + randomText(60039, 39));
        } else {
            // No file of wrong content is left behind.
            for (const QByteArray &item : kt_snapshot(out.desPath, false))
                QVERIFY(!item.startsWith("f:"));
        }

        RecordingDelegate settings;
        settings.password = answer;
        compareWithSerial(archive, settings, true, code);
    }

    // Plain entries first, encrypted ones after: the question comes when the
    // first encrypted entry's turn comes, and not at all when an earlier
    // entry fails, though workers reach encrypted entries long before.
    void passwordAskedInArchiveOrder()
    {
        if (!KTTestArchives::haveProgram(QStringLiteral("zip")))
            QSKIP("zip is not installed");
        const QString source = m_dir.freshFolder(QStringLiteral("mixed-"));
        QDir(source).mkpath(QStringLiteral("plain"));
        QDir(source).mkpath(QStringLiteral("secret"));
        for (int i = 0; i < 30; ++i) {
            for (const char *sub : {"plain", "secret"}) {
                QFile f(source + QStringLiteral("/%1/%2.txt").arg(QLatin1String(sub)).arg(i, 2, 10, QLatin1Char('0')));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(randomText(40000, quint32(i)));
            }
        }
        const QString archive = m_dir.filePath(QStringLiteral("mixed.zip"));
        QVERIFY(KTTestArchives::run(QStringLiteral("zip"), {QStringLiteral("-qr"), archive, QStringLiteral("plain")}, source));
        QVERIFY(KTTestArchives::run(QStringLiteral("zip"), {QStringLiteral("-qr"), QStringLiteral("-P"), QStringLiteral("pw"),
                                                            archive, QStringLiteral("secret")}, source));
        RecordingDelegate settings;
        settings.password = QStringLiteral("pw");
        compareWithSerial(archive, settings, true, 0);

        const QString damaged = m_dir.filePath(QStringLiteral("mixed-damaged.zip"));
        QVERIFY(QFile::copy(archive, damaged));
        QVERIFY(damageEntry(damaged, "plain/20.txt"));
        compareWithSerial(damaged, settings, true, int(KTErrorCode::Damaged));
        RecordingDelegate delegate = settings;
        extract(damaged, 3, true, delegate);
        QCOMPARE(delegate.passwordQuestions, 0);
    }

    // A stop asked for mid-way: every worker ends, none outlives the
    // unarchiver's return, and nothing after the stopped entry stays.
    void stopEndsEveryWorker()
    {
        Entries entries;
        for (int i = 0; i < 48; ++i)
            entries.push_back(KTTestEntry::file("big/" + QByteArray::number(i), randomText(1024 * 1024, quint32(i))));
        const QString archive = m_dir.filePath(QStringLiteral("stop.zip"));
        QVERIFY(KTTestArchives::write(archive, entries));
        const int before = threadCount();
        RecordingDelegate delegate;
        // At the first report: the workers inflate these 48 MB in a few of
        // the calling thread's 20 ms polls.
        delegate.stopAfterProgress = 1;
        const Extraction result = extract(archive, 3, true, delegate);
        QCOMPARE(threadCount(), before);
        QCOMPARE(result.error.code, KTErrorCode::Cancelled);
        QVERIFY(!delegate.offThread);
        QSet<int> extracted;
        for (const QString &event : delegate.events) {
            if (event.startsWith(QLatin1String("did ")) && event.endsWith(QLatin1String(" 0")))
                extracted.insert(event.section(QLatin1Char(' '), 1, 1).toInt());
        }
        QVERIFY(extracted.size() < 48);
        for (int i = 0; i < 48; ++i)
            QCOMPARE(result.tree.contains(QStringLiteral("stop/big/%1").arg(i)), extracted.contains(i));
    }

    // Cancel through the job while workers run, and while they wait for the
    // password: it ends as Cancelled, removes the scratch folder, and leaves
    // no thread behind.
    void cancelWhileWorkersRun_data()
    {
        QTest::addColumn<bool>("atPassword");
        QTest::newRow("writing") << false;
        QTest::newRow("waiting for the password") << true;
    }

    void cancelWhileWorkersRun()
    {
        QFETCH(bool, atPassword);
        Entries entries;
        for (int i = 0; i < 32; ++i)
            entries.push_back(KTTestEntry::file("big/" + QByteArray::number(i), randomText(2 * 1024 * 1024, quint32(i))));
        KTTestArchives::Options options;
        if (atPassword)
            options.passphrase = "pw";
        const QString archive = m_dir.filePath(QStringLiteral("cancel-%1.zip").arg(atPassword));
        QVERIFY(KTTestArchives::write(archive, entries, options));
        const QString tmp = m_dir.freshFolder();
        const int before = threadCount();
        {
            KTTestJob t(tmp);
            KTExtractionJob &job = t.job;
            job.setPasswordProvider([&] {
                job.cancel();
                return std::optional<QString>(QStringLiteral("pw"));
            });
            QObject receiver;
            KTNotificationCenter::defaultCenter().addObserver(&receiver, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                              [&](const QVariant &) { job.cancel(); });
            QSignalSpy failed(&job, &KTExtractionJob::passwordErrorH);
            QVERIFY(job.start(archive));
            QVERIFY(failed.wait(60000));
            QCOMPARE(failed.first().first().value<KTExtractionError>().code, KTErrorCode::Cancelled);
            QVERIFY(!job.isRunning());
            QCOMPARE(threadCount(), before);
        }
        QVERIFY(QDir(tmp).isEmpty());
    }

    // Workers only where they pay and their readers fit in memory: none for
    // a small zip or one of tiny files, one per core for a large one, none
    // for a million entries (each reader would hold the whole directory again).
    void workerCount()
    {
        const quint64 mb = 1024 * 1024;
        QCOMPARE(KTParallelZipExtractor::workerCount(mb / 2, 10, 2), 1);
        QCOMPARE(KTParallelZipExtractor::workerCount(18 * mb, 20000, 2), 1);
        QCOMPARE(KTParallelZipExtractor::workerCount(2000 * mb, 15000, 2), 2);
        QCOMPARE(KTParallelZipExtractor::workerCount(2000 * mb, 15000, 16), 8);
        QCOMPARE(KTParallelZipExtractor::workerCount(4000 * mb, 200000, 4), 4);
        QCOMPARE(KTParallelZipExtractor::workerCount(20000 * mb, 1000000, 2), 1);
        // Between the two: as many as the budget affords.
        QCOMPARE(KTParallelZipExtractor::workerCount(6000 * mb, 300000, 8), 3);
    }

    // Which entries may go to workers, and how they are shared out.
    void planKeepsClashesInOrder()
    {
        auto entry = [](const QByteArray &path, KTPlannedZipEntry::Kind kind, quint64 weight = 1000) {
            KTPlannedZipEntry e;
            e.path = path;
            e.kind = kind;
            e.weight = weight;
            return e;
        };
        using Kind = KTPlannedZipEntry::Kind;
        std::vector<KTPlannedZipEntry> entries{
            entry("a/b/free", Kind::File),      // 0
            entry("dup", Kind::File),           // 1
            entry("dup", Kind::File),           // 2
            entry("f", Kind::File),             // 3: also a folder below
            entry("f/inner", Kind::File),       // 4: below a file
            entry("s", Kind::Symlink),          // 5
            entry("s/through", Kind::File),     // 6: below a link
            entry("a", Kind::Directory),        // 7
            entry("a/c/free2", Kind::File),     // 8
            entry("", Kind::File),              // 9: no name
        };
        KTPlannedZipEntry refused = entry("x", Kind::File);
        refused.path.reset();
        entries.push_back(refused);             // 10
        for (int i = 0; i < 300; ++i)
            entries.push_back(entry("many/" + QByteArray::number(i), Kind::File, 100000));

        const KTZipExtractionPlan plan(entries, 3, true);
        for (int i : {1, 2, 3, 4, 5, 6, 7, 9, 10})
            QVERIFY2(plan.ownerOf(i) == KTZipExtractionPlan::CallingThread, qPrintable(QString::number(i)));
        QVERIFY(plan.ownerOf(0) >= 0);
        QVERIFY(plan.ownerOf(8) >= 0);
        QCOMPARE(plan.workerCount(), 3);
        const std::vector<QByteArray> folders{"a", "a/b", "a/c", "many"};
        QCOMPARE(plan.folders(), folders);
        std::vector<int> share(3, 0);
        for (int i = 11; i < int(entries.size()); ++i)
            ++share[size_t(plan.ownerOf(i))];
        for (int n : share)
            QVERIFY2(n >= 80 && n <= 120, qPrintable(QString::number(n)));
        for (int w = 0; w < 3; ++w)
            QCOMPARE(plan.ownerOf(plan.lastIndexOf(w)), w);

        // Numbered names may clash with any other entry; a hard link needs
        // its target first.
        QCOMPARE(KTZipExtractionPlan(entries, 3, false).workerCount(), 0);
        entries.push_back(entry("hard", Kind::Hardlink));
        QCOMPARE(KTZipExtractionPlan(entries, 3, true).workerCount(), 0);
    }

    // Deflated entries read and inflated without libarchive, as zip writes
    // them: the same files with one thread or two; any disagreement with the
    // central directory (CRC, sizes) or damaged data fails as damaged.
    void inflatedAsZipWrote()
    {
        for (int workers : {1, 2}) {
            QMap<QString, QByteArray> tree;
            const KTExtractionError error = inflate(m_zip, workers, &tree);
            QVERIFY2(error.ok(), qPrintable(error.message()));
            QCOMPARE(tree, m_expected);
        }
    }

    void directoryDisagrees_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("delta");
        QTest::newRow("crc") << 16 << 1;
        QTest::newRow("size-smaller") << 24 << -1;
        QTest::newRow("size-larger") << 24 << 1;
    }

    void directoryDisagrees()
    {
        QFETCH(int, field);
        QFETCH(int, delta);
        // Both headers tell the same lie: the data itself must be checked.
        const QString zip = edited([&](QByteArray &bytes) {
            const qsizetype at = KTZipBytes::centralRecord(bytes, "files/big.txt");
            QVERIFY(at >= 0);
            KTZipBytes::putLe32(bytes, at + field, KTZipBytes::le32(bytes, at + field) + quint32(delta));
            const qsizetype local = KTZipBytes::localHeader(bytes, "files/big.txt") + field - 2;
            KTZipBytes::putLe32(bytes, local, KTZipBytes::le32(bytes, local) + quint32(delta));
        });
        for (int workers : {1, 2}) {
            const KTExtractionError error = inflate(zip, workers);
            QCOMPARE(error.code, KTErrorCode::Damaged);
        }
    }

private:
    void inflaterSetUp()
    {
        const QString files = m_dir.filePath(QStringLiteral("files"));
        QVERIFY(QDir().mkpath(files + QStringLiteral("/sub")));
        kt_writeFile(files + QStringLiteral("/big.txt"), randomText(3 * 1024 * 1024, 1));
        kt_writeFile(files + QStringLiteral("/noise.bin"), randomBytes(400 * 1024, 2));
        kt_writeFile(files + QStringLiteral("/empty"), {});
        for (int i = 0; i < 40; ++i)
            kt_writeFile(files + QStringLiteral("/sub/f%1.txt").arg(i), randomText(100 + i * 997, 10 + i));
        m_expected = kt_snapshot(files, false);
        m_zip = m_dir.filePath(QStringLiteral("files.zip"));
        QVERIFY(KTTestArchives::run(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-6"),
                                                             m_zip, QStringLiteral("files")}, m_dir.path()));
    }

};

QTEST_GUILESS_MAIN(TestZip)
#include "tst_zip.moc"
