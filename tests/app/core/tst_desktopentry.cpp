#include "app/core/KTApplicationRegistry.h"
#include "app/core/KTDesktopEntry.h"
#include "support/KTTestDirs.h"

#include <QTest>

// Desktop entries as freedesktop.org defines them: the Exec key's quoting and
// field codes, which entries are offered, and which applications a kind of
// file finds across the XDG folders.
class TestDesktopEntry : public QObject
{
    Q_OBJECT

private slots:
    void exec_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("command");
        const QString f = "/tmp/a b/it's \"x\".md";
        QTest::newRow("file code") << "viewer --new %f" << QStringList{"viewer", "--new", f};
        QTest::newRow("list code") << "viewer %F" << QStringList{"viewer", f};
        QTest::newRow("url code") << "web %u" << QStringList{"web", "file:///tmp/a%20b/it's%20%22x%22.md"};
        QTest::newRow("no code: file last") << "viewer" << QStringList{"viewer", f};
        QTest::newRow("quoted program") << "\"/opt/My App/run\" %f" << QStringList{"/opt/My App/run", f};
        QTest::newRow("escapes in quotes") << "sh -c \"echo \\\"\\$HOME\\\" \\\\\\\\\" %f"
                                           << QStringList{"sh", "-c", "echo \"$HOME\" \\", f};
        QTest::newRow("percent") << "fmt 100%% %f" << QStringList{"fmt", "100%", f};
        QTest::newRow("icon, name, deprecated") << "app %i %c %d %f" << QStringList{"app", "--icon", "app-icon", "App", f};
        QTest::newRow("runs of spaces") << "  app   %f  " << QStringList{"app", f};
    }

    void exec()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, command);
        KTTestFolder dir;
        const QString path = dir.filePath("app.desktop");
        QVERIFY(kt_writeFile(path, ("[Desktop Entry]\nType=Application\nName=App\nIcon=app-icon\nExec=" + exec + "\n").toUtf8()));
        const std::optional<KTDesktopEntry> entry = KTDesktopEntry::read(path, "app.desktop");
        QVERIFY(entry);
        QCOMPARE(entry->commandFor("/tmp/a b/it's \"x\".md"), command);
    }

    // Entries that are not applications, have no Exec or a broken one are
    // not read; the name is the user's language's; the first group counts.
    void whatIsRead()
    {
        KTTestFolder dir;
        const auto read = [&](const QByteArray &text) {
            kt_writeFile(dir.filePath("e.desktop"), text);
            return KTDesktopEntry::read(dir.filePath("e.desktop"), "e.desktop");
        };
        QVERIFY(!read("[Desktop Entry]\nType=Link\nName=L\nURL=http://x\n"));
        QVERIFY(!read("[Desktop Entry]\nType=Application\nName=N\n"));
        QVERIFY(!read("[Desktop Entry]\nType=Application\nName=N\nExec=\"unterminated %f\n"));
        QVERIFY(!read("[Desktop Action new]\nType=Application\nExec=x\n"));
        QVERIFY(!KTDesktopEntry::read(dir.filePath("missing.desktop"), "missing.desktop"));

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const auto entry = read("# comment\n[Desktop Entry]\nType=Application\nName=Viewer\nName[de]=Betrachter\n"
                                "Exec=v %f\nMimeType=text/plain;text/markdown;\nNoDisplay=false\n"
                                "[Desktop Action x]\nName=Other\nExec=other\n");
        QLocale::setDefault(QLocale::c());
        QVERIFY(entry);
        QCOMPARE(entry->name(), QString("Betrachter"));
        QCOMPARE(entry->mimeTypes(), (QStringList{"text/plain", "text/markdown"}));
        QVERIFY(entry->offered());
        QCOMPARE(entry->commandFor("/f"), (QStringList{"v", "/f"}));
        QVERIFY(!read("[Desktop Entry]\nType=Application\nName=N\nExec=x\nHidden=true\n")->offered());
        QVERIFY(!read("[Desktop Entry]\nType=Application\nName=N\nExec=x\nTerminal=true\n")->offered());
    }

    // The first folder wins an ID (a user's hidden copy hides the system's
    // entry); sub-folders give IDs with dashes; the type's own applications
    // come before those of the types it derives from.
    void registry()
    {
        KTTestFolder dir;
        const QString user = dir.filePath("user");
        const QString system = dir.filePath("system");
        const auto entry = [](const QString &name, const QString &types, const QString &extra = {}) {
            return ("[Desktop Entry]\nType=Application\nName=" + name + "\nExec=x %f\nMimeType=" + types + "\n" + extra)
                .toUtf8();
        };
        QVERIFY(kt_writeFile(user + "/gone.desktop", entry("Gone", "text/markdown;", "Hidden=true\n")));
        QVERIFY(kt_writeFile(system + "/gone.desktop", entry("Gone", "text/markdown;")));
        QVERIFY(kt_writeFile(system + "/kde/notes.desktop", entry("Notes", "text/markdown;")));
        QVERIFY(kt_writeFile(system + "/beta.desktop", entry("beta", "text/plain;")));
        QVERIFY(kt_writeFile(system + "/alpha.desktop", entry("Alpha", "text/plain;")));
        QVERIFY(kt_writeFile(system + "/png.desktop", entry("Png", "image/png;")));
        QVERIFY(kt_writeFile(system + "/broken.desktop", "\xff\xfe not an entry"));

        const QList<KTDesktopEntry> found = KTApplicationRegistry({user, system}).applicationsFor("text/markdown");
        QStringList ids;
        for (const KTDesktopEntry &application : found)
            ids << application.id();
        QCOMPARE(ids, (QStringList{"kde-notes.desktop", "alpha.desktop", "beta.desktop"}));
        QVERIFY(KTApplicationRegistry({user, system}).applicationsFor("application/x-nothing-here").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
