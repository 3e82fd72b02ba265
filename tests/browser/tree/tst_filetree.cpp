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

class TestFileTree : public QObject
{
    Q_OBJECT

private slots:
    // Progress posted by an earlier test must not reach a later test's log.
    void init() { QCoreApplication::sendPostedEvents(); }

    // The keep/skip rules, with the listing order kept.
    void keepAndSkipRules()
    {
        const QString root = m_tmp.freshFolder();
        QDir dir(root);
        QVERIFY(kt_writeFile(root + QStringLiteral("/.DS_Store"), "meta"));
        QVERIFY(kt_writeFile(root + QStringLiteral("/._photo"), "resource"));
        QVERIFY(kt_writeFile(root + QStringLiteral("/.gitignore"), "*.o"));
        QVERIFY(kt_writeFile(root + QStringLiteral("/.ds_store"), "other case"));
        QVERIFY(kt_writeFile(root + QStringLiteral("/zero"), {}));
        QVERIFY(dir.mkpath(QStringLiteral("emptyFolder")));
        QVERIFY(dir.mkpath(QStringLiteral("onlyEmptyFiles")));
        QVERIFY(kt_writeFile(root + QStringLiteral("/onlyEmptyFiles/a"), {}));
        QVERIFY(dir.mkpath(QStringLiteral("onlyMeta")));
        QVERIFY(kt_writeFile(root + QStringLiteral("/onlyMeta/.DS_Store"), "meta"));
        QVERIFY(dir.mkpath(QStringLiteral("onlyEmptySubfolder/inner")));
        QVERIFY(dir.mkpath(QStringLiteral("nested/deeper")));
        QVERIFY(kt_writeFile(root + QStringLiteral("/nested/deeper/file.txt"), "content"));

        const auto tree = KTFileDataCollection::generateTreeFromPath(root);
        QStringList kept;
        QStringList expected;
        const QStringList listed = KTUtility::kt_ContentsOfDirectory(root).value_or(QStringList());
        for (const QString &name : listed) {
            if (QStringList{".DS_Store", "zero", "emptyFolder", "onlyEmptyFiles"}.contains(name))
                continue;
            expected << name;
        }
        for (const auto &child : tree->childNodes())
            kept << QFileInfo(child->representedObject().filePath()).fileName();
        QCOMPARE(kept, expected);
        QCOMPARE(kept.size(), 6);

        QVERIFY(tree->representedObject().isDirectory());
        for (const auto &child : tree->childNodes()) {
            const KTFileItem &item = child->representedObject();
            const QString name = QFileInfo(item.filePath()).fileName();
            const bool folder = name == "onlyMeta" || name == "onlyEmptySubfolder" || name == "nested";
            QCOMPARE(item.isDirectory(), folder);
            if (name == "onlyMeta" || name == "onlyEmptySubfolder")
                QCOMPARE(child->childCount(), 0);
        }
    }

    // The one-walk builder gives the same tree, sizes and dates as the rules
    // applied literally, query by query.
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
        QVERIFY(QDir(root).mkpath(QStringLiteral("always/there")));
        QVERIFY(kt_writeFile(root + QStringLiteral("/always/there/x"), "x"));

        const KTTreeBuilder::Result built = KTTreeBuilder().build(root);
        QCOMPARE(built.size, KTUtility::kt_FolderSizeWithPath(root));
        QCOMPARE(describe(*built.root), describe(*literalTree(root)));
    }

    // A folder shows the bytes of the files below it, not the directory
    // records of its sub-folders; those still decide what is kept.
    void folderShowsItsFilesOnly()
    {
        const QString root = m_tmp.freshFolder();
        QVERIFY(QDir(root).mkpath(QStringLiteral("a/b/c")));
        QVERIFY(QDir(root).mkpath(QStringLiteral("records/only")));
        QVERIFY(kt_writeFile(root + QStringLiteral("/a/b/c/forty"), QByteArray(40, 'x')));
        QVERIFY(kt_writeFile(root + QStringLiteral("/a/two"), "ab"));
        QVERIFY(QFile::link(QStringLiteral("two"), root + QStringLiteral("/a/link")));

        const KTTreeBuilder::Result built = KTTreeBuilder().build(root);
        QCOMPARE(built.size, KTUtility::kt_FolderSizeWithPath(root));
        QVERIFY(built.size > 42);
        auto child = [](const KTTreeNode &node, const QString &name) -> const KTTreeNode & {
            for (const auto &c : node.childNodes())
                if (QFileInfo(c->representedObject().filePath()).fileName() == name)
                    return *c;
            return node;
        };
        const KTTreeNode &a = child(*built.root, QStringLiteral("a"));
        QCOMPARE(a.representedObject().fileSize(), qint64(42));
        QCOMPARE(child(a, QStringLiteral("b")).representedObject().fileSize(), qint64(40));
        QCOMPARE(built.root->representedObject().fileSize(), qint64(42));
        // Kept for its directory records, as before, though it holds no file.
        QCOMPARE(built.root->childCount(), 2);
        const KTTreeNode &records = child(*built.root, QStringLiteral("records"));
        QVERIFY(records.representedObject().isDirectory());
        QCOMPARE(records.representedObject().fileSize(), qint64(0));
    }

    // A single file: a leaf root whose record is not a folder.
    void singleFileResult()
    {
        const QString file = m_tmp.freshFolder() + QStringLiteral("/report.pdf");
        QVERIFY(kt_writeFile(file, "%PDF"));
        KTFileDataCollection collection;
        collection.setDesPath(file);
        const auto data = collection.fileData();
        QCOMPARE(data->fileSize(), qint64(4));
        QCOMPARE(data->fileName(), QStringLiteral("report"));
        const auto root = collection.treeNode();
        QVERIFY(root);
        QCOMPARE(root->childCount(), 0);
        QVERIFY(!root->representedObject().isDirectory());
        QCOMPARE(root->representedObject().filePath(), file);
    }

    // First read: one progress series, rising from 1.0 to the ceiling 1.18 and
    // ending at exactly 1.2. Second read: the same record, no walk, no series.
    void fileDataIsBuiltOnce()
    {
        const QString root = m_tmp.freshFolder();
        for (int i = 0; i < 1200; ++i)
            QVERIFY(kt_writeFile(root + QStringLiteral("/f%1").arg(i), "x"));
        KTFileDataCollection collection;
        collection.setFileArray({QStringLiteral("/archives/a.zip")});
        collection.setDesPath(root);
        QVERIFY(!collection.tmpFileData());

        ProgressLog log;
        const auto first = readOnWorker(collection);
        QTRY_VERIFY(!log.values.isEmpty() && log.values.last() == 1.2f);
        QCOMPARE(first->fileSize(), qint64(1200));
        QVERIFY(!first->isDirectory());
        QCOMPARE(collection.tmpFileData(), first);
        QCOMPARE(collection.treeNode()->childCount(), 1200);
        // Rising to the ceiling; a step just below it may overshoot by one
        // step, and the next one sets it back.
        const qsizetype atCeiling = log.values.indexOf(1.18f);
        QVERIFY(atCeiling > 0);
        for (qsizetype i = 1; i < atCeiling; ++i)
            QVERIFY(log.values[i] > log.values[i - 1]);
        QVERIFY(log.values.first() > 1.0f);
        for (qsizetype i = 0; i + 1 < log.values.size(); ++i)
            QVERIFY(log.values[i] <= float(1.18 + 0.0002));

        QVERIFY(kt_writeFile(root + QStringLiteral("/late"), "not seen until a reset"));
        const qsizetype posted = log.values.size();
        const auto second = readOnWorker(collection);
        QCoreApplication::processEvents();
        QCOMPARE(second, first);
        QCOMPARE(log.values.size(), posted);
        QCOMPARE(collection.treeNode()->childCount(), 1200);
    }

    // startOver forgets everything and touches nothing on disk; a tree still
    // held by a reader stays valid.
    void startOver()
    {
        const QString root = m_tmp.freshFolder();
        QVERIFY(QDir(root).mkpath(QStringLiteral("a/b")));
        QVERIFY(kt_writeFile(root + QStringLiteral("/a/b/c"), "data"));
        const auto before = kt_snapshot(root);
        KTFileDataCollection &collection = KTFileDataCollection::shareInstance();
        QCOMPARE(&collection, &KTFileDataCollection::shareInstance());
        collection.setFileArray({QStringLiteral("/archives/a.zip")});
        collection.setDesPath(root);
        collection.fileData();
        const auto held = collection.treeNode();

        collection.startOver();
        QVERIFY(!collection.treeNode());
        QVERIFY(!collection.tmpFileData());
        QVERIFY(collection.fileArray().isEmpty());
        QVERIFY(collection.desPath().isEmpty());
        QCOMPARE(kt_snapshot(root), before);
        QCOMPARE(held->childAt(0)->childAt(0)->childAt(0)->representedObject().fileSize(), qint64(4));
    }

    // Links are leaves: a cycle ends, and a link out of the result is not
    // walked into.
    void linksAreNotWalked()
    {
        const QString root = m_tmp.freshFolder();
        QVERIFY(QDir(root).mkpath(QStringLiteral("a")));
        QVERIFY(kt_writeFile(root + QStringLiteral("/a/file"), "x"));
        QVERIFY(QFile::link(QStringLiteral(".."), root + QStringLiteral("/a/up")));
        QVERIFY(QFile::link(QStringLiteral("self"), root + QStringLiteral("/a/self")));
        QVERIFY(QFile::link(QStringLiteral("/usr"), root + QStringLiteral("/a/outside")));
        const auto tree = KTFileDataCollection::generateTreeFromPath(root);
        const QStringList lines = describe(*tree, false);
        QCOMPARE(lines.size(), 5); // root, a, file, up, outside (the self-loop has no length to follow)
        for (const auto &child : tree->childAt(0)->childNodes())
            QCOMPARE(child->childCount(), 0);
    }

    // A FIFO in the result is left out, without blocking the walk.
    void fifoDoesNotHang()
    {
        const QString root = m_tmp.freshFolder();
        QCOMPARE(::mkfifo(QFile::encodeName(root + QStringLiteral("/pipe")).constData(), 0600), 0);
        QVERIFY(kt_writeFile(root + QStringLiteral("/file"), "x"));
        const auto tree = KTFileDataCollection::generateTreeFromPath(root);
        QCOMPARE(tree->childCount(), 1);
    }

    // Depth is not bounded by open files: at most one folder is open at once.
    void deepFolderWithFewFileDescriptors()
    {
        QString path = m_tmp.freshFolder();
        const QString root = path;
        for (int i = 0; i < 400; ++i)
            path += QStringLiteral("/d");
        QVERIFY(QDir().mkpath(path));
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
        while (node->childCount() == 1 && node->representedObject().isDirectory()) {
            node = node->childAt(0);
            ++depth;
        }
        QCOMPARE(depth, 401);
        QCOMPARE(node->representedObject().fileName(), QStringLiteral("leaf"));
    }

private:
    KTTestFolder m_tmp;
};

QTEST_GUILESS_MAIN(TestFileTree)
#include "tst_filetree.moc"
