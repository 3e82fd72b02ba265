#include "extraction/libarchive/KTLibArchiveUnarchiver.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QTest>

#include <climits>
#include <cstdlib>

// The scripted backend stands in for the real ones in the job and screen
// tests, so it must behave as they do: the same entries, extracted by
// libarchive from a zip and by the script, give the same delegate calls,
// the same files and the same created item.
namespace {

struct Run {
    KTExtractionError error;
    QStringList events;
    QMap<QString, QByteArray> tree;
    QString created;
    QString enclosing;
    qint64 lastDone = -1;
    qint64 lastTotal = -1;
    bool progressWentBack = false;
};

class Recorder : public KTUnarchiverDelegate
{
public:
    Recorder(QString destination, std::optional<QString> password, int stopAfterEntries)
        : m_destination(std::move(destination))
        , m_password(std::move(password))
        , m_stopAfterEntries(stopAfterEntries)
    {
    }

    Run run;

    void simpleUnarchiverNeedsPassword(KTUnarchiver &unarchiver) override
    {
        run.events << QStringLiteral("password");
        if (m_password)
            unarchiver.setPassword(*m_password);
    }
    QByteArray encodingNameForString(KTUnarchiver &, const KTArchiveString &) override { return {}; }
    bool shouldExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &to) override
    {
        run.events << QStringLiteral("should %1 %2 size %3%4%5 to %6")
                          .arg(entry.index)
                          .arg(entry.name)
                          .arg(entry.size)
                          .arg(entry.isDirectory ? QStringLiteral(" folder") : QString())
                          .arg(entry.isEncrypted ? QStringLiteral(" encrypted") : QString())
                          .arg(QDir(m_destination).relativeFilePath(to));
        return true;
    }
    void willExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &) override
    {
        run.events << QStringLiteral("will %1").arg(entry.index);
    }
    void didExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &, const KTExtractionError &error) override
    {
        run.events << QStringLiteral("did %1 %2").arg(entry.index).arg(int(error.code));
        ++m_done;
    }
    void extractionProgress(KTUnarchiver &, const KTArchiveEntry &, qint64, qint64, qint64 done, qint64 total) override
    {
        run.progressWentBack = run.progressWentBack || done < run.lastDone;
        run.lastDone = done;
        run.lastTotal = total;
    }
    bool extractionShouldStop(KTUnarchiver &) override { return m_stopAfterEntries >= 0 && m_done >= m_stopAfterEntries; }

private:
    QString m_destination;
    std::optional<QString> m_password;
    int m_stopAfterEntries;
    int m_done = 0;
};

Run extract(KTUnarchiver &unarchiver, const QString &destination, const std::optional<QString> &password,
            int stopAfterEntries)
{
    char resolved[PATH_MAX];
    const QString real = ::realpath(QFile::encodeName(destination).constData(), resolved) ? QFile::decodeName(resolved)
                                                                                           : destination;
    Recorder recorder(real, password, stopAfterEntries);
    unarchiver.setDelegate(&recorder);
    recorder.run.error = unarchiver.parse();
    if (recorder.run.error.ok()) {
        unarchiver.setDestination(destination);
        recorder.run.error = unarchiver.unarchive();
    }
    recorder.run.tree = kt_snapshot(destination);
    recorder.run.created = QDir(destination).relativeFilePath(unarchiver.createdItem());
    recorder.run.enclosing = unarchiver.enclosingDirectoryName();
    return recorder.run;
}

} // namespace

class TestScriptedUnarchiver : public QObject
{
    Q_OBJECT

private slots:
    void sameAsLibarchive_data()
    {
        QTest::addColumn<std::vector<KTTestEntry>>("entries");
        QTest::addColumn<QByteArray>("passphrase");
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<int>("stopAfterEntries");
        const std::vector<KTTestEntry> several{KTTestEntry::dir("docs/"), KTTestEntry::file("docs/a.txt", "alpha\n"),
                                               KTTestEntry::file("docs/sub/b.txt", QByteArray(300000, 'b')),
                                               KTTestEntry::file("readme.txt", "top\n")};
        const std::vector<KTTestEntry> locked{KTTestEntry::file("a.txt", "first secret"),
                                              KTTestEntry::file("b.txt", QByteArray(5000, 's'))};
        const std::optional<QString> none;
        QTest::newRow("several items") << several << QByteArray() << none << -1;
        QTest::newRow("solo file") << std::vector{KTTestEntry::file("photo.jpg", "jpeg")} << QByteArray() << none << -1;
        QTest::newRow("solo folder") << std::vector{KTTestEntry::dir("set/"), KTTestEntry::file("set/x", "x")}
                                     << QByteArray() << none << -1;
        QTest::newRow("empty file") << std::vector{KTTestEntry::file("empty", ""), KTTestEntry::file("full", "f")}
                                    << QByteArray() << none << -1;
        QTest::newRow("unsafe name") << std::vector{KTTestEntry::file("ok.txt", "ok"), KTTestEntry::file("../escape", "e")}
                                     << QByteArray() << none << -1;
        QTest::newRow("stopped") << several << QByteArray() << none << 2;
        QTest::newRow("right password") << locked << QByteArray("pw") << std::optional<QString>("pw") << -1;
        QTest::newRow("wrong password") << locked << QByteArray("pw") << std::optional<QString>("nope") << -1;
        QTest::newRow("no password") << locked << QByteArray("pw") << none << -1;
    }

    void sameAsLibarchive()
    {
        QFETCH(std::vector<KTTestEntry>, entries);
        QFETCH(QByteArray, passphrase);
        QFETCH(std::optional<QString>, answer);
        QFETCH(int, stopAfterEntries);
        const QString archive = m_dir.filePath(QStringLiteral("set.zip"));
        QFile::remove(archive);
        KTTestArchives::Options options;
        options.passphrase = passphrase;
        options.encryption = "aes256";
        QVERIFY(KTTestArchives::write(archive, entries, options));
        KTUnarchiverScript script;
        if (!passphrase.isEmpty())
            script.password = QString::fromUtf8(passphrase);
        for (const KTTestEntry &e : entries) {
            KTScriptedEntry entry = e.type == KTTestEntry::Directory ? KTScriptedEntry::folder(QString::fromUtf8(e.name))
                                                                     : KTScriptedEntry::file(QString::fromUtf8(e.name), e.data);
            entry.isEncrypted = !passphrase.isEmpty() && e.type == KTTestEntry::File;
            script.add(entry);
        }

        KTLibArchiveUnarchiver real(archive);
        const Run expected = extract(real, m_dir.freshFolder(), answer, stopAfterEntries);
        KTScriptedUnarchiver scripted(archive, script);
        const Run got = extract(scripted, m_dir.freshFolder(), answer, stopAfterEntries);

        QCOMPARE(got.events, expected.events);
        QCOMPARE(got.error.code, expected.error.code);
        QCOMPARE(got.tree, expected.tree);
        QCOMPARE(got.created, expected.created);
        QCOMPARE(got.enclosing, expected.enclosing);
        QCOMPARE(got.lastDone, expected.lastDone);
        QCOMPARE(got.lastTotal, expected.lastTotal);
        QVERIFY(!got.progressWentBack);
    }

    // What the script adds: a held entry goes on when released and a
    // scripted failure removes what the entry wrote, as a damaged entry's
    // data is removed.
    void gateAndFailure()
    {
        KTUnarchiverScript script;
        script.blockSize = 100;
        script.add(KTScriptedEntry::filled("a.bin", 1000)).add(KTScriptedEntry::filled("b.bin", 1000, 'b'));
        const auto gate = script.holdAt(0, 250);
        script.failAt(1, KTErrorCode::Damaged, 500);
        const QString destination = m_dir.freshFolder();
        KTScriptedUnarchiver unarchiver(m_dir.filePath("held.zip"), script);
        Run run;
        std::thread worker([&] { run = extract(unarchiver, destination, std::nullopt, -1); });
        QVERIFY(gate->waitUntilReached());
        // Held after three blocks of 100, 100 and 50 bytes.
        QCOMPARE(QFile(destination + "/held/a.bin").size(), 250);
        gate->release();
        worker.join();
        QCOMPARE(run.error.code, KTErrorCode::Damaged);
        QCOMPARE(script.log->lines(), QStringList({"parse", "will a.bin", "held a.bin", KTScriptLog::did("a.bin"), "will b.bin",
                                                   KTScriptLog::did("b.bin", KTErrorCode::Damaged)}));
        QCOMPARE(run.tree.keys(), QStringList({"held", "held/a.bin"}));
        QCOMPARE(run.tree.value("held/a.bin"), "f:644:" + QByteArray(1000, 'x'));
    }

private:
    KTTestFolder m_dir;
};

QTEST_GUILESS_MAIN(TestScriptedUnarchiver)
#include "tst_scriptedunarchiver.moc"
