#include "extraction/engine/KTArchiveVolumes.h"
#include "support/KTArena.h"
#include "support/KTTestArchives.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <ftw.h>
#include <sys/stat.h>

namespace {

constexpr int TimeoutMs = 30000;
constexpr int ReferenceTimeoutMs = 5000;

// libarchive's test suite uses this password for its encrypted samples.
const QString FixturePassword = QStringLiteral("12345678");

// What bsdtar makes of an archive, when it extracts it cleanly: exit 0,
// nothing on standard error, within the time limit.
bool bsdtarExtractsCleanly(const QString &archive, const QString &into)
{
    QProcess p;
    p.start(QStringLiteral("bsdtar"), {QStringLiteral("--passphrase"), FixturePassword, QStringLiteral("-xf"), archive,
                                       QStringLiteral("-C"), into});
    if (!p.waitForFinished(ReferenceTimeoutMs)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && p.readAllStandardError().isEmpty();
}

// 7zz knows the file's format but cannot read its headers.
bool sevenZipFindsItDamaged(const QString &archive)
{
    QProcess p;
    p.start(QStringLiteral("7zz"), {QStringLiteral("l"), QStringLiteral("--"), archive});
    if (!p.waitForFinished(ReferenceTimeoutMs)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    const QByteArray output = p.readAllStandardOutput() + p.readAllStandardError();
    return output.contains("Cannot open the file as [") || output.contains("Headers Error");
}

int removeEntry(const char *path, const struct stat *, int, FTW *)
{
    return ::remove(path);
}

// bsdtar restores read-only folders and writes legacy names as raw bytes,
// neither of which QTemporaryDir can remove.
void removeTree(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    ::nftw(path.constData(), [](const char *p, const struct stat *st, int, FTW *) {
        if (S_ISDIR(st->st_mode))
            ::chmod(p, 0700);
        return 0;
    }, 16, FTW_PHYS);
    ::nftw(path.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// File contents by path, links by target; folders left out (an empty one
// bsdtar makes for a link it could not create, say, is no content).
QMap<QString, QByteArray> contents(const QString &root)
{
    QMap<QString, QByteArray> result = kt_snapshot(root, false);
    for (auto it = result.begin(); it != result.end();)
        it = it.value() == "d" ? result.erase(it) : std::next(it);
    return result;
}

} // namespace

// Every archive of libarchive's own test suite (real tools' output, many of
// them damaged on purpose) through the job.
class TestFixtures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!kt_fixturesDir().isEmpty())
            m_fixturesBefore = kt_snapshot(kt_fixturesDir());
    }

    void cleanupTestCase()
    {
        if (!kt_fixturesDir().isEmpty())
            QCOMPARE(kt_snapshot(kt_fixturesDir()), m_fixturesBefore);
    }

    void fixture_data()
    {
        QTest::addColumn<QString>("name");
        const QString dir = kt_fixturesDir();
        if (dir.isEmpty()) {
            QTest::newRow("absent") << QString();
            return;
        }
        for (const QString &name : QDir(dir).entryList(QDir::Files, QDir::Name)) {
            if (name != QLatin1String("README.md"))
                QTest::newRow(qPrintable(name)) << name;
        }
    }

    // Each ends in time with a cause or a safe result; where bsdtar extracts
    // an archive cleanly, the job succeeds with the same contents.
    void fixture()
    {
        QFETCH(QString, name);
        const QString fixtures = kt_needFixtures();
        if (fixtures.isEmpty())
            return;
        const QString archive = fixtures + QLatin1Char('/') + name;
        KTArena arena;
        QVERIFY(arena.isValid());
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(archive, &root, TimeoutMs, [] { return FixturePassword; });
        if (QTest::currentTestFailed())
            return;
        if (!KTTestArchives::haveProgram(QStringLiteral("bsdtar")))
            return;
        // bsdtar reads one volume of a set; the job reads all of them.
        if (KTArchiveVolumes::volumesFor(archive).size() > 1)
            return;
        const QString reference = arena.filePath(QStringLiteral("reference"));
        QVERIFY(QDir().mkpath(reference));
        const bool clean = bsdtarExtractsCleanly(archive, reference);
        const auto theirs = contents(reference);
        // A solo item was moved up into tmp, beside nothing else.
        const bool solo = QDir(reference).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size() == 1;
        removeTree(reference);
        if (!clean)
            return;
        // bsdtar finds nothing in some broken 7z and calls that success;
        // the job, with 7zz, calls it damaged.
        if (theirs.isEmpty() && out.error.code == KTErrorCode::Damaged && KTTestArchives::haveProgram(QStringLiteral("7zz")) &&
            sevenZipFindsItDamaged(archive))
            return;
        QVERIFY2(out.succeeded, qPrintable(QStringLiteral("bsdtar extracts it, the job fails: ") + out.error.message()));
        const auto ours = contents(solo ? arena.tmp() : out.desPath);
        // Legacy names are decoded here and written as raw bytes by bsdtar,
        // so names may differ; every file bsdtar makes has its bytes here, and
        // under the same name when the name is the same.
        const QList<QByteArray> ourValues = ours.values();
        for (auto it = theirs.cbegin(); it != theirs.cend(); ++it) {
            QVERIFY2(ourValues.contains(it.value()), qPrintable(it.key()));
            if (ours.contains(it.key()))
                QVERIFY2(ours.value(it.key()) == it.value(), qPrintable(it.key()));
        }
        QVERIFY(ours.size() >= theirs.size());
    }

    void expected_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("timeoutMs");
        auto add = [](const char *row, const char *name, const char *password, KTErrorCode code, int timeoutMs = TimeoutMs) {
            QTest::newRow(row) << QString::fromLatin1(name) << QString::fromLatin1(password) << int(code) << timeoutMs;
        };
        add("winzip aes128", "test_read_format_zip_winzip_aes128.zip", "password", KTErrorCode::None);
        add("winzip aes256 large", "test_read_format_zip_winzip_aes256_large.zip", "password", KTErrorCode::None);
        add("traditional", "test_read_format_zip_traditional_encryption_data.zip", "12345678", KTErrorCode::None);
        add("traditional wrong", "test_read_format_zip_traditional_encryption_data.zip", "1234", KTErrorCode::WrongPassword);
        // Through 7-Zip's program, which scripts/setup installs.
        add("7z aes", "test_read_format_7zip_encryption.7z", "12345678", KTErrorCode::None);
        // libarchive 3.6 does not see the encryption of RAR5 data: it fails as damaged.
        add("rar5 encrypted", "test_read_format_rar5_encrypted.rar", "password", KTErrorCode::Damaged);
        add("rar5 encrypted names", "test_read_format_rar5_encrypted_filenames.rar", "password", KTErrorCode::EncryptedUnsupported);
        add("rar4 encrypted", "test_read_format_rar4_encrypted.rar", "password", KTErrorCode::EncryptedUnsupported);
        add("rar4 encrypted names", "test_read_format_rar4_encrypted_filenames.rar", "password", KTErrorCode::EncryptedUnsupported);
        // libarchive 3.6.2 hands out the same failing header of these two
        // again and again; bsdtar spins on them for ever.
        add("rar5 dirdata loops", "test_read_format_rar5_dirdata.rar", "", KTErrorCode::Damaged, 10000);
        add("rar5 bad window loops", "test_read_format_rar5_bad_window_sz_in_mltarc_file.rar", "", KTErrorCode::Damaged, 10000);
    }

    // Passwords, and archives whose outcome is known, with their cause.
    void expected()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(int, code);
        QFETCH(int, timeoutMs);
        const QString fixtures = kt_needFixtures();
        if (fixtures.isEmpty())
            return;
        KTArena arena;
        arena.snapshot();
        QString root;
        const KTJobOutcome out = arena.run(fixtures + QLatin1Char('/') + name, &root, timeoutMs, [&] { return password; });
        QVERIFY2(int(out.error.code) == code, qPrintable(out.error.message()));
    }

private:
    QMap<QString, QByteArray> m_fixturesBefore;
};

QTEST_GUILESS_MAIN(TestFixtures)
#include "tst_fixtures.moc"
