#include "ui_KTUnarchiveResultViewController.h"
#include "ui_KTUnarchiveViewController.h"

#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTAccessibleEvents.h"
#include "support/KTScreenDriver.h"
#include "support/KTTestArchives.h"
#include "support/KTWindowHarness.h"
#include "ui/KTFileDropView.h"

#include <QAccessible>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QTest>
#include <QTreeView>


// The screens as a screen reader meets them: the drop area reached and used
// from the keyboard, a failure announced, the result read row by row.
class TestScreenAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(KTAccessibleEvents::start());
    }

    void init()
    {
        KTAccessibleEvents::clear();
        m_h = std::make_unique<KTWindowHarness>();
        QVERIFY(m_h->start());
    }

    void cleanup() { m_h.reset(); }

    // Named and described, and Enter on it opens the file dialog.
    void dropAreaFromKeyboard()
    {
        KTFileDropView *drop = screen().ui().briefView;
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(drop);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Drop an archive here"));
        QVERIFY(a->text(QAccessible::Description).contains(QStringLiteral("Enter")));
        drop->setFocus();
        QTRY_VERIFY(drop->hasFocus());
        QTest::keyClick(drop, Qt::Key_Return);
        QVERIFY(screen().openDialog());
        screen().openDialog()->reject();
    }

    // A failed extraction announces the error line and its cause.
    void failureIsAnnounced()
    {
        const QString archive = m_h->folder().filePath("broken.zip");
        QVERIFY(kt_writeFile(archive, "no zip inside"));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QLabel *error = screen().ui().errorPasswordField;
        QLabel *cause = screen().ui().errorCauseField;
        QVERIFY(!error->isHidden());
        QCOMPARE(KTAccessibleEvents::count(error, QAccessible::Alert), 1);
        QCOMPARE(KTAccessibleEvents::count(cause, QAccessible::Alert), 1);
        QCOMPARE(QAccessible::queryAccessibleInterface(cause)->text(QAccessible::Name),
                 QStringLiteral("Not an archive or an unsupported format"));
    }

    // Each row of the result reads as its name, size and date.
    void resultRowsReadable()
    {
        const QString archive = m_h->folder().filePath("notes.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("notes/todo.txt", QByteArray(2048, 'x')),
                                                KTTestEntry::file("notes/done.txt", "d")}));
        QVERIFY(KTScreenDriver::dropFiles(screen(), {archive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(screen()));
        QTreeView *tree = m_h->window().unarchiveResultViewController()->ui().kt_outlineView;
        QTRY_COMPARE(tree->model()->rowCount(), 1);
        tree->expand(tree->model()->index(0, 0));
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(tree);
        QVERIFY(a);
        QAccessibleTableInterface *table = a->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->columnCount(), 3);
        QTRY_COMPARE(table->rowCount(), 3);
        QCOMPARE(table->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("notes"));
        QCOMPARE(table->cellAt(1, 0)->text(QAccessible::Name), QStringLiteral("todo.txt"));
        QCOMPARE(table->cellAt(1, 1)->text(QAccessible::Name), QLocale().formattedDataSize(2048));
        QVERIFY(!table->cellAt(1, 2)->text(QAccessible::Name).isEmpty());
        QCOMPARE(table->cellAt(2, 0)->text(QAccessible::Name), QStringLiteral("done.txt"));
    }

private:
    KTUnarchiveViewController &screen() { return m_h->screen(); }

    std::unique_ptr<KTWindowHarness> m_h;
};

QTEST_MAIN(TestScreenAccessibility)
#include "tst_screenaccessibility.moc"
