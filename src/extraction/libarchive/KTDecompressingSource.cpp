#include "extraction/libarchive/KTDecompressingSource.h"

#include "extraction/libarchive/KTBzip2Source.h"
#include "extraction/libarchive/KTGzipSource.h"
#include "extraction/libarchive/KTXzSource.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::unique_ptr<KTDecompressingSource> KTDecompressingSource::forFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray magic = f.read(6);
    if (magic.startsWith(QByteArray("\x1f\x8b", 2)))
        return std::make_unique<KTGzipSource>(path);
    if (magic == QByteArray("\xfd" "7zXZ\0", 6))
        return std::make_unique<KTXzSource>(path);
    // Without lbzip2, libarchive's reader decodes on one thread.
    if (magic.startsWith("BZh") && magic.size() >= 4 && magic[3] >= '1' && magic[3] <= '9' && KTBzip2Source::available())
        return std::make_unique<KTBzip2Source>(path);
    return nullptr;
}

KTDecompressingSource::KTDecompressingSource(QString path, qsizetype outBlockSize)
    : m_path(std::move(path))
    , m_out(outBlockSize, Qt::Uninitialized)
{
}

KTDecompressingSource::~KTDecompressingSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int KTDecompressingSource::open(archive *a)
{
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        archive_set_error(a, errno, "%s", std::strerror(errno));
        return ARCHIVE_FATAL;
    }
    if (!start()) {
        archive_set_error(a, ENOMEM, "%s", m_error.toUtf8().constData());
        return ARCHIVE_FATAL;
    }
    return archive_read_open(a, this, nullptr, &readCallback, &closeCallback);
}

qint64 KTDecompressingSource::readInput(char *buffer, qsizetype size)
{
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size_t(size));
        if (n >= 0) {
            m_compressedRead += n;
            return n;
        }
        if (errno != EINTR) {
            m_error = QStringLiteral("reading the archive: ") + QString::fromLocal8Bit(std::strerror(errno));
            return -1;
        }
    }
}

la_ssize_t KTDecompressingSource::readCallback(archive *a, void *self, const void **buffer)
{
    auto *source = static_cast<KTDecompressingSource *>(self);
    const qint64 n = source->m_error.isEmpty() ? source->decodeSome(source->m_out.data(), source->m_out.size()) : -1;
    if (n < 0) {
        archive_set_error(a, EILSEQ, "%s", source->m_error.toUtf8().constData());
        return ARCHIVE_FATAL;
    }
    *buffer = source->m_out.constData();
    return la_ssize_t(n);
}

int KTDecompressingSource::closeCallback(archive *, void *)
{
    return ARCHIVE_OK;
}

KTExtractionError KTDecompressingSource::finish()
{
    for (;;) {
        const qint64 n = m_error.isEmpty() ? decodeSome(m_out.data(), m_out.size()) : -1;
        if (n == 0)
            return {};
        if (n < 0)
            return KTExtractionError::make(KTErrorCode::Damaged, m_error);
    }
}
