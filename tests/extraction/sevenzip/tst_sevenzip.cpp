#include "app/core/KTPreferences.h"
#include "extraction/backends/KTBackendChooser.h"
#include "extraction/disk/KTOutputCheck.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/job/KTExtractionJob.h"
#include "extraction/sevenzip/KTSevenZipProbe.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto Password = "s3cret pass";

std::function<std::optional<QString>()> answer(std::optional<QString> text)
{
    return [text] { return text; };
}

// Files (and, for names ending in "@", links to the content) written into a
// fresh folder, then archived by 7zz with the given switches.
bool make7z(const QString &archive, const QMap<QString, QByteArray> &files, const QStringList &switches)
{
    const QString src = archive + QStringLiteral(".src");
    if (!QDir().mkpath(src))
        return false;
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = src + QLatin1Char('/') + QString(it.key()).remove(QLatin1Char('@'));
        QDir().mkpath(QFileInfo(path).path());
        const bool link = it.key().endsWith(QLatin1Char('@'));
        if (link ? ::symlink(it.value().constData(), QFile::encodeName(path).constData()) != 0 : !kt_writeFile(path, it.value()))
            return false;
    }
    return KTTestArchives::run(QStringLiteral("7zz"), QStringList{"a", "-bd", "-snl"} + switches + QStringList{archive, "."}, src);
}

QStringList encryption(const QString &how, const QString &password = QString::fromLatin1(Password))
{
    QStringList switches{"-p" + password};
    if (how == QLatin1String("header"))
        switches << "-mhe=on";
    return switches;
}

// Only folders (no files, no links) below the folder.
bool holdsNoFiles(const QString &folder)
{
    QDirIterator it(folder, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    return !it.hasNext();
}

// PATH set to an empty folder for the life of the object.
class PathWithout7zz
{
public:
    explicit PathWithout7zz(const QString &emptyFolder)
        : m_saved(qgetenv("PATH"))
    {
        qputenv("PATH", QFile::encodeName(emptyFolder));
    }
    ~PathWithout7zz() { qputenv("PATH", m_saved); }

private:
    QByteArray m_saved;
};

// Records the callbacks of one unarchiver, in order.
class Recorder : public KTUnarchiverDelegate
{
public:
    QStringList events;
    std::optional<QString> password;

    void simpleUnarchiverNeedsPassword(KTUnarchiver &unarchiver) override
    {
        events << "password";
        if (password)
            unarchiver.setPassword(*password);
    }
    QByteArray encodingNameForString(KTUnarchiver &, const KTArchiveString &) override { return {}; }
    bool shouldExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &) override
    {
        events << "should " + entry.name;
        return true;
    }
    void willExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &) override
    {
        events << "will " + entry.name;
    }
    void didExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &to, const KTExtractionError &error) override
    {
        events << QStringLiteral("did %1 %2 %3").arg(entry.name, QFileInfo(to).fileName()).arg(int(error.code));
    }
    void extractionProgress(KTUnarchiver &, const KTArchiveEntry &, qint64, qint64, qint64, qint64) override {}
    bool extractionShouldStop(KTUnarchiver &) override { return false; }
};

} // namespace

// Encrypted 7z archives, made by 7zz at test time, through the job.
class TestSevenZip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!KTTestArchives::haveProgram("7zz"))
            QSKIP("7zz is not installed (scripts/setup installs it)");
    }

    void init()
    {
        m_tmp = m_dir.freshFolder();
        QVERIFY(!m_tmp.isEmpty());
    }

    void passwords_data()
    {
        QTest::addColumn<QString>("encrypted");
        QTest::addColumn<std::optional<QString>>("given");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("content right") << "content" << std::optional<QString>(Password) << true;
        QTest::newRow("content wrong") << "content" << std::optional<QString>("nope") << false;
        QTest::newRow("content cancel") << "content" << std::optional<QString>() << false;
        QTest::newRow("header right") << "header" << std::optional<QString>(Password) << true;
        QTest::newRow("header empty") << "header" << std::optional<QString>("") << false;
        QTest::newRow("header cancel") << "header" << std::optional<QString>() << false;
    }

    // One question per job; a wrong, empty or withheld password fails as
    // libarchive's wrong password does and leaves no file behind.
    void passwords()
    {
        QFETCH(QString, encrypted);
        QFETCH(std::optional<QString>, given);
        QFETCH(bool, succeeds);
        const QString archive = m_tmp + QStringLiteral(".7z");
        const QByteArray big = QByteArray("secret data ").repeated(50000);
        QVERIFY(make7z(archive, {{"one.txt", big}, {"d/two.txt", "2"}, {"d/e/three.txt", "3"}}, encryption(encrypted)));
        QCOMPARE(KTSevenZipProbe::encryptionOf(archive),
                 encrypted == "header" ? KTSevenZipProbe::Encryption::Header : KTSevenZipProbe::Encryption::Content);

        KTJobRun run(archive, m_tmp);
        run.passwordProvider = answer(given);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QCOMPARE(out.passwordRequests, 1);
        QVERIFY2(out.succeeded == succeeds, qPrintable(out.error.message()));
        if (succeeds) {
            QCOMPARE(out.desPath, m_tmp + "/" + QFileInfo(m_tmp).fileName());
            const auto got = kt_snapshot(out.desPath, false);
            const QMap<QString, QByteArray> want{{"one.txt", "f:-:" + big}, {"d", "d"}, {"d/two.txt", "f:-:2"},
                                                 {"d/e", "d"}, {"d/e/three.txt", "f:-:3"}};
            QCOMPARE(got, want);
            QCOMPARE(QDir(m_tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
            return;
        }
        QCOMPARE(out.error.code, KTErrorCode::WrongPassword);
        QVERIFY(holdsNoFiles(m_tmp));
    }

    void callbacks_data()
    {
        QTest::addColumn<QString>("encrypted");
        QTest::addColumn<std::optional<QString>>("given");
        QTest::addColumn<QStringList>("expected");
        const QStringList all{"should d", "will d", "did d d 0", "should d/a.txt", "will d/a.txt", "did d/a.txt a.txt 0",
                              "should d/b.txt", "will d/b.txt", "did d/b.txt b.txt 0"};
        QTest::newRow("content") << "content" << std::optional<QString>(Password) << QStringList{"password"} + all;
        QTest::newRow("header") << "header" << std::optional<QString>(Password) << QStringList{"password"} + all;
        const QString wrong = QString::number(int(KTErrorCode::WrongPassword));
        QTest::newRow("content wrong")
            << "content" << std::optional<QString>("x")
            << QStringList{"password", "should d", "will d", "did d d 0", "should d/a.txt", "will d/a.txt", "did d/a.txt a.txt " + wrong};
        QTest::newRow("content withheld")
            << "content" << std::optional<QString>() << QStringList{"password", "should d/a.txt", "will d/a.txt", "did d/a.txt a.txt " + wrong};
    }

    // The delegate hears of each entry as libarchive's delegate does: asked,
    // announced, its result once; the password before the first encrypted
    // entry; the first failure ends the extraction.
    void callbacks()
    {
        QFETCH(QString, encrypted);
        QFETCH(std::optional<QString>, given);
        QFETCH(QStringList, expected);
        const QString archive = m_tmp + QStringLiteral(".7z");
        QVERIFY(make7z(archive, {{"d/a.txt", "a"}, {"d/b.txt", "b"}}, encryption(encrypted) + QStringList{"-ms=off"}));
        Recorder recorder;
        recorder.password = given;
        KTExtractionError error;
        auto unarchiver = KTBackendChooser::unarchiverForPath(archive, &error);
        QVERIFY(unarchiver);
        unarchiver->setDelegate(&recorder);
        error = unarchiver->parse();
        if (encrypted == "header")
            QCOMPARE(recorder.events, QStringList{"password"});
        if (error.ok()) {
            unarchiver->setDestination(m_tmp);
            error = unarchiver->unarchive();
        }
        QCOMPARE(recorder.events, expected);
        QCOMPARE(error.ok(), expected.last().endsWith(" 0"));
    }

    void passwordCharacters_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<qint64>("filenameEncoding");
        QTest::newRow("umlauts and spaces") << QStringLiteral(" Pässwort mit Lücken ü ") << qint64(4);
        QTest::newRow("cyrillic, cp850 chosen for names") << QStringLiteral("пароль 密码") << qint64(104);
        QTest::newRow("shell characters") << QStringLiteral("$(touch x) `y` 'z' \"w\" ;|&") << qint64(4);
    }

    // 7z passwords are Unicode: whatever the name encoding, the typed text
    // reaches 7zz intact, leading and trailing spaces included.
    void passwordCharacters()
    {
        QFETCH(QString, password);
        QFETCH(qint64, filenameEncoding);
        const QString archive = m_tmp + QStringLiteral(".7z");
        QVERIFY(make7z(archive, {{"a.txt", "alpha"}}, encryption("header", password)));
        auto prefs = kt_testPreferences(filenameEncoding);
        KTJobRun run(archive, m_tmp);
        run.preferences = prefs.get();
        run.passwordProvider = answer(password);
        KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, m_tmp + "/a.txt");
        QCOMPARE(kt_readFile(out.desPath), QByteArray("alpha"));

        run.passwordProvider = answer(password.trimmed());
        out = kt_runJob(run);
        QCOMPARE(out.error.code, password.trimmed() == password ? KTErrorCode::None : KTErrorCode::WrongPassword);
    }

    // Names are stored as UTF-16 and come out as they went in.
    void nonAsciiNames()
    {
        const QString archive = m_tmp + QStringLiteral(".7z");
        const QMap<QString, QByteArray> files{{QStringLiteral("Привет/日本語.txt"), "ja"},
                                              {QStringLiteral("café ñ.txt"), "fr"},
                                              {QStringLiteral("emoji 😀/ü"), "u"}};
        QVERIFY(make7z(archive, files, encryption("header")));
        KTJobRun run(archive, m_tmp);
        run.passwordProvider = answer(Password);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        for (auto it = files.begin(); it != files.end(); ++it)
            QCOMPARE(kt_readFile(out.desPath + "/" + it.key()), it.value());
    }

    // Progress from 7zz's progress output: fractions that never go back,
    // ending at 1.
    void solidArchiveProgress()
    {
        const QString archive = m_tmp + QStringLiteral(".7z");
        QMap<QString, QByteArray> files;
        QByteArray noise(400000, Qt::Uninitialized);
        QRandomGenerator random(6);
        for (char &c : noise)
            c = char(random.bounded(256));
        for (int i = 0; i < 400; ++i)
            files.insert(QStringLiteral("f/%1.bin").arg(i), noise.mid(i * 997 % 100000, 40000 + i));
        QVERIFY(make7z(archive, files, encryption("content") + QStringList{"-ms=on", "-mx=1"}));

        KTJobRun run(archive, m_tmp);
        run.passwordProvider = answer(Password);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(out.desPath, m_tmp + "/f");
        QCOMPARE(QDir(out.desPath).entryList(QDir::Files).size(), 400);
        QVERIFY(std::any_of(out.progress.begin(), out.progress.end(), [](float f) { return f > 0.0f && f < 1.0f; }));
        for (int i = 1; i < out.progress.size(); ++i)
            QVERIFY2(out.progress[i] >= out.progress[i - 1], qPrintable(QStringLiteral("%1 then %2").arg(out.progress[i - 1]).arg(out.progress[i])));
        QVERIFY(out.progress.first() >= 0.0f);
        QCOMPARE(out.progress.last(), 1.0f);
    }

    // Cancelling ends the child and the job with the cause Cancelled and
    // removes the scratch folder.
    void cancelWhileExtracting()
    {
        const QString archive = m_tmp + QStringLiteral(".7z");
        QMap<QString, QByteArray> files;
        for (int i = 0; i < 40; ++i)
            files.insert(QStringLiteral("f%1").arg(i), QByteArray::number(i).repeated(2000000));
        QVERIFY(make7z(archive, files, encryption("content") + QStringList{"-mx=1"}));

        QEventLoop loop;
        KTTestJob t(m_tmp);
        KTExtractionJob &job = t.job;
        job.setPasswordProvider([] { return std::optional<QString>(Password); });
        KTExtractionError error;
        QObject::connect(&job, &KTExtractionJob::passwordErrorH, &loop, [&](const KTExtractionError &e) {
            error = e;
            loop.quit();
        });
        QObject::connect(&job, &KTExtractionJob::archiveFinished, &loop, &QEventLoop::quit);
        QVERIFY(job.start(archive));
        // Once something is on disk the child is writing.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!holdsNoFiles(m_tmp))
                job.cancel();
        });
        poll.start(5);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        QCOMPARE(error.code, KTErrorCode::Cancelled);
        QVERIFY(QDir(m_tmp).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    void links_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("skipped");
        QTest::newRow("inside") << "d/a.txt" << QStringList();
        // 7zz rewrites this one; the output check removes it.
        QTest::newRow("absolute") << "/etc/passwd" << QStringList{"link"};
        // 7zz refuses these itself and goes on.
        QTest::newRow("up and out") << "../../../../etc/passwd" << QStringList{"link"};
        QTest::newRow("out through a link inside") << "up/x" << QStringList{"up"};
    }

    // Links that 7zz writes are judged as libarchive's are: one pointing
    // outside is left out and named while the rest stays.
    void links()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, skipped);
        const QString archive = m_tmp + QStringLiteral(".7z");
        QMap<QString, QByteArray> files{{"d/a.txt", "a"}, {"link@", target.toUtf8()}};
        if (target.startsWith("up/"))
            files.insert("up@", "..");
        QVERIFY(make7z(archive, files, encryption("content")));
        KTJobRun run(archive, m_tmp);
        run.passwordProvider = answer(Password);
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QStringList left;
        for (const KTSkippedEntries::Entry &entry : out.skipped.entries()) {
            QCOMPARE(entry.reason.code, KTErrorCode::UnsafeEntry);
            left << entry.name;
        }
        QCOMPARE(left, skipped);
        const auto extracted = kt_snapshot(out.desPath, false);
        if (skipped.isEmpty()) {
            QCOMPARE(extracted.value("d/a.txt"), QByteArray("f:-:a"));
            QCOMPARE(extracted.value("link"), "l:" + target.toUtf8());
        } else if (target.startsWith("up/")) {
            // What the link named is not there: it dangles inside.
            QCOMPARE(extracted, (QMap<QString, QByteArray>{{"d", "d"}, {"d/a.txt", "f:-:a"}, {"link", "l:up/x"}}));
        } else {
            // Only the folder d is left, so it came out as itself.
            QCOMPARE(extracted, (QMap<QString, QByteArray>{{"a.txt", "f:-:a"}}));
        }
    }

    // A truncated encrypted archive fails with a cause, in time.
    void damaged()
    {
        const QString archive = m_tmp + QStringLiteral(".7z");
        QVERIFY(make7z(archive, {{"a.bin", QByteArray("abc").repeated(300000)}}, encryption("content") + QStringList{"-mx=0"}));
        QFile f(archive);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() / 2));
        f.close();
        KTJobRun run(archive, m_tmp);
        run.passwordProvider = answer(Password);
        run.timeoutMs = 30000;
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.finished);
        QVERIFY(!out.succeeded);
        QVERIFY2(out.error.code == KTErrorCode::Damaged || out.error.code == KTErrorCode::NotArchive, qPrintable(out.error.message()));
    }

    // libarchive keeps what it can read itself; without 7zz only encrypted
    // 7z archives fail, and say what to install.
    void without7zz()
    {
        const QString plain = m_tmp + QStringLiteral("-plain.7z");
        const QString locked = m_tmp + QStringLiteral("-locked.7z");
        QVERIFY(make7z(plain, {{"a.txt", "a"}, {"b.txt", "b"}}, {}));
        QVERIFY(make7z(locked, {{"a.txt", "a"}}, encryption("content")));
        QCOMPARE(KTSevenZipProbe::encryptionOf(plain), KTSevenZipProbe::Encryption::None);
        const QString empty = m_dir.freshFolder(QStringLiteral("empty-path-"));
        PathWithout7zz path(empty);
        QVERIFY(!KTTestArchives::haveProgram("7zz"));

        KTJobRun run(plain, m_tmp);
        KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        QCOMPARE(kt_snapshot(out.desPath, false), (QMap<QString, QByteArray>{{"a.txt", "f:-:a"}, {"b.txt", "f:-:b"}}));

        run.archive = locked;
        run.passwordProvider = answer(Password);
        out = kt_runJob(run);
        QCOMPARE(out.error.code, KTErrorCode::BackendMissing);
        QVERIFY2(out.error.message().contains("install the 7zip package to open encrypted 7z archives"), qPrintable(out.error.message()));
        QCOMPARE(out.passwordRequests, 0);
    }

    // What another program wrote is held to the writer's rules: special
    // files go, set-ID bits go, a hard link to a file outside goes (the file
    // outside stays untouched), and a link outside goes; each is named.
    void outputCheck()
    {
        const QString root = QDir(m_tmp).canonicalPath() + "/root";
        const QString outside = m_tmp + "/outside.txt";
        QVERIFY(QDir().mkpath(root + "/d"));
        QVERIFY(kt_writeFile(outside, "mine") && kt_writeFile(root + "/d/tool", {}));
        const QByteArray r = QFile::encodeName(root);
        QCOMPARE(::chmod(r + "/d/tool", 04755), 0);
        QCOMPARE(::chmod(r + "/d", 03775), 0);
        QCOMPARE(::mkfifo(r + "/fifo", 0644), 0);
        QCOMPARE(::link(QFile::encodeName(outside).constData(), r + "/hard"), 0);
        QCOMPARE(::symlink("d/tool", r + "/inside"), 0);

        KTOutputCheck::Result checked = KTOutputCheck::check(r);
        const auto removed = [](const KTOutputCheck::Result &result) {
            QStringList items;
            for (const KTOutputCheck::Removed &item : result.removed)
                items.append(QString::fromUtf8(item.rel) + QLatin1Char(' ') + QString::number(int(item.reason.code)));
            items.sort();
            return items;
        };
        QCOMPARE(removed(checked), (QStringList{QStringLiteral("fifo %1").arg(int(KTErrorCode::SpecialFile)),
                                                 QStringLiteral("hard %1").arg(int(KTErrorCode::UnsafeEntry))}));
        QCOMPARE(kt_snapshot(root), (QMap<QString, QByteArray>{{"d", "d"}, {"d/tool", "f:755:"}, {"inside", "l:d/tool"}}));
        QCOMPARE(checked.symlinks, std::vector<QByteArray>{"inside"});
        struct stat st;
        QCOMPARE(::lstat(r + "/d", &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0775));
        QCOMPARE(kt_readFile(outside), QByteArray("mine"));

        QCOMPARE(::symlink("../..", r + "/d/out"), 0);
        checked = KTOutputCheck::check(r);
        QCOMPARE(removed(checked), QStringList{QStringLiteral("d/out %1").arg(int(KTErrorCode::UnsafeEntry))});
        QCOMPARE(checked.symlinks, std::vector<QByteArray>{"inside"});
        QCOMPARE(kt_snapshot(root), (QMap<QString, QByteArray>{{"d", "d"}, {"d/tool", "f:755:"}, {"inside", "l:d/tool"}}));

        QVERIFY(KTOutputCheck::check(r).removed.empty());
    }

private:
    KTTestFolder m_dir;
    QString m_tmp;
};

QTEST_GUILESS_MAIN(TestSevenZip)
#include "tst_sevenzip.moc"
