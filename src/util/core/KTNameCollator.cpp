#include "util/core/KTNameCollator.h"

#include <unicode/ucol.h>

namespace {

// ICU's name for the locale; empty (the root) for C/POSIX.
QByteArray icuLocaleName(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return {};
    return locale.name().toLatin1();
}

} // namespace

KTNameCollator::KTNameCollator(const QLocale &locale)
{
    UErrorCode status = U_ZERO_ERROR;
    m_collator = ucol_open(icuLocaleName(locale).constData(), &status);
    if (U_FAILURE(status)) {
        ucol_close(m_collator);
        status = U_ZERO_ERROR;
        m_collator = ucol_open("", &status);
    }
    if (U_FAILURE(status)) {
        ucol_close(m_collator);
        m_collator = nullptr;
        return;
    }
    // Secondary strength: accents count, case does not.
    ucol_setStrength(m_collator, UCOL_SECONDARY);
    ucol_setAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
}

KTNameCollator::~KTNameCollator()
{
    ucol_close(m_collator);
}

QByteArray KTNameCollator::sortKey(const QString &name) const
{
    if (!m_collator)
        return name.toCaseFolded().toUtf8();
    const auto *text = reinterpret_cast<const UChar *>(name.utf16());
    const int32_t length = int32_t(name.size());
    QByteArray key(64, Qt::Uninitialized);
    int32_t needed = ucol_getSortKey(m_collator, text, length, reinterpret_cast<uint8_t *>(key.data()), int32_t(key.size()));
    if (needed > key.size()) {
        key.resize(needed);
        needed = ucol_getSortKey(m_collator, text, length, reinterpret_cast<uint8_t *>(key.data()), int32_t(key.size()));
    }
    // The count includes the terminating zero, which is not part of the key.
    key.resize(qMax(0, needed - 1));
    return key;
}
