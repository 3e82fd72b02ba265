#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/job/KTExtractionJob.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

namespace {

std::vector<KTTestEntry> twoTopLevelItems()
{
    return {KTTestEntry::dir("docs"), KTTestEntry::file("docs/a.txt", "alpha\n"),
            KTTestEntry::file("docs/sub/b.txt", QByteArray(100000, 'b')), KTTestEntry::file("readme.txt", "top\n")};
}

QStringList scratchFolders(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("unarchiver*")}, QDir::Dirs | QDir::Hidden);
}

} // namespace

class TestExtractionJob : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_tmp = m_dir.freshFolder();
        QVERIFY(!m_tmp.isEmpty());
    }

    void formats_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QByteArray>("filter");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("zip") << QByteArray("zip") << QByteArray() << "set.zip";
        QTest::newRow("7z") << QByteArray("7zip") << QByteArray() << "set.7z";
        QTest::newRow("ustar") << QByteArray("ustar") << QByteArray() << "set.tar";
        QTest::newRow("pax") << QByteArray("pax") << QByteArray() << "set.tar";
        QTest::newRow("gnutar") << QByteArray("gnutar") << QByteArray() << "set.tar";
        QTest::newRow("tar.gz") << QByteArray("pax") << QByteArray("gzip") << "set.tar.gz";
        QTest::newRow("tar.bz2") << QByteArray("pax") << QByteArray("bzip2") << "set.tar.bz2";
        QTest::newRow("tar.xz") << QByteArray("pax") << QByteArray("xz") << "set.tar.xz";
        QTest::newRow("tar.zst") << QByteArray("pax") << QByteArray("zstd") << "set.tar.zst";
    }

    // Several top-level items end up in one folder named after the archive,
    // moved up beside the scratch folder, which is gone.
    void formats()
    {
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, filter);
        QFETCH(QString, fileName);
        const QString archive = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + fileName);
        QVERIFY(KTTestArchives::write(archive, twoTopLevelItems(), format, filter));

        const KTJobOutcome out = kt_runJob({archive, m_tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(QFileInfo(out.desPath).path(), m_tmp);
        QCOMPARE(QFileInfo(out.desPath).fileName(), QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral("set"));
        const auto tree = kt_snapshot(out.desPath);
        QCOMPARE(tree.keys(), QStringList({"docs", "docs/a.txt", "docs/sub", "docs/sub/b.txt", "readme.txt"}));
        QCOMPARE(tree.value("docs/sub/b.txt").mid(tree.value("docs/sub/b.txt").lastIndexOf(':') + 1), QByteArray(100000, 'b'));
        QVERIFY(scratchFolders(m_tmp).isEmpty());
        QVERIFY(!out.progress.isEmpty());
        QCOMPARE(out.progress.last(), 1.0f);
        for (int i = 1; i < out.progress.size(); ++i)
            QVERIFY2(out.progress[i] >= out.progress[i - 1], "progress went backwards");
    }

    void realToolArchives_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("archive");
        QTest::newRow("zip stored") << "zip" << QStringList{"-q", "-r", "-0", "../a.zip", "photos", "c.txt"} << "a.zip";
        QTest::newRow("zip deflate") << "zip" << QStringList{"-q", "-r", "-9", "../b.zip", "photos", "c.txt"} << "b.zip";
        QTest::newRow("7zz lzma2") << "7zz" << QStringList{"a", "-bd", "../c.7z", "photos", "c.txt"} << "c.7z";
        QTest::newRow("7zz solid") << "7zz" << QStringList{"a", "-bd", "-ms=on", "-mx=9", "../d.7z", "photos", "c.txt"} << "d.7z";
        QTest::newRow("tar gnu") << "tar" << QStringList{"-cf", "../e.tar", "photos", "c.txt"} << "e.tar";
    }

    void realToolArchives()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, archive);
        if (!KTTestArchives::haveProgram(program))
            QSKIP(qPrintable(program + QStringLiteral(" is not installed")));
        const QString src = m_dir.filePath(QStringLiteral("src-") + archive);
        QVERIFY(QDir().mkpath(src + "/photos/sub"));
        writeFile(src + "/photos/one.jpg", QByteArray(5000, 'j'));
        writeFile(src + "/photos/sub/two.jpg", "second");
        writeFile(src + "/c.txt", "c");
        QVERIFY(KTTestArchives::run(program, arguments, src));

        const KTJobOutcome out = kt_runJob({m_dir.filePath(archive), m_tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        const auto expected = kt_snapshot(src);
        const auto got = kt_snapshot(out.desPath);
        QCOMPARE(got.keys(), expected.keys());
        QCOMPARE(got.value("photos/sub/two.jpg").endsWith(":second"), true);
    }

    // One top-level item is the created item itself; extracting the same
    // archive again gives a second, unique result and keeps the first.
    void soloItemAndSecondRun()
    {
        const QString archive = m_dir.filePath("solo.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("photo.jpg", "jpeg bytes")}));
        const KTJobOutcome first = kt_runJob({archive, m_tmp});
        QVERIFY(first.succeeded);
        QCOMPARE(first.desPath, m_tmp + "/photo.jpg");
        const KTJobOutcome second = kt_runJob({archive, m_tmp});
        QVERIFY(second.succeeded);
        QCOMPARE(second.desPath, m_tmp + "/photo-2.jpg");
        QVERIFY(QFile::exists(first.desPath));
        QCOMPARE(kt_snapshot(m_tmp).keys(), QStringList({"photo-2.jpg", "photo.jpg"}));

        const QString folderArchive = m_dir.filePath("photos.tar.gz");
        QVERIFY(KTTestArchives::write(folderArchive, {KTTestEntry::dir("photos"), KTTestEntry::file("photos/x", "x")}, "pax", "gzip"));
        // A solo folder with the enclosing folder's own name.
        QCOMPARE(kt_runJob({folderArchive, m_tmp}).desPath, m_tmp + "/photos");
        QCOMPARE(kt_runJob({folderArchive, m_tmp}).desPath, m_tmp + "/photos-2");
        QVERIFY(scratchFolders(m_tmp).isEmpty());
    }

    // A lone .gz or .bz2 yields the one decompressed file, named after the
    // archive without its last extension.
    void loneCompressedFile_data()
    {
        QTest::addColumn<QByteArray>("filter");
        QTest::addColumn<QString>("name");
        QTest::newRow("gz") << QByteArray("gzip") << "notes.txt.gz";
        QTest::newRow("bz2") << QByteArray("bzip2") << "notes.txt.bz2";
        QTest::newRow("xz") << QByteArray("xz") << "notes.txt.xz";
    }

    void loneCompressedFile()
    {
        QFETCH(QByteArray, filter);
        QFETCH(QString, name);
        const QByteArray data = QByteArray("line of notes\n").repeated(5000);
        KTTestArchives::writeCompressedFile(m_dir.filePath(name), data, filter);
        const KTJobOutcome out = kt_runJob({m_dir.filePath(name), m_tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, m_tmp + "/notes.txt");
        QFile f(out.desPath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), data);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("code");
        QTest::newRow("not an archive") << "text" << int(KTErrorCode::NotArchive);
        QTest::newRow("empty file") << "empty" << int(KTErrorCode::NotArchive);
        QTest::newRow("missing file") << "missing" << int(KTErrorCode::CannotOpen);
        QTest::newRow("folder") << "folder" << int(KTErrorCode::NotArchive);
        QTest::newRow("fifo") << "fifo" << int(KTErrorCode::NotArchive);
        QTest::newRow("truncated tar.gz") << "truncated" << int(KTErrorCode::Damaged);
        // An mtree "archive" would copy files of this machine into the result.
        QTest::newRow("mtree") << "mtree" << int(KTErrorCode::NotArchive);
    }

    // Every failure ends in the failure path with its cause; nothing is
    // presented as a result.
    void failures()
    {
        QFETCH(QString, kind);
        QFETCH(int, code);
        const QString path = m_dir.filePath("bad-" + kind + ".tar.gz");
        if (kind == "text")
            writeFile(path, "this is plain text, not an archive\n");
        else if (kind == "empty")
            writeFile(path, {});
        else if (kind == "mtree")
            writeFile(path, "#mtree\n./leak type=file contents=/etc/hostname\n");
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "truncated") {
            QByteArray big;
            for (int i = 0; i < 200000; ++i)
                big += QByteArray::number(i * 7919);
            QVERIFY(KTTestArchives::write(path, {KTTestEntry::file("big.bin", big)}, "pax", "gzip"));
            QFile f(path);
            QVERIFY(f.resize(f.size() / 2));
        }
        const KTJobOutcome out = kt_runJob({path, m_tmp});
        QVERIFY(out.finished);
        QVERIFY(!out.succeeded);
        QCOMPARE(int(out.error.code), code);
        QVERIFY(!out.error.message().isEmpty());
        if (kind == "truncated") {
            // The partly written file is removed.
            QCOMPARE(scratchFolders(m_tmp).size(), 1);
            QVERIFY(kt_snapshot(m_tmp + "/" + scratchFolders(m_tmp).first()).keys().filter("big.bin").isEmpty());
        } else {
            QVERIFY(scratchFolders(m_tmp).isEmpty());
        }
    }

    void unreadableArchive()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        const QString path = m_dir.filePath("locked.zip");
        QVERIFY(KTTestArchives::write(path, {KTTestEntry::file("a", "a")}));
        QVERIFY(QFile::setPermissions(path, {}));
        const KTJobOutcome out = kt_runJob({path, m_tmp});
        QVERIFY(!out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::CannotOpen);
    }

    void missingTemporaryDirectory()
    {
        const QString archive = m_dir.filePath("ok.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a", "a")}));
        const KTJobOutcome out = kt_runJob({archive, m_dir.filePath("does/not/exist")});
        QVERIFY(!out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::TempDirFailed);
    }

    // The scratch folder is new, private and named "unarchiver" plus four
    // characters; it is gone once the result is moved up.
    void scratchFolderWhileRunning()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("a", "a")).add(KTScriptedEntry::file("b", "b"));
        const auto gate = script.holdAt(1);
        KTExtractionJob job;
        auto prefs = kt_testPreferences();
        job.setPreferences(prefs.get());
        job.setTemporaryDirectory(m_tmp);
        job.setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QSignalSpy done(&job, &KTExtractionJob::archiveFinished);
        QVERIFY(job.start(m_dir.filePath("wait.zip")));
        QVERIFY(!job.start(m_dir.filePath("other.zip"))); // one job at a time
        QVERIFY(gate->waitUntilReached());
        const QString scratch = job.desPath();
        QVERIFY2(QFileInfo(scratch).fileName().contains(QRegularExpression("^unarchiver[A-Za-z0-9]{4}$")), qPrintable(scratch));
        QCOMPARE(QFileInfo(scratch).path(), m_tmp);
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(scratch).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0700u);
        QCOMPARE(kt_snapshot(scratch).keys(), QStringList({"wait", "wait/a"}));
        gate->release();
        QVERIFY(done.wait(30000));
        QCOMPARE(done.first().first().toString(), m_tmp + "/wait");
        QVERIFY(!QFileInfo::exists(scratch));
        QCOMPARE(script.log->count("parse"), 1);
    }

    // A cancel while an entry is half written: the entry stops at its next
    // block, the failure path reports Cancelled, and the scratch folder goes
    // with everything in it.
    void cancelMidEntry()
    {
        KTUnarchiverScript script;
        script.blockSize = 1000;
        script.add(KTScriptedEntry::file("first.txt", "first")).add(KTScriptedEntry::filled("big.bin", 1 << 20));
        script.add(KTScriptedEntry::file("after.txt", "after"));
        const auto gate = script.holdAt(1, 4000);
        KTExtractionJob job;
        auto prefs = kt_testPreferences();
        job.setPreferences(prefs.get());
        job.setTemporaryDirectory(m_tmp);
        job.setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QSignalSpy failed(&job, &KTExtractionJob::passwordErrorH);
        QSignalSpy finished(&job, &KTExtractionJob::archiveFinished);
        QVERIFY(job.start(m_dir.filePath("big.zip")));
        QVERIFY(gate->waitUntilReached());
        QCOMPARE(QFileInfo(job.desPath() + "/big/big.bin").size(), 4000);
        job.cancel();
        QVERIFY(failed.wait(30000));
        QCOMPARE(failed.first().first().value<KTExtractionError>().code, KTErrorCode::Cancelled);
        QVERIFY(finished.isEmpty());
        QVERIFY(!job.isRunning());
        QVERIFY(!job.extractionSucceeded());
        QCOMPARE(kt_snapshot(m_tmp), (QMap<QString, QByteArray>()));
        QCOMPARE(script.log->lines(), QStringList({"parse", "will first.txt", KTScriptLog::did("first.txt"), "will big.bin",
                                                   "held big.bin", "stop", KTScriptLog::did("big.bin", KTErrorCode::Cancelled)}));
    }

    // Destroying a running job cancels and joins its thread, also while the
    // worker waits for a password question that a nested event loop answers
    // (as a modal dialog does) and the job is destroyed meanwhile.
    void destroyWhileRunning()
    {
        auto prefs = kt_testPreferences();
        KTUnarchiverScript held;
        held.add(KTScriptedEntry::filled("big.bin", 1 << 20));
        const auto gate = held.holdAt(0, 1000);
        {
            KTExtractionJob job;
            job.setPreferences(prefs.get());
            job.setTemporaryDirectory(m_tmp);
            job.setUnarchiverFactory(KTScriptedUnarchiver::factory(held));
            QVERIFY(job.start(m_dir.filePath("held.zip")));
            QVERIFY(gate->waitUntilReached());
        }
        QCOMPARE(held.log->lines().mid(2), QStringList({"held big.bin", "stop", KTScriptLog::did("big.bin", KTErrorCode::Cancelled)}));

        KTUnarchiverScript locked;
        locked.password = QStringLiteral("pw");
        locked.add(KTScriptedEntry::file("a", "a"));
        locked.entries[0].isEncrypted = true;
        auto *job = new KTExtractionJob;
        job->setPreferences(prefs.get());
        job->setTemporaryDirectory(m_tmp);
        job->setUnarchiverFactory(KTScriptedUnarchiver::factory(locked));
        bool asked = false;
        job->setPasswordProvider([&] {
            asked = true;
            QEventLoop modal;
            QTimer::singleShot(0, &modal, [&] {
                delete job;
                job = nullptr;
                modal.quit();
            });
            modal.exec();
            return std::optional<QString>(QStringLiteral("pw"));
        });
        QVERIFY(job->start(m_dir.filePath("locked.zip")));
        QTRY_VERIFY_WITH_TIMEOUT(asked && !job, 10000);
        // The question was withdrawn: the entry failed without the late answer.
        QCOMPARE(locked.log->lines().last(), KTScriptLog::did("a", KTErrorCode::WrongPassword));
    }

    void passwords_data()
    {
        QTest::addColumn<bool>("namesEncrypted");
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<bool>("succeeds");
        for (bool names : {false, true}) {
            const char *where = names ? "names" : "data";
            QTest::addRow("%s right", where) << names << std::optional<QString>("s3cret") << true;
            QTest::addRow("%s wrong", where) << names << std::optional<QString>("nope") << false;
            QTest::addRow("%s empty", where) << names << std::optional<QString>("") << false;
            QTest::addRow("%s cancel", where) << names << std::optional<QString>() << false;
        }
    }

    // The provider is asked once, on the job's thread, whatever the number of
    // encrypted entries: at the first encrypted entry's data, or while the
    // archive is opened when its names are encrypted (before any scratch
    // folder exists). Anything but the right password fails with
    // WrongPassword at that entry.
    void passwords()
    {
        QFETCH(bool, namesEncrypted);
        QFETCH(std::optional<QString>, answer);
        QFETCH(bool, succeeds);
        KTUnarchiverScript script;
        script.password = QStringLiteral("s3cret");
        script.namesEncrypted = namesEncrypted;
        script.add(KTScriptedEntry::file("plain.txt", "plain")).add(KTScriptedEntry::file("one.txt", "secret one"));
        script.add(KTScriptedEntry::file("two.txt", "secret two"));
        script.entries[1].isEncrypted = script.entries[2].isEncrypted = true;
        KTJobRun run(m_dir.filePath("locked.zip"), m_tmp);
        run.unarchiverFactory = KTScriptedUnarchiver::factory(script);
        QThread *askedOn = nullptr;
        QStringList scratchDuringQuestion;
        run.passwordProvider = [&] {
            askedOn = QThread::currentThread();
            scratchDuringQuestion = scratchFolders(m_tmp);
            return answer;
        };
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QCOMPARE(out.passwordRequests, 1);
        QCOMPARE(askedOn, QThread::currentThread());
        QCOMPARE(scratchDuringQuestion.size(), namesEncrypted ? 0 : 1);
        QCOMPARE(script.log->count("password"), 1);
        QCOMPARE(out.succeeded, succeeds);
        if (succeeds) {
            QCOMPARE(kt_snapshot(out.desPath, false),
                     (QMap<QString, QByteArray>{{"one.txt", "f:-:secret one"}, {"plain.txt", "f:-:plain"}, {"two.txt", "f:-:secret two"}}));
            return;
        }
        QCOMPARE(out.error.code, KTErrorCode::WrongPassword);
        const QStringList log = script.log->lines();
        if (namesEncrypted) {
            QCOMPARE(log, QStringList({"parse", "password"}));
            QVERIFY(scratchFolders(m_tmp).isEmpty());
        } else {
            QCOMPARE(log.mid(1), QStringList({"will plain.txt", KTScriptLog::did("plain.txt"), "will one.txt", "password",
                                              KTScriptLog::did("one.txt", KTErrorCode::WrongPassword)}));
            // What came before stays in the scratch folder; the failed entry left nothing.
            QCOMPARE(kt_snapshot(out.desPath, false).keys(), QStringList({"locked", "locked/plain.txt"}));
        }
    }

    // "fileprogress" follows the bytes written: the first block's fraction
    // is posted at once, nothing runs ahead of what is on disk, the values
    // never go back, and the last is 1.
    void progressFollowsTheData()
    {
        KTUnarchiverScript script;
        script.blockSize = 1000;
        script.add(KTScriptedEntry::filled("a.bin", 10000)).add(KTScriptedEntry::folder("docs"));
        script.add(KTScriptedEntry::filled("docs/b.bin", 30000));
        const auto gate = script.holdAt(2, 15000);
        KTExtractionJob job;
        auto prefs = kt_testPreferences();
        job.setPreferences(prefs.get());
        job.setTemporaryDirectory(m_tmp);
        job.setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QList<float> progress;
        QObject receiver;
        KTNotificationCenter::defaultCenter().addObserver(&receiver, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                          [&](const QVariant &v) { progress.append(v.toFloat()); });
        QSignalSpy done(&job, &KTExtractionJob::archiveFinished);
        QVERIFY(job.start(m_dir.filePath("progress.zip")));
        QVERIFY(gate->waitUntilReached());
        QTRY_VERIFY(!progress.isEmpty());
        QCOMPARE(progress.first(), 1000.0f / 40000.0f);
        const float atGate = 25000.0f / 40000.0f;
        for (float value : progress)
            QVERIFY2(value <= atGate, qPrintable(QString::number(value)));
        gate->release();
        QVERIFY(done.wait(30000));
        QCoreApplication::processEvents();
        QCOMPARE(progress.last(), 1.0f);
        for (int i = 1; i < progress.size(); ++i)
            QVERIFY2(progress[i] >= progress[i - 1], "progress went backwards");
    }

    // The job takes its unarchiver from the factory it is given, on the
    // worker, for its own path; a factory's refusal is the job's failure;
    // an empty factory brings back the real backends.
    void unarchiverFactory()
    {
        QString askedFor;
        bool onWorker = false;
        const QThread *mainThread = QThread::currentThread();
        KTJobRun refused(m_dir.filePath("refused.zip"), m_tmp);
        refused.unarchiverFactory = [&](const QString &path, KTExtractionError *error) -> std::unique_ptr<KTUnarchiver> {
            askedFor = path;
            onWorker = QThread::currentThread() != mainThread;
            *error = KTExtractionError::make(KTErrorCode::BackendMissing, QStringLiteral("none here"));
            return nullptr;
        };
        const KTJobOutcome out = kt_runJob(refused);
        QVERIFY(out.finished && !out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::BackendMissing);
        QCOMPARE(askedFor, refused.archive);
        QVERIFY(onWorker);
        QVERIFY(scratchFolders(m_tmp).isEmpty());

        const QString archive = m_dir.filePath("real.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("real.txt", "real")}));
        KTExtractionJob job;
        auto prefs = kt_testPreferences();
        job.setPreferences(prefs.get());
        job.setTemporaryDirectory(m_tmp);
        job.setUnarchiverFactory(refused.unarchiverFactory);
        job.setUnarchiverFactory({});
        QSignalSpy done(&job, &KTExtractionJob::archiveFinished);
        QVERIFY(job.start(archive));
        QVERIFY(done.wait(30000));
        QCOMPARE(done.first().first().toString(), m_tmp + "/real.txt");
    }

    // Thousands of entries do not flood the main thread: about 30 posts a
    // second, and the last value always arrives.
    void progressIsCoalesced()
    {
        const QString archive = m_dir.filePath("many.zip");
        std::vector<KTTestEntry> entries;
        for (int i = 0; i < 20000; ++i)
            entries.push_back(KTTestEntry::file("f/" + QByteArray::number(i), QByteArray::number(i)));
        QVERIFY(KTTestArchives::write(archive, entries));
        QElapsedTimer timer;
        timer.start();
        const KTJobOutcome out = kt_runJob({archive, m_tmp});
        const qint64 ms = timer.elapsed();
        QVERIFY(out.succeeded);
        QCOMPARE(out.progress.last(), 1.0f);
        QVERIFY2(out.progress.size() <= ms * 30 / 1000 + 5,
                 qPrintable(QStringLiteral("%1 posts in %2 ms").arg(out.progress.size()).arg(ms)));
    }

    void uniquePathRule()
    {
        const QString base = m_dir.filePath("uniq");
        QVERIFY(QDir().mkpath(base));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/a.tar"), base + "/a.tar");
        writeFile(base + "/a.tar", "x");
        writeFile(base + "/a-2.tar", "x");
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/a.tar"), base + "/a-3.tar");
        QVERIFY(QDir().mkpath(base + "/v1.2"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/v1.2"), base + "/v1.2-2");
        QVERIFY(QFile::link("nowhere", base + "/dangling"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/dangling"), base + "/dangling-2");
        // A name of the longest length makes room for its number; a NUL
        // (which the system would cut the name at) cannot loop forever.
        const QString longest = QString(125, QChar(u'é')) + "x.tar"; // 255 bytes
        writeFile(base + "/" + longest, "x");
        const QString twin = KTUnarchiver::findUniquePathForOriginalPath(base + "/" + longest);
        QCOMPARE(twin, base + "/" + QString(124, QChar(u'é')) + "-2.tar");
        writeFile(twin, "x");
        writeFile(base + "/nul", "x");
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/nul" + QChar(0) + "x"), base + "/nul_x");

        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("photos.tar.gz"), QString("photos"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("notes.txt.gz"), QString("notes.txt"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("Backup.ZIP"), QString("Backup"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions(".zip"), QString(".zip"));
    }

    void fixtureRarArchives_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("rar4") << "test_read_format_rar.rar";
        QTest::newRow("rar5 solid") << "test_read_format_rar5_solid.rar";
        QTest::newRow("rar5 multiple files solid") << "test_read_format_rar5_multiple_files_solid.rar";
        QTest::newRow("rar5 stored many files") << "test_read_format_rar5_stored_manyfiles.rar";
        QTest::newRow("rar5 unicode") << "test_read_format_rar5_unicode.rar";
    }

    // RAR, which no tool here writes, against what bsdtar makes of it.
    void fixtureRarArchives()
    {
        QFETCH(QString, name);
        const QString fixtures = kt_needFixtures();
        if (fixtures.isEmpty())
            return;
        if (!KTTestArchives::haveProgram("bsdtar"))
            QSKIP("bsdtar is not installed");
        const QString archive = fixtures + "/" + name;
        const QString reference = m_dir.filePath("ref-" + name);
        QVERIFY(QDir().mkpath(reference));
        QVERIFY(KTTestArchives::run("bsdtar", {"-xf", archive, "-C", reference}));
        const KTJobOutcome out = kt_runJob({archive, m_tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        const bool solo = QDir(reference).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size() == 1;
        QCOMPARE(kt_snapshot(solo ? m_tmp : out.desPath, false), kt_snapshot(reference, false));
    }

private:
    static void writeFile(const QString &path, const QByteArray &data)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    KTTestFolder m_dir;
    QString m_tmp;
};

QTEST_GUILESS_MAIN(TestExtractionJob)
#include "tst_extractionjob.moc"
