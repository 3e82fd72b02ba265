#include "extraction/sevenzip/KTSevenZipNames.h"

#include "extraction/names/KTEncodingDetector.h"
#include "extraction/names/KTEncodings.h"

namespace {

// Whether 7zz passed the name on as the archive's own bytes: bytes that are
// not UTF-8, or escape sequences (ISO-2022-JP), which UTF-8 never holds.
bool isRaw(const QByteArray &listed)
{
    return !KTEncodings::isValidUtf8(listed) || listed.contains('\x1b');
}

} // namespace

std::vector<QString> KTSevenZipNames::decide(const std::vector<QByteArray> &listed, const EncodingChooser &chooseEncoding)
{
    std::vector<QByteArray> undecided;
    for (const QByteArray &name : listed) {
        if (isRaw(name))
            undecided.push_back(name);
    }
    const KTDetectedEncoding detected = undecided.empty() ? KTDetectedEncoding{} : KTEncodingDetector::detect(undecided);

    std::vector<QString> names;
    names.reserve(listed.size());
    for (const QByteArray &name : listed) {
        if (!isRaw(name)) {
            names.push_back(QString::fromUtf8(name));
            continue;
        }
        const KTArchiveString string(name, detected.encoding, detected.confidence);
        names.push_back(KTEncodings::decodeOrDefault(name, chooseEncoding(string)));
    }
    return names;
}
