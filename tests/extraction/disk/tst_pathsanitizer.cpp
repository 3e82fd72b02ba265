#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/names/KTEncodings.h"
#include "support/KTArena.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Max = KTPathSanitizer::MaxComponentBytes;
constexpr int RoomyPath = 4000;

QByteArray times(const QByteArray &piece, int n)
{
    return piece.repeated(n);
}

} // namespace

class TestPathSanitizer : public QObject
{
    Q_OBJECT

private slots:
    void sanitize_data();
    void sanitize();
    void pathLength_data();
    void pathLength();
    void shortenComponent_data();
    void shortenComponent();
};

void TestPathSanitizer::sanitize_data()
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
    keep("single", u"file"_s, false, "file");

    // ".." anywhere refuses, whatever surrounds it.
    refuse("dotdot alone", u".."_s, false);
    refuse("dotdot leading", u"../x"_s, false);
    refuse("dotdot middle", u"a/../b"_s, false);
    refuse("dotdot trailing", u"a/b/.."_s, false);
    refuse("dotdot after climbing back", u"a/../.."_s, false);
    refuse("dotdot after dot", u"./../x"_s, false);
    refuse("dotdot after absolute", u"/../etc/passwd"_s, false);
    refuse("dotdot between slashes", u"a//..//b"_s, false);
    refuse("dotdot with backslashes", u"..\\x"_s, true);
    refuse("dotdot middle, backslashes", u"a\\..\\..\\b"_s, true);
    refuse("dotdot, mixed separators", u"a/..\\b"_s, true);
    refuse("dotdot after drive", u"C:\\..\\x"_s, true);
    refuse("dotdot after drive, slash", u"C:../x"_s, true);
    // Where backslashes are not separators they are part of a name.
    keep("backslash dotdot is a name", u"..\\x"_s, false, "..\\x");
    keep("backslashes kept", u"a\\..\\b"_s, false, "a\\..\\b");
    // Names that only look like "..".
    keep("three dots", u".../x"_s, false, ".../x");
    keep("dotdot prefix", u"..x/y.."_s, false, "..x/y..");
    keep("fullwidth dots", u"\uFF0E\uFF0E/x"_s, false, "\xEF\xBC\x8E\xEF\xBC\x8E/x");
    keep("two dot leader", u"\u2025/x"_s, false, "\xE2\x80\xA5/x");
    keep("division slash", u"a\u2215..\u2215b"_s, false, "a\xE2\x88\x95..\xE2\x88\x95" "b");

    // Absolute names become relative.
    keep("absolute", u"/etc/passwd"_s, false, "etc/passwd");
    keep("many leading slashes", u"///etc//passwd"_s, false, "etc/passwd");
    keep("unc-like", u"//server/share/x"_s, false, "server/share/x");
    keep("unc with backslashes", u"\\\\server\\share\\x"_s, true, "server/share/x");
    keep("backslash absolute", u"\\windows\\system32"_s, true, "windows/system32");

    // A drive prefix is dropped only where backslashes separate.
    keep("drive and backslash", u"C:\\x\\y"_s, true, "x/y");
    keep("drive and slash", u"c:/x"_s, true, "x");
    keep("drive relative", u"C:x"_s, true, "x");
    keep("drive alone", u"C:"_s, true, "");
    keep("drive, then absolute", u"D:\\\\x"_s, true, "x");
    keep("only the first drive", u"C:C:\\x"_s, true, "C:/x");
    keep("digit is no drive", u"1:\\x"_s, true, "1:/x");
    keep("non-ascii letter is no drive", u"\u00E9:\\x"_s, true, "\xC3\xA9:/x");
    keep("drive later is a name", u"x\\C:\\y"_s, true, "x/C:/y");
    keep("drive kept without backslashes", u"C:\\x"_s, false, "C:\\x");
    keep("colon name kept", u"C:/x"_s, false, "C:/x");

    // "." and empty components vanish; nothing left names the destination.
    keep("empty", QString(), false, "");
    keep("slash", u"/"_s, false, "");
    keep("dot", u"."_s, false, "");
    keep("dots and slashes", u"./././"_s, false, "");
    keep("dot components", u"./a/./b/."_s, false, "a/b");
    keep("double slash", u"a//b"_s, false, "a/b");
    keep("trailing slash", u"a/b/"_s, false, "a/b");
    keep("backslash dot", u".\\a\\.\\b"_s, true, "a/b");
    keep("hidden", u".config/.rc"_s, false, ".config/.rc");

    // NUL cannot be in a file name; it becomes "_" and never forms "..".
    keep("nul", u"a\0b"_s, false, "a_b");
    keep("nul component", u"a/\0/b"_s, false, "a/_/b");
    keep("nul between dots", u".\0."_s, false, "._.");
    keep("nul after dotdot", u"..\0/x"_s, false, ".._/x");
    // Other control characters are legal in names here and stay.
    keep("newline and escape", u"a\nb/\x1B[1m"_s, false, "a\nb/\x1B[1m");

    keep("multibyte", u"日本/語.txt"_s, false, "\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xAA\x9E.txt");
    keep("decomposed stays decomposed", u"e\u0301"_s, false, "e\xCC\x81");
    keep("emoji", u"\U0001F600/x"_s, false, "\xF0\x9F\x98\x80/x");

    // Every component is shortened on its own.
    keep("long middle component", u"a/"_s + QString(300, u'x') + u"/b"_s, false, "a/" + times("x", Max) + "/b");
    keep("long component keeps extension", QString(300, u'x') + u".txt"_s, false, times("x", Max - 4) + ".txt");
    keep("long multibyte component", QString(200, u'é'), false, times("\xC3\xA9", Max / 2));
}

// The result is what the rules say, and it can be created below a folder
// without anything beside that folder changing.
void TestPathSanitizer::sanitize()
{
    QFETCH(QString, name);
    QFETCH(bool, backslashes);
    QFETCH(bool, refused);
    QFETCH(QByteArray, expected);

    const KTPathSanitizer::Result result = KTPathSanitizer::sanitize(name, backslashes, RoomyPath);
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
    QVERIFY(arena.isValid());
    arena.snapshot();
    const QByteArray root = QFile::encodeName(QFileInfo(arena.tmp()).canonicalFilePath());
    const QByteArray file = root + '/' + *result.path;
    const QString parent = QFileInfo(QFile::decodeName(file)).path();
    QVERIFY(QDir().mkpath(parent));
    QVERIFY(kt_writeFile(QFile::decodeName(file), "x"));
    const QString canonical = QFileInfo(QFile::decodeName(file)).canonicalFilePath();
    QVERIFY2(QFile::encodeName(canonical).startsWith(root + '/'), qPrintable(canonical));
    arena.checkOutsideUntouched();
}

void TestPathSanitizer::pathLength_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxPathBytes");
    QTest::addColumn<bool>("refused");

    const QString twenty = u"abcd/efgh/ijkl/mnopq"_s;
    QTest::newRow("at the limit") << twenty << 20 << false;
    QTest::newRow("one byte over") << twenty << 19 << true;
    QTest::newRow("dropped parts do not count") << u"/./"_s + twenty + u"/."_s << 20 << false;
    // Bytes, not characters, are counted: 10 characters, 20 bytes.
    QTest::newRow("multibyte at the limit") << QString(10, u'é') << 20 << false;
    QTest::newRow("multibyte over") << QString(10, u'é') << 19 << true;
    // A long component is shortened before the whole is measured.
    QTest::newRow("shortened component fits") << QString(400, u'x') << Max << false;
    QTest::newRow("shortened component too long") << QString(400, u'x') << Max - 1 << true;
    QTest::newRow("empty result") << u"/"_s << 0 << false;
}

void TestPathSanitizer::pathLength()
{
    QFETCH(QString, name);
    QFETCH(int, maxPathBytes);
    QFETCH(bool, refused);

    const KTPathSanitizer::Result result = KTPathSanitizer::sanitize(name, false, maxPathBytes);
    QCOMPARE(!result.path, refused);
    QCOMPARE(result.reason.isEmpty(), !refused);
    if (result.path)
        QVERIFY(result.path->size() <= maxPathBytes);
}

void TestPathSanitizer::shortenComponent_data()
{
    QTest::addColumn<QByteArray>("component");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray e2 = "\xC3\xA9";             // é, 2 bytes
    const QByteArray e3 = "\xE6\x97\xA5";         // 日, 3 bytes
    const QByteArray e4 = "\xF0\x9F\x98\x80";     // 😀, 4 bytes

    QTest::newRow("short") << QByteArray("name.txt") << QByteArray("name.txt");
    QTest::newRow("exactly the limit") << times("x", Max) << times("x", Max);
    QTest::newRow("one over") << times("x", Max + 1) << times("x", Max);
    QTest::newRow("extension kept") << times("x", 300) + ".tar" << times("x", Max - 4) + ".tar";
    QTest::newRow("one over with extension") << times("x", Max - 3) + ".txt" << times("x", Max - 4) + ".txt";
    QTest::newRow("16-byte extension kept") << times("x", 300) + "." + times("e", 15)
                                            << times("x", Max - 16) + "." + times("e", 15);
    QTest::newRow("17-byte extension cut") << times("x", 300) + "." + times("e", 16) << times("x", Max);
    QTest::newRow("leading dot is no extension") << "." + times("x", 300) << "." + times("x", Max - 1);
    QTest::newRow("only the last extension") << times("x", 300) + ".tar.gz" << times("x", Max - 3) + ".gz";
    QTest::newRow("multibyte extension") << times("x", 300) + "." + e3 + e3 << times("x", Max - 7) + "." + e3 + e3;

    // Cut before a character that would not fit whole.
    QTest::newRow("2-byte characters") << times(e2, 200) << times(e2, Max / 2);
    QTest::newRow("3-byte characters") << times(e3, 100) << times(e3, Max / 3);
    QTest::newRow("4-byte characters") << times(e4, 100) << times(e4, Max / 4);
    QTest::newRow("2-byte with extension") << times(e2, 200) + ".txt" << times(e2, (Max - 4) / 2) + ".txt";
    QTest::newRow("3-byte with extension") << times(e3, 100) + ".txt" << times(e3, (Max - 4) / 3) + ".txt";
    QTest::newRow("4-byte with extension") << times(e4, 100) + ".txt" << times(e4, (Max - 4) / 4) + ".txt";
    QTest::newRow("ascii then 4-byte across the cut") << times("x", Max - 2) + times(e4, 3) << times("x", Max - 2);
}

void TestPathSanitizer::shortenComponent()
{
    QFETCH(QByteArray, component);
    QFETCH(QByteArray, expected);

    const QByteArray shortened = KTPathSanitizer::shortenComponent(component);
    QCOMPARE(shortened, expected);
    QVERIFY(KTEncodings::isValidUtf8(shortened));

    // The file system takes the name as it is.
    KTArena arena;
    QVERIFY(arena.isValid());
    arena.snapshot();
    const QString file = QFileInfo(arena.tmp()).canonicalFilePath() + u'/' + QFile::decodeName(shortened);
    QVERIFY2(kt_writeFile(file, "x"), shortened.constData());
    QCOMPARE(QDir(arena.tmp()).entryList(QDir::Files | QDir::Hidden), QStringList{QFile::decodeName(shortened)});
    arena.checkOutsideUntouched();
}

QTEST_GUILESS_MAIN(TestPathSanitizer)
#include "tst_pathsanitizer.moc"
