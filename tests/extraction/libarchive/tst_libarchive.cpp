#include "extraction/engine/KTArchiveVolumes.h"
#include "extraction/libarchive/KTBzip2Source.h"
#include "extraction/libarchive/KTDecompressingSource.h"
#include "extraction/libarchive/KTReadProgressGuard.h"
#include "extraction/libarchive/KTXzSource.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QRandomGenerator>
#include <QTest>

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <unistd.h>

namespace {

// Text lines and random runs, so that both long matches and literals occur.
QByteArray sampleData(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray data;
    data.reserve(size + 64 * 1024);
    while (data.size() < size) {
        if (random.bounded(4) == 0) {
            QByteArray noise(random.bounded(1, 64 * 1024) & ~3, Qt::Uninitialized);
            random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
            data += noise;
        } else {
            for (int i = random.bounded(50, 2000); i > 0; --i)
                data += "line " + QByteArray::number(random.bounded(100000)) + " of the sample text\n";
        }
    }
    data.truncate(size);
    return data;
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Processes whose parent is this one, zombies included.
int childCount()
{
    int count = 0;
    const QByteArray parent = "PPid:\t" + QByteArray::number(::getpid()) + '\n';
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (pid.front().isDigit() && status.open(QIODevice::ReadOnly) && status.readAll().contains(parent))
            ++count;
    }
    return count;
}

struct Decoded {
    bool ok = false;
    QByteArray bytes;
    QString error;
};

// Reads everything the source gives through libarchive's raw reader, then
// finish(); checks on the way that the compressed position only grows.
Decoded decode(KTDecompressingSource &source, qint64 fileSize)
{
    Decoded out;
    archive *a = archive_read_new();
    const std::unique_ptr<archive, decltype(&archive_read_free)> owner(a, archive_read_free);
    archive_read_support_format_raw(a);
    if (source.open(a) != ARCHIVE_OK) {
        out.error = QString::fromUtf8(archive_error_string(a));
        return out;
    }
    archive_entry *entry = nullptr;
    if (archive_read_next_header(a, &entry) != ARCHIVE_OK) {
        out.error = QString::fromUtf8(archive_error_string(a));
        return out;
    }
    qint64 position = 0;
    char buffer[64 * 1024];
    for (;;) {
        const la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
        if (n < 0) {
            out.error = QString::fromUtf8(archive_error_string(a));
            return out;
        }
        if (source.compressedBytesRead() < position || source.compressedBytesRead() > fileSize) {
            out.error = QStringLiteral("progress went back or past the end");
            return out;
        }
        position = source.compressedBytesRead();
        if (n == 0)
            break;
        out.bytes.append(buffer, n);
    }
    const KTExtractionError finished = source.finish();
    out.error = finished.detail;
    out.ok = finished.ok() && source.compressedBytesRead() == fileSize;
    return out;
}

} // namespace

// What libarchive reads through this program: the gzip, xz and bzip2
// sources against the files gzip, xz and bzip2 write (the same bytes out,
// damage never turned into a success with other bytes, no decoder thread or
// process left behind), entries without names, and multi-volume sets.
class TestLibArchive : public QObject
{
    Q_OBJECT

private:
    KTTestFolder m_dir;
    QByteArray m_data;

    // Writes m_data compressed by the shell command (reading plain, writing
    // to stdout) into name.
    QString compressed(const QString &name, const QString &command)
    {
        const QString plain = m_dir.filePath(QStringLiteral("plain"));
        if (!QFile::exists(plain))
            kt_writeFile(plain, m_data);
        const QString path = m_dir.filePath(name);
        KTTestArchives::run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("{ ") + command + QStringLiteral("; } > '") + path + '\''},
                            m_dir.path());
        return path;
    }

    Decoded decodeFile(const QString &path)
    {
        std::unique_ptr<KTDecompressingSource> source = KTDecompressingSource::forFile(path);
        if (!source)
            return {false, {}, QStringLiteral("no source for the file")};
        return decode(*source, QFileInfo(path).size());
    }

private slots:
    void initTestCase()
    {
        m_data = sampleData(3 * 1024 * 1024 + 12345, 16);
    }

    void sameBytes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("command");
        // Members one after the other, then bytes that are not a member.
        QTest::newRow("gzip-members") << "members.gz"
                                      << "head -c 1000000 plain | gzip -1; tail -c +1000001 plain | gzip -9; printf 'tail'";
        QTest::newRow("xz-blocks") << "blocks.xz" << "xz -T2 --block-size=300000 -c plain";
        // One thread writes one block without sizes in its header.
        QTest::newRow("xz-one-block") << "one.xz" << "xz -T1 -c plain";
        QTest::newRow("xz-streams") << "streams.xz"
                                    << "head -c 2000000 plain | xz -T2 --block-size=500000; tail -c +2000001 plain | xz -0";
        QTest::newRow("xz-sha256") << "sha.xz" << "xz -C sha256 -T2 --block-size=1000000 -c plain";
        if (KTBzip2Source::available())
            QTest::newRow("bzip2-streams") << "streams.bz2" << "head -c 1000000 plain | bzip2 -9; tail -c +1000001 plain | bzip2 -2";
    }

    void sameBytes()
    {
        QFETCH(QString, name);
        QFETCH(QString, command);
        const QString path = compressed(name, command);
        const Decoded out = decodeFile(path);
        QVERIFY2(out.ok, qPrintable(out.error));
        QCOMPARE(out.bytes, m_data);
    }

    // Single bytes changed and the file cut short: an error, or (where the
    // change hit bytes no check covers, as a header's name) the same bytes.
    void damaged_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("command");
        QTest::newRow("gzip-members") << "dm.gz" << "head -c 1500000 plain | gzip; tail -c +1500001 plain | gzip";
        QTest::newRow("xz-blocks") << "d.xz" << "xz -T2 --block-size=400000 -c plain";
        QTest::newRow("xz-one-block") << "d1.xz" << "xz -T1 -c plain";
        if (KTBzip2Source::available())
            QTest::newRow("bzip2-blocks") << "d.bz2" << "bzip2 -2 -c plain";
    }

    void damaged()
    {
        QFETCH(QString, name);
        QFETCH(QString, command);
        const QByteArray original = kt_readFile(compressed(name, command));
        const QString path = m_dir.filePath(QStringLiteral("damaged-") + name);
        QRandomGenerator random(quint32(qHash(name)));
        for (int k = 0; k < 24; ++k) {
            QByteArray flipped = original;
            const qsizetype at = random.bounded(flipped.size());
            flipped[at] = char(flipped.at(at) ^ (1 + random.bounded(255)));
            kt_writeFile(path, flipped);
            const Decoded out = decodeFile(path);
            QVERIFY2(!out.ok || out.bytes == m_data, qPrintable(QStringLiteral("flip at %1 passed with other bytes").arg(at)));
        }
        for (int k = 1; k <= 8; ++k) {
            const qsizetype at = original.size() * k / 9;
            kt_writeFile(path, original.left(at));
            const Decoded out = decodeFile(path);
            QVERIFY2(!out.ok, qPrintable(QStringLiteral("cut at %1 passed").arg(at)));
            QVERIFY(!out.error.isEmpty());
        }
    }

    // Dropping the source halfway joins the decoder's threads.
    void stopHalfway()
    {
        const QString path = compressed(QStringLiteral("stop.xz"), QStringLiteral("xz -T2 --block-size=200000 -c plain"));
        const int before = threadCount();
        int during = 0;
        {
            KTXzSource source(path);
            source.setThreads(2);
            archive *a = archive_read_new();
            const std::unique_ptr<archive, decltype(&archive_read_free)> owner(a, archive_read_free);
            archive_read_support_format_raw(a);
            QCOMPARE(source.open(a), ARCHIVE_OK);
            archive_entry *entry = nullptr;
            QCOMPARE(archive_read_next_header(a, &entry), ARCHIVE_OK);
            char buffer[4096];
            QVERIFY(archive_read_data(a, buffer, sizeof buffer) > 0);
            during = threadCount();
            QVERIFY(source.compressedBytesRead() < QFileInfo(path).size());
        }
        QVERIFY(during > before);
        QCOMPARE(threadCount(), before);
    }

    // Dropping a bzip2 source halfway kills and reaps lbzip2.
    void stopChildHalfway()
    {
        if (!KTBzip2Source::available())
            QSKIP("lbzip2 is not installed");
        const QString path = compressed(QStringLiteral("stop.bz2"), QStringLiteral("bzip2 -1 -c plain"));
        const int before = childCount();
        {
            std::unique_ptr<KTDecompressingSource> source = KTDecompressingSource::forFile(path);
            QVERIFY(source);
            archive *a = archive_read_new();
            const std::unique_ptr<archive, decltype(&archive_read_free)> owner(a, archive_read_free);
            archive_read_support_format_raw(a);
            QCOMPARE(source->open(a), ARCHIVE_OK);
            archive_entry *entry = nullptr;
            QCOMPARE(archive_read_next_header(a, &entry), ARCHIVE_OK);
            char buffer[4096];
            QVERIFY(archive_read_data(a, buffer, sizeof buffer) > 0);
            QCOMPARE(childCount(), before + 1);
            QVERIFY(source->compressedBytesRead() > 0);
        }
        QCOMPARE(childCount(), before);
    }

    // Without lbzip2 on the PATH, libarchive's own reader extracts bzip2.
    void bzip2WithoutLbzip2()
    {
        const QString tools = m_dir.freshFolder(QStringLiteral("tools-"));
        const QString bzip2 = QStandardPaths::findExecutable(QStringLiteral("bzip2"));
        QVERIFY(!bzip2.isEmpty());
        QVERIFY(QFile::link(bzip2, tools + QStringLiteral("/bzip2")));
        const QString path = compressed(QStringLiteral("alone.bz2"), QStringLiteral("bzip2 -1 -c plain"));
        const QString out = m_dir.freshFolder(QStringLiteral("out-"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), tools);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KT_EXTRACT_BIN), {QStringLiteral("-q"), QStringLiteral("-o"), out, path});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(kt_readFile(out + QStringLiteral("/alone")), m_data);
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

    // Entries without a name never fail an archive: a stream 7zz archived
    // from standard input is, as a single item, the result itself; files
    // take the archive's name, numbered from the second on, the same names
    // each time.
    void namelessEntries()
    {
        const QString tmp = m_dir.freshFolder();
        if (KTTestArchives::haveProgram("7zz")) {
            QVERIFY(kt_writeFile(tmp + "/in/data", m_data.left(6300)));
            QProcess p;
            p.setStandardInputFile(tmp + "/in/data");
            p.start("7zz", {"a", "-bd", "-si", tmp + "/report.7z"});
            QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
            const KTJobOutcome out = kt_runJob({tmp + "/report.7z", tmp});
            QVERIFY2(out.succeeded, qPrintable(out.error.message()));
            QCOMPARE(out.desPath, tmp + "/report");
            QCOMPARE(kt_readFile(out.desPath), m_data.left(6300));
        }
        const QString archive = tmp + "/bundle.7z";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("", "first"), KTTestEntry::file("named.txt", "n"),
                                                KTTestEntry::file("", "second")}, "7zip"));
        for (int run = 0; run < 2; ++run) {
            const KTJobOutcome outcome = kt_runJob({archive, m_dir.freshFolder()});
            QVERIFY2(outcome.succeeded, qPrintable(outcome.error.message()));
            QCOMPARE(kt_snapshot(outcome.desPath, false),
                     (QMap<QString, QByteArray>{{"bundle", "f:-:first"}, {"bundle-2", "f:-:second"}, {"named.txt", "f:-:n"}}));
        }
    }

    // An ar archive's index tables are no content and are left out; GNU ar
    // writes a name table ("//") for names longer than 15 bytes.
    void arIndexTables()
    {
        if (!KTTestArchives::haveProgram("ar"))
            QSKIP("ar is not installed");
        const QString tmp = m_dir.freshFolder(), longName = "a_member_with_a_rather_long_name.txt";
        QVERIFY(kt_writeFile(tmp + "/in/" + longName, "long") && kt_writeFile(tmp + "/in/short.txt", "short"));
        QVERIFY(KTTestArchives::run("ar", {"rc", tmp + "/members.a", longName, "short.txt"}, tmp + "/in"));
        QVERIFY(kt_readFile(tmp + "/members.a").contains("//"));
        const QString out = m_dir.freshFolder();
        const KTJobOutcome outcome = kt_runJob({tmp + "/members.a", out});
        QVERIFY2(outcome.succeeded, qPrintable(outcome.error.message()));
        QCOMPARE(outcome.desPath, out + "/members");
        QCOMPARE(kt_snapshot(outcome.desPath, false), (QMap<QString, QByteArray>{{longName, "f:-:long"}, {"short.txt", "f:-:short"}}));
    }

    void volumeSets_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QStringList>("volumes");
        QTest::newRow("rar parts, from the middle") << "a.part2.rar" << QStringList{"a.part1.rar", "a.part2.rar", "a.part3.rar"};
        QTest::newRow("rar parts, from the first") << "a.part1.rar" << QStringList{"a.part1.rar", "a.part2.rar", "a.part3.rar"};
        QTest::newRow("rar parts, two digits") << "b.part02.rar" << QStringList{"b.part01.rar", "b.part02.rar"};
        QTest::newRow("rar old style") << "c.r01" << QStringList{"c.rar", "c.r00", "c.r01"};
        QTest::newRow("7z pieces") << "d.7z.002" << QStringList{"d.7z.001", "d.7z.002"};
        QTest::newRow("rar alone") << "e.rar" << QStringList{"e.rar"};
        QTest::newRow("rar set of one") << "f.part1.rar" << QStringList{"f.part1.rar"};
        // Split zips end in the ".zip" that holds the directory; numbered
        // cabinets run from 1.
        QTest::newRow("zip by its .zip") << "m.zip" << QStringList{"m.z01", "m.z02", "m.zip"};
        QTest::newRow("zip by a piece") << "m.z02" << QStringList{"m.z01", "m.z02", "m.zip"};
        QTest::newRow("zip in capitals") << "P.Z01" << QStringList{"P.Z01", "P.ZIP"};
        QTest::newRow("lone zip") << "n.zip" << QStringList{"n.zip"};
        QTest::newRow("zip piece without its .zip") << "o.z01" << QStringList{"o.z01"};
        QTest::newRow("cabinets") << "disk2.cab" << QStringList{"disk1.cab", "disk2.cab", "disk3.cab"};
        QTest::newRow("cabinet set of one") << "solo1.cab" << QStringList{"solo1.cab"};
        QTest::newRow("lone cabinet") << "x.cab" << QStringList{"x.cab"};
    }

    // Whichever volume the user hands over, the whole set is read, from the
    // first volume on.
    void volumeSets()
    {
        QFETCH(QString, given);
        QFETCH(QStringList, volumes);
        const QString d = m_dir.filePath("sets");
        for (const char *name : {"a.part1.rar", "a.part2.rar", "a.part3.rar", "b.part01.rar", "b.part02.rar", "c.rar", "c.r00",
                                 "c.r01", "d.7z.001", "d.7z.002", "e.rar", "f.part1.rar", "m.z01", "m.z02", "m.zip", "n.zip",
                                 "o.z01", "P.Z01", "P.ZIP", "disk1.cab", "disk2.cab", "disk3.cab", "solo1.cab", "x.cab"})
            QVERIFY(QFile::exists(d + "/" + name) || kt_writeFile(d + "/" + name, {}));
        for (QString &volume : volumes)
            volume = d + "/" + volume;
        QCOMPARE(KTArchiveVolumes::volumesFor(d + "/" + given), volumes);
    }

    // A 7z split into byte ranges, handed over by its middle piece.
    void splitSevenZip()
    {
        const QString whole = m_dir.filePath("whole.7z"), tmp = m_dir.freshFolder();
        const QByteArray big = m_data.left(400000);
        QVERIFY(KTTestArchives::write(whole, {KTTestEntry::file("big.txt", big), KTTestEntry::file("small.txt", "s")}, "7zip"));
        const QByteArray bytes = kt_readFile(whole);
        const qsizetype third = bytes.size() / 3 + 1;
        for (int i = 0; i < 3; ++i)
            QVERIFY(kt_writeFile(m_dir.filePath(QStringLiteral("split.7z.%1").arg(i + 1, 3, 10, QLatin1Char('0'))), bytes.mid(i * third, third)));
        const KTJobOutcome out = kt_runJob({m_dir.filePath("split.7z.002"), tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, tmp + "/split");
        QCOMPARE(kt_readFile(out.desPath + "/big.txt"), big);
        QCOMPARE(out.progress.last(), 1.0f);
    }

    void rarVolumes_data()
    {
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("someFile");
        QTest::newRow("rar4 from part 3") << "test_rar_multivolume_multiple_files.part3.rar" << "LibarchiveAddingTest2.html";
        QTest::newRow("rar4 uncompressed") << "test_rar_multivolume_uncompressed_files.part10.rar" << "testdir/LibarchiveAddingTest.html";
        QTest::newRow("rar5 solid") << "test_read_format_rar5_multiarchive_solid.part01.rar" << "cebula.txt";
    }

    void rarVolumes()
    {
        QFETCH(QString, volume);
        QFETCH(QString, someFile);
        const QString fixtures = kt_needFixtures();
        if (fixtures.isEmpty())
            return;
        const QString tmp = m_dir.freshFolder();
        const KTJobOutcome out = kt_runJob({fixtures + "/" + volume, tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, tmp + "/" + volume.section('.', 0, 0));
        QVERIFY2(kt_snapshot(out.desPath).contains(someFile), qPrintable(kt_snapshot(out.desPath).keys().join(", ")));
    }
};

QTEST_GUILESS_MAIN(TestLibArchive)
#include "tst_libarchive.moc"
