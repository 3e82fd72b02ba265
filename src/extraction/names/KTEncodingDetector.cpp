#include "extraction/names/KTEncodingDetector.h"

#include "extraction/names/KTEncodings.h"
#include "extraction/names/KTNamePlausibility.h"

#include <QHash>
#include <QSet>

#include <unicode/ucsdet.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

using Language = KTNamePlausibility::Language;

// Enough text to judge by; more only costs time on huge archives.
constexpr qsizetype kSampleBytes = 64 * 1024;

struct Candidate {
    int id;
    Language language;
    double prior = 0.0;
    double icuConfidence = 0.0; // 0..1
    double score = 0.0;         // plausibility per non-ASCII byte, with the prior and ICU's opinion
    double reading = 0.0;       // plausibility per non-ASCII byte alone
    size_t hash = 0;            // of the decoded sample, to merge identical decodings
    int letters = 0;            // in the words of the script
    bool decodes = false;
};

// The code pages legacy tools actually wrote, in order of preference when
// two decode the sample identically: CP850 is a superset of CP437's letters,
// the Windows pages supersets of the standards ICU names. The prior, in
// plausibility points for the whole sample, favours the pages most archives
// were written in when the text alone barely tells two apart.
constexpr double kRare = -1.0;
constexpr struct {
    int id;
    Language language;
    double prior;
} kBaseCandidates[] = {
    {112, Language::Japanese, 0},           // windows-31j
    {113, Language::ChineseSimplified, 0},  // GBK
    {160, Language::ChineseSimplified, 0},  // GB18030, for the characters GBK lacks
    {114, Language::Korean, 0},             // windows-949
    {115, Language::ChineseTraditional, 0}, // windows-950
    {3, Language::Japanese, kRare},         // EUC-JP
    {104, Language::Alphabetic, 0},         // ibm-850
    {101, Language::Alphabetic, 0},         // ibm-437
    {12, Language::Alphabetic, 0},          // windows-1252
    {110, Language::Alphabetic, 0},         // ibm-866
    {11, Language::Alphabetic, 0},          // windows-1251
    {150, Language::Alphabetic, kRare},     // KOI8-R
    {102, Language::Alphabetic, 0},         // ibm-737
    {13, Language::Alphabetic, kRare},      // windows-1253
    {134, Language::Alphabetic, kRare},     // ISO-8859-7
    {15, Language::Alphabetic, 0},          // windows-1250
    {105, Language::Alphabetic, kRare},     // ibm-852
    {132, Language::Alphabetic, kRare},     // ISO-8859-5
    {151, Language::Alphabetic, kRare},     // KOI8-U
    {152, Language::Alphabetic, kRare},     // x-mac-cyrillic
    {106, Language::Alphabetic, kRare},     // ibm-855
    {14, Language::Alphabetic, 0},          // windows-1254
    {107, Language::Alphabetic, 0},         // ibm-857
    {122, Language::Alphabetic, 0},         // windows-1257
    {103, Language::Alphabetic, kRare},     // ibm-775
    {121, Language::Alphabetic, 0},         // windows-1256
    {120, Language::Alphabetic, 0},         // windows-1255
    {109, Language::Alphabetic, 0},         // ibm-862
    {111, Language::Alphabetic, 0},         // windows-874
    {30, Language::Alphabetic, 0},          // macintosh
    {5, Language::Alphabetic, kRare},       // ISO-8859-1
    {141, Language::Alphabetic, kRare},     // ISO-8859-15
    {9, Language::Alphabetic, kRare},       // ISO-8859-2
    {136, Language::Alphabetic, kRare},     // ISO-8859-9
    {139, Language::Alphabetic, kRare},     // ISO-8859-13
    {131, Language::Alphabetic, kRare},     // ISO-8859-4
    {137, Language::Alphabetic, kRare},     // ISO-8859-10
    {130, Language::Alphabetic, kRare},     // ISO-8859-3
    {140, Language::Alphabetic, kRare},     // ISO-8859-14
    {135, Language::Alphabetic, kRare},     // ISO-8859-8
    {133, Language::Alphabetic, kRare},     // ISO-8859-6
    {138, Language::Alphabetic, kRare},     // ISO-8859-11
    {108, Language::Alphabetic, kRare},     // ibm-860
};

// ICU's charset names onto table entries, Windows supersets first.
struct IcuMapping {
    const char *icuName;
    int ids[2];
    Language language;
};
constexpr IcuMapping kIcuMappings[] = {
    {"Shift_JIS", {112, 8}, Language::Japanese},
    {"EUC-JP", {3, 0}, Language::Japanese},
    {"ISO-2022-JP", {21, 0}, Language::Japanese},
    {"GB18030", {113, 160}, Language::ChineseSimplified},
    {"Big5", {115, 170}, Language::ChineseTraditional},
    {"EUC-KR", {114, 180}, Language::Korean},
    {"ISO-8859-1", {12, 0}, Language::Alphabetic},
    {"windows-1252", {12, 0}, Language::Alphabetic},
    {"ISO-8859-2", {15, 9}, Language::Alphabetic},
    {"windows-1250", {15, 0}, Language::Alphabetic},
    {"ISO-8859-5", {132, 0}, Language::Alphabetic},
    {"windows-1251", {11, 0}, Language::Alphabetic},
    {"KOI8-R", {150, 0}, Language::Alphabetic},
    {"ISO-8859-6", {133, 0}, Language::Alphabetic},
    {"windows-1256", {121, 0}, Language::Alphabetic},
    {"ISO-8859-7", {134, 0}, Language::Alphabetic},
    {"windows-1253", {13, 0}, Language::Alphabetic},
    {"ISO-8859-8", {135, 0}, Language::Alphabetic},
    {"ISO-8859-8-I", {135, 0}, Language::Alphabetic},
    {"windows-1255", {120, 0}, Language::Alphabetic},
    {"ISO-8859-9", {136, 0}, Language::Alphabetic},
    {"windows-1254", {14, 0}, Language::Alphabetic},
};

// Views into the caller's names, which outlive the detection.
struct Sample {
    std::vector<QByteArrayView> all; // distinct non-ASCII path components
    std::vector<QByteArray> scored;  // the part that is scored (raw data, not copies)
    qsizetype highBytes = 0;         // bytes >= 0x80 in the scored part
    bool stateful = false;           // some name uses ISO-2022 escapes
};

bool isAsciiView(QByteArrayView bytes)
{
    return std::none_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
}

// ISO-2022-JP is seven-bit: its escape sequences, not high bytes, mark the
// names that need decoding.
bool hasIso2022Escapes(const QByteArray &name)
{
    return name.contains("\x1b$") || name.contains("\x1b(");
}

// Paths share their folders, so distinct components are far less text than
// the names. '/' never occurs inside a double-byte character of the
// candidate pages; names in the stateful ISO-2022-JP stay whole.
Sample collectSample(const std::vector<QByteArray> &rawNames)
{
    Sample s;
    QSet<QByteArrayView> seen;
    seen.reserve(qsizetype(rawNames.size()));
    qsizetype total = 0;
    const auto add = [&](QByteArrayView part, bool stateful = false) {
        if (part.isEmpty() || (!stateful && isAsciiView(part)) || seen.contains(part))
            return;
        seen.insert(part);
        s.all.push_back(part);
        total += part.size();
    };
    for (const QByteArray &name : rawNames) {
        if (hasIso2022Escapes(name)) {
            s.stateful = true;
            add(name, true);
            continue;
        }
        if (KTEncodings::isAscii(name))
            continue;
        const QByteArrayView view(name);
        qsizetype start = 0;
        for (qsizetype slash; (slash = view.indexOf('/', start)) >= 0; start = slash + 1)
            add(view.sliced(start, slash - start));
        add(view.sliced(start));
    }
    // Spread the sample over the whole archive rather than its first folder.
    const size_t stride = size_t(std::max<qsizetype>(1, (total + kSampleBytes - 1) / kSampleBytes));
    for (size_t i = 0; i < s.all.size(); i += stride) {
        const QByteArrayView part = s.all[i];
        s.scored.push_back(QByteArray::fromRawData(part.data(), part.size()));
        const qsizetype high = std::count_if(part.begin(), part.end(), [](char c) { return c & 0x80; });
        // Roughly the shifted bytes of a seven-bit name.
        s.highBytes += high ? high : part.size() / 2;
    }
    return s;
}

struct DetectorDeleter {
    void operator()(UCharsetDetector *d) const { ucsdet_close(d); }
};

void addIcuGuesses(const Sample &sample, std::vector<Candidate> &candidates)
{
    QByteArray text;
    for (const QByteArray &part : sample.scored) {
        text += part;
        text += '\n';
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, DetectorDeleter> detector(ucsdet_open(&status));
    if (U_FAILURE(status))
        return;
    ucsdet_setText(detector.get(), text.constData(), int32_t(text.size()), &status);
    int32_t count = 0;
    const UCharsetMatch **matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status))
        return;
    for (int32_t i = 0; i < count; ++i) {
        UErrorCode s = U_ZERO_ERROR;
        const char *name = ucsdet_getName(matches[i], &s);
        const double confidence = ucsdet_getConfidence(matches[i], &s) / 100.0;
        if (U_FAILURE(s) || !name)
            continue;
        for (const IcuMapping &m : kIcuMappings) {
            if (qstrcmp(m.icuName, name) != 0)
                continue;
            for (int id : m.ids) {
                if (id == 0)
                    continue;
                auto it = std::find_if(candidates.begin(), candidates.end(), [id](const Candidate &c) { return c.id == id; });
                if (it == candidates.end())
                    candidates.push_back({id, m.language, kRare, confidence});
                else
                    it->icuConfidence = std::max(it->icuConfidence, confidence);
            }
        }
    }
}

// Letters of the words that hold a non-ASCII letter: how much text in the
// script there is to judge by.
int lettersInScript(QStringView text)
{
    int letters = 0;
    int word = 0;
    bool inScript = false;
    for (QChar ch : text) {
        if (ch.isLetter() || ch.isMark()) {
            ++word;
            inScript = inScript || (ch.unicode() >= 0x80 && ch.isLetter());
            continue;
        }
        letters += inScript ? word : 0;
        word = 0;
        inScript = false;
    }
    return letters + (inScript ? word : 0);
}

void scoreCandidate(Candidate &c, const Sample &sample)
{
    const QByteArray icuName = KTEncodings::encodingNameForEncoding(c.id);
    // One text, so that the plausibility sees which letters the names share.
    QString text;
    size_t hash = 0;
    for (const QByteArray &part : sample.scored) {
        const std::optional<QString> decoded = KTEncodings::decode(part, icuName);
        if (!decoded)
            return;
        text += *decoded;
        text += u'/';
        hash = qHashMulti(hash, *decoded);
    }
    c.decodes = true;
    c.hash = hash;
    c.letters = lettersInScript(text);
    const double total = KTNamePlausibility::score(text, c.language);
    // ICU's statistics are a second opinion worth a fraction of a letter.
    c.reading = total / double(std::max<qsizetype>(1, sample.highBytes));
    c.score = c.reading + c.prior / double(std::max<qsizetype>(1, sample.highBytes)) + 0.4 * c.icuConfidence;
}

// Single-byte pages that map every byte cannot fail on the rest.
bool decodesEveryByte(int id)
{
    static const QSet<int> total = [] {
        QSet<int> ids;
        for (const KTEncodingInfo &info : KTEncodings::all()) {
            bool all = true;
            for (int b = 0x80; b <= 0xFF && all; ++b)
                all = KTEncodings::canDecode(QByteArray(1, char(b)), info.icuName);
            if (all)
                ids.insert(info.id);
        }
        return ids;
    }();
    return total.contains(id);
}

bool decodesAll(const Candidate &c, const Sample &sample)
{
    if (sample.scored.size() == sample.all.size() || decodesEveryByte(c.id))
        return true;
    const QByteArray icuName = KTEncodings::encodingNameForEncoding(c.id);
    if (sample.stateful) {
        return std::all_of(sample.all.begin(), sample.all.end(), [&](QByteArrayView part) {
            return KTEncodings::canDecode(QByteArray::fromRawData(part.data(), part.size()), icuName);
        });
    }
    // Converting many names at once saves the per-call cost. A newline is
    // never part of a multi-byte character, so a name cut short still fails.
    QByteArray chunk;
    for (size_t i = 0; i < sample.all.size(); ++i) {
        chunk += sample.all[i];
        chunk += '\n';
        if (chunk.size() >= kSampleBytes || i + 1 == sample.all.size()) {
            if (!KTEncodings::canDecode(chunk, icuName))
                return false;
            chunk.resize(0);
        }
    }
    return true;
}

// Below this many letters in the script, one name is too little text to
// overrule the default decoding.
constexpr int kEnoughLetters = 3;

// A clear margin over the next different decoding, a winner that reads like
// text, and enough letters to judge by all have to hold for a high confidence.
float confidenceFor(const Candidate &best, const Candidate *runnerUp, qsizetype highBytes)
{
    const double n = double(highBytes);
    // The prior ranks pages; how well the winner reads is the text's alone.
    const double quality = std::clamp((best.reading + 0.4 * best.icuConfidence - 0.1) / 0.6, 0.0, 1.0);
    const double separation = runnerUp ? 1.0 - std::exp(-std::max(0.0, best.score - runnerUp->score) * n / 1.2) : 1.0;
    const double evidence = best.letters >= kEnoughLetters ? 1.0 : 0.7 * best.letters / kEnoughLetters;
    return float(std::clamp(std::min(quality, separation) * evidence, 0.0, 1.0));
}

} // namespace

KTDetectedEncoding KTEncodingDetector::detect(const std::vector<QByteArray> &rawNames)
{
    if (rawNames.empty())
        return {};
    bool allAscii = true;
    bool allUtf8 = true;
    for (const QByteArray &name : rawNames) {
        const bool stateful = hasIso2022Escapes(name);
        if (!stateful && KTEncodings::isAscii(name))
            continue;
        allAscii = false;
        if (stateful || !KTEncodings::isValidUtf8(name)) {
            allUtf8 = false;
            break;
        }
    }
    if (allAscii || allUtf8)
        return {KTEncodings::UTF8, 1.0f};

    const Sample sample = collectSample(rawNames);

    std::vector<Candidate> candidates;
    for (const auto &base : kBaseCandidates)
        candidates.push_back({base.id, base.language, base.prior});
    addIcuGuesses(sample, candidates);

    for (Candidate &c : candidates)
        scoreCandidate(c, sample);
    std::erase_if(candidates, [](const Candidate &c) { return !c.decodes; });
    // Stable: equal scores keep the order of preference.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.score > b.score; });

    // Pages that decode the sample identically are one answer, not rivals;
    // the runner-up is the best different reading.
    for (const Candidate &best : candidates) {
        if (!decodesAll(best, sample))
            continue;
        const auto runnerUp = std::find_if(candidates.begin(), candidates.end(),
                                           [&](const Candidate &c) { return c.hash != best.hash; });
        return {best.id, confidenceFor(best, runnerUp != candidates.end() ? &*runnerUp : nullptr, sample.highBytes)};
    }
    return {};
}
