#include "extraction/zip/KTZipEntryReader.h"

#include "extraction/disk/KTDiskWriter.h"
#include "extraction/libarchive/KTArchiveReadError.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

namespace {

constexpr size_t ReadBlockSize = 128 * 1024;

} // namespace

KTZipEntryReader::KTZipEntryReader(QString archivePath, qint64 archiveSize, PassphraseSource passphrase)
    : m_path(std::move(archivePath))
    , m_archiveSize(archiveSize)
    , m_passphrase(std::move(passphrase))
    , m_inflater(m_path)
{
}

KTZipEntryReader::~KTZipEntryReader()
{
    if (m_archive)
        archive_read_free(m_archive);
}

KTExtractionError KTZipEntryReader::readError(bool encrypted) const
{
    const KTExtractionError unsupported =
        KTExtractionError::make(KTErrorCode::EncryptedUnsupported, QString::fromUtf8(archive_format_name(m_archive)));
    return KTArchiveReadError::classify(m_archive, {m_path, m_archiveSize, encrypted, m_passphrase.handedOut(), unsupported});
}

qint64 KTZipEntryReader::position() const
{
    return qint64(archive_filter_bytes(m_archive, -1));
}

QByteArray KTZipEntryReader::rawName(archive_entry *entry)
{
    const char *path = archive_entry_pathname(entry);
    return path ? QByteArray(path) : QByteArray();
}

KTExtractionError KTZipEntryReader::open()
{
    m_archive = archive_read_new();
    archive_read_support_format_zip_seekable(m_archive);
    m_passphrase.answerFor(m_archive);
    if (archive_read_open_filename(m_archive, QFile::encodeName(m_path).constData(), ReadBlockSize) != ARCHIVE_OK) {
        if (KTArchiveReadError::archiveShrank(m_path, m_archiveSize))
            return KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("the archive was cut short while it was read"));
        const char *text = archive_error_string(m_archive);
        return KTExtractionError::make(KTErrorCode::CannotOpen, text ? QString::fromUtf8(text) : QString());
    }
    return {};
}

KTExtractionError KTZipEntryReader::next(archive_entry **entry)
{
    *entry = nullptr;
    const int r = archive_read_next_header(m_archive, &m_entry);
    if (r == ARCHIVE_EOF) {
        m_entry = nullptr;
        return {};
    }
    if (r < ARCHIVE_WARN) {
        m_entry = nullptr;
        return readError(false);
    }
    ++m_index;
    if (m_guard.headerStalls(position(), rawName(m_entry)))
        return KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("reading it makes no progress"));
    *entry = m_entry;
    return {};
}

KTExtractionError KTZipEntryReader::moveTo(int index, const QByteArray &rawName)
{
    archive_entry *entry = m_index == index ? m_entry : nullptr;
    while (m_index < index) {
        if (auto error = next(&entry); error.failed())
            return error;
        if (!entry)
            break;
    }
    if (m_index != index || !entry || KTZipEntryReader::rawName(entry) != rawName)
        return KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("the archive changed while it was read"));
    return {};
}

KTExtractionError KTZipEntryReader::copyData(KTDiskWriter &writer, bool encrypted, const KTZipRecord *inflatable,
                                             const std::function<bool(qint64)> &onBlock)
{
    if (inflatable) {
        if (auto done = m_inflater.copyData(*inflatable, writer, onBlock))
            return *done;
    }
    for (;;) {
        const void *buffer = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(m_archive, &buffer, &size, &offset);
        if (r == ARCHIVE_EOF)
            return {};
        // A warning here is a failed check (bad CRC, wrong size): the data is damaged.
        if (r != ARCHIVE_OK)
            return readError(encrypted);
        if (m_guard.dataStalls(position(), size))
            return KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("reading it makes no progress"));
        if (size > 0) {
            if (auto error = writer.writeBlock(buffer, size, offset); error.failed())
                return error;
        }
        if (!onBlock(qint64(size)))
            return KTExtractionError::make(KTErrorCode::Cancelled);
    }
}
