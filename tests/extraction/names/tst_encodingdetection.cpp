#include "extraction/names/KTArchiveString.h"
#include "extraction/names/KTEncodingDecision.h"
#include "extraction/names/KTEncodingDetector.h"
#include "extraction/names/KTEncodings.h"
#include "support/KTEncodingCorpus.h"

#include <QTest>

#include <thread>

using namespace Qt::Literals::StringLiterals;

// Legacy names: the encodings' converters, detection over all names of an
// archive, and the decision between preference, detection and default.
namespace {

constexpr qint64 Detect = 0;

std::vector<QByteArray> rawNames(const KTNameSet &set)
{
    std::vector<QByteArray> raw;
    for (const QString &name : set.names)
        raw.push_back(kt_encodeName(name, set.icuName));
    return raw;
}

// A name as "Detect automatically" decodes it at the default threshold.
QString decodedAsDetected(const QByteArray &raw, KTDetectedEncoding detected)
{
    const KTArchiveString string(raw, detected.encoding, detected.confidence);
    return KTEncodings::decodeOrDefault(raw, KTEncodingDecision::encodingNameFor(string, KTEncodings::Detect, 80));
}

// What a wrong reading looks like: CP437's box drawing and blocks, or U+FFFD.
bool looksGarbled(const QString &name)
{
    return std::any_of(name.begin(), name.end(), [](QChar c) {
        return (c.unicode() >= 0x2500 && c.unicode() <= 0x259F) || c == QChar::ReplacementCharacter;
    });
}

} // namespace

class TestEncodingDetection : public QObject
{
    Q_OBJECT

private slots:
    // The decision, exactly: a chosen encoding wins; otherwise the detected
    // one at or above the threshold (in percent, single precision) when it
    // decodes the name; otherwise the default.
    void decision()
    {
        const QByteArray sjis = kt_encodeName(QStringLiteral("表だよ.txt"), "Shift_JIS");
        const KTArchiveString at80(sjis, 8, 0.80f);
        const KTArchiveString at79(sjis, 8, 0.79f);
        QCOMPARE(KTEncodingDecision::encodingNameFor(at80, Detect, 80), QByteArray("Shift_JIS"));
        QCOMPARE(KTEncodingDecision::encodingNameFor(at79, Detect, 80), QByteArray());
        QCOMPARE(KTEncodingDecision::encodingNameFor(at79, Detect, 79), QByteArray("Shift_JIS"));
        QCOMPARE(KTEncodingDecision::encodingNameFor(at80, 4, 80), QByteArray("UTF-8"));
        QCOMPARE(KTEncodingDecision::encodingNameFor(at80, 110, 80), QByteArray("ibm-866"));
        QCOMPARE(KTEncodingDecision::encodingNameFor(KTArchiveString(sjis, 0, 1.0f), Detect, 80), QByteArray());
        // Detected with full confidence, but the bytes are not valid in it.
        QCOMPARE(KTEncodingDecision::encodingNameFor(KTArchiveString(sjis, 4, 1.0f), Detect, 80), QByteArray());
        // An identifier no table entry has falls back to the default rule.
        QCOMPARE(KTEncodingDecision::encodingNameFor(at80, 99999, 80), QByteArray());
        QCOMPARE(KTEncodings::decodeOrDefault("caf\x82", QByteArray()), QStringLiteral("café"));
    }
    void tableConverters_data();
    void tableConverters();
    void asciiAndUtf8();
    void thinEvidenceIsUnsure();
    void shortEvidence_data();
    void shortEvidence();
    void corpusTargets_data();
    void corpusTargets();
    void wrongCyrillicPageLoses();
    void everyNameMustDecode();
    void concurrentCalls();
};

void TestEncodingDetection::tableConverters_data()
{
    QTest::addColumn<QByteArray>("icuName");
    for (const KTEncodingInfo &info : KTEncodings::all())
        QTest::newRow(info.icuName) << QByteArray(info.icuName);
}

void TestEncodingDetection::tableConverters()
{
    QFETCH(QByteArray, icuName);
    // A name with the first letter the page holds must survive the round trip,
    // so a converter that opens but maps nothing fails too.
    const QString letters = u"éжα漢한กשشğőāç"_s;
    for (QChar letter : letters) {
        const QString name = u"Report "_s + letter + u".txt"_s;
        const std::optional<QByteArray> raw = KTEncodings::encode(name, icuName);
        if (!raw)
            continue;
        QVERIFY(!KTEncodings::isAscii(*raw) || raw->contains('\x1b'));
        QCOMPARE(KTEncodings::decode(*raw, icuName), std::optional<QString>(name));
        return;
    }
    QFAIL("the converter does not open or holds none of the sample letters");
}

void TestEncodingDetection::asciiAndUtf8()
{
    const KTDetectedEncoding ascii = KTEncodingDetector::detect({"docs/readme.txt", "a/b/c.bin"});
    QCOMPARE(ascii.encoding, KTEncodings::UTF8);
    QCOMPARE(ascii.confidence, 1.0f);

    const KTDetectedEncoding utf8 =
        KTEncodingDetector::detect({"readme.txt", u"Отчёт/смета.xlsx"_s.toUtf8(), u"写真/旅行.jpg"_s.toUtf8()});
    QCOMPARE(utf8.encoding, KTEncodings::UTF8);
    QCOMPARE(utf8.confidence, 1.0f);

    // One name that is not UTF-8 rules UTF-8 out for the whole archive.
    const KTDetectedEncoding mixed = KTEncodingDetector::detect(
        {u"Grüße.txt"_s.toUtf8(), kt_encodeName(u"Überweisung März.pdf"_s, "ibm-850")});
    QVERIFY(mixed.encoding != KTEncodings::UTF8);

    const KTDetectedEncoding none = KTEncodingDetector::detect({});
    QCOMPARE(none.encoding, 0);
    QCOMPARE(none.confidence, 0.0f);
}

void TestEncodingDetection::thinEvidenceIsUnsure()
{
    // Fewer than three letters in the script, or a reading that is as
    // plausible in another script: the default decoding stays.
    const struct {
        QString name;
        QByteArray icuName;
    } cases[] = {
        {u"Ёж"_s, "ibm-866"},
        {u"éa"_s, "ibm-850"},
        {u"Да.txt"_s, "windows-1251"},
        {u"写真"_s, "GBK"},
        {u"ağ.txt"_s, "windows-1254"},
    };
    for (const auto &c : cases) {
        const KTDetectedEncoding detected = KTEncodingDetector::detect({kt_encodeName(c.name, c.icuName)});
        QVERIFY2(detected.confidence < 0.8f, qPrintable(c.name + u" %1"_s.arg(detected.confidence)));
    }
}

void TestEncodingDetection::shortEvidence_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("icuName");
    // One name of three letters or more that only one page reads as a word.
    QTest::newRow("cp866 three letters") << u"Кот.jpg"_s << QByteArray("ibm-866");
    QTest::newRow("cp866 with yo") << u"Отчёт.doc"_s << QByteArray("ibm-866");
    QTest::newRow("cp1251") << u"Справка.pdf"_s << QByteArray("windows-1251");
    QTest::newRow("koi8-r") << u"Письмо.txt"_s << QByteArray("KOI8-R");
    QTest::newRow("thai") << u"สรุป.doc"_s << QByteArray("windows-874");
    QTest::newRow("arabic") << u"تقرير.doc"_s << QByteArray("windows-1256");
    QTest::newRow("greek") << u"Σημειώσεις.txt"_s << QByteArray("windows-1253");
    QTest::newRow("mac roman") << u"Café.txt"_s << QByteArray("macintosh");
    QTest::newRow("latin-1 in a folder") << u"Briefe/Grüße.txt"_s << QByteArray("ISO-8859-1");
}

void TestEncodingDetection::shortEvidence()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, icuName);
    const QByteArray raw = kt_encodeName(name, icuName);
    QVERIFY(!raw.isEmpty());
    const KTDetectedEncoding detected = KTEncodingDetector::detect({raw});
    QCOMPARE(decodedAsDetected(raw, detected), name);
}

void TestEncodingDetection::corpusTargets_data()
{
    QTest::addColumn<QString>("script");
    QSet<QString> scripts;
    for (const KTNameSet &set : kt_encodingCorpus())
        scripts.insert(kt_scriptOf(set.encoding));
    QStringList sorted = scripts.values();
    sorted.sort();
    for (const QString &script : sorted)
        QTest::newRow(qPrintable(script)) << script;
    QTest::newRow("overall") << QString();
}

// Each set is one archive's names: the share of its legacy (non-ASCII)
// names that "Detect automatically" decodes exactly, per script and overall,
// and how many of the wrong ones are garbled where another page was right.
void TestEncodingDetection::corpusTargets()
{
    QFETCH(QString, script);
    int exact = 0;
    int total = 0;
    int garbled = 0;
    for (const KTNameSet &set : kt_encodingCorpus()) {
        if (!script.isEmpty() && kt_scriptOf(set.encoding) != script)
            continue;
        const std::vector<QByteArray> raw = rawNames(set);
        const KTDetectedEncoding detected = KTEncodingDetector::detect(raw);
        for (size_t i = 0; i < raw.size(); ++i) {
            if (KTEncodings::isAscii(raw[i]))
                continue;
            const QString decoded = decodedAsDetected(raw[i], detected);
            ++total;
            exact += decoded == set.names[qsizetype(i)] ? 1 : 0;
            garbled += decoded != set.names[qsizetype(i)] && looksGarbled(decoded) ? 1 : 0;
        }
    }
    qInfo("%-18s %3d/%3d exact (%.1f%%), %d garbled", qPrintable(script.isEmpty() ? u"overall"_s : script), exact,
          total, 100.0 * exact / std::max(1, total), garbled);
    if (script.isEmpty()) {
        QVERIFY(exact * 100 >= total * 95);
    } else if (total >= 3) {
        QVERIFY(exact * 100 >= total * 80);
    }
}

void TestEncodingDetection::wrongCyrillicPageLoses()
{
    // The Cyrillic pages map every byte, so only the text tells them apart.
    const QStringList names = {u"Привет/Новый документ.txt"_s, u"Сводная таблица.xlsx"_s, u"Фото с дачи.jpg"_s};
    for (const QByteArray icuName : {"ibm-866", "windows-1251", "KOI8-R"}) {
        std::vector<QByteArray> raw;
        for (const QString &name : names)
            raw.push_back(kt_encodeName(name, icuName));
        const KTDetectedEncoding detected = KTEncodingDetector::detect(raw);
        const QByteArray detectedName = KTEncodings::encodingNameForEncoding(detected.encoding);
        QCOMPARE(KTEncodings::decode(raw[0], detectedName), std::optional<QString>(names[0]));
    }
}

void TestEncodingDetection::everyNameMustDecode()
{
    // More text than is scored, all in GBK's range, then one name only
    // GB18030 can hold: the choice must still decode it.
    std::vector<QByteArray> raw;
    for (int i = 0; i < 4000; ++i)
        raw.push_back(kt_encodeName(u"工作资料/项目文档 %1/会议纪要与总结报告 %1.docx"_s.arg(i), "GB18030"));
    const QString rare = u"工作资料/\U00020000\u4E00.txt"_s;
    raw.push_back(kt_encodeName(rare, "GB18030"));
    QVERIFY(!KTEncodings::canDecode(raw.back(), "GBK"));
    const KTDetectedEncoding detected = KTEncodingDetector::detect(raw);
    const QByteArray icuName = KTEncodings::encodingNameForEncoding(detected.encoding);
    QCOMPARE(KTEncodings::decode(raw.back(), icuName), std::optional<QString>(rare));
    QCOMPARE(KTEncodings::decode(raw.front(), icuName), std::optional<QString>(u"工作资料/项目文档 0/会议纪要与总结报告 0.docx"_s));
}

void TestEncodingDetection::concurrentCalls()
{
    const auto &corpus = kt_encodingCorpus();
    std::vector<KTDetectedEncoding> serial;
    for (const KTNameSet &set : corpus)
        serial.push_back(KTEncodingDetector::detect(rawNames(set)));

    std::vector<std::vector<KTDetectedEncoding>> parallel(4);
    std::vector<std::thread> threads;
    for (auto &results : parallel) {
        threads.emplace_back([&corpus, &results] {
            for (int round = 0; round < 5; ++round) {
                results.clear();
                for (const KTNameSet &set : corpus)
                    results.push_back(KTEncodingDetector::detect(rawNames(set)));
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    for (const auto &results : parallel) {
        for (size_t i = 0; i < serial.size(); ++i) {
            QCOMPARE(results[i].encoding, serial[i].encoding);
            QCOMPARE(results[i].confidence, serial[i].confidence);
        }
    }
}
QTEST_GUILESS_MAIN(TestEncodingDetection)
#include "tst_encodingdetection.moc"
