#include "browser/tree/KTFileItem.h"
#include "support/KTTestDirs.h"
#include "util/core/KTUtility.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

class TestFileItem : public QObject
{
    Q_OBJECT

private slots:
    void nameWithoutExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("two extensions") << "/t/archive.tar.gz" << "archive.tar";
        QTest::newRow("three parts") << "/t/a.b.c" << "a.b";
        QTest::newRow("none") << "/t/readme" << "readme";
        QTest::newRow("dot file") << "/t/.profile" << ".profile";
        QTest::newRow("hidden with extension") << "/t/.config.json" << ".config";
        QTest::newRow("double dot") << "/t/scratch..tiff" << "scratch.";
        QTest::newRow("trailing dot") << "/t/name." << "name.";
        QTest::newRow("dot in folder only") << "/t/v1.2/readme" << "readme";
        QTest::newRow("trailing slash") << "/t/photos.d/" << "photos";
        QTest::newRow("no folder") << "file.txt" << "file";
        QTest::newRow("non-ASCII") << QStringLiteral("/t/данные.zip") << QStringLiteral("данные");
    }
    void nameWithoutExtension()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(KTFileItem::nameWithoutExtension(path), name);
    }

    // The UID combines three draws with divisions truncating toward zero.
    void fileUID()
    {
        std::srand(7);
        const int a = std::rand(), b = std::rand(), c = std::rand();
        std::srand(7);
        const qint32 uid = KTFileItem::drawFileUID();
        QCOMPARE(uid, qint32(a / 2 + b / 6 - c / 3));
        // Two items may share a UID: nothing treats it as unique.
        std::srand(7);
        KTFileItem first, second;
        first.initFileDataFromPathAndSize(QStringLiteral("/a"), 1);
        std::srand(7);
        second.initFileDataFromPathAndSize(QStringLiteral("/b"), 1);
        QCOMPARE(first.fileUID(), second.fileUID());
    }

    // The light record takes the size it is given and reads nothing from disk.
    void lightRecord()
    {
        const QString dir = m_tmp.freshFolder();
        KTFileItem item;
        item.initFileDataFromPathAndSize(dir, 42);
        QCOMPARE(item.filePath(), dir);
        QCOMPARE(item.fileSize(), qint64(42));
        QVERIFY(!item.isDirectory());
        QVERIFY(item.fileImageType().isEmpty());
        QVERIFY(!item.fileCreateAt().isValid());
        QVERIFY(!item.fileUpdateAt().isValid());
    }

    // The full record: a folder's size is its total whatever the flag says;
    // the flag is kept as given; dates are the path's own.
    void fullRecord()
    {
        const QString dir = m_tmp.freshFolder();
        QFile file(dir + QStringLiteral("/data.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1000, 'x'));
        file.close();
        const timespec times[2] = {{1000000000, 0}, {1234567890, 500000000}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(file.fileName()).constData(), times, 0), 0);

        KTFileItem folder;
        folder.initFileDataFromPathIsDirectory(dir, false);
        QVERIFY(!folder.isDirectory());
        QCOMPARE(folder.fileSize(), KTUtility::kt_FolderSizeWithPath(dir));
        QCOMPARE(folder.fileSize(), qint64(1000));
        QCOMPARE(folder.fileImageType(), QStringLiteral("inode/directory"));

        KTFileItem flagged;
        flagged.initFileDataFromPathIsDirectory(dir, true);
        QVERIFY(flagged.isDirectory());

        KTFileItem leaf;
        leaf.initFileDataFromPathIsDirectory(file.fileName(), false);
        QCOMPARE(leaf.fileSize(), qint64(1000));
        QCOMPARE(leaf.fileName(), QStringLiteral("data"));
        QCOMPARE(leaf.fileUpdateAt(), QDateTime::fromMSecsSinceEpoch(1234567890500LL, Qt::UTC));
        QCOMPARE(leaf.fileImageType(), QStringLiteral("application/octet-stream"));
    }

    // Dates come from a link itself, not from what it points at; a missing
    // path gives an item of size 0 with no dates.
    void attributes()
    {
        const QString dir = m_tmp.freshFolder();
        const QString target = dir + QStringLiteral("/target.txt");
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("text");
        file.close();
        const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(target).constData(), old, 0), 0);
        const QString link = dir + QStringLiteral("/link.txt");
        QVERIFY(QFile::link(target, link));

        KTFileItem item;
        item.initFileDataFromPathIsDirectory(link, false);
        QCOMPARE(item.fileSize(), qint64(4));
        QVERIFY(item.fileUpdateAt() > QDateTime::fromSecsSinceEpoch(1000000000, Qt::UTC));
        QCOMPARE(item.fileImageType(), QStringLiteral("text/plain"));

        KTFileItem missing;
        missing.initFileDataFromPathIsDirectory(dir + QStringLiteral("/gone"), true);
        QCOMPARE(missing.fileSize(), qint64(0));
        QVERIFY(!missing.fileUpdateAt().isValid());
        QVERIFY(!missing.fileCreateAt().isValid());
    }

private:
    KTTestFolder m_tmp;
};

QTEST_GUILESS_MAIN(TestFileItem)
#include "tst_fileitem.moc"
