#include "extraction/names/KTEncodingDecision.h"

#include "extraction/names/KTArchiveString.h"

QByteArray KTEncodingDecision::encodingNameFor(const KTArchiveString &string, qint64 preferredEncoding, qint64 threshold)
{
    if (preferredEncoding != 0)
        return KTArchiveString::encodingNameForEncoding(int(preferredEncoding));
    const float percent = string.confidence() * 100.0f;
    if (percent >= float(threshold)) {
        const int detected = string.encoding();
        if (detected != 0 && string.canDecodeWithEncoding(detected))
            return KTArchiveString::encodingNameForEncoding(detected);
    }
    return KTArchiveString::encodingNameForEncoding(0);
}
