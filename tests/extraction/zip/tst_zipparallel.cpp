#include "extraction/zip/KTParallelZipExtractor.h"
#include "extraction/zip/KTZipExtractionPlan.h"
#include "support/KTRandomData.h"
#include "support/KTSampleArchives.h"
#include "support/KTSerialComparison.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "support/KTZipBytes.h"

#include <QFileInfo>
#include <QStringEncoder>
#include <QTest>

// Zips on several threads: which entries may go to workers, and the outcome
// entry for entry the serial one's, also when the delegate declines entries
// or asks to stop.
namespace {

using Entries = std::vector<KTTestEntry>;

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
                                          KTRandomData::text(i % 10 == 0 ? 300000 : 100 + i * 37, quint32(i)),
                                          i % 3 == 0 ? 0755 : 0640);
        f.mtime = 1600000000 + i * 3600;
        e.push_back(f);
        if (i == 100) {
            e.push_back(KTTestEntry::symlink("deep/link-to-l2", "l1/l2"));
            e.push_back(KTTestEntry::file("empty", ""));
            e.push_back(KTTestEntry::file("setuid", "x", 04755));
        }
    }
    e.push_back(KTTestEntry::file("big.bin", KTRandomData::bytes(2 * 1024 * 1024, 7)));
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
        e.push_back(KTTestEntry::file(prefix + QByteArray::number(i), KTRandomData::text(2000 + i * 50, quint32(i + 1000))));
}
} // namespace

class TestZipParallel : public QObject
{
    Q_OBJECT

    KTTestFolder m_dir;
    KTSerialComparison m_serial{m_dir};

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
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
            legacy.push_back(KTTestEntry::file(name, KTRandomData::text(5000 + i * 100, quint32(i))));
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
        QVERIFY(KTZipBytes::damageDataInFile(folder + QStringLiteral("/damaged in the middle.zip"), "d/30"));

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
        KTRecordingDelegate settings;
        if (!password.isEmpty())
            settings.password = QString::fromUtf8(password);
        settings.filenameEncoding = encoding;
        m_serial.compare(archive, settings, true, code);
        m_serial.compare(archive, settings, false);
    }

    // A delegate that skips entries gets only the others, as serially.
    void declinedEntriesAreLeftOut()
    {
        Entries entries;
        addFiller(entries, "f/", 80);
        const QString archive = m_dir.filePath(QStringLiteral("declined.zip"));
        QVERIFY(KTTestArchives::write(archive, entries));
        KTRecordingDelegate settings;
        settings.declined = {0, 5, 40, 41, 79};
        m_serial.compare(archive, settings, true, 0);
        KTRecordingDelegate delegate;
        delegate.declined = settings.declined;
        const auto parallel = m_serial.extract(archive, 3, true, delegate);
        QCOMPARE(parallel.tree.size(), 80 - 5 + 2);
        QVERIFY(!parallel.tree.contains(QStringLiteral("declined/f/40")));
    }

    // A stop asked for mid-way: every worker ends, none outlives the
    // unarchiver's return, and nothing after the stopped entry stays.
    void stopEndsEveryWorker()
    {
        Entries entries;
        for (int i = 0; i < 48; ++i)
            entries.push_back(KTTestEntry::file("big/" + QByteArray::number(i), KTRandomData::text(1024 * 1024, quint32(i))));
        const QString archive = m_dir.filePath(QStringLiteral("stop.zip"));
        QVERIFY(KTTestArchives::write(archive, entries));
        const int before = kt_threadCount();
        KTRecordingDelegate delegate;
        // At the first report: the workers inflate these 48 MB in a few of
        // the calling thread's 20 ms polls.
        delegate.stopAfterProgress = 1;
        const auto result = m_serial.extract(archive, 3, true, delegate);
        QCOMPARE(kt_threadCount(), before);
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
};

QTEST_GUILESS_MAIN(TestZipParallel)
#include "tst_zipparallel.moc"
