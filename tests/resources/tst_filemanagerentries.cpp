#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

using Groups = QMap<QString, QMap<QString, QString>>;

// The groups and keys of a desktop-entry style file as written, without
// QSettings' escaping rules (which would read "%F" and ";" lists its own way).
Groups readGroups(const QString &path)
{
    Groups groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return groups;
    QString group;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
            group = line.mid(1, line.size() - 2);
        else if (const qsizetype eq = line.indexOf(QLatin1Char('=')); eq > 0 && !line.startsWith(QLatin1Char('#')))
            groups[group][line.left(eq)] = line.mid(eq + 1);
    }
    return groups;
}

// What a file manager runs for an Exec line with the selected files: %F all
// of them, %f the first, each one argument.
QStringList expand(const QString &exec, const QStringList &files)
{
    QStringList command;
    for (const QString &word : exec.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word == QLatin1String("%F"))
            command << files;
        else if (word == QLatin1String("%f"))
            command << files.first();
        else
            command << word;
    }
    return command;
}

const QString kResources = QStringLiteral(KT_RESOURCES_DIR);

} // namespace

// The "Extract Here" and "Extract To…" entries of the desktop entry, Dolphin,
// Nemo and the Nautilus scripts: valid where a validator exists, and the
// commands they run doing what they say with real programs.
class TestFileManagerEntries : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The programs the entries name, as installed: the built ones first
        // on PATH; kt-extractor is a recorder of its arguments, since the
        // window's handling of them is tested with the window.
        m_bin = m_dir.freshFolder(QStringLiteral("bin"));
        QVERIFY(QFile::link(QStringLiteral(KT_EXTRACT_BIN), m_bin + "/kt-extract"));
        QVERIFY(kt_writeFile(m_bin + "/kt-extractor", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$KT_RECORD\"\n"));
        QVERIFY(QFile::setPermissions(m_bin + "/kt-extractor", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("PATH", m_bin + ":" + m_env.value("PATH"));
        m_env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        m_env.insert("KT_RECORD", m_dir.filePath("record"));
        QVERIFY(KTTestArchives::write(m_dir.filePath("source.zip"), {KTTestEntry::file("a.txt", "a"), KTTestEntry::file("b.txt", "b")}));

        const Groups desktop = readGroups(kResources + "/kt-extractor.desktop");
        const Groups dolphin = readGroups(kResources + "/filemanagers/kt-extractor-dolphin.desktop");
        const Groups nemoHere = readGroups(kResources + "/filemanagers/kt-extractor-extract-here.nemo_action");
        const Groups nemoTo = readGroups(kResources + "/filemanagers/kt-extractor-extract-to.nemo_action");
        m_here = {{"desktop entry", desktop["Desktop Action extract-here"]["Exec"]},
                  {"Dolphin", dolphin["Desktop Action ktExtractHere"]["Exec"]},
                  {"Nemo", nemoHere["Nemo Action"]["Exec"]}};
        m_to = {{"desktop entry", desktop["Desktop Action extract-to"]["Exec"]},
                {"Dolphin", dolphin["Desktop Action ktExtractTo"]["Exec"]},
                {"Nemo", nemoTo["Nemo Action"]["Exec"]}};
        m_mimeTypes = desktop["Desktop Entry"]["MimeType"];
        QVERIFY(!m_mimeTypes.isEmpty());
        QCOMPARE(dolphin["Desktop Entry"]["MimeType"], m_mimeTypes);
        QCOMPARE(nemoHere["Nemo Action"]["Mimetypes"], m_mimeTypes);
        QCOMPARE(nemoTo["Nemo Action"]["Mimetypes"], m_mimeTypes);
        QCOMPARE(desktop["Desktop Entry"]["Actions"], QStringLiteral("extract-here;extract-to;"));
        QCOMPARE(dolphin["Desktop Entry"]["Actions"], QStringLiteral("ktExtractHere;ktExtractTo;"));
    }

    // desktop-file-validate accepts the desktop entry without a warning.
    // Dolphin's service menus and Nemo's actions have no validator in Debian.
    void desktopEntryValidates()
    {
        QVERIFY2(KTTestArchives::haveProgram("desktop-file-validate"), "install desktop-file-utils (scripts/setup does)");
        QProcess p;
        p.start("desktop-file-validate", {kResources + "/kt-extractor.desktop"});
        QVERIFY(p.waitForFinished(30000));
        const QByteArray said = p.readAllStandardOutput() + p.readAllStandardError();
        QVERIFY2(p.exitCode() == 0 && said.isEmpty(), said.constData());
    }

    void extractHere_data()
    {
        QTest::addColumn<QString>("exec");
        for (auto it = m_here.cbegin(); it != m_here.cend(); ++it)
            QTest::newRow(qPrintable(it.key())) << it.value();
    }

    // Two archives in different folders, named with spaces, from another
    // current folder: each result lands beside its archive.
    void extractHere()
    {
        QFETCH(QString, exec);
        QVERIFY(!exec.isEmpty());
        const QString one = m_dir.freshFolder(QStringLiteral("here one"));
        const QString two = m_dir.freshFolder(QStringLiteral("here two"));
        QVERIFY(QFile::copy(m_dir.filePath("source.zip"), one + "/my photos.zip"));
        QVERIFY(QFile::copy(m_dir.filePath("source.zip"), two + "/more.zip"));
        QStringList command = expand(exec, {one + "/my photos.zip", two + "/more.zip"});
        QCOMPARE(runIn(m_dir.freshFolder(QStringLiteral("elsewhere")), command), 0);
        QVERIFY(QFile::exists(one + "/my photos/a.txt"));
        QVERIFY(QFile::exists(two + "/more/b.txt"));
    }

    // The Nautilus script gets the selection as arguments, relative to the
    // shown folder it runs in; a failure still exits non-zero.
    void nautilusExtractHere()
    {
        const QString folder = m_dir.freshFolder(QStringLiteral("nautilus"));
        QVERIFY(QFile::copy(m_dir.filePath("source.zip"), folder + "/-dash.zip"));
        QVERIFY(kt_writeFile(folder + "/broken.zip", "not a zip"));
        const QString script = kResources + "/filemanagers/Extract Here";
        QCOMPARE(runIn(folder, {script, "-dash.zip"}), 0);
        QVERIFY(QFile::exists(folder + "/-dash/a.txt"));
        QCOMPARE(runIn(folder, {script, "broken.zip"}), 1);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"-dash", "-dash.zip", "broken.zip"}));
    }

    void extractTo_data()
    {
        QTest::addColumn<QStringList>("command");
        const QString archive = m_dir.filePath("my archive.zip");
        for (auto it = m_to.cbegin(); it != m_to.cend(); ++it)
            QTest::newRow(qPrintable(it.key())) << expand(it.value(), {archive});
        QTest::newRow("Nautilus") << QStringList({kResources + "/filemanagers/Extract To…", archive});
    }

    // Each opens the window with the archive and the folder question.
    void extractTo()
    {
        QFETCH(QStringList, command);
        QFile::remove(m_dir.filePath("record"));
        QCOMPARE(runIn(m_dir.path(), command), 0);
        QStringList args = QString::fromUtf8(kt_readFile(m_dir.filePath("record"))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        args.removeAll(QStringLiteral("--"));
        QCOMPARE(args, QStringList({"--extract-to", m_dir.filePath("my archive.zip")}));
    }

private:
    int runIn(const QString &folder, QStringList command)
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.setWorkingDirectory(folder);
        const QString program = command.takeFirst();
        // As a file manager does: the program looked up on PATH.
        p.start(program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program, {m_bin}), command);
        if (!p.waitForFinished(30000))
            return -1;
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    KTTestFolder m_dir;
    QString m_bin;
    QProcessEnvironment m_env;
    QMap<QString, QString> m_here;
    QMap<QString, QString> m_to;
    QString m_mimeTypes;
};

QTEST_GUILESS_MAIN(TestFileManagerEntries)
#include "tst_filemanagerentries.moc"
