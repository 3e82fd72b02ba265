#include "extraction/libarchive/KTUtf8LocaleScope.h"

KTUtf8LocaleScope::KTUtf8LocaleScope()
{
    m_locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    if (m_locale)
        m_previous = ::uselocale(m_locale);
}

KTUtf8LocaleScope::~KTUtf8LocaleScope()
{
    if (m_locale) {
        ::uselocale(m_previous);
        ::freelocale(m_locale);
    }
}
