#include "support/KTArena.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "support/KTZipBytes.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr int TimeoutMs = 30000;

// A central record's field and the same field of the entry's local header.
enum class Header { Central, Local };
qsizetype field(const QByteArray &zip, const QByteArray &name, Header header, int centralOffset)
{
    const qsizetype at = header == Header::Central ? KTZipBytes::centralRecord(zip, name) : KTZipBytes::localHeader(zip, name);
    if (at < 0)
        return -1;
    return header == Header::Central ? at + centralOffset : at + centralOffset - 2;
}

void add(QByteArray &zip, qsizetype at, qint64 delta)
{
    KTZipBytes::putLe32(zip, at, quint32(qint64(KTZipBytes::le32(zip, at)) + delta));
}

const QMap<QString, QByteArray> &files()
{
    static const QMap<QString, QByteArray> contents = [] {
        QByteArray noise(30000, Qt::Uninitialized);
        QRandomGenerator random(7);
        for (char &c : noise)
            c = char(random.bounded(256));
        return QMap<QString, QByteArray>{{"a.txt", QByteArray("alpha ").repeated(4000)},
                                         {"b.txt", "beta"},
                                         {"c.bin", noise}};
    }();
    return contents;
}

QMap<QString, QByteArray> expectedTree(const QStringList &names)
{
    QMap<QString, QByteArray> tree;
    for (const QString &name : names)
        tree.insert(name, "f:-:" + files().value(name));
    return tree;
}

QMap<QString, QByteArray> filesBelow(const QString &root)
{
    QMap<QString, QByteArray> tree;
    const QMap<QString, QByteArray> all = kt_snapshot(root, false);
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        if (it.value() != "d")
            tree.insert(it.key(), it.value());
    }
    return tree;
}

} // namespace

// Zips whose central directory is gone or says otherwise than the entries
// are read from their local headers: whole when the directory, found by its
// end record or by its records alone, lists exactly what was read; damaged,
// with what was read kept, when it does not. The same for a tar with a
// header that fails its checksum.
class TestZipRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!KTTestArchives::haveProgram(QStringLiteral("zip")))
            QSKIP("zip is not installed");
        QVERIFY(m_dir.isValid());
        const QString source = m_dir.filePath(QStringLiteral("src"));
        QVERIFY(QDir().mkpath(source));
        for (auto it = files().cbegin(); it != files().cend(); ++it)
            QVERIFY(kt_writeFile(source + QLatin1Char('/') + it.key(), it.value()));
        m_zip = m_dir.filePath(QStringLiteral("set.zip"));
        QVERIFY(KTTestArchives::run(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-X"), QStringLiteral("-6"),
                                                             m_zip, QStringLiteral("a.txt"), QStringLiteral("b.txt"),
                                                             QStringLiteral("c.bin")},
                                    source));
        QVERIFY(KTTestArchives::run(QStringLiteral("ln"), {QStringLiteral("-s"), QStringLiteral("a.txt"), QStringLiteral("link")},
                                    source));
        m_linkZip = m_dir.filePath(QStringLiteral("links.zip"));
        QVERIFY(KTTestArchives::run(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-X"), QStringLiteral("-y"),
                                                             m_linkZip, QStringLiteral("a.txt"), QStringLiteral("link")},
                                    source));
        // libarchive's writer puts sizes and CRC after the data, in descriptors.
        m_describedZip = m_dir.filePath(QStringLiteral("described.zip"));
        std::vector<KTTestEntry> entries;
        for (auto it = files().cbegin(); it != files().cend(); ++it)
            entries.push_back(KTTestEntry::file(it.key().toUtf8(), it.value()));
        QVERIFY(KTTestArchives::write(m_describedZip, entries));
    }

    void readFromLocalHeaders_data()
    {
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QStringList>("kept");
        const QStringList all{"a.txt", "b.txt", "c.bin"};
        QTest::newRow("end record's signature damaged") << "zip" << "end-signature" << true << all;
        QTest::newRow("cut after its directory") << "zip" << "cut-end-record" << true << all;
        QTest::newRow("end record counts too many") << "zip" << "end-count" << true << all;
        QTest::newRow("directory's CRC wrong") << "zip" << "central-crc" << true << all;
        QTest::newRow("directory's size wrong") << "zip" << "central-size" << true << all;
        QTest::newRow("directory's compressed size short") << "zip" << "central-compressed" << true << all;
        QTest::newRow("local compressed size short") << "zip" << "local-compressed" << true << all;
        QTest::newRow("directory's offset past the file") << "zip" << "central-offset" << true << all;
        QTest::newRow("descriptors, end record damaged") << "described" << "end-signature" << true << all;
        QTest::newRow("descriptors, directory's size wrong") << "described" << "central-size" << true << all;
        // Only the directory tells a link from a file: found by its end
        // record, or by scanning for its records.
        QTest::newRow("a link, directory's size wrong") << "links" << "central-size" << true << QStringList{"a.txt", "link"};
        QTest::newRow("a link, end record damaged") << "links" << "end-signature" << true << QStringList{"a.txt", "link"};
        // Not whole: each entry read is kept, the archive is damaged.
        QTest::newRow("directory names another entry") << "zip" << "central-name" << false << all;
        QTest::newRow("cut before its directory") << "zip" << "cut-directory" << false << all;
    }

    void readFromLocalHeaders()
    {
        QFETCH(QString, archive);
        QFETCH(QString, damage);
        QFETCH(bool, whole);
        QFETCH(QStringList, kept);
        QByteArray zip = kt_readFile(archive == QLatin1String("zip")         ? m_zip
                                  : archive == QLatin1String("links")     ? m_linkZip
                                                                          : m_describedZip);
        const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
        QVERIFY(end > 0);
        if (damage == QLatin1String("end-signature"))
            zip[end + 1] = 'X';
        else if (damage == QLatin1String("cut-end-record"))
            zip.truncate(end);
        else if (damage == QLatin1String("end-count"))
            zip[end + 10] = 40;
        else if (damage == QLatin1String("central-crc"))
            add(zip, field(zip, "b.txt", Header::Central, 16), 1);
        else if (damage == QLatin1String("central-size"))
            add(zip, field(zip, "a.txt", Header::Central, 24), 1000);
        else if (damage == QLatin1String("central-compressed"))
            add(zip, field(zip, "a.txt", Header::Central, 20), -2);
        else if (damage == QLatin1String("local-compressed"))
            add(zip, field(zip, "a.txt", Header::Local, 20), -2);
        else if (damage == QLatin1String("central-offset"))
            KTZipBytes::putLe32(zip, field(zip, "c.bin", Header::Central, 42), 0x7FFFFFFF);
        else if (damage == QLatin1String("central-name")) {
            zip[KTZipBytes::centralRecord(zip, "b.txt") + 46] = 'x';
            zip[end + 1] = 'X';
        } else if (damage == QLatin1String("cut-directory"))
            zip.truncate(zip.indexOf(QByteArray("PK\x01\x02", 4)));

        KTArena arena;
        const QString path = arena.filePath(QStringLiteral("set.zip"));
        QVERIFY(kt_writeFile(path, zip));
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(path, &root, TimeoutMs);
        QCOMPARE(out.succeeded, whole);
        QMap<QString, QByteArray> expected = expectedTree(kept);
        if (kept.contains(QStringLiteral("link")))
            expected.insert(QStringLiteral("link"), "l:a.txt");
        if (whole) {
            QCOMPARE(filesBelow(root), expected);
        } else {
            QCOMPARE(out.error.code, KTErrorCode::Damaged);
            QVERIFY2(out.error.message().contains(QLatin1String("central directory")), qPrintable(out.error.message()));
            QCOMPARE(filesBelow(out.partialResult), expected);
        }
    }

    // An entry that declares no data and a CRC of 0 is empty, whatever bytes
    // stand where its data would be.
    void emptyEntryIsNotDecoded()
    {
        if (!KTTestArchives::haveProgram(QStringLiteral("python3")))
            QSKIP("python3 is not installed");
        KTArena arena;
        const QString path = arena.filePath(QStringLiteral("empty.zip"));
        static const char script[] = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('empty.txt', b'')
    z.writestr('full.txt', b'full ' * 100)
)";
        QVERIFY(KTTestArchives::run(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(script), path}));
        QByteArray zip = kt_readFile(path);
        // The two bytes of the empty deflate stream become undecodable ones.
        const qsizetype data = 30 + 9;
        QCOMPARE(zip.mid(data, 2), QByteArray("\x03\x00", 2));
        zip[data] = char(0xFF);
        zip[data + 1] = char(0xFF);
        QVERIFY(kt_writeFile(path, zip));
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(path, &root, TimeoutMs);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(filesBelow(root),
                 (QMap<QString, QByteArray>{{"empty.txt", "f:-:"}, {"full.txt", "f:-:" + QByteArray("full ").repeated(100)}}));
    }

    // libarchive steps past a tar header that fails its checksum; the
    // entries on both sides are read and the archive is damaged.
    void tarHeaderFailingItsChecksum()
    {
        KTArena arena;
        const QString path = arena.filePath(QStringLiteral("set.tar"));
        std::vector<KTTestEntry> entries{KTTestEntry::file("a.txt", "alpha"), KTTestEntry::file("b.txt", "beta"),
                                         KTTestEntry::file("c.txt", "gamma")};
        QVERIFY(KTTestArchives::write(path, entries, "ustar"));
        QByteArray tar = kt_readFile(path);
        // b.txt's header is the third block; its checksum field starts at 148.
        QCOMPARE(tar.mid(2 * 512, 5), QByteArray("b.txt"));
        tar[2 * 512 + 148] = '7';
        QVERIFY(kt_writeFile(path, tar));
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(path, &root, TimeoutMs);
        QVERIFY(!out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::Damaged);
        QVERIFY2(out.error.message().contains(QLatin1String("header")), qPrintable(out.error.message()));
        QCOMPARE(filesBelow(out.partialResult),
                 (QMap<QString, QByteArray>{{"a.txt", "f:-:alpha"}, {"c.txt", "f:-:gamma"}}));
    }

private:
    QTemporaryDir m_dir;
    QString m_zip;
    QString m_linkZip;
    QString m_describedZip;
};

QTEST_GUILESS_MAIN(TestZipRecovery)
#include "tst_ziprecovery.moc"
