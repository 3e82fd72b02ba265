#include "support/KTArena.h"
#include "support/KTTestArchives.h"

#include <QDir>
#include <QDirIterator>
#include <QTest>

#include <algorithm>

namespace {

constexpr int ManyEntries = 100000;
constexpr int DeepLevels = 2000;
constexpr int TimeoutMs = 300000;

// The three formats that can hold both cases: libarchive format name, extension.
void addFormatRows()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QString>("ext");
    QTest::newRow("zip") << QByteArray("zip") << QStringLiteral("zip");
    QTest::newRow("pax") << QByteArray("pax") << QStringLiteral("tar");
    QTest::newRow("7z") << QByteArray("7zip") << QStringLiteral("7z");
}

} // namespace

// Archives that are large in shape rather than in bytes.
class TestHostileScale : public QObject
{
    Q_OBJECT

private slots:
    void manyEntries_data() { addFormatRows(); }

    // 100,000 entries in 100 folders, all extracted.
    void manyEntries()
    {
        QFETCH(QByteArray, format);
        QFETCH(QString, ext);
        KTArena arena;
        std::vector<KTTestEntry> entries;
        entries.reserve(ManyEntries);
        for (int i = 0; i < ManyEntries; ++i)
            entries.push_back(KTTestEntry::file("d" + QByteArray::number(i % 100) + "/f" + QByteArray::number(i), QByteArray::number(i)));
        const QString archive = arena.filePath(QStringLiteral("many.") + ext);
        QVERIFY(KTTestArchives::write(archive, entries, format));
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root, TimeoutMs);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        int files = 0;
        for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
            ++files;
        QCOMPARE(files, ManyEntries);
    }

    void deepFolder_data() { addFormatRows(); }

    // A folder 2,000 levels deep, every level an entry: its path passes the
    // system's limit, so the levels beyond are left out with a cause; the
    // levels that fit stay inside.
    void deepFolder()
    {
        QFETCH(QByteArray, format);
        QFETCH(QString, ext);
        KTArena arena;
        std::vector<KTTestEntry> entries;
        QByteArray path;
        for (int level = 0; level < DeepLevels; ++level) {
            path += path.isEmpty() ? "d" : "/d";
            entries.push_back(KTTestEntry::dir(path));
        }
        entries.push_back(KTTestEntry::file(path + "/bottom.txt", "bottom"));
        const QString archive = arena.filePath(QStringLiteral("deep.") + ext);
        QVERIFY(KTTestArchives::write(archive, entries, format));
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root, TimeoutMs);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QVERIFY(!out.skipped.isEmpty());
        const auto &skipped = out.skipped.entries();
        QVERIFY(std::all_of(skipped.begin(), skipped.end(), [](const KTSkippedEntries::Entry &e) {
            return e.reason.detail.contains(QLatin1String("too long"));
        }));
        QVERIFY(std::any_of(skipped.begin(), skipped.end(), [](const KTSkippedEntries::Entry &e) {
            return e.name.endsWith(QLatin1String("/bottom.txt"));
        }));
    }
};

QTEST_GUILESS_MAIN(TestHostileScale)
#include "tst_hostilescale.moc"
