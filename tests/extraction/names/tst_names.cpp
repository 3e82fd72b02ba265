#include "extraction/names/KTEncodingDecision.h"
#include "extraction/names/KTEncodings.h"
#include "app/core/KTPreferences.h"
#include "support/KTEncodingCorpus.h"
#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QSet>
#include <QTest>


using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 Detect = 0;

// Every file path below a result, decoded from the UTF-8 on disk.
QSet<QString> filesBelow(const QString &root)
{
    QSet<QString> files;
    const auto tree = kt_snapshot(root);
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        if (it.value().startsWith("f:"))
            files.insert(it.key());
    }
    return files;
}

std::vector<KTTestEntry> entriesFor(const KTNameSet &set)
{
    std::vector<KTTestEntry> entries;
    for (const QString &name : set.names)
        entries.push_back(KTTestEntry::file(kt_encodeName(name, set.icuName), name.toUtf8()));
    // A second top-level item keeps the enclosing folder, whatever the names.
    entries.push_back(KTTestEntry::file("readme.txt", "x"));
    return entries;
}

// The first corpus set whose label starts so.
const KTNameSet *corpusSet(const QString &labelStart)
{
    for (const KTNameSet &set : kt_encodingCorpus()) {
        if (set.label.startsWith(labelStart))
            return &set;
    }
    return nullptr;
}

// How many of the set's names are among the files.
int exactNames(const KTNameSet &set, const QSet<QString> &files)
{
    int exact = 0;
    for (const QString &name : set.names)
        exact += files.contains(name) ? 1 : 0;
    return exact;
}

} // namespace

// Legacy names through the job: detection, a chosen encoding, names of
// compressed tars that settle late, tar header kinds, flagged names, and
// real archives written by Windows and Japanese tools.
class TestNames : public QObject
{
    Q_OBJECT

    KTTestFolder m_dir;
    QString m_tmp;

    // Writes the set as a legacy archive (raw names, no UTF-8 flag) and
    // extracts it with the given "filenameEncoding".
    KTJobOutcome extractLegacySet(const KTNameSet &set, qint64 encoding, const QByteArray &format = "zip",
                                  const QByteArray &filter = {})
    {
        const QString archive = m_dir.freshFolder(QStringLiteral("archive-")) + QStringLiteral("/legacy.archive");
        KTTestArchives::Options options;
        options.format = format;
        options.filter = filter;
        options.legacyNames = true;
        if (!KTTestArchives::write(archive, entriesFor(set), options))
            return {};
        auto prefs = kt_testPreferences(encoding);
        KTJobRun run(archive, m_tmp);
        run.preferences = prefs.get();
        return kt_runJob(run);
    }

private slots:
    void init()
    {
        m_tmp = m_dir.freshFolder();
        QVERIFY(!m_tmp.isEmpty());
    }

    void detectionThroughTheJob_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QByteArray>("filter");
        QTest::newRow("zip") << QByteArray("zip") << QByteArray();
        QTest::newRow("ustar") << QByteArray("ustar") << QByteArray();
        QTest::newRow("cpio.xz") << QByteArray("newc") << QByteArray("xz");
    }

    // Legacy archives (raw names, no UTF-8 flag) extracted under "Detect
    // automatically": the share of non-ASCII names that land on disk exactly.
    void detectionThroughTheJob()
    {
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, filter);
        int exact = 0;
        int total = 0;
        for (const KTNameSet &set : kt_encodingCorpus()) {
            // ustar keeps at most 100 bytes of name and 155 of folder.
            if (format == "ustar" && std::any_of(set.names.begin(), set.names.end(), [&](const QString &n) {
                    return kt_encodeName(n, set.icuName).size() > 100;
                }))
                continue;
            const KTJobOutcome out = extractLegacySet(set, Detect, format, filter);
            QVERIFY2(out.succeeded, qPrintable(set.label + ": " + out.error.message()));
            const QSet<QString> files = filesBelow(out.desPath);
            int setExact = 0;
            int setTotal = 0;
            for (const QString &name : set.names) {
                if (KTEncodings::isAscii(kt_encodeName(name, set.icuName)))
                    continue;
                ++setTotal;
                setExact += files.contains(name) ? 1 : 0;
            }
            if (setExact != setTotal)
                qInfo("%-52s %d/%d", qPrintable(set.label), setExact, setTotal);
            exact += setExact;
            total += setTotal;
        }
        qInfo("non-ASCII names decoded exactly under \"Detect automatically\": %d/%d (%.1f%%)", exact, total,
              100.0 * exact / total);
        QVERIFY(exact * 100 >= total * 95);
    }

    // A chosen encoding decodes every name of its set; UTF-8 (the default
    // choice) falls back to CP437 for bytes that are not UTF-8 instead of failing.
    void chosenEncoding_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<qint64>("encoding");
        QTest::addColumn<bool>("exact");
        QTest::newRow("shift_jis as cp932") << "CP932 Japanese, Windows zip" << qint64(112) << true;
        QTest::newRow("gbk") << "CP936 Simplified Chinese, Windows zip" << qint64(113) << true;
        QTest::newRow("cp866") << "CP866 Russian, Windows zip" << qint64(110) << true;
        QTest::newRow("cp866 read as utf-8") << "CP866 Russian, Windows zip" << qint64(4) << false;
    }

    void chosenEncoding()
    {
        QFETCH(QString, label);
        QFETCH(qint64, encoding);
        QFETCH(bool, exact);
        const KTNameSet *set = corpusSet(label);
        QVERIFY(set);
        const KTJobOutcome out = extractLegacySet(*set, encoding);
        QVERIFY(out.succeeded);
        const QSet<QString> files = filesBelow(out.desPath);
        QCOMPARE(files.size(), set->names.size() + 1);
        QCOMPARE(exactNames(*set, files), exact ? int(set->names.size()) : 0);
        if (!exact) {
            const QString cp437 = KTEncodings::decodeDefault(kt_encodeName(set->names.first(), set->icuName));
            QVERIFY(files.contains(cp437));
        }
    }

    void streamFormatDetection_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QByteArray>("filter");
        QTest::addColumn<int>("wrongAtMost");
        // An uncompressed tar's names are all read before the first entry is
        // written, so the first one is decided with the rest.
        QTest::newRow("koi8-r tar") << u"KOI8-R"_s << QByteArray() << 0;
        QTest::newRow("euc-jp tar") << u"EUC-JP"_s << QByteArray() << 0;
        QTest::newRow("lithuanian tar") << u"windows-1257 Lithuanian"_s << QByteArray() << 0;
        // A compressed one is written as its names come, then renamed once
        // all of them have been seen.
        QTest::newRow("koi8-r tar.gz") << u"KOI8-R"_s << QByteArray("gzip") << 0;
        QTest::newRow("euc-jp tar.bz2") << u"EUC-JP"_s << QByteArray("bzip2") << 0;
    }

    void streamFormatDetection()
    {
        QFETCH(QString, label);
        QFETCH(QByteArray, filter);
        QFETCH(int, wrongAtMost);
        const KTNameSet *set = corpusSet(label);
        QVERIFY(set);
        const KTJobOutcome out = extractLegacySet(*set, Detect, "gnutar", filter);
        QVERIFY(out.succeeded);
        const QSet<QString> files = filesBelow(out.desPath);
        QVERIFY2(exactNames(*set, files) >= set->names.size() - wrongAtMost, qPrintable(QStringList(files.values()).join(u", ")));
    }

    // In a compressed tar whose first names alone read wrong: the folder,
    // the file in it, a symbolic link to it by a legacy target and a hard
    // link to it all end under the final names, and the links still reach
    // the file.
    void streamNamesSettleTogether()
    {
        const KTNameSet *set = corpusSet(u"KOI8-R"_s);
        QVERIFY(set);
        const QString folder = u"Книги"_s;
        const QString file = set->names.first();
        QVERIFY(file.startsWith(folder + u'/'));
        const auto koi8 = [&](const QString &name) { return kt_encodeName(name, set->icuName); };
        std::vector<KTTestEntry> entries{KTTestEntry::dir(koi8(folder))};
        for (const QString &name : set->names)
            entries.push_back(KTTestEntry::file(koi8(name), name.toUtf8()));
        entries.push_back(KTTestEntry::symlink(koi8(u"Ссылка"_s), koi8(file)));
        entries.push_back(KTTestEntry::hardlink(koi8(u"Копия.txt"_s), koi8(file)));
        const QString archive = m_dir.freshFolder(u"archive-"_s) + u"/links.tar.gz"_s;
        KTTestArchives::Options options;
        options.format = "gnutar";
        options.filter = "gzip";
        options.legacyNames = true;
        QVERIFY(KTTestArchives::write(archive, entries, options));
        auto prefs = kt_testPreferences(Detect);
        KTJobRun run(archive, m_tmp);
        run.preferences = prefs.get();
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        const QDir root(out.desPath);
        const QStringList top = root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
        for (const QString &name : set->names)
            QVERIFY2(QFileInfo(root.filePath(name)).isFile(), qPrintable(name + u" among "_s + top.join(u", ")));
        const QFileInfo link(root.filePath(u"Ссылка"_s));
        QVERIFY2(link.isSymLink(), qPrintable(top.join(u", ")));
        QCOMPARE(link.symLinkTarget(), QFileInfo(root.filePath(file)).absoluteFilePath());
        QFile copy(root.filePath(u"Копия.txt"_s));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), file.toUtf8());
        QVERIFY(!QFileInfo::exists(root.filePath(KTEncodings::decodeDefault(koi8(folder)))));
    }

    void legacyNamesInTarHeaders_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("folder");
        // pax marks names that are not UTF-8 "hdrcharset=BINARY"; GNU tar
        // stores names over 100 bytes in a long-name record; both raw.
        QTest::newRow("pax, binary names") << u"pax"_s << QString();
        QTest::newRow("gnu, long names") << u"gnu"_s
                                         << u"Очень длинное название папки с документами за прошлый год/"_s;
    }

    // Tars written by Python's tarfile with the names' CP866 bytes: the
    // header kinds libarchive's writer does not make.
    void legacyNamesInTarHeaders()
    {
        QFETCH(QString, format);
        QFETCH(QString, folder);
        if (!KTTestArchives::haveProgram(u"python3"_s))
            QSKIP("python3 is missing");
        const KTNameSet *set = corpusSet(u"CP866 Russian"_s);
        QVERIFY(set);
        static const char script[] = R"(
import io, sys, tarfile
out, fmt, enc, names = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
formats = {'pax': tarfile.PAX_FORMAT, 'gnu': tarfile.GNU_FORMAT}
with tarfile.open(out, 'w', format=formats[fmt], encoding='utf-8', errors='surrogateescape') as tar:
    for name in names + ['readme.txt']:
        info = tarfile.TarInfo(name.encode(enc).decode('utf-8', 'surrogateescape'))
        info.size = 1
        tar.addfile(info, io.BytesIO(b'x'))
)";
        const QString archive = m_dir.freshFolder(u"archive-"_s) + u"/legacy.tar"_s;
        QStringList arguments = {u"-c"_s, QString::fromLatin1(script), archive, format, u"cp866"_s};
        QStringList expected;
        for (const QString &name : set->names)
            expected << folder + name;
        arguments += expected;
        QVERIFY(KTTestArchives::run(u"python3"_s, arguments));
        KTJobRun run(archive, m_tmp);
        auto prefs = kt_testPreferences(Detect);
        run.preferences = prefs.get();
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        const QSet<QString> files = filesBelow(out.desPath);
        for (const QString &name : expected)
            QVERIFY2(files.contains(name), qPrintable(name + u" among "_s + QStringList(files.values()).join(u", ")));
    }

    // Names the format flags as UTF-8 are decided: a chosen legacy encoding
    // does not garble them.
    void flaggedNamesAreDecided()
    {
        const QString archive = m_dir.filePath("flagged.zip");
        QVERIFY(KTTestArchives::write(archive, {KTTestEntry::file("Привет/мир.txt", "a"), KTTestEntry::file("b.txt", "b")}));
        auto prefs = kt_testPreferences(112);
        KTJobRun run(archive, m_tmp);
        run.preferences = prefs.get();
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY(out.succeeded);
        QVERIFY(filesBelow(out.desPath).contains(QStringLiteral("Привет/мир.txt")));
    }

    void fixtures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("encoding");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("cp932 detected") << "test_read_format_zip_filename_cp932.zip" << Detect
                                        << QStringList{"表だよ/一覧表.txt", "表だよ/漢字.txt"};
        QTest::newRow("cp932 chosen") << "test_read_format_zip_filename_cp932.zip" << qint64(112)
                                      << QStringList{"表だよ/一覧表.txt", "表だよ/漢字.txt"};
        QTest::newRow("cp866 chosen") << "test_read_format_zip_filename_cp866.zip" << qint64(110)
                                      << QStringList{"ПРИВЕТ", "привет"};
        QTest::newRow("koi8-r chosen") << "test_read_format_zip_filename_koi8r.zip" << qint64(150)
                                       << QStringList{"привет", "ПРИВЕТ"};
        QTest::newRow("utf-8 flagged, cp866 chosen") << "test_read_format_zip_filename_utf8_ru.zip" << qint64(110)
                                                     << QStringList{"ПРИВЕТ", "привет"};
        QTest::newRow("info-zip unicode path") << "test_read_format_zip_7075_utf8_paths.zip" << qint64(112) << QStringList{};
    }

    // Real archives written by Windows and Japanese tools.
    void fixtures()
    {
        QFETCH(QString, name);
        QFETCH(qint64, encoding);
        QFETCH(QStringList, expected);
        const QString fixtures = kt_needFixtures();
        if (fixtures.isEmpty())
            return;
        auto prefs = kt_testPreferences(encoding);
        KTJobRun run(fixtures + "/" + name, m_tmp);
        run.preferences = prefs.get();
        const KTJobOutcome out = kt_runJob(run);
        QVERIFY2(out.succeeded, qPrintable(out.error.message()));
        const QSet<QString> files = filesBelow(m_tmp);
        for (const QString &file : files)
            QVERIFY2(KTEncodings::isValidUtf8(file.toUtf8()) && !file.contains(QChar::ReplacementCharacter), qPrintable(file));
        for (const QString &file : expected) {
            bool found = false;
            for (const QString &f : files)
                found = found || f.endsWith(file);
            QVERIFY2(found, qPrintable(file + " among " + QStringList(files.values()).join(", ")));
        }
    }
};

QTEST_GUILESS_MAIN(TestNames)
#include "tst_names.moc"
