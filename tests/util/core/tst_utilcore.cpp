#include "support/KTTestDirs.h"
#include "util/core/KTTransferEstimate.h"
#include "util/core/KTUtility.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

// The file-system queries the tree and the screens rely on, and the time
// left of a transfer.
class TestUtilCore : public QObject
{
    Q_OBJECT

private slots:
    // A length follows links, an entry's own record does not. A folder's
    // total counts every record below it (sub-folders' own records too,
    // never its own, never what a link points at); a link to a folder is a
    // folder, a dangling one nothing. The listing holds hidden names. A
    // missing path answers "nothing" everywhere.
    void fileSystemQueries()
    {
        const QString dir = m_tmp.freshFolder();
        QCOMPARE(KTUtility::kt_FolderSizeWithPath(dir), qint64(0));
        QVERIFY(kt_writeFile(dir + "/sub/a", "abc"));
        QVERIFY(kt_writeFile(dir + "/.hidden", "hi"));
        QVERIFY(kt_writeFile(dir + "/empty", ""));
        QVERIFY(QFile::link("/usr", dir + "/out"));
        QVERIFY(QFile::link("sub/a", dir + "/toA"));
        QVERIFY(QFile::link("sub", dir + "/toSub"));
        QVERIFY(QFile::link("gone", dir + "/dangling"));
        struct stat sub{};
        QCOMPARE(::lstat(QFile::encodeName(dir + "/sub").constData(), &sub), 0);

        QCOMPARE(KTUtility::fileSizeByPath(dir + "/toA"), quint64(3));
        QCOMPARE(KTUtility::fileSizeByPath(dir + "/empty"), quint64(0));
        QCOMPARE(KTUtility::kt_filesizeWithPath(dir + "/toA"), qint64(qstrlen("sub/a")));
        QCOMPARE(KTUtility::kt_FolderSizeWithPath(dir + "/sub/a"), qint64(0));
        const qint64 links = qstrlen("/usr") + qstrlen("sub/a") + qstrlen("sub") + qstrlen("gone");
        QCOMPARE(KTUtility::kt_FolderSizeWithPath(dir), qint64(sub.st_size) + 3 + 2 + links);
        QVERIFY(KTUtility::kt_IsDirectoryAtPath(dir + "/toSub"));
        QVERIFY(!KTUtility::kt_IsDirectoryAtPath(dir + "/dangling"));
        QVERIFY(!KTUtility::kt_IsDirectoryAtPath(dir + "/toA"));
        QStringList names = KTUtility::kt_ContentsOfDirectory(dir).value_or(QStringList{"<none>"});
        names.sort();
        QCOMPARE(names, (QStringList{".hidden", "dangling", "empty", "out", "sub", "toA", "toSub"}));

        const QString missing = dir + "/no-such-entry";
        QCOMPARE(KTUtility::fileSizeByPath(missing), quint64(0));
        QCOMPARE(KTUtility::kt_filesizeWithPath(missing), qint64(0));
        QCOMPARE(KTUtility::kt_FolderSizeWithPath(missing), qint64(0));
        QVERIFY(!KTUtility::kt_IsDirectoryAtPath(missing));
        QVERIFY(!KTUtility::kt_ContentsOfDirectory(missing).has_value());
    }

    // A FIFO (or a link to one) has no length, and asking must not block.
    void fifoDoesNotBlock()
    {
        const QString dir = m_tmp.freshFolder();
        const QString fifo = dir + "/pipe";
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link("pipe", dir + "/toPipe"));
        auto sizes = std::async(std::launch::async, [dir, fifo] {
            return KTUtility::fileSizeByPath(fifo) + KTUtility::fileSizeByPath(dir + "/toPipe");
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

    // No estimate before a second of samples (those closer than a quarter
    // second count for the amount only), then the bytes left over the rate.
    void transferEstimate()
    {
        KTTransferEstimate estimate;
        estimate.start(10000000);
        for (qint64 ms = 0; ms < 1000; ms += 125)
            estimate.sample(ms, ms * 1000);
        QCOMPARE(estimate.secondsLeft(), std::nullopt);
        QCOMPARE(estimate.done(), qint64(875000));
        estimate.sample(1000, 1000000);
        QCOMPARE(estimate.secondsLeft(), std::optional<qint64>(9));

        // A stall moves the estimate only part of the way.
        estimate.start(100000000);
        qint64 done = 0;
        qint64 ms = 0;
        for (; ms <= 2000; ms += 250, done += 250000)
            estimate.sample(ms, done);
        const qint64 steady = *estimate.secondsLeft();
        estimate.sample(ms, done - 250000);
        const qint64 stalled = *estimate.secondsLeft();
        QVERIFY2(stalled > steady && stalled < steady * 2, qPrintable(QStringLiteral("%1 vs %2").arg(stalled).arg(steady)));

        // Samples never go back or past the total; nothing moving gives no
        // estimate rather than an endless one.
        estimate.start(1000);
        estimate.sample(0, 500);
        estimate.sample(300, 200);
        QCOMPARE(estimate.done(), qint64(500));
        estimate.sample(600, 5000);
        QCOMPARE(estimate.done(), qint64(1000));
        estimate.start(10);
        estimate.sample(0, 0);
        estimate.sample(2000, 0);
        QCOMPARE(estimate.done(), qint64(0));
        QCOMPARE(estimate.secondsLeft(), std::nullopt);
    }

private:
    KTTestFolder m_tmp;
};

QTEST_GUILESS_MAIN(TestUtilCore)
#include "tst_utilcore.moc"
