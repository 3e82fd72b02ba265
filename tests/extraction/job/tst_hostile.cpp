#include "support/KTArena.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QFile>
#include <QTest>

using Entries = std::vector<KTTestEntry>;
Q_DECLARE_METATYPE(Entries)

namespace {

constexpr int AnyFailure = -1;
constexpr int AnyOutcome = -2;
// Success without the unsafe entries, which are listed as left out.
constexpr int Skipped = -3;

// Where link targets name the canary folder by its absolute path.
const QByteArray CanaryMark = "@CANARY@";

KTTestEntry special(const QByteArray &name, KTTestEntry::Type type)
{
    KTTestEntry e;
    e.name = name;
    e.type = type;
    return e;
}

KTTestEntry owned(KTTestEntry e, qint64 uid, qint64 gid)
{
    e.uid = uid;
    e.gid = gid;
    return e;
}

// Zip names are counted bytes: a stored \x01 becomes a NUL inside the name,
// which no writer lets through.
void putNulsInZipNames(const QString &archive, const Entries &entries)
{
    QFile f(archive);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const QByteArray original = bytes;
    for (const KTTestEntry &e : entries) {
        if (!e.name.contains('\x01'))
            continue;
        QVERIFY(original.count(e.name) >= 2); // local header and central directory
        bytes.replace(e.name, QByteArray(e.name).replace('\x01', '\0'));
    }
    QVERIFY(f.seek(0) && f.write(bytes) == bytes.size());
}

KTTestEntry withTime(KTTestEntry e, qint64 mtime)
{
    e.mtime = mtime;
    return e;
}

// Zip entries whose Unix mode names any file type, which libarchive's
// writer will not store: written with Python's zipfile.
void writePythonZip(const QString &path, const Entries &entries)
{
    static const QMap<KTTestEntry::Type, int> typeBits{
        {KTTestEntry::File, 0100000}, {KTTestEntry::Directory, 0040000}, {KTTestEntry::Symlink, 0120000},
        {KTTestEntry::Fifo, 0010000}, {KTTestEntry::CharDevice, 0020000}, {KTTestEntry::BlockDevice, 0060000},
        {KTTestEntry::Socket, 0140000}};
    QByteArray script = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n";
    for (const KTTestEntry &e : entries) {
        const QByteArray data = e.type == KTTestEntry::Symlink ? e.linkTarget : e.data;
        script += "i = zipfile.ZipInfo(bytes.fromhex('" + e.name.toHex() + "').decode())\n"
                  "i.create_system = 3\ni.external_attr = " + QByteArray::number(typeBits.value(e.type) | e.mode) +
                  " << 16\nz.writestr(i, bytes.fromhex('" + data.toHex() + "'))\n";
    }
    script += "z.close()\n";
    KTTestArchives::run(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
}

QString extensionFor(const QByteArray &format)
{
    return format == "zip" || format == "pyzip" ? QStringLiteral("zip") : format == "7zip" ? QStringLiteral("7z") : QStringLiteral("tar");
}

} // namespace

// Hostile archives through the job inside a KTArena: nothing outside
// changes, unsafe entries are left out or refused, and a success leaves only
// safe items.
class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void hostileEntries_data();
    void hostileEntries();
    void longNamesAreShortenedAlike_data();
    void longNamesAreShortenedAlike();
};


// Every row runs in each listed format (z zip, p pax, g gnutar, s 7z, y zip by Python).
// code: the expected failure, 0 for success, Skipped for a success that left
// unsafe entries out, AnyFailure when any cause will do, AnyOutcome when a
// safe success is as good as a failure.
// present: "rel=content", "rel/" for a folder; absent: paths that must not exist.
void TestHostile::hostileEntries_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");

    using E = KTTestEntry;
    const int skipped = Skipped;
    auto add = [](const char *name, const char *formats, const Entries &entries, int code, const QStringList &present = {},
                  const QStringList &absent = {}) {
        static const QMap<char, QByteArray> byLetter{{'z', "zip"}, {'p', "pax"}, {'g', "gnutar"}, {'s', "7zip"}, {'y', "pyzip"}};
        Entries all{E::file("keep.txt", "keep")};
        all.insert(all.end(), entries.begin(), entries.end());
        for (const char *f = formats; *f; ++f) {
            const QByteArray format = byLetter.value(*f);
            QTest::addRow("%s/%s", name, format.constData()) << format << all << code << present << absent;
        }
    };

    // Names that climb out, or only look as if they might.
    add("dotdot", "zpgs", {E::file("../x", "evil")}, skipped);
    add("dot-dotdot", "zpgs", {E::file("./../x", "evil")}, skipped);
    add("dotdot-dir", "zpg", {E::dir("../d")}, skipped);
    add("absolute", "zpgs", {E::file("/abs/x", "data")}, 0, {"abs/x=data"});
    add("backslash-dotdot", "z", {E::file("..\\x", "evil")}, skipped);
    add("backslash-dotdot", "pg", {E::file("..\\x", "plain")}, 0, {"..\\x=plain"});
    add("drive", "z", {E::file("C:\\dir\\x", "data")}, 0, {"dir/x=data"}, {"C:"});
    add("drive-dotdot", "z", {E::file("C:..\\x", "evil")}, skipped);
    add("drive", "pg", {E::file("C:\\x", "plain")}, 0, {"C:\\x=plain"});
    add("deep-5000", "zpg", {E::file(QByteArray("d123456789/").repeated(455) + "x", "deep")}, skipped);
    add("dots-5000", "zpg", {E::file(QByteArray("./").repeated(2500) + "x", "flat")}, 0, {"x=flat"});
    add("nul", "zy", {E::file("ok\x01/../../x", "evil"), E::file("n\x01ul.txt", "nul")}, AnyOutcome);
    add("nul-dir", "z", {E::dir("a\x01"), E::file("a\x01/../../../x", "evil")}, AnyOutcome);
    add("newline", "zpgs", {E::file("line1\nline2.txt", "nl")}, 0, {"line1\nline2.txt=nl"});
    add("lookalike-dots", "zpgs", {E::file("\u2024\u2024/x", "one"), E::file("\uff0e\uff0e/y", "two")}, 0,
        {QStringLiteral("\u2024\u2024/x=one"), QStringLiteral("\uff0e\uff0e/y=two")});

    // Links that point out, and entries written through them (the writer's
    // own table has the chains and tricks).
    add("link-root-through", "zpg", {E::symlink("d", "/"), E::file("d/x", "evil")}, skipped);
    add("link-canary-through", "zpg", {E::symlink("d", CanaryMark), E::file("d/file", "evil")}, skipped);
    add("link-up-through", "zpgs", {E::symlink("d", ".."), E::file("d/x", "evil")}, skipped);
    add("link-up-dir-through", "zpg", {E::symlink("d", "../../.."), E::dir("d/canary")}, skipped);
    add("link-relative-canary", "zpgs", {E::symlink("d", "../../../canary")}, skipped, {}, {"d"});
    add("link-absolute", "zpgs", {E::symlink("d", CanaryMark + "/file")}, skipped, {}, {"d"});
    add("link-inside", "zpgs", {E::file("t", "target"), E::dir("s"), E::symlink("s/l", "../t")}, 0, {"t=target", "s/l->../t"});

    // Hard links must name a regular file extracted earlier, inside.
    add("hardlink-inside", "pg", {E::file("f", "shared"), E::hardlink("h", "f")}, 0, {"f=shared", "h=shared"});
    add("hardlink-canary", "pg", {E::hardlink("h", CanaryMark + "/file")}, skipped, {}, {"h"});
    add("hardlink-through-link", "pg", {E::symlink("l", CanaryMark), E::hardlink("h", "l/file")}, skipped, {}, {"h"});
    add("hardlink-then-file", "pg", {E::file("f", "old"), E::hardlink("h", "f"), E::file("h", "new")}, 0,
        {"f=old", "h=new"});

    // Special files are never made; privileged mode bits never survive.
    add("fifo", "pg", {special("p", E::Fifo)}, skipped, {}, {"p"});
    // libarchive reads a zip FIFO as a plain file: an empty regular file is fine.
    add("fifo", "y", {special("p", E::Fifo)}, 0, {"p="});
    add("char-device", "pgy", {special("c", E::CharDevice)}, skipped, {}, {"c"});
    add("block-device", "pgy", {special("b", E::BlockDevice)}, skipped, {}, {"b"});
    add("socket", "y", {special("s", E::Socket)}, skipped, {}, {"s"});
    add("link-python", "y", {E::symlink("d", ".."), E::file("d/x", "evil")}, skipped);
    // What comes after an unsafe entry is extracted all the same.
    add("rest-after-unsafe", "zpg",
        {E::file("../x", "evil"), E::symlink("l", "/"), E::file("l/y", "evil"), E::file("after.txt", "after"), E::dir("d"),
         E::file("d/z", "z")},
        skipped, {"after.txt=after", "d/z=z"}, {"l", "x"});
    add("modes", "zpgs",
        {E::file("suid", "s", 04755), E::file("sgid", "g", 02755), E::file("locked", "l", 0), E::dir("sticky", 01777),
         E::dir("sgid-dir", 02775), E::dir("closed", 0), E::file("closed/in", "i", 0444)},
        0, {"suid=s", "sgid=g", "locked=l", "sticky/", "sgid-dir/", "closed/in=i"});
    add("owners", "zpg",
        {owned(E::file("nobody", "n"), 4294967294LL, 4294967294LL), owned(E::file("other", "o"), 12345, 54321),
         owned(E::dir("d"), 4294967295LL, 0), owned(E::file("d/in", "i"), 0, 12345)},
        0, {"nobody=n", "other=o", "d/in=i"});
    add("mtimes", "zpgs",
        {withTime(E::file("y1900", "a"), -2208988800LL), withTime(E::file("y2400", "b"), 13569465600LL),
         withTime(E::file("far", "c"), -62135596800LL * 100), withTime(E::dir("olddir"), -2208988800LL)},
        0, {"y1900=a", "y2400=b", "far=c", "olddir/"});

    // Names that collide (the writer's own table has the rest).
    add("file-then-folder", "zpgs", {E::file("a", "file"), E::dir("a"), E::file("a/y", "in")}, 0, {"a/", "a/y=in"});
    add("case-only", "zpgs", {E::file("Readme", "upper"), E::file("README", "caps"), E::file("readme", "lower")}, 0,
        {"Readme=upper", "README=caps", "readme=lower"});
}

void TestHostile::hostileEntries()
{
    QFETCH(QByteArray, format);
    QFETCH(Entries, entries);
    QFETCH(int, code);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);

    KTArena arena;
    QVERIFY(arena.isValid());
    for (KTTestEntry &e : entries)
        e.linkTarget.replace(CanaryMark, QFile::encodeName(arena.canary()));
    const QString archive = arena.filePath(QStringLiteral("hostile.") + extensionFor(format));
    if (format == "pyzip") {
        if (!KTTestArchives::haveProgram(QStringLiteral("python3")))
            QSKIP("python3 is not installed");
        writePythonZip(archive, entries);
    } else {
        KTTestArchives::write(archive, entries, format);
    }
    if (format == "zip" || format == "pyzip")
        putNulsInZipNames(archive, entries);
    arena.snapshot();

    QString root;
    const KTJobOutcome outcome = arena.runHostile(archive, &root);
    if (QTest::currentTestFailed())
        return;

    if (code == 0) {
        QVERIFY2(outcome.succeeded, qPrintable(outcome.error.message()));
        QCOMPARE(root, arena.tmp() + QStringLiteral("/hostile"));
        QVERIFY(outcome.skipped.isEmpty());
    } else if (code == Skipped) {
        QVERIFY2(outcome.succeeded, qPrintable(outcome.error.message()));
        QVERIFY2(!outcome.skipped.isEmpty(), "an unsafe entry was not reported");
        for (const KTSkippedEntries::Entry &e : outcome.skipped.entries())
            QVERIFY(!e.name.isEmpty() && KTSkippedEntries::skipsOnlyTheEntry(e.reason) && !e.reason.detail.isEmpty());
        // Only keep.txt left: it came out as itself.
        if (!QFileInfo(root).isDir())
            root = QFileInfo(root).path();
    } else if (code != AnyOutcome) {
        QVERIFY2(!outcome.succeeded, "a hostile archive was accepted");
        if (code != AnyFailure)
            QCOMPARE(int(outcome.error.code), code);
        QVERIFY(!outcome.error.message().isEmpty());
    }
    // The first entry is harmless and always comes out.
    QCOMPARE(KTArena::describe(root, QStringLiteral("keep.txt")), QByteArray("=keep"));
    for (const QString &p : present) {
        if (p.endsWith(QLatin1Char('/'))) {
            QCOMPARE(KTArena::describe(root, p.chopped(1)), QByteArray("dir"));
            continue;
        }
        const int arrow = p.indexOf(QLatin1String("->"));
        const int at = arrow >= 0 ? arrow : p.indexOf(QLatin1Char('='));
        QCOMPARE(KTArena::describe(root, p.left(at)), p.mid(at).toUtf8());
    }
    for (const QString &a : absent) {
        QFileInfo info(root + QLatin1Char('/') + a);
        QVERIFY2(!info.exists() && !info.isSymLink(), qPrintable(a));
    }
}

// Names beyond 255 bytes come out shortened at a character boundary,
// keeping the extension, and the same way every time.
void TestHostile::longNamesAreShortenedAlike_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("zip") << QByteArray("zip");
    QTest::newRow("pax") << QByteArray("pax");
    QTest::newRow("gnutar") << QByteArray("gnutar");
    QTest::newRow("7zip") << QByteArray("7zip");
}

void TestHostile::longNamesAreShortenedAlike()
{
    QFETCH(QByteArray, format);
    KTArena arena;
    const QByteArray stem = QStringLiteral("é").repeated(148).toUtf8(); // 296 bytes, two each
    const QByteArray ascii = QByteArray("n").repeated(300);
    const QString archive = arena.filePath(QStringLiteral("hostile.") + extensionFor(format));
    KTTestArchives::write(archive, {KTTestEntry::file(stem + ".txt", "wide"), KTTestEntry::file("dir/" + ascii, "narrow")},
                          format);
    arena.snapshot();

    QStringList firstNames;
    for (int run = 0; run < 2; ++run) {
        QString root;
        const KTJobOutcome outcome = arena.runHostile(archive, &root);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(outcome.succeeded, qPrintable(outcome.error.message()));
        // The second run lands beside the first: compare names, then move it away.
        const QStringList names = QDir(root).entryList(QDir::Files) + QDir(root + QStringLiteral("/dir")).entryList(QDir::Files);
        QCOMPARE(names.size(), 2);
        const QByteArray wide = QFile::encodeName(names.at(0));
        QVERIFY(wide.size() <= 255);
        QVERIFY(wide.endsWith(".txt"));
        QVERIFY(stem.startsWith(wide.chopped(4)));
        QCOMPARE(QString::fromUtf8(wide).toUtf8(), wide); // not cut inside a character
        QCOMPARE(KTArena::describe(root, names.at(0)), QByteArray("=wide"));
        const QByteArray narrow = QFile::encodeName(names.at(1));
        QVERIFY(narrow.size() <= 255 && ascii.startsWith(narrow) && narrow.size() > 200);
        QCOMPARE(KTArena::describe(root, QStringLiteral("dir/") + names.at(1)), QByteArray("=narrow"));
        if (run == 0)
            firstNames = names;
        else
            QCOMPARE(names, firstNames);
        QVERIFY(QDir(root).removeRecursively());
    }
}

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
