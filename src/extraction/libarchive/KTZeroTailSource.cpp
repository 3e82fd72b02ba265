#include "extraction/libarchive/KTZeroTailSource.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype BlockSize = 128 * 1024;
// The longest look-ahead past a data descriptor: its zip64 form.
constexpr qsizetype TailSize = 24;

} // namespace

KTZeroTailSource::KTZeroTailSource(QString path)
    : m_path(std::move(path))
{
}

KTZeroTailSource::~KTZeroTailSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int KTZeroTailSource::open(archive *a)
{
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        archive_set_error(a, errno, "%s", "cannot open the archive");
        return ARCHIVE_FATAL;
    }
    m_buffer.resize(BlockSize);
    return archive_read_open(a, this, nullptr, &readCallback, &closeCallback);
}

la_ssize_t KTZeroTailSource::readCallback(archive *a, void *self, const void **buffer)
{
    auto *source = static_cast<KTZeroTailSource *>(self);
    *buffer = source->m_buffer.constData();
    for (;;) {
        const ssize_t n = ::read(source->m_fd, source->m_buffer.data(), size_t(source->m_buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            archive_set_error(a, errno, "%s", "cannot read the archive");
            return -1;
        }
        if (n > 0) {
            source->m_read += n;
            return n;
        }
        break;
    }
    if (source->m_tailGiven)
        return 0;
    source->m_tailGiven = true;
    source->m_buffer.fill('\0', TailSize);
    *buffer = source->m_buffer.constData();
    return TailSize;
}

int KTZeroTailSource::closeCallback(archive *, void *self)
{
    auto *source = static_cast<KTZeroTailSource *>(self);
    if (source->m_fd >= 0) {
        ::close(source->m_fd);
        source->m_fd = -1;
    }
    return ARCHIVE_OK;
}
