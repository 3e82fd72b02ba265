#include "extraction/disk/KTDiskWriter.h"
#include "extraction/engine/KTSkippedEntries.h"
#include "support/KTArena.h"
#include "support/KTArenaPlace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// The disk writer, each row in a KTArena: what it makes, what it refuses,
// links made last, times, how a file ends, and renamed entries.
namespace {

// One thing done to the tree: by the writer, or planted by the test as if
// it had been there before.
struct Step {
    enum Kind { Folder, File, HardLink, Symlink, PlantedLink, PlantedFile };
    Kind kind;
    QByteArray rel;
    QByteArray arg; // a file's content, a link's target

    static Step folder(const QByteArray &rel) { return {Folder, rel, {}}; }
    static Step file(const QByteArray &rel, const QByteArray &content = "x") { return {File, rel, content}; }
    static Step hardLink(const QByteArray &rel, const QByteArray &target) { return {HardLink, rel, target}; }
    static Step symlink(const QByteArray &rel, const QByteArray &target) { return {Symlink, rel, target}; }
    static Step plantedLink(const QByteArray &rel, const QByteArray &target) { return {PlantedLink, rel, target}; }
    static Step plantedFile(const QByteArray &rel, const QByteArray &content) { return {PlantedFile, rel, content}; }
};
using Steps = std::vector<Step>;
enum class FileEnd { Finish, Abort, DestroyWriter, BeginAnother };
using Blocks = QList<std::pair<qint64, QByteArray>>;
using Renames = QHash<QByteArray, QByteArray>;

KTExtractionError writeFile(KTDiskWriter &writer, const QByteArray &rel, const QByteArray &content)
{
    if (auto error = writer.beginFile(rel, 0644); error.failed())
        return error;
    if (!content.isEmpty())
        if (auto error = writer.writeBlock(content.constData(), size_t(content.size()), 0); error.failed())
            return error;
    return writer.finishFile(std::nullopt);
}

// Runs the steps as a backend does: an unsafe entry is left out and the
// rest goes on, any other failure stops; links are made only when nothing
// failed. Gives that failure, else the first entry or link left out.
KTExtractionError runSteps(KTDiskWriter &writer, const KTArenaPlace &place, const Steps &steps, bool createLinks)
{
    KTExtractionError result;
    KTExtractionError skipped;
    for (const Step &step : steps) {
        KTExtractionError error;
        switch (step.kind) {
        case Step::Folder: error = writer.makeDirectory(step.rel, 0755, std::nullopt); break;
        case Step::File: error = writeFile(writer, step.rel, step.arg); break;
        case Step::HardLink: error = writer.makeHardLink(step.rel, step.arg); break;
        case Step::Symlink: error = writer.deferSymlink(step.rel, place.expand(step.arg), std::nullopt); break;
        case Step::PlantedLink:
            if (::symlink(place.expand(step.arg).constData(), place.full(step.rel).constData()) != 0)
                return KTExtractionError::make(KTErrorCode::WriteFailed, u"cannot plant"_s);
            break;
        case Step::PlantedFile:
            if (!kt_writeFile(QFile::decodeName(place.full(step.rel)), step.arg))
                return KTExtractionError::make(KTErrorCode::WriteFailed, u"cannot plant"_s);
            break;
        }
        if (KTSkippedEntries::skipsOnlyTheEntry(error)) {
            if (skipped.ok())
                skipped = error;
        } else if (error.failed()) {
            result = error;
            break;
        }
    }
    const KTExtractionError finished = writer.finish(createLinks && result.ok());
    if (skipped.ok() && !writer.skippedLinks().empty())
        skipped = writer.skippedLinks().front().reason;
    if (result.failed())
        return result;
    return finished.failed() ? finished : skipped;
}

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace


Q_DECLARE_METATYPE(Steps)
Q_DECLARE_METATYPE(FileEnd)
Q_DECLARE_METATYPE(Blocks)
Q_DECLARE_METATYPE(Renames)

// Privileged mode bits and owner access are the hostile test's (every
// item of every result is checked); links removed after the fact are the
// writer's table and the 7-Zip output check's; a path too long for the
// system is the hostile and scale tests'.
class TestDiskWriter : public QObject
{
    Q_OBJECT

private slots:
    void entries_data();
    void entries();
    void times();
    void fileEnds_data();
    void fileEnds();
    void renames_data();
    void renames();
};

void TestDiskWriter::entries_data()
{
    using S = Step;
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("createLinks");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("tree");
    const int ok = int(KTErrorCode::None), unsafe = int(KTErrorCode::UnsafeEntry);
    auto add = [](const char *row, const Steps &steps, int code, const QStringList &tree, bool overwrite = true,
                  bool createLinks = true) { QTest::newRow(row) << steps << overwrite << createLinks << code << tree; };

    // Files and folders.
    add("file in new folders", {S::file("a/b/f")}, ok, {"a/", "a/b/", "a/b/f=x"});
    add("folder over an earlier file", {S::file("x", "1"), S::folder("x"), S::file("x/y", "2")}, ok, {"x/", "x/y=2"});
    add("file over an empty folder", {S::folder("x"), S::file("x", "1")}, ok, {"x=1"});
    add("file over a full folder", {S::folder("x"), S::file("x/y", "1"), S::file("x", "2")}, int(KTErrorCode::WriteFailed),
        {"x/", "x/y=1"});
    add("file beside an empty folder", {S::folder("x"), S::file("x", "1")}, ok, {"x-2=1", "x/"}, false);
    add("same file replaced", {S::file("a.txt", "1"), S::file("a.txt", "2")}, ok, {"a.txt=2"});
    add("same file numbered", {S::file("a.txt", "1"), S::file("a.txt", "2"), S::file("a.txt", "3")}, ok,
        {"a-2.txt=2", "a-3.txt=3", "a.txt=1"}, false);
    add("numbered without extension", {S::file(".rc", "1"), S::file(".rc", "2"), S::file("d.x/f", "1"), S::file("d.x/f", "2")},
        ok, {".rc-2=2", ".rc=1", "d.x/", "d.x/f-2=2", "d.x/f=1"}, false);
    add("numbered name taken", {S::file("a", "1"), S::file("a-2", "2"), S::file("a", "3")}, ok, {"a-2=2", "a-3=3", "a=1"},
        false);
    add("file without a name", {S::file("")}, unsafe, {});
    add("folder without a name is the root", {S::folder(""), S::file("f")}, ok, {"f=x"});

    // What was there before is never written through.
    add("folder planted as an absolute link", {S::plantedLink("d", "@CANARY@"), S::file("d/file", "evil")}, ok,
        {"d/", "d/file=evil"});
    add("file over a planted link", {S::plantedLink("f", "@CANARY@/file"), S::file("f", "mine")}, ok, {"f=mine"});
    add("file beside a planted link", {S::plantedLink("f", "@CANARY@/file"), S::file("f", "mine")}, ok,
        {"f-2=mine", "f->@CANARY@/file"}, false);
    add("hard link through a planted link", {S::plantedLink("l", "../canary"), S::hardLink("h", "l/file")}, unsafe,
        {"l->../canary"});
    add("hard link over a planted link", {S::file("f"), S::plantedLink("h", "@CANARY@/file"), S::hardLink("h", "f")}, ok,
        {"f=x#2", "h=x#2"});

    // Hard links.
    add("hard link in a new folder", {S::file("f"), S::hardLink("d/h", "f")}, ok, {"d/", "d/h=x#2", "f=x#2"});
    add("hard link to a missing file", {S::hardLink("h", "missing")}, unsafe, {});
    add("hard link to a link", {S::file("f"), S::symlink("l", "f"), S::hardLink("h", "l")}, unsafe, {"f=x", "l->f"});
    add("hard link through a link", {S::file("d/f"), S::symlink("l", "d"), S::hardLink("h", "l/f")}, unsafe,
        {"d/", "d/f=x", "l->d"});
    add("hard link over a file", {S::file("f", "a"), S::file("h", "b"), S::hardLink("h", "f")}, ok, {"f=a#2", "h=a#2"});
    add("hard link beside a file", {S::file("f", "a"), S::file("h", "b"), S::hardLink("h", "f")}, ok,
        {"f=a#2", "h-2=a#2", "h=b"}, false);

    // Symbolic links: made at the end; those that lead out are left out, the others stay.
    add("link inside", {S::file("t"), S::folder("s"), S::symlink("s/l", "../t")}, ok, {"s/", "s/l->../t", "t=x"});
    add("dangling link", {S::symlink("l", "nowhere")}, ok, {"l->nowhere"});
    add("link out left out", {S::file("t"), S::symlink("in", "t"), S::symlink("out", "../canary")}, unsafe, {"in->t", "t=x"});
    add("absolute link into the root", {S::file("t"), S::symlink("in", "t"), S::symlink("abs", "@ROOT@/t")}, unsafe,
        {"in->t", "t=x"});
    add("chain out", {S::symlink("a", "b"), S::symlink("b", "../..")}, unsafe, {});
    // Once b is gone, a dangles inside.
    add("chain out, reversed", {S::symlink("b", "../.."), S::symlink("a", "b")}, unsafe, {"a->b"});
    add("dot trick", {S::symlink("b", "."), S::symlink("a", "b/..")}, unsafe, {"b->."});
    add("cycle", {S::file("t"), S::symlink("in", "t"), S::symlink("a", "b"), S::symlink("b", "a")}, unsafe,
        {"b->a", "in->t", "t=x"});
    add("link below a link", {S::folder("sub"), S::symlink("a", "sub"), S::symlink("a/b", "x")}, unsafe, {"a->sub", "sub/"});
    add("file through a link", {S::symlink("d", "sub"), S::file("d/x", "evil")}, unsafe, {"d->sub"});
    add("link, then folder", {S::symlink("d", ".."), S::folder("d"), S::file("d/y", "in")}, ok, {"d/", "d/y=in"});
    add("folder, then link", {S::folder("d"), S::file("d/y", "in"), S::symlink("d", "..")}, unsafe, {"d/", "d/y=in"});
    add("link, then file", {S::symlink("f", "../canary/file"), S::file("f", "mine")}, ok, {"f=mine"});
    add("file, then link", {S::file("f", "old"), S::symlink("f", "t")}, ok, {"f->t"});
    add("file, then link beside", {S::file("f", "old"), S::symlink("f", "t")}, ok, {"f-2->t", "f=old"}, false);
    add("links left out", {S::file("t"), S::symlink("l", "t")}, ok, {"t=x"}, true, false);
    add("link out through another link", {S::folder("x/y"), S::symlink("x/y/up", "../../.."), S::symlink("x/l", "y/up"),
        S::symlink("x/in", "y")}, unsafe, {"x/", "x/in->y", "x/l->y/up", "x/y/"});
    add("entries after some left out", {S::file(""), S::symlink("d", "/"), S::file("d/y"), S::file("z", "after")}, unsafe,
        {"z=after"});
}

// Whatever the entries, nothing beside the root changes, the root holds
// what the rules say, and symlinks() names the links made and kept.
void TestDiskWriter::entries()
{
    QFETCH(Steps, steps);
    QFETCH(bool, overwrite);
    QFETCH(bool, createLinks);
    QFETCH(int, code);
    QFETCH(QStringList, tree);
    KTArena arena;
    arena.snapshot();
    const KTArenaPlace place(arena);
    KTDiskWriter writer(place.encodedRoot, overwrite);
    const KTExtractionError error = runSteps(writer, place, steps, createLinks);
    QVERIFY2(int(error.code) == code, qPrintable(QString::number(int(error.code)) + u": "_s + error.message()));
    QCOMPARE(error.detail.isEmpty(), error.ok());
    QCOMPARE(place.listing(), tree);
    QStringList made, links;
    for (const QByteArray &link : writer.symlinks())
        made.append(QString::fromUtf8(link));
    for (const QString &entry : tree) {
        const QString rel = entry.section(u"->"_s, 0, 0);
        const bool planted = std::any_of(steps.begin(), steps.end(), [&](const Step &s) {
            return s.kind == Step::PlantedLink && s.rel == rel.toUtf8();
        });
        if (entry.contains(u"->"_s) && !planted)
            links.append(rel);
    }
    made.sort();
    QCOMPARE(made, links);
    arena.checkOutsideUntouched();
}

// A file's time is set when it is finished; folders' and links' times at
// finish(), after everything inside was written.
void TestDiskWriter::times()
{
    const timespec parentTime{1000000000, 123456789}, childTime{1100000000, 5};
    const timespec fileTime{1200000000, 999999999}, linkTime{1300000000, 42};
    KTArena arena;
    arena.snapshot();
    const KTArenaPlace place(arena);
    {
        KTDiskWriter writer(place.encodedRoot);
        QVERIFY(writer.makeDirectory("p", 0755, parentTime).ok());
        QVERIFY(writer.makeDirectory("p/c", 0755, childTime).ok());
        QVERIFY(writer.beginFile("p/c/f", 0644).ok());
        QVERIFY(writer.writeBlock("data", 4, 0).ok());
        QVERIFY(writer.finishFile(fileTime).ok());
        QVERIFY(writeFile(writer, "p/g", "later").ok());
        QVERIFY(writer.deferSymlink("p/l", "c/f", linkTime).ok());
        QVERIFY(writer.finish(true).ok());
    }
    auto mtime = [&](const QByteArray &rel) {
        struct stat st {};
        ::lstat(place.full(rel).constData(), &st);
        return st.st_mtim;
    };
    QVERIFY(sameTime(mtime("p/c/f"), fileTime));
    QVERIFY(sameTime(mtime("p"), parentTime));
    QVERIFY(sameTime(mtime("p/c"), childTime));
    QVERIFY(sameTime(mtime("p/l"), linkTime));
    arena.checkOutsideUntouched();
}

void TestDiskWriter::fileEnds_data()
{
    QTest::addColumn<QByteArray>("existing"); // null: none
    QTest::addColumn<Blocks>("blocks");
    QTest::addColumn<qint64>("sparseSize");
    QTest::addColumn<FileEnd>("end");
    QTest::addColumn<QByteArray>("expected"); // null: no file
    const QByteArray none;
    const Blocks abc{{0, "abc"}};
    auto add = [](const char *row, const QByteArray &existing, const Blocks &blocks, qint64 sparse, FileEnd end,
                  const QByteArray &expected) { QTest::newRow(row) << existing << blocks << sparse << end << expected; };
    add("empty, finished", none, {}, -1, FileEnd::Finish, "");
    add("written, aborted", none, abc, -1, FileEnd::Abort, none);
    add("written, writer destroyed", none, abc, -1, FileEnd::DestroyWriter, none);
    add("written, next file begun", none, abc, -1, FileEnd::BeginAnother, none);
    add("existing kept, aborted before data", "old", {}, -1, FileEnd::Abort, "old");
    add("existing replaced", "old content", abc, -1, FileEnd::Finish, "abc");
    add("blocks out of order", none, Blocks{{3, "def"}, {0, "abc"}}, -1, FileEnd::Finish, "abcdef");
    add("sparse tail", none, Blocks{{0, "ab"}}, 6, FileEnd::Finish, QByteArray("ab\0\0\0\0", 6));
    add("sparse size under the data", none, Blocks{{0, "abcd"}}, 2, FileEnd::Finish, "abcd");
}

void TestDiskWriter::fileEnds()
{
    QFETCH(QByteArray, existing);
    QFETCH(Blocks, blocks);
    QFETCH(qint64, sparseSize);
    QFETCH(FileEnd, end);
    QFETCH(QByteArray, expected);
    KTArena arena;
    arena.snapshot();
    const KTArenaPlace place(arena);
    if (!existing.isNull())
        QVERIFY(kt_writeFile(QFile::decodeName(place.full("f")), existing));
    auto writer = std::make_unique<KTDiskWriter>(place.encodedRoot);
    QVERIFY(writer->beginFile("f", 0644).ok());
    for (const auto &[offset, data] : blocks)
        QVERIFY(writer->writeBlock(data.constData(), size_t(data.size()), offset).ok());
    QStringList tree;
    switch (end) {
    case FileEnd::Finish: QVERIFY(writer->finishFile(std::nullopt, sparseSize).ok()); break;
    case FileEnd::Abort: writer->abortFile(); break;
    case FileEnd::DestroyWriter: writer.reset(); break;
    case FileEnd::BeginAnother:
        QVERIFY(writeFile(*writer, "next", "n").ok());
        tree.append(u"next=n"_s);
        break;
    }
    if (!expected.isNull())
        tree.append(u"f="_s + QString::fromUtf8(expected));
    tree.sort();
    QCOMPARE(place.listing(), tree);
    arena.checkOutsideUntouched();
}

void TestDiskWriter::renames_data()
{
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<Renames>("renames");
    QTest::addColumn<Renames>("retargets");
    QTest::addColumn<int>("moved");
    QTest::addColumn<QStringList>("tree");
    using S = Step;
    QTest::newRow("a file and its folder, the deeper first") << Steps{S::folder("g"), S::file("g/a")}
        << Renames{{"g/a", "A"}, {"g", "G"}} << Renames{} << 2 << QStringList{"G/", "G/A=x"};
    QTest::newRow("a taken name keeps the guess") << Steps{S::file("a", "1"), S::file("b", "2")} << Renames{{"a", "b"}}
        << Renames{} << 0 << QStringList{"a=1", "b=2"};
    QTest::newRow("a pending link moves with its folder and takes its new target")
        << Steps{S::folder("g"), S::file("g/f"), S::symlink("g/l", "f")} << Renames{{"g/f", "F"}, {"g", "G"}}
        << Renames{{"g/l", "F"}} << 2 << QStringList{"G/", "G/F=x", "G/l->F"};
    QTest::newRow("a folder onto its twin merges") << Steps{S::folder("g"), S::file("g/a"), S::symlink("g/l", "a"), S::file("K/b")}
        << Renames{{"g", "K"}} << Renames{} << 1 << QStringList{"K/", "K/a=x", "K/b=x", "K/l->a"};
    QTest::newRow("a merge that would replace stays apart") << Steps{S::file("g/a", "1"), S::file("K/a", "2")}
        << Renames{{"g", "K"}} << Renames{} << 0 << QStringList{"K/", "K/a=2", "g/", "g/a=1"};
    QTest::newRow("a new name is one component") << Steps{S::file("a"), S::file("b"), S::file("c")}
        << Renames{{"a", "x/y"}, {"b", ".."}, {"c", ""}} << Renames{} << 0 << QStringList{"a=x", "b=x", "c=x"};
}

// Entries written under one name get another in their folder, before the
// links are made; nothing is replaced and nothing leaves the root.
void TestDiskWriter::renames()
{
    QFETCH(Steps, steps);
    QFETCH(Renames, renames);
    QFETCH(Renames, retargets);
    QFETCH(int, moved);
    QFETCH(QStringList, tree);
    KTArena arena;
    arena.snapshot();
    const KTArenaPlace place(arena);
    KTDiskWriter writer(place.encodedRoot);
    for (const Step &step : steps) {
        const KTExtractionError error = step.kind == Step::Folder ? writer.makeDirectory(step.rel, 0755, std::nullopt)
                                        : step.kind == Step::Symlink ? writer.deferSymlink(step.rel, step.arg, std::nullopt)
                                                                     : writeFile(writer, step.rel, step.arg);
        QVERIFY2(error.ok(), qPrintable(error.message()));
    }
    for (auto it = retargets.begin(); it != retargets.end(); ++it)
        writer.retargetPendingLink(it.key(), it.value());
    QCOMPARE(writer.renameEntries(renames), moved);
    QVERIFY(writer.finish(true).ok());
    QCOMPARE(place.listing(), tree);
    arena.checkOutsideUntouched();
}

QTEST_GUILESS_MAIN(TestDiskWriter)
#include "tst_diskwriter.moc"
