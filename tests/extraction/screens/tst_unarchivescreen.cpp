#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/names/KTEncodings.h"
#include "extraction/screens/KTEncode.h"
#include "extraction/screens/KTPasswordDialog.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTEncodingCorpus.h"
#include "support/KTScreenDriver.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "ui/KTFileDropView.h"
#include "ui/KTNoticeList.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTreeView>

// The extraction screen inside a real window, driven as a user drives it:
// drops, the open dialog, the password dialog, the cancel button.
class TestUnarchiveScreen : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = m_dir.freshFolder();
        m_prefs = kt_testPreferences();
        m_window = std::make_unique<KTWindowController>(*m_prefs);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        // Results go to the temporary folder by default: this test's own.
        qputenv("TMPDIR", QFile::encodeName(m_tmp));
    }

    void cleanup()
    {
        m_window.reset();
        qunsetenv("TMPDIR");
        KTFileDataCollection::shareInstance().startOver();
    }

    // A dropped archive goes through the job, the tree build and the switch
    // to the result screen; "fileget" comes after the switch.
    void dropToResultScreen()
    {
        const QString archive = m_dir.filePath("photos.tar.gz");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("photos/a.jpg", "jpeg"), KTTestEntry::file("photos/b.jpg", "png")},
                                      "ustar", "gzip"));
        QObject probe;
        KTViewController *shownAtFileget = nullptr;
        QList<float> progress;
        KTNotificationCenter::defaultCenter().addObserver(&probe, "fileget", [&](const QVariant &) {
            shownAtFileget = m_window->tempViewCter();
        });
        KTNotificationCenter::defaultCenter().addObserver(&probe, "fileprogress", [&](const QVariant &v) {
            progress << v.toFloat();
        });

        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QTRY_VERIFY(screen().isBusy());
        QVERIFY(screen().ui().briefView->isHidden());
        QVERIFY(screen().circleView());
        QVERIFY(screen().circleView()->isSpinning());
        QVERIFY(!screen().ui().kt_addFileButton->isEnabled());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));

        QCOMPARE(shownAtFileget, m_window->unarchiveResultViewController());
        QCOMPARE(m_window->tempViewCter(), m_window->unarchiveResultViewController());
        QVERIFY(!screen().circleView());
        QVERIFY(screen().ui().kt_ProgressIndicator->isHidden());
        QVERIFY(!screen().ui().briefView->isHidden());
        QVERIFY(screen().ui().kt_addFileButton->isEnabled());
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last(), 1.2f);
        const QString desPath = KTFileDataCollection::shareInstance().desPath();
        QCOMPARE(QFileInfo(desPath).fileName(), QStringLiteral("photos"));
        QCOMPARE(QFile(desPath + "/b.jpg").size(), 3);
        QCOMPARE(KTFileDataCollection::shareInstance().fileArray(), QStringList{archive});
        QTRY_COMPARE(m_window->unarchiveResultViewController()->refreshCount(), 1);
    }

    // Two archives dropped together start one job, on the first.
    void twoArchivesOneJob()
    {
        const QString first = m_dir.filePath("first.zip");
        const QString second = m_dir.filePath("second.zip");
        QVERIFY(KTTestArchives::write(first, {KTTestEntry::file("one.txt", "1")}));
        QVERIFY(KTTestArchives::write(second, {KTTestEntry::file("two.txt", "2")}));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {first, second}));
        QTRY_VERIFY(screen().isBusy());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(QFileInfo(KTFileDataCollection::shareInstance().desPath()).fileName(), QStringLiteral("one.txt"));
        QCOMPARE(QDir(m_tmp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"one.txt"});
    }

    // While a job runs, the add-file button is off and another drop starts nothing.
    void oneJobAtATime()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("one.txt", "1"));
        const auto gate = script.holdAt(0);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        // The scripted backend reads no file: the paths need not exist.
        const QString archive = m_dir.filePath("first.zip");
        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QVERIFY(gate->waitUntilReached());
        QVERIFY(screen().isBusy());
        QVERIFY(!screen().ui().kt_addFileButton->isEnabled());
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_dir.filePath("other.zip")}));
        screen().kt_addFileButton();
        QVERIFY(!screen().openDialog());
        QCOMPARE(KTFileDataCollection::shareInstance().fileArray(), QStringList{archive});
        gate->release();
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(script.log->count("parse"), 1);
        QCOMPARE(m_window->tempViewCter(), m_window->unarchiveResultViewController());
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), m_tmp + "/one.txt");
    }

    // Not an archive: the error line and its cause, the drop target back,
    // the circle gone; a new drop hides the error line again.
    void failurePath()
    {
        const QString notArchive = m_dir.filePath("notes.zip");
        {
            QFile f(notArchive);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'n'));
        }
        QVERIFY(KTScreenDriver::dropFiles(screen(), {notArchive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_window->tempViewCter(), static_cast<KTViewController *>(&screen()));
        QVERIFY(screen().ui().errorPasswordField->isVisible());
        QCOMPARE(screen().ui().errorPasswordField->text(), QStringLiteral("Extract error or password error, try again!"));
        QVERIFY(screen().ui().errorCauseField->isVisible());
        QCOMPARE(screen().ui().errorCauseField->text(), QStringLiteral("Not an archive or an unsupported format"));
        QVERIFY(screen().ui().briefView->isVisible());
        QVERIFY(!screen().circleView());
        QVERIFY(!screen().job().extractionSucceeded());

        const QString good = m_dir.filePath("good.zip");
        QVERIFY(KTTestArchives::write(good, {KTTestEntry::file("good.txt", "g")}));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {good}));
        QVERIFY(!screen().ui().errorPasswordField->isVisible());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_window->tempViewCter(), m_window->unarchiveResultViewController());
    }

    // A damaged archive offers what was read before the damage, shown as
    // incomplete; unsafe entries left out are one line on the result screen;
    // a failure with nothing read offers nothing.
    void partialResultAndSkippedEntries()
    {
        auto *showPartial = screen().findChild<QPushButton *>(QStringLiteral("showPartialButton"));
        QVERIFY(showPartial);
        auto *result = m_window->unarchiveResultViewController();
        const QString cut = m_dir.filePath("cut.zip");
        QVERIFY(KTTestArchives::write(cut, {KTTestEntry::file("a.txt", "alpha"), KTTestEntry::file("b.txt", "beta")}));
        {
            QFile f(cut);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.resize(f.readAll().indexOf(QByteArray("PK\x01\x02", 4))));
        }
        QVERIFY(KTScreenDriver::dropFiles(screen(), {cut}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(screen().ui().errorCauseField->text(), QStringLiteral("The archive is damaged"));
        QVERIFY(showPartial->isVisible());
        QTest::mouseClick(showPartial, Qt::LeftButton);
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_window->tempViewCter(), result);
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), screen().job().partialResult());
        QTRY_VERIFY(result->noticeList()->texts().contains(
            QStringLiteral("Incomplete: only what was read before the damage.")));

        QTest::keyClick(result->findChild<QTreeView *>(), Qt::Key_Backspace);
        QCOMPARE(m_window->tempViewCter(), static_cast<KTViewController *>(&screen()));
        const QString unsafe = m_dir.filePath("unsafe.tar");
        QVERIFY(KTTestArchives::write(unsafe, {KTTestEntry::file("ok.txt", "ok"), KTTestEntry::file("../up.txt", "evil"),
                                               KTTestEntry::file("more.txt", "more")}, "pax"));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {unsafe}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_window->tempViewCter(), result);
        QTRY_VERIFY(result->noticeList()->texts().contains(
            QStringLiteral("1 entry was not extracted: it would have written outside the folder")));
        QVERIFY(!result->noticeList()->texts().join(QString()).contains(QLatin1String("Incomplete")));

        QTest::keyClick(result->findChild<QTreeView *>(), Qt::Key_Backspace);
        const QString notArchive = m_dir.filePath("notes.tar");
        {
            QFile f(notArchive);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'n'));
        }
        QVERIFY(KTScreenDriver::dropFiles(screen(), {notArchive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QVERIFY(screen().ui().errorPasswordField->isVisible());
        QVERIFY(!showPartial->isVisible());
    }

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
        const QString archive = m_dir.filePath(QStringLiteral("locked-%1.zip").arg(QTest::currentDataTag()).replace(' ', '-'));
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
            QCOMPARE(m_window->tempViewCter(), m_window->unarchiveResultViewController());
            QFile out(KTFileDataCollection::shareInstance().desPath());
            QVERIFY(out.open(QIODevice::ReadOnly));
            QCOMPARE(out.readAll(), QByteArray("the content"));
        } else {
            QVERIFY(screen().ui().errorPasswordField->isVisible());
            QCOMPARE(screen().ui().errorCauseField->text(), cause);
            // No empty bar left above the error line.
            QVERIFY(screen().ui().kt_ProgressIndicator->isHidden());
            QVERIFY(screen().amountLine()->isHidden());
            QCOMPARE(m_window->windowTitle(), QStringLiteral("KT Extractor"));
        }
        // The field keeps what was typed until the next job starts.
        QCOMPARE(screen().passWdPanel()->password(), answer.value_or(QString()));
        const QString plain = m_dir.filePath(QStringLiteral("plain-%1.zip").arg(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY(KTTestArchives::write(plain, {KTTestEntry::file("p.txt", "p")}));
        m_window->kt_Next(0);
        QVERIFY(KTScreenDriver::dropFiles(screen(), {plain}));
        QCOMPARE(screen().passWdPanel()->password(), QString());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
    }

    // After a wrong password, Try Again asks again and extracts the same
    // archive without a new drop; other failures do not offer it.
    void tryAgainAfterWrongPassword()
    {
        const QString archive = m_dir.filePath("retry.zip");
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
        QCOMPARE(m_window->tempViewCter(), m_window->unarchiveResultViewController());
        QFile out(KTFileDataCollection::shareInstance().desPath());
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("the content"));

        m_window->kt_Next(0);
        const QString notArchive = m_dir.filePath("retry-notes.zip");
        QVERIFY(kt_writeFile(notArchive, QByteArray(4096, 'n')));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {notArchive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QVERIFY(screen().ui().errorPasswordField->isVisible());
        QVERIFY(!screen().tryAgainButton()->isVisible());
    }

    // While a job runs: the amount of the archive read under the bar and the
    // share in the window's title; both go when it ends, on a failure too.
    void progressLineAndTitle_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::newRow("succeeds") << false;
        QTest::newRow("fails") << true;
    }
    void progressLineAndTitle()
    {
        QFETCH(bool, fails);
        // The failing one is split in two volumes: the amount counts both.
        const QString archive = fails ? m_dir.filePath("photos.7z.001") : m_dir.filePath("photos.zip");
        if (fails) {
            QVERIFY(kt_writeFile(archive, QByteArray(700000, 'z')));
            QVERIFY(kt_writeFile(m_dir.filePath("photos.7z.002"), QByteArray(700000, 'z')));
        } else {
            QVERIFY(kt_writeFile(archive, QByteArray(1400000, 'z')));
        }
        const QString name = QFileInfo(archive).fileName();
        KTUnarchiverScript script;
        script.blockSize = 4096;
        script.add(KTScriptedEntry::filled("a.bin", 400000)).add(KTScriptedEntry::filled("b.bin", 400000));
        const auto gate = script.holdAt(1, 200000);
        if (fails)
            script.failAt(1, KTErrorCode::Damaged, 300000);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("KT Extractor"));
        // A volume is not offered by the drop target; the command line's road.
        screen().gotoNext(QVariant(QStringList{archive}));
        QVERIFY(gate->waitUntilReached());
        // 600,000 of 800,000 bytes written when held: at most 75 %, and
        // what the throttle let through before that.
        const QRegularExpression title(QStringLiteral("^(\\d+)% — ") + QRegularExpression::escape(name) + "$");
        QTRY_VERIFY(title.match(m_window->windowTitle()).hasMatch());
        QTRY_VERIFY(screen().amountLine()->isVisible());
        const QRegularExpression amount(QStringLiteral("^\\d+(\\.\\d)? (bytes|kB|MB) of 1\\.4 MB( · \\d+ s left)?$"));
        QVERIFY2(amount.match(screen().amountLine()->text()).hasMatch(), qPrintable(screen().amountLine()->text()));
        QVERIFY(title.match(m_window->windowTitle()).captured(1).toInt() <= 75);
        QVERIFY(screen().amountLine()->geometry().top() >= screen().ui().kt_ProgressIndicator->geometry().bottom());
        gate->release();
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("KT Extractor"));
        QVERIFY(screen().amountLine()->isHidden());
        QVERIFY(screen().ui().kt_ProgressIndicator->isHidden());
        QCOMPARE(screen().ui().errorPasswordField->isVisible(), fails);
    }

    // The open dialog: one existing file; Cancel leaves
    // everything as it was, a chosen file starts a job.
    void openDialog()
    {
        KTFileDataCollection::shareInstance().setFileArray({"kept"});
        QTest::mouseClick(screen().ui().kt_addFileButton, Qt::LeftButton);
        QFileDialog *dialog = screen().openDialog();
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        dialog->reject();
        QTRY_VERIFY(!screen().openDialog());
        QCOMPARE(KTFileDataCollection::shareInstance().fileArray(), QStringList{"kept"});
        QVERIFY(!screen().isBusy());

        const QString archive = m_dir.filePath("picked.7z");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("picked.txt", "p")}, "7zip"));
        QTest::mouseClick(screen().ui().kt_addFileButton, Qt::LeftButton);
        dialog = screen().openDialog();
        QVERIFY(dialog);
        dialog->setDirectory(m_dir.path());
        dialog->selectFile(archive);
        QMetaObject::invokeMethod(dialog, "accept");
        QTRY_VERIFY(screen().isBusy() || m_window->tempViewCter() != &screen());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(KTFileDataCollection::shareInstance().fileArray(), QStringList{archive});
        QCOMPARE(m_window->tempViewCter(), m_window->unarchiveResultViewController());
    }

    // Cancel (the button, or Esc) stops a running job: back to idle with no
    // error line, and no scratch folder left.
    void cancelJob_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("button") << false;
        QTest::newRow("escape") << true;
    }

    void cancelJob()
    {
        QFETCH(bool, escape);
        KTUnarchiverScript script;
        script.blockSize = 1000;
        script.add(KTScriptedEntry::file("first.txt", "first")).add(KTScriptedEntry::filled("big.bin", 1 << 20));
        const auto gate = script.holdAt(1, 3000);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_dir.filePath("big.zip")}));
        QVERIFY(gate->waitUntilReached());
        QTRY_VERIFY(screen().ui().kt_ProgressIndicator->isVisible());
        QVERIFY(screen().ui().cancelButton->isVisible());
        if (escape)
            QTest::keyClick(m_window->focusWidget(), Qt::Key_Escape);
        else
            QTest::mouseClick(screen().ui().cancelButton, Qt::LeftButton);
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(script.log->lines().mid(5), QStringList({"stop", KTScriptLog::did("big.bin", KTErrorCode::Cancelled)}));
        QCOMPARE(m_window->tempViewCter(), static_cast<KTViewController *>(&screen()));
        QVERIFY(!screen().ui().errorPasswordField->isVisible());
        QVERIFY(!screen().circleView());
        QVERIFY(screen().ui().briefView->isVisible());
        QVERIFY(screen().ui().cancelButton->isHidden());
        QCOMPARE(QDir(m_tmp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
    }

    // Esc that closes the encoding pop-up or a dialog is theirs: the job
    // goes on; Esc on the screen itself cancels it.
    void escapeClosingAPopUpKeepsTheJob()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("first.txt", "first")).add(KTScriptedEntry::file("second.txt", "second"));
        const auto gate = script.holdAt(1, 1);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_dir.filePath("long.zip")}));
        QVERIFY(gate->waitUntilReached());

        KTEncode *popup = screen().ui().encodingpopup;
        popup->showPopup();
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());

        QMessageBox dialog(QMessageBox::Information, "t", "a dialog", QMessageBox::Close, m_window.get());
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

    // The open dialog starts in the folder of the last archive taken, else
    // Downloads, else home.
    void openDialogFolder()
    {
        const QString home = m_dir.freshFolder("home-");
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

        const QString source = m_dir.freshFolder("archives-");
        const QString archive = source + "/taken.zip";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("taken.txt", "t")}));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        m_window->kt_Next(KTViewControllerDelegate::UnarchiveScreen);
        QCOMPARE(dialogFolder(), source);
        QCOMPARE(m_prefs->stringForKey("lastArchiveFolder"), source);
        QVERIFY(QDir(source).removeRecursively());
        QCOMPARE(dialogFolder(), home + "/Downloads");
    }

    // The keyboard is where the work is: "Choose an Archive…" at the start
    // (Enter opens the dialog), Cancel during a job, the chooser again after.
    void focusFollowsTheJob()
    {
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), screen().ui().kt_addFileButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(screen().openDialog() && screen().openDialog()->isVisible());
        screen().openDialog()->reject();
        QTRY_VERIFY(!screen().openDialog());

        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("first.txt", "first")).add(KTScriptedEntry::file("second.txt", "second"));
        const auto gate = script.holdAt(1, 1);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_dir.filePath("focus.zip")}));
        QVERIFY(gate->waitUntilReached());
        QTRY_COMPARE(m_window->focusWidget(), screen().ui().cancelButton);
        QTest::keyClick(screen().ui().cancelButton, Qt::Key_Return);
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QTRY_COMPARE(m_window->focusWidget(), screen().ui().kt_addFileButton);
    }

    // A failure the real archives rarely give (a full disk halfway through)
    // shows its own cause; the screen stays, ready for the next drop.
    void failureCause()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("a.txt", "a")).add(KTScriptedEntry::filled("b.bin", 100000));
        script.failAt(1, KTErrorCode::NoSpace, 5000);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_dir.filePath("full.zip")}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_window->tempViewCter(), static_cast<KTViewController *>(&screen()));
        QVERIFY(screen().ui().errorPasswordField->isVisible());
        QCOMPARE(screen().ui().errorCauseField->text(), QStringLiteral("No space left on the disk"));
        // The untranslated detail is the tooltip, never glued to the cause.
        QCOMPARE(screen().ui().errorCauseField->toolTip(), QStringLiteral("as scripted"));
        QVERIFY(screen().ui().briefView->isVisible());
        QVERIFY(screen().ui().kt_addFileButton->isEnabled());
        QVERIFY(!screen().job().extractionSucceeded());
    }

    void scriptedPassword_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("ok") << std::optional<QString>("s3cret") << true;
        QTest::newRow("wrong") << std::optional<QString>("nope") << false;
    }

    // The dialog comes up once for an archive whose names and data are
    // encrypted, while it is being opened, and its answer decides.
    void scriptedPassword()
    {
        QFETCH(std::optional<QString>, answer);
        QFETCH(bool, succeeds);
        KTUnarchiverScript script;
        script.password = QStringLiteral("s3cret");
        script.namesEncrypted = true;
        script.add(KTScriptedEntry::file("secret.txt", "the content"));
        script.entries[0].isEncrypted = true;
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        int asked = 0;
        KTScreenDriver::answerPasswords(screen(), answer, &asked);
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_dir.filePath("locked.7z")}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(asked, 1);
        QCOMPARE(script.log->count("password"), 1);
        if (succeeds) {
            QCOMPARE(m_window->tempViewCter(), m_window->unarchiveResultViewController());
            QCOMPARE(kt_readFile(KTFileDataCollection::shareInstance().desPath()), QByteArray("the content"));
        } else {
            QCOMPARE(m_window->tempViewCter(), static_cast<KTViewController *>(&screen()));
            QCOMPARE(screen().ui().errorCauseField->text(), QStringLiteral("Wrong or missing password"));
            QCOMPARE(script.log->lines(), QStringList({"parse", "password"}));
        }
    }

    // UTF-8 chosen, names that are not UTF-8: the result says so and offers
    // to read them again with detection, which replaces the first result
    // only once it succeeds; a failed attempt shows the first one again.
    void readNamesAgainWithDetection_data()
    {
        QTest::addColumn<QString>("second");
        QTest::newRow("second succeeds") << "succeeds";
        QTest::newRow("second fails") << "fails";
        QTest::newRow("second cancelled") << "cancelled";
    }
    void readNamesAgainWithDetection()
    {
        QFETCH(QString, second);
        const bool secondFails = second != "succeeds";
        const KTNameSet *set = nullptr;
        for (const KTNameSet &candidate : kt_encodingCorpus())
            if (candidate.label == QStringLiteral("CP866 Russian, Windows zip"))
                set = &candidate;
        QVERIFY(set);
        std::vector<KTTestEntry> entries;
        for (const QString &name : set->names)
            entries.push_back(KTTestEntry::file(kt_encodeName(name, set->icuName), "data"));
        KTTestArchives::Options options;
        options.legacyNames = true;
        const QString archive = m_dir.filePath(QStringLiteral("russian-%1.zip").arg(second));
        QVERIFY(KTTestArchives::write(archive, entries, options));
        // Flagged UTF-8, the same names raise nothing.
        const QString flagged = m_dir.filePath(QStringLiteral("flagged-%1.zip").arg(second));
        QVERIFY(KTTestArchives::write(flagged, {KTTestEntry::file(set->names.first().toUtf8(), "data")}));
        KTUnarchiveResultViewController &result = *m_window->unarchiveResultViewController();
        QVERIFY(KTScreenDriver::dropFiles(screen(), {flagged}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QTRY_COMPARE(result.refreshCount(), 1);
        const QString notUtf8 = QStringLiteral("Some names were not valid UTF-8.");
        QVERIFY(!result.noticeList()->texts().contains(notUtf8));
        m_window->kt_Next(0);

        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_window->tempViewCter(), m_window->unarchiveResultViewController());
        const QString first = KTFileDataCollection::shareInstance().desPath();
        QTRY_VERIFY(result.noticeList()->texts().contains(notUtf8));
        QVERIFY(!QFileInfo::exists(first + QStringLiteral("/Документы")));
        QPushButton *again = nullptr;
        for (QPushButton *button : result.noticeList()->findChildren<QPushButton *>())
            if (button->text() == QStringLiteral("Read Names Again with Detection"))
                again = button;
        QVERIFY(again);
        if (second == "fails")
            QVERIFY(kt_writeFile(archive, QByteArray(4096, 'n')));
        KTUnarchiverScript held;
        held.add(KTScriptedEntry::filled("slow.bin", 100000));
        const auto gate = held.holdAt(0, 1000);
        if (second == "cancelled")
            screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(held));

        const int refreshes = result.refreshCount();
        QTest::mouseClick(again, Qt::LeftButton);
        QVERIFY(screen().isBusy());
        if (second == "cancelled") {
            QVERIFY(gate->waitUntilReached());
            QTest::mouseClick(screen().ui().cancelButton, Qt::LeftButton);
            gate->release();
        }
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QTRY_COMPARE(result.refreshCount(), refreshes + 1);
        QCOMPARE(m_window->tempViewCter(), m_window->unarchiveResultViewController());
        // The choice stays the user's: detection was for this once.
        QCOMPARE(m_prefs->integerForKey("filenameEncoding"), qint64(4));
        const QString shown = KTFileDataCollection::shareInstance().desPath();
        if (secondFails) {
            QCOMPARE(shown, first);
            QVERIFY(QFileInfo::exists(first));
            QCOMPARE(result.noticeList()->texts().contains("Reading the names again failed; this is the first result."),
                     second == "fails");
            QVERIFY(result.noticeList()->texts().contains(notUtf8));
            return;
        }
        QVERIFY(shown != first);
        QVERIFY(QFileInfo::exists(shown + QStringLiteral("/Документы/Смета на ремонт.xlsx")));
        QVERIFY(!result.noticeList()->texts().contains(notUtf8));
        QTRY_VERIFY(!QFileInfo::exists(first));
    }

    // The encoding pop-up: the table in natural order (numbers by value,
    // case ignored), then "Detect automatically" (tag 0) last, once however
    // often it is built; only a choice made by the user is announced.
    void encodingPopUp()
    {
        const QList<KTEncodingEntry> list = KTEncode::encodings();
        QCOMPARE(list.size(), qsizetype(KTEncodings::all().size()));
        QVERIFY(KTEncode::compareNames("Latin 2", "Latin 10") < 0);
        QVERIFY(KTEncode::compareNames("ISO 8859-15", "ISO 8859-5") > 0);
        QCOMPARE(KTEncode::compareNames("CP 007", "CP 7"), 0);
        QCOMPARE(KTEncode::compareNames("western", "WESTERN"), 0);

        KTEncode popup;
        popup.buildEncodingListWithAutoDetect();
        popup.buildEncodingListWithAutoDetect();
        QCOMPARE(popup.count(), int(list.size()) + 2);
        QCOMPARE(popup.tagOfItem(popup.count() - 1), 0L);
        QCOMPARE(popup.indexOfItemWithTag(0), popup.count() - 1);
        QCOMPARE(popup.indexOfItemWithTag(12345), -1);
        QList<long> chosen;
        connect(&popup, &KTEncode::encodingChosen, this, [&](long tag) { chosen << tag; });
        popup.selectItemAtIndex(3);
        QVERIFY(chosen.isEmpty());
        popup.show();
        popup.setFocus();
        QTest::keyClick(&popup, Qt::Key_End);
        QCOMPARE(chosen, QList<long>{0L});
        popup.buildEncodingListMatchingXADString(nullptr);
        QCOMPARE(popup.count(), int(list.size()));
        QCOMPARE(popup.indexOfItemWithTag(0), -1);
    }

private:
    KTUnarchiveViewController &screen() { return *m_window->unarchiveViewController(); }

    KTTestFolder m_dir;
    QString m_tmp;
    std::unique_ptr<KTPreferences> m_prefs;
    std::unique_ptr<KTWindowController> m_window;
};

QTEST_MAIN(TestUnarchiveScreen)
#include "tst_unarchivescreen.moc"
