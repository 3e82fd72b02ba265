#include "extraction/disk/KTLinkResolver.h"
#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/names/KTEncodings.h"
#include "support/KTArena.h"
#include "support/KTArenaPlace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <climits>
#include <cstdlib>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// Names to safe relative paths, and links judged against the kernel, each
// row in a KTArena.
namespace {

constexpr int Max = KTPathSanitizer::MaxComponentBytes;

// Makes a tree below the root: "d/" a folder, "f" a file holding "x",
// "l->target" a link. Entries that start with "../" lie beside the root;
// they are made first, and the snapshot is taken before anything goes below.
void plant(KTArena &arena, const KTArenaPlace &place, const QStringList &tree)
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
        const QString path = QDir::cleanPath(place.root + u'/' + rel);
        if (arrow >= 0) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QVERIFY2(::symlink(place.expand(entry.mid(arrow + 2).toUtf8()).constData(), QFile::encodeName(path).constData()) == 0,
                     qPrintable(entry));
        } else if (rel.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QVERIFY(kt_writeFile(path, "x"));
        }
    }
    if (!snapshotTaken)
        arena.snapshot();
}

QStringList chain(int length)
{
    QStringList tree{u"f"_s};
    for (int i = 0; i < length; ++i)
        tree.append(u"l%1->%2"_s.arg(i).arg(i + 1 < length ? u"l%1"_s.arg(i + 1) : u"f"_s));
    return tree;
}

} // namespace

class TestPathSafety : public QObject
{
    Q_OBJECT

private slots:
    void sanitize_data();
    void sanitize();
    void shortenComponent_data();
    void shortenComponent();
    void staysInside_data();
    void staysInside();
};

void TestPathSafety::sanitize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("backslashes");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QByteArray>("expected");
    auto keep = [](const char *row, const QString &name, bool backslashes, const QByteArray &expected) {
        QTest::newRow(row) << name << backslashes << false << expected;
    };
    auto refuse = [](const char *row, const QString &name, bool backslashes) {
        QTest::newRow(row) << name << backslashes << true << QByteArray();
    };

    keep("plain", u"a/b/c.txt"_s, false, "a/b/c.txt");
    // ".." anywhere refuses, whatever surrounds it.
    refuse("dotdot alone", u".."_s, false);
    refuse("dotdot leading", u"../x"_s, false);
    refuse("dotdot middle", u"a/../b"_s, false);
    refuse("dotdot after absolute", u"/../etc/passwd"_s, false);
    refuse("dotdot with backslashes", u"..\\x"_s, true);
    refuse("dotdot, mixed separators", u"a/..\\b"_s, true);
    refuse("dotdot after drive", u"C:\\..\\x"_s, true);
    // Where backslashes are not separators they are part of a name; names
    // that only look like "..".
    keep("backslash dotdot is a name", u"..\\x"_s, false, "..\\x");
    keep("three dots", u".../x"_s, false, ".../x");
    keep("dotdot prefix", u"..x/y.."_s, false, "..x/y..");
    keep("fullwidth dots", u"\uFF0E\uFF0E/x"_s, false, "\xEF\xBC\x8E\xEF\xBC\x8E/x");
    // Absolute names become relative; a drive prefix is dropped only where
    // backslashes separate.
    keep("absolute", u"/etc/passwd"_s, false, "etc/passwd");
    keep("unc with backslashes", u"\\\\server\\share\\x"_s, true, "server/share/x");
    keep("drive and backslash", u"C:\\x\\y"_s, true, "x/y");
    keep("drive alone", u"C:"_s, true, "");
    keep("only the first drive", u"C:C:\\x"_s, true, "C:/x");
    keep("drive later is a name", u"x\\C:\\y"_s, true, "x/C:/y");
    keep("drive kept without backslashes", u"C:\\x"_s, false, "C:\\x");
    // "." and empty components vanish; nothing left names the destination.
    keep("empty", QString(), false, "");
    keep("dot components", u"./a/./b/."_s, false, "a/b");
    keep("backslash dot", u".\\a\\.\\b"_s, true, "a/b");
    // NUL cannot be in a file name; it becomes "_" and never forms "..".
    keep("nul", u"a\0b"_s, false, "a_b");
    keep("nul after dotdot", u"..\0/x"_s, false, ".._/x");
    keep("multibyte", u"日本/語.txt"_s, false, "\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xAA\x9E.txt");
    // Every component is shortened on its own.
    keep("long middle component", u"a/"_s + QString(300, u'x') + u"/b"_s, false, "a/" + QByteArray("x").repeated(Max) + "/b");
    keep("long component keeps extension", QString(300, u'x') + u".txt"_s, false, QByteArray("x").repeated(Max - 4) + ".txt");
}

// The result is what the rules say, and it can be created below a folder
// without anything beside that folder changing.
void TestPathSafety::sanitize()
{
    QFETCH(QString, name);
    QFETCH(bool, backslashes);
    QFETCH(bool, refused);
    QFETCH(QByteArray, expected);
    const KTPathSanitizer::Result result = KTPathSanitizer::sanitize(name, backslashes, 4000);
    if (refused) {
        QVERIFY2(!result.path, result.path ? result.path->constData() : "");
        QVERIFY(!result.reason.isEmpty());
        return;
    }
    QVERIFY2(result.path, qPrintable(result.reason));
    QCOMPARE(*result.path, expected);
    QVERIFY(KTEncodings::isValidUtf8(*result.path));
    if (result.path->isEmpty())
        return;
    KTArena arena;
    arena.snapshot();
    const QByteArray root = QFile::encodeName(QFileInfo(arena.tmp()).canonicalFilePath());
    const QString file = QFile::decodeName(root + '/' + *result.path);
    QVERIFY(kt_writeFile(file, "x"));
    QVERIFY2(QFile::encodeName(QFileInfo(file).canonicalFilePath()).startsWith(root + '/'), qPrintable(file));
    arena.checkOutsideUntouched();
}

void TestPathSafety::shortenComponent_data()
{
    QTest::addColumn<QByteArray>("component");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray x = "x", e2 = "\xC3\xA9", e3 = "\xE6\x97\xA5", e4 = "\xF0\x9F\x98\x80";
    QTest::newRow("one over") << x.repeated(Max + 1) << x.repeated(Max);
    QTest::newRow("one over with extension") << x.repeated(Max - 3) + ".txt" << x.repeated(Max - 4) + ".txt";
    QTest::newRow("16-byte extension kept") << x.repeated(300) + "." + QByteArray("e").repeated(15)
                                            << x.repeated(Max - 16) + "." + QByteArray("e").repeated(15);
    QTest::newRow("17-byte extension cut") << x.repeated(300) + "." + QByteArray("e").repeated(16) << x.repeated(Max);
    QTest::newRow("leading dot is no extension") << "." + x.repeated(300) << "." + x.repeated(Max - 1);
    QTest::newRow("only the last extension") << x.repeated(300) + ".tar.gz" << x.repeated(Max - 3) + ".gz";
    // Cut before a character that would not fit whole.
    QTest::newRow("2-byte characters") << e2.repeated(200) << e2.repeated(Max / 2);
    QTest::newRow("4-byte with extension") << e4.repeated(100) + ".txt" << e4.repeated((Max - 4) / 4) + ".txt";
    QTest::newRow("ascii then 4-byte across the cut") << x.repeated(Max - 2) + e4.repeated(3) << x.repeated(Max - 2);
}

void TestPathSafety::shortenComponent()
{
    QFETCH(QByteArray, component);
    QFETCH(QByteArray, expected);
    const QByteArray shortened = KTPathSanitizer::shortenComponent(component);
    QCOMPARE(shortened, expected);
    QVERIFY(KTEncodings::isValidUtf8(shortened));
    // The file system takes the name as it is.
    KTArena arena;
    arena.snapshot();
    QVERIFY2(kt_writeFile(QFileInfo(arena.tmp()).canonicalFilePath() + u'/' + QFile::decodeName(shortened), "x"),
             shortened.constData());
    QCOMPARE(QDir(arena.tmp()).entryList(QDir::Files | QDir::Hidden), QStringList{QFile::decodeName(shortened)});
    arena.checkOutsideUntouched();
}

void TestPathSafety::staysInside_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("inside");
    // Where the kernel can follow the link, it lands where the resolver
    // says; false for the rows where the resolver is stricter on purpose.
    QTest::addColumn<bool>("asKernel");
    auto add = [](const char *row, const QStringList &tree, const QString &link, bool inside, bool asKernel = true) {
        QTest::newRow(row) << tree << link << inside << asKernel;
    };
    add("sibling file", {"f", "l->f"}, "l", true);
    add("deep, back to the top", {"a/b/", "f", "a/b/l->../../f"}, "a/b/l", true);
    // The root itself is inside.
    add("root from a folder", {"d/", "d/l->.."}, "d/l", true);
    add("root by a link", {"d/", "d/up->..", "a->d/up"}, "a", true);
    add("climbs out", {"l->../canary/file"}, "l", false);
    add("down, then out", {"d/", "l->d/../../canary"}, "l", false);
    // The root is renamed once extracted: its name leads elsewhere then.
    add("out and back in by name", {"f", "l->../@ROOTNAME@/f"}, "l", false, false);
    add("absolute, outside", {"l->@CANARY@"}, "l", false);
    add("absolute, inside", {"f", "l->@ROOT@/f"}, "l", false, false);
    add("chain inside", {"f", "a->b", "b->c", "c->f"}, "a", true);
    add("chain through absolute", {"f", "a->b", "b->@ROOT@/f"}, "a", false, false);
    add("chain through a folder's link", {"d/", "f", "d/l->../f", "a->d/l"}, "a", true);
    add("chain longer than the kernel follows", chain(50), "l0", false);
    // ".." after a link goes up from where the link leads, not from the link.
    add("up from a link's target, out", {"sub/deep/", "b->sub/deep", "a->b/../../.."}, "a", false);
    add("dot trick", {"b->.", "a->b/.."}, "a", false);
    add("nested trick", {"s/", "s/l->../s", "a->s/l/l/l/../../.."}, "a", false);
    add("through the parent, back by name", {"f", "up->..", "a->up/@ROOTNAME@/f"}, "a", false, false);
    add("self loop", {"l->l"}, "l", false);
    add("loop below itself", {"l->l/x"}, "l", false);
    // Missing components are judged as written.
    add("dangling, up, still inside", {"l->missing/../f"}, "l", true);
    add("dangling, then out", {"l->missing/../../x"}, "l", false);
    add("dangling below a link, out", {"d/", "a->d", "l->a/missing/../../../x"}, "l", false);
    // A link not below the root is never inside, even when its path starts
    // with the root's.
    add("beside the root, same prefix", {"f", "../tmp2/", "../tmp2/l->../tmp/f"}, "../tmp2/l", false, false);
}

void TestPathSafety::staysInside()
{
    QFETCH(QStringList, tree);
    QFETCH(QString, link);
    QFETCH(bool, inside);
    QFETCH(bool, asKernel);
    KTArena arena;
    const KTArenaPlace place(arena);
    plant(arena, place, tree);
    if (QTest::currentTestFailed())
        return;
    const QStringList before = place.listing();
    const QByteArray linkPath = QFile::encodeName(QDir::cleanPath(place.root + u'/' + link));
    QCOMPARE(KTLinkResolver::staysInside(place.encodedRoot, linkPath), inside);
    char resolved[PATH_MAX];
    if (asKernel && ::realpath(linkPath.constData(), resolved)) {
        const QByteArray target(resolved);
        QCOMPARE(target == place.encodedRoot || target.startsWith(place.encodedRoot + '/'), inside);
    }
    QCOMPARE(place.listing(), before);
    arena.checkOutsideUntouched();
}

QTEST_GUILESS_MAIN(TestPathSafety)
#include "tst_pathsafety.moc"
