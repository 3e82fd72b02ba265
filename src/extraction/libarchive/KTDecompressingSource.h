#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QByteArray>
#include <QString>

#include <archive.h>

#include <algorithm>
#include <memory>

// Hands libarchive the decompressed bytes of a compressed file (a .tar.gz,
// a lone .xz, …) through archive_read_open(), decompressed here rather than
// by libarchive's own filters: faster decoders, and checks libarchive 3.6
// leaves out. The compressed file is read once, front to back.
class KTDecompressingSource
{
public:
    // The source for the file's compression, or null when none here reads it
    // (libarchive's filters then do).
    static std::unique_ptr<KTDecompressingSource> forFile(const QString &path);

    virtual ~KTDecompressingSource();
    KTDecompressingSource(const KTDecompressingSource &) = delete;
    KTDecompressingSource &operator=(const KTDecompressingSource &) = delete;

    // archive_read_open() on this source; a libarchive status.
    int open(archive *a);
    // Decompresses what the reader left unread (a tar stops at its end
    // marker) up to the end of the file, so that the end is checked too.
    KTExtractionError finish();
    // Bytes of the compressed file read so far.
    qint64 compressedBytesRead() const { return m_compressedRead; }

protected:
    KTDecompressingSource(QString path, qsizetype outBlockSize);

    // Prepares the decoder once the file is open; false with m_error set.
    virtual bool start() { return true; }
    // Some decompressed bytes into out: their count, 0 at the end, -1 with
    // m_error set when the data is damaged or cannot be read.
    virtual qint64 decodeSome(char *out, qsizetype capacity) = 0;
    // Reads the compressed file on: the byte count, 0 at its end, -1 with
    // m_error set.
    qint64 readInput(char *buffer, qsizetype size);
    const QString &path() const { return m_path; }
    // The open compressed file, for a decoder that reads it by itself.
    int inputDescriptor() const { return m_fd; }
    // Such a decoder's position in the file; the count only grows.
    void noteCompressedPosition(qint64 position) { m_compressedRead = std::max(m_compressedRead, position); }

    QString m_error;

private:
    static la_ssize_t readCallback(archive *a, void *self, const void **buffer);
    static int closeCallback(archive *a, void *self);

    QString m_path;
    int m_fd = -1;
    qint64 m_compressedRead = 0;
    QByteArray m_out;
};
