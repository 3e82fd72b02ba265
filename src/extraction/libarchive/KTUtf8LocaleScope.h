#pragma once

#include <locale.h>

// Gives the calling thread a UTF-8 LC_CTYPE while it lives. libarchive
// converts names through the thread's LC_CTYPE: with a UTF-8 one it hands
// out unflagged zip names as the stored bytes and flagged ones as correct
// UTF-8, whatever the user's locale is, and writes names as UTF-8. Every
// thread that reads or writes an archive holds one.
class KTUtf8LocaleScope
{
public:
    KTUtf8LocaleScope();
    ~KTUtf8LocaleScope();
    KTUtf8LocaleScope(const KTUtf8LocaleScope &) = delete;
    KTUtf8LocaleScope &operator=(const KTUtf8LocaleScope &) = delete;

private:
    locale_t m_locale = locale_t(nullptr);
    locale_t m_previous = locale_t(nullptr);
};
