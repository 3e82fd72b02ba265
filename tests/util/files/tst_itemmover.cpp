#include "support/KTTestDirs.h"
#include "util/files/KTItemMover.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

// A result with a bit of everything a move has to carry.
QString makeResult(const QString &folder)
{
    const QString result = folder + "/Photos";
    kt_writeFile(result + "/a.txt", "alpha");
    kt_writeFile(result + "/deep/b.bin", QByteArray(200000, 'b'));
    QFile::link("a.txt", result + "/link");
    return result;
}

} // namespace

// Move To…: the result goes whole to its new place, or stays where it was.
class TestItemMover : public QObject
{
    Q_OBJECT

private slots:
    // Within one file system it is a rename: the same inode, nothing copied.
    void renamesWithinAFileSystem()
    {
        const QString base = m_dir.freshFolder();
        const QString source = makeResult(base + "/tmp");
        const auto before = kt_snapshot(source);
        const ino_t inode = statusOf(source).st_ino;
        QVERIFY(QDir().mkpath(base + "/kept"));
        QVERIFY(KTItemMover::moveItem(source, base + "/kept/Photos").ok());
        QCOMPARE(kt_snapshot(base + "/kept/Photos"), before);
        QCOMPARE(statusOf(base + "/kept/Photos").st_ino, inode);
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(namesIn(base + "/kept"), QStringList{"Photos"});
    }

    // Nothing at the target is ever replaced, a folder never goes into
    // itself, a missing source is named: each leaves everything as it was.
    void refusals()
    {
        const QString base = m_dir.freshFolder();
        const QString source = makeResult(base + "/tmp");
        const auto before = kt_snapshot(source);
        QVERIFY(kt_writeFile(base + "/kept/Photos", "mine"));

        KTFileOperationError error = KTItemMover::moveItem(source, base + "/kept/Photos");
        QCOMPARE(error.errorNumber, EEXIST);
        QCOMPARE(kt_readFile(base + "/kept/Photos"), QByteArray("mine"));

        error = KTItemMover::moveItem(source, source + "/deep/Photos");
        QCOMPARE(error.cause, KTFileOperationError::Cause::IntoItself);
        error = KTItemMover::moveItem(source, source);
        QCOMPARE(error.cause, KTFileOperationError::Cause::IntoItself);
        QCOMPARE(kt_snapshot(source), before);

        error = KTItemMover::moveItem(base + "/nothing", base + "/kept/nothing");
        QCOMPARE(error.errorNumber, ENOENT);
        QCOMPARE(error.path, base + "/nothing");
        error = KTItemMover::moveItem(source, base + "/missing/Photos");
        QCOMPARE(error.errorNumber, ENOENT);
        QCOMPARE(kt_snapshot(source), before);
    }

    // Across file systems (here onto the RAM disk): a complete copy, then
    // the source goes; no scratch is left on either side.
    void copiesAcrossFileSystems()
    {
        QTemporaryDir ram(QStringLiteral("/dev/shm/kt-mover-XXXXXX"));
        if (!ram.isValid())
            QSKIP("no /dev/shm here");
        const QString base = m_dir.freshFolder();
        if (statusOf(ram.path()).st_dev == statusOf(base).st_dev)
            QSKIP("/dev/shm is on the same file system as the test folder");
        const QString source = makeResult(base + "/tmp");
        const auto before = kt_snapshot(source);
        QVERIFY(KTItemMover::moveItem(source, ram.path() + "/Photos").ok());
        QCOMPARE(kt_snapshot(ram.path() + "/Photos"), before);
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(namesIn(ram.path()), QStringList{"Photos"});
        QCOMPARE(namesIn(base + "/tmp"), QStringList());

        QVERIFY(kt_writeFile(base + "/Photos", "mine"));
        QCOMPARE(KTItemMover::moveItem(ram.path() + "/Photos", base + "/Photos").errorNumber, EEXIST);
        QCOMPARE(kt_snapshot(ram.path() + "/Photos"), before);
        QCOMPARE(namesIn(base), (QStringList{"Photos", "tmp"}));
    }

    // The copying road on its own: a copy that fails leaves the source whole;
    // a source that cannot be removed after a complete copy is SourceKept,
    // with the copy in place.
    void copyThenRemove()
    {
        const QString base = m_dir.freshFolder();
        const QString source = makeResult(base + "/tmp");
        const auto before = kt_snapshot(source);
        QCOMPARE(KTItemMover::copyThenRemove(source, base + "/missing/Photos").errorNumber, ENOENT);
        QCOMPARE(kt_snapshot(source), before);

        if (!setImmutable(source + "/deep/b.bin", true))
            QSKIP("no immutable flag on this file system (or not allowed to set it)");
        const KTFileOperationError kept = KTItemMover::copyThenRemove(source, base + "/Photos");
        setImmutable(source + "/deep/b.bin", false);
        QCOMPARE(kept.cause, KTFileOperationError::Cause::SourceKept);
        QCOMPARE(kept.errorNumber, EPERM);
        QCOMPARE(kt_snapshot(base + "/Photos"), before);

        QVERIFY(KTItemMover::copyThenRemove(base + "/Photos", base + "/tmp/Photos 2").ok());
        QCOMPARE(kt_snapshot(base + "/tmp/Photos 2"), before);
        QVERIFY(!QFileInfo::exists(base + "/Photos"));
    }

private:
    KTTestFolder m_dir;
};

QTEST_MAIN(TestItemMover)
#include "tst_itemmover.moc"
