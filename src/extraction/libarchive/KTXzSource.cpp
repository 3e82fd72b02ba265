#include "extraction/libarchive/KTXzSource.h"

#include <algorithm>
#include <thread>

#include <unistd.h>

namespace {

constexpr qsizetype InBlockSize = 256 * 1024;
constexpr qsizetype OutBlockSize = 512 * 1024;

quint64 physicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? quint64(pages) * quint64(pageSize) : quint64(1) << 30;
}

QString describe(lzma_ret r)
{
    switch (r) {
    case LZMA_MEM_ERROR: return QStringLiteral("out of memory");
    case LZMA_MEMLIMIT_ERROR: return QStringLiteral("it needs more memory than this machine allows");
    case LZMA_FORMAT_ERROR: return QStringLiteral("not xz data");
    case LZMA_OPTIONS_ERROR: return QStringLiteral("unsupported options");
    case LZMA_DATA_ERROR: return QStringLiteral("damaged data");
    case LZMA_BUF_ERROR: return QStringLiteral("the data ends early");
    default: return QStringLiteral("error %1").arg(int(r));
    }
}

} // namespace

KTXzSource::KTXzSource(QString path)
    : KTDecompressingSource(std::move(path), OutBlockSize)
    , m_in(InBlockSize, Qt::Uninitialized)
{
}

KTXzSource::~KTXzSource()
{
    // Joins the decoder's threads.
    if (m_started)
        lzma_end(&m_stream);
}

bool KTXzSource::start()
{
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const quint64 memory = physicalMemory();
    lzma_mt options{};
    options.flags = LZMA_CONCATENATED;
    options.threads = uint32_t(m_threads > 0 ? m_threads : std::min(cores, 8));
    // Past a quarter of the memory the decoder goes on with one thread
    // rather than buffer more blocks; past a half it stops with an error,
    // which only a hostile dictionary size reaches.
    options.memlimit_threading = memory / 4;
    options.memlimit_stop = memory / 2;
    const lzma_ret r = lzma_stream_decoder_mt(&m_stream, &options);
    if (r != LZMA_OK) {
        m_error = QStringLiteral("the xz decoder cannot start: ") + describe(r);
        return false;
    }
    m_started = true;
    return true;
}

qint64 KTXzSource::decodeSome(char *out, qsizetype capacity)
{
    if (m_streamEnded)
        return 0;
    m_stream.next_out = reinterpret_cast<uint8_t *>(out);
    m_stream.avail_out = size_t(capacity);
    for (;;) {
        if (m_stream.avail_in == 0 && !m_inputEnded) {
            const qint64 n = readInput(m_in.data(), m_in.size());
            if (n < 0)
                return -1;
            m_inputEnded = n == 0;
            m_stream.next_in = reinterpret_cast<const uint8_t *>(m_in.constData());
            m_stream.avail_in = size_t(n);
        }
        const lzma_ret r = lzma_code(&m_stream, m_inputEnded ? LZMA_FINISH : LZMA_RUN);
        const qint64 produced = capacity - qint64(m_stream.avail_out);
        if (r == LZMA_STREAM_END) {
            m_streamEnded = true;
            return produced;
        }
        if (r != LZMA_OK) {
            m_error = QStringLiteral("the xz data is damaged (%1)").arg(describe(r));
            return -1;
        }
        if (m_stream.avail_out == 0)
            return produced;
    }
}
