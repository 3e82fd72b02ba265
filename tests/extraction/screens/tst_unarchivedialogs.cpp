#include "ui_KTUnarchiveViewController.h"

#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTEncode.h"
#include "extraction/screens/KTPasswordDialog.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTScreenDriver.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "support/KTWindowHarness.h"
#include "ui/KTProgressIndicator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>

// The extraction screen's dialogs inside a real window, answered through
// their own controls.
class TestUnarchiveDialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<KTWindowHarness> m_ui;

    KTUnarchiveViewController &screen() { return m_ui->screen(); }

private slots:
    void init()
    {
        m_ui = std::make_unique<KTWindowHarness>();
        QVERIFY(m_ui->start());
    }

    void cleanup() { m_ui.reset(); }

    void passwordDialog_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<QString>("cause");
        QTest::newRow("ok") << std::optional<QString>("s3cret") << true << QString();
        QTest::newRow("ok empty") << std::optional<QString>("") << false << QStringLiteral("Wrong or missing password");
        QTest::newRow("cancel") << std::optional<QString>() << false << QStringLiteral("Wrong or missing password");
    }

    // The real dialog, answered through its own field and buttons.
    void passwordDialog()
    {
        QFETCH(std::optional<QString>, answer);
        QFETCH(bool, succeeds);
        QFETCH(QString, cause);
        const QString archive = m_ui->folder().filePath(QStringLiteral("locked-%1.zip").arg(QTest::currentDataTag()).replace(' ', '-'));
        KTTestArchives::Options options;
        options.passphrase = "s3cret";
        options.encryption = "aes256";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("inside.txt", "the content")}, options));
        int asked = 0;
        KTScreenDriver::answerPasswords(screen(), answer, &asked);
        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QTRY_VERIFY(screen().isBusy());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(asked, 1);
        QVERIFY(!screen().passWdPanel()->isVisible());
        if (succeeds) {
            QCOMPARE(m_ui->window().tempViewCter(), m_ui->window().unarchiveResultViewController());
            QFile out(KTFileDataCollection::shareInstance().desPath());
            QVERIFY(out.open(QIODevice::ReadOnly));
            QCOMPARE(out.readAll(), QByteArray("the content"));
        } else {
            QVERIFY(screen().ui().errorPasswordField->isVisible());
            QCOMPARE(screen().ui().errorCauseField->text(), cause);
            // No empty bar left above the error line.
            QVERIFY(screen().ui().kt_ProgressIndicator->isHidden());
            QVERIFY(screen().amountLine()->isHidden());
            QCOMPARE(m_ui->window().windowTitle(), QStringLiteral("KT Extractor"));
        }
        // The field keeps what was typed until the next job starts.
        QCOMPARE(screen().passWdPanel()->password(), answer.value_or(QString()));
        const QString plain = m_ui->folder().filePath(QStringLiteral("plain-%1.zip").arg(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY(KTTestArchives::write(plain, {KTTestEntry::file("p.txt", "p")}));
        m_ui->window().kt_Next(0);
        QVERIFY(KTScreenDriver::dropFiles(screen(), {plain}));
        QCOMPARE(screen().passWdPanel()->password(), QString());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
    }

    // After a wrong password, Try Again asks again and extracts the same
    // archive without a new drop.
    void tryAgainAfterWrongPassword()
    {
        const QString archive = m_ui->folder().filePath("retry.zip");
        KTTestArchives::Options options;
        options.passphrase = "s3cret";
        options.encryption = "aes256";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("inside.txt", "the content")}, options));
        int asked = 0;
        KTScreenDriver::answerPasswords(screen(), QStringLiteral("wrong"), &asked);
        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QTRY_VERIFY(screen().isBusy());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(screen().ui().errorCauseField->text(), QStringLiteral("Wrong or missing password"));
        QVERIFY(screen().tryAgainButton()->isVisible());
        QCOMPARE(screen().tryAgainButton()->text(), QStringLiteral("Try Again"));

        KTScreenDriver::answerPasswords(screen(), QStringLiteral("s3cret"), &asked);
        QTest::mouseClick(screen().tryAgainButton(), Qt::LeftButton);
        QVERIFY(!screen().tryAgainButton()->isVisible());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(asked, 2);
        QCOMPARE(m_ui->window().tempViewCter(), m_ui->window().unarchiveResultViewController());
        QFile out(KTFileDataCollection::shareInstance().desPath());
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("the content"));
    }

    // The open dialog: Cancel leaves everything as it was, a chosen file
    // starts a job.
    void openDialog()
    {
        KTFileDataCollection::shareInstance().setFileArray({"kept"});
        QTest::mouseClick(screen().ui().kt_addFileButton, Qt::LeftButton);
        QFileDialog *dialog = screen().openDialog();
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        dialog->reject();
        QTRY_VERIFY(!screen().openDialog());
        QCOMPARE(KTFileDataCollection::shareInstance().fileArray(), QStringList{"kept"});
        QVERIFY(!screen().isBusy());

        const QString archive = m_ui->folder().filePath("picked.7z");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("picked.txt", "p")}, "7zip"));
        QTest::mouseClick(screen().ui().kt_addFileButton, Qt::LeftButton);
        dialog = screen().openDialog();
        QVERIFY(dialog);
        dialog->setDirectory(m_ui->folder().path());
        dialog->selectFile(archive);
        QMetaObject::invokeMethod(dialog, "accept");
        QTRY_VERIFY(screen().isBusy() || m_ui->window().tempViewCter() != &screen());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(KTFileDataCollection::shareInstance().fileArray(), QStringList{archive});
        QCOMPARE(m_ui->window().tempViewCter(), m_ui->window().unarchiveResultViewController());
    }

    // The open dialog starts in the folder of the last archive taken, else
    // Downloads, else home.
    void openDialogFolder()
    {
        const QString home = m_ui->folder().freshFolder("home-");
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + "/.config"));
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            qputenv("XDG_CONFIG_HOME", oldConfig);
        });
        const auto dialogFolder = [this] {
            QTest::mouseClick(screen().ui().kt_addFileButton, Qt::LeftButton);
            QFileDialog *dialog = screen().openDialog();
            if (!dialog)
                return QString("no dialog");
            const QString folder = dialog->directory().absolutePath();
            dialog->reject();
            if (!QTest::qWaitFor([this] { return !screen().openDialog(); }))
                return QString("the dialog stayed");
            return folder;
        };

        QCOMPARE(dialogFolder(), home);
        QVERIFY(QDir(home).mkdir("Downloads"));
        QCOMPARE(dialogFolder(), home + "/Downloads");

        const QString source = m_ui->folder().freshFolder("archives-");
        const QString archive = source + "/taken.zip";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("taken.txt", "t")}));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        m_ui->window().kt_Next(KTViewControllerDelegate::UnarchiveScreen);
        QCOMPARE(dialogFolder(), source);
        QCOMPARE(m_ui->preferences().stringForKey("lastArchiveFolder"), source);
        QVERIFY(QDir(source).removeRecursively());
        QCOMPARE(dialogFolder(), home + "/Downloads");
    }

    // Cancel stops a running job: back to idle with no error line, and no
    // scratch folder left. (Esc is the next test's.)
    void cancelJob()
    {
        KTUnarchiverScript script;
        script.blockSize = 1000;
        script.add(KTScriptedEntry::file("first.txt", "first")).add(KTScriptedEntry::filled("big.bin", 1 << 20));
        const auto gate = script.holdAt(1, 3000);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_ui->folder().filePath("big.zip")}));
        QVERIFY(gate->waitUntilReached());
        QTRY_VERIFY(screen().ui().kt_ProgressIndicator->isVisible());
        QVERIFY(screen().ui().cancelButton->isVisible());
        QTest::mouseClick(screen().ui().cancelButton, Qt::LeftButton);
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(script.log->lines().mid(5), QStringList({"stop", KTScriptLog::did("big.bin", KTErrorCode::Cancelled)}));
        QCOMPARE(m_ui->window().tempViewCter(), static_cast<KTViewController *>(&screen()));
        QVERIFY(!screen().ui().errorPasswordField->isVisible());
        QVERIFY(!screen().circleView());
        QVERIFY(screen().ui().briefView->isVisible());
        QVERIFY(screen().ui().cancelButton->isHidden());
        QCOMPARE(QDir(m_ui->tmp()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
    }

    // Esc that closes the encoding pop-up or a dialog is theirs: the job
    // goes on; Esc on the screen itself cancels it.
    void escapeClosingAPopUpKeepsTheJob()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("first.txt", "first")).add(KTScriptedEntry::file("second.txt", "second"));
        const auto gate = script.holdAt(1, 1);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_ui->folder().filePath("long.zip")}));
        QVERIFY(gate->waitUntilReached());

        KTEncode *popup = screen().ui().encodingpopup;
        popup->showPopup();
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());

        QMessageBox dialog(QMessageBox::Information, "t", "a dialog", QMessageBox::Close, &m_ui->window());
        dialog.setWindowModality(Qt::WindowModal);
        dialog.open();
        QTRY_VERIFY(QApplication::activeModalWidget() == &dialog);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTRY_VERIFY(!dialog.isVisible());
        QVERIFY(screen().job().isRunning());
        QVERIFY(!script.log->lines().contains("stop"));

        QTest::keyClick(popup, Qt::Key_Escape);
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QVERIFY(script.log->lines().contains("stop"));
    }
};

QTEST_MAIN(TestUnarchiveDialogs)
#include "tst_unarchivedialogs.moc"
