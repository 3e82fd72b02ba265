#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

// kt-extract as scripts and benchmarks use it: a real process.
class TestKtExtract : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(QStringLiteral(KT_EXTRACT_BIN)));
        // Keep the user's settings out of the runs.
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        QVERIFY(KTTestArchives::write(m_dir.filePath("two.zip"), {KTTestEntry::file("a.txt", "a"), KTTestEntry::file("b.txt", "b")}));
        KTTestArchives::Options locked;
        locked.passphrase = "pa ss";
        locked.encryption = "aes256";
        QVERIFY(KTTestArchives::write(m_dir.filePath("locked.zip"), {KTTestEntry::file("s.txt", "secret")}, locked));
    }

    void init()
    {
        m_out = m_dir.freshFolder(QStringLiteral("out"));
        QVERIFY(!m_out.isEmpty());
    }

    // Prints the created item's path; the second run gets a unique name.
    void extractsIntoOutputFolder()
    {
        Run r = run({"-q", "-o", m_out, m_dir.filePath("two.zip")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, m_out + "/two\n");
        QVERIFY(QFile::exists(m_out + "/two/b.txt"));
        r = run({"-q", "-o", m_out, m_dir.filePath("two.zip")});
        QCOMPARE(r.out, m_out + "/two-2\n");
        QCOMPARE(QDir(m_out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList({"two", "two-2"}));
    }

    void defaultsToCurrentFolder()
    {
        const Run r = run({"-q", m_dir.filePath("two.zip")}, {}, m_out);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, m_out + "/two\n");
    }

    void passwordFromStdin_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("right") << QByteArray("pa ss\nrest") << 0;
        QTest::newRow("wrong") << QByteArray("nope\n") << 1;
        QTest::newRow("empty stdin") << QByteArray() << 1;
    }

    // A failure says the fixed line, then the cause, and leaves nothing in
    // the output folder.
    void passwordFromStdin()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        const Run r = run({"-q", "-p", "-o", m_out, m_dir.filePath("locked.zip")}, input);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode == 0) {
            QFile f(m_out + "/s.txt");
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("secret"));
            return;
        }
        const QString prefix = "kt-extract: " + m_dir.filePath("locked.zip") + ": ";
        QCOMPARE(r.err, prefix + "Extract error or password error, try again!\n" + prefix + "Wrong or missing password\n");
        QVERIFY(QDir(m_out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    // An encrypted 7z goes through 7zz with the password from standard input.
    void encryptedSevenZip()
    {
        if (!KTTestArchives::haveProgram("7zz"))
            QSKIP("7zz is not installed");
        const QString src = m_dir.freshFolder(QStringLiteral("src7z"));
        QFile f(src + QStringLiteral("/тайна.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("secret");
        f.close();
        const QString archive = m_dir.filePath("locked.7z");
        QVERIFY(KTTestArchives::run("7zz", {"a", "-bd", "-ppa ss", "-mhe=on", archive, "."}, src));
        Run r = run({"-q", "-p", "-o", m_out, archive}, "pa ss\n");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, m_out + QStringLiteral("/тайна.txt\n"));
        QFile out(m_out + QStringLiteral("/тайна.txt"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("secret"));

        r = run({"-q", "-p", "-o", m_out, archive}, "wrong\n");
        QCOMPARE(r.exitCode, 1);
        const QString prefix = "kt-extract: " + archive + ": ";
        QCOMPARE(r.err, prefix + "Extract error or password error, try again!\n" + prefix + "Wrong or missing password\n");
    }

    void encodingOption()
    {
        KTTestArchives::Options options;
        options.legacyNames = true;
        const QByteArray cp866 = "\x8f\xe0\xa8\xa2\xa5\xe2.txt"; // "Привет.txt"
        QVERIFY(KTTestArchives::write(m_dir.filePath("ru.zip"), {KTTestEntry::file(cp866, "x")}, options));
        for (const QString &name : {QStringLiteral("110"), QStringLiteral("cp866"), QStringLiteral("IBM866")}) {
            const Run r = run({"-q", "-e", name, "-o", m_out, m_dir.filePath("ru.zip")});
            QCOMPARE(r.exitCode, 0);
            QVERIFY(r.out.startsWith(m_out + QStringLiteral("/Привет")));
        }
        QCOMPARE(run({"-e", "klingon", m_dir.filePath("ru.zip")}).exitCode, 2);
        const Run list = run({"--list-encodings"});
        QCOMPARE(list.exitCode, 0);
        QVERIFY(list.out.contains("Cyrillic (DOS, CP866)"));
    }

    // Every usage error is one line with the program's name, and nothing
    // is extracted.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no archive") << QStringList() << "kt-extract: give at least one ARCHIVE (see --help)\n";
        QTest::newRow("unknown option") << QStringList({"--bogus", "a.zip"}) << "kt-extract: Unknown option 'bogus'.\n";
        QTest::newRow("no folder") << QStringList({"-o", "/nonexistent/x", "a.zip", "b.zip"})
                                   << "kt-extract: /nonexistent/x is not a folder\n";
        QTest::newRow("two places") << QStringList({"-o", "/tmp", "--here", "a.zip"})
                                    << "kt-extract: give either -o or --here\n";
        QTest::newRow("encoding") << QStringList({"-e", "klingon", "a.zip"})
                                  << "kt-extract: unknown encoding \"klingon\" (see --list-encodings)\n";
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run r = run(arguments, {}, m_out);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, message);
        QVERIFY(r.out.isEmpty());
        QVERIFY(QDir(m_out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    // The usage line names the program, not the path it was started from.
    void helpAndVersion()
    {
        const Run help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.out.startsWith("Usage: kt-extract [options] ARCHIVE...\n"), qPrintable(help.out));
        QVERIFY(!help.out.contains(KT_EXTRACT_BIN));
        QVERIFY(help.out.contains("--password-stdin"));
        const Run version = run({"--version"});
        QCOMPARE(version.exitCode, 0);
        QVERIFY2(QRegularExpression("^kt-extract \\d+\\.\\d+\\.\\d+\n$").match(version.out).hasMatch(), qPrintable(version.out));
    }

    // Several archives: each is extracted in turn and its path printed, a
    // failure in the middle is reported under its name and does not stop the
    // rest, and the status is the worst one.
    void severalArchives()
    {
        QFile plain(m_dir.filePath("plain.tar"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("not a tar at all");
        plain.close();
        const QStringList archives = {m_dir.filePath("two.zip"), plain.fileName(), m_dir.filePath("locked.zip"),
                                      m_dir.filePath("two.zip")};
        Run r = run(QStringList({"-q", "-p", "-o", m_out}) + archives, "pa ss\n");
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, m_out + "/two\n" + m_out + "/s.txt\n" + m_out + "/two-2\n");
        const QString prefix = "kt-extract: " + plain.fileName() + ": ";
        QCOMPARE(r.err, prefix + "Extract error or password error, try again!\n" + prefix +
                            "Not an archive or an unsupported format\n");
        QCOMPARE(QDir(m_out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"s.txt", "two", "two-2"}));

        // All extracted: 0; a missing archive counts as a failed one.
        const QString out2 = m_dir.freshFolder(QStringLiteral("out2"));
        r = run({"-q", "-o", out2, m_dir.filePath("two.zip"), m_dir.filePath("two.zip")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, out2 + "/two\n" + out2 + "/two-2\n");
        r = run({"-q", "-o", out2, m_dir.filePath("missing.zip"), m_dir.filePath("two.zip")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, out2 + "/two-3\n");
        QVERIFY(r.err.startsWith("kt-extract: " + m_dir.filePath("missing.zip") + ": "));
    }

    // --here puts each result beside its own archive, whatever the current
    // folder.
    void extractsBesideEachArchive()
    {
        const QString first = m_dir.freshFolder(QStringLiteral("first"));
        const QString second = m_dir.freshFolder(QStringLiteral("second"));
        QVERIFY(QFile::copy(m_dir.filePath("two.zip"), first + "/two.zip"));
        QVERIFY(QFile::copy(m_dir.filePath("two.zip"), second + "/again.zip"));
        const Run r = run({"-q", "--here", first + "/two.zip", "../" + QFileInfo(second).fileName() + "/again.zip"}, {}, first);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, first + "/two\n" + second + "/again\n");
        QVERIFY(QFile::exists(second + "/again/a.txt"));
        QVERIFY(QDir(m_out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    // On a terminal the password question has a line of its own that names
    // the archive, after the progress line. script(1) gives the run a
    // terminal and hands it what the test types.
    void passwordPromptOnTerminal()
    {
        if (!KTTestArchives::haveProgram("script"))
            QSKIP("script is not installed");
        const QString command = QStringLiteral("'%1' -o '%2' '%3'").arg(KT_EXTRACT_BIN, m_out, m_dir.filePath("locked.zip"));
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start("script", {"-qec", command, "/dev/null"});
        QVERIFY(p.waitForStarted());
        // Typed only once asked: the prompt drops what was typed before.
        QString screen;
        QTRY_VERIFY_WITH_TIMEOUT((screen += QString::fromUtf8(p.readAllStandardOutput())).contains("Password for"), 20000);
        p.write("pa ss\n");
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        screen += QString::fromUtf8(p.readAllStandardOutput());
        screen.remove(QLatin1Char('\r'));
        QVERIFY2(QRegularExpression("(^|\n)Password for locked\\.zip: ").match(screen).hasMatch(), qPrintable(screen));
        QVERIFY(!screen.contains("pa ss"));
        QVERIFY(QFile::exists(m_out + "/s.txt"));
    }

    void notAnArchive()
    {
        QFile f(m_dir.filePath("plain.zip"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("plain text");
        f.close();
        const Run r = run({"-o", m_out, f.fileName()});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.endsWith("Not an archive or an unsupported format\n"));
        QVERIFY(r.out.isEmpty());
    }

    // Unsafe entries are named on stderr, the rest is extracted, and the
    // exit status says so.
    void skippedEntries()
    {
        QVERIFY(KTTestArchives::write(m_dir.filePath("mixed.tar"),
                                      {KTTestEntry::file("a.txt", "a"), KTTestEntry::file("../up\x1b[2J.txt", "evil"),
                                       KTTestEntry::symlink("root", "/"), KTTestEntry::file("b.txt", "b")},
                                      "pax"));
        const Run r = run({"-q", "-o", m_out, m_dir.filePath("mixed.tar")});
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(r.out, m_out + "/mixed\n");
        QVERIFY(QFile::exists(m_out + "/mixed/b.txt"));
        QVERIFY(!QFileInfo::exists(m_out + "/mixed/root") && !QFileInfo(m_out + "/mixed/root").isSymLink());
        const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QString prefix = "kt-extract: " + m_dir.filePath("mixed.tar") + ": ";
        QCOMPARE(lines.at(0), prefix + "2 entries were not extracted: they would have written outside the folder");
        QVERIFY(lines.at(1).startsWith(prefix + "skipped: ") && lines.at(2).startsWith(prefix + "skipped: "));
        // The name's escape sequence reaches no terminal.
        QVERIFY2(lines.at(1).contains("../up?[2J.txt") && lines.at(2).contains("root"), qPrintable(r.err));
        QVERIFY(!r.err.contains(QChar(0x1b)));
        QVERIFY(run({"--help"}).out.contains("3 extracted, some entries skipped"));
    }

    // --keep-partial keeps what a damaged archive gave and prints its path;
    // without it nothing is left. Either way the run failed.
    void keepPartial()
    {
        const QString archive = m_dir.filePath("cut.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a.txt", "alpha"), KTTestEntry::file("b.txt", "beta")}));
        QFile f(archive);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray bytes = f.readAll();
        QVERIFY(f.resize(bytes.indexOf(QByteArray("PK\x01\x02", 4))));
        f.close();

        Run r = run({"-q", "-o", m_out, archive});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY(QDir(m_out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));

        r = run({"-q", "--keep-partial", "-o", m_out, archive});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("The archive is damaged"), qPrintable(r.err));
        const QString kept = r.out.trimmed();
        QVERIFY2(kept.startsWith(m_out + "/") && kept.endsWith("/cut"), qPrintable(r.out));
        QCOMPARE(kt_snapshot(kept, false), (QMap<QString, QByteArray>{{"a.txt", "f:-:alpha"}, {"b.txt", "f:-:beta"}}));

        // A wrong password is no damage: nothing is kept.
        QVERIFY(QDir(kept).removeRecursively());
        r = run({"-q", "--keep-partial", "-p", "-o", m_out, m_dir.filePath("locked.zip")}, "wrong\n");
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY(QDir(m_out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    // Ctrl-C stops the job, removes its scratch folder and exits 130
    // without going on to the next archive.
    void interruptCleansUp()
    {
        std::vector<KTTestEntry> entries;
        for (int i = 0; i < 4000; ++i)
            entries.push_back(KTTestEntry::file("d/" + QByteArray::number(i), QByteArray::number(i).repeated(5000)));
        const QString archive = m_dir.filePath("big.tar.xz");
        QVERIFY(KTTestArchives::write(archive, entries, "pax", "xz"));
        QProcess p;
        p.setProcessEnvironment(m_env);
        // The archive after the interrupted one is not started.
        p.start(QStringLiteral(KT_EXTRACT_BIN), {"-q", "-o", m_out, archive, m_dir.filePath("two.zip")});
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!QDir(m_out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), 10000);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
        QVERIFY(QDir(m_out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        QVERIFY(p.readAllStandardOutput().isEmpty());
    }

    // A write that finds no room (here: the file-size limit) fails the job
    // with that cause and leaves nothing behind.
    void noSpace()
    {
        if (!KTTestArchives::haveProgram("prlimit"))
            QSKIP("prlimit is not installed");
        const QString archive = m_dir.filePath("roomy.tar.gz");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("small.txt", "s"),
                                                KTTestEntry::file("large.bin", QByteArray("0123456789").repeated(100000))},
                                      "pax", "gzip"));
        const Run r = runAs({"prlimit", "--fsize=300000", "--"}, {"-q", "-o", m_out, archive});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("No space left on the disk"), qPrintable(r.err));
        QVERIFY(QDir(m_out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    // An archive the user may not read: the cause says so. As root, the run
    // goes through setpriv as nobody, since root reads every file.
    void unreadableArchive()
    {
        const QString archive = m_dir.filePath("secret.zip");
        QVERIFY(QFile::copy(m_dir.filePath("two.zip"), archive));
        QVERIFY(QFile::setPermissions(archive, QFile::ReadOwner | QFile::WriteOwner));
        QStringList prefix;
        if (::geteuid() == 0) {
            if (!KTTestArchives::haveProgram("setpriv"))
                QSKIP("setpriv is not installed");
            prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
            QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                            QFile::ReadOther | QFile::ExeOther));
            QVERIFY(QFile::setPermissions(m_out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                                     QFile::WriteOther | QFile::ExeOther));
            if (runAs(prefix, {"--help"}).exitCode != 0)
                QSKIP("the build cannot be run as another user from here");
        } else {
            QVERIFY(QFile::setPermissions(archive, {}));
        }
        const Run r = runAs(prefix, {"-q", "-o", m_out, archive});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("The archive cannot be read"), qPrintable(r.err));
        QVERIFY(QDir(m_out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

private:
    Run run(const QStringList &arguments, const QByteArray &input = {}, const QString &cwd = {})
    {
        return runAs({}, arguments, input, cwd);
    }

    Run runAs(const QStringList &prefix, const QStringList &arguments, const QByteArray &input = {}, const QString &cwd = {})
    {
        QStringList command = prefix;
        command << QStringLiteral(KT_EXTRACT_BIN) << arguments;
        QProcess p;
        p.setProcessEnvironment(m_env);
        if (!cwd.isEmpty())
            p.setWorkingDirectory(cwd);
        p.start(command.takeFirst(), command);
        p.write(input);
        p.closeWriteChannel();
        Run r;
        if (!p.waitForFinished(30000))
            return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    KTTestFolder m_dir;
    QProcessEnvironment m_env;
    QString m_out;
};

QTEST_GUILESS_MAIN(TestKtExtract)
#include "tst_ktextract.moc"
