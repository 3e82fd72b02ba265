#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QByteArray>
#include <QString>

#include <archive.h>
#include <zlib.h>


// Hands libarchive a gzip file's decompressed bytes, inflated with zlib,
// which checks every member's CRC and length. libarchive 3.6's own gzip
// reader checks neither, so a damaged .tar.gz would extract as a success
// with changed contents.
class KTGzipSource
{
public:
    static bool isGzip(const QString &path);

    explicit KTGzipSource(QString path);
    ~KTGzipSource();
    KTGzipSource(const KTGzipSource &) = delete;
    KTGzipSource &operator=(const KTGzipSource &) = delete;

    // archive_read_open() on this source; a libarchive status.
    int open(archive *a);
    // Inflates what the reader left unread (a tar stops at its end marker)
    // up to the end of the file, so that the last member is checked too.
    KTExtractionError finish();
    // Bytes of the gzip file read so far.
    qint64 compressedBytesRead() const { return m_compressedRead; }

private:
    static la_ssize_t readCallback(archive *a, void *self, const void **buffer);
    static int closeCallback(archive *a, void *self);
    // Some decompressed bytes into m_out: their count, 0 at the end, -1 with
    // m_error set when the data is damaged or cannot be read.
    qint64 inflateSome();

    QString m_path;
    int m_fd = -1;
    z_stream m_stream{};
    bool m_streamReady = false;
    bool m_inputEnded = false;
    bool m_memberEnded = false;
    qint64 m_compressedRead = 0;
    QByteArray m_in;
    QByteArray m_out;
    QString m_error;
};
