#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// An entry name as the archive stores it: raw bytes whose encoding is not
// known, with the encoding detected over all names of the archive and the
// detector's confidence (0 to 1).
class KTArchiveString
{
public:
    KTArchiveString() = default;
    KTArchiveString(QByteArray raw, int detectedEncoding, float confidence);

    const QByteArray &rawBytes() const { return m_raw; }
    int encoding() const { return m_encoding; }
    float confidence() const { return m_confidence; }

    bool canDecodeWithEncoding(int encoding) const;
    // Strict decoding with a converter name; an empty name applies the
    // default rule (UTF-8 when valid, otherwise CP437).
    std::optional<QString> stringWithEncodingName(const QByteArray &name) const;

    // The converter name for an encoding identifier; 0 gives the empty name.
    static QByteArray encodingNameForEncoding(int encoding);

private:
    QByteArray m_raw;
    int m_encoding = 0;
    float m_confidence = 0.0f;
};
