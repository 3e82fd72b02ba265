#include "extraction/libarchive/KTLibArchiveUnarchiver.h"
#include "support/KTRandomData.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "support/KTZipBytes.h"

#include <QDir>
#include <QTest>

// ISA-L's inflater on what zip writes, with one thread and two.
class TestZipInflater : public QObject
{
    Q_OBJECT

    KTTestFolder m_dir;
    QString m_zip;
    QMap<QString, QByteArray> m_expected;

    KTExtractionError inflate(const QString &archive, int workers, QMap<QString, QByteArray> *tree = nullptr)
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
        QVERIFY(m_dir.isValid());
        const QString files = m_dir.filePath(QStringLiteral("files"));
        QVERIFY(QDir().mkpath(files + QStringLiteral("/sub")));
        kt_writeFile(files + QStringLiteral("/big.txt"), KTRandomData::text(3 * 1024 * 1024, 1));
        kt_writeFile(files + QStringLiteral("/noise.bin"), KTRandomData::bytes(400 * 1024, 2));
        kt_writeFile(files + QStringLiteral("/empty"), {});
        for (int i = 0; i < 40; ++i)
            kt_writeFile(files + QStringLiteral("/sub/f%1.txt").arg(i), KTRandomData::text(100 + i * 997, 10 + i));
        m_expected = kt_snapshot(files, false);
        m_zip = m_dir.filePath(QStringLiteral("files.zip"));
        QVERIFY(KTTestArchives::run(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-6"),
                                                             m_zip, QStringLiteral("files")}, m_dir.path()));
    }

    // Deflated entries read and inflated without libarchive, as zip writes
    // them: the same files with one thread or two; any disagreement with the
    // central directory (CRC, sizes) or damaged data fails as damaged.
    void inflatedAsZipWrote()
    {
        for (int workers : {1, 2}) {
            QMap<QString, QByteArray> tree;
            const KTExtractionError error = inflate(m_zip, workers, &tree);
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
            const qsizetype at = KTZipBytes::centralRecord(bytes, "files/big.txt");
            QVERIFY(at >= 0);
            KTZipBytes::putLe32(bytes, at + field, KTZipBytes::le32(bytes, at + field) + quint32(delta));
            const qsizetype local = KTZipBytes::localHeader(bytes, "files/big.txt") + field - 2;
            KTZipBytes::putLe32(bytes, local, KTZipBytes::le32(bytes, local) + quint32(delta));
        });
        for (int workers : {1, 2}) {
            const KTExtractionError error = inflate(zip, workers);
            QCOMPARE(error.code, KTErrorCode::Damaged);
        }
    }
};

QTEST_GUILESS_MAIN(TestZipInflater)
#include "tst_zipinflater.moc"
