#include "extraction/zip/KTZipInflater.h"

#include "extraction/disk/KTDiskWriter.h"
#include "extraction/libarchive/KTIsalInflater.h"
#include "extraction/zip/KTZipDirectory.h"
#include "extraction/zip/KTZipLocalHeader.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype InBlockSize = 128 * 1024;
constexpr qsizetype OutBlockSize = 256 * 1024;

KTExtractionError damaged(const QString &detail)
{
    return KTExtractionError::make(KTErrorCode::Damaged, detail);
}

} // namespace

KTZipInflater::KTZipInflater(QString archivePath)
    : m_path(std::move(archivePath))
{
}

KTZipInflater::~KTZipInflater()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool KTZipInflater::handles(const KTZipRecord &record)
{
    return record.method == KTZipLocalHeader::Deflate && !record.encrypted;
}

bool KTZipInflater::openFile()
{
    if (m_fd >= 0)
        return true;
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return false;
    m_fileSize = st.st_size;
    m_in = QByteArray(InBlockSize, Qt::Uninitialized);
    m_out = QByteArray(OutBlockSize, Qt::Uninitialized);
    m_inflater = std::make_unique<KTIsalInflater>(KTIsalInflater::Mode::Raw);
    return true;
}

bool KTZipInflater::readAt(char *buffer, qint64 size, qint64 offset, QString &error)
{
    while (size > 0) {
        const ssize_t n = ::pread(m_fd, buffer, size_t(size), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = QStringLiteral("reading the archive: ") + QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        if (n == 0) {
            error = QStringLiteral("the archive was cut short while it was read");
            return false;
        }
        buffer += n;
        size -= n;
        offset += n;
    }
    return true;
}

std::optional<KTExtractionError> KTZipInflater::copyData(const KTZipRecord &record, KTDiskWriter &writer,
                                                         const std::function<bool(qint64)> &onBlock)
{
    if (!handles(record) || !openFile())
        return std::nullopt;
    char header[KTZipLocalHeader::Size];
    const qint64 headerAt = qint64(record.localHeaderOffset);
    QString error;
    if (headerAt < 0 || headerAt > m_fileSize - KTZipLocalHeader::Size || !readAt(header, KTZipLocalHeader::Size, headerAt, error))
        return std::nullopt;
    // The local header must agree with the central record; anything odd is
    // left to libarchive's reader, which reports it as it always has.
    const std::optional<KTZipLocalHeader> local = KTZipLocalHeader::parse(header);
    if (!local || local->method != KTZipLocalHeader::Deflate || local->isEncrypted())
        return std::nullopt;
    const qint64 dataAt = headerAt + local->dataOffset();
    const qint64 compressed = qint64(std::min<quint64>(record.compressedSize, quint64(m_fileSize)));
    if (compressed != qint64(record.compressedSize) || dataAt > m_fileSize - compressed)
        return damaged(QStringLiteral("an entry's data reaches past the end of the archive"));

    m_inflater->setInput(nullptr, 0);
    m_inflater->reset();
    qint64 read = 0;
    quint64 written = 0;
    for (;;) {
        if (m_inflater->availableInput() == 0 && read < compressed) {
            const qint64 n = std::min<qint64>(m_in.size(), compressed - read);
            if (!readAt(m_in.data(), n, dataAt + read, error))
                return damaged(error);
            read += n;
            m_inflater->setInput(m_in.constData(), size_t(n));
        }
        size_t produced = 0;
        const KTIsalInflater::Status status = m_inflater->inflate(m_out.data(), size_t(m_out.size()), produced);
        if (status == KTIsalInflater::Status::Damaged)
            return damaged(QStringLiteral("an entry's data is damaged (%1)").arg(m_inflater->errorText()));
        // More than the directory declares would pass the free-space check.
        if (produced > record.uncompressedSize - written)
            return damaged(QStringLiteral("an entry holds more data than its size says"));
        if (produced > 0) {
            if (auto e = writer.writeBlock(m_out.constData(), produced, qint64(written)); e.failed())
                return e;
            written += produced;
        }
        if (!onBlock(qint64(produced)))
            return KTExtractionError::make(KTErrorCode::Cancelled);
        if (status == KTIsalInflater::Status::End)
            break;
        if (produced == 0 && m_inflater->availableInput() == 0 && read == compressed)
            return damaged(QStringLiteral("an entry's data ends early"));
    }
    if (written != record.uncompressedSize)
        return damaged(QStringLiteral("an entry holds less data than its size says"));
    if (m_inflater->outputCrc() != record.crc32)
        return damaged(QStringLiteral("an entry's CRC does not match its data"));
    return KTExtractionError{};
}
