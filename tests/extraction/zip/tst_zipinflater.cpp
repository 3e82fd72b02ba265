#include "extraction/libarchive/KTLibArchiveUnarchiver.h"
#include "extraction/zip/KTZipDirectory.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray textData(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray text;
    while (text.size() < size)
        text += "record " + QByteArray::number(random.bounded(1000000)) + (random.bounded(3) ? " ok\n" : " retry\n");
    text.truncate(size);
    return text;
}

QByteArray randomData(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

void putLe32(QByteArray &bytes, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

quint32 le32(const QByteArray &bytes, qsizetype at)
{
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(uchar(bytes[at + i])) << (8 * i);
    return v;
}

// The offset of name's record in the central directory.
qsizetype centralRecord(const QByteArray &zip, const QByteArray &name)
{
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0; at = zip.indexOf("PK\x01\x02", at + 4)) {
        const int length = uchar(zip[at + 28]) | (uchar(zip[at + 29]) << 8);
        if (zip.mid(at + 46, length) == name)
            return at;
    }
    return -1;
}

} // namespace

// Deflated zip entries read and inflated without libarchive, as zip writes
// them: the same files with one thread or two, and any disagreement with the
// central directory (CRC, sizes) or damaged data fails as damaged.
class TestZipInflater : public QObject
{
    Q_OBJECT

private:
    KTTestFolder m_dir;
    QString m_zip;
    QMap<QString, QByteArray> m_expected;

    KTExtractionError extract(const QString &archive, int workers, QMap<QString, QByteArray> *tree = nullptr)
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

private slots:
    void initTestCase()
    {
        const QString files = m_dir.filePath(QStringLiteral("files"));
        QVERIFY(QDir().mkpath(files + QStringLiteral("/sub")));
        kt_writeFile(files + QStringLiteral("/big.txt"), textData(3 * 1024 * 1024, 1));
        kt_writeFile(files + QStringLiteral("/noise.bin"), randomData(400 * 1024, 2));
        kt_writeFile(files + QStringLiteral("/empty"), {});
        for (int i = 0; i < 40; ++i)
            kt_writeFile(files + QStringLiteral("/sub/f%1.txt").arg(i), textData(100 + i * 997, 10 + i));
        m_expected = kt_snapshot(files, false);
        m_zip = m_dir.filePath(QStringLiteral("files.zip"));
        QVERIFY(KTTestArchives::run(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-6"),
                                                             m_zip, QStringLiteral("files")}, m_dir.path()));
    }

    void sameFiles()
    {
        for (int workers : {1, 2}) {
            QMap<QString, QByteArray> tree;
            const KTExtractionError error = extract(m_zip, workers, &tree);
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
            const qsizetype at = centralRecord(bytes, "files/big.txt");
            QVERIFY(at >= 0);
            putLe32(bytes, at + field, le32(bytes, at + field) + quint32(delta));
            const qsizetype local = qsizetype(le32(bytes, at + 42)) + field - 2;
            putLe32(bytes, local, le32(bytes, local) + quint32(delta));
        });
        for (int workers : {1, 2}) {
            const KTExtractionError error = extract(zip, workers);
            QCOMPARE(error.code, KTErrorCode::Damaged);
        }
    }

    void damagedData()
    {
        const std::optional<KTZipDirectory> directory = KTZipDirectory::read(m_zip);
        QVERIFY(directory);
        const auto big = std::find_if(directory->records().begin(), directory->records().end(),
                                      [](const KTZipRecord &r) { return r.name == "files/big.txt"; });
        QVERIFY(big != directory->records().end());
        QCOMPARE(big->method, quint16(8));
        QRandomGenerator random(7);
        for (int k = 0; k < 12; ++k) {
            const qsizetype at = qsizetype(big->localHeaderOffset) + 30 + 13 + random.bounded(qsizetype(big->compressedSize));
            const char value = char(1 + random.bounded(255));
            const QString zip = edited([&](QByteArray &bytes) { bytes[at] = char(bytes[at] ^ value); });
            QMap<QString, QByteArray> tree;
            const KTExtractionError error = extract(zip, 1 + k % 2, &tree);
            QVERIFY2(error.failed() || tree == m_expected, qPrintable(QStringLiteral("flip at %1").arg(at)));
        }
        // Cut inside the data: the central directory is gone too.
        const QString cut = edited([&](QByteArray &bytes) { bytes.truncate(qsizetype(big->localHeaderOffset) + 1000); });
        QVERIFY(extract(cut, 1).failed());
    }
};

QTEST_GUILESS_MAIN(TestZipInflater)
#include "tst_zipinflater.moc"
