#include "ui_KTUnarchiveResultViewController.h"

#include "app/core/KTNotificationCenter.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTFileTreeModel.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTWindowHarness.h"
#include "ui/KTNoticeList.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QTreeView>

// The result screen in a real window over real files: its rows, their
// order, the lines under its title, going back, and the window's menu.
class TestResultScreen : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_h = std::make_unique<KTWindowHarness>();
        QVERIFY(m_h->start());
        m_base = m_h->folder().freshFolder();
    }

    void cleanup() { m_h.reset(); }

    // One root row named after the result, collapsed, nothing selected;
    // empty files and .DS_Store files left out, so a folder holding only
    // those opens to nothing. Files named "empty" are written empty.
    void rows_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("children");
        QTest::addColumn<QString>("bareFolder");
        QTest::newRow("folder") << "holiday" << QStringList{"notes.txt", "photos/beach.jpg", "photos/party.png"}
                                << QStringList{"notes.txt", "photos"} << QString();
        QTest::newRow("single file") << "photo.jpg" << QStringList{""} << QStringList() << QString();
        QTest::newRow("only empty files") << "bare" << QStringList{"empty"} << QStringList() << "bare";
        QTest::newRow("only .DS_Store below") << "mac" << QStringList{"meta/.DS_Store", "readme.txt"}
                                              << QStringList{"meta", "readme.txt"} << "meta";
    }
    void rows()
    {
        QFETCH(QString, result);
        QFETCH(QStringList, files);
        QFETCH(QStringList, children);
        QFETCH(QString, bareFolder);
        const QString dest = m_base + "/" + result;
        for (const QString &file : files) {
            const QString path = file.isEmpty() ? dest : dest + "/" + file;
            QVERIFY(kt_writeFile(path, file.endsWith("empty") ? QByteArray() : QByteArray("x")));
        }
        QVERIFY(m_h->show(dest));
        QAbstractItemModelTester tester(screen().treeModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModel *model = outline()->model();
        QCOMPARE(model->rowCount(), 1);
        const QModelIndex root = model->index(0, 0);
        QCOMPARE(root.data().toString(), result);
        QCOMPARE(screen().ui().titleLabel->text(), result);
        QVERIFY(!qvariant_cast<QIcon>(root.data(Qt::DecorationRole)).isNull());
        QVERIFY(!outline()->isExpanded(root));
        QVERIFY(outline()->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(model->hasChildren(root), !files.contains(""));
        QStringList names = m_h->childNames();
        names.sort();
        QCOMPARE(names, children);
        if (!bareFolder.isEmpty()) {
            const QModelIndex bare = bareFolder == result ? root : model->index(m_h->childNames().indexOf(bareFolder), 0, root);
            QVERIFY(model->hasChildren(bare));
            QCOMPARE(model->rowCount(bare), 0);
        }
        if (model->rowCount(root) > 0) {
            outline()->setCurrentIndex(root);
            QTest::keyClick(outline(), Qt::Key_Right);
            QVERIFY(outline()->isExpanded(root));
            QTest::keyClick(outline(), Qt::Key_Left);
            QVERIFY(!outline()->isExpanded(root));
        }
    }

    // The listing order until a header is clicked; then every column sorts.
    // Sizes show formatted, with no icon beside them or the date.
    void sortsByColumn()
    {
        QVERIFY(kt_writeFile(m_base + "/sort/b-small.txt", "1"));
        QVERIFY(kt_writeFile(m_base + "/sort/a-large.txt", QByteArray(5000, 'x')));
        QVERIFY(kt_writeFile(m_base + "/sort/c-medium.txt", QByteArray(300, 'x')));
        QVERIFY(m_h->show(m_base + "/sort"));
        QCOMPARE(outline()->header()->sortIndicatorSection(), -1);
        QTest::mouseClick(outline()->header()->viewport(), Qt::LeftButton, {},
                          QPoint(outline()->header()->sectionViewportPosition(KTFileTreeModel::SizeColumn) + 5, 5));
        QCOMPARE(m_h->childNames(), (QStringList{"b-small.txt", "c-medium.txt", "a-large.txt"}));
        outline()->sortByColumn(KTFileTreeModel::SizeColumn, Qt::DescendingOrder);
        QCOMPARE(m_h->childNames(), (QStringList{"a-large.txt", "c-medium.txt", "b-small.txt"}));

        const QModelIndex file = outline()->model()->index(0, 0, outline()->model()->index(0, 0));
        QCOMPARE(file.siblingAtColumn(KTFileTreeModel::SizeColumn).data().toString(), QLocale().formattedDataSize(5000));
        QVERIFY(!file.siblingAtColumn(KTFileTreeModel::DateColumn).data().toString().isEmpty());
        QVERIFY(!file.siblingAtColumn(KTFileTreeModel::SizeColumn).data(Qt::DecorationRole).isValid());
        QVERIFY(!file.siblingAtColumn(KTFileTreeModel::DateColumn).data(Qt::DecorationRole).isValid());
    }

    // By name: natural and case-insensitive even under the C locale (where
    // a plain collator is code order), folders first in both directions; a
    // folder's size is that of the files below it.
    void sortsNamesNaturallyFoldersFirst_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C") << "C";
        QTest::newRow("en_US") << "en_US";
        QTest::newRow("de_DE") << "de_DE";
    }
    void sortsNamesNaturallyFoldersFirst()
    {
        QFETCH(QString, locale);
        const QLocale saved;
        QLocale::setDefault(QLocale(locale));
        auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });
        const QString dest = m_base + "/natural";
        for (const char *name : {"file10.txt", "File1.txt", "file2.txt", "älter.txt", "Zeta.txt", "alpha.txt"})
            QVERIFY(kt_writeFile(dest + "/" + name, "x"));
        QVERIFY(kt_writeFile(dest + "/zdir/inner.txt", QByteArray(40, 'i')));
        QVERIFY(kt_writeFile(dest + "/Bdir/deeper/inner.txt", "ab"));
        QVERIFY(m_h->show(dest));
        outline()->sortByColumn(KTFileTreeModel::NameColumn, Qt::AscendingOrder);
        QCOMPARE(m_h->childNames(), (QStringList{"Bdir", "zdir", "alpha.txt", "älter.txt", "File1.txt", "file2.txt",
                                                 "file10.txt", "Zeta.txt"}));
        outline()->sortByColumn(KTFileTreeModel::NameColumn, Qt::DescendingOrder);
        QCOMPARE(m_h->childNames(), (QStringList{"zdir", "Bdir", "Zeta.txt", "file10.txt", "file2.txt", "File1.txt",
                                                 "älter.txt", "alpha.txt"}));
        const QModelIndex root = outline()->model()->index(0, 0);
        const auto size = [&](int row) { return root.model()->index(row, KTFileTreeModel::SizeColumn, root).data().toString(); };
        QCOMPARE(size(0), QLocale().formattedDataSize(40));
        QCOMPARE(size(1), QLocale().formattedDataSize(2));
        QCOMPARE(root.siblingAtColumn(KTFileTreeModel::SizeColumn).data().toString(), QLocale().formattedDataSize(48));
    }

    // Back (Backspace): no rows, the first screen, no result actions; a
    // later "fileget" shows the new tree on a later turn of the event loop
    // than the one that posted it.
    void backThenNewTree()
    {
        QVERIFY(kt_writeFile(m_base + "/first/a.txt", "a"));
        QVERIFY(kt_writeFile(m_base + "/second/b.txt", "b"));
        QVERIFY(m_h->show(m_base + "/first"));
        QTest::keyClick(outline(), Qt::Key_Backspace);
        QCOMPARE(outline()->model()->rowCount(), 0);
        QCOMPARE(m_h->window().tempViewCter(), m_h->window().unarchiveViewController());
        QVERIFY(!screen().saveAction()->isEnabled());

        auto &collection = KTFileDataCollection::shareInstance();
        collection.setDesPath(m_base + "/second");
        QVERIFY(collection.fileData());
        m_h->window().kt_Next(KTViewControllerDelegate::ResultScreen);
        const int before = screen().refreshCount();
        KTNotificationCenter::defaultCenter().postNotification("fileget");
        QCOMPARE(screen().refreshCount(), before);
        QTRY_COMPARE(screen().refreshCount(), before + 1);
        QCOMPARE(outline()->model()->index(0, 0).data().toString(), QString("second"));
        QVERIFY(screen().saveAction()->isEnabled());
    }

    // A result in the temporary folder says it may go, one elsewhere says
    // nothing, and going back clears the line. An incomplete result says so
    // first; entries left out are one line whose tooltip names each and why,
    // and of thousands names the first and counts the rest.
    void notices()
    {
        QVERIFY(kt_writeFile(m_h->tmp() + "/kept/a.txt", "a"));
        QVERIFY(kt_writeFile(m_base + "/home/kept/a.txt", "a"));
        QVERIFY(m_h->show(m_h->tmp() + "/kept"));
        QCOMPARE(screen().noticeList()->texts(),
                 QStringList{"In the temporary folder: the system may remove it. Save a copy to keep it."});
        QVERIFY(screen().noticeList()->isVisible());
        QTest::keyClick(outline(), Qt::Key_Backspace);
        QCOMPARE(screen().noticeList()->count(), 0);
        QVERIFY(m_h->show(m_base + "/home/kept"));
        QCOMPARE(screen().noticeList()->count(), 0);
        QVERIFY(!screen().noticeList()->isVisible());

        KTSkippedEntries skipped;
        skipped.add("../up.txt", KTExtractionError::make(KTErrorCode::UnsafeEntry, "../up.txt: climbs out"));
        skipped.add("dev/null", KTExtractionError::make(KTErrorCode::SpecialFile, "dev/null is a device"));
        QVERIFY(m_h->show(m_base + "/home/kept", skipped, true));
        QCOMPARE(screen().noticeList()->texts(),
                 (QStringList{"Incomplete: only what was read before the damage.",
                              "2 entries were not extracted: they would have written outside the folder or are special files"}));
        const QList<QLabel *> labels = screen().noticeList()->findChildren<QLabel *>(QStringLiteral("noticeText"));
        QCOMPARE(labels.size(), 2);
        QCOMPARE(labels.at(1)->toolTip(), QStringLiteral("../up.txt (../up.txt: climbs out)\ndev/null (dev/null is a device)"));

        KTSkippedEntries many;
        for (int i = 0; i < 1000; ++i)
            many.add(QStringLiteral("../%1").arg(i), KTExtractionError::make(KTErrorCode::UnsafeEntry, "climbs out"));
        QVERIFY(m_h->show(m_base + "/home/kept", many));
        QCOMPARE(screen().noticeList()->texts(),
                 QStringList{"1000 entries were not extracted: they would have written outside the folder"});
        const QStringList tip = screen().noticeList()->findChild<QLabel *>(QStringLiteral("noticeText"))->toolTip().split('\n');
        QVERIFY2(tip.size() > 5 && tip.size() < 100, qPrintable(QString::number(tip.size())));
        QCOMPARE(tip.front(), QStringLiteral("../0 (climbs out)"));
        QCOMPARE(tip.back(), QStringLiteral("… and %1 more").arg(1000 - (tip.size() - 1)));
    }

    // Dragging rows out offers their files as local file URLs to copy.
    void dragsOutFileUrls()
    {
        const QString dest = m_base + "/drag";
        QVERIFY(kt_writeFile(dest + "/one.txt", "1"));
        QVERIFY(m_h->show(dest));
        QVERIFY(m_h->selectChild("one.txt"));
        const QModelIndex row = outline()->currentIndex();
        std::unique_ptr<QMimeData> data(outline()->model()->mimeData({row, row.siblingAtColumn(1), row.siblingAtColumn(2)}));
        QVERIFY(data);
        QCOMPARE(data->urls(), QList<QUrl>{QUrl::fromLocalFile(dest + "/one.txt")});
        QCOMPARE(outline()->model()->supportedDragActions() & (Qt::CopyAction | Qt::MoveAction), Qt::CopyAction);
        QVERIFY(outline()->dragEnabled());
    }

    // The window's File menu carries Save a Copy, Mail and Move To, on only
    // while a result is shown.
    void windowMenu()
    {
        const QList<QAction *> actions = m_h->window().menuBar()->actions().first()->menu()->actions();
        for (QAction *action : {screen().saveAction(), screen().mailAction(), screen().moveAction()}) {
            QVERIFY(actions.contains(action));
            QVERIFY(!action->isEnabled());
        }
        QVERIFY(kt_writeFile(m_base + "/menu.txt", "m"));
        QVERIFY(m_h->show(m_base + "/menu.txt"));
        QVERIFY(screen().mailAction()->isEnabled() && screen().moveAction()->isEnabled());
        QCOMPARE(screen().saveAction()->shortcut(), QKeySequence(QKeySequence::Save));
    }

private:
    KTUnarchiveResultViewController &screen() { return m_h->resultScreen(); }
    QTreeView *outline() { return m_h->outline(); }

    std::unique_ptr<KTWindowHarness> m_h;
    QString m_base;
};

QTEST_MAIN(TestResultScreen)
#include "tst_resultscreen.moc"
