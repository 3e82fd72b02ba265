#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <span>

// One text encoding the application offers for entry names and passwords.
struct KTEncodingInfo {
    int id;               // stable identifier, stored in the preferences
    const char *icuName;  // ICU converter name
    const char *label;    // human-readable name, translated in context "KTEncodings"
};

// The fixed table of encodings and strict conversions through ICU.
//
// Identifiers never change once released: they are stored in the user's
// preferences. 0 means "detect automatically" and is not in the table; 4 is
// UTF-8, the default. UTF-16 with a byte-order mark is left out on purpose.
class KTEncodings
{
public:
    static constexpr int Detect = 0;
    static constexpr int UTF8 = 4;

    static std::span<const KTEncodingInfo> all();
    static const KTEncodingInfo *find(int id);
    // Matches an identifier, an ICU name or alias, or a label, case-insensitively.
    static const KTEncodingInfo *findByName(QStringView text);

    // The converter name for an identifier. 0 and unknown identifiers give an
    // empty name, which stands for the default decoding below.
    static QByteArray encodingNameForEncoding(int id);

    // Strict decoding: nullopt when any byte sequence is invalid in the
    // encoding. An empty name applies the default rule.
    static std::optional<QString> decode(const QByteArray &bytes, const QByteArray &icuName);
    static bool canDecode(const QByteArray &bytes, const QByteArray &icuName);
    // Default rule: UTF-8 when the bytes are valid UTF-8, otherwise CP437,
    // which maps every byte and so never fails.
    static QString decodeDefault(const QByteArray &bytes);
    // Decodes with the named encoding, or by the default rule when that fails.
    static QString decodeOrDefault(const QByteArray &bytes, const QByteArray &icuName);

    static bool isValidUtf8(const QByteArray &bytes);
    static bool isAscii(const QByteArray &bytes);

    // Strict encoding; an empty name means UTF-8.
    static std::optional<QByteArray> encode(QStringView text, const QByteArray &icuName);
};
