#include "extraction/disk/KTLinkResolver.h"
#include "support/KTArena.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <climits>
#include <cstdlib>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Marks in link targets: the canary folder and the root by absolute path,
// and the root's own name, which a link may climb out and come back in by.
const QByteArray CanaryMark = "@CANARY@";
const QByteArray RootMark = "@ROOT@";
const QByteArray RootNameMark = "@ROOTNAME@";

// Makes a tree below root: "d/" a folder, "f" a file, "l->target" a link.
// Entries that start with "../" lie beside root; they are made first, and
// the arena's snapshot is taken before anything goes below root.
void plant(KTArena &arena, const QString &root, const QStringList &tree)
{
    QStringList ordered;
    for (const QString &entry : tree)
        entry.startsWith(u"../"_s) ? ordered.prepend(entry) : ordered.append(entry);
    bool snapshotTaken = false;
    for (const QString &entry : std::as_const(ordered)) {
        if (!snapshotTaken && !entry.startsWith(u"../"_s)) {
            arena.snapshot();
            snapshotTaken = true;
        }
        const qsizetype arrow = entry.indexOf(u"->"_s);
        const QString rel = arrow < 0 ? entry : entry.left(arrow);
        const QString path = QDir::cleanPath(root + u'/' + rel);
        if (arrow >= 0) {
            QByteArray target = entry.mid(arrow + 2).toUtf8();
            target.replace(CanaryMark, QFile::encodeName(arena.canary()));
            target.replace(RootMark, QFile::encodeName(root));
            target.replace(RootNameMark, QFile::encodeName(QFileInfo(root).fileName()));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY2(::symlink(target.constData(), QFile::encodeName(path).constData()) == 0, qPrintable(entry));
        } else if (rel.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QVERIFY(kt_writeFile(path, "x"));
        }
    }
    if (!snapshotTaken)
        arena.snapshot();
}

// The tree below root in plant()'s notation, sorted.
QStringList listing(const QString &root)
{
    QStringList result;
    const QMap<QString, QByteArray> tree = kt_snapshot(root, false);
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        if (it.value() == "d")
            result.append(it.key() + u'/');
        else if (it.value().startsWith("l:"))
            result.append(it.key() + u"->"_s + QString::fromUtf8(it.value().mid(2)));
        else
            result.append(it.key());
    }
    result.sort();
    return result;
}

QStringList chain(int length)
{
    QStringList tree{u"f"_s};
    for (int i = 0; i < length; ++i)
        tree.append(u"l%1->%2"_s.arg(i).arg(i + 1 < length ? u"l%1"_s.arg(i + 1) : u"f"_s));
    return tree;
}

} // namespace

class TestLinkResolver : public QObject
{
    Q_OBJECT

private slots:
    void staysInside_data();
    void staysInside();
    void removeEachOutside_data();
    void removeEachOutside();
};

void TestLinkResolver::staysInside_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("inside");
    // Where the kernel can follow the link, it lands where the resolver
    // says; false for the rows where the resolver is stricter on purpose.
    QTest::addColumn<bool>("asKernel");

    QTest::newRow("sibling file") << QStringList{"f", "l->f"} << "l" << true << true;
    QTest::newRow("dot slash") << QStringList{"f", "l->./f"} << "l" << true << true;
    QTest::newRow("down and up") << QStringList{"d/", "f", "l->d/../f"} << "l" << true << true;
    QTest::newRow("empty components") << QStringList{"d/", "f", "l->d//..//f"} << "l" << true << true;
    QTest::newRow("trailing slash") << QStringList{"d/", "l->d/"} << "l" << true << true;
    QTest::newRow("deep, back to the top") << QStringList{"a/b/", "f", "a/b/l->../../f"} << "a/b/l" << true << true;

    // The root itself is inside.
    QTest::newRow("root by dot") << QStringList{"l->."} << "l" << true << true;
    QTest::newRow("root from a folder") << QStringList{"d/", "d/l->.."} << "d/l" << true << true;
    QTest::newRow("root by a link") << QStringList{"d/", "d/up->..", "a->d/up"} << "a" << true << true;

    QTest::newRow("climbs out") << QStringList{"l->../canary/file"} << "l" << false << true;
    QTest::newRow("climbs out from deep") << QStringList{"a/b/", "a/b/l->../../../canary"} << "a/b/l" << false << true;
    QTest::newRow("down, then out") << QStringList{"d/", "l->d/../../canary"} << "l" << false << true;
    // The root is renamed once extracted: its name leads elsewhere then.
    QTest::newRow("out and back in by name") << QStringList{"f", "l->../@ROOTNAME@/f"} << "l" << false << false;
    QTest::newRow("absolute, outside") << QStringList{"l->@CANARY@"} << "l" << false << true;
    QTest::newRow("absolute, inside") << QStringList{"f", "l->@ROOT@/f"} << "l" << false << false;
    QTest::newRow("absolute root") << QStringList{"l->/"} << "l" << false << true;

    QTest::newRow("chain inside") << QStringList{"f", "a->b", "b->c", "c->f"} << "a" << true << true;
    QTest::newRow("chain out") << QStringList{"a->b", "b->../canary"} << "a" << false << true;
    QTest::newRow("chain through absolute") << QStringList{"f", "a->b", "b->@ROOT@/f"} << "a" << false << false;
    QTest::newRow("chain through a folder's link") << QStringList{"d/", "f", "d/l->../f", "a->d/l"} << "a" << true << true;
    QTest::newRow("long chain") << chain(30) << "l0" << true << true;
    QTest::newRow("chain longer than the kernel follows") << chain(50) << "l0" << false << true;

    // ".." after a link goes up from where the link leads, not from the link.
    QTest::newRow("up from a link's target") << QStringList{"sub/deep/", "b->sub/deep", "a->b/../.."} << "a" << true << true;
    QTest::newRow("up from a link's target, out") << QStringList{"sub/deep/", "b->sub/deep", "a->b/../../.."} << "a"
                                                  << false << true;
    QTest::newRow("dot trick") << QStringList{"b->.", "a->b/.."} << "a" << false << true;
    QTest::newRow("nested trick") << QStringList{"s/", "s/l->../s", "a->s/l/l/l/../../.."} << "a" << false << true;
    QTest::newRow("through the parent, back by name") << QStringList{"f", "up->..", "a->up/@ROOTNAME@/f"} << "a"
                                                      << false << false;

    QTest::newRow("self loop") << QStringList{"l->l"} << "l" << false << true;
    QTest::newRow("two-link loop") << QStringList{"a->b", "b->a"} << "a" << false << true;
    QTest::newRow("loop through a folder") << QStringList{"d/", "d/l->../d/l"} << "d/l" << false << true;
    QTest::newRow("loop below itself") << QStringList{"l->l/x"} << "l" << false << true;

    // Missing components are judged as written.
    QTest::newRow("dangling") << QStringList{"l->missing"} << "l" << true << true;
    QTest::newRow("dangling deep") << QStringList{"l->missing/x/y"} << "l" << true << true;
    QTest::newRow("dangling, up, still inside") << QStringList{"l->missing/../f"} << "l" << true << true;
    QTest::newRow("dangling, then out") << QStringList{"l->missing/../../x"} << "l" << false << true;
    QTest::newRow("dangling below a link") << QStringList{"d/", "a->d", "l->a/missing"} << "l" << true << true;
    QTest::newRow("dangling below a folder, out") << QStringList{"d/", "l->d/missing/../../../x"} << "l" << false << true;
    QTest::newRow("dangling below a link, out") << QStringList{"d/", "a->d", "l->a/missing/../../../x"} << "l" << false
                                                << true;

    // A link that is not below the root is never inside, even when its path
    // starts with the root's.
    QTest::newRow("beside the root, same prefix") << QStringList{"f", "../tmp2/", "../tmp2/l->../tmp/f"} << "../tmp2/l"
                                                  << false << false;
}

void TestLinkResolver::staysInside()
{
    QFETCH(QStringList, tree);
    QFETCH(QString, link);
    QFETCH(bool, inside);
    QFETCH(bool, asKernel);

    KTArena arena;
    QVERIFY(arena.isValid());
    const QString root = QFileInfo(arena.tmp()).canonicalFilePath();
    plant(arena, root, tree);
    if (QTest::currentTestFailed())
        return;
    const QStringList before = listing(root);

    const QByteArray linkPath = QFile::encodeName(QDir::cleanPath(root + u'/' + link));
    const QByteArray encodedRoot = QFile::encodeName(root);
    QCOMPARE(KTLinkResolver::staysInside(encodedRoot, linkPath), inside);

    char resolved[PATH_MAX];
    if (asKernel && ::realpath(linkPath.constData(), resolved)) {
        const QByteArray target(resolved);
        QCOMPARE(target == encodedRoot || target.startsWith(encodedRoot + '/'), inside);
    }
    QCOMPARE(listing(root), before);
    arena.checkOutsideUntouched();
}

void TestLinkResolver::removeEachOutside_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("none") << QStringList{} << QStringList{} << QStringList{} << QStringList{};
    QTest::newRow("all inside") << QStringList{"f", "d/", "a->f", "d/b->../f", "c->."} << QStringList{"a", "d/b", "c"}
                                << QStringList{} << QStringList{"a->f", "c->.", "d/", "d/b->../f", "f"};
    QTest::newRow("one outside, the others stay") << QStringList{"f", "a->f", "out->../canary", "c->."}
                                                  << QStringList{"a", "out", "c"} << QStringList{"out"}
                                                  << QStringList{"a->f", "c->.", "f"};
    QTest::newRow("each outside, in order") << QStringList{"x->../canary", "y->/"} << QStringList{"y", "x"}
                                            << QStringList{"y", "x"} << QStringList{};
    QTest::newRow("outside through another link") << QStringList{"d/", "d/up->..", "a->d/up/.."}
                                                  << QStringList{"d/up", "a"} << QStringList{"a"}
                                                  << QStringList{"d/", "d/up->.."};
    QTest::newRow("dot trick") << QStringList{"b->.", "a->b/.."} << QStringList{"b", "a"} << QStringList{"a"}
                               << QStringList{"b->."};
    // Once a is gone, b dangles inside.
    QTest::newRow("loop") << QStringList{"f", "in->f", "a->b", "b->a"} << QStringList{"in", "a", "b"} << QStringList{"a"}
                          << QStringList{"b->a", "f", "in->f"};
    // Removing a link to a folder leaves the folder's files.
    QTest::newRow("link to a folder") << QStringList{"d/", "d/f", "l->d", "out->.."} << QStringList{"l", "out"}
                                      << QStringList{"out"} << QStringList{"d/", "d/f", "l->d"};
    QTest::newRow("only the links given") << QStringList{"f", "kept->f", "a->../canary"} << QStringList{"a"}
                                          << QStringList{"a"} << QStringList{"f", "kept->f"};
}

void TestLinkResolver::removeEachOutside()
{
    QFETCH(QStringList, tree);
    QFETCH(QStringList, links);
    QFETCH(QStringList, removed);
    QFETCH(QStringList, left);

    KTArena arena;
    QVERIFY(arena.isValid());
    const QString root = QFileInfo(arena.tmp()).canonicalFilePath();
    plant(arena, root, tree);
    if (QTest::currentTestFailed())
        return;

    std::vector<QByteArray> given;
    std::vector<QByteArray> kept;
    for (const QString &link : links) {
        given.push_back(link.toUtf8());
        if (!removed.contains(link))
            kept.push_back(link.toUtf8());
    }
    QStringList result;
    for (const QByteArray &rel : KTLinkResolver::removeEachOutside(QFile::encodeName(root), given))
        result.append(QString::fromUtf8(rel));
    QCOMPARE(result, removed);
    QCOMPARE(given, kept);
    QCOMPARE(listing(root), left);
    arena.checkOutsideUntouched();
}

QTEST_GUILESS_MAIN(TestLinkResolver)
#include "tst_linkresolver.moc"
