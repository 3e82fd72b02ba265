#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTPreferences.h"
#include "app/core/KTNotificationCenter.h"
#include "app/window/AppDelegate.h"
#include "app/window/KTAboutDialog.h"
#include "ui_KTAboutDialog.h"
#include "ui_KTUnarchiveResultViewController.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTEncode.h"
#include "extraction/screens/KTPasswordDialog.h"
#include "extraction/job/KTScratchFolder.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTRecordingHandoff.h"
#include "support/KTScreenDriver.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "ui/KTFileDropView.h"
#include "ui/KTProgressIndicator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTemporaryDir>
#include <QTranslator>

#include <csignal>

// The window and its two screens, the application object, and quitting.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    // The window sweeps the temporary folder at start: that of this test,
    // never the machine's.
    void initTestCase()
    {
        QVERIFY(m_privateTmp.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_privateTmp.path()));
    }

    void cleanup()
    {
        qputenv("TMPDIR", QFile::encodeName(m_privateTmp.path()));
        KTFileDataCollection::shareInstance().startOver();
    }

    // Screen 0 first; 1 and 0 switch; other numbers change nothing; showing
    // screen 0 again resets its drop target, bar and error line.
    void navigation()
    {
        auto prefs = kt_testPreferences();
        KTWindowController window(*prefs);
        window.show();
        KTUnarchiveViewController *first = window.unarchiveViewController();
        KTUnarchiveResultViewController *second = window.unarchiveResultViewController();
        QCOMPARE(window.tempViewCter(), static_cast<KTViewController *>(first));
        QVERIFY(first->isVisible());
        QCOMPARE(first->parentWidget(), window.baseView());
        QCOMPARE(first->geometry(), window.baseView()->rect());

        for (qint64 other : {qint64(2), qint64(-1)}) {
            window.kt_Next(other);
            QCOMPARE(window.tempViewCter(), static_cast<KTViewController *>(first));
            QVERIFY(first->isVisible());
        }
        window.kt_Next(1);
        QCOMPARE(window.tempViewCter(), static_cast<KTViewController *>(second));
        QVERIFY(second->isVisible());
        QVERIFY(!first->isVisible());
        QTRY_COMPARE(second->geometry(), window.baseView()->rect());

        first->kt_Status(true);
        first->updateProgress(QVariant(0.5f));
        first->ui().errorPasswordField->show();
        window.kt_Next(0);
        window.kt_Next(0);
        QCOMPARE(window.baseView()->layout()->count(), 1);
        QVERIFY(first->ui().briefView->isVisibleTo(first));
        QVERIFY(first->ui().kt_ProgressIndicator->isHidden());
        QVERIFY(first->ui().errorPasswordField->isHidden());
        const QSize size = window.size();
        window.kt_ResizeWindowWithWidth(0, 0);
        QCOMPARE(window.size(), size);
    }

    // The application registers its defaults before the first screen loads:
    // on a first launch the pop-up shows UTF-8, which the job then uses.
    void firstLaunchEncoding()
    {
        auto prefs = KTPreferences::inMemory();
        AppDelegate delegate(*prefs);
        delegate.applicationDidFinishLaunching();
        KTEncode *popup = delegate.mainWinController()->unarchiveViewController()->ui().encodingpopup;
        QCOMPARE(popup->tagOfItem(popup->currentIndex()), 4L);
        QCOMPARE(popup->currentText(), QStringLiteral("Unicode (UTF-8)"));
        QCOMPARE(prefs->integerForKey("filenameEncoding"), 4);
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }

    // A stored choice selects its item; 0 selects "Detect automatically";
    // a value no item carries selects nothing.
    void storedEncoding_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Shift JIS") << qint64(8) << QStringLiteral("Japanese (Shift JIS)");
        QTest::newRow("detect") << qint64(0) << QStringLiteral("Detect automatically");
        QTest::newRow("unknown") << qint64(9999) << QString();
    }

    void storedEncoding()
    {
        QFETCH(qint64, stored);
        QFETCH(QString, shown);
        auto prefs = kt_testPreferences(stored);
        KTWindowController window(*prefs);
        KTEncode *popup = window.unarchiveViewController()->ui().encodingpopup;
        QCOMPARE(popup->currentText(), shown);
        if (stored == 0)
            QCOMPARE(popup->currentIndex(), popup->count() - 1);
        if (shown.isEmpty())
            QCOMPARE(popup->currentIndex(), -1);
    }

    // Choosing an item stores its tag.
    void choosingStoresTag()
    {
        auto prefs = kt_testPreferences(4);
        KTWindowController window(*prefs);
        window.show();
        KTEncode *popup = window.unarchiveViewController()->ui().encodingpopup;
        popup->setFocus();
        QTest::keyClick(popup, Qt::Key_End);
        QCOMPARE(popup->currentText(), QStringLiteral("Detect automatically"));
        QCOMPARE(prefs->integerForKey("filenameEncoding"), 0);
        QTest::keyClick(popup, Qt::Key_Home);
        QCOMPARE(prefs->integerForKey("filenameEncoding"), qint64(popup->tagOfItem(0)));
        QVERIFY(popup->tagOfItem(0) != 0);
    }

    // The contact action hands the home page to the desktop.
    void contact()
    {
        auto prefs = kt_testPreferences();
        KTWindowController window(*prefs);
        KTRecordingHandoff handoff;
        window.unarchiveViewController()->setDesktopHandoff(&handoff);
        QTest::mouseClick(window.unarchiveViewController()->ui().contactButton, Qt::LeftButton);
        QCOMPARE(handoff.opened.size(), 1);
        QVERIFY(handoff.opened.first().scheme().startsWith("http"));
    }

    // Contact goes through xdg-open; when it exits with a failure, a
    // message says so and shows the address.
    void contactFailureIsShown()
    {
        KTTestFolder dir;
        const QString bin = dir.freshFolder("bin-");
        QVERIFY(kt_writeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.args\"\nexit 3\n"));
        QVERIFY(QFile::setPermissions(bin + "/xdg-open", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ":" + path);
        const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
        auto prefs = kt_testPreferences();
        KTWindowController window(*prefs);
        window.show();
        QTest::mouseClick(window.unarchiveViewController()->ui().contactButton, Qt::LeftButton);
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = window.findChild<QMessageBox *>()));
        QCOMPARE(box->text(), QString("No web browser is set up to open the home page."));
        QCOMPARE(box->informativeText(), QString::fromUtf8(kt_readFile(bin + "/xdg-open.args")));
        QVERIFY(box->informativeText().startsWith("http"));
    }

    // Focus is always drawn: Contact, a flat button, shows it too.
    void contactFocusIsVisible()
    {
        auto prefs = kt_testPreferences();
        KTWindowController window(*prefs);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QPushButton *contact = window.unarchiveViewController()->ui().contactButton;
        window.unarchiveViewController()->ui().kt_addFileButton->setFocus(Qt::TabFocusReason);
        const QImage plain = contact->grab().toImage();
        contact->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(contact->hasFocus());
        QVERIFY(contact->grab().toImage() != plain);
    }

    // On the result screen the tree has the focus, and Tab goes on in
    // reading order: the buttons from left to right, then the tree again.
    void resultTabOrder()
    {
        KTTestFolder dir;
        QVERIFY(kt_writeFile(dir.filePath("result/a.txt"), "a"));
        auto prefs = kt_testPreferences();
        KTWindowController window(*prefs);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto &collection = KTFileDataCollection::shareInstance();
        collection.setDesPath(dir.filePath("result"));
        QVERIFY(collection.fileData());
        window.kt_Next(KTViewControllerDelegate::ResultScreen);
        KTUnarchiveResultViewController *result = window.unarchiveResultViewController();
        const int before = result->refreshCount();
        KTNotificationCenter::defaultCenter().postNotification("fileget");
        QTRY_COMPARE(result->refreshCount(), before + 1);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(result->kt_outlineView()));
        const QList<QWidget *> order{result->ui().backButton, result->ui().moveButton, result->ui().saveButton,
                                     result->ui().openButton,
                                     result->kt_outlineView()};
        for (QWidget *next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    // Help ▸ About names the application, its version, the libraries with
    // their versions (7-Zip's asked of 7zz), and the licence.
    void about()
    {
        auto prefs = kt_testPreferences();
        KTWindowController window(*prefs);
        window.show();
        QAction *about = nullptr;
        for (QAction *menu : window.menuBar()->actions()) {
            for (QAction *action : menu->menu()->actions()) {
                if (action->text().contains("About"))
                    about = action;
            }
        }
        QVERIFY(about);
        about->trigger();
        KTAboutDialog *dialog = window.aboutDialog();
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        QVERIFY(QRegularExpression("^Version [0-9]+\\.[0-9]+\\.[0-9]+$").match(dialog->ui().versionLabel->text()).hasMatch());
        QTRY_VERIFY(dialog->sevenZipVersion() != "…");
        const QString libraries = dialog->ui().librariesLabel->text();
        QVERIFY2(libraries.contains(QString("Qt ") + qVersion()), qPrintable(libraries));
        QVERIFY(QRegularExpression("libarchive [0-9]+\\.[0-9]+").match(libraries).hasMatch());
        QVERIFY(QRegularExpression("ICU [0-9]+\\.[0-9]+").match(libraries).hasMatch());
        QVERIFY(QRegularExpression("7-Zip [0-9]+\\.[0-9]+").match(libraries).hasMatch());
        QVERIFY(dialog->ui().licenceLabel->text().startsWith("Licence: "));
        about->trigger();
        QCOMPARE(window.findChildren<KTAboutDialog *>().size(), 1);

        QCOMPARE(KTAboutDialog::versionFromBanner("\n7-Zip (z) 22.01 (x64) : Copyright (c) 1999-2022 Igor Pavlov"),
                 QString("22.01"));
        QCOMPARE(KTAboutDialog::versionFromBanner("7-Zip [64] 16.02 : Copyright"), QString("16.02"));
        QCOMPARE(KTAboutDialog::versionFromBanner("usage: something else 1.2"), QString());
    }

    // An archive given on the command line starts a job as a drop would.
    void commandLineArchive()
    {
        KTTestFolder dir;
        const QString archive = dir.filePath("cli.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("cli.txt", "c")}));
        auto prefs = KTPreferences::inMemory();
        AppDelegate delegate(*prefs);
        const QString tmp = dir.freshFolder();
        qputenv("TMPDIR", tmp.toLocal8Bit());
        delegate.applicationDidFinishLaunching({archive});
        KTWindowController *window = delegate.mainWinController();
        QTRY_COMPARE(window->tempViewCter(), static_cast<KTViewController *>(window->unarchiveResultViewController()));
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), tmp + "/cli.txt");
    }

    // "Extract To…": the folder question comes before any job; a cancelled
    // question starts nothing, a chosen folder receives the result.
    void extractToChosenFolder()
    {
        KTTestFolder dir;
        const QString archive = dir.filePath("to.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("to.txt", "t")}));
        const QString target = dir.freshFolder("target");
        auto prefs = KTPreferences::inMemory();
        AppDelegate delegate(*prefs);
        delegate.applicationDidFinishLaunching();
        KTWindowController *window = delegate.mainWinController();
        KTUnarchiveViewController *screen = window->unarchiveViewController();

        delegate.extractAskingForFolder(archive);
        QPointer<QFileDialog> dialog = screen->folderDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        QCOMPARE(QDir(dialog->directory()).absolutePath(), dir.path());
        QVERIFY(!screen->isBusy());
        dialog->reject();
        QTRY_VERIFY(!dialog);
        QVERIFY(!screen->isBusy());
        QVERIFY(QDir(target).isEmpty());

        delegate.extractAskingForFolder(archive);
        dialog = screen->folderDialog();
        QVERIFY(dialog);
        dialog->selectFile(target);
        QMetaObject::invokeMethod(dialog, "accept");
        QTRY_COMPARE(window->tempViewCter(), static_cast<KTViewController *>(window->unarchiveResultViewController()));
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), target + "/to.txt");
        QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList({"to.txt"}));
    }

    void translations_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("drop");
        QTest::addColumn<QString>("detect");
        QTest::addColumn<QString>("cause");
        QTest::newRow("German") << "de_DE" << "Archiv hierher ziehen" << "Automatisch erkennen"
                                << "Falsches oder fehlendes Passwort";
        QTest::newRow("Chinese") << "zh_CN" << "将压缩包拖放到此处" << "自动检测" << "密码错误或未提供密码";
        QTest::newRow("no translation") << "fr_FR" << "Drop an archive here" << "Detect automatically"
                                        << "Wrong or missing password";
    }

    // The compiled-in translations apply to the screens, the pop-up and the
    // causes; without one the English texts show.
    void translations()
    {
        QFETCH(QString, locale);
        QFETCH(QString, drop);
        QFETCH(QString, detect);
        QFETCH(QString, cause);
        QTranslator translator;
        const bool loaded = translator.load(QLocale(locale), "kt", "_", ":/i18n");
        QCOMPARE(loaded, locale != "fr_FR");
        QApplication::installTranslator(&translator);
        auto prefs = kt_testPreferences(0);
        KTWindowController window(*prefs);
        QApplication::removeTranslator(&translator);
        KTUnarchiveViewController *screen = window.unarchiveViewController();
        QCOMPARE(screen->ui().dropLabel->text(), drop);
        QCOMPARE(screen->ui().encodingpopup->currentText(), detect);
        QApplication::installTranslator(&translator);
        const QString shownCause = KTExtractionError::make(KTErrorCode::WrongPassword).cause();
        QApplication::removeTranslator(&translator);
        QCOMPARE(shownCause, cause);
    }

    // Closing the window while a job runs cancels it and joins its thread.
    void closeDuringJob()
    {
        KTTestFolder dir;
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::filled("long.bin", 1 << 20));
        const auto gate = script.holdAt(0, 1000);
        auto prefs = kt_testPreferences();
        auto window = std::make_unique<KTWindowController>(*prefs);
        window->show();
        KTUnarchiveViewController &screen = *window->unarchiveViewController();
        const QString tmp = dir.freshFolder();
        qputenv("TMPDIR", QFile::encodeName(tmp));
        screen.job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QVERIFY(KTScreenDriver::dropFiles(screen, {dir.filePath("long.zip")}));
        QVERIFY(gate->waitUntilReached());
        QVERIFY(window->close());
        // Cancelled, joined and cleaned up before close() returned.
        QVERIFY(!screen.job().isRunning());
        QCOMPARE(script.log->lines().last(), KTScriptLog::did("long.bin", KTErrorCode::Cancelled));
        QCOMPARE(QDir(tmp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
    }

    // Closing the window while the password dialog is open closes the
    // dialog, cancels the job and quits the dialog's loop cleanly.
    void closeDuringPasswordDialog()
    {
        KTTestFolder dir;
        KTUnarchiverScript script;
        script.password = QStringLiteral("pw");
        script.add(KTScriptedEntry::file("a.txt", "a")).add(KTScriptedEntry::file("b.txt", "b"));
        script.entries[0].isEncrypted = true;
        auto prefs = kt_testPreferences();
        auto window = std::make_unique<KTWindowController>(*prefs);
        window->show();
        KTUnarchiveViewController &screen = *window->unarchiveViewController();
        const QString tmp = dir.freshFolder();
        qputenv("TMPDIR", QFile::encodeName(tmp));
        screen.job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        bool closed = false;
        KTScreenDriver::whenPasswordDialogShows(screen, [&](KTPasswordDialog *) {
            closed = true;
            window->close();
        });
        QVERIFY(KTScreenDriver::dropFiles(screen, {dir.filePath("locked.zip")}));
        QTRY_VERIFY(closed);
        QVERIFY(!screen.passWdPanel()->isVisible());
        QVERIFY(!screen.job().isRunning());
        QVERIFY(!window->isVisible());
        // The withdrawn question failed the entry; nothing after it ran.
        QCOMPARE(script.log->lines().mid(1), QStringList({"will a.txt", "password", KTScriptLog::did("a.txt", KTErrorCode::WrongPassword)}));
        QCOMPARE(QDir(tmp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
        window.reset();
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
        KTTestFolder dir;
        KTUnarchiverScript failing;
        failing.add(KTScriptedEntry::file("kept.txt", "written")).add(KTScriptedEntry::file("bad.txt", "b"));
        failing.failAt(1, KTErrorCode::Damaged);
        auto prefs = kt_testPreferences();
        auto window = std::make_unique<KTWindowController>(*prefs);
        window->show();
        KTUnarchiveViewController &screen = *window->unarchiveViewController();
        const QString tmp = dir.freshFolder();
        qputenv("TMPDIR", QFile::encodeName(tmp));
        screen.job().setUnarchiverFactory(KTScriptedUnarchiver::factory(failing));
        QVERIFY(KTScreenDriver::dropFiles(screen, {dir.filePath("broken.zip")}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen));
        QVERIFY(!screen.job().extractionSucceeded());
        const QStringList left = QDir(tmp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
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
            QCOMPARE(QDir(tmp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                     QStringList{"fine.txt"});
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
        KTTestFolder dir;
        const QString tmp = dir.freshFolder();
        const QString outside = dir.freshFolder("outside-");
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

        qputenv("TMPDIR", QFile::encodeName(tmp));
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
        KTTestFolder dir;
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
        QCOMPARE(QDir(tmp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
    }

private:
    QTemporaryDir m_privateTmp;
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
