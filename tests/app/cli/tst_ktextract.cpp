#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// The two lines a failed archive gives on stderr.
QString failure(const QString &archive, const QString &cause)
{
    const QString prefix = "kt-extract: " + archive + ": ";
    return prefix + "Extract error or password error, try again!\n" + prefix + cause + "\n";
}

} // namespace

// kt-extract as scripts use it: a real process, its output and its exit
// statuses.
class TestKtExtract : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Keep the user's settings out of the runs.
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        m_two = m_dir.filePath("two.zip");
        m_locked = m_dir.filePath("locked.zip");
        QVERIFY(KTTestArchives::write(m_two, {KTTestEntry::file("a.txt", "a"), KTTestEntry::file("b.txt", "b")}));
        KTTestArchives::Options locked;
        locked.passphrase = "pa ss";
        locked.encryption = "aes256";
        QVERIFY(KTTestArchives::write(m_locked, {KTTestEntry::file("s.txt", "secret")}, locked));
    }

    void init() { m_out = m_dir.freshFolder("out"); }

    // Prints the created item's path, in the current folder unless told
    // otherwise.
    void extractsIntoCurrentFolder()
    {
        const Run r = run({"-q", m_two}, {}, m_out);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, m_out + "/two\n");
        QVERIFY(QFile::exists(m_out + "/two/b.txt"));
    }

    // A wrong or missing password says the fixed line, then the cause, and
    // leaves nothing, --keep-partial or not.
    void passwordFromStdin_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("right") << QByteArray("pa ss\nrest") << 0;
        QTest::newRow("wrong") << QByteArray("nope\n") << 1;
        QTest::newRow("empty stdin") << QByteArray() << 1;
    }
    void passwordFromStdin()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        const Run r = run({"-q", "-p", "--keep-partial", "-o", m_out, m_locked}, input);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode == 0) {
            QCOMPARE(kt_readFile(m_out + "/s.txt"), QByteArray("secret"));
            return;
        }
        QCOMPARE(r.err, failure(m_locked, "Wrong or missing password"));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(outEntries(), QStringList());
    }

    void encodingOption()
    {
        KTTestArchives::Options options;
        options.legacyNames = true;
        const QByteArray cp866 = "\x8f\xe0\xa8\xa2\xa5\xe2.txt"; // "Привет.txt"
        QVERIFY(KTTestArchives::write(m_dir.filePath("ru.zip"), {KTTestEntry::file(cp866, "x")}, options));
        for (const char *name : {"110", "cp866", "IBM866"}) {
            const Run r = run({"-q", "-e", name, "-o", m_out, m_dir.filePath("ru.zip")});
            QCOMPARE(r.exitCode, 0);
            QVERIFY(r.out.startsWith(m_out + QStringLiteral("/Привет")));
        }
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
        QTest::newRow("no archive") << QStringList() << "give at least one ARCHIVE (see --help)";
        QTest::newRow("unknown option") << QStringList({"--bogus", "a.zip"}) << "Unknown option 'bogus'.";
        QTest::newRow("no folder") << QStringList({"-o", "/nonexistent/x", "a.zip", "b.zip"})
                                   << "/nonexistent/x is not a folder";
        QTest::newRow("two places") << QStringList({"-o", "/tmp", "--here", "a.zip"}) << "give either -o or --here";
        QTest::newRow("encoding") << QStringList({"-e", "klingon", "a.zip"})
                                  << "unknown encoding \"klingon\" (see --list-encodings)";
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run r = run(arguments, {}, m_out);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, "kt-extract: " + message + "\n");
        QVERIFY(r.out.isEmpty());
        QCOMPARE(outEntries(), QStringList());
    }

    // The usage line names the program, not the path it was started from.
    void help()
    {
        const Run help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.out.startsWith("Usage: kt-extract ") && !help.out.contains(KT_EXTRACT_BIN), qPrintable(help.out));
    }

    // Each archive in turn, its path printed under a free name; a failure (a
    // file that is no archive, a missing one) is reported under its name and
    // does not stop the rest, and the status is the worst one.
    void severalArchives()
    {
        const QString plain = m_dir.filePath("plain.tar");
        QVERIFY(kt_writeFile(plain, "not a tar at all"));
        Run r = run({"-q", "-p", "-o", m_out, m_two, plain, m_locked, m_two}, "pa ss\n");
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, m_out + "/two\n" + m_out + "/s.txt\n" + m_out + "/two-2\n");
        QCOMPARE(r.err, failure(plain, "Not an archive or an unsupported format"));
        QCOMPARE(outEntries(), QStringList({"s.txt", "two", "two-2"}));

        r = run({"-q", "-o", m_out, m_two, m_two});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, m_out + "/two-3\n" + m_out + "/two-4\n");
        r = run({"-q", "-o", m_out, m_dir.filePath("missing.zip"), m_two});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, m_out + "/two-5\n");
        QVERIFY(r.err.startsWith("kt-extract: " + m_dir.filePath("missing.zip") + ": "));
    }

    // On a terminal the password question has a line of its own that names
    // the archive, after the progress line. script(1) gives the run a
    // terminal and hands it what the test types.
    void passwordPromptOnTerminal()
    {
        if (!KTTestArchives::haveProgram("script"))
            QSKIP("script is not installed");
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start("script", {"-qec", QStringLiteral("'%1' -o '%2' '%3'").arg(KT_EXTRACT_BIN, m_out, m_locked), "/dev/null"});
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

    // Unsafe entries are named on stderr (their escape sequences reaching
    // no terminal), the rest is extracted, and the exit status says so.
    void skippedEntries()
    {
        const QString archive = m_dir.filePath("mixed.tar");
        QVERIFY(KTTestArchives::write(archive,
                                      {KTTestEntry::file("a.txt", "a"), KTTestEntry::file("../up\x1b[2J.txt", "evil"),
                                       KTTestEntry::symlink("root", "/"), KTTestEntry::file("b.txt", "b")},
                                      "pax"));
        const Run r = run({"-q", "-o", m_out, archive});
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(r.out, m_out + "/mixed\n");
        QVERIFY(QFile::exists(m_out + "/mixed/b.txt"));
        QVERIFY(!QFileInfo::exists(m_out + "/mixed/root") && !QFileInfo(m_out + "/mixed/root").isSymLink());
        const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QString prefix = "kt-extract: " + archive + ": ";
        QCOMPARE(lines.at(0), prefix + "2 entries were not extracted: they would have written outside the folder");
        QVERIFY(lines.at(1).startsWith(prefix + "skipped: ") && lines.at(2).startsWith(prefix + "skipped: "));
        QVERIFY2(lines.at(1).contains("../up?[2J.txt") && lines.at(2).contains("root"), qPrintable(r.err));
        QVERIFY(!r.err.contains(QChar(0x1b)));
    }

    // --keep-partial keeps what a damaged archive gave and prints its path;
    // without it nothing is left. Either way the run failed.
    void keepPartial()
    {
        const QString archive = m_dir.filePath("cut.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a.txt", "alpha"), KTTestEntry::file("b.txt", "beta")}));
        QFile f(archive);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.resize(f.readAll().indexOf(QByteArray("PK\x01\x02", 4))));
        f.close();

        Run r = run({"-q", "-o", m_out, archive});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(outEntries(), QStringList());
        r = run({"-q", "--keep-partial", "-o", m_out, archive});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("The archive is damaged"), qPrintable(r.err));
        const QString kept = r.out.trimmed();
        QVERIFY2(kept.startsWith(m_out + "/") && kept.endsWith("/cut"), qPrintable(r.out));
        QCOMPARE(kt_snapshot(kept, false), (QMap<QString, QByteArray>{{"a.txt", "f:-:alpha"}, {"b.txt", "f:-:beta"}}));
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
        p.start(QStringLiteral(KT_EXTRACT_BIN), {"-q", "-o", m_out, archive, m_two});
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!outEntries().isEmpty(), 10000);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
        QCOMPARE(outEntries(), QStringList());
        QVERIFY(p.readAllStandardOutput().isEmpty());
    }

private:
    QStringList outEntries() const { return QDir(m_out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    Run run(const QStringList &arguments, const QByteArray &input = {}, const QString &cwd = {})
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.setWorkingDirectory(cwd);
        p.start(QStringLiteral(KT_EXTRACT_BIN), arguments);
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
    QString m_two;
    QString m_locked;
};

QTEST_GUILESS_MAIN(TestKtExtract)
#include "tst_ktextract.moc"
