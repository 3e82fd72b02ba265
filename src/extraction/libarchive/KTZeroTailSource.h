#pragma once

#include <QByteArray>
#include <QString>

#include <archive.h>

// Hands libarchive a file followed by a few zero bytes.
//
// libarchive's reader of zip local headers looks ahead past each entry's data
// descriptor for the longer zip64 form; in a zip cut right after its last
// entry that look-ahead runs off the end, and the last entry fails though its
// data and CRC are whole. The zeros let it see the descriptor; they match no
// header, so the read still ends there as damaged.
class KTZeroTailSource
{
public:
    explicit KTZeroTailSource(QString path);
    ~KTZeroTailSource();
    KTZeroTailSource(const KTZeroTailSource &) = delete;
    KTZeroTailSource &operator=(const KTZeroTailSource &) = delete;

    // archive_read_open() on this source; a libarchive status.
    int open(archive *a);
    // Bytes of the file read so far.
    qint64 bytesRead() const { return m_read; }

private:
    static la_ssize_t readCallback(archive *a, void *self, const void **buffer);
    static int closeCallback(archive *a, void *self);

    QString m_path;
    int m_fd = -1;
    bool m_tailGiven = false;
    qint64 m_read = 0;
    QByteArray m_buffer;
};
