#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTNotificationCenter.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTScreenDriver.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "support/KTWindowHarness.h"
#include "ui/KTFileDropView.h"
#include "ui/KTNoticeList.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeView>

// The extraction screen inside a real window, driven as a user drives it.
class TestUnarchiveScreen : public QObject
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

    // A dropped archive goes through the job, the tree build and the switch
    // to the result screen; "fileget" comes after the switch.
    void dropToResultScreen()
    {
        const QString archive = m_ui->folder().filePath("photos.tar.gz");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("photos/a.jpg", "jpeg"), KTTestEntry::file("photos/b.jpg", "png")},
                                      "ustar", "gzip"));
        QObject probe;
        KTViewController *shownAtFileget = nullptr;
        QList<float> progress;
        KTNotificationCenter::defaultCenter().addObserver(&probe, "fileget", [&](const QVariant &) {
            shownAtFileget = m_ui->window().tempViewCter();
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

        QCOMPARE(shownAtFileget, m_ui->window().unarchiveResultViewController());
        QCOMPARE(m_ui->window().tempViewCter(), m_ui->window().unarchiveResultViewController());
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
        QTRY_COMPARE(m_ui->window().unarchiveResultViewController()->refreshCount(), 1);
    }

    // Two archives dropped together start one job, on the first.
    void twoArchivesOneJob()
    {
        const QString first = m_ui->folder().filePath("first.zip");
        const QString second = m_ui->folder().filePath("second.zip");
        QVERIFY(KTTestArchives::write(first, {KTTestEntry::file("one.txt", "1")}));
        QVERIFY(KTTestArchives::write(second, {KTTestEntry::file("two.txt", "2")}));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {first, second}));
        QTRY_VERIFY(screen().isBusy());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(QFileInfo(KTFileDataCollection::shareInstance().desPath()).fileName(), QStringLiteral("one.txt"));
        QCOMPARE(QDir(m_ui->tmp()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"one.txt"});
    }

    // While a job runs, the add-file button is off and another drop starts nothing.
    void oneJobAtATime()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("one.txt", "1"));
        const auto gate = script.holdAt(0);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        // The scripted backend reads no file: the paths need not exist.
        const QString archive = m_ui->folder().filePath("first.zip");
        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QVERIFY(gate->waitUntilReached());
        QVERIFY(screen().isBusy());
        QVERIFY(!screen().ui().kt_addFileButton->isEnabled());
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_ui->folder().filePath("other.zip")}));
        screen().kt_addFileButton();
        QVERIFY(!screen().openDialog());
        QCOMPARE(KTFileDataCollection::shareInstance().fileArray(), QStringList{archive});
        gate->release();
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(script.log->count("parse"), 1);
        QCOMPARE(m_ui->window().tempViewCter(), m_ui->window().unarchiveResultViewController());
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), m_ui->tmp() + "/one.txt");
    }

    // Not an archive: the error line and its cause, the drop target back,
    // the circle gone, neither a partial result nor Try Again offered; a new
    // drop hides the error line again.
    void failurePath()
    {
        const QString notArchive = m_ui->folder().filePath("notes.zip");
        QVERIFY(kt_writeFile(notArchive, QByteArray(4096, 'n')));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {notArchive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_ui->window().tempViewCter(), static_cast<KTViewController *>(&screen()));
        QVERIFY(screen().ui().errorPasswordField->isVisible());
        QCOMPARE(screen().ui().errorPasswordField->text(), QStringLiteral("Extract error or password error, try again!"));
        QVERIFY(screen().ui().errorCauseField->isVisible());
        QCOMPARE(screen().ui().errorCauseField->text(), QStringLiteral("Not an archive or an unsupported format"));
        QVERIFY(screen().ui().briefView->isVisible());
        QVERIFY(!screen().circleView());
        QVERIFY(!screen().job().extractionSucceeded());
        QVERIFY(!screen().findChild<QPushButton *>(QStringLiteral("showPartialButton"))->isVisible());
        QVERIFY(!screen().tryAgainButton()->isVisible());

        const QString good = m_ui->folder().filePath("good.zip");
        QVERIFY(KTTestArchives::write(good, {KTTestEntry::file("good.txt", "g")}));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {good}));
        QVERIFY(!screen().ui().errorPasswordField->isVisible());
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_ui->window().tempViewCter(), m_ui->window().unarchiveResultViewController());
    }

    // A damaged archive offers what was read before the damage, shown as
    // incomplete; unsafe entries left out are one line on the result screen.
    void partialResultAndSkippedEntries()
    {
        auto *showPartial = screen().findChild<QPushButton *>(QStringLiteral("showPartialButton"));
        QVERIFY(showPartial);
        auto *result = m_ui->window().unarchiveResultViewController();
        const QString cut = m_ui->folder().filePath("cut.zip");
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
        QCOMPARE(m_ui->window().tempViewCter(), result);
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), screen().job().partialResult());
        QTRY_VERIFY(result->noticeList()->texts().contains(
            QStringLiteral("Incomplete: only what was read before the damage.")));

        QTest::keyClick(result->findChild<QTreeView *>(), Qt::Key_Backspace);
        QCOMPARE(m_ui->window().tempViewCter(), static_cast<KTViewController *>(&screen()));
        const QString unsafe = m_ui->folder().filePath("unsafe.tar");
        QVERIFY(KTTestArchives::write(unsafe, {KTTestEntry::file("ok.txt", "ok"), KTTestEntry::file("../up.txt", "evil"),
                                               KTTestEntry::file("more.txt", "more")}, "pax"));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {unsafe}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_ui->window().tempViewCter(), result);
        QTRY_VERIFY(result->noticeList()->texts().contains(
            QStringLiteral("1 entry was not extracted: it would have written outside the folder")));
        QVERIFY(!result->noticeList()->texts().join(QString()).contains(QLatin1String("Incomplete")));
    }

    // A failure the real archives rarely give (a full disk halfway through)
    // shows its own cause; the screen stays, ready for the next drop.
    void failureCause()
    {
        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("a.txt", "a")).add(KTScriptedEntry::filled("b.bin", 100000));
        script.failAt(1, KTErrorCode::NoSpace, 5000);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_ui->folder().filePath("full.zip")}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_ui->window().tempViewCter(), static_cast<KTViewController *>(&screen()));
        QVERIFY(screen().ui().errorPasswordField->isVisible());
        QCOMPARE(screen().ui().errorCauseField->text(), QStringLiteral("No space left on the disk"));
        // The untranslated detail is the tooltip, never glued to the cause.
        QCOMPARE(screen().ui().errorCauseField->toolTip(), QStringLiteral("as scripted"));
        QVERIFY(screen().ui().briefView->isVisible());
        QVERIFY(screen().ui().kt_addFileButton->isEnabled());
        QVERIFY(!screen().job().extractionSucceeded());
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
        const QString archive = fails ? m_ui->folder().filePath("photos.7z.001") : m_ui->folder().filePath("photos.zip");
        if (fails) {
            QVERIFY(kt_writeFile(archive, QByteArray(700000, 'z')));
            QVERIFY(kt_writeFile(m_ui->folder().filePath("photos.7z.002"), QByteArray(700000, 'z')));
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
        QCOMPARE(m_ui->window().windowTitle(), QStringLiteral("KT Extractor"));
        // A volume is not offered by the drop target; the command line's road.
        screen().gotoNext(QVariant(QStringList{archive}));
        QVERIFY(gate->waitUntilReached());
        // 600,000 of 800,000 bytes written when held: at most 75 %, and
        // what the throttle let through before that.
        const QRegularExpression title(QStringLiteral("^(\\d+)% — ") + QRegularExpression::escape(name) + "$");
        QTRY_VERIFY(title.match(m_ui->window().windowTitle()).hasMatch());
        QTRY_VERIFY(screen().amountLine()->isVisible());
        const QRegularExpression amount(QStringLiteral("^\\d+(\\.\\d)? (bytes|kB|MB) of 1\\.4 MB( · \\d+ s left)?$"));
        QVERIFY2(amount.match(screen().amountLine()->text()).hasMatch(), qPrintable(screen().amountLine()->text()));
        QVERIFY(title.match(m_ui->window().windowTitle()).captured(1).toInt() <= 75);
        QVERIFY(screen().amountLine()->geometry().top() >= screen().ui().kt_ProgressIndicator->geometry().bottom());
        gate->release();
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_ui->window().windowTitle(), QStringLiteral("KT Extractor"));
        QVERIFY(screen().amountLine()->isHidden());
        QVERIFY(screen().ui().kt_ProgressIndicator->isHidden());
        QCOMPARE(screen().ui().errorPasswordField->isVisible(), fails);
    }

    // The keyboard is where the work is: "Choose an Archive…" at the start
    // (Enter opens the dialog), Cancel during a job, the chooser again after.
    void focusFollowsTheJob()
    {
        m_ui->window().activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), screen().ui().kt_addFileButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(screen().openDialog() && screen().openDialog()->isVisible());
        screen().openDialog()->reject();
        QTRY_VERIFY(!screen().openDialog());

        KTUnarchiverScript script;
        script.add(KTScriptedEntry::file("first.txt", "first")).add(KTScriptedEntry::file("second.txt", "second"));
        const auto gate = script.holdAt(1, 1);
        screen().job().setUnarchiverFactory(KTScriptedUnarchiver::factory(script));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {m_ui->folder().filePath("focus.zip")}));
        QVERIFY(gate->waitUntilReached());
        QTRY_COMPARE(m_ui->window().focusWidget(), screen().ui().cancelButton);
        QTest::keyClick(screen().ui().cancelButton, Qt::Key_Return);
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QTRY_COMPARE(m_ui->window().focusWidget(), screen().ui().kt_addFileButton);
    }
};

QTEST_MAIN(TestUnarchiveScreen)
#include "tst_unarchivescreen.moc"
