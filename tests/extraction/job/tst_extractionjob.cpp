#include "extraction/job/KTExtractionJob.h"
#include "app/core/KTPreferences.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "extraction/engine/KTUnarchiver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

    // The scratch folder is new, private and named "unarchiver" plus four characters.
    void scratchFolderWhileRunning()
    {
        const QString archive = m_dir.filePath("wait.zip");
        KTTestArchives::Options options;
        options.passphrase = "pw";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a", "a")}, options));
        KTExtractionJob job;
        auto prefs = kt_testPreferences();
        job.setPreferences(prefs.get());
        job.setTemporaryDirectory(m_tmp);
        QString seenDuringQuestion;
        job.setPasswordProvider([&] {
            seenDuringQuestion = job.desPath();
            return std::optional<QString>(QStringLiteral("pw"));
        });
        QSignalSpy done(&job, &KTExtractionJob::archiveFinished);
        QVERIFY(job.start(archive));
        QVERIFY(!job.start(archive)); // one job at a time
        QVERIFY(done.wait(30000));
        QVERIFY(QFileInfo(seenDuringQuestion).fileName().contains(QRegularExpression("^unarchiver[A-Za-z0-9]{4}$")));
        QCOMPARE(QFileInfo(seenDuringQuestion).path(), m_tmp);
        QVERIFY(!QFileInfo::exists(seenDuringQuestion));
    }

    void cancelWhileRunning()
    {
        const QString archive = m_dir.filePath("large.tar.gz");
        QVERIFY(KTTestArchives::write(archive, manyFiles(3000, 20000), "pax", "gzip"));
        KTExtractionJob job;
        auto prefs = kt_testPreferences();
        job.setPreferences(prefs.get());
        job.setTemporaryDirectory(m_tmp);
        QSignalSpy failed(&job, &KTExtractionJob::passwordErrorH);
        QSignalSpy hidden(&job, &KTExtractionJob::hiddenFields);
        QVERIFY(job.start(archive));
        QVERIFY(hidden.wait(10000));
        job.cancel();
        QVERIFY(failed.wait(30000));
        QCOMPARE(failed.first().first().value<KTExtractionError>().code, KTErrorCode::Cancelled);
        QVERIFY(!job.isRunning());
        QVERIFY(scratchFolders(m_tmp).isEmpty());
    }

    // Destroying a running job cancels and joins its thread, also while the
    // worker waits for a password question that a nested event loop answers
    // (as a modal dialog does) and the job is destroyed meanwhile.
    void destroyWhileRunning()
    {
        const QString archive = m_dir.filePath("large2.tar.gz");
        QVERIFY(KTTestArchives::write(archive, manyFiles(3000, 20000), "pax", "gzip"));
        auto prefs = kt_testPreferences();
        {
            KTExtractionJob job;
            job.setPreferences(prefs.get());
            job.setTemporaryDirectory(m_tmp);
            QVERIFY(job.start(archive));
            QTest::qWait(20);
        }
        const QString locked = m_dir.filePath("locked2.zip");
        KTTestArchives::Options options;
        options.passphrase = "pw";
        QVERIFY(KTTestArchives::write(locked, {KTTestEntry::file("a", "a")}, options));
        auto *job = new KTExtractionJob;
        job->setPreferences(prefs.get());
        job->setTemporaryDirectory(m_tmp);
        bool asked = false;
        job->setPasswordProvider([&] {
            asked = true;
            QEventLoop modal;
            QTimer::singleShot(50, [&] {
                delete job;
                job = nullptr;
                modal.quit();
            });
            modal.exec();
            return std::optional<QString>(QStringLiteral("pw"));
        });
        QVERIFY(job->start(locked));
        QTRY_VERIFY_WITH_TIMEOUT(asked && !job, 10000);
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
        const QString fixtures = kt_fixturesDir();
        if (fixtures.isEmpty())
            QSKIP("../shared/fixtures/libarchive-tests is absent");
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

    static std::vector<KTTestEntry> manyFiles(int count, int size)
    {
        std::vector<KTTestEntry> entries;
        for (int i = 0; i < count; ++i)
            entries.push_back(KTTestEntry::file("d" + QByteArray::number(i % 30) + "/f" + QByteArray::number(i),
                                                QByteArray::number(i).repeated(size / 4)));
        return entries;
    }

    KTTestFolder m_dir;
    QString m_tmp;
};

QTEST_GUILESS_MAIN(TestExtractionJob)
#include "tst_extractionjob.moc"
