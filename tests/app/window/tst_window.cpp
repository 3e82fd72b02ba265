#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTPreferences.h"
#include "app/window/AppDelegate.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTEncode.h"
#include "extraction/screens/KTPasswordDialog.h"
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
#include <QFileDialog>
#include <QPointer>
#include <QTest>
#include <QTranslator>

// The window and its two screens, the application object, and quitting.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
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
        qunsetenv("TMPDIR");
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
        // The chosen folder was for that archive alone.
        QCOMPARE(screen->job().temporaryDirectory(), QDir::tempPath());
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
        screen.job().setTemporaryDirectory(tmp);
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
        screen.job().setTemporaryDirectory(tmp);
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
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
