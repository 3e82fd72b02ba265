#include "app/core/KTPreferences.h"
#include "extraction/backends/KTBackendChooser.h"
#include "support/KTEncodingCorpus.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTest>

#include <algorithm>

namespace {

constexpr auto Password = "Tr0ub4dor &3";

// Three files of text and one of noise in "src/", so that every method has
// something to model and something it cannot shrink.
QMap<QString, QByteArray> sourceFiles()
{
    QMap<QString, QByteArray> files;
    QByteArray text;
    for (int i = 0; i < 3000; ++i)
        text += "line " + QByteArray::number(i * 7919 % 1000) + " of the sample text\n";
    files.insert("src/a.txt", text);
    files.insert("src/b.txt", text.left(5000));
    QByteArray noise;
    quint32 x = 2463534242u;
    for (int i = 0; i < 70000; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        noise += char(x);
    }
    files.insert("src/sub/noise.bin", noise);
    return files;
}

bool writeFiles(const QString &folder, const QMap<QString, QByteArray> &files)
{
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (!kt_writeFile(folder + QLatin1Char('/') + it.key(), it.value()))
            return false;
    }
    return true;
}

// The snapshot of what a folder holds below "src/", as the archive stored it.
QMap<QString, QByteArray> expectedSnapshot(const QMap<QString, QByteArray> &files)
{
    QMap<QString, QByteArray> snapshot{{"sub", "d"}};
    for (auto it = files.begin(); it != files.end(); ++it)
        snapshot.insert(it.key().mid(4), "f:-:" + it.value());
    return snapshot;
}

// An ASCII stand-in of a raw name, as long as it: each component that holds
// bytes beyond ASCII gets letters numbered by its first appearance there, so
// one folder keeps one stand-in.
QByteArray standInFor(const QByteArray &raw, QHash<QByteArray, QByteArray> &components)
{
    QList<QByteArray> parts = raw.split('/');
    for (QByteArray &part : parts) {
        if (components.contains(part)) {
            part = components.value(part);
            continue;
        }
        int number = int(components.size());
        QByteArray standIn = part;
        for (char &c : standIn) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                c = char('a' + number % 26);
                number /= 26;
            }
        }
        components.insert(part, standIn);
        part = standIn;
    }
    return parts.join('/');
}

// A Deflate64 zip, which libarchive cannot read and 7zz can, of the files
// (name to content). 7zz stores each under an ASCII stand-in as long as its
// name, which is then swapped for the name, bytes 7zz would not store.
bool writeZipOnlySevenZipReads(const QString &archive, const QMap<QByteArray, QByteArray> &files,
                               const std::function<QByteArray(const QByteArray &)> &standInFor)
{
    const QString src = archive + ".src";
    QStringList standIns;
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QByteArray standIn = standInFor(it.key());
        if (standIn.size() != it.key().size() || !kt_writeFile(src + '/' + QString::fromLatin1(standIn), it.value()))
            return false;
        standIns << QString::fromLatin1(standIn);
    }
    if (!KTTestArchives::run("7zz", QStringList{"a", "-bd", "-tzip", "-mm=Deflate64", archive} + standIns, src))
        return false;
    QByteArray bytes = kt_readFile(archive);
    // 7zz stores what does not shrink, and libarchive reads that.
    for (qsizetype at = bytes.indexOf("PK\x03\x04"); at >= 0; at = bytes.indexOf("PK\x03\x04", at + 4)) {
        if (bytes.size() < at + 10 || bytes.at(at + 8) != 9)
            return false;
    }
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QByteArray standIn = standInFor(it.key());
        // In the local header and the directory, and nowhere else.
        if (bytes.count(standIn) != 2)
            return false;
        bytes.replace(standIn, it.key());
    }
    return kt_writeFile(archive, bytes);
}

} // namespace

// What libarchive cannot read goes to 7zz: methods and filters it lacks,
// split zips, formats it does not know; the job, its delegate calls and its
// result are the same as for any archive.
class TestSecondReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!KTTestArchives::haveProgram("7zz"))
            QSKIP("7zz is not installed");
    }

    void init()
    {
        m_tmp = m_dir.freshFolder();
        QVERIFY(!m_tmp.isEmpty());
    }

    void methodsLibarchiveLacks_data()
    {
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("passwordRequests");
        QTest::newRow("zip Deflate64") << QStringList{"-tzip", "-mm=Deflate64"} << "zip" << 0;
        QTest::newRow("zip BZip2 under AES") << QStringList{"-tzip", "-mm=BZip2", "-mem=AES256", QString("-p") + Password}
                                             << "zip" << 1;
        QTest::newRow("zip LZMA under AES") << QStringList{"-tzip", "-mm=LZMA", "-mem=AES256", QString("-p") + Password}
                                            << "zip" << 1;
        QTest::newRow("7z ARM64") << QStringList{"-t7z", "-mf=ARM64"} << "7z" << 0;
        QTest::newRow("7z Deflate64") << QStringList{"-t7z", "-m0=Deflate64"} << "7z" << 0;
    }

    void methodsLibarchiveLacks()
    {
        QFETCH(QStringList, switches);
        QFETCH(QString, extension);
        QFETCH(int, passwordRequests);
        const QMap<QString, QByteArray> files = sourceFiles();
        const QString src = m_tmp + "/in";
        QVERIFY(writeFiles(src, files));
        const QString archive = m_tmp + "/sample." + extension;
        QVERIFY(KTTestArchives::run("7zz", QStringList{"a", "-bd"} + switches + QStringList{archive, "src"}, src));

        KTJobRun run(archive, m_tmp);
        run.passwordProvider = [] { return std::optional<QString>(QString::fromLatin1(Password)); };
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, m_tmp + "/src");
        QCOMPARE(kt_snapshot(out.desPath, false), expectedSnapshot(files));
        QCOMPARE(out.passwordRequests, passwordRequests);
        QCOMPARE(out.progress.last(), 1.0f);
        // Nothing is left of the first reader's attempt or the scratch folder.
        QCOMPARE(QDir(m_tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"in", "sample." + extension, "src"}));
    }

    // A wrong password to an archive only 7zz decrypts is that, asked once.
    void wrongPasswordThroughSecondReader()
    {
        const QString src = m_tmp + "/in";
        QVERIFY(writeFiles(src, sourceFiles()));
        const QString archive = m_tmp + "/locked.zip";
        QVERIFY(KTTestArchives::run("7zz", {"a", "-bd", "-tzip", "-mm=PPMd", "-mem=AES256", QString("-p") + Password, archive, "src"}, src));
        KTJobRun run(archive, m_tmp);
        run.passwordProvider = [] { return std::optional<QString>(QStringLiteral("not it")); };
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(!out.succeeded);
        QCOMPARE(out.error.code, KTErrorCode::WrongPassword);
        QCOMPARE(out.passwordRequests, 1);
    }

    // zip -s writes name.z01, name.z02, …, name.zip: any of them opens the set.
    void splitZip_data()
    {
        QTest::addColumn<QString>("handedOver");
        QTest::newRow("the .zip") << "set.zip";
        QTest::newRow("the first") << "set.z01";
        QTest::newRow("a middle one") << "set.z02";
    }

    void splitZip()
    {
        QFETCH(QString, handedOver);
        if (!KTTestArchives::haveProgram("zip"))
            QSKIP("zip is not installed");
        QMap<QString, QByteArray> files = sourceFiles();
        QByteArray more = files.value("src/sub/noise.bin");
        std::reverse(more.begin(), more.end());
        files.insert("src/sub/more.bin", more + more);
        const QString src = m_tmp + "/in";
        QVERIFY(writeFiles(src, files));
        QVERIFY(KTTestArchives::run("zip", {"-q", "-r", "-s", "64k", m_tmp + "/set.zip", "src"}, src));
        QVERIFY(QFile::exists(m_tmp + "/set.z02"));

        const KTJobOutcome out = kt_runJob({m_tmp + "/" + handedOver, m_tmp});
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, m_tmp + "/src");
        QCOMPARE(kt_snapshot(out.desPath, false), expectedSnapshot(files));
    }

    // A tar.xz cut inside its one block: the threaded xz decoder gives
    // libarchive nothing, and 7zz, which unpacks only the xz layer, names
    // the cut stream after the archive without ".xz". That stream is the
    // entry that failed: nothing is kept as if it had been read.
    void cutStreamIsNotKept()
    {
        if (!KTTestArchives::haveProgram("xz"))
            QSKIP("xz is not installed");
        const QString src = m_tmp + "/in";
        QVERIFY(writeFiles(src, sourceFiles()));
        QVERIFY(KTTestArchives::run("tar", {"cf", m_tmp + "/cut.tar", "src"}, src));
        QVERIFY(KTTestArchives::run("xz", {"-T2", m_tmp + "/cut.tar"}));
        QByteArray bytes = kt_readFile(m_tmp + "/cut.tar.xz");
        bytes.truncate(bytes.size() * 3 / 4);
        QVERIFY(kt_writeFile(m_tmp + "/cut.tar.xz", bytes));
        const QString out = m_dir.freshFolder();
        const KTJobOutcome cut = kt_runJob({m_tmp + "/cut.tar.xz", out});
        QVERIFY(!cut.succeeded);
        QCOMPARE(cut.error.code, KTErrorCode::Damaged);
        QVERIFY2(cut.partialResult.isEmpty(), qPrintable(cut.partialResult));
        // At most the job's scratch folders stay until the next job, empty.
        const QMap<QString, QByteArray> left = kt_snapshot(out, false);
        for (auto it = left.cbegin(); it != left.cend(); ++it)
            QVERIFY2(it.value() == "d", qPrintable(it.key()));
    }

    // 7zz passes a zip's names without the UTF-8 flag on as their raw bytes:
    // they are detected and decoded as libarchive's names are, folders
    // included, and nothing stays under its raw name.
    void legacyNames()
    {
        const auto &corpus = kt_encodingCorpus();
        const auto set = std::find_if(corpus.begin(), corpus.end(),
                                      [](const KTNameSet &s) { return s.label == "CP866 Russian, Windows zip"; });
        QVERIFY(set != corpus.end());
        QHash<QByteArray, QByteArray> components;
        QMap<QByteArray, QByteArray> files;
        QMap<QString, QByteArray> expected;
        for (const QString &name : set->names) {
            const QByteArray raw = kt_encodeName(name, set->icuName);
            QVERIFY(!raw.isEmpty());
            files.insert(raw, name.toUtf8().repeated(20));
            expected.insert(name, "f:-:" + name.toUtf8().repeated(20));
            if (name.contains('/'))
                expected.insert(name.section('/', 0, -2), "d");
        }
        expected.insert(QStringLiteral("Фото"), "d");
        const QString archive = m_tmp + "/legacy.zip";
        QVERIFY(writeZipOnlySevenZipReads(archive, files, [&](const QByteArray &raw) { return standInFor(raw, components); }));

        auto prefs = kt_testPreferences(0); // detect
        KTJobRun run(archive, m_dir.freshFolder());
        run.preferences = prefs.get();
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(kt_snapshot(out.desPath, false), expected);
    }

    // Names that climb out are left out of 7zz's run and reported, as
    // libarchive's are; the rest is extracted and nothing lands outside.
    void unsafeNamesAreSkipped()
    {
        const QByteArray out = QByteArray("out ").repeated(100);
        const QByteArray stays = QByteArray("stays ").repeated(100);
        const QMap<QByteArray, QByteArray> files{{"../evil.txt", out}, {"d/../../up.txt", out}, {"d/a[1]*.txt", stays}, {"d/b.txt", stays}};
        const QString archive = m_tmp + "/climbs.zip";
        QVERIFY(writeZipOnlySevenZipReads(archive, files, [](QByteArray name) { return name.replace("..", "xx"); }));
        const QString arena = m_dir.freshFolder();
        const QString into = arena + "/into";
        QVERIFY(QDir().mkpath(into));

        const KTJobOutcome job = kt_runJob({archive, into});
        QVERIFY2(job.succeeded, qPrintable(job.error.message()));
        QCOMPARE(kt_snapshot(job.desPath, false), (QMap<QString, QByteArray>{{"a[1]*.txt", "f:-:" + stays}, {"b.txt", "f:-:" + stays}}));
        QStringList skipped;
        for (const KTSkippedEntries::Entry &entry : job.skipped.entries()) {
            QCOMPARE(entry.reason.code, KTErrorCode::UnsafeEntry);
            skipped << entry.name;
        }
        skipped.sort();
        QCOMPARE(skipped, (QStringList{"../evil.txt", "d/../../up.txt"}));
        QCOMPARE(QDir(arena).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"into"});
    }

    // Empty archives stay empty successes; what neither reader knows keeps
    // libarchive's verdict.
    void emptyAndUnknown()
    {
        const QString emptyZip = m_tmp + "/empty.zip";
        QVERIFY(kt_writeFile(emptyZip, QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0')));
        const KTJobOutcome empty = kt_runJob({emptyZip, m_dir.freshFolder()});
        QVERIFY2(empty.succeeded, qPrintable(empty.error.message()));

        const QString emptyTar = m_tmp + "/empty.tar";
        QVERIFY(kt_writeFile(emptyTar, QByteArray(10240, '\0')));
        const KTJobOutcome tar = kt_runJob({emptyTar, m_dir.freshFolder()});
        QCOMPARE(tar.succeeded, true);

        const QString junk = m_tmp + "/junk.zip";
        QVERIFY(kt_writeFile(junk, QByteArray("this is no archive of any kind\n").repeated(50)));
        const QString out = m_dir.freshFolder();
        const KTJobOutcome unknown = kt_runJob({junk, out});
        QVERIFY(!unknown.succeeded);
        QCOMPARE(unknown.error.code, KTErrorCode::NotArchive);
        QVERIFY(QDir(out).isEmpty());
    }

    // A method libarchive lacks, an archive it could not open or in which it
    // found nothing, go on to 7zz, and so do damage and a password
    // libarchive turned down; the disk, an unsafe entry or a cancel never do.
    void whatGoesToTheSecondReader()
    {
        auto reading = [](KTErrorCode code, bool opened, int files, const QString &detail = {}) {
            return KTFirstReading{KTExtractionError::make(code, detail), opened, files};
        };
        // Damage past the first file goes on only to a whole test by 7zz.
        QVERIFY(KTBackendChooser::leavesToSecondReader(reading(KTErrorCode::Damaged, true, 2, "ZIP bad CRC")));
        QVERIFY(KTBackendChooser::needsWholeTest(reading(KTErrorCode::Damaged, true, 2, "ZIP bad CRC")));
        QVERIFY(!KTBackendChooser::needsWholeTest(reading(KTErrorCode::Damaged, true, 2, "Unsupported ZIP compression method (9: deflate64)")));
        QVERIFY(!KTBackendChooser::needsWholeTest(reading(KTErrorCode::Damaged, true, 3, "Unexpected codec ID: A")));
        QVERIFY(!KTBackendChooser::needsWholeTest(reading(KTErrorCode::Damaged, false, 0)));
        QVERIFY(!KTBackendChooser::needsWholeTest(reading(KTErrorCode::NotArchive, false, 0)));
        QVERIFY(KTBackendChooser::leavesToSecondReader(reading(KTErrorCode::None, true, 0)));
        QVERIFY(!KTBackendChooser::leavesToSecondReader(reading(KTErrorCode::None, true, 1)));
        QVERIFY(KTBackendChooser::leavesToSecondReader(reading(KTErrorCode::NotArchive, false, 0)));
        for (KTErrorCode code : {KTErrorCode::WrongPassword, KTErrorCode::UnsafeEntry, KTErrorCode::NoSpace,
                                 KTErrorCode::Cancelled, KTErrorCode::CannotOpen})
            QVERIFY(!KTBackendChooser::leavesToSecondReader(reading(code, true, 0)));
        // Only a password given is tried again: a cancelled question is not asked twice.
        KTFirstReading withPassword = reading(KTErrorCode::WrongPassword, true, 0);
        withPassword.passwordGiven = true;
        QVERIFY(KTBackendChooser::leavesToSecondReader(withPassword));
    }

    // What no tool here writes comes from the peer corpus: ARJ, and a 7z
    // whose PPMd data libarchive fails on after its first files.
    void peerCorpus()
    {
        const QString fixtures = kt_needFixtures();
        if (fixtures.isEmpty())
            return;
        const QString corpus = QDir(fixtures + "/../../peer-corpus").absolutePath();
        if (!QFile::exists(corpus + "/ark/test.arj"))
            QSKIP("no peer corpus beside the fixtures");

        const KTJobOutcome plain = kt_runJob({corpus + "/ark/test.arj", m_tmp});
        QVERIFY2(plain.succeeded, qPrintable(plain.error.message()));
        QCOMPARE(plain.desPath, m_tmp + "/test");
        QVERIFY(!kt_snapshot(plain.desPath, false).isEmpty());

        // 7zz lists ARJ encryption but cannot decrypt it: no password is asked.
        const QString out = m_dir.freshFolder();
        KTJobRun run(corpus + "/ark/test_encrypted.arj", out);
        run.passwordProvider = [] { return std::optional<QString>(QStringLiteral("ark")); };
        const KTJobOutcome locked = kt_runJob(run);
        QVERIFY(!locked.succeeded);
        QCOMPARE(locked.error.code, KTErrorCode::EncryptedUnsupported);
        QVERIFY(locked.error.detail.contains("ARJ"));
        QCOMPARE(locked.passwordRequests, 0);

        const KTJobOutcome ppmd = kt_runJob({corpus + "/sharpcompress/Archives/7Zip.PPMd.7z", m_dir.freshFolder()});
        QVERIFY2(ppmd.succeeded, qPrintable(ppmd.error.message()));
    }

private:
    KTTestFolder m_dir;
    QString m_tmp;
};

QTEST_GUILESS_MAIN(TestSecondReader)
#include "tst_secondreader.moc"
