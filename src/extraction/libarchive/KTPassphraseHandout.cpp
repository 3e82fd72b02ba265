#include "extraction/libarchive/KTPassphraseHandout.h"

#include <archive.h>

KTPassphraseHandout::KTPassphraseHandout(Source source)
    : m_source(std::move(source))
{
}

void KTPassphraseHandout::answerFor(archive *a)
{
    archive_read_set_passphrase_callback(a, this, &callback);
}

const char *KTPassphraseHandout::callback(archive *, void *self)
{
    return static_cast<KTPassphraseHandout *>(self)->next();
}

const char *KTPassphraseHandout::next()
{
    if (m_handedOut || !m_source)
        return nullptr;
    const std::optional<QByteArray> bytes = m_source();
    if (!bytes)
        return nullptr;
    m_handedOut = true;
    m_bytes = *bytes;
    return m_bytes.constData();
}
