#include "ui_KTOpenWithDialog.h"
#include "ui_KTUnarchiveResultViewController.h"

#include "app/window/KTWindowController.h"
#include "browser/screens/KTOpenWithDialog.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "support/KTRecordingHandoff.h"
#include "support/KTWindowHarness.h"

#include <QDBusConnection>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

// A file manager on the test's own session bus: records what it is asked
// to show.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;

public slots:
    void ShowItems(const QStringList &uris, const QString &) { shown << uris; }
};

// Open, Open With… and Show in Folder on the result screen in a real window,
// through the real hand-over: a recording xdg-open first on PATH, desktop
// entries in a private XDG_DATA_HOME, a file manager on the private bus.
class TestResultOpening : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session"); }

    void init()
    {
        m_h = std::make_unique<KTWindowHarness>();
        QVERIFY(m_h->start());
        m_base = m_h->folder().freshFolder();
        m_recording = KTRecordingHandoff();
        // No applications but the test's own; the system's MIME database.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_base + "/share"));
        QVERIFY(QDir().mkpath(m_base + "/data"));
        QVERIFY(QFile::link("/usr/share/mime", m_base + "/data/mime"));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_base + "/data"));
    }

    void cleanup()
    {
        m_h.reset();
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_DIRS");
    }

    // Open (the button, a double-click, Enter) and Show in Folder (from the
    // tree's context menu) take the selected entry, or the whole result
    // when nothing is selected.
    void handsOverTheRightEntry()
    {
        const QString dest = m_base + "/open";
        QVERIFY(kt_writeFile(dest + "/doc.txt", "d"));
        screen().setDesktopHandoff(&m_recording);
        QVERIFY(m_h->show(dest));
        QTreeView *outline = m_h->outline();
        // The pointer comes over the button, then clicks.
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), screen().ui().openButton->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(screen().ui().openButton, &enter);
        QTest::mouseClick(screen().ui().openButton, Qt::LeftButton);
        screen().doubleClickAtIndex();
        screen().showInFolderAction()->trigger();

        QVERIFY(m_h->selectChild("doc.txt"));
        QTest::keyClick(outline, Qt::Key_Return);
        // A click, then the double-click event as a window system sends it.
        const QPoint at = outline->visualRect(outline->currentIndex()).center();
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, at);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, at, outline->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::LeftButton, {});
        QApplication::sendEvent(outline->viewport(), &dbl);
        QTest::mouseRelease(outline->viewport(), Qt::LeftButton, {}, at);
        screen().showInFolderAction()->trigger();

        const QUrl whole = QUrl::fromLocalFile(dest);
        const QUrl file = QUrl::fromLocalFile(dest + "/doc.txt");
        QCOMPARE(m_recording.opened, (QList<QUrl>{whole, whole, file, file}));
        QCOMPARE(m_recording.shownInFolder, (QStringList{dest, dest + "/doc.txt"}));
        QCOMPARE(outline->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(outline->actions().contains(screen().openWithAction()));
        QVERIFY(outline->actions().contains(screen().showInFolderAction()));
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
        const QString record = exitCode < 0 ? QString() : m_h->installRecordingTool("xdg-open", exitCode);
        if (exitCode < 0)
            m_h->emptyPath();
        QVERIFY(m_h->show(dest));
        QVERIFY(m_h->selectChild("notes.md"));
        QSignalSpy finished(&screen(), &KTUnarchiveResultViewController::openFinished);
        QTest::keyClick(m_h->outline(), Qt::Key_Return);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), exitCode == 0);
        if (!record.isEmpty())
            QCOMPARE(kt_recordedArguments(record + "/args"), QStringList{dest + "/notes.md"});
        QMessageBox *box = m_h->shownMessageBox();
        QCOMPARE(bool(box), exitCode != 0);
        if (!box)
            return;
        QCOMPARE(box->text(), QString("No application is set up to open “notes.md”."));
        QVERIFY(kt_buttonNamed(box, "Open With…"));
        QVERIFY(kt_buttonNamed(box, "Show in Folder"));
        QCOMPARE(box->informativeText().contains("xdg-utils"), exitCode < 0);
    }

    // "Open With…" lists the applications whose desktop entries name the
    // file's type, then those of the types it derives from, without hidden
    // or terminal ones; the chosen one starts on the file with its Exec line.
    void openWithStartsTheChosenApplication()
    {
        const QString dest = m_base + "/with";
        QVERIFY(kt_writeFile(dest + "/notes.md", "# notes"));
        m_h->installRecordingTool("xdg-open", 3);
        const QString launched = m_h->installRecordingTool("recorder", 0) + "/args";
        const QString apps = m_base + "/share/applications";
        const QString recorder = "recorder";
        writeEntry(apps + "/zz-markdown.desktop", "Markdown Viewer", "text/markdown;", recorder + " --view %f");
        writeEntry(apps + "/editor.desktop", "Editor", "text/plain;", recorder + " %U");
        writeEntry(apps + "/hidden.desktop", "Hidden", "text/markdown;", recorder, "NoDisplay=true\n");
        writeEntry(apps + "/term.desktop", "Terminal Editor", "text/markdown;", recorder, "Terminal=true\n");
        writeEntry(apps + "/images.desktop", "Images", "image/png;", recorder);
        QVERIFY(m_h->show(dest));
        QVERIFY(m_h->selectChild("notes.md"));
        screen().openAction()->trigger();
        QTRY_VERIFY(m_h->shownMessageBox());
        kt_buttonNamed(m_h->shownMessageBox(), "Open With…")->click();
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
        QTRY_VERIFY(QFile::exists(launched));
        QTRY_COMPARE(kt_recordedArguments(launched), (QStringList{"--view", dest + "/notes.md"}));
    }

    // "Show in Folder" asks the session's file manager to select the item;
    // with none on the bus, the folder goes to xdg-open.
    void showInFolder()
    {
        const QString dest = m_base + "/show";
        QVERIFY(kt_writeFile(dest + "/notes.md", "# notes"));
        const QString record = m_h->installRecordingTool("xdg-open", 0);
        QVERIFY(m_h->show(dest));
        QVERIFY(m_h->selectChild("notes.md"));

        QDBusConnection fmBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "file-manager");
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
        QCOMPARE(kt_recordedArguments(record + "/args"), QStringList{dest});
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
        QVERIFY(m_h->show(dest));
        QVERIFY(m_h->selectChild(name.isEmpty() ? QString("sub") : name));
        const QUrl url = QUrl::fromLocalFile(name.isEmpty() ? dest + "/sub" : file);

        screen().doubleClickAtIndex();
        if (!asks) {
            QCOMPARE(m_recording.opened, QList<QUrl>{url});
            QVERIFY(!m_h->shownMessageBox());
            return;
        }
        QVERIFY(m_recording.opened.isEmpty());
        QMessageBox *box = m_h->shownMessageBox();
        QVERIFY(box);
        QCOMPARE(box->text(), QString("“%1” is a program. Opening it may run it.").arg(name));
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Cancel));
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_VERIFY(!m_h->shownMessageBox());
        QVERIFY(m_recording.opened.isEmpty());

        QTest::keyClick(m_h->outline(), Qt::Key_Return);
        box = m_h->shownMessageBox();
        QVERIFY(box);
        kt_buttonNamed(box, "Open")->click();
        QTRY_COMPARE(m_recording.opened, QList<QUrl>{url});
    }

private:
    KTUnarchiveResultViewController &screen() { return m_h->resultScreen(); }

    static void writeEntry(const QString &path, const QString &name, const QString &types, const QString &exec,
                           const QString &extra = {})
    {
        kt_writeFile(path, ("[Desktop Entry]\nType=Application\nName=" + name + "\nMimeType=" + types + "\nExec=" +
                            exec + "\n" + extra)
                               .toUtf8());
    }

    std::unique_ptr<KTWindowHarness> m_h;
    QString m_base;
    KTRecordingHandoff m_recording;
};

QTEST_MAIN(TestResultOpening)
#include "tst_resultopening.moc"
