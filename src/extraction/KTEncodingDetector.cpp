#include "KTEncodingDetector.h"

#include "KTEncodings.h"
#include "KTNamePlausibility.h"

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
    double icuConfidence = 0.0; // 0..1
    double score = 0.0;         // plausibility per non-ASCII byte
    size_t hash = 0;            // of the decoded sample, to merge identical decodings
    bool decodes = false;
};

// The code pages legacy tools actually wrote, in order of preference when
// two decode the sample identically: CP850 is a superset of CP437's letters,
// the Windows pages supersets of the standards ICU names.
constexpr struct {
    int id;
    Language language;
} kBaseCandidates[] = {
    {112, Language::Japanese},           // windows-31j
    {113, Language::ChineseSimplified},  // GBK
    {160, Language::ChineseSimplified},  // GB18030, for the characters GBK lacks
    {114, Language::Korean},             // windows-949
    {115, Language::ChineseTraditional}, // windows-950
    {3, Language::Japanese},             // EUC-JP
    {104, Language::Alphabetic},         // ibm-850
    {101, Language::Alphabetic},         // ibm-437
    {12, Language::Alphabetic},          // windows-1252
    {110, Language::Alphabetic},         // ibm-866
    {11, Language::Alphabetic},          // windows-1251
    {150, Language::Alphabetic},         // KOI8-R
    {102, Language::Alphabetic},         // ibm-737
    {13, Language::Alphabetic},          // windows-1253
    {134, Language::Alphabetic},         // ISO-8859-7
    {15, Language::Alphabetic},          // windows-1250
    {105, Language::Alphabetic},         // ibm-852
    {132, Language::Alphabetic},         // ISO-8859-5
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

struct Sample {
    std::vector<QByteArray> all;    // distinct non-ASCII path components
    std::vector<QByteArray> scored; // the part that is scored
    qsizetype highBytes = 0;        // bytes >= 0x80 in the scored part
};

qsizetype countHighBytes(const QByteArray &bytes)
{
    return std::count_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Paths share their folders, so distinct components are far less text than
// the names. '/' never occurs inside a double-byte character of the
// candidate pages; names in the stateful ISO-2022-JP stay whole.
Sample collectSample(const std::vector<QByteArray> &rawNames)
{
    Sample s;
    QSet<QByteArray> seen;
    qsizetype total = 0;
    const auto add = [&](const QByteArray &part) {
        if (part.isEmpty() || KTEncodings::isAscii(part) || seen.contains(part))
            return;
        seen.insert(part);
        s.all.push_back(part);
        total += part.size();
    };
    for (const QByteArray &name : rawNames) {
        if (KTEncodings::isAscii(name))
            continue;
        if (name.contains('\x1b')) {
            add(name);
            continue;
        }
        for (const QByteArray &part : name.split('/'))
            add(part);
    }
    // Spread the sample over the whole archive rather than its first folder.
    const size_t stride = size_t(std::max<qsizetype>(1, (total + kSampleBytes - 1) / kSampleBytes));
    for (size_t i = 0; i < s.all.size(); i += stride) {
        s.scored.push_back(s.all[i]);
        s.highBytes += countHighBytes(s.all[i]);
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
                    candidates.push_back({id, m.language, confidence});
                else
                    it->icuConfidence = std::max(it->icuConfidence, confidence);
            }
        }
    }
}

void scoreCandidate(Candidate &c, const Sample &sample)
{
    const QByteArray icuName = KTEncodings::encodingNameForEncoding(c.id);
    double total = 0.0;
    size_t hash = 0;
    for (const QByteArray &part : sample.scored) {
        const std::optional<QString> text = KTEncodings::decode(part, icuName);
        if (!text)
            return;
        total += KTNamePlausibility::score(*text, c.language);
        hash = qHashMulti(hash, *text);
    }
    c.decodes = true;
    c.hash = hash;
    // ICU's statistics are a second opinion worth a fraction of a letter.
    c.score = total / double(std::max<qsizetype>(1, sample.highBytes)) + 0.4 * c.icuConfidence;
}

bool decodesAll(const Candidate &c, const Sample &sample)
{
    if (sample.scored.size() == sample.all.size())
        return true;
    const QByteArray icuName = KTEncodings::encodingNameForEncoding(c.id);
    return std::all_of(sample.all.begin(), sample.all.end(),
                       [&](const QByteArray &part) { return KTEncodings::canDecode(part, icuName); });
}

// A clear margin over the next different decoding, a winner that reads like
// text, and enough bytes to judge by all have to hold for a high confidence.
float confidenceFor(const Candidate &best, const Candidate *runnerUp, qsizetype highBytes)
{
    const double n = double(highBytes);
    const double quality = std::clamp((best.score - 0.1) / 0.6, 0.0, 1.0);
    const double separation = runnerUp ? 1.0 - std::exp(-std::max(0.0, best.score - runnerUp->score) * n / 3.0) : 1.0;
    const double evidence = 1.0 - std::exp(-n / 6.0);
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
        if (KTEncodings::isAscii(name))
            continue;
        allAscii = false;
        if (!KTEncodings::isValidUtf8(name)) {
            allUtf8 = false;
            break;
        }
    }
    if (allAscii || allUtf8)
        return {KTEncodings::UTF8, 1.0f};

    const Sample sample = collectSample(rawNames);

    std::vector<Candidate> candidates;
    for (const auto &base : kBaseCandidates)
        candidates.push_back({base.id, base.language});
    addIcuGuesses(sample, candidates);

    for (Candidate &c : candidates)
        scoreCandidate(c, sample);
    std::erase_if(candidates, [](const Candidate &c) { return !c.decodes; });
    // Stable: equal scores keep the order of preference.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.score > b.score; });

    // Pages that decode the sample identically are one answer, not rivals;
    // the runner-up is the best different reading.
    if (qEnvironmentVariableIsSet("KT_DEBUG_DETECTOR"))
        for (const Candidate &c : candidates)
            qDebug("  %3d score %.3f icu %.2f hash %zx", c.id, c.score, c.icuConfidence, c.hash);
    for (const Candidate &best : candidates) {
        if (!decodesAll(best, sample))
            continue;
        const auto runnerUp = std::find_if(candidates.begin(), candidates.end(),
                                           [&](const Candidate &c) { return c.hash != best.hash; });
        return {best.id, confidenceFor(best, runnerUp != candidates.end() ? &*runnerUp : nullptr, sample.highBytes)};
    }
    return {};
}
