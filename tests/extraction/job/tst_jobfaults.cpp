#include "app/core/KTPreferences.h"
#include "extraction/job/KTExtractionJob.h"
#include "support/KTArena.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTSmallDisk.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QTest>

#include <QtEndian>
#include <sys/stat.h>
#include <unistd.h>

// How KTExtractionJob fails, and what it leaves behind.
namespace {


// Zip entries sharing one local header: the overlapped-entry bomb, written
// by hand with Python.
void writeOverlappingZip(const QString &path, int entries, const QString &layout)
{
    static const char script[] = R"(
import sys, zlib, struct
path, count, layout = sys.argv[1], int(sys.argv[2]), sys.argv[3]
plain = bytes(8 << 20)
co = zlib.compressobj(9, zlib.DEFLATED, -15)
kernel = co.compress(plain) + co.flush()
crc = zlib.crc32(plain)
def local(name):
    return struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, 8, 0, 0, crc, len(kernel), len(plain), len(name), 0) + name
names = [b'f%04d' % i for i in range(count)]
body = local(names[0]) + kernel
central = b''
for i, name in enumerate(names):
    offset = 0 if layout == 'same' else min(i, 1) * 7
    central += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 0, 8, 0, 0, crc, len(kernel), len(plain),
                           len(name), 0, 0, 0, 0, 0, offset) + name
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, count, count, len(central), len(body), 0)
open(path, 'wb').write(body + central + end)
)";
    KTTestArchives::run(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(script), path,
                                                    QString::number(entries), layout});
}

} // namespace

class TestJobFaults : public QObject
{
    Q_OBJECT

    KTTestFolder m_dir;
    QString m_tmp;

private slots:
    void init() { m_tmp = m_dir.freshFolder(); }

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
        QTest::newRow("no temporary folder") << "notmp" << int(KTErrorCode::TempDirFailed);
        if (::geteuid() != 0) // root reads every file
            QTest::newRow("unreadable") << "unreadable" << int(KTErrorCode::CannotOpen);
    }

    // Every failure ends in the failure path with its cause; nothing is
    // presented as a result, and a partly written file is removed.
    void failures()
    {
        QFETCH(QString, kind);
        QFETCH(int, code);
        const QString path = m_dir.filePath("bad-" + kind + ".tar.gz");
        if (kind == "text" || kind == "mtree" || kind == "empty")
            QVERIFY(kt_writeFile(path, kind == "text" ? "this is plain text, not an archive\n"
                                       : kind == "mtree" ? "#mtree\n./leak type=file contents=/etc/hostname\n" : ""));
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "truncated" || kind == "notmp" || kind == "unreadable") {
            QByteArray big;
            for (int i = 0; i < 200000; ++i)
                big += QByteArray::number(i * 7919);
            QVERIFY(KTTestArchives::write(path, {KTTestEntry::file("big.bin", big)}, "pax", "gzip"));
            QFile f(path);
            QVERIFY(kind != "truncated" || f.resize(f.size() / 2));
            QVERIFY(kind != "unreadable" || f.setPermissions({}));
        }
        const KTJobOutcome out = kt_runJob({path, kind == "notmp" ? m_dir.filePath("does/not/exist") : m_tmp});
        QVERIFY(out.finished && !out.succeeded);
        QCOMPARE(int(out.error.code), code);
        QVERIFY(!out.error.message().isEmpty());
        QCOMPARE(kt_scratchFolders(m_tmp).size(), kind == "truncated" ? 1 : 0);
        if (kind == "truncated")
            QVERIFY(kt_snapshot(m_tmp + "/" + kt_scratchFolders(m_tmp).first()).keys().filter("big.bin").isEmpty());
    }

    void diskFull_data()
    {
        QTest::addColumn<QString>("kind");
        // The zip declares its size: refused before anything is written.
        QTest::newRow("zip declares too much") << QStringLiteral("zip");
        // tar.gz declares nothing: writing stops at the first failed write.
        QTest::newRow("tar.gz fills the disk") << QStringLiteral("tar.gz");
        // Declared small, expands large: writing stops all the same.
        QTest::newRow("zip lies about its size") << QStringLiteral("lying.zip");
    }

    // A high-ratio entry expands past the free space of a 4 MB disk.
    void diskFull()
    {
        QFETCH(QString, kind);
        KTArena arena;
        KTSmallDisk disk(arena.tmp(), "size=4m,mode=0700");
        if (!disk.isValid())
            QSKIP("mounting a small tmpfs needs root; failureAtEntry covers a full disk through the scripted backend");
        const QByteArray zeros(48 << 20, '\0');
        const bool tar = kind == QLatin1String("tar.gz");
        const QString archive = arena.filePath(QStringLiteral("bomb.") + (tar ? kind : QStringLiteral("zip")));
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("first.txt", "first"), KTTestEntry::file("bomb.bin", zeros),
                                                KTTestEntry::file("after.txt", "after")},
                                      tar ? "pax" : "zip", tar ? "gzip" : QByteArray()));
        if (kind == QLatin1String("lying.zip")) {
            // Every size field that says 48 MB says 1000 bytes instead.
            QByteArray bytes = kt_readFile(archive), real(4, '\0'), fake(4, '\0');
            qToLittleEndian<quint32>(quint32(zeros.size()), real.data());
            qToLittleEndian<quint32>(1000u, fake.data());
            QVERIFY(bytes.count(real) >= 1);
            QVERIFY(kt_writeFile(archive, bytes.replace(real, fake)));
        }
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root);
        QVERIFY(!out.succeeded);
        if (kind == QLatin1String("lying.zip"))
            QVERIFY2(out.error.code == KTErrorCode::NoSpace || out.error.code == KTErrorCode::Damaged, qPrintable(out.error.message()));
        else
            QCOMPARE(out.error.code, KTErrorCode::NoSpace);
        // Nothing after the failing entry, and the failing entry removed.
        QVERIFY(!root.isEmpty());
        const auto tree = kt_snapshot(root, false);
        for (const QString &path : tree.keys())
            QVERIFY2(!path.endsWith(QLatin1String("bomb.bin")) && !path.endsWith(QLatin1String("after.txt")), qPrintable(path));
        if (kind == QLatin1String("zip"))
            QVERIFY2(tree.isEmpty(), "the declared size was not checked first");
        qint64 used = 0;
        for (const QByteArray &v : kt_snapshot(arena.tmp(), false))
            used += v.size();
        QVERIFY(used < 1024);
    }

    void overlappingZipEntries_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("one local header for all") << QStringLiteral("same");
        QTest::newRow("headers inside the data") << QStringLiteral("inside");
    }

    // 400 entries of 8 MB each from one 8 KB deflate stream: refused before
    // anything is written, whatever the free space.
    void overlappingZipEntries()
    {
        QFETCH(QString, layout);
        if (!KTTestArchives::haveProgram(QStringLiteral("python3")))
            QSKIP("python3 is not installed");
        KTArena arena;
        const QString archive = arena.filePath(QStringLiteral("overlap.zip"));
        writeOverlappingZip(archive, 400, layout);
        QVERIFY(QFileInfo(archive).size() < 100000);
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root);
        QVERIFY(!out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::UnsafeEntry);
        QVERIFY2(out.error.message().contains(QLatin1String("overlap")), qPrintable(out.error.message()));
        QVERIFY(kt_snapshot(arena.tmp()).isEmpty());
    }

    // An archive on a read-only file system extracts, and stays as it was.
    void archiveOnReadOnlyFileSystem()
    {
        KTArena arena;
        const QString folder = arena.filePath(QStringLiteral("media"));
        KTSmallDisk media(folder, "size=1m");
        if (!media.isValid())
            QSKIP("mounting a read-only tmpfs needs root");
        const QString photos = folder + QStringLiteral("/photos.tar.gz");
        QVERIFY(KTTestArchives::write(photos, {KTTestEntry::file("a.jpg", "a"), KTTestEntry::file("b.jpg", "b")}, "pax", "gzip"));
        QVERIFY(media.makeReadOnly());
        arena.snapshot();
        QString root;
        const KTJobOutcome fromMedia = arena.run(photos, &root);
        QVERIFY2(fromMedia.succeeded, qPrintable(fromMedia.error.message()));
        QCOMPARE(QFileInfo(root).fileName(), QStringLiteral("photos"));
    }

    void failureAtEntry_data()
    {
        QTest::addColumn<int>("index"); // -1: the archive cannot be opened
        QTest::addColumn<int>("code");
        QTest::addColumn<qint64>("afterBytes");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("left"); // in the scratch folder
        const QStringList toB{"parse", "will a.txt", KTScriptLog::did("a.txt"), "will docs", KTScriptLog::did("docs"),
                              "will docs/b.bin"};
        QTest::newRow("cannot open") << -1 << int(KTErrorCode::Damaged) << qint64(0) << false << QStringList{"parse"}
                                     << QStringList();
        QTest::newRow("first entry not written") << 0 << int(KTErrorCode::WriteFailed) << qint64(0) << false
                                                 << QStringList{"parse", "will a.txt", KTScriptLog::did("a.txt", KTErrorCode::WriteFailed)}
                                                 << QStringList{"set"};
        QTest::newRow("disk full in the third entry") << 2 << int(KTErrorCode::NoSpace) << qint64(3000) << false
                                                      << toB + QStringList{KTScriptLog::did("docs/b.bin", KTErrorCode::NoSpace)}
                                                      << QStringList{"set", "set/a.txt", "set/docs"};
        // A backend that reports a bad entry and reads on: the job refuses
        // every later entry and still fails with the first cause.
        QTest::newRow("backend goes on") << 2 << int(KTErrorCode::Damaged) << qint64(100) << true
                                         << toB + QStringList{KTScriptLog::did("docs/b.bin", KTErrorCode::Damaged), "refused c.txt"}
                                         << QStringList{"set", "set/a.txt", "set/docs"};
    }

    // The first failing entry ends the job with its cause: the entries before
    // it were extracted and reported, none after it; what it wrote is gone,
    // and the scratch folder keeps the rest.
    void failureAtEntry()
    {
        QFETCH(int, index);
        QFETCH(int, code);
        QFETCH(qint64, afterBytes);
        QFETCH(bool, goesOn);
        QFETCH(QStringList, log);
        QFETCH(QStringList, left);
        KTUnarchiverScript script;
        script.blockSize = 1000;
        script.goesOnAfterFailure = goesOn;
        script.add(KTScriptedEntry::filled(QStringLiteral("a.txt"), 1000)).add(KTScriptedEntry::folder(QStringLiteral("docs")));
        script.add(KTScriptedEntry::filled(QStringLiteral("docs/b.bin"), 10000)).add(KTScriptedEntry::file(QStringLiteral("c.txt"), "c"));
        if (index < 0)
            script.parseFailure = KTErrorCode(code);
        else
            script.failAt(index, KTErrorCode(code), afterBytes);
        KTJobRun run(m_dir.filePath(QStringLiteral("set.zip")), m_tmp);
        run.unarchiverFactory = KTScriptedUnarchiver::factory(script);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished && !out.succeeded);
        QCOMPARE(int(out.error.code), code);
        QCOMPARE(script.log->lines(), log);
        if (left.isEmpty()) {
            QVERIFY(out.desPath.isEmpty());
            QVERIFY(QDir(m_tmp).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        } else {
            QCOMPARE(QFileInfo(out.desPath).path(), m_tmp);
            QCOMPARE(kt_snapshot(out.desPath).keys(), left);
        }
    }

    // An entry that cannot be written safely is left out and named; the job
    // goes on with the rest, and a later real failure still fails it,
    // keeping what was read before the damage.
    void unsafeEntryIsSkipped()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::filled(QStringLiteral("a.txt"), 1000)).add(KTScriptedEntry::file(QStringLiteral("b.txt"), "b"));
        script.add(KTScriptedEntry::file(QStringLiteral("c.txt"), "c")).add(KTScriptedEntry::file(QStringLiteral("d.txt"), "d"));
        script.failAt(1, KTErrorCode::UnsafeEntry).failAt(3, KTErrorCode::Damaged);
        KTJobRun run(m_dir.filePath(QStringLiteral("set.zip")), m_tmp);
        run.unarchiverFactory = KTScriptedUnarchiver::factory(script);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished && !out.succeeded);
        QCOMPARE(out.skipped.size(), 1);
        QCOMPARE(out.skipped.entries().front().name, QStringLiteral("b.txt"));
        QCOMPARE(out.skipped.entries().front().reason.code, KTErrorCode::UnsafeEntry);
        QCOMPARE(out.error.code, KTErrorCode::Damaged);
        QCOMPARE(out.partialResult, out.desPath + QStringLiteral("/set"));
        QCOMPARE(kt_snapshot(out.partialResult).keys(), (QStringList{"a.txt", "c.txt"}));
    }
};

QTEST_GUILESS_MAIN(TestJobFaults)
#include "tst_jobfaults.moc"
