#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTPreferences.h"
#include "app/window/AppDelegate.h"
#include "app/window/KTAboutDialog.h"
#include "ui_KTAboutDialog.h"
#include "ui_KTUnarchiveResultViewController.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTEncode.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTTestArchives.h"
#include "support/KTWindowHarness.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

// The window and its two screens, and the application object.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    // Also for the windows a test makes itself: the application sweeps the
    // temporary folder at start, which must be the harness's, never the machine's.
    void init() { m_h = std::make_unique<KTWindowHarness>(); }
    void cleanup() { m_h.reset(); }

    // Screen 0 first; 1 and 0 switch; other numbers change nothing; showing
    // screen 0 again resets its drop target, bar and error line.
    void navigation()
    {
        QVERIFY(m_h->start());
        KTWindowController &window = m_h->window();
        KTUnarchiveViewController *first = window.unarchiveViewController();
        KTUnarchiveResultViewController *second = window.unarchiveResultViewController();
        for (qint64 other : {qint64(2), qint64(-1)}) {
            window.kt_Next(other);
            QCOMPARE(window.tempViewCter(), static_cast<KTViewController *>(first));
            QVERIFY(first->isVisible());
        }
        QCOMPARE(first->geometry(), window.baseView()->rect());
        window.kt_Next(1);
        QCOMPARE(window.tempViewCter(), static_cast<KTViewController *>(second));
        QVERIFY(second->isVisible() && !first->isVisible());
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
    }

    // A stored choice selects its item (0 "Detect automatically", a value
    // no item carries nothing); on a first launch the application has
    // registered its defaults before the screen loads, so UTF-8 shows.
    // Choosing an item stores its tag.
    void storedEncoding_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("first launch") << qint64(-1) << QStringLiteral("Unicode (UTF-8)");
        QTest::newRow("Shift JIS") << qint64(8) << QStringLiteral("Japanese (Shift JIS)");
        QTest::newRow("detect") << qint64(0) << QStringLiteral("Detect automatically");
        QTest::newRow("unknown") << qint64(9999) << QString();
    }
    void storedEncoding()
    {
        QFETCH(qint64, stored);
        QFETCH(QString, shown);
        auto prefs = stored < 0 ? KTPreferences::inMemory() : kt_testPreferences(stored);
        std::unique_ptr<AppDelegate> delegate;
        std::unique_ptr<KTWindowController> own;
        KTWindowController *window = nullptr;
        if (stored < 0) {
            delegate = std::make_unique<AppDelegate>(*prefs);
            delegate->applicationDidFinishLaunching();
            window = delegate->mainWinController();
            QVERIFY(QApplication::quitOnLastWindowClosed());
        } else {
            own = std::make_unique<KTWindowController>(*prefs);
            window = own.get();
            window->show();
        }
        KTEncode *popup = window->unarchiveViewController()->ui().encodingpopup;
        QCOMPARE(popup->currentText(), shown);
        if (stored == 0)
            QCOMPARE(popup->currentIndex(), popup->count() - 1);
        if (stored < 0)
            QCOMPARE(prefs->integerForKey("filenameEncoding"), 4);

        popup->setFocus();
        QTest::keyClick(popup, Qt::Key_End);
        QCOMPARE(popup->currentText(), QStringLiteral("Detect automatically"));
        QCOMPARE(prefs->integerForKey("filenameEncoding"), 0);
        QTest::keyClick(popup, Qt::Key_Home);
        QVERIFY(popup->tagOfItem(0) != 0);
        QCOMPARE(prefs->integerForKey("filenameEncoding"), qint64(popup->tagOfItem(0)));
    }

    // Contact hands the home page to xdg-open; when it exits with a
    // failure, a message says so and shows the address.
    void contactFailureIsShown()
    {
        const QString record = m_h->installRecordingTool("xdg-open", 3);
        QVERIFY(m_h->start());
        QTest::mouseClick(m_h->screen().ui().contactButton, Qt::LeftButton);
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = m_h->shownMessageBox()));
        QCOMPARE(box->text(), QString("No web browser is set up to open the home page."));
        QCOMPARE(QStringList{box->informativeText()}, kt_recordedArguments(record + "/args"));
        QVERIFY(box->informativeText().startsWith("http"));
    }

    // Focus is always drawn: Contact, a flat button, shows it too. On the
    // result screen the tree has the focus, and Tab goes on in reading
    // order: the buttons from left to right, then the tree again.
    void focus()
    {
        QVERIFY(m_h->start());
        KTWindowController &window = m_h->window();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QPushButton *contact = window.unarchiveViewController()->ui().contactButton;
        window.unarchiveViewController()->ui().kt_addFileButton->setFocus(Qt::TabFocusReason);
        const QImage plain = contact->grab().toImage();
        contact->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(contact->hasFocus());
        QVERIFY(contact->grab().toImage() != plain);

        QVERIFY(kt_writeFile(m_h->folder().filePath("result/a.txt"), "a"));
        QVERIFY(m_h->show(m_h->folder().filePath("result")));
        KTUnarchiveResultViewController *result = window.unarchiveResultViewController();
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
        QVERIFY(m_h->start());
        KTWindowController &window = m_h->window();
        QAction *about = m_h->menuAction("&About KT Extractor");
        QVERIFY(about);
        about->trigger();
        KTAboutDialog *dialog = window.aboutDialog();
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        QVERIFY(QRegularExpression("^Version [0-9]+\\.[0-9]+\\.[0-9]+$").match(dialog->ui().versionLabel->text()).hasMatch());
        QTRY_VERIFY(dialog->sevenZipVersion() != "…");
        const QString libraries = dialog->ui().librariesLabel->text();
        QVERIFY2(libraries.contains(QString("Qt ") + qVersion()), qPrintable(libraries));
        for (const char *library : {"libarchive", "ICU", "7-Zip"})
            QVERIFY2(QRegularExpression(QString(library) + " [0-9]+\\.[0-9]+").match(libraries).hasMatch(), library);
        QVERIFY(dialog->ui().licenceLabel->text().startsWith("Licence: "));
        about->trigger();
        QCOMPARE(window.findChildren<KTAboutDialog *>().size(), 1);
    }

    // An archive given on the command line starts a job as a drop would.
    void commandLineArchive()
    {
        const QString archive = m_h->folder().filePath("cli.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("cli.txt", "c")}));
        auto prefs = KTPreferences::inMemory();
        AppDelegate delegate(*prefs);
        delegate.applicationDidFinishLaunching({archive});
        KTWindowController *window = delegate.mainWinController();
        QTRY_COMPARE(window->tempViewCter(), static_cast<KTViewController *>(window->unarchiveResultViewController()));
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), m_h->tmp() + "/cli.txt");
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

private:
    std::unique_ptr<KTWindowHarness> m_h;
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
