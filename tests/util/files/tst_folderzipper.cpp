#include "support/KTTestDirs.h"
#include "util/files/KTFolderZipper.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTest>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>

namespace {

// name -> "d", "l:<target>" or "f:<content>", read back with libarchive.
QMap<QString, QByteArray> readZip(const QString &path)
{
    QMap<QString, QByteArray> entries;
    archive *a = archive_read_new();
    archive_read_support_format_zip(a);
    if (archive_read_open_filename(a, QFile::encodeName(path).constData(), 65536) != ARCHIVE_OK) {
        archive_read_free(a);
        return {{"<error>", archive_error_string(a)}};
    }
    archive_entry *entry = nullptr;
    while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
        const QString name = QString::fromUtf8(archive_entry_pathname_utf8(entry));
        switch (archive_entry_filetype(entry)) {
        case AE_IFDIR:
            entries.insert(name, "d");
            break;
        case AE_IFLNK:
            entries.insert(name, "l:" + QByteArray(archive_entry_symlink(entry)));
            break;
        default: {
            QByteArray content;
            char buffer[8192];
            la_ssize_t got;
            while ((got = archive_read_data(a, buffer, sizeof buffer)) > 0)
                content.append(buffer, got);
            entries.insert(name, "f:" + content);
        }
        }
    }
    archive_read_free(a);
    return entries;
}

} // namespace

// The zip a folder travels in by mail: the folder as its one top entry,
// every name and byte as on disk, links as links.
class TestFolderZipper : public QObject
{
    Q_OBJECT

private slots:
    void zipsTheFolderAsItself()
    {
        const QString base = m_dir.freshFolder();
        const QString folder = base + "/Fotos \"Sommer\" \\ 2026 Ünïcödé";
        QVERIFY(kt_writeFile(folder + "/a.txt", "alpha"));
        QVERIFY(kt_writeFile(folder + "/tief/unten/b.bin", QByteArray(200000, '\x7f')));
        QVERIFY(kt_writeFile(folder + "/empty.txt", ""));
        QVERIFY(QDir().mkpath(folder + "/leer"));
        QVERIFY(QFile::link("a.txt", folder + "/link"));

        const QString zip = base + "/out.zip";
        QVERIFY(KTFolderZipper::zipFolder(folder, zip).ok());
        const QString top = QFileInfo(folder).fileName();
        const QMap<QString, QByteArray> expected{
            {top + "/", "d"},
            {top + "/a.txt", "f:alpha"},
            {top + "/empty.txt", "f:"},
            {top + "/leer/", "d"},
            {top + "/link", "l:a.txt"},
            {top + "/tief/", "d"},
            {top + "/tief/unten/", "d"},
            {top + "/tief/unten/b.bin", "f:" + QByteArray(200000, '\x7f')},
        };
        QMap<QString, QByteArray> got = readZip(zip);
        // Folder entries may come with or without their trailing slash.
        QMap<QString, QByteArray> normalised;
        for (auto it = got.cbegin(); it != got.cend(); ++it)
            normalised.insert(it.value() == "d" && !it.key().endsWith('/') ? it.key() + '/' : it.key(), it.value());
        QCOMPARE(normalised, expected);
    }

    // An existing zip is not overwritten; a missing folder fails and
    // leaves no zip; a cancelled run leaves none either.
    void failuresLeaveNothing()
    {
        const QString base = m_dir.freshFolder();
        QVERIFY(kt_writeFile(base + "/taken.zip", "mine"));
        QVERIFY(kt_writeFile(base + "/folder/a.txt", QByteArray(1 << 20, 'a')));
        const KTFileOperationError taken = KTFolderZipper::zipFolder(base + "/folder", base + "/taken.zip");
        QCOMPARE(taken.errorNumber, EEXIST);
        QFile kept(base + "/taken.zip");
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("mine"));

        QVERIFY(!KTFolderZipper::zipFolder(base + "/missing", base + "/missing.zip").ok());
        QVERIFY(!QFile::exists(base + "/missing.zip"));

        const std::atomic<bool> cancelled{true};
        const KTFileOperationError stopped = KTFolderZipper::zipFolder(base + "/folder", base + "/c.zip", &cancelled);
        QCOMPARE(stopped.errorNumber, ECANCELED);
        QVERIFY(!QFile::exists(base + "/c.zip"));
    }

private:
    KTTestFolder m_dir;
};

QTEST_MAIN(TestFolderZipper)
#include "tst_folderzipper.moc"
