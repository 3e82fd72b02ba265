#include "support/KTTestDirs.h"
#include "util/files/KTFolderZipper.h"
#include "util/files/KTItemCopier.h"
#include "util/files/KTItemMover.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statusOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Sets or clears the immutable flag, which stops even root from removing
// the file; false where the file system has no such flag.
bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

// A result with a bit of everything a copy or a move has to carry.
QString makeResult(const QString &folder)
{
    const QString result = folder + "/Photos";
    kt_writeFile(result + "/a.txt", "alpha");
    kt_writeFile(result + "/deep/b.bin", QByteArray(200000, 'b'));
    QDir().mkpath(result + "/empty");
    QFile::link("a.txt", result + "/link");
    return result;
}

// A zip read back with libarchive: name -> "d", "l:<target>" or
// "f:<content>", folders with a trailing slash.
QMap<QString, QByteArray> readZip(const QString &path)
{
    QMap<QString, QByteArray> entries;
    archive *a = archive_read_new();
    archive_read_support_format_zip(a);
    if (archive_read_open_filename(a, QFile::encodeName(path).constData(), 65536) == ARCHIVE_OK) {
        archive_entry *entry = nullptr;
        while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
            QString name = QString::fromUtf8(archive_entry_pathname_utf8(entry));
            if (archive_entry_filetype(entry) == AE_IFDIR) {
                entries.insert(name.endsWith('/') ? name : name + '/', "d");
            } else if (archive_entry_filetype(entry) == AE_IFLNK) {
                entries.insert(name, "l:" + QByteArray(archive_entry_symlink(entry)));
            } else {
                QByteArray content("f:");
                char buffer[8192];
                for (la_ssize_t got; (got = archive_read_data(a, buffer, sizeof buffer)) > 0;)
                    content.append(buffer, got);
                entries.insert(name, content);
            }
        }
    }
    archive_read_free(a);
    return entries;
}

} // namespace

// Save a Copy, Move To and the zip a folder is mailed in: each is done
// whole, or not at all, and never at the expense of what was there.
class TestFileOperations : public QObject
{
    Q_OBJECT

private slots:
    // A folder with everything below it, links as links; a file; the source
    // untouched. An existing target is replaced only when asked, file over
    // file and folder over folder.
    void copies()
    {
        const QString base = m_dir.freshFolder();
        const QString source = makeResult(base + "/src");
        const auto before = kt_snapshot(source);
        QVERIFY(QDir().mkpath(base + "/out"));
        QVERIFY(KTItemCopier::copyItem(source, base + "/out/Photos copy", false).ok());
        QVERIFY(KTItemCopier::copyItem(source + "/a.txt", base + "/out/a.txt", false).ok());
        QCOMPARE(kt_snapshot(base + "/out/Photos copy"), before);
        QCOMPARE(kt_snapshot(source), before);
        QCOMPARE(namesIn(base + "/out"), (QStringList{"Photos copy", "a.txt"}));

        QVERIFY(kt_writeFile(base + "/out/keep.txt", "old"));
        const KTFileOperationError refused = KTItemCopier::copyItem(source + "/a.txt", base + "/out/keep.txt", false);
        QCOMPARE(refused.cause, KTFileOperationError::Cause::System);
        QCOMPARE(refused.errorNumber, EEXIST);
        QCOMPARE(kt_readFile(base + "/out/keep.txt"), QByteArray("old"));
        QVERIFY(KTItemCopier::copyItem(source + "/a.txt", base + "/out/keep.txt", true).ok());
        QCOMPARE(kt_readFile(base + "/out/keep.txt"), QByteArray("alpha"));
        QVERIFY(kt_writeFile(base + "/out/Photos copy/stale.txt", "stale"));
        QVERIFY(KTItemCopier::copyItem(source, base + "/out/Photos copy", true).ok());
        QCOMPARE(kt_snapshot(base + "/out/Photos copy"), before);
        QCOMPARE(namesIn(base + "/out"), (QStringList{"Photos copy", "a.txt", "keep.txt"}));
    }

    // A copy that fails half-way (a FIFO cannot be copied; a source gone)
    // leaves the old item as it was and nothing else behind; an unwritable
    // place is named; a copy into, onto or over its own source is refused
    // before anything is written.
    void failedCopies()
    {
        const QString base = m_dir.freshFolder();
        QVERIFY(kt_writeFile(base + "/src/one.txt", "one"));
        QCOMPARE(::mkfifo(QFile::encodeName(base + "/src/pipe").constData(), 0600), 0);
        QVERIFY(kt_writeFile(base + "/out/src/precious.txt", "precious"));
        QVERIFY(!KTItemCopier::copyItem(base + "/src", base + "/out/src", true).ok());
        const KTFileOperationError missing = KTItemCopier::copyItem(base + "/gone.txt", base + "/out/src", true);
        QCOMPARE(missing.errorNumber, ENOENT);
        QCOMPARE(missing.path, base + "/gone.txt");
        QCOMPARE(namesIn(base + "/out"), QStringList{"src"});
        QCOMPARE(namesIn(base + "/out/src"), QStringList{"precious.txt"});
        QCOMPARE(kt_readFile(base + "/out/src/precious.txt"), QByteArray("precious"));

        const KTFileOperationError nowhere = KTItemCopier::copyItem(base + "/src/one.txt", base + "/no/such/x.txt", false);
        QCOMPARE(nowhere.errorNumber, ENOENT);
        QCOMPARE(nowhere.path, base + "/no/such");

        QVERIFY(kt_writeFile(base + "/dest/sub/file.txt", "x"));
        const auto before = kt_snapshot(base);
        for (const auto &[source, target] : {std::pair{base + "/dest", base + "/dest/sub/copy"},
                                             std::pair{base + "/dest", base + "/dest"},
                                             std::pair{base + "/dest/sub/file.txt", base + "/dest/sub"},
                                             std::pair{base + "/dest/sub", base + "/dest/../dest"}})
            QCOMPARE(KTItemCopier::copyItem(source, target, true).cause, KTFileOperationError::Cause::IntoItself);
        QCOMPARE(kt_snapshot(base), before);
    }

    // Within one file system a move is a rename (the same inode). Nothing at
    // the target is replaced, a folder never goes into itself, a missing
    // source is named: each leaves everything as it was.
    void movesWithinAFileSystem()
    {
        const QString base = m_dir.freshFolder();
        const QString source = makeResult(base + "/tmp");
        const auto before = kt_snapshot(source);
        QVERIFY(kt_writeFile(base + "/taken/Photos", "mine"));
        QCOMPARE(KTItemMover::moveItem(source, base + "/taken/Photos").errorNumber, EEXIST);
        QCOMPARE(kt_readFile(base + "/taken/Photos"), QByteArray("mine"));
        QCOMPARE(KTItemMover::moveItem(source, source + "/deep/Photos").cause, KTFileOperationError::Cause::IntoItself);
        QCOMPARE(KTItemMover::moveItem(source, source).cause, KTFileOperationError::Cause::IntoItself);
        const KTFileOperationError nothing = KTItemMover::moveItem(base + "/nothing", base + "/taken/nothing");
        QCOMPARE(nothing.errorNumber, ENOENT);
        QCOMPARE(nothing.path, base + "/nothing");
        QCOMPARE(KTItemMover::moveItem(source, base + "/missing/Photos").errorNumber, ENOENT);
        QCOMPARE(kt_snapshot(source), before);

        const ino_t inode = statusOf(source).st_ino;
        QVERIFY(QDir().mkpath(base + "/kept"));
        QVERIFY(KTItemMover::moveItem(source, base + "/kept/Photos").ok());
        QCOMPARE(kt_snapshot(base + "/kept/Photos"), before);
        QCOMPARE(statusOf(base + "/kept/Photos").st_ino, inode);
        QVERIFY(!QFileInfo::exists(source));
    }

    // Across file systems (here onto the RAM disk): a complete copy, then
    // the source goes, with no scratch left on either side. A source that
    // cannot be removed after a complete copy is SourceKept, the copy in place.
    void movesAcrossFileSystems()
    {
        const QString base = m_dir.freshFolder();
        const QString source = makeResult(base + "/tmp");
        const auto before = kt_snapshot(source);
        QTemporaryDir ram(QStringLiteral("/dev/shm/kt-mover-XXXXXX"));
        if (ram.isValid() && statusOf(ram.path()).st_dev != statusOf(base).st_dev) {
            QVERIFY(KTItemMover::moveItem(source, ram.path() + "/Photos").ok());
            QCOMPARE(kt_snapshot(ram.path() + "/Photos"), before);
            QCOMPARE(namesIn(ram.path()), QStringList{"Photos"});
            QCOMPARE(namesIn(base + "/tmp"), QStringList());
            QVERIFY(kt_writeFile(base + "/Photos", "mine"));
            QCOMPARE(KTItemMover::moveItem(ram.path() + "/Photos", base + "/Photos").errorNumber, EEXIST);
            QCOMPARE(kt_snapshot(ram.path() + "/Photos"), before);
            QVERIFY(QFile::remove(base + "/Photos"));
            QVERIFY(KTItemMover::copyThenRemove(ram.path() + "/Photos", source).ok());
        } else {
            qWarning("/dev/shm is missing or on the test folder's file system: the copying road only");
        }

        QCOMPARE(KTItemMover::copyThenRemove(source, base + "/missing/Photos").errorNumber, ENOENT);
        QCOMPARE(kt_snapshot(source), before);
        if (!setImmutable(source + "/deep/b.bin", true))
            QSKIP("no immutable flag on this file system (or not allowed to set it)");
        const KTFileOperationError kept = KTItemMover::copyThenRemove(source, base + "/Photos");
        setImmutable(source + "/deep/b.bin", false);
        QCOMPARE(kept.cause, KTFileOperationError::Cause::SourceKept);
        QCOMPARE(kept.errorNumber, EPERM);
        QCOMPARE(kt_snapshot(base + "/Photos"), before);
    }

    // The mailed zip holds the folder as its one top entry, every name and
    // byte as on disk, links as links. An existing zip is not overwritten;
    // a missing folder or a cancelled run leaves no zip.
    void zipsAFolderForMail()
    {
        const QString base = m_dir.freshFolder();
        const QString top = "Fotos \"Sommer\" \\ Ünïcödé";
        const QString folder = base + "/" + top;
        QVERIFY(QDir().rename(makeResult(base), folder));
        QVERIFY(kt_writeFile(folder + "/empty.txt", ""));
        QVERIFY(KTFolderZipper::zipFolder(folder, base + "/out.zip").ok());
        QCOMPARE(readZip(base + "/out.zip"), (QMap<QString, QByteArray>{{top + "/", "d"},
                                                                        {top + "/a.txt", "f:alpha"},
                                                                        {top + "/deep/", "d"},
                                                                        {top + "/deep/b.bin", "f:" + QByteArray(200000, 'b')},
                                                                        {top + "/empty/", "d"},
                                                                        {top + "/empty.txt", "f:"},
                                                                        {top + "/link", "l:a.txt"}}));

        QVERIFY(kt_writeFile(base + "/taken.zip", "mine"));
        QCOMPARE(KTFolderZipper::zipFolder(folder, base + "/taken.zip").errorNumber, EEXIST);
        QCOMPARE(kt_readFile(base + "/taken.zip"), QByteArray("mine"));
        QVERIFY(!KTFolderZipper::zipFolder(base + "/missing", base + "/missing.zip").ok());
        const std::atomic<bool> cancelled{true};
        QCOMPARE(KTFolderZipper::zipFolder(folder, base + "/c.zip", &cancelled).errorNumber, ECANCELED);
        QCOMPARE(namesIn(base), (QStringList{top, "out.zip", "taken.zip"}));
    }

private:
    KTTestFolder m_dir;
};

QTEST_MAIN(TestFileOperations)
#include "tst_fileoperations.moc"
