#pragma once

#include "extraction/libarchive/KTDecompressingSource.h"

#include <lzma.h>

// An xz file's bytes, decoded by liblzma's multithreaded decoder: the blocks
// of a file written by xz -T (which records each block's sizes) decode side
// by side, one thread per core; a block without sizes in its header decodes
// on one thread. Every block's check (CRC-32, CRC-64, SHA-256) and the index
// are verified. Streams may follow one another, as xz itself reads them.
class KTXzSource : public KTDecompressingSource
{
public:
    explicit KTXzSource(QString path);
    ~KTXzSource() override;

    // Decoder threads: the cores, at most 8; 1 decodes on the calling thread.
    void setThreads(int threads) { m_threads = threads; }

private:
    bool start() override;
    qint64 decodeSome(char *out, qsizetype capacity) override;

    lzma_stream m_stream = LZMA_STREAM_INIT;
    bool m_started = false;
    bool m_inputEnded = false;
    bool m_streamEnded = false;
    int m_threads = 0;
    QByteArray m_in;
};
