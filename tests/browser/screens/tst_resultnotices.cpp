#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "support/KTTestDirs.h"
#include "ui/KTNoticeList.h"

#include <QFile>
#include <QLabel>
#include <QTest>

// The lines under the result screen's title that tell what the extraction
// left out and whether the result is whole, on the real window.
class TestResultNotices : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_base = m_dir.freshFolder();
        m_tmpdir = qgetenv("TMPDIR");
        // Results below m_base/home are outside the temporary folder: no line for that.
        qputenv("TMPDIR", QFile::encodeName(m_base + "/tmp"));
        m_prefs = kt_testPreferences();
        m_window = std::make_unique<KTWindowController>(*m_prefs);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        KTFileDataCollection::shareInstance().startOver();
        qputenv("TMPDIR", m_tmpdir);
    }

    // Entries left out are one line whose tooltip names each and why; an
    // incomplete result says so first.
    void skippedAndIncompleteNotices()
    {
        QVERIFY(kt_writeFile(m_base + "/home/partial/a.txt", "a"));
        auto &collection = KTFileDataCollection::shareInstance();
        KTSkippedEntries skipped;
        skipped.add("../up.txt", KTExtractionError::make(KTErrorCode::UnsafeEntry, "../up.txt: climbs out"));
        skipped.add("dev/null", KTExtractionError::make(KTErrorCode::SpecialFile, "dev/null is a device"));
        collection.startOver();
        collection.setDesPath(m_base + "/home/partial");
        collection.setSkippedEntries(skipped);
        collection.setIncomplete(true);
        QVERIFY(collection.fileData());
        m_window->kt_Next(KTViewControllerDelegate::ResultScreen);
        const int before = screen().refreshCount();
        KTNotificationCenter::defaultCenter().postNotification("fileget");
        QTRY_COMPARE(screen().refreshCount(), before + 1);
        QCOMPARE(screen().noticeList()->texts(),
                 (QStringList{"Incomplete: only what was read before the damage.",
                              "2 entries were not extracted: they would have written outside the folder or are special files"}));
        const QList<QLabel *> labels = screen().noticeList()->findChildren<QLabel *>(QStringLiteral("noticeText"));
        QCOMPARE(labels.size(), 2);
        QCOMPARE(labels.at(1)->toolTip(), QStringLiteral("../up.txt (../up.txt: climbs out)\ndev/null (dev/null is a device)"));
        // A new result without either says nothing of them.
        showResult(m_base + "/home/partial");
        QCOMPARE(screen().noticeList()->count(), 0);

        // Thousands left out: the tooltip names the first and counts the rest.
        KTSkippedEntries many;
        for (int i = 0; i < 1000; ++i)
            many.add(QStringLiteral("../%1").arg(i), KTExtractionError::make(KTErrorCode::UnsafeEntry, "climbs out"));
        collection.startOver();
        collection.setDesPath(m_base + "/home/partial");
        collection.setSkippedEntries(many);
        QVERIFY(collection.fileData());
        const int again = screen().refreshCount();
        KTNotificationCenter::defaultCenter().postNotification("fileget");
        QTRY_COMPARE(screen().refreshCount(), again + 1);
        QCOMPARE(screen().noticeList()->texts(),
                 QStringList{"1000 entries were not extracted: they would have written outside the folder"});
        const QStringList tip = screen().noticeList()->findChild<QLabel *>(QStringLiteral("noticeText"))->toolTip().split('\n');
        QVERIFY2(tip.size() > 5 && tip.size() < 100, qPrintable(QString::number(tip.size())));
        QCOMPARE(tip.front(), QStringLiteral("../0 (climbs out)"));
        QCOMPARE(tip.back(), QStringLiteral("… and %1 more").arg(1000 - (tip.size() - 1)));
    }

private:
    KTUnarchiveResultViewController &screen() { return *m_window->unarchiveResultViewController(); }

    void showResult(const QString &desPath)
    {
        auto &collection = KTFileDataCollection::shareInstance();
        collection.startOver();
        collection.setDesPath(desPath);
        QVERIFY(collection.fileData());
        m_window->kt_Next(KTViewControllerDelegate::ResultScreen);
        const int before = screen().refreshCount();
        KTNotificationCenter::defaultCenter().postNotification("fileget");
        QTRY_COMPARE(screen().refreshCount(), before + 1);
    }

    KTTestFolder m_dir;
    QString m_base;
    QByteArray m_tmpdir;
    std::unique_ptr<KTPreferences> m_prefs;
    std::unique_ptr<KTWindowController> m_window;
};

QTEST_MAIN(TestResultNotices)
#include "tst_resultnotices.moc"
