#include "extraction/names/KTArchiveString.h"

#include "extraction/names/KTEncodings.h"

KTArchiveString::KTArchiveString(QByteArray raw, int detectedEncoding, float confidence)
    : m_raw(std::move(raw))
    , m_encoding(detectedEncoding)
    , m_confidence(confidence)
{
}

bool KTArchiveString::canDecodeWithEncoding(int encoding) const
{
    const QByteArray name = KTEncodings::encodingNameForEncoding(encoding);
    if (name.isEmpty())
        return false;
    return KTEncodings::canDecode(m_raw, name);
}

std::optional<QString> KTArchiveString::stringWithEncodingName(const QByteArray &name) const
{
    return KTEncodings::decode(m_raw, name);
}

QByteArray KTArchiveString::encodingNameForEncoding(int encoding)
{
    return KTEncodings::encodingNameForEncoding(encoding);
}
