#include "support/KTArena.h"
#include "support/KTRandomData.h"
#include "support/KTSampleArchives.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

constexpr int TimeoutMs = 30000;
constexpr int TruncationPoints = 16;
constexpr int ByteFlips = 32;

// Formats whose every byte of data is covered by a checksum: a damaged one
// that still extracts must give the original bytes.
bool dataIsChecksummed(const QString &fileName)
{
    for (const char *ext : {".zip", ".7z", ".gz", ".bz2", ".xz"})
        if (fileName.endsWith(QLatin1String(ext)))
            return true;
    return false;
}

const std::vector<KTTestEntry> &threeFiles()
{
    // The last one does not compress, so that a cut lands inside its data.
    static const std::vector<KTTestEntry> entries = [] {
        QByteArray noise(30000, Qt::Uninitialized);
        QRandomGenerator random(15);
        for (char &c : noise)
            c = char('a' + random.bounded(26));
        return std::vector<KTTestEntry>{KTTestEntry::file("a.txt", QByteArray("alpha ").repeated(3000)),
                                        KTTestEntry::file("b/b.txt", QByteArray("beta ").repeated(2000)),
                                        KTTestEntry::file("c.txt", "gamma " + noise)};
    }();
    return entries;
}

// Writes one damaged archive of the given kind into path.
bool writeDamaged(const QString &kind, const QString &path)
{
    KTTestArchives::Options options;
    if (kind.startsWith(QLatin1String("tar")))
        options.format = "pax";
    if (kind == QLatin1String("tar.gz-cut"))
        options.filter = "gzip";
    if (kind == QLatin1String("zip-encrypted-cut"))
        options.passphrase = "secret";
    if (kind == QLatin1String("zip-stored-cut"))
        options.compression = "store";
    if (!KTTestArchives::write(path, threeFiles(), options))
        return false;
    QByteArray bytes = kt_readFile(path);
    const qsizetype directory = bytes.indexOf(QByteArray("PK\x01\x02", 4));
    if (kind.endsWith(QLatin1String("-cut")) && kind.startsWith(QLatin1String("zip")))
        bytes.truncate(directory);
    else if (kind == QLatin1String("zip-cut-in-last"))
        bytes.truncate(bytes.indexOf("c.txt") + 2000);
    else if (kind == QLatin1String("tar-cut-in-last"))
        bytes.truncate(bytes.indexOf("gamma") + 2000);
    else if (kind.endsWith(QLatin1String("-cut")))
        bytes.truncate(bytes.size() * 3 / 4);
    return kt_writeFile(path, bytes);
}

} // namespace

// Damaged archives through the job inside a KTArena: a failure has a cause
// and keeps what could be read before the damage, checked entry by entry;
// damaged data never comes out as a whole file.
class TestDamage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_samples;
    QMap<QString, QByteArray> m_archives;
    QMap<QString, QMap<QString, QByteArray>> m_originals;

private slots:
    void initTestCase()
    {
        QVERIFY(m_samples.isValid());
        const QStringList written = KTSampleArchives::write(m_samples.path());
        QVERIFY(!written.isEmpty());
        for (const QString &path : written) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            m_archives.insert(QFileInfo(path).fileName(), f.readAll());
        }
        // Every kind whole: its tree in a folder named after the archive (a
        // lone .gz: the one file), progress that never goes back and ends at
        // 1; the original of each is what a lucky damaged copy must match.
        QStringList sampleTree = KTSampleArchives::sampleTree();
        sampleTree.sort();
        for (auto it = m_archives.cbegin(); it != m_archives.cend(); ++it) {
            KTArena arena;
            const QString archive = arena.filePath(it.key());
            QVERIFY(kt_writeFile(archive, it.value()));
            arena.snapshot();
            QString root;
            const KTJobOutcome out = arena.run(archive, &root, TimeoutMs, [] { return QString::fromLatin1(KTSampleArchives::Password); });
            QVERIFY2(out.succeeded, qPrintable(it.key() + QStringLiteral(": ") + out.error.message()));
            QVERIFY(std::is_sorted(out.progress.begin(), out.progress.end()) && out.progress.last() == 1.0f);
            m_originals.insert(it.key(), kt_snapshot(root, false));
            if (it.key().startsWith(QLatin1String("lone"))) {
                QCOMPARE(QFileInfo(root).fileName(), QStringLiteral("lone.txt"));
                continue;
            }
            QCOMPARE(QFileInfo(root).fileName(), it.key().section(QLatin1Char('.'), 0, 0));
            QStringList tree;
            for (auto item = m_originals[it.key()].cbegin(); item != m_originals[it.key()].cend(); ++item)
                tree << item.key() + (item.value() == "d" ? QStringLiteral("/") : QString());
            tree.sort();
            QCOMPARE(tree, sampleTree);
        }
    }

    void damaged_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QByteArray>("bytes");
        for (auto it = m_archives.cbegin(); it != m_archives.cend(); ++it) {
            const QByteArray &original = it.value();
            const qsizetype size = original.size();
            for (int k = 1; k <= TruncationPoints; ++k) {
                const qsizetype at = size * k / (TruncationPoints + 1);
                QTest::addRow("%s/cut-%lld", qPrintable(it.key()), qlonglong(at)) << it.key() << original.left(at);
            }
            QRandomGenerator random(quint32(qHash(it.key())));
            for (int k = 0; k < ByteFlips; ++k) {
                QByteArray flipped = original;
                const qsizetype at = random.bounded(size);
                const char value = char(1 + random.bounded(255));
                flipped[at] = char(flipped.at(at) ^ value);
                QTest::addRow("%s/flip-%lld-%02x", qPrintable(it.key()), qlonglong(at), int(uchar(value)))
                    << it.key() << flipped;
            }
        }
    }

    // Each ends in time, touches nothing outside its folder, and either fails
    // with a cause or succeeds with a safe tree.
    void damaged()
    {
        QFETCH(QString, sample);
        QFETCH(QByteArray, bytes);
        KTArena arena;
        QVERIFY(arena.isValid());
        const QString archive = arena.filePath(sample);
        QVERIFY(kt_writeFile(archive, bytes));
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root, TimeoutMs, [] { return QString::fromLatin1(KTSampleArchives::Password); });
        if (QTest::currentTestFailed() || !out.succeeded)
            return;
        if (!dataIsChecksummed(sample))
            return;
        // Names are not always checksummed, contents are: what came out under
        // an original name holds the original bytes.
        const auto original = m_originals.value(sample);
        const auto got = kt_snapshot(root, false);
        for (auto it = got.cbegin(); it != got.cend(); ++it) {
            if (original.contains(it.key()) && it.value().startsWith("f:"))
                QVERIFY2(original.value(it.key()) == it.value(), qPrintable(it.key()));
        }
    }

    // What could be read before the damage is kept beside the failure,
    // entry by entry checked; the entry that failed is gone.
    void partialResult_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("kept");
        const int damaged = int(KTErrorCode::Damaged);
        const QStringList all{"a.txt", "b/b.txt", "c.txt"};
        QTest::newRow("zip cut before its directory") << "zip-cut" << "zip" << damaged << all;
        QTest::newRow("stored zip cut before its directory") << "zip-stored-cut" << "zip" << damaged << all;
        QTest::newRow("zip cut in its last entry") << "zip-cut-in-last" << "zip" << damaged << QStringList{"a.txt", "b/b.txt"};
        QTest::newRow("tar cut in its last entry") << "tar-cut-in-last" << "tar" << damaged << QStringList{"a.txt", "b/b.txt"};
        QTest::newRow("tar.gz cut") << "tar.gz-cut" << "tar.gz" << damaged << QStringList{"a.txt", "b/b.txt"};
        // A wrong password is not damage: nothing is offered.
        QTest::newRow("encrypted zip cut, wrong password") << "zip-encrypted-cut" << "zip" << int(KTErrorCode::WrongPassword)
                                                           << QStringList();
    }

    void partialResult()
    {
        QFETCH(QString, kind);
        QFETCH(QString, ext);
        QFETCH(int, code);
        QFETCH(QStringList, kept);
        KTArena arena;
        const QString archive = arena.filePath(QStringLiteral("set.") + ext);
        QVERIFY(writeDamaged(kind, archive));
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root, TimeoutMs, [] { return QStringLiteral("wrong"); });
        QVERIFY(!out.succeeded);
        QCOMPARE(int(out.error.code), code);
        if (kept.isEmpty()) {
            QVERIFY(out.partialResult.isEmpty());
            return;
        }
        QCOMPARE(out.partialResult, out.desPath + QStringLiteral("/set"));
        QMap<QString, QByteArray> expected;
        for (const KTTestEntry &e : threeFiles()) {
            if (kept.contains(QString::fromUtf8(e.name)))
                expected.insert(QString::fromUtf8(e.name), "f:-:" + e.data);
        }
        const auto got = kt_snapshot(out.partialResult, false);
        QMap<QString, QByteArray> files;
        for (auto it = got.cbegin(); it != got.cend(); ++it) {
            if (it.value() != "d")
                files.insert(it.key(), it.value());
        }
        QCOMPARE(files, expected);
    }

    // A tar whose last entry declares more data than the archive holds: that
    // entry is damaged and gone, not a short file; the one before is kept.
    void shortEntryIsDamaged()
    {
        KTArena arena;
        const QString archive = arena.filePath(QStringLiteral("short.tar"));
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("keep.txt", "keep"),
                                                KTTestEntry::file("log.txt", QByteArray("L").repeated(2176))}, "ustar"));
        QByteArray bytes = kt_readFile(archive);
        // keep.txt's header and block, log.txt's header and one of its five blocks.
        bytes.truncate(4 * 512);
        QVERIFY(kt_writeFile(archive, bytes));
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root, TimeoutMs);
        QVERIFY(!out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::Damaged);
        QCOMPARE(kt_snapshot(out.partialResult, false), (QMap<QString, QByteArray>{{"keep.txt", "f:-:keep"}}));
    }

    void truncatedDataLeavesNoPartialFile();
    void corruptDataIsRefused_data();
    void corruptDataIsRefused();
};

// A tar.xz whose data ends early: the file is removed, not left half written.
void TestDamage::truncatedDataLeavesNoPartialFile()
{
    const QString ext = QStringLiteral("tar.xz");
    KTArena arena;
    const QByteArray big = KTRandomData::bytes(4 * 1024 * 1024, 7);
    const QString archive = arena.filePath(QStringLiteral("hostile.") + ext);
    KTTestArchives::write(archive, {KTTestEntry::file("keep.txt", "keep"), KTTestEntry::file("big.bin", big)}, "pax", "xz");
    QFile f(archive);
    QVERIFY(f.resize(f.size() / 2));
    arena.snapshot();

    QString root;
    const KTJobOutcome outcome = arena.runHostile(archive, &root);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!outcome.succeeded);
    QCOMPARE(outcome.error.code, KTErrorCode::Damaged);
    QCOMPARE(KTArena::describe(root, QStringLiteral("keep.txt")), QByteArray("=keep"));
    QCOMPARE(KTArena::describe(root, QStringLiteral("big.bin")), QByteArray("absent"));
    QCOMPARE(outcome.partialResult, root);
}

// Stored data with one byte changed: only the checksum can tell, and a file
// that fails it must not come out as if it were whole.
void TestDamage::corruptDataIsRefused_data()
{
    QTest::addColumn<QString>("ext");
    QTest::newRow("zip-store") << QStringLiteral("zip");
    QTest::newRow("7z-copy") << QStringLiteral("7z");
}

void TestDamage::corruptDataIsRefused()
{
    QFETCH(QString, ext);
    KTArena arena;
    const QByteArray data = QByteArray("0123456789abcdef").repeated(4096) + "MARK" + QByteArray("x").repeated(100);
    const QString archive = arena.filePath(QStringLiteral("hostile.") + ext);
    if (ext == QLatin1String("zip")) {
        KTTestArchives::Options options;
        options.compression = "store";
        KTTestArchives::write(archive, {KTTestEntry::file("keep.txt", "keep"), KTTestEntry::file("data.bin", data)}, options);
    } else {
        if (!KTTestArchives::haveProgram(QStringLiteral("7zz")))
            QSKIP("7zz is not installed");
        QTemporaryDir staging;
        QFile f(staging.filePath(QStringLiteral("data.bin")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(data) == data.size());
        f.close();
        KTTestArchives::run(QStringLiteral("7zz"), {QStringLiteral("a"), QStringLiteral("-mx0"), archive, QStringLiteral("data.bin")},
                            staging.path());
    }
    QFile f(archive);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const qsizetype at = bytes.indexOf("MARK");
    QVERIFY(at > 0 && bytes.indexOf("MARK", at + 1) < 0);
    bytes[at] = 'W';
    QVERIFY(f.seek(0) && f.write(bytes) == bytes.size());
    f.close();
    arena.snapshot();

    QString root;
    const KTJobOutcome outcome = arena.runHostile(archive, &root);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(!outcome.succeeded, "damaged data came out as a whole file");
    QCOMPARE(outcome.error.code, KTErrorCode::Damaged);
    QCOMPARE(KTArena::describe(root, QStringLiteral("data.bin")), QByteArray("absent"));
    // What came before the damage (which 7zz, trying again, finds too) stays as it was.
    if (ext == QLatin1String("zip"))
        QCOMPARE(KTArena::describe(root, QStringLiteral("keep.txt")), QByteArray("=keep"));
}

QTEST_GUILESS_MAIN(TestDamage)
#include "tst_damage.moc"
