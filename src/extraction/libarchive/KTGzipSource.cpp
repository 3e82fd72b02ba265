#include "extraction/libarchive/KTGzipSource.h"

#include <QFile>

#include <archive.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype BlockSize = 128 * 1024;

} // namespace

bool KTGzipSource::isGzip(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(2) == QByteArray("\x1f\x8b", 2);
}

KTGzipSource::KTGzipSource(QString path)
    : m_path(std::move(path))
    , m_in(BlockSize, Qt::Uninitialized)
    , m_out(BlockSize, Qt::Uninitialized)
{
}

KTGzipSource::~KTGzipSource()
{
    if (m_streamReady)
        ::inflateEnd(&m_stream);
    if (m_fd >= 0)
        ::close(m_fd);
}

int KTGzipSource::open(archive *a)
{
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        archive_set_error(a, errno, "%s", std::strerror(errno));
        return ARCHIVE_FATAL;
    }
    // 16 + MAX_WBITS: a gzip wrapper, whose trailer zlib checks.
    if (::inflateInit2(&m_stream, 16 + MAX_WBITS) != Z_OK) {
        archive_set_error(a, ENOMEM, "zlib cannot start");
        return ARCHIVE_FATAL;
    }
    m_streamReady = true;
    return archive_read_open(a, this, nullptr, &readCallback, &closeCallback);
}

la_ssize_t KTGzipSource::readCallback(archive *a, void *self, const void **buffer)
{
    auto *source = static_cast<KTGzipSource *>(self);
    const qint64 n = source->inflateSome();
    if (n < 0) {
        archive_set_error(a, EILSEQ, "%s", source->m_error.toUtf8().constData());
        return ARCHIVE_FATAL;
    }
    *buffer = source->m_out.constData();
    return la_ssize_t(n);
}

int KTGzipSource::closeCallback(archive *, void *)
{
    return ARCHIVE_OK;
}

qint64 KTGzipSource::inflateSome()
{
    if (!m_error.isEmpty())
        return -1;
    for (;;) {
        if (m_stream.avail_in == 0 && !m_inputEnded) {
            const ssize_t n = ::read(m_fd, m_in.data(), size_t(m_in.size()));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                m_error = QStringLiteral("reading the archive: ") + QString::fromLocal8Bit(std::strerror(errno));
                return -1;
            }
            m_inputEnded = n == 0;
            m_compressedRead += n;
            m_stream.next_in = reinterpret_cast<Bytef *>(m_in.data());
            m_stream.avail_in = uInt(n);
        }
        if (m_memberEnded) {
            // Another member may follow; anything else after a whole member
            // is ignored, as gzip itself does.
            if (m_stream.avail_in == 0 && m_inputEnded)
                return 0;
            if (m_stream.avail_in == 0)
                continue;
            if (m_stream.next_in[0] != 0x1f) {
                m_stream.avail_in = 0;
                m_inputEnded = true;
                return 0;
            }
            ::inflateReset(&m_stream);
            m_memberEnded = false;
        }
        if (m_stream.avail_in == 0 && m_inputEnded) {
            m_error = QStringLiteral("the gzip data ends early");
            return -1;
        }
        m_stream.next_out = reinterpret_cast<Bytef *>(m_out.data());
        m_stream.avail_out = uInt(m_out.size());
        const int r = ::inflate(&m_stream, Z_NO_FLUSH);
        const qint64 produced = m_out.size() - qint64(m_stream.avail_out);
        if (r == Z_STREAM_END)
            m_memberEnded = true;
        else if (r != Z_OK && r != Z_BUF_ERROR) {
            m_error = QStringLiteral("the gzip data is damaged (%1)").arg(QString::fromLatin1(m_stream.msg ? m_stream.msg : "zlib"));
            return -1;
        }
        if (produced > 0)
            return produced;
    }
}

KTExtractionError KTGzipSource::finish()
{
    for (;;) {
        const qint64 n = inflateSome();
        if (n == 0)
            return {};
        if (n < 0)
            return KTExtractionError::make(KTErrorCode::Damaged, m_error);
    }
}
