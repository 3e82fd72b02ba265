#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

struct archive;

// Answers a libarchive reader's passphrase questions. libarchive asks again
// after a wrong passphrase until it gets none: the answer is handed out
// once, then there is nothing more to try.
class KTPassphraseHandout
{
public:
    // The passphrase's bytes, or nullopt when there is none; asked at the
    // first question only.
    using Source = std::function<std::optional<QByteArray>()>;

    explicit KTPassphraseHandout(Source source);
    KTPassphraseHandout(const KTPassphraseHandout &) = delete;
    KTPassphraseHandout &operator=(const KTPassphraseHandout &) = delete;

    // Sends a's questions here; this object outlives a's reading.
    void answerFor(archive *a);
    // Whether a passphrase went to the reader.
    bool handedOut() const { return m_handedOut; }

private:
    static const char *callback(archive *a, void *self);
    const char *next();

    Source m_source;
    bool m_handedOut = false;
    QByteArray m_bytes;
};
