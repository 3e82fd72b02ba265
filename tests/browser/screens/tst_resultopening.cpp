#include "ui_KTOpenWithDialog.h"

#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "app/window/KTDesktopHandoff.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTOpenWithDialog.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "support/KTRecordingHandoff.h"
#include "support/KTTestDirs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

namespace {

QMessageBox *shownMessageBox(QWidget *window)
{
    for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

QAbstractButton *buttonNamed(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// Arguments a recording script wrote, one per NUL.
QStringList recordedArguments(const QString &file)
{
    QStringList arguments;
    for (const QByteArray &argument : kt_readFile(file).split('\0'))
        arguments << QString::fromUtf8(argument);
    arguments.removeLast();
    return arguments;
}

} // namespace

// A file manager on the test's own session bus: records what it is asked
// to show.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;

public slots:
    void ShowItems(const QStringList &uris, const QString &)
    {
        shown << uris;
    }
};

// Open, Open With… and Show in Folder on the result screen in a real window,
// through the real desktop hand-over: a recording xdg-open first on PATH,
// desktop entries in a private XDG_DATA_HOME, a file manager on a private
// session bus. Files that could run are opened only after a question.
class TestResultOpening : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A private bus for the whole process, before anything connects.
        m_bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        QVERIFY2(m_bus.waitForStarted(), "dbus-daemon (package dbus-daemon) is needed");
        QTRY_VERIFY(m_bus.canReadLine());
        m_busAddress = m_bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_busAddress);
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void cleanupTestCase()
    {
        m_bus.terminate();
        m_bus.waitForFinished();
    }

    void init()
    {
        m_base = m_dir.freshFolder();
        m_prefs = kt_testPreferences();
        m_window = std::make_unique<KTWindowController>(*m_prefs);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_recording = KTRecordingHandoff();
        // No applications but the test's own; the system's MIME database.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_base + "/share"));
        QVERIFY(QDir().mkpath(m_base + "/data"));
        QVERIFY(QFile::link("/usr/share/mime", m_base + "/data/mime"));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_base + "/data"));
    }

    void cleanup()
    {
        m_window.reset();
        KTFileDataCollection::shareInstance().startOver();
        qputenv("PATH", m_path);
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_DIRS");
    }

    // xdg-open's exit status decides: 0 opens quietly, anything else says
    // that nothing takes the file and offers the two ways on; a missing
    // xdg-open names its package.
    void openerExitStatus_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::newRow("opened") << 0;
        QTest::newRow("no application") << 3;
        QTest::newRow("action failed") << 4;
        QTest::newRow("no xdg-open") << -1;
    }

    void openerExitStatus()
    {
        QFETCH(int, exitCode);
        const QString dest = m_base + "/result";
        QVERIFY(kt_writeFile(dest + "/notes.md", "# notes"));
        const QString record = exitCode < 0 ? QString() : installFakeXdgOpen(exitCode);
        if (exitCode < 0)
            qputenv("PATH", QFile::encodeName(m_dir.freshFolder("empty-path-")));
        showResult(dest);
        selectChild("notes.md");
        QSignalSpy finished(&screen(), &KTUnarchiveResultViewController::openFinished);
        QTest::keyClick(screen().kt_outlineView(), Qt::Key_Return);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), exitCode == 0);
        if (!record.isEmpty())
            QCOMPARE(recordedArguments(record + "/args"), QStringList{dest + "/notes.md"});
        QMessageBox *box = shownMessageBox(m_window.get());
        if (exitCode == 0) {
            QVERIFY(!box);
            return;
        }
        QVERIFY(box);
        QCOMPARE(box->text(), QString("No application is set up to open “notes.md”."));
        QVERIFY(buttonNamed(box, "Open With…"));
        QVERIFY(buttonNamed(box, "Show in Folder"));
        QCOMPARE(box->informativeText().contains("xdg-utils"), exitCode < 0);
    }

    // "Open With…" lists the applications whose desktop entries name the
    // file's type, then those of the types it derives from, without hidden
    // or terminal ones; the chosen one starts on the file with its Exec line.
    void openWithStartsTheChosenApplication()
    {
        const QString dest = m_base + "/with";
        QVERIFY(kt_writeFile(dest + "/notes.md", "# notes"));
        const QString record = installFakeXdgOpen(3);
        const QString apps = m_base + "/share/applications";
        const QString recorder = writeRecorder(m_base + "/bin/recorder", m_base + "/launched");
        writeEntry(apps + "/zz-markdown.desktop", "Markdown Viewer", "text/markdown;",
                   "\"" + recorder + "\" --view %f");
        writeEntry(apps + "/editor.desktop", "Editor", "text/plain;", recorder + " %U");
        writeEntry(apps + "/hidden.desktop", "Hidden", "text/markdown;", recorder, "NoDisplay=true\n");
        writeEntry(apps + "/term.desktop", "Terminal Editor", "text/markdown;", recorder, "Terminal=true\n");
        writeEntry(apps + "/images.desktop", "Images", "image/png;", recorder);
        showResult(dest);
        selectChild("notes.md");
        screen().openAction()->trigger();
        QTRY_VERIFY(shownMessageBox(m_window.get()));
        buttonNamed(shownMessageBox(m_window.get()), "Open With…")->click();
        QTRY_VERIFY(screen().openWithDialog() && screen().openWithDialog()->isVisible());
        QListWidget *list = screen().openWithDialog()->ui().applicationList;
        QStringList names;
        for (int row = 0; row < list->count(); ++row)
            names << list->item(row)->text();
        QCOMPARE(names, (QStringList{"Markdown Viewer", "Editor"}));
        QCOMPARE(list->currentRow(), 0);
        QSignalSpy finished(&screen(), &KTUnarchiveResultViewController::openFinished);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(finished.first().first().toBool());
        QTRY_VERIFY(QFile::exists(m_base + "/launched"));
        QTRY_COMPARE(recordedArguments(m_base + "/launched"), (QStringList{"--view", dest + "/notes.md"}));
    }

    // "Show in Folder" asks the session's file manager to select the item;
    // with none on the bus, the folder goes to xdg-open.
    void showInFolder()
    {
        const QString dest = m_base + "/show";
        QVERIFY(kt_writeFile(dest + "/notes.md", "# notes"));
        const QString record = installFakeXdgOpen(0);
        showResult(dest);
        selectChild("notes.md");

        QDBusConnection fmBus = QDBusConnection::connectToBus(QString::fromUtf8(m_busAddress), "file-manager");
        FakeFileManager manager;
        QVERIFY(fmBus.registerObject("/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots));
        QVERIFY(fmBus.registerService("org.freedesktop.FileManager1"));
        QSignalSpy finished(&screen(), &KTUnarchiveResultViewController::openFinished);
        screen().showInFolderAction()->trigger();
        QTRY_COMPARE(manager.shown, QStringList{QUrl::fromLocalFile(dest + "/notes.md").toString()});
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(!QFile::exists(record + "/args"));

        QVERIFY(fmBus.unregisterService("org.freedesktop.FileManager1"));
        fmBus.unregisterObject("/org/freedesktop/FileManager1");
        QDBusConnection::disconnectFromBus("file-manager");
        screen().showInFolderAction()->trigger();
        QTRY_COMPARE(finished.size(), 2);
        QVERIFY(finished.last().first().toBool());
        QCOMPARE(recordedArguments(record + "/args"), QStringList{dest});
        QCOMPARE(manager.shown.size(), 1);
    }

    // A file the desktop could run is opened only after the question, whose
    // default is Cancel; folders and plain documents open at once.
    void programsAskFirst_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<bool>("asks");
        QTest::newRow("execute bit") << "setup.sh" << QByteArray("echo hi\n") << true << true;
        QTest::newRow("ELF") << "tool" << QByteArray("\x7f" "ELF\x02\x01\x01") << false << true;
        QTest::newRow("#! script") << "run.py" << QByteArray("#!/usr/bin/python3\n") << false << true;
        QTest::newRow("launcher") << "start.desktop" << QByteArray("[Desktop Entry]\n") << false << true;
        QTest::newRow("Windows program") << "Setup.EXE" << QByteArray("MZ") << false << true;
        QTest::newRow("installer") << "app.msi" << QByteArray("x") << false << true;
        QTest::newRow("batch file") << "go.bat" << QByteArray("echo") << false << true;
        QTest::newRow("document") << "notes.md" << QByteArray("# shell? #!") << false << false;
        QTest::newRow("folder") << "" << QByteArray() << false << false;
    }

    void programsAskFirst()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, executable);
        QFETCH(bool, asks);
        const QString dest = m_base + "/programs";
        const QString file = dest + "/" + (name.isEmpty() ? QString("sub/inner.txt") : name);
        QVERIFY(kt_writeFile(file, name.isEmpty() ? QByteArray("inside") : content));
        if (executable)
            QVERIFY(QFile::setPermissions(file, QFile::permissions(file) | QFile::ExeOwner));
        screen().setDesktopHandoff(&m_recording);
        showResult(dest);
        selectChild(name.isEmpty() ? QString("sub") : name);
        const QUrl url = QUrl::fromLocalFile(name.isEmpty() ? dest + "/sub" : file);

        screen().doubleClickAtIndex();
        if (!asks) {
            QCOMPARE(m_recording.opened, QList<QUrl>{url});
            QVERIFY(!shownMessageBox(m_window.get()));
            return;
        }
        QVERIFY(m_recording.opened.isEmpty());
        QMessageBox *box = shownMessageBox(m_window.get());
        QVERIFY(box);
        QCOMPARE(box->text(), QString("“%1” is a program. Opening it may run it.").arg(name));
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Cancel));
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_VERIFY(!shownMessageBox(m_window.get()));
        QVERIFY(m_recording.opened.isEmpty());

        QTest::keyClick(screen().kt_outlineView(), Qt::Key_Return);
        box = shownMessageBox(m_window.get());
        QVERIFY(box);
        buttonNamed(box, "Open")->click();
        QTRY_COMPARE(m_recording.opened, QList<QUrl>{url});
    }

    // The outline's context menu carries Open With… and Show in Folder,
    // which work on the selected entry, or the whole result without one.
    void contextMenu()
    {
        const QString dest = m_base + "/menu";
        QVERIFY(kt_writeFile(dest + "/a.txt", "a"));
        screen().setDesktopHandoff(&m_recording);
        showResult(dest);
        const QList<QAction *> actions = screen().kt_outlineView()->actions();
        QVERIFY(actions.contains(screen().openWithAction()));
        QVERIFY(actions.contains(screen().showInFolderAction()));
        QCOMPARE(screen().kt_outlineView()->contextMenuPolicy(), Qt::ActionsContextMenu);
        screen().showInFolderAction()->trigger();
        selectChild("a.txt");
        screen().showInFolderAction()->trigger();
        QCOMPARE(m_recording.shownInFolder, (QStringList{dest, dest + "/a.txt"}));
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

    void selectChild(const QString &name)
    {
        QTreeView *outline = screen().kt_outlineView();
        QAbstractItemModel *model = outline->model();
        const QModelIndex root = model->index(0, 0);
        outline->expand(root);
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex index = model->index(row, 0, root);
            if (index.data().toString() == name) {
                outline->setCurrentIndex(index);
                return;
            }
        }
        QFAIL(qPrintable("no row " + name));
    }

    // A script recording its arguments (NUL-separated) into record.
    static QString writeRecorder(const QString &path, const QString &record)
    {
        kt_writeFile(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" +
                               QFile::encodeName(record) + ".part'\nmv '" + QFile::encodeName(record) + ".part' '" +
                               QFile::encodeName(record) + "'\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    static void writeEntry(const QString &path, const QString &name, const QString &types, const QString &exec,
                           const QString &extra = {})
    {
        kt_writeFile(path, ("[Desktop Entry]\nType=Application\nName=" + name + "\nMimeType=" + types +
                            "\nExec=" + exec + "\n" + extra)
                               .toUtf8());
    }

    // An xdg-open first on PATH that records its arguments and exits with
    // the given code.
    QString installFakeXdgOpen(int exitCode)
    {
        const QString bin = m_dir.freshFolder("bin-");
        const QString record = m_dir.freshFolder("record-");
        const QByteArray script = "#!/bin/sh\n"
                                  "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + QFile::encodeName(record) + "/args'\n"
                                  "exit " + QByteArray::number(exitCode) + "\n";
        kt_writeFile(bin + "/xdg-open", script);
        QFile::setPermissions(bin + "/xdg-open", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin) + ":" + m_path);
        return record;
    }

    KTTestFolder m_dir;
    QString m_base;
    QByteArray m_path = qgetenv("PATH");
    QProcess m_bus;
    QByteArray m_busAddress;
    std::unique_ptr<KTPreferences> m_prefs;
    std::unique_ptr<KTWindowController> m_window;
    KTRecordingHandoff m_recording;
};

QTEST_MAIN(TestResultOpening)
#include "tst_resultopening.moc"
