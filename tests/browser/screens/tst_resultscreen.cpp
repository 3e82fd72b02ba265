#include "ui_KTUnarchiveResultViewController.h"

#include "app/core/KTNotificationCenter.h"
#include "app/window/KTDesktopHandoff.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/ImageCell.h"
#include "browser/screens/KTFileTreeModel.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTRecordingHandoff.h"
#include "support/KTTestDirs.h"
#include "ui/KTNoticeList.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <archive.h>
#include <archive_entry.h>

#include <functional>

namespace {

// Runs fn on the modal widget of type T as soon as one is up.
template <typename T>
void whenModal(std::function<void(T *)> fn)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        if (T *widget = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            fn(widget);
        }
    });
    timer->start();
}

QMessageBox *shownMessageBox(QWidget *window)
{
    for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

// The result screen in a real window over real extracted files: the rows of
// the outline, going back, and open, save and mail as a user does them.
class TestResultScreen : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_base = m_dir.freshFolder();
        m_prefs = kt_testPreferences();
        m_window = std::make_unique<KTWindowController>(*m_prefs);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        screen().setDesktopHandoff(&m_handoff);
        m_handoff = KTRecordingHandoff();
    }

    void cleanup()
    {
        m_window.reset();
        KTFileDataCollection::shareInstance().startOver();
        qputenv("PATH", m_path);
        qputenv("TMPDIR", m_tmpdir);
    }

    // A folder: one root row named after it, collapsed, expandable; its
    // rows come from the tree in listing order; the model holds together.
    void folderRows()
    {
        const QString dest = m_base + "/holiday";
        QVERIFY(kt_writeFile(dest + "/notes.txt", "n"));
        QVERIFY(kt_writeFile(dest + "/photos/beach.jpg", "jpeg"));
        QVERIFY(kt_writeFile(dest + "/photos/party.png", "png"));
        showResult(dest);

        QAbstractItemModelTester tester(screen().treeModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModel *model = outline()->model();
        QCOMPARE(model->rowCount(), 1);
        const QModelIndex root = model->index(0, 0);
        QCOMPARE(root.data().toString(), QString("holiday"));
        QVERIFY(model->hasChildren(root));
        QVERIFY(!outline()->isExpanded(root));
        QVERIFY(outline()->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(model->rowCount(root), 2);
        QStringList names;
        for (int row = 0; row < model->rowCount(root); ++row)
            names << model->index(row, 0, root).data().toString();
        QCOMPARE(QSet<QString>(names.begin(), names.end()), (QSet<QString>{"notes.txt", "photos"}));
        QVERIFY(!qvariant_cast<QIcon>(root.data(Qt::DecorationRole)).isNull());
        QCOMPARE(screen().ui().titleLabel->text(), QString("holiday"));
        QCOMPARE(screen().imageCell(), outline()->itemDelegateForColumn(KTFileTreeModel::NameColumn));

        // Keyboard: Right expands, Left collapses.
        outline()->setCurrentIndex(root);
        QTest::keyClick(outline(), Qt::Key_Right);
        QVERIFY(outline()->isExpanded(root));
        QTest::keyClick(outline(), Qt::Key_Left);
        QVERIFY(!outline()->isExpanded(root));
    }

    // A single file: one row, not expandable, its full name.
    void singleFileRow()
    {
        const QString dest = m_base + "/photo.jpg";
        QVERIFY(kt_writeFile(dest, "jpeg"));
        showResult(dest);
        QAbstractItemModel *model = outline()->model();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->index(0, 0).data().toString(), QString("photo.jpg"));
        QVERIFY(!model->hasChildren(model->index(0, 0)));
    }

    // Everything left out (empty files), and a folder holding only a
    // non-empty .DS_Store: both still show as folders that open to nothing.
    void foldersWithNothingShown()
    {
        const QString dest = m_base + "/bare";
        QVERIFY(kt_writeFile(dest + "/empty.txt", ""));
        showResult(dest);
        QAbstractItemModel *model = outline()->model();
        QCOMPARE(model->rowCount(), 1);
        QVERIFY(model->hasChildren(model->index(0, 0)));
        QCOMPARE(model->rowCount(model->index(0, 0)), 0);
        screen().bakeToHome();

        const QString other = m_base + "/mac";
        QVERIFY(kt_writeFile(other + "/meta/.DS_Store", "bud1"));
        QVERIFY(kt_writeFile(other + "/readme.txt", "r"));
        showResult(other);
        const QModelIndex root = model->index(0, 0);
        QModelIndex meta;
        for (int row = 0; row < model->rowCount(root); ++row) {
            if (model->index(row, 0, root).data().toString() == "meta")
                meta = model->index(row, 0, root);
        }
        QVERIFY(meta.isValid());
        QVERIFY(model->hasChildren(meta));
        QCOMPARE(model->rowCount(meta), 0);
    }

    // Back: no rows, the first screen; a later "fileget" shows the new tree,
    // on a later turn of the event loop than the one that posted it.
    void backThenNewTree()
    {
        QVERIFY(kt_writeFile(m_base + "/first/a.txt", "a"));
        QVERIFY(kt_writeFile(m_base + "/second/b.txt", "b"));
        showResult(m_base + "/first");
        QTest::keyClick(outline(), Qt::Key_Backspace);
        QCOMPARE(outline()->model()->rowCount(), 0);
        QCOMPARE(m_window->tempViewCter(), m_window->unarchiveViewController());
        QVERIFY(!screen().saveAction()->isEnabled());

        auto &collection = KTFileDataCollection::shareInstance();
        collection.setDesPath(m_base + "/second");
        QVERIFY(collection.fileData());
        m_window->kt_Next(KTViewControllerDelegate::ResultScreen);
        const int before = screen().refreshCount();
        KTNotificationCenter::defaultCenter().postNotification("fileget");
        QCOMPARE(screen().refreshCount(), before);
        QTRY_COMPARE(screen().refreshCount(), before + 1);
        QCOMPARE(outline()->model()->index(0, 0).data().toString(), QString("second"));
        QVERIFY(screen().saveAction()->isEnabled());
    }

    // A result in the temporary folder says it may go; one elsewhere says
    // nothing; going back clears the line.
    void temporaryFolderNotice()
    {
        QVERIFY(kt_writeFile(m_base + "/tmp/kept/a.txt", "a"));
        QVERIFY(kt_writeFile(m_base + "/home/kept/a.txt", "a"));
        qputenv("TMPDIR", QFile::encodeName(m_base + "/tmp"));
        showResult(m_base + "/tmp/kept");
        QCOMPARE(screen().noticeList()->texts(),
                 QStringList{"In the temporary folder: the system may remove it. Save a copy to keep it."});
        QVERIFY(screen().noticeList()->isVisible());
        showResult(m_base + "/home/kept");
        QCOMPARE(screen().noticeList()->count(), 0);
        QVERIFY(!screen().noticeList()->isVisible());
        showResult(m_base + "/tmp/kept");
        QTest::keyClick(outline(), Qt::Key_Backspace);
        QCOMPARE(screen().noticeList()->count(), 0);
    }

    // Only "Name" (or no identifier) shows the name and an icon; the size
    // and date columns show their own values and no icon; any other
    // identifier shows nothing.
    void columns()
    {
        QVERIFY(kt_writeFile(m_base + "/cols/data.bin", QByteArray(2048, 'd')));
        showResult(m_base + "/cols");
        const KTTreeNode *root = screen().treeModel()->tree();
        QCOMPARE(KTFileTreeModel::objectValue(*root, "Name").toString(), QString("cols"));
        QCOMPARE(KTFileTreeModel::objectValue(*root, QString()).toString(), QString("cols"));
        QVERIFY(!KTFileTreeModel::objectValue(*root, "Kind").isValid());
        QVERIFY(!KTFileTreeModel::objectValue(*root, "name").isValid());

        QAbstractItemModel *model = outline()->model();
        const QModelIndex file = model->index(0, 0, model->index(0, 0));
        QCOMPARE(file.data().toString(), QString("data.bin"));
        QCOMPARE(file.siblingAtColumn(KTFileTreeModel::SizeColumn).data().toString(), QLocale().formattedDataSize(2048));
        QVERIFY(!file.siblingAtColumn(KTFileTreeModel::DateColumn).data().toString().isEmpty());
        QVERIFY(!file.siblingAtColumn(KTFileTreeModel::SizeColumn).data(Qt::DecorationRole).isValid());
        QVERIFY(!file.siblingAtColumn(KTFileTreeModel::DateColumn).data(Qt::DecorationRole).isValid());
    }

    // Clicking a header sorts the rows of every level; the listing order
    // is kept until then.
    void sortsByColumn()
    {
        QVERIFY(kt_writeFile(m_base + "/sort/b-small.txt", "1"));
        QVERIFY(kt_writeFile(m_base + "/sort/a-large.txt", QByteArray(5000, 'x')));
        QVERIFY(kt_writeFile(m_base + "/sort/c-medium.txt", QByteArray(300, 'x')));
        showResult(m_base + "/sort");
        QAbstractItemModel *model = outline()->model();
        const QModelIndex root = model->index(0, 0);
        auto names = [&] {
            QStringList list;
            for (int row = 0; row < model->rowCount(root); ++row)
                list << model->index(row, 0, root).data().toString();
            return list;
        };
        QCOMPARE(outline()->header()->sortIndicatorSection(), -1);
        QTest::mouseClick(outline()->header()->viewport(), Qt::LeftButton, {},
                          QPoint(outline()->header()->sectionViewportPosition(KTFileTreeModel::SizeColumn) + 5, 5));
        QCOMPARE(names(), (QStringList{"b-small.txt", "c-medium.txt", "a-large.txt"}));
        outline()->sortByColumn(KTFileTreeModel::NameColumn, Qt::AscendingOrder);
        QCOMPARE(names(), (QStringList{"a-large.txt", "b-small.txt", "c-medium.txt"}));
        outline()->sortByColumn(KTFileTreeModel::SizeColumn, Qt::DescendingOrder);
        QCOMPARE(names(), (QStringList{"a-large.txt", "c-medium.txt", "b-small.txt"}));
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
        showResult(dest);
        QAbstractItemModel *model = outline()->model();
        const QModelIndex root = model->index(0, 0);
        auto names = [&] {
            QStringList list;
            for (int row = 0; row < model->rowCount(root); ++row)
                list << model->index(row, 0, root).data().toString();
            return list;
        };
        outline()->sortByColumn(KTFileTreeModel::NameColumn, Qt::AscendingOrder);
        QCOMPARE(names(), (QStringList{"Bdir", "zdir", "alpha.txt", "älter.txt", "File1.txt", "file2.txt",
                                       "file10.txt", "Zeta.txt"}));
        outline()->sortByColumn(KTFileTreeModel::NameColumn, Qt::DescendingOrder);
        QCOMPARE(names(), (QStringList{"zdir", "Bdir", "Zeta.txt", "file10.txt", "file2.txt", "File1.txt",
                                       "älter.txt", "alpha.txt"}));
        QCOMPARE(model->index(0, KTFileTreeModel::SizeColumn, root).data().toString(), QLocale().formattedDataSize(40));
        QCOMPARE(model->index(1, KTFileTreeModel::SizeColumn, root).data().toString(), QLocale().formattedDataSize(2));
        QCOMPARE(root.siblingAtColumn(KTFileTreeModel::SizeColumn).data().toString(), QLocale().formattedDataSize(48));
    }

    // Open: the destination without a selection (its folder goes to the
    // file manager), the selected row's file with one; by button, Enter and
    // double-click. A file nothing opens gets a message.
    void openHandsOverTheRightUrl()
    {
        const QString dest = m_base + "/open";
        QVERIFY(kt_writeFile(dest + "/doc.txt", "d"));
        showResult(dest);
        // The pointer comes over the button, then clicks.
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), screen().ui().openButton->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(screen().ui().openButton, &enter);
        QTest::mouseClick(screen().ui().openButton, Qt::LeftButton);
        screen().doubleClickAtIndex();
        QCOMPARE(m_handoff.opened, (QList<QUrl>{QUrl::fromLocalFile(dest), QUrl::fromLocalFile(dest)}));

        m_handoff.opened.clear();
        selectChild("doc.txt");
        QTest::keyClick(outline(), Qt::Key_Return);
        const QModelIndex row = outline()->currentIndex();
        // A click, then the double-click event as a window system sends it.
        const QPoint at = outline()->visualRect(row).center();
        QTest::mouseClick(outline()->viewport(), Qt::LeftButton, {}, at);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, at, outline()->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(outline()->viewport(), &dbl);
        QTest::mouseRelease(outline()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(m_handoff.opened, (QList<QUrl>{QUrl::fromLocalFile(dest + "/doc.txt"), QUrl::fromLocalFile(dest + "/doc.txt")}));

        m_handoff.outcome = KTDesktopHandoff::OpenOutcome::NoApplication;
        screen().openFile();
        QTRY_VERIFY(shownMessageBox(m_window.get()));
        QMessageBox *box = shownMessageBox(m_window.get());
        QVERIFY(box->text().contains("doc.txt"));
    }

    // Dragging rows out offers their files as local file URLs to copy.
    void dragsOutFileUrls()
    {
        const QString dest = m_base + "/drag";
        QVERIFY(kt_writeFile(dest + "/one.txt", "1"));
        showResult(dest);
        selectChild("one.txt");
        QAbstractItemModel *model = outline()->model();
        const QModelIndex row = outline()->currentIndex();
        std::unique_ptr<QMimeData> data(model->mimeData({row, row.siblingAtColumn(1), row.siblingAtColumn(2)}));
        QVERIFY(data);
        QCOMPARE(data->urls(), QList<QUrl>{QUrl::fromLocalFile(dest + "/one.txt")});
        QVERIFY(model->supportedDragActions() & Qt::CopyAction);
        QVERIFY(!(model->supportedDragActions() & Qt::MoveAction));
        QVERIFY(outline()->dragEnabled());
    }

    // Save without a selection: the destination's name without extension,
    // the whole destination copied; with a selection: the entry's full name.
    void saveSuggestsNamesAndCopies()
    {
        const QString single = m_base + "/photo.jpg";
        QVERIFY(kt_writeFile(single, "jpeg"));
        showResult(single);
        QCOMPARE(screen().suggestedSaveName(), QString("photo"));
        screen().bakeToHome();

        const QString dest = m_base + "/trip.d";
        QVERIFY(kt_writeFile(dest + "/day1/a.txt", "a"));
        QVERIFY(kt_writeFile(dest + "/notes.md", "n"));
        showResult(dest);
        const QString out = m_dir.freshFolder();
        QString suggested;
        Qt::WindowModality modality = Qt::NonModal;
        whenModal<QFileDialog>([&](QFileDialog *dialog) {
            suggested = dialog->selectedFiles().value(0);
            modality = dialog->windowModality();
            typeFileName(dialog, out + "/Trip copy");
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QSignalSpy saved(&screen(), &KTUnarchiveResultViewController::saveFinished);
        QTest::keyClick(outline(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(saved.wait());
        QCOMPARE(saved.first().first().toBool(), true);
        QCOMPARE(QFileInfo(suggested).fileName(), QString("trip"));
        QCOMPARE(modality, Qt::ApplicationModal);
        QCOMPARE(kt_snapshot(out + "/Trip copy"), kt_snapshot(dest));
        QVERIFY(QFile::exists(dest + "/notes.md"));

        selectChild("notes.md");
        QCOMPARE(screen().suggestedSaveName(), QString("notes.md"));
        whenModal<QFileDialog>([&](QFileDialog *dialog) {
            suggested = dialog->selectedFiles().value(0);
            dialog->reject();
        });
        screen().menuSave();
        QCOMPARE(QFileInfo(suggested).fileName(), QString("notes.md"));
        QVERIFY(!shownMessageBox(m_window.get()));
    }

    // Replacing an existing file the user confirmed: done when the copy
    // works; the old file kept, and a message with the cause, when it fails
    // (here the extracted file went missing).
    void confirmedReplacement()
    {
        const QString dest = m_base + "/rep";
        QVERIFY(kt_writeFile(dest + "/report.txt", "new report"));
        QVERIFY(kt_writeFile(dest + "/other.txt", "other"));
        showResult(dest);
        const QString out = m_dir.freshFolder();
        QVERIFY(kt_writeFile(out + "/report.txt", "old report"));

        auto saveOver = [&](const QString &target) {
            bool confirmed = false;
            whenModal<QFileDialog>([&, target](QFileDialog *dialog) {
                whenModal<QMessageBox>([&](QMessageBox *question) {
                    confirmed = true;
                    question->button(QMessageBox::Yes)->click();
                });
                typeFileName(dialog, target);
                QMetaObject::invokeMethod(dialog, "accept");
            });
            QSignalSpy saved(&screen(), &KTUnarchiveResultViewController::saveFinished);
            screen().menuSave();
            if (!saved.wait())
                return std::optional<bool>();
            return std::optional<bool>(confirmed && saved.first().first().toBool());
        };

        selectChild("report.txt");
        QCOMPARE(saveOver(out + "/report.txt"), std::optional<bool>(true));
        QCOMPARE(kt_readFile(out + "/report.txt"), QByteArray("new report"));
        QCOMPARE(kt_readFile(dest + "/report.txt"), QByteArray("new report"));

        QVERIFY(kt_writeFile(out + "/other.txt", "old other"));
        selectChild("other.txt");
        QVERIFY(QFile::remove(dest + "/other.txt"));
        QCOMPARE(saveOver(out + "/other.txt"), std::optional<bool>(false));
        QCOMPARE(kt_readFile(out + "/other.txt"), QByteArray("old other"));
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
        QMessageBox *box = shownMessageBox(m_window.get());
        QVERIFY(box);
        QVERIFY(box->text().contains("other.txt"));
        QVERIFY(box->informativeText().contains(QString::fromLocal8Bit(std::strerror(ENOENT))));
    }

    // Mail: the whole destination, even with a row selected; the name goes
    // to xdg-email as one argument, quotes, backslash and line break
    // included; a folder is attached as a zip of itself.
    void mailsThroughXdgEmail()
    {
        const QString weird = "say \"hi\" \\ back\nslash.txt";
        const QString single = m_base + "/" + weird;
        QVERIFY(kt_writeFile(single, "payload"));
        const QString record = installFakeXdgEmail(0);
        showResult(single);
        QSignalSpy mailed(&screen(), &KTUnarchiveResultViewController::mailFinished);
        screen().menuMail();
        QVERIFY(mailed.wait());
        QCOMPARE(mailed.first().first().toBool(), true);
        QCOMPARE(kt_readFile(record + "/args").split('\0'),
                 (QList<QByteArray>{"--attach", single.toUtf8(), "--body", ("Attached file name: " + weird).toUtf8(), ""}));
        screen().bakeToHome();

        // Zips for mail go to the temporary folder; here, the test's own.
        const QString tmp = m_dir.freshFolder("tmp-mail-");
        qputenv("TMPDIR", QFile::encodeName(tmp));
        const QString folder = m_base + "/Album \"2026\"";
        QVERIFY(kt_writeFile(folder + "/inner/pic.jpg", "jpeg"));
        showResult(folder);
        selectChild("inner");
        mailed.clear();
        screen().menuMail();
        QVERIFY(mailed.wait());
        const QList<QByteArray> args = kt_readFile(record + "/args").split('\0');
        QCOMPARE(args.size(), 5);
        QVERIFY(args[1].endsWith("/Album \"2026\".zip"));
        QCOMPARE(args[3], QByteArray("Attached file name: Album \"2026\""));
        // The attachment the tool saw is a zip of the whole folder.
        archive *zip = archive_read_new();
        archive_read_support_format_zip(zip);
        QCOMPARE(archive_read_open_filename(zip, QFile::encodeName(record + "/attachment").constData(), 65536), ARCHIVE_OK);
        QStringList names;
        archive_entry *entry = nullptr;
        while (archive_read_next_header(zip, &entry) == ARCHIVE_OK)
            names << QString::fromUtf8(archive_entry_pathname_utf8(entry));
        archive_read_free(zip);
        QVERIFY2(names.contains("Album \"2026\"/inner/pic.jpg"), qPrintable(names.join(", ")));
        QVERIFY(args[1].startsWith(QFile::encodeName(tmp)));
        QVERIFY(QFile::exists(QString::fromUtf8(args[1])));

        // A mail the client did not take leaves no zip behind.
        installFakeXdgEmail(4);
        mailed.clear();
        screen().menuMail();
        QVERIFY(mailed.wait());
        QCOMPARE(mailed.first().first().toBool(), false);
        QCOMPARE(QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    }

    // No xdg-email, or no mail client: a message says so.
    void mailFailuresAreShown()
    {
        const QString file = m_base + "/m.txt";
        QVERIFY(kt_writeFile(file, "m"));
        showResult(file);
        installFakeXdgEmail(3);
        QSignalSpy mailed(&screen(), &KTUnarchiveResultViewController::mailFinished);
        screen().menuMail();
        QVERIFY(mailed.wait());
        QCOMPARE(mailed.first().first().toBool(), false);
        QMessageBox *box = shownMessageBox(m_window.get());
        QVERIFY(box);
        QCOMPARE(box->text(), QString("No mail client is set up on this computer."));
        box->close();

        qputenv("PATH", QFile::encodeName(m_dir.freshFolder("empty-path-")));
        mailed.clear();
        screen().menuMail();
        QVERIFY(mailed.wait());
        QCOMPARE(mailed.first().first().toBool(), false);
        QTRY_VERIFY(shownMessageBox(m_window.get()));
        QVERIFY(shownMessageBox(m_window.get())->informativeText().contains("xdg-email"));
        shownMessageBox(m_window.get())->close();

        // A folder that cannot be packed (the temporary folder is no folder
        // at all) is not handed over.
        const QString folder = m_base + "/unpackable";
        QVERIFY(kt_writeFile(folder + "/a.txt", "a"));
        showResult(folder);
        const QString record = installFakeXdgEmail(0);
        QVERIFY(kt_writeFile(m_base + "/not-a-folder", "x"));
        qputenv("TMPDIR", QFile::encodeName(m_base + "/not-a-folder"));
        mailed.clear();
        screen().menuMail();
        QTRY_COMPARE(mailed.size(), 1);
        QCOMPARE(mailed.first().first().toBool(), false);
        QTRY_VERIFY(shownMessageBox(m_window.get()));
        QCOMPARE(shownMessageBox(m_window.get())->text(), QString("The folder could not be packed for mailing."));
        QVERIFY(!QFile::exists(record + "/args"));
    }

    // Move To… takes the whole result to the chosen folder, whatever is
    // selected, and shows it there (out of the temporary folder, so the
    // notice goes); a folder that already holds the name refuses it with a
    // message, and the result stays where and as it was.
    void moveTo()
    {
        const QString tmp = m_base + "/tmp";
        const QString dest = tmp + "/album";
        QVERIFY(kt_writeFile(dest + "/a.jpg", "A"));
        QVERIFY(kt_writeFile(dest + "/sub/b.jpg", "B"));
        const auto before = kt_snapshot(dest);
        qputenv("TMPDIR", QFile::encodeName(tmp));
        showResult(dest);
        QCOMPARE(screen().noticeList()->count(), 1);
        selectChild("a.jpg");

        const QString taken = m_dir.freshFolder("taken-");
        QVERIFY(kt_writeFile(taken + "/album", "mine"));
        whenModal<QFileDialog>([&](QFileDialog *dialog) {
            QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
            typeFileName(dialog, taken);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QSignalSpy moved(&screen(), &KTUnarchiveResultViewController::moveFinished);
        screen().ui().moveButton->click();
        QVERIFY(moved.wait());
        QCOMPARE(moved.takeFirst().first().toBool(), false);
        QVERIFY(shownMessageBox(m_window.get()));
        shownMessageBox(m_window.get())->close();
        QCOMPARE(kt_readFile(taken + "/album"), QByteArray("mine"));
        QCOMPARE(kt_snapshot(dest), before);
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), dest);

        const QString kept = m_dir.freshFolder("kept-");
        whenModal<QFileDialog>([&](QFileDialog *dialog) {
            typeFileName(dialog, kept);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QAction *openArchive = m_window->menuBar()->actions().first()->menu()->actions().first();
        screen().moveAction()->trigger();
        // No other archive while the result is read back at its new place.
        QVERIFY(!openArchive->isEnabled());
        QVERIFY(moved.wait());
        QVERIFY(openArchive->isEnabled());
        QCOMPARE(moved.takeFirst().first().toBool(), true);
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), kept + "/album");
        QCOMPARE(kt_snapshot(kept + "/album"), before);
        QVERIFY(!QFileInfo::exists(dest));
        QCOMPARE(screen().noticeList()->count(), 0);
        QCOMPARE(screen().ui().titleLabel->text(), QString("album"));
        QCOMPARE(screen().targetPath(), kept + "/album");
        selectChild("a.jpg");
        QCOMPARE(screen().targetPath(), kept + "/album/a.jpg");
        QVERIFY(screen().moveAction()->isEnabled());
    }

    // The window's File menu carries Save a Copy and Mail, on while a
    // result is shown.
    void windowMenu()
    {
        const QList<QAction *> actions = m_window->menuBar()->actions().first()->menu()->actions();
        QVERIFY(actions.contains(screen().saveAction()));
        QVERIFY(actions.contains(screen().mailAction()));
        QVERIFY(actions.contains(screen().moveAction()));
        QVERIFY(!screen().mailAction()->isEnabled());
        QVERIFY(!screen().moveAction()->isEnabled());
        QVERIFY(kt_writeFile(m_base + "/menu.txt", "m"));
        showResult(m_base + "/menu.txt");
        QVERIFY(screen().mailAction()->isEnabled());
        QCOMPARE(screen().saveAction()->shortcut(), QKeySequence(QKeySequence::Save));
    }

private:
    KTUnarchiveResultViewController &screen() { return *m_window->unarchiveResultViewController(); }
    QTreeView *outline() { return screen().kt_outlineView(); }

    // What the extraction screen's hand-over does: the tree built, the
    // switch, then "fileget".
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

    // What a user does in the save dialog: goes to the folder, types the name.
    static void typeFileName(QFileDialog *dialog, const QString &path)
    {
        dialog->setDirectory(QFileInfo(path).path());
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText(QFileInfo(path).fileName());
    }

    void selectChild(const QString &name)
    {
        QAbstractItemModel *model = outline()->model();
        const QModelIndex root = model->index(0, 0);
        outline()->expand(root);
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex index = model->index(row, 0, root);
            if (index.data().toString() == name) {
                outline()->setCurrentIndex(index);
                return;
            }
        }
        QFAIL(qPrintable("no row " + name));
    }

    // An xdg-email first on PATH that records its arguments (NUL-separated)
    // and a copy of the attachment, and exits with the given code.
    QString installFakeXdgEmail(int exitCode)
    {
        const QString bin = m_dir.freshFolder("bin-");
        const QString record = m_dir.freshFolder("record-");
        const QByteArray script = "#!/bin/sh\n"
                                  "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + QFile::encodeName(record) + "/args'\n"
                                  "cp \"$2\" '" + QFile::encodeName(record) + "/attachment'\n"
                                  "exit " + QByteArray::number(exitCode) + "\n";
        kt_writeFile(bin + "/xdg-email", script);
        QFile::setPermissions(bin + "/xdg-email", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin) + ":" + m_path);
        return record;
    }

    KTTestFolder m_dir;
    QString m_base;
    QByteArray m_path = qgetenv("PATH");
    QByteArray m_tmpdir = qgetenv("TMPDIR");
    std::unique_ptr<KTPreferences> m_prefs;
    std::unique_ptr<KTWindowController> m_window;
    KTRecordingHandoff m_handoff;
};

QTEST_MAIN(TestResultScreen)
#include "tst_resultscreen.moc"
