#include "support/KTTestDirs.h"
#include "util/core/KTUtility.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

qint64 ownRecordSize(const QString &path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? qint64(st.st_size) : -1;
}

} // namespace

class TestUtility : public QObject
{
    Q_OBJECT

private slots:
    // Nothing at the path: every query answers "nothing" rather than failing.
    void missingPath()
    {
        const QString missing = m_tmp.filePath(QStringLiteral("no-such-entry"));
        QCOMPARE(KTUtility::fileSizeByPath(missing), quint64(0));
        QCOMPARE(KTUtility::kt_filesizeWithPath(missing), qint64(0));
        QCOMPARE(KTUtility::kt_FolderSizeWithPath(missing), qint64(0));
        QVERIFY(!KTUtility::kt_IsDirectoryAtPath(missing));
        QVERIFY(!KTUtility::kt_ContentsOfDirectory(missing).has_value());
    }

    // Files: a length follows links, the entry's own record does not.
    void fileSizes()
    {
        const QString dir = m_tmp.freshFolder();
        const QString empty = dir + QStringLiteral("/empty");
        const QString five = dir + QStringLiteral("/five");
        const QString link = dir + QStringLiteral("/link");
        writeFile(empty, {});
        writeFile(five, "12345");
        QVERIFY(QFile::link(QStringLiteral("five"), link));
        QCOMPARE(KTUtility::fileSizeByPath(empty), quint64(0));
        QCOMPARE(KTUtility::fileSizeByPath(five), quint64(5));
        QCOMPARE(KTUtility::fileSizeByPath(link), quint64(5));
        QCOMPARE(KTUtility::kt_filesizeWithPath(link), qint64(4)); // "five"
        QVERIFY(!KTUtility::kt_IsDirectoryAtPath(five));
        // A file is not a folder: nothing below it.
        QCOMPARE(KTUtility::kt_FolderSizeWithPath(five), qint64(0));
    }

    // Folder totals count every record below, sub-folders' own records too,
    // never the folder's own, and never what a link points at.
    void folderSizes()
    {
        const QString dir = m_tmp.freshFolder();
        QCOMPARE(KTUtility::kt_FolderSizeWithPath(dir), qint64(0));

        QVERIFY(QDir(dir).mkpath(QStringLiteral("sub")));
        const qint64 subRecord = ownRecordSize(dir + QStringLiteral("/sub"));
        QCOMPARE(KTUtility::kt_FolderSizeWithPath(dir), subRecord);

        writeFile(dir + QStringLiteral("/sub/a"), "abc");
        writeFile(dir + QStringLiteral("/.hidden"), "hi");
        QVERIFY(QFile::link(QStringLiteral("/usr"), dir + QStringLiteral("/out")));
        const qint64 expected = ownRecordSize(dir + QStringLiteral("/sub")) + 3 + 2 + qint64(qstrlen("/usr"));
        QCOMPARE(KTUtility::kt_FolderSizeWithPath(dir), expected);
    }

    // A link to a folder is a folder; a dangling link is nothing.
    void directoryTest()
    {
        const QString dir = m_tmp.freshFolder();
        QVERIFY(QDir(dir).mkpath(QStringLiteral("real")));
        QVERIFY(QFile::link(QStringLiteral("real"), dir + QStringLiteral("/toReal")));
        QVERIFY(QFile::link(QStringLiteral("gone"), dir + QStringLiteral("/dangling")));
        QVERIFY(KTUtility::kt_IsDirectoryAtPath(dir + QStringLiteral("/real")));
        QVERIFY(KTUtility::kt_IsDirectoryAtPath(dir + QStringLiteral("/toReal")));
        QVERIFY(!KTUtility::kt_IsDirectoryAtPath(dir + QStringLiteral("/dangling")));
    }

    // The listing holds hidden names and no "." or "..".
    void listing()
    {
        const QString dir = m_tmp.freshFolder();
        writeFile(dir + QStringLiteral("/.gitignore"), "x");
        writeFile(dir + QStringLiteral("/visible"), "x");
        QVERIFY(QDir(dir).mkpath(QStringLiteral("folder")));
        auto names = KTUtility::kt_ContentsOfDirectory(dir);
        QVERIFY(names.has_value());
        names->sort();
        QCOMPARE(*names, (QStringList{QStringLiteral(".gitignore"), QStringLiteral("folder"), QStringLiteral("visible")}));
        QCOMPARE(KTUtility::kt_ContentsOfDirectory(m_tmp.freshFolder()), std::optional<QStringList>(QStringList{}));
    }

    // A FIFO (or a link to one) has no length, and asking must not block.
    void fifoDoesNotBlock()
    {
        const QString dir = m_tmp.freshFolder();
        const QString fifo = dir + QStringLiteral("/pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link(QStringLiteral("pipe"), dir + QStringLiteral("/toPipe")));
        auto sizes = std::async(std::launch::async, [dir, fifo] {
            return KTUtility::fileSizeByPath(fifo) + KTUtility::fileSizeByPath(dir + QStringLiteral("/toPipe"));
        });
        if (sizes.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Unblock the reader so the test can end, then fail.
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            QFAIL("asking a FIFO's size blocked");
        }
        QCOMPARE(sizes.get(), quint64(0));
    }

private:
    KTTestFolder m_tmp;
};

QTEST_GUILESS_MAIN(TestUtility)
#include "tst_utility.moc"
