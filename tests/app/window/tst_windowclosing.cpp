#include "app/core/KTPreferences.h"
#include "app/window/AppDelegate.h"
#include "app/window/KTWindowController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/job/KTScratchFolder.h"
#include "extraction/screens/KTPasswordDialog.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTScreenDriver.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTWindowHarness.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

// Closing the window (by its button or a signal) while a job runs or waits
// for a password, and the scratch folders a failed or stranded job leaves.
class TestWindowClosing : public QObject
{
    Q_OBJECT

private slots:
    // The harness's TMPDIR also keeps the application's sweep at start off
    // the machine's temporary folder.
    void init() { m_h = std::make_unique<KTWindowHarness>(); }
    void cleanup() { m_h.reset(); }

    // Closing the window while a job runs cancels it and joins its thread.
    void closeDuringJob()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::filled("long.bin", 1 << 20));
        const auto gate = script.holdAt(0, 1000);
        KTUnarchiveViewController &screen = scriptedScreen(script);
        QVERIFY(KTScreenDriver::dropFiles(screen, {m_h->folder().filePath("long.zip")}));
        QVERIFY(gate->waitUntilReached());
        QVERIFY(m_h->window().close());
        // Cancelled, joined and cleaned up before close() returned.
        QVERIFY(!screen.job().isRunning());
        QCOMPARE(script.log->lines().last(), KTScriptLog::did("long.bin", KTErrorCode::Cancelled));
        QCOMPARE(entries(m_h->tmp()), QStringList());
    }

    // Closing the window while the password dialog is open closes the
    // dialog, cancels the job and quits the dialog's loop cleanly.
    void closeDuringPasswordDialog()
    {
        KTUnarchiverScript script;
        script.password = QStringLiteral("pw");
        script.add(KTScriptedEntry::file("a.txt", "a")).add(KTScriptedEntry::file("b.txt", "b"));
        script.entries[0].isEncrypted = true;
        KTUnarchiveViewController &screen = scriptedScreen(script);
        bool closed = false;
        KTScreenDriver::whenPasswordDialogShows(screen, [&](KTPasswordDialog *) {
            closed = true;
            m_h->window().close();
        });
        QVERIFY(KTScreenDriver::dropFiles(screen, {m_h->folder().filePath("locked.zip")}));
        QTRY_VERIFY(closed);
        QVERIFY(!screen.passWdPanel()->isVisible());
        QVERIFY(!screen.job().isRunning());
        QVERIFY(!m_h->window().isVisible());
        // The withdrawn question failed the entry; nothing after it ran.
        QCOMPARE(script.log->lines().mid(1), QStringList({"will a.txt", "password", KTScriptLog::did("a.txt", KTErrorCode::WrongPassword)}));
        QCOMPARE(entries(m_h->tmp()), QStringList());
    }

    // A failed job's scratch folder, with what it wrote, stays for a look
    // until the next job starts or the window closes; while the result
    // screen shows it, the close leaves it.
    void failedScratchFolderGoes_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("next job") << "next job";
        QTest::newRow("close") << "close";
        QTest::newRow("close while shown") << "close while shown";
    }
    void failedScratchFolderGoes()
    {
        QFETCH(QString, then);
        KTTestFolder &dir = m_h->folder();
        KTUnarchiverScript failing;
        failing.add(KTScriptedEntry::file("kept.txt", "written")).add(KTScriptedEntry::file("bad.txt", "b"));
        failing.failAt(1, KTErrorCode::Damaged);
        const QString tmp = m_h->tmp();
        auto window = scriptedWindow(failing);
        KTUnarchiveViewController &screen = *window->unarchiveViewController();
        QVERIFY(KTScreenDriver::dropFiles(screen, {dir.filePath("broken.zip")}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen));
        QVERIFY(!screen.job().extractionSucceeded());
        const QStringList left = entries(tmp);
        QCOMPARE(left.size(), 1);
        const QString scratch = tmp + "/" + left.first();
        QCOMPARE(screen.job().failedScratchFolder(), scratch);
        QCOMPARE(kt_readFile(scratch + "/broken/kept.txt"), QByteArray("written"));
        // Held: a sweep (another window starting) leaves it.
        QCOMPARE(KTScratchFolder::sweep(tmp), 0);
        QVERIFY(QFileInfo::exists(scratch + "/broken/kept.txt"));

        if (then == "next job") {
            KTUnarchiverScript fine;
            fine.add(KTScriptedEntry::file("fine.txt", "f"));
            screen.job().setUnarchiverFactory(KTScriptedUnarchiver::factory(fine));
            QVERIFY(KTScreenDriver::dropFiles(screen, {dir.filePath("fine.zip")}));
            QVERIFY(KTScreenDriver::waitUntilIdle(screen));
            QVERIFY(screen.job().extractionSucceeded());
            QCOMPARE(entries(tmp), QStringList{"fine.txt"});
            return;
        }
        if (then == "close while shown") {
            KTFileDataCollection::shareInstance().setDesPath(scratch + "/broken");
            window->kt_Next(KTViewControllerDelegate::ResultScreen);
        }
        QVERIFY(window->close());
        window.reset();
        QCOMPARE(QFileInfo::exists(scratch + "/broken/kept.txt"), then == "close while shown");
    }

    // At start the window removes this user's scratch folders that no job
    // holds, in the background; a held one, links and files of such names,
    // and everything else stay, and nothing is followed out.
    void startRemovesStrandedScratchFolders()
    {
        const QString tmp = m_h->tmp();
        const QString outside = m_h->folder().freshFolder("outside-");
        QVERIFY(kt_writeFile(outside + "/keep.txt", "keep"));
        QVERIFY(kt_writeFile(tmp + "/unarchiverAbCd/photos/a.jpg", "partial"));
        QVERIFY(QFile::link(outside, tmp + "/unarchiverAbCd/photos/out"));
        QVERIFY(kt_writeFile(tmp + "/.unarchiverEfGh/x", "stranded while being made"));
        QVERIFY(QFile::link(outside, tmp + "/unarchiverLink"));
        QVERIFY(kt_writeFile(tmp + "/unarchiverFile", "a file"));
        QVERIFY(kt_writeFile(tmp + "/photos/result.txt", "a result"));
        QVERIFY(kt_writeFile(tmp + "/unarchiver notes/mine.txt", "not a scratch folder"));
        QVERIFY(kt_writeFile(tmp + "/unarchiverXYZ/mine.txt", "not one either"));
        KTScratchFolder held;
        QVERIFY(KTScratchFolder::create(tmp, &held).ok());
        QVERIFY(kt_writeFile(held.path() + "/busy.txt", "a running job's"));
        const auto outsideBefore = kt_snapshot(outside);

        auto prefs = KTPreferences::inMemory();
        AppDelegate delegate(*prefs);
        delegate.applicationDidFinishLaunching();
        KTUnarchiveViewController &screen = *delegate.mainWinController()->unarchiveViewController();
        QTRY_COMPARE(screen.strandedScratchFoldersRemoved(), 2);
        QStringList expected{"unarchiverLink", "unarchiverFile", "photos", "unarchiver notes", "unarchiverXYZ",
                             QFileInfo(held.path()).fileName()};
        QStringList left = QDir(tmp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
        expected.sort();
        left.sort();
        QCOMPARE(left, expected);
        QCOMPARE(kt_readFile(held.path() + "/busy.txt"), QByteArray("a running job's"));
        QCOMPARE(kt_snapshot(outside), outsideBefore);
    }

    // SIGTERM (as at logout) and SIGINT close the real window as its close
    // button does: the job waiting for a password is cancelled, its scratch
    // folder removed, and the process exits normally.
    void terminationSignalsCloseTheWindow_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void terminationSignalsCloseTheWindow()
    {
        QFETCH(int, signal);
        KTTestFolder &dir = m_h->folder();
        const QString archive = dir.filePath("locked.zip");
        KTTestArchives::Options options;
        options.passphrase = "secret";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a.txt", QByteArray(4000, 'a'))}, options));
        const QString tmp = dir.freshFolder();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tmp);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", dir.freshFolder("config-"));
        const QString runtime = dir.freshFolder("runtime-");
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert("XDG_RUNTIME_DIR", runtime);
        QProcess window;
        window.setProcessEnvironment(env);
        window.start(QStringLiteral(KT_EXTRACTOR_BIN), {archive});
        QVERIFY(window.waitForStarted());
        auto scratchFolders = [&] { return QDir(tmp).entryList({"unarchiver*"}, QDir::Dirs | QDir::NoDotAndDotDot); };
        QTRY_COMPARE_WITH_TIMEOUT(scratchFolders().size(), 1, 30000);
        QCOMPARE(::kill(pid_t(window.processId()), signal), 0);
        QVERIFY(window.waitForFinished(30000));
        QCOMPARE(window.exitStatus(), QProcess::NormalExit);
        QVERIFY2(window.exitCode() == 0, window.readAllStandardError().right(4000).constData());
        QCOMPARE(entries(tmp), QStringList());
    }

private:
    // The shown window's extraction screen, its jobs running the script.
    KTUnarchiveViewController &scriptedScreen(const KTUnarchiverScript &script)
    {
        m_h->start();
        m_h->screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        return m_h->screen();
    }

    // A shown window of its own whose jobs run the script, for tests that
    // close it and look at what is left after it is gone.
    std::unique_ptr<KTWindowController> scriptedWindow(const KTUnarchiverScript &script)
    {
        auto window = std::make_unique<KTWindowController>(m_h->preferences());
        window->show();
        window->unarchiveViewController()->job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        return window;
    }

    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    }

    std::unique_ptr<KTWindowHarness> m_h;
};

QTEST_MAIN(TestWindowClosing)
#include "tst_windowclosing.moc"
