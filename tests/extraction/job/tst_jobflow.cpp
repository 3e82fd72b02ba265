#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/job/KTExtractionJob.h"
#include "support/KTArena.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <sys/stat.h>

// One archive through KTExtractionJob as it goes well or is stopped.
class TestJobFlow : public QObject
{
    Q_OBJECT

    KTTestFolder m_dir;
    QString m_tmp;

private slots:
    void init() { m_tmp = m_dir.freshFolder(); }

    // One top-level item is the created item itself; extracting the same
    // archive again gives a second, unique result and keeps the first.
    void soloItemAndSecondRun()
    {
        const QString archive = m_dir.filePath("solo.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("photo.jpg", "jpeg bytes")}));
        QCOMPARE(kt_runJob({archive, m_tmp}).desPath, m_tmp + "/photo.jpg");
        QCOMPARE(kt_runJob({archive, m_tmp}).desPath, m_tmp + "/photo-2.jpg");
        QCOMPARE(kt_snapshot(m_tmp).keys(), QStringList({"photo-2.jpg", "photo.jpg"}));
        // A solo folder with the enclosing folder's own name.
        const QString folderArchive = m_dir.filePath("photos.tar.gz");
        QVERIFY(KTTestArchives::write(folderArchive, {KTTestEntry::dir("photos"), KTTestEntry::file("photos/x", "x")}, "pax", "gzip"));
        QCOMPARE(kt_runJob({folderArchive, m_tmp}).desPath, m_tmp + "/photos");
        QCOMPARE(kt_runJob({folderArchive, m_tmp}).desPath, m_tmp + "/photos-2");
        QVERIFY(kt_scratchFolders(m_tmp).isEmpty());
    }

    // The scratch folder is new, private and named "unarchiver" plus four
    // characters; one job at a time; it is gone once the result is moved up.
    void scratchFolderWhileRunning()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("a", "a")).add(KTScriptedEntry::file("b", "b"));
        const auto gate = script.holdAt(1);
        KTTestJob t(m_tmp, KTScriptedUnarchiver::factory(script));
        QSignalSpy done(&t.job, &KTExtractionJob::archiveFinished);
        QVERIFY(t.job.start(m_dir.filePath("wait.zip")));
        QVERIFY(!t.job.start(m_dir.filePath("other.zip")));
        QVERIFY(gate->waitUntilReached());
        const QString scratch = t.job.desPath();
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
        KTTestJob t(m_tmp, KTScriptedUnarchiver::factory(script));
        QSignalSpy failed(&t.job, &KTExtractionJob::passwordErrorH);
        QSignalSpy finished(&t.job, &KTExtractionJob::archiveFinished);
        QVERIFY(t.job.start(m_dir.filePath("big.zip")));
        QVERIFY(gate->waitUntilReached());
        QCOMPARE(QFileInfo(t.job.desPath() + "/big/big.bin").size(), 4000);
        t.job.cancel();
        QVERIFY(failed.wait(30000));
        QCOMPARE(failed.first().first().value<KTExtractionError>().code, KTErrorCode::Cancelled);
        QVERIFY(finished.isEmpty() && !t.job.isRunning() && !t.job.extractionSucceeded());
        QCOMPARE(kt_snapshot(m_tmp), (QMap<QString, QByteArray>()));
        QCOMPARE(script.log->lines(), QStringList({"parse", "will first.txt", KTScriptLog::did("first.txt"), "will big.bin",
                                                   "held big.bin", "stop", KTScriptLog::did("big.bin", KTErrorCode::Cancelled)}));
    }

    // Destroying a running job cancels and joins its thread, also while the
    // worker waits for a password question that a nested event loop answers
    // (as a modal dialog does) and the job is destroyed meanwhile.
    void destroyWhileRunning()
    {
        KTUnarchiverScript held;
        held.add(KTScriptedEntry::filled("big.bin", 1 << 20));
        const auto gate = held.holdAt(0, 1000);
        {
            KTTestJob t(m_tmp, KTScriptedUnarchiver::factory(held));
            QVERIFY(t.job.start(m_dir.filePath("held.zip")));
            QVERIFY(gate->waitUntilReached());
        }
        QCOMPARE(held.log->lines().mid(2), QStringList({"held big.bin", "stop", KTScriptLog::did("big.bin", KTErrorCode::Cancelled)}));

        KTUnarchiverScript locked;
        locked.password = QStringLiteral("pw");
        locked.add(KTScriptedEntry::file("a", "a"));
        locked.entries[0].isEncrypted = true;
        auto *t = new KTTestJob(m_tmp, KTScriptedUnarchiver::factory(locked));
        bool asked = false;
        t->job.setPasswordProvider([&] {
            asked = true;
            QEventLoop modal;
            QTimer::singleShot(0, &modal, [&] {
                delete t;
                t = nullptr;
                modal.quit();
            });
            modal.exec();
            return std::optional<QString>(QStringLiteral("pw"));
        });
        QVERIFY(t->job.start(m_dir.filePath("locked.zip")));
        QTRY_VERIFY_WITH_TIMEOUT(asked && !t, 10000);
        // The question was withdrawn: the entry failed without the late answer.
        QCOMPARE(locked.log->lines().last(), KTScriptLog::did("a", KTErrorCode::WrongPassword));
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
        KTTestJob t(m_tmp, KTScriptedUnarchiver::factory(script));
        QList<float> progress;
        QObject receiver;
        KTNotificationCenter::defaultCenter().addObserver(&receiver, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                          [&](const QVariant &v) { progress.append(v.toFloat()); });
        QSignalSpy done(&t.job, &KTExtractionJob::archiveFinished);
        QVERIFY(t.job.start(m_dir.filePath("progress.zip")));
        QVERIFY(gate->waitUntilReached());
        QTRY_VERIFY(!progress.isEmpty());
        QCOMPARE(progress.first(), 1000.0f / 40000.0f);
        for (float value : progress)
            QVERIFY2(value <= 25000.0f / 40000.0f, qPrintable(QString::number(value)));
        gate->release();
        QVERIFY(done.wait(30000));
        QCoreApplication::processEvents();
        QCOMPARE(progress.last(), 1.0f);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
    }

    void uniquePathRule()
    {
        const QString base = m_dir.freshFolder(QStringLiteral("uniq-"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/a.tar"), base + "/a.tar");
        QVERIFY(kt_writeFile(base + "/a.tar", "x") && kt_writeFile(base + "/a-2.tar", "x"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/a.tar"), base + "/a-3.tar");
        QVERIFY(QDir().mkpath(base + "/v1.2"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/v1.2"), base + "/v1.2-2");
        QVERIFY(QFile::link("nowhere", base + "/dangling"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/dangling"), base + "/dangling-2");
        // A name of the longest length makes room for its number; a NUL
        // (which the system would cut the name at) cannot loop forever.
        const QString longest = QString(125, QChar(u'é')) + "x.tar"; // 255 bytes
        QVERIFY(kt_writeFile(base + "/" + longest, "x"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/" + longest), base + "/" + QString(124, QChar(u'é')) + "-2.tar");
        QVERIFY(kt_writeFile(base + "/nul", "x"));
        QCOMPARE(KTUnarchiver::findUniquePathForOriginalPath(base + "/nul" + QChar(0) + "x"), base + "/nul_x");
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("photos.tar.gz"), QString("photos"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("notes.txt.gz"), QString("notes.txt"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("Backup.ZIP"), QString("Backup"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions(".zip"), QString(".zip"));
        // Volumes of a set are named after the set.
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("photos.part1.rar"), QString("photos"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("backup.7z.001"), QString("backup"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("mail.z01"), QString("mail"));
        QCOMPARE(KTUnarchiver::nameWithoutArchiveExtensions("tools.arj"), QString("tools"));
    }

    void destinationExists_data()
    {
        QTest::addColumn<QString>("taken");
        QTest::addColumn<bool>("solo");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder name is a folder") << QStringLiteral("set/") << false << QStringLiteral("set-2");
        QTest::newRow("folder name is a link") << QStringLiteral("set@") << false << QStringLiteral("set-2");
        QTest::newRow("solo file name is a file") << QStringLiteral("notes.txt") << true << QStringLiteral("notes-2.txt");
        QTest::newRow("solo file name is a link") << QStringLiteral("notes.txt@") << true << QStringLiteral("notes-2.txt");
    }

    // What the user has under the result's name stays as it was; the result
    // gets a free name beside it.
    void destinationExists()
    {
        QFETCH(QString, taken);
        QFETCH(bool, solo);
        QFETCH(QString, expected);
        KTArena arena;
        const QString archive = arena.filePath(QStringLiteral("set.zip"));
        std::vector<KTTestEntry> entries{KTTestEntry::file("notes.txt", "from the archive")};
        if (!solo)
            entries.push_back(KTTestEntry::file("other.txt", "other"));
        QVERIFY(KTTestArchives::write(archive, entries));
        const QString users = arena.tmp() + QLatin1Char('/') + taken.chopped(taken.endsWith('/') || taken.endsWith('@') ? 1 : 0);
        if (taken.endsWith(QLatin1Char('/')))
            QVERIFY(kt_writeFile(users + QStringLiteral("/notes.txt"), "mine"));
        else if (taken.endsWith(QLatin1Char('@')))
            QVERIFY(QFile::link(arena.canary() + QStringLiteral("/file"), users));
        else
            QVERIFY(kt_writeFile(users, "mine"));
        const auto before = kt_snapshot(arena.path());
        const KTJobOutcome out = kt_runJob({archive, arena.tmp()});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, arena.tmp() + QLatin1Char('/') + expected);
        auto after = kt_snapshot(arena.path());
        after.removeIf([&](QMap<QString, QByteArray>::iterator it) { return it.key().startsWith(QStringLiteral("tmp/") + expected); });
        QCOMPARE(after, before);
    }
};

QTEST_GUILESS_MAIN(TestJobFlow)
#include "tst_jobflow.moc"
