#include "app/core/KTNotificationCenter.h"
#include "browser/tree/KTFileDataCollection.h"
#include "browser/tree/KTTreeBuilder.h"
#include "support/KTTestDirs.h"
#include "util/core/KTUtility.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

namespace {

bool isFolderLink(const QString &path)
{
    return QFileInfo(path).isSymLink() && KTUtility::kt_IsDirectoryAtPath(path);
}

// The lengths of the regular files below a folder, links not followed.
qint64 regularFilesBelow(const QString &path)
{
    qint64 total = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (!info.isSymLink() && info.isFile())
            total += info.size();
    }
    return total;
}

// The tree as the rules state it, one query per decision: each folder is
// kept by its recorded total, shows the files below it, and is walked again.
// Links to folders are leaves, as in the builder.
std::unique_ptr<KTTreeNode> literalTree(const QString &path)
{
    KTFileItem rootItem;
    if (isFolderLink(path)) {
        rootItem.initFileDataFromPathAndSize(path, KTUtility::kt_filesizeWithPath(path));
        return std::make_unique<KTTreeNode>(rootItem);
    }
    rootItem.initFileDataFromPathIsDirectory(path, true);
    auto root = std::make_unique<KTTreeNode>(rootItem);
    if (!KTUtility::kt_IsDirectoryAtPath(path)) {
        root->representedObject().setIsDirectory(false);
        return root;
    }
    root->representedObject().setFileSize(regularFilesBelow(path));
    for (const QString &name : KTUtility::kt_ContentsOfDirectory(path).value_or(QStringList())) {
        if (name == QLatin1String(".DS_Store"))
            continue;
        const QString child = path + QLatin1Char('/') + name;
        if (isFolderLink(child)) {
            KTFileItem item;
            item.initFileDataFromPathAndSize(child, KTUtility::kt_filesizeWithPath(child));
            item.setAttributes(child);
            root->appendChild(std::make_unique<KTTreeNode>(item));
        } else if (KTUtility::kt_IsDirectoryAtPath(child)) {
            if (KTUtility::kt_FolderSizeWithPath(child) < 1)
                continue;
            root->appendChild(literalTree(child));
        } else {
            KTFileItem item;
            item.initFileDataFromPathIsDirectory(child, false);
            if (item.fileSize() < 1)
                continue;
            root->appendChild(std::make_unique<KTTreeNode>(item));
        }
    }
    return root;
}

// One line per node: depth, name, size, folder flag, dates.
void describe(const KTTreeNode &node, int depth, QStringList &out, bool withDates = true)
{
    const KTFileItem &item = node.representedObject();
    QString line = QStringLiteral("%1%2 [%3] size=%4 dir=%5")
                       .arg(QString(depth * 2, QLatin1Char(' ')), QFileInfo(item.filePath()).fileName(),
                            item.fileName())
                       .arg(item.fileSize())
                       .arg(item.isDirectory());
    if (withDates)
        line += QStringLiteral(" m=%1").arg(item.fileUpdateAt().toMSecsSinceEpoch());
    out << line;
    for (const auto &child : node.childNodes()) {
        if (child->parentNode() != &node)
            out << QStringLiteral("bad parent link");
        describe(*child, depth + 1, out, withDates);
    }
}

QStringList describe(const KTTreeNode &root, bool withDates = true)
{
    QStringList out;
    describe(root, 0, out, withDates);
    return out;
}

// A random folder holding every kind of entry the rules tell apart.
void generate(const QString &dir, QRandomGenerator &random, int depth)
{
    const int count = int(random.bounded(2, 9));
    for (int i = 0; i < count; ++i) {
        const QString base = dir + QStringLiteral("/e%1").arg(i);
        switch (random.bounded(10)) {
        case 0:
            kt_writeFile(base, {});
            break;
        case 1:
            kt_writeFile(dir + QStringLiteral("/.DS_Store"), random.bounded(2) ? QByteArray("meta") : QByteArray());
            break;
        case 2:
            QDir().mkdir(base);
            break;
        case 3:
            if (QDir().mkdir(base))
                kt_writeFile(base + QStringLiteral("/empty"), {});
            break;
        case 4:
            QFile::link(random.bounded(2) ? QStringLiteral("..") : QStringLiteral("e0"), base + QStringLiteral(".lnk"));
            break;
        case 5:
            QFile::link(QStringLiteral("nowhere"), base + QStringLiteral(".dangling"));
            break;
        case 6:
            if (depth < 4 && QDir().mkdir(base))
                generate(base, random, depth + 1);
            break;
        default:
            kt_writeFile(base + QStringLiteral(".txt"), QByteArray(int(random.bounded(1, 3000)), 'x'));
            break;
        }
    }
}

struct ProgressLog {
    QList<float> values;
    QObject receiver;
    ProgressLog()
    {
        KTNotificationCenter::defaultCenter().addObserver(&receiver, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                         [this](const QVariant &v) { values << v.toFloat(); });
    }
};

// Reads fileData on a worker thread, as the extraction screen does.
std::shared_ptr<KTFileItem> readOnWorker(KTFileDataCollection &collection)
{
    std::shared_ptr<KTFileItem> data;
    std::thread worker([&] { data = collection.fileData(); });
    worker.join();
    return data;
}

} // namespace

// The extracted tree: one item's record, and the one walk that builds the
// tree the result screen shows.
class TestFileTree : public QObject
{
    Q_OBJECT

private slots:
    // Progress posted by an earlier test must not reach a later test's log.
    void init() { QCoreApplication::sendPostedEvents(); }

    void nameWithoutExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("two extensions") << "/t/archive.tar.gz" << "archive.tar";
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

    // One item's record: a folder's size is its total whatever the flag
    // says, which is kept as given; the dates are the path's own, a link's
    // and not its target's; a missing path is empty and undated.
    void itemRecord()
    {
        const QString dir = m_tmp.freshFolder();
        const QString file = dir + QStringLiteral("/data.bin");
        QVERIFY(kt_writeFile(file, QByteArray(1000, 'x')));
        const timespec times[2] = {{1000000000, 0}, {1234567890, 500000000}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
        QVERIFY(kt_writeFile(dir + QStringLiteral("/sub/target.txt"), "text"));
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(dir + QStringLiteral("/sub/target.txt")).constData(), times, 0), 0);
        QVERIFY(QFile::link(QStringLiteral("target.txt"), dir + QStringLiteral("/sub/link.txt")));

        KTFileItem folder;
        folder.initFileDataFromPathIsDirectory(dir, false);
        QVERIFY(!folder.isDirectory());
        QCOMPARE(folder.fileSize(), KTUtility::kt_FolderSizeWithPath(dir));
        QCOMPARE(folder.fileImageType(), QStringLiteral("inode/directory"));
        QVERIFY(KTFileItem().initFileDataFromPathIsDirectory(dir, true).isDirectory());

        KTFileItem leaf;
        leaf.initFileDataFromPathIsDirectory(file, false);
        QCOMPARE(leaf.fileSize(), qint64(1000));
        QCOMPARE(leaf.fileName(), QStringLiteral("data"));
        QCOMPARE(leaf.fileUpdateAt(), QDateTime::fromMSecsSinceEpoch(1234567890500LL, Qt::UTC));
        QCOMPARE(leaf.fileImageType(), QStringLiteral("application/octet-stream"));

        KTFileItem link;
        link.initFileDataFromPathIsDirectory(dir + QStringLiteral("/sub/link.txt"), false);
        QCOMPARE(link.fileSize(), qint64(4));
        QVERIFY(link.fileUpdateAt() > QDateTime::fromSecsSinceEpoch(1234567891, Qt::UTC));
        QCOMPARE(link.fileImageType(), QStringLiteral("text/plain"));

        KTFileItem missing;
        missing.initFileDataFromPathIsDirectory(dir + QStringLiteral("/gone"), true);
        QCOMPARE(missing.fileSize(), qint64(0));
        QVERIFY(!missing.fileUpdateAt().isValid() && !missing.fileCreateAt().isValid());
    }

    // What is kept and what is left out, in the listing order: .DS_Store
    // (that exact name), empty files and folders holding no bytes go; a
    // folder of only a .DS_Store or an empty sub-folder stays, empty.
    void keepAndSkipRules()
    {
        const QString root = m_tmp.freshFolder();
        QDir dir(root);
        for (const char *name : {"/.DS_Store", "/._photo", "/.gitignore", "/.ds_store", "/onlyMeta/.DS_Store",
                                 "/nested/deeper/file.txt"})
            QVERIFY(kt_writeFile(root + QLatin1String(name), "content"));
        QVERIFY(kt_writeFile(root + QStringLiteral("/zero"), {}));
        QVERIFY(kt_writeFile(root + QStringLiteral("/onlyEmptyFiles/a"), {}));
        QVERIFY(dir.mkpath(QStringLiteral("emptyFolder")));
        QVERIFY(dir.mkpath(QStringLiteral("onlyEmptySubfolder/inner")));

        const auto tree = KTFileDataCollection::generateTreeFromPath(root);
        QStringList expected = KTUtility::kt_ContentsOfDirectory(root).value_or(QStringList());
        for (const char *name : {".DS_Store", "zero", "emptyFolder", "onlyEmptyFiles"})
            expected.removeOne(QLatin1String(name));
        QStringList kept;
        for (const auto &child : tree->childNodes()) {
            const KTFileItem &item = child->representedObject();
            const QString name = QFileInfo(item.filePath()).fileName();
            kept << name;
            QCOMPARE(item.isDirectory(), name == "onlyMeta" || name == "onlyEmptySubfolder" || name == "nested");
            if (name == "onlyMeta" || name == "onlyEmptySubfolder")
                QCOMPARE(child->childCount(), 0);
        }
        QCOMPARE(kept, expected);
        QCOMPARE(kept.size(), 6);
    }

    // The one-walk builder gives the same tree, sizes and dates as the rules
    // applied literally, query by query: among them, a folder shows the
    // bytes of the files below it, while its sub-folders' directory records
    // decide whether it is kept.
    void sameAsLiteralWalk_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u, 5u, 8u, 13u, 21u, 34u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void sameAsLiteralWalk()
    {
        QFETCH(quint32, seed);
        const QString root = m_tmp.freshFolder();
        QRandomGenerator random(seed);
        generate(root, random, 0);
        QVERIFY(kt_writeFile(root + QStringLiteral("/always/there/x"), "x"));

        const KTTreeBuilder::Result built = KTTreeBuilder().build(root);
        QCOMPARE(built.size, KTUtility::kt_FolderSizeWithPath(root));
        QCOMPARE(describe(*built.root), describe(*literalTree(root)));
    }

    // First read, on a worker as the extraction screen does: one progress
    // series rising from 1.0 to the ceiling 1.18 and ending at exactly 1.2.
    // Second read: the same record, no walk, no series. startOver forgets it
    // all, touching nothing on disk; a tree still held stays valid.
    void fileDataIsBuiltOnce()
    {
        const QString root = m_tmp.freshFolder();
        for (int i = 0; i < 1200; ++i)
            QVERIFY(kt_writeFile(root + QStringLiteral("/f%1").arg(i), "x"));
        KTFileDataCollection &collection = KTFileDataCollection::shareInstance();
        collection.setFileArray({QStringLiteral("/archives/a.zip")});
        collection.setDesPath(root);
        QVERIFY(!collection.tmpFileData());

        ProgressLog log;
        const auto first = readOnWorker(collection);
        QTRY_VERIFY(!log.values.isEmpty() && log.values.last() == 1.2f);
        QCOMPARE(first->fileSize(), qint64(1200));
        QCOMPARE(collection.tmpFileData(), first);
        QCOMPARE(collection.treeNode()->childCount(), 1200);
        // Rising to the ceiling; a step just below it may overshoot by one
        // step, and the next one sets it back.
        const qsizetype atCeiling = log.values.indexOf(1.18f);
        QVERIFY(atCeiling > 0);
        QVERIFY(log.values.first() > 1.0f);
        for (qsizetype i = 1; i < atCeiling; ++i)
            QVERIFY(log.values[i] > log.values[i - 1]);
        for (qsizetype i = 0; i + 1 < log.values.size(); ++i)
            QVERIFY(log.values[i] <= float(1.18 + 0.0002));

        QVERIFY(kt_writeFile(root + QStringLiteral("/late"), "not seen until a reset"));
        const qsizetype posted = log.values.size();
        QCOMPARE(readOnWorker(collection), first);
        QCoreApplication::processEvents();
        QCOMPARE(log.values.size(), posted);
        QCOMPARE(collection.treeNode()->childCount(), 1200);

        const auto before = kt_snapshot(root);
        const auto held = collection.treeNode();
        collection.startOver();
        QVERIFY(!collection.treeNode() && !collection.tmpFileData());
        QVERIFY(collection.fileArray().isEmpty() && collection.desPath().isEmpty());
        QCOMPARE(kt_snapshot(root), before);
        QCOMPARE(held->childAt(0)->representedObject().fileSize(), qint64(1));
    }

    // Links are leaves (a cycle ends, a link out of the result is not
    // walked into) and a FIFO is left out without blocking the walk.
    void linksAndFifos()
    {
        const QString root = m_tmp.freshFolder();
        QVERIFY(kt_writeFile(root + QStringLiteral("/a/file"), "x"));
        QVERIFY(QFile::link(QStringLiteral(".."), root + QStringLiteral("/a/up")));
        QVERIFY(QFile::link(QStringLiteral("self"), root + QStringLiteral("/a/self")));
        QVERIFY(QFile::link(QStringLiteral("/usr"), root + QStringLiteral("/a/outside")));
        QCOMPARE(::mkfifo(QFile::encodeName(root + QStringLiteral("/a/pipe")).constData(), 0600), 0);
        const auto tree = KTFileDataCollection::generateTreeFromPath(root);
        // root, a, file, up, outside: the self-loop has no length to follow.
        QCOMPARE(describe(*tree, false).size(), 5);
        for (const auto &child : tree->childAt(0)->childNodes())
            QCOMPARE(child->childCount(), 0);
    }

    // Depth is not bounded by open files: at most one folder is open at once.
    void deepFolderWithFewFileDescriptors()
    {
        QString path = m_tmp.freshFolder();
        const QString root = path;
        for (int i = 0; i < 400; ++i)
            path += QStringLiteral("/d");
        QVERIFY(kt_writeFile(path + QStringLiteral("/leaf"), "bottom"));

        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit low = saved;
        low.rlim_cur = 64;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
        const auto tree = KTFileDataCollection::generateTreeFromPath(root);
        ::setrlimit(RLIMIT_NOFILE, &saved);

        const KTTreeNode *node = tree.get();
        int depth = 0;
        for (; node->childCount() == 1 && node->representedObject().isDirectory(); ++depth)
            node = node->childAt(0);
        QCOMPARE(depth, 401);
        QCOMPARE(node->representedObject().fileName(), QStringLiteral("leaf"));
    }

private:
    KTTestFolder m_tmp;
};

QTEST_GUILESS_MAIN(TestFileTree)
#include "tst_filetree.moc"
