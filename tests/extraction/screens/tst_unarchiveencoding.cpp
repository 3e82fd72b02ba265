#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTPreferences.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTEncode.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTEncodingCorpus.h"
#include "support/KTScreenDriver.h"
#include "support/KTScriptedUnarchiver.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"
#include "support/KTWindowHarness.h"
#include "ui/KTNoticeList.h"

#include <QPushButton>
#include <QTest>

// The extraction screen's name encodings inside a real window: reading the
// names again with detection, and the encoding pop-up.
class TestUnarchiveEncoding : public QObject
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
        const QString archive = m_ui->folder().filePath(QStringLiteral("russian-%1.zip").arg(second));
        QVERIFY(KTTestArchives::write(archive, entries, options));
        // Flagged UTF-8, the same names raise nothing.
        const QString flagged = m_ui->folder().filePath(QStringLiteral("flagged-%1.zip").arg(second));
        QVERIFY(KTTestArchives::write(flagged, {KTTestEntry::file(set->names.first().toUtf8(), "data")}));
        KTUnarchiveResultViewController &result = *m_ui->window().unarchiveResultViewController();
        QVERIFY(KTScreenDriver::dropFiles(screen(), {flagged}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QTRY_COMPARE(result.refreshCount(), 1);
        const QString notUtf8 = QStringLiteral("Some names were not valid UTF-8.");
        QVERIFY(!result.noticeList()->texts().contains(notUtf8));
        m_ui->window().kt_Next(0);

        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QCOMPARE(m_ui->window().tempViewCter(), m_ui->window().unarchiveResultViewController());
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
        QCOMPARE(m_ui->window().tempViewCter(), m_ui->window().unarchiveResultViewController());
        // The choice stays the user's: detection was for this once.
        QCOMPARE(m_ui->preferences().integerForKey("filenameEncoding"), qint64(4));
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

    // The encoding pop-up: names in natural order (numbers by value, case
    // ignored), "Detect automatically" (tag 0) once however often the list
    // is built; only a choice made by the user is announced.
    void encodingPopUp()
    {
        QVERIFY(KTEncode::compareNames("Latin 2", "Latin 10") < 0);
        QVERIFY(KTEncode::compareNames("ISO 8859-15", "ISO 8859-5") > 0);
        QCOMPARE(KTEncode::compareNames("CP 007", "CP 7"), 0);
        QCOMPARE(KTEncode::compareNames("western", "WESTERN"), 0);

        KTEncode popup;
        popup.buildEncodingListWithAutoDetect();
        const int count = popup.count();
        popup.buildEncodingListWithAutoDetect();
        QCOMPARE(popup.count(), count);
        QList<long> chosen;
        connect(&popup, &KTEncode::encodingChosen, this, [&](long tag) { chosen << tag; });
        popup.selectItemAtIndex(3);
        QVERIFY(chosen.isEmpty());
        popup.show();
        popup.setFocus();
        QTest::keyClick(&popup, Qt::Key_End);
        QCOMPARE(chosen, QList<long>{0L});
        popup.buildEncodingListMatchingXADString(nullptr);
        QCOMPARE(popup.indexOfItemWithTag(0), -1);
    }
};

QTEST_MAIN(TestUnarchiveEncoding)
#include "tst_unarchiveencoding.moc"
