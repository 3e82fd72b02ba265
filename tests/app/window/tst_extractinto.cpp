#include "ui_KTPreferencesDialog.h"
#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTExtractDestination.h"
#include "app/core/KTPreferences.h"
#include "app/window/AppDelegate.h"
#include "app/window/KTPreferencesDialog.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTScreenDriver.h"
#include "support/KTTestArchives.h"
#include "support/KTWindowHarness.h"
#include "ui/KTNoticeList.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <unistd.h>

using Place = KTExtractDestination::Place;

// "Extract into": the preference, its dialog, real extractions through the
// window into each place, and "Extract To…", which asks for the place first.
class TestExtractInto : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_h = std::make_unique<KTWindowHarness>();
        m_base = m_h->folder().freshFolder();
    }

    void cleanup() { m_h.reset(); }

    // The folder each stored choice gives; a chosen place without a folder,
    // or a value no version wrote, falls back to the temporary folder.
    void folderForEachPlace()
    {
        const QString archive = m_base + "/in/photos.zip";
        QCOMPARE(KTExtractDestination::place(prefs()), Place::TemporaryFolder);
        QCOMPARE(KTExtractDestination::folderFor(prefs(), archive), QDir::tempPath());
        KTExtractDestination::store(prefs(), Place::BesideArchive, {});
        QCOMPARE(KTExtractDestination::folderFor(prefs(), archive), m_base + "/in");
        KTExtractDestination::store(prefs(), Place::ChosenFolder, {});
        QCOMPARE(KTExtractDestination::folderFor(prefs(), archive), QDir::tempPath());
        KTExtractDestination::store(prefs(), Place::ChosenFolder, m_base + "/out/");
        QCOMPARE(KTExtractDestination::folderFor(prefs(), archive), m_base + "/out");
        prefs().setInteger(KTPreferences::ExtractInto, 7);
        QCOMPARE(KTExtractDestination::place(prefs()), Place::TemporaryFolder);
    }

    // File ▸ Preferences… shows the stored choice; OK stores what is shown,
    // Cancel nothing; "This folder" needs a folder, picked in a folder dialog.
    void preferencesDialog()
    {
        QVERIFY(m_h->start());
        QAction *action = m_h->menuAction("&Preferences…");
        QVERIFY(action);
        action->trigger();
        KTPreferencesDialog *dialog = m_h->window().preferencesDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->ui().temporaryFolderButton->isChecked());
        QPushButton *ok = dialog->ui().buttonBox->button(QDialogButtonBox::Ok);

        dialog->ui().chosenFolderButton->click();
        QVERIFY(!ok->isEnabled());
        dialog->ui().chooseFolderButton->click();
        QFileDialog *folders = dialog->folderDialog();
        QVERIFY(folders);
        QCOMPARE(folders->fileMode(), QFileDialog::Directory);
        const QString chosen = m_h->folder().freshFolder("chosen-");
        folders->setDirectory(QFileInfo(chosen).path());
        folders->findChild<QLineEdit *>("fileNameEdit")->setText(QFileInfo(chosen).fileName());
        QMetaObject::invokeMethod(folders, "accept");
        QCOMPARE(dialog->chosenFolder(), chosen);
        QVERIFY(ok->isEnabled());
        ok->click();
        QTRY_VERIFY(!m_h->window().preferencesDialog());
        QCOMPARE(KTExtractDestination::place(prefs()), Place::ChosenFolder);
        QCOMPARE(KTExtractDestination::chosenFolder(prefs()), chosen);

        action->trigger();
        dialog = m_h->window().preferencesDialog();
        QVERIFY(dialog->ui().chosenFolderButton->isChecked());
        QCOMPARE(dialog->chosenFolder(), chosen);
        dialog->ui().besideArchiveButton->click();
        dialog->ui().buttonBox->button(QDialogButtonBox::Cancel)->click();
        QTRY_VERIFY(!m_h->window().preferencesDialog());
        QCOMPARE(KTExtractDestination::place(prefs()), Place::ChosenFolder);
    }

    // Beside the archive and in a chosen folder: the result lands there
    // under a free name, what was there stays as it was, no scratch folder
    // is left, and no notice speaks of the temporary folder.
    void extractsIntoThePlace_data()
    {
        QTest::addColumn<int>("place");
        QTest::newRow("beside the archive") << int(Place::BesideArchive);
        QTest::newRow("chosen folder") << int(Place::ChosenFolder);
    }

    void extractsIntoThePlace()
    {
        QFETCH(int, place);
        const QString archive = m_base + "/photos.zip";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("a.jpg", "A"), KTTestEntry::file("b.jpg", "B")}));
        const QString into = place == int(Place::BesideArchive) ? m_base : m_h->folder().freshFolder("into-");
        KTExtractDestination::store(prefs(), Place(place), place == int(Place::ChosenFolder) ? into : QString());
        QVERIFY(kt_writeFile(into + "/photos/mine.txt", "keep me"));
        const auto before = kt_snapshot(into + "/photos");

        QVERIFY(m_h->start());
        QVERIFY(KTScreenDriver::dropFiles(*screen(), {archive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(*screen()));
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), into + "/photos-2");
        QCOMPARE(kt_readFile(into + "/photos-2/b.jpg"), QByteArray("B"));
        QCOMPARE(kt_snapshot(into + "/photos"), before);
        QCOMPARE(QDir(into).entryList({"unarchiver*"}, QDir::AllEntries | QDir::Hidden), QStringList());
        QCOMPARE(QDir(m_h->tmp()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QTRY_COMPARE(m_h->window().tempViewCter(), static_cast<KTViewController *>(m_h->window().unarchiveResultViewController()));
        QCOMPARE(m_h->window().unarchiveResultViewController()->noticeList()->count(), 0);
    }

    // A place that cannot take the result fails on the first screen with the
    // cause, and the detail names the folder; nothing is made anywhere.
    void unwritablePlace_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a file") << "file";
        QTest::newRow("read-only") << "read-only";
    }

    void unwritablePlace()
    {
        QFETCH(QString, kind);
        const QString archive = m_base + "/doc.zip";
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("doc.txt", "d")}));
        QString into = m_base + "/gone";
        if (kind == "file") {
            QVERIFY(kt_writeFile(into, "not a folder"));
        } else if (kind == "read-only") {
            if (::geteuid() == 0)
                QSKIP("root writes into read-only folders");
            QVERIFY(QDir().mkpath(into));
            QVERIFY(QFile::setPermissions(into, QFile::ReadOwner | QFile::ExeOwner));
        }
        KTExtractDestination::store(prefs(), Place::ChosenFolder, into);

        QVERIFY(m_h->start());
        QVERIFY(KTScreenDriver::dropFiles(*screen(), {archive}));
        QVERIFY(KTScreenDriver::waitUntilIdle(*screen()));
        QFile::setPermissions(into, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(screen()->ui().errorPasswordField->isVisible());
        QCOMPARE(screen()->ui().errorCauseField->text(), QString("The folder to extract into cannot be written"));
        QVERIFY2(screen()->ui().errorCauseField->toolTip().startsWith(into + ": "),
                 qPrintable(screen()->ui().errorCauseField->toolTip()));
        QCOMPARE(QDir(m_h->tmp()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(m_h->window().tempViewCter(), static_cast<KTViewController *>(screen()));
    }

    // "Extract To…": the folder question comes before any job; a cancelled
    // question starts nothing, a chosen folder receives the result.
    void extractToChosenFolder()
    {
        KTTestFolder &dir = m_h->folder();
        const QString archive = dir.filePath("to.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("to.txt", "t")}));
        const QString target = dir.freshFolder("target");
        auto prefs = KTPreferences::inMemory();
        AppDelegate delegate(*prefs);
        delegate.applicationDidFinishLaunching();
        KTWindowController *window = delegate.mainWinController();
        KTUnarchiveViewController *screen = window->unarchiveViewController();

        delegate.extractAskingForFolder(archive);
        QPointer<QFileDialog> dialog = screen->folderDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        QCOMPARE(QDir(dialog->directory()).absolutePath(), dir.path());
        QVERIFY(!screen->isBusy());
        dialog->reject();
        QTRY_VERIFY(!dialog);
        QVERIFY(!screen->isBusy());
        QVERIFY(QDir(target).isEmpty());

        delegate.extractAskingForFolder(archive);
        dialog = screen->folderDialog();
        QVERIFY(dialog);
        dialog->selectFile(target);
        QMetaObject::invokeMethod(dialog, "accept");
        QTRY_COMPARE(window->tempViewCter(), static_cast<KTViewController *>(window->unarchiveResultViewController()));
        QCOMPARE(KTFileDataCollection::shareInstance().desPath(), target + "/to.txt");
        QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList({"to.txt"}));
    }

private:
    KTUnarchiveViewController *screen() { return &m_h->screen(); }
    KTPreferences &prefs() { return m_h->preferences(); }

    std::unique_ptr<KTWindowHarness> m_h;
    QString m_base;
};

QTEST_MAIN(TestExtractInto)
#include "tst_extractinto.moc"
