#include "support/KTArena.h"
#include "support/KTSampleArchives.h"
#include "support/KTTestArchives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr int TruncationPoints = 16;
constexpr int ByteFlips = 32;
constexpr int TimeoutMs = 30000;

// Formats whose every byte of data is covered by a checksum: a damaged one
// that still extracts must give the original bytes.
bool dataIsChecksummed(const QString &fileName)
{
    for (const char *ext : {".zip", ".7z", ".gz", ".bz2", ".xz"})
        if (fileName.endsWith(QLatin1String(ext)))
            return true;
    return false;
}

} // namespace

// Every sample archive cut short at 16 points and with 32 single bytes
// changed (a seeded generator, so a failing row can be run again alone).
class TestDamage : public QObject
{
    Q_OBJECT

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
        // The original of each, extracted, is what a lucky damaged copy must match.
        for (auto it = m_archives.cbegin(); it != m_archives.cend(); ++it) {
            KTArena arena;
            const QString archive = arena.filePath(it.key());
            writeFile(archive, it.value());
            arena.snapshot();
            QString root;
            const KTJobOutcome out = arena.run(archive, &root, TimeoutMs, [] { return QString::fromLatin1(KTSampleArchives::Password); });
            QVERIFY2(out.succeeded, qPrintable(it.key() + QStringLiteral(": ") + out.error.message()));
            m_originals.insert(it.key(), kt_snapshot(root, false));
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
        writeFile(archive, bytes);
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

private:
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }

    QTemporaryDir m_samples;
    QMap<QString, QByteArray> m_archives;
    QMap<QString, QMap<QString, QByteArray>> m_originals;
};

QTEST_GUILESS_MAIN(TestDamage)
#include "tst_damage.moc"
