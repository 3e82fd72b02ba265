#include "extraction/job/KTExtractionJob.h"
#include "extraction/libarchive/KTReadProgressGuard.h"
#include "support/KTArena.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A tmpfs of a given size mounted for the life of the object; only root
// may mount, so isValid() is false for others.
class SmallDisk
{
public:
    SmallDisk(const QString &where, const QByteArray &options)
        : m_where(QFile::encodeName(where))
    {
        QDir().mkpath(where);
        m_mounted = ::geteuid() == 0 && ::mount("tmpfs", m_where.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_where.constData(), MNT_DETACH);
    }
    bool isValid() const { return m_mounted; }
    bool makeReadOnly()
    {
        return ::mount("tmpfs", m_where.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray m_where;
    bool m_mounted = false;
};

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

qint64 usedBytes(const QString &folder)
{
    qint64 total = 0;
    for (const QByteArray &v : kt_snapshot(folder, false))
        total += v.size();
    return total;
}

// Zip entries sharing one local header: the overlapped-entry bomb, written
// by hand with Python.
void writeOverlappingZip(const QString &path, int entries, const char *layout)
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
                                                    QString::number(entries), QString::fromLatin1(layout)});
}

// Changes the archive while the job waits for a password, which it asks
// for at the first encrypted entry's data.
QString changeDuringPassword(const QString &archive, const QString &how, const QString &other)
{
    if (how == QLatin1String("deleted"))
        QFile::remove(archive);
    else if (how == QLatin1String("truncated"))
        QFile(archive).resize(QFileInfo(archive).size() / 3);
    else if (how == QLatin1String("replaced"))
        ::rename(QFile::encodeName(other).constData(), QFile::encodeName(archive).constData());
    return QStringLiteral("pw");
}

} // namespace

class TestJobFaults : public QObject
{
    Q_OBJECT

private slots:
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
        SmallDisk disk(arena.tmp(), "size=4m,mode=0700");
        if (!disk.isValid())
            QSKIP("mounting a small tmpfs needs root; kt-extract's test covers a full disk through RLIMIT_FSIZE");
        const QByteArray zeros(48 << 20, '\0');
        const std::vector<KTTestEntry> entries{KTTestEntry::file("first.txt", "first"), KTTestEntry::file("bomb.bin", zeros),
                                               KTTestEntry::file("after.txt", "after")};
        const QString archive = arena.filePath(QStringLiteral("bomb.") + (kind == QLatin1String("tar.gz") ? kind : QStringLiteral("zip")));
        QVERIFY(KTTestArchives::write(archive, entries, kind == QLatin1String("tar.gz") ? "pax" : "zip",
                                      kind == QLatin1String("tar.gz") ? "gzip" : QByteArray()));
        if (kind == QLatin1String("lying.zip")) {
            // Every size field that says 48 MB says 1000 bytes instead.
            QFile f(archive);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QByteArray bytes = f.readAll();
            QByteArray real(4, '\0'), fake(4, '\0');
            qToLittleEndian<quint32>(quint32(zeros.size()), real.data());
            qToLittleEndian<quint32>(1000u, fake.data());
            QVERIFY(bytes.count(real) >= 1);
            bytes.replace(real, fake);
            QVERIFY(f.seek(0) && f.write(bytes) == bytes.size());
        }
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root);
        QVERIFY(!out.succeeded);
        if (kind == QLatin1String("lying.zip"))
            QVERIFY2(out.error.code == KTErrorCode::NoSpace || out.error.code == KTErrorCode::Damaged, qPrintable(out.error.message()));
        else
            QCOMPARE(out.error.code, KTErrorCode::NoSpace);
        QVERIFY(out.error.message().startsWith(QStringLiteral("No space left")) || kind == QLatin1String("lying.zip"));
        // Nothing after the failing entry, and the failing entry removed.
        QVERIFY(!root.isEmpty());
        const auto tree = kt_snapshot(root, false);
        for (const QString &path : tree.keys()) {
            QVERIFY2(!path.endsWith(QLatin1String("bomb.bin")), qPrintable(path));
            QVERIFY2(!path.endsWith(QLatin1String("after.txt")), qPrintable(path));
        }
        if (kind == QLatin1String("zip"))
            QVERIFY2(tree.isEmpty(), "the declared size was not checked first");
        QVERIFY(usedBytes(arena.tmp()) < 1024);
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
        writeOverlappingZip(archive, 400, qPrintable(layout));
        QVERIFY(QFileInfo(archive).size() < 100000);
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root);
        QVERIFY(!out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::UnsafeEntry);
        QVERIFY2(out.error.message().contains(QLatin1String("overlap")), qPrintable(out.error.message()));
        QVERIFY(usedBytes(arena.tmp()) == 0);
    }

    void archiveChangesWhileExtracting_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("code");
        // The open file keeps its data: the job finishes with the original.
        QTest::newRow("deleted") << QStringLiteral("deleted") << 0;
        QTest::newRow("replaced") << QStringLiteral("replaced") << 0;
        QTest::newRow("truncated") << QStringLiteral("truncated") << int(KTErrorCode::Damaged);
    }

    void archiveChangesWhileExtracting()
    {
        QFETCH(QString, how);
        QFETCH(int, code);
        KTArena arena;
        const QString archive = arena.filePath(QStringLiteral("changing.zip"));
        const QString other = arena.filePath(QStringLiteral("other.zip"));
        KTTestArchives::Options options;
        options.passphrase = "pw";
        std::vector<KTTestEntry> entries{KTTestEntry::file("a.txt", "first")};
        for (int i = 0; i < 8; ++i)
            entries.push_back(KTTestEntry::file("big" + QByteArray::number(i), randomBytes(256 * 1024, quint32(i))));
        QVERIFY(KTTestArchives::write(archive, entries, options));
        QVERIFY(KTTestArchives::write(other, {KTTestEntry::file("x", "replacement")}, options));
        arena.snapshot();
        QString root;
        KTJobRun run(archive, arena.tmp());
        run.passwordProvider = [&] { return std::optional<QString>(changeDuringPassword(archive, how, other)); };
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QCOMPARE(out.passwordRequests, 1);
        if (code == 0) {
            QVERIFY2(out.succeeded, qPrintable(out.error.message()));
            const auto tree = kt_snapshot(out.desPath, false);
            QCOMPARE(tree.size(), 9);
            QCOMPARE(tree.value(QStringLiteral("big7")), "f:-:" + randomBytes(256 * 1024, 7));
        } else {
            QVERIFY(!out.succeeded);
            QVERIFY2(int(out.error.code) == code, qPrintable(out.error.message()));
        }
    }

    // A temporary folder that cannot be written: a read-only mount (root
    // writes anywhere else), or a folder without write permission.
    void temporaryFolderNotWritable()
    {
        KTArena arena;
        const QString archive = arena.filePath(QStringLiteral("ok.zip"));
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a", "a")}));
        const QString readOnly = arena.filePath(QStringLiteral("ro"));
        SmallDisk disk(readOnly, "size=1m");
        if (disk.isValid())
            QVERIFY(disk.makeReadOnly());
        else
            QVERIFY(QDir().mkpath(readOnly) && QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
        const KTJobOutcome out = kt_runJob({archive, readOnly});
        QVERIFY(out.finished && !out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::TempDirFailed);
        QVERIFY(QDir(readOnly).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    // An archive on a read-only file system extracts, and stays as it was.
    void archiveOnReadOnlyPath()
    {
        KTArena arena;
        const QString folder = arena.filePath(QStringLiteral("media"));
        SmallDisk disk(folder, "size=1m");
        if (!disk.isValid())
            QSKIP("mounting a read-only tmpfs needs root");
        const QString archive = folder + QStringLiteral("/photos.tar.gz");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a.jpg", "a"), KTTestEntry::file("b.jpg", "b")}, "pax", "gzip"));
        QVERIFY(disk.makeReadOnly());
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(QFileInfo(root).fileName(), QStringLiteral("photos"));
    }

    void destinationExists_data()
    {
        QTest::addColumn<QString>("taken");
        QTest::addColumn<bool>("solo");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder name is a folder") << QStringLiteral("set/") << false << QStringLiteral("set-2");
        QTest::newRow("folder name is a file") << QStringLiteral("set") << false << QStringLiteral("set-2");
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
        // The user's item sits in the temporary folder, where results land.
        const QString name = taken.endsWith(QLatin1Char('/')) || taken.endsWith(QLatin1Char('@')) ? taken.chopped(1) : taken;
        const QString users = arena.tmp() + QLatin1Char('/') + name;
        if (taken.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir().mkpath(users));
            QFile f(users + QStringLiteral("/notes.txt"));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("mine"));
        } else if (taken.endsWith(QLatin1Char('@'))) {
            QVERIFY(QFile::link(arena.canary() + QStringLiteral("/file"), users));
        } else {
            QFile f(users);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("mine"));
        }
        const auto before = kt_snapshot(arena.path());
        const KTJobOutcome out = kt_runJob({archive, arena.tmp()});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, arena.tmp() + QLatin1Char('/') + expected);
        auto after = kt_snapshot(arena.path());
        for (auto it = after.begin(); it != after.end();)
            it = it.key().startsWith(QStringLiteral("tmp/") + expected) ? after.erase(it) : std::next(it);
        QCOMPARE(after, before);
    }

    void failureAtEntry_data()
    {
        QTest::addColumn<int>("index"); // -1: the archive cannot be opened
        QTest::addColumn<int>("code");
        QTest::addColumn<qint64>("afterBytes");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("left"); // in the scratch folder
        const QString willA = QStringLiteral("will a.txt"), didA = KTScriptLog::did("a.txt");
        const QString willDocs = QStringLiteral("will docs"), didDocs = KTScriptLog::did("docs");
        const QString willB = QStringLiteral("will docs/b.bin");
        QTest::newRow("cannot open") << -1 << int(KTErrorCode::Damaged) << qint64(0) << false << QStringList{"parse"}
                                     << QStringList();
        QTest::newRow("first entry not written") << 0 << int(KTErrorCode::WriteFailed) << qint64(0) << false
                                                 << QStringList{"parse", willA, KTScriptLog::did("a.txt", KTErrorCode::WriteFailed)}
                                                 << QStringList{"set"};
        QTest::newRow("disk full in the third entry")
            << 2 << int(KTErrorCode::NoSpace) << qint64(3000) << false
            << QStringList{"parse", willA, didA, willDocs, didDocs, willB, KTScriptLog::did("docs/b.bin", KTErrorCode::NoSpace)}
            << QStringList{"set", "set/a.txt", "set/docs"};
        // A backend that reports a bad entry and reads on: the job refuses
        // every later entry and still fails with the first cause.
        QTest::newRow("backend goes on") << 2 << int(KTErrorCode::Damaged) << qint64(100) << true
                                         << QStringList{"parse", willA, didA, willDocs, didDocs, willB,
                                                        KTScriptLog::did("docs/b.bin", KTErrorCode::Damaged), "refused c.txt"}
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
        KTArena arena;
        KTJobRun run(arena.filePath(QStringLiteral("set.zip")), arena.tmp());
        run.unarchiverFactory = KTScriptedUnarchiver::factory(script);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QVERIFY(!out.succeeded);
        QCOMPARE(int(out.error.code), code);
        QCOMPARE(script.log->lines(), log);
        if (left.isEmpty()) {
            QVERIFY(out.desPath.isEmpty());
            QVERIFY(QDir(arena.tmp()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        } else {
            QCOMPARE(QFileInfo(out.desPath).path(), arena.tmp());
            QCOMPARE(kt_snapshot(out.desPath).keys(), left);
        }
    }

    // An entry that cannot be written safely is left out and named; the job
    // goes on with the rest and succeeds, and a later real failure still
    // fails it.
    void unsafeEntryIsSkipped_data()
    {
        QTest::addColumn<bool>("laterFailure");
        QTest::newRow("only unsafe") << false;
        QTest::newRow("then damaged") << true;
    }

    void unsafeEntryIsSkipped()
    {
        QFETCH(bool, laterFailure);
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::filled(QStringLiteral("a.txt"), 1000)).add(KTScriptedEntry::file(QStringLiteral("b.txt"), "b"));
        script.add(KTScriptedEntry::file(QStringLiteral("c.txt"), "c")).add(KTScriptedEntry::file(QStringLiteral("d.txt"), "d"));
        script.failAt(1, KTErrorCode::UnsafeEntry);
        if (laterFailure)
            script.failAt(3, KTErrorCode::Damaged);
        KTArena arena;
        KTJobRun run(arena.filePath(QStringLiteral("set.zip")), arena.tmp());
        run.unarchiverFactory = KTScriptedUnarchiver::factory(script);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QCOMPARE(out.skipped.size(), 1);
        QCOMPARE(out.skipped.entries().front().name, QStringLiteral("b.txt"));
        QCOMPARE(out.skipped.entries().front().reason.code, KTErrorCode::UnsafeEntry);
        QVERIFY(script.log->lines().contains(KTScriptLog::did("c.txt")));
        if (laterFailure) {
            QVERIFY(!out.succeeded);
            QCOMPARE(out.error.code, KTErrorCode::Damaged);
            // What was read before the damage is kept and named.
            QCOMPARE(out.partialResult, out.desPath + QStringLiteral("/set"));
            QCOMPARE(kt_snapshot(out.partialResult).keys(), (QStringList{"a.txt", "c.txt"}));
        } else {
            QVERIFY(out.succeeded);
            QCOMPARE(kt_snapshot(out.desPath).keys(), (QStringList{"a.txt", "c.txt", "d.txt"}));
        }
    }

    // Headers and blocks that repeat without the read position moving end
    // the reading; 7z's empty files share a position but not a name.
    void progressGuard()
    {
        KTReadProgressGuard guard;
        for (int i = 0; i < 100000; ++i)
            QVERIFY(!guard.headerStalls(4096, "empty" + QByteArray::number(i)));
        for (qint64 position = 0; position < 100; ++position)
            QVERIFY(!guard.headerStalls(position, "same"));
        bool stalled = false;
        for (int i = 0; i <= KTReadProgressGuard::MaxRepeatedHeaders && !stalled; ++i)
            stalled = guard.headerStalls(100, "same");
        QVERIFY(stalled);

        KTReadProgressGuard data;
        for (int i = 0; i < 10 * KTReadProgressGuard::MaxEmptyBlocks; ++i)
            QVERIFY(!data.dataStalls(i / 2, i % 2 ? 0 : 512));
        stalled = false;
        for (int i = 0; i <= KTReadProgressGuard::MaxEmptyBlocks && !stalled; ++i)
            stalled = data.dataStalls(1 << 20, 0);
        QVERIFY(stalled);
    }
};

QTEST_GUILESS_MAIN(TestJobFaults)
#include "tst_jobfaults.moc"
