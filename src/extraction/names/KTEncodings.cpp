#include "extraction/names/KTEncodings.h"

#include <QtGlobal>

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

namespace {

constexpr std::array kTable = {
    KTEncodingInfo{4, "UTF-8", QT_TRANSLATE_NOOP("KTEncodings", "Unicode (UTF-8)")},
    KTEncodingInfo{5, "ISO-8859-1", QT_TRANSLATE_NOOP("KTEncodings", "Western (ISO Latin 1)")},
    KTEncodingInfo{12, "windows-1252", QT_TRANSLATE_NOOP("KTEncodings", "Western (Windows Latin 1)")},
    KTEncodingInfo{30, "macintosh", QT_TRANSLATE_NOOP("KTEncodings", "Western (Mac OS Roman)")},
    KTEncodingInfo{101, "ibm-437", QT_TRANSLATE_NOOP("KTEncodings", "Latin-US (DOS, CP437)")},
    KTEncodingInfo{104, "ibm-850", QT_TRANSLATE_NOOP("KTEncodings", "Western European (DOS, CP850)")},
    KTEncodingInfo{108, "ibm-860", QT_TRANSLATE_NOOP("KTEncodings", "Portuguese (DOS, CP860)")},
    KTEncodingInfo{9, "ISO-8859-2", QT_TRANSLATE_NOOP("KTEncodings", "Central European (ISO Latin 2)")},
    KTEncodingInfo{15, "windows-1250", QT_TRANSLATE_NOOP("KTEncodings", "Central European (Windows Latin 2)")},
    KTEncodingInfo{105, "ibm-852", QT_TRANSLATE_NOOP("KTEncodings", "Central European (DOS, CP852)")},
    KTEncodingInfo{130, "ISO-8859-3", QT_TRANSLATE_NOOP("KTEncodings", "Western (ISO Latin 3)")},
    KTEncodingInfo{131, "ISO-8859-4", QT_TRANSLATE_NOOP("KTEncodings", "Central European (ISO Latin 4)")},
    KTEncodingInfo{132, "ISO-8859-5", QT_TRANSLATE_NOOP("KTEncodings", "Cyrillic (ISO 8859-5)")},
    KTEncodingInfo{11, "windows-1251", QT_TRANSLATE_NOOP("KTEncodings", "Cyrillic (Windows)")},
    KTEncodingInfo{110, "ibm-866", QT_TRANSLATE_NOOP("KTEncodings", "Cyrillic (DOS, CP866)")},
    KTEncodingInfo{106, "ibm-855", QT_TRANSLATE_NOOP("KTEncodings", "Cyrillic (DOS, CP855)")},
    KTEncodingInfo{150, "KOI8-R", QT_TRANSLATE_NOOP("KTEncodings", "Cyrillic (KOI8-R)")},
    KTEncodingInfo{151, "KOI8-U", QT_TRANSLATE_NOOP("KTEncodings", "Ukrainian (KOI8-U)")},
    KTEncodingInfo{152, "x-mac-cyrillic", QT_TRANSLATE_NOOP("KTEncodings", "Cyrillic (Mac OS)")},
    KTEncodingInfo{133, "ISO-8859-6", QT_TRANSLATE_NOOP("KTEncodings", "Arabic (ISO 8859-6)")},
    KTEncodingInfo{121, "windows-1256", QT_TRANSLATE_NOOP("KTEncodings", "Arabic (Windows)")},
    KTEncodingInfo{134, "ISO-8859-7", QT_TRANSLATE_NOOP("KTEncodings", "Greek (ISO 8859-7)")},
    KTEncodingInfo{13, "windows-1253", QT_TRANSLATE_NOOP("KTEncodings", "Greek (Windows)")},
    KTEncodingInfo{102, "ibm-737", QT_TRANSLATE_NOOP("KTEncodings", "Greek (DOS, CP737)")},
    KTEncodingInfo{135, "ISO-8859-8", QT_TRANSLATE_NOOP("KTEncodings", "Hebrew (ISO 8859-8)")},
    KTEncodingInfo{120, "windows-1255", QT_TRANSLATE_NOOP("KTEncodings", "Hebrew (Windows)")},
    KTEncodingInfo{109, "ibm-862", QT_TRANSLATE_NOOP("KTEncodings", "Hebrew (DOS, CP862)")},
    KTEncodingInfo{136, "ISO-8859-9", QT_TRANSLATE_NOOP("KTEncodings", "Turkish (ISO Latin 5)")},
    KTEncodingInfo{14, "windows-1254", QT_TRANSLATE_NOOP("KTEncodings", "Turkish (Windows Latin 5)")},
    KTEncodingInfo{107, "ibm-857", QT_TRANSLATE_NOOP("KTEncodings", "Turkish (DOS, CP857)")},
    KTEncodingInfo{137, "ISO-8859-10", QT_TRANSLATE_NOOP("KTEncodings", "Nordic (ISO Latin 6)")},
    KTEncodingInfo{138, "ISO-8859-11", QT_TRANSLATE_NOOP("KTEncodings", "Thai (ISO 8859-11)")},
    KTEncodingInfo{111, "windows-874", QT_TRANSLATE_NOOP("KTEncodings", "Thai (Windows, CP874)")},
    KTEncodingInfo{139, "ISO-8859-13", QT_TRANSLATE_NOOP("KTEncodings", "Baltic (ISO Latin 7)")},
    KTEncodingInfo{122, "windows-1257", QT_TRANSLATE_NOOP("KTEncodings", "Baltic (Windows)")},
    KTEncodingInfo{103, "ibm-775", QT_TRANSLATE_NOOP("KTEncodings", "Baltic (DOS, CP775)")},
    KTEncodingInfo{140, "ISO-8859-14", QT_TRANSLATE_NOOP("KTEncodings", "Celtic (ISO Latin 8)")},
    KTEncodingInfo{141, "ISO-8859-15", QT_TRANSLATE_NOOP("KTEncodings", "Western (ISO Latin 9)")},
    KTEncodingInfo{123, "windows-1258", QT_TRANSLATE_NOOP("KTEncodings", "Vietnamese (Windows)")},
    KTEncodingInfo{8, "Shift_JIS", QT_TRANSLATE_NOOP("KTEncodings", "Japanese (Shift JIS)")},
    KTEncodingInfo{112, "windows-31j", QT_TRANSLATE_NOOP("KTEncodings", "Japanese (Windows, CP932)")},
    KTEncodingInfo{3, "EUC-JP", QT_TRANSLATE_NOOP("KTEncodings", "Japanese (EUC)")},
    KTEncodingInfo{21, "ISO-2022-JP", QT_TRANSLATE_NOOP("KTEncodings", "Japanese (ISO 2022-JP)")},
    KTEncodingInfo{113, "GBK", QT_TRANSLATE_NOOP("KTEncodings", "Chinese Simplified (GBK, CP936)")},
    KTEncodingInfo{160, "GB18030", QT_TRANSLATE_NOOP("KTEncodings", "Chinese Simplified (GB 18030)")},
    KTEncodingInfo{161, "GB2312", QT_TRANSLATE_NOOP("KTEncodings", "Chinese Simplified (GB 2312)")},
    KTEncodingInfo{170, "Big5", QT_TRANSLATE_NOOP("KTEncodings", "Chinese Traditional (Big 5)")},
    KTEncodingInfo{115, "windows-950", QT_TRANSLATE_NOOP("KTEncodings", "Chinese Traditional (Windows, CP950)")},
    KTEncodingInfo{171, "Big5-HKSCS", QT_TRANSLATE_NOOP("KTEncodings", "Chinese Traditional (Big 5 HKSCS)")},
    KTEncodingInfo{180, "EUC-KR", QT_TRANSLATE_NOOP("KTEncodings", "Korean (EUC)")},
    KTEncodingInfo{114, "windows-949", QT_TRANSLATE_NOOP("KTEncodings", "Korean (Windows, CP949)")},
};

struct ConverterDeleter {
    void operator()(UConverter *c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterDeleter>;

// Opening a converter costs more than converting a short name, so each thread
// keeps the ones it used. Converters are not thread-safe, hence per thread.
UConverter *converterFor(const QByteArray &name)
{
    thread_local std::unordered_map<std::string, ConverterPtr> cache;
    const std::string key = name.toStdString();
    auto it = cache.find(key);
    if (it == cache.end()) {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr conv(ucnv_open(key.c_str(), &status));
        if (U_FAILURE(status))
            conv.reset();
        it = cache.emplace(key, std::move(conv)).first;
    }
    UConverter *conv = it->second.get();
    if (conv)
        ucnv_reset(conv);
    return conv;
}

bool sameConverter(const char *a, const char *b)
{
    return ucnv_compareNames(a, b) == 0;
}

} // namespace

std::span<const KTEncodingInfo> KTEncodings::all()
{
    return kTable;
}

const KTEncodingInfo *KTEncodings::find(int id)
{
    for (const auto &e : kTable) {
        if (e.id == id)
            return &e;
    }
    return nullptr;
}

const KTEncodingInfo *KTEncodings::findByName(QStringView text)
{
    bool isNumber = false;
    const int id = text.toInt(&isNumber);
    if (isNumber)
        return find(id);
    const QByteArray name = text.toUtf8();
    for (const auto &e : kTable) {
        if (sameConverter(e.icuName, name.constData()) || text.compare(QLatin1String(e.label), Qt::CaseInsensitive) == 0)
            return &e;
    }
    // An alias such as "cp866" or "sjis": compare canonical converter names.
    UErrorCode status = U_ZERO_ERROR;
    const char *canonical = ucnv_getCanonicalName(name.constData(), "", &status);
    if (U_FAILURE(status) || !canonical)
        canonical = ucnv_getAlias(name.constData(), 0, &status);
    if (U_SUCCESS(status) && canonical) {
        for (const auto &e : kTable) {
            UErrorCode s2 = U_ZERO_ERROR;
            const char *mine = ucnv_getAlias(e.icuName, 0, &s2);
            if (U_SUCCESS(s2) && mine && sameConverter(mine, canonical))
                return &e;
        }
    }
    return nullptr;
}

QByteArray KTEncodings::encodingNameForEncoding(int id)
{
    const KTEncodingInfo *info = find(id);
    return info ? QByteArray(info->icuName) : QByteArray();
}

bool KTEncodings::isAscii(const QByteArray &bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool KTEncodings::isValidUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        char32_t cp;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

std::optional<QString> KTEncodings::decode(const QByteArray &bytes, const QByteArray &icuName)
{
    if (icuName.isEmpty())
        return decodeDefault(bytes);
    if (isAscii(bytes) && !sameConverter(icuName.constData(), "ISO-2022-JP"))
        return QString::fromLatin1(bytes);
    if (sameConverter(icuName.constData(), "UTF-8")) {
        if (!isValidUtf8(bytes))
            return std::nullopt;
        return QString::fromUtf8(bytes);
    }
    UConverter *conv = converterFor(icuName);
    if (!conv)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    QString out(bytes.size() * 2 + 4, Qt::Uninitialized);
    const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar *>(out.data()), int32_t(out.size()),
                                    bytes.constData(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    out.truncate(n);
    return out;
}

bool KTEncodings::canDecode(const QByteArray &bytes, const QByteArray &icuName)
{
    return decode(bytes, icuName).has_value();
}

QString KTEncodings::decodeDefault(const QByteArray &bytes)
{
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return decode(bytes, QByteArrayLiteral("ibm-437")).value_or(QString::fromLatin1(bytes));
}

QString KTEncodings::decodeOrDefault(const QByteArray &bytes, const QByteArray &icuName)
{
    if (auto text = decode(bytes, icuName))
        return *text;
    return decodeDefault(bytes);
}

std::optional<QByteArray> KTEncodings::encode(QStringView text, const QByteArray &icuName)
{
    if (icuName.isEmpty() || sameConverter(icuName.constData(), "UTF-8"))
        return text.toUtf8();
    UConverter *conv = converterFor(icuName);
    if (!conv)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    QByteArray out(text.size() * 4 + 8, Qt::Uninitialized);
    const int32_t n = ucnv_fromUChars(conv, out.data(), int32_t(out.size()),
                                      reinterpret_cast<const UChar *>(text.data()), int32_t(text.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    out.truncate(n);
    return out;
}
