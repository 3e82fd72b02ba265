#include "ui_KTUnarchiveResultViewController.h"

#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "support/KTWindowHarness.h"
#include "ui/KTNoticeList.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <QTreeView>
#include <archive.h>
#include <archive_entry.h>

#include <optional>

namespace {

// What a user does in a file dialog: goes to the folder, types the name.
void typeFileName(QFileDialog *dialog, const QString &path)
{
    dialog->setDirectory(QFileInfo(path).path());
    dialog->findChild<QLineEdit *>("fileNameEdit")->setText(QFileInfo(path).fileName());
}

void acceptWith(const QString &path)
{
    kt_whenModal<QFileDialog>([path](QFileDialog *dialog) {
        typeFileName(dialog, path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

QStringList zipEntryNames(const QString &path)
{
    QStringList names;
    archive *zip = archive_read_new();
    archive_read_support_format_zip(zip);
    if (archive_read_open_filename(zip, QFile::encodeName(path).constData(), 65536) == ARCHIVE_OK) {
        archive_entry *entry = nullptr;
        while (archive_read_next_header(zip, &entry) == ARCHIVE_OK)
            names << QString::fromUtf8(archive_entry_pathname_utf8(entry));
    }
    archive_read_free(zip);
    return names;
}

} // namespace

// Save a Copy, Move To and Mail on the result screen of a real window: what
// lands on disk, what the mail client is handed, and the messages on failure.
class TestResultFiles : public QObject
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

    // Without a selection the whole result is copied, its name suggested
    // without extension, in an application-modal dialog; with one, the
    // entry's full name. The extracted files stay.
    void saveSuggestsNamesAndCopies()
    {
        const QString single = m_base + "/photo.jpg";
        QVERIFY(kt_writeFile(single, "jpeg"));
        QVERIFY(m_h->show(single));
        QCOMPARE(screen().suggestedSaveName(), QString("photo"));

        const QString dest = m_base + "/trip.d";
        QVERIFY(kt_writeFile(dest + "/day1/a.txt", "a"));
        QVERIFY(kt_writeFile(dest + "/notes.md", "n"));
        QVERIFY(m_h->show(dest));
        const QString out = m_h->folder().freshFolder();
        QString suggested;
        Qt::WindowModality modality = Qt::NonModal;
        kt_whenModal<QFileDialog>([&](QFileDialog *dialog) {
            suggested = dialog->selectedFiles().value(0);
            modality = dialog->windowModality();
            typeFileName(dialog, out + "/Trip copy");
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QSignalSpy saved(&screen(), &KTUnarchiveResultViewController::saveFinished);
        QTest::keyClick(m_h->outline(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(saved.wait());
        QCOMPARE(saved.first().first().toBool(), true);
        QCOMPARE(QFileInfo(suggested).fileName(), QString("trip"));
        QCOMPARE(modality, Qt::ApplicationModal);
        QCOMPARE(kt_snapshot(out + "/Trip copy"), kt_snapshot(dest));
        QVERIFY(QFile::exists(dest + "/notes.md"));

        QVERIFY(m_h->selectChild("notes.md"));
        kt_whenModal<QFileDialog>([&](QFileDialog *dialog) {
            suggested = dialog->selectedFiles().value(0);
            dialog->reject();
        });
        screen().menuSave();
        QCOMPARE(QFileInfo(suggested).fileName(), QString("notes.md"));
        QVERIFY(!m_h->shownMessageBox());
    }

    // Replacing a file the user confirmed: done when the copy works; the
    // old file kept, nothing left beside it, and a message with the cause
    // when it fails (here the extracted file went missing).
    void confirmedReplacement()
    {
        const QString dest = m_base + "/rep";
        QVERIFY(kt_writeFile(dest + "/report.txt", "new report"));
        QVERIFY(kt_writeFile(dest + "/other.txt", "other"));
        QVERIFY(m_h->show(dest));
        const QString out = m_h->folder().freshFolder();
        QVERIFY(kt_writeFile(out + "/report.txt", "old report"));
        QVERIFY(kt_writeFile(out + "/other.txt", "old other"));

        auto saveOver = [&](const QString &target) {
            bool confirmed = false;
            kt_whenModal<QFileDialog>([&, target](QFileDialog *dialog) {
                kt_whenModal<QMessageBox>([&](QMessageBox *question) {
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

        QVERIFY(m_h->selectChild("report.txt"));
        QCOMPARE(saveOver(out + "/report.txt"), std::optional<bool>(true));
        QCOMPARE(kt_readFile(out + "/report.txt"), QByteArray("new report"));
        QCOMPARE(kt_readFile(dest + "/report.txt"), QByteArray("new report"));

        QVERIFY(m_h->selectChild("other.txt"));
        QVERIFY(QFile::remove(dest + "/other.txt"));
        QCOMPARE(saveOver(out + "/other.txt"), std::optional<bool>(false));
        QCOMPARE(kt_readFile(out + "/other.txt"), QByteArray("old other"));
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
        QMessageBox *box = m_h->shownMessageBox();
        QVERIFY(box);
        QVERIFY(box->text().contains("other.txt"));
        QVERIFY(box->informativeText().contains(QString::fromLocal8Bit(std::strerror(ENOENT))));
    }

    // Mail hands xdg-email the whole result even with a row selected, its
    // name as one argument (quotes, backslash and line break included); a
    // folder goes as a zip of itself made in the temporary folder, which a
    // mail the client did not take leaves behind no more.
    void mailsThroughXdgEmail()
    {
        const QString weird = "say \"hi\" \\ back\nslash.txt";
        const QString single = m_base + "/" + weird;
        QVERIFY(kt_writeFile(single, "payload"));
        QString record = m_h->installRecordingTool("xdg-email", 0);
        QVERIFY(m_h->show(single));
        QSignalSpy mailed(&screen(), &KTUnarchiveResultViewController::mailFinished);
        screen().menuMail();
        QVERIFY(mailed.wait());
        QCOMPARE(mailed.takeFirst().first().toBool(), true);
        QCOMPARE(kt_recordedArguments(record + "/args"), (QStringList{"--attach", single, "--body", "Attached file name: " + weird}));

        const QString tmp = m_h->tmp();
        const QString folder = m_base + "/Album \"2026\"";
        QVERIFY(kt_writeFile(folder + "/inner/pic.jpg", "jpeg"));
        QVERIFY(m_h->show(folder));
        QVERIFY(m_h->selectChild("inner"));
        screen().menuMail();
        QVERIFY(mailed.wait());
        const QStringList args = kt_recordedArguments(record + "/args");
        QCOMPARE(args.size(), 4);
        QVERIFY(args[1].startsWith(tmp) && args[1].endsWith("/Album \"2026\".zip"));
        QVERIFY(QFile::exists(args[1]));
        QCOMPARE(args[3], QString("Attached file name: Album \"2026\""));
        const QStringList names = zipEntryNames(record + "/attachment");
        QVERIFY2(names.contains("Album \"2026\"/inner/pic.jpg"), qPrintable(names.join(", ")));

        m_h->installRecordingTool("xdg-email", 4);
        mailed.clear();
        screen().menuMail();
        QVERIFY(mailed.wait());
        QCOMPARE(mailed.first().first().toBool(), false);
        QCOMPARE(QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    }

    // No mail client, no xdg-email, or a folder that cannot be packed (the
    // temporary folder is a file): a message says which, and nothing is
    // handed over.
    void mailFailuresAreShown_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("detail");
        QTest::newRow("no mail client") << "client" << "No mail client is set up on this computer." << QString();
        QTest::newRow("no xdg-email") << "tool" << QString() << "xdg-email";
        QTest::newRow("cannot pack") << "pack" << "The folder could not be packed for mailing." << QString();
    }
    void mailFailuresAreShown()
    {
        QFETCH(QString, failure);
        QFETCH(QString, text);
        QFETCH(QString, detail);
        const QString result = m_base + "/mail";
        QVERIFY(kt_writeFile(result + "/a.txt", "a"));
        const QString record = m_h->installRecordingTool("xdg-email", failure == "client" ? 3 : 0);
        if (failure == "tool")
            m_h->emptyPath();
        QVERIFY(m_h->show(result));
        if (failure == "pack") {
            QVERIFY(kt_writeFile(m_base + "/not-a-folder", "x"));
            qputenv("TMPDIR", QFile::encodeName(m_base + "/not-a-folder"));
        }
        QSignalSpy mailed(&screen(), &KTUnarchiveResultViewController::mailFinished);
        screen().menuMail();
        QTRY_COMPARE(mailed.size(), 1);
        QCOMPARE(mailed.first().first().toBool(), false);
        QTRY_VERIFY(m_h->shownMessageBox());
        if (!text.isEmpty())
            QCOMPARE(m_h->shownMessageBox()->text(), text);
        QVERIFY(m_h->shownMessageBox()->informativeText().contains(detail));
        QCOMPARE(QFile::exists(record + "/args"), failure == "client");
    }

    // Move To… takes the whole result, whatever is selected, and shows it at
    // its new place (out of the temporary folder, so the notice goes), with
    // no other archive taken meanwhile. A folder that already holds the name
    // refuses it with a message, and the result stays where and as it was.
    void moveTo()
    {
        const QString dest = m_h->tmp() + "/album";
        QVERIFY(kt_writeFile(dest + "/a.jpg", "A"));
        QVERIFY(kt_writeFile(dest + "/sub/b.jpg", "B"));
        const auto before = kt_snapshot(dest);
        QVERIFY(m_h->show(dest));
        QCOMPARE(screen().noticeList()->count(), 1);
        QVERIFY(m_h->selectChild("a.jpg"));

        const QString taken = m_h->folder().freshFolder("taken-");
        QVERIFY(kt_writeFile(taken + "/album", "mine"));
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        kt_whenModal<QFileDialog>([&](QFileDialog *dialog) {
            mode = dialog->fileMode();
            typeFileName(dialog, taken);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QSignalSpy moved(&screen(), &KTUnarchiveResultViewController::moveFinished);
        screen().ui().moveButton->click();
        QVERIFY(moved.wait());
        QCOMPARE(mode, QFileDialog::Directory);
        QCOMPARE(moved.takeFirst().first().toBool(), false);
        QVERIFY(m_h->shownMessageBox());
        m_h->shownMessageBox()->close();
        QCOMPARE(kt_readFile(taken + "/album"), QByteArray("mine"));
        QCOMPARE(kt_snapshot(dest), before);
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), dest);

        const QString kept = m_h->folder().freshFolder("kept-");
        acceptWith(kept);
        QAction *openArchive = m_h->window().menuBar()->actions().first()->menu()->actions().first();
        screen().moveAction()->trigger();
        QVERIFY(!openArchive->isEnabled());
        QVERIFY(moved.wait());
        QVERIFY(openArchive->isEnabled());
        QCOMPARE(moved.takeFirst().first().toBool(), true);
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), kept + "/album");
        QCOMPARE(kt_snapshot(kept + "/album"), before);
        QVERIFY(!QFileInfo::exists(dest));
        QCOMPARE(screen().noticeList()->count(), 0);
        QCOMPARE(screen().ui().titleLabel->text(), QString("album"));
        QVERIFY(m_h->selectChild("a.jpg"));
        QCOMPARE(screen().targetPath(), kept + "/album/a.jpg");
        QVERIFY(screen().moveAction()->isEnabled());
    }

private:
    KTUnarchiveResultViewController &screen() { return m_h->resultScreen(); }

    std::unique_ptr<KTWindowHarness> m_h;
    QString m_base;
};

QTEST_MAIN(TestResultFiles)
#include "tst_resultfiles.moc"
