#include "extraction/libarchive/KTLibArchiveUnarchiver.h"

#include "extraction/disk/KTDiskWriter.h"
#include "extraction/disk/KTFreeSpace.h"
#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/engine/KTArchiveVolumes.h"
#include "extraction/engine/KTSkippedEntries.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/libarchive/KTArchiveReadError.h"
#include "extraction/libarchive/KTDecompressingSource.h"
#include "extraction/libarchive/KTUtf8LocaleScope.h"
#include "extraction/libarchive/KTZeroTailSource.h"
#include "extraction/names/KTEncodings.h"
#include "extraction/zip/KTParallelZipExtractor.h"
#include "extraction/zip/KTZipDirectoryCheck.h"
#include "extraction/zip/KTZipEntryReader.h"
#include "extraction/zip/KTZipExtractionPlan.h"
#include "extraction/zip/KTZipInflater.h"

#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr size_t ReadBlockSize = 128 * 1024;
} // namespace

KTLibArchiveUnarchiver::KTLibArchiveUnarchiver(QString path)
    : m_path(std::move(path))
    , m_zipWorkers(defaultZipWorkers())
    , m_names(m_path, [this](const KTArchiveString &string) {
        return m_delegate ? m_delegate->encodingNameForString(*this, string) : QByteArray();
    })
{
}

int KTLibArchiveUnarchiver::defaultZipWorkers()
{
    static const int workers = qEnvironmentVariableIntValue("KT_ZIP_WORKERS");
    return workers;
}

KTLibArchiveUnarchiver::~KTLibArchiveUnarchiver()
{
    if (m_archive)
        archive_read_free(m_archive);
}

std::optional<QByteArray> KTLibArchiveUnarchiver::passwordBytes()
{
    if (!m_password && !m_askedForPassword && m_delegate) {
        m_askedForPassword = true;
        m_delegate->simpleUnarchiverNeedsPassword(*this);
    }
    if (!m_password)
        return std::nullopt;
    return KTEncodings::encode(*m_password, m_passwordEncodingName).value_or(m_password->toUtf8());
}

KTExtractionError KTLibArchiveUnarchiver::readError(bool encryptedEntry) const
{
    return KTArchiveReadError::classify(m_archive, {m_path, m_archiveFileSize, encryptedEntry, m_passphrase.handedOut(),
                                                    encryptionUnsupported()});
}

KTExtractionError KTLibArchiveUnarchiver::noProgress() const
{
    return KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("reading it makes no progress"));
}

KTExtractionError KTLibArchiveUnarchiver::encryptionUnsupported() const
{
    // Encrypted 7z goes to 7-Zip's program; this is one whose first data is
    // plain and whose later entries are encrypted.
    if ((m_format & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_7ZIP || m_format == 0)
        return KTExtractionError::make(KTErrorCode::EncryptedUnsupported, QStringLiteral("7z"));
    return KTExtractionError::make(KTErrorCode::EncryptedUnsupported, QString::fromUtf8(archive_format_name(m_archive)));
}

KTExtractionError KTLibArchiveUnarchiver::openError() const
{
    const char *text = archive_error_string(m_archive);
    const QString detail = text ? QString::fromUtf8(text) : QString();
    const int err = archive_errno(m_archive);
    if (err == ENOENT || err == EACCES || err == EISDIR || err == EPERM)
        return KTExtractionError::make(KTErrorCode::CannotOpen, detail);
    if (detail.contains(QLatin1String("Unrecognized archive format")))
        return KTExtractionError::make(KTErrorCode::NotArchive);
    return readError();
}

KTExtractionError KTLibArchiveUnarchiver::parse()
{
    KTUtf8LocaleScope locale;
    const QByteArray encodedPath = QFile::encodeName(m_path);
    struct stat st;
    if (::stat(encodedPath.constData(), &st) != 0)
        return KTExtractionError::make(KTErrorCode::CannotOpen, QString::fromLocal8Bit(std::strerror(errno)));
    // Opening a FIFO or a device would block or read without end.
    if (!S_ISREG(st.st_mode))
        return KTExtractionError::make(KTErrorCode::NotArchive, QStringLiteral("not a regular file"));
    m_archiveFileSize = st.st_size;

    m_archive = archive_read_new();
    archive_read_support_filter_all(m_archive);
    // Every archive format but mtree, whose "archives" name files on this
    // machine to read the contents from.
    archive_read_support_format_7zip(m_archive);
    archive_read_support_format_ar(m_archive);
    archive_read_support_format_cab(m_archive);
    archive_read_support_format_cpio(m_archive);
    archive_read_support_format_empty(m_archive);
    archive_read_support_format_iso9660(m_archive);
    archive_read_support_format_lha(m_archive);
    archive_read_support_format_rar(m_archive);
    archive_read_support_format_rar5(m_archive);
    archive_read_support_format_tar(m_archive);
    archive_read_support_format_warc(m_archive);
    archive_read_support_format_xar(m_archive);
    archive_read_support_format_zip(m_archive);
    archive_read_support_format_raw(m_archive);
    m_passphrase.answerFor(m_archive);
    // A multi-volume archive is read as one stream over all its files.
    const QStringList volumes = KTArchiveVolumes::volumesFor(m_path);
    std::vector<QByteArray> encodedVolumes;
    std::vector<const char *> volumeNames;
    qint64 totalFileSize = 0;
    m_archiveVolumeCount = int(volumes.size());
    for (const QString &volume : volumes) {
        encodedVolumes.push_back(QFile::encodeName(volume));
        totalFileSize += QFileInfo(volume).size();
    }
    for (const QByteArray &name : encodedVolumes)
        volumeNames.push_back(name.constData());
    volumeNames.push_back(nullptr);
    // gzip, xz and bzip2 are decompressed here, faster and with the checks
    // libarchive's filters leave out.
    if (volumes.size() == 1)
        m_source = KTDecompressingSource::forFile(m_path);
    if (m_source) {
        if (m_source->open(m_archive) != ARCHIVE_OK)
            return openError();
    } else if (archive_read_open_filenames(m_archive, volumeNames.data(), ReadBlockSize) != ARCHIVE_OK) {
        return openError();
    }

    archive_entry *entry = nullptr;
    int r = nextHeader(&entry);
    // A zip whose directory libarchive cannot use is read from its local headers.
    if (r < ARCHIVE_WARN && m_archiveVolumeCount == 1 && KTZipDirectory::startsWithLocalHeader(m_path)) {
        if (auto error = reopenAsStreamingZip(); error.failed())
            return error;
        r = nextHeader(&entry);
    }
    if (r < ARCHIVE_WARN)
        return openError();
    m_firstEntry = r == ARCHIVE_EOF ? nullptr : entry;
    m_format = archive_format(m_archive);
    m_names.setFormat(m_format);
    const int base = m_format & ARCHIVE_FORMAT_BASE_MASK;
    if (base == ARCHIVE_FORMAT_EMPTY)
        return KTExtractionError::make(KTErrorCode::NotArchive);
    // The raw reader takes any file; only a compressed one is an archive.
    if (base == ARCHIVE_FORMAT_RAW && archive_filter_code(m_archive, 0) == ARCHIVE_FILTER_NONE && !m_source)
        return KTExtractionError::make(KTErrorCode::NotArchive);

    m_totalSize = totalFileSize;
    // A split zip's directory counts offsets within each volume, which one
    // stream over all of them cannot follow.
    if (isZip() && m_archiveVolumeCount > 1 && volumes.constLast().endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        return KTExtractionError::make(KTErrorCode::NotArchive, QStringLiteral("a split zip"));
    if (isZip())
        m_zip = KTZipDirectory::read(m_path);
    if (isZip() && !m_zip && m_archiveVolumeCount > 1)
        return KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("the zip's central directory is missing"));
    // Entries that share their data are a bomb whichever way the zip is read.
    if (m_zip && m_zip->hasOverlappingEntries())
        return KTExtractionError::make(KTErrorCode::UnsafeEntry,
                                       QStringLiteral("its entries overlap one another, as in a zip bomb"));
    // libarchive finds no entry where the directory lists some when the
    // zip64 end records disagree.
    const bool entriesMissed = m_zip && !m_firstEntry && !m_zip->records().empty();
    if (isZip()
        && (m_streamingZip || !m_zip || entriesMissed
            || (m_archiveVolumeCount == 1 && !KTZipDirectoryCheck::disagreement(m_path, *m_zip).isEmpty()))) {
        // A zip without a directory, or whose directory does not describe
        // it, is read from its local headers, in order; the directory, if
        // any, only judges at the end whether that was all of it.
        m_zipLocal.emplace(m_path, std::move(m_zip));
        m_zip.reset();
        if (!m_streamingZip) {
            if (auto error = reopenAsStreamingZip(); error.failed())
                return error;
            const int again = nextHeader(&entry);
            if (again < ARCHIVE_WARN)
                return openError();
            m_firstEntry = again == ARCHIVE_EOF ? nullptr : entry;
        }
    } else if (isZip()) {
        m_names.useZipDirectory(*m_zip);
        m_totalSize = qint64(m_zip->totalUncompressedSize());
        m_progressByUncompressed = true;
    } else if ((base == ARCHIVE_FORMAT_TAR || base == ARCHIVE_FORMAT_CPIO || base == ARCHIVE_FORMAT_AR) && !m_source
               && m_archiveVolumeCount == 1 && archive_filter_code(m_archive, 0) == ARCHIVE_FILTER_NONE) {
        m_names.readAhead();
    }
    m_parsed = true;
    return {};
}

KTExtractionError KTLibArchiveUnarchiver::reopenAsStreamingZip()
{
    archive_read_free(m_archive);
    m_firstEntry = nullptr;
    m_archive = archive_read_new();
    archive_read_support_format_zip_streamable(m_archive);
    m_passphrase.answerFor(m_archive);
    m_streamingZip = true;
    m_zeroTail = std::make_unique<KTZeroTailSource>(m_path);
    if (m_zeroTail->open(m_archive) != ARCHIVE_OK)
        return openError();
    return {};
}

int KTLibArchiveUnarchiver::nextHeader(archive_entry **entry)
{
    int r = archive_read_next_header(m_archive, entry);
    // A header that fails its checksum: libarchive steps past it and tries
    // the next one. The entries around it are read; the archive is damaged.
    while (r == ARCHIVE_RETRY) {
        m_passedDamagedHeader = true;
        if (m_progressGuard.headerStalls(readPosition(), QByteArray()))
            return ARCHIVE_FATAL;
        r = archive_read_next_header(m_archive, entry);
    }
    return r;
}

bool KTLibArchiveUnarchiver::isZip() const
{
    return (m_format & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP;
}

qint64 KTLibArchiveUnarchiver::readPosition() const
{
    if (m_zeroTail)
        return m_zeroTail->compressedBytesRead();
    return m_source ? m_source->compressedBytesRead() : qint64(archive_filter_bytes(m_archive, -1));
}

bool KTLibArchiveUnarchiver::shouldStop()
{
    return m_delegate && m_delegate->extractionShouldStop(*this);
}

void KTLibArchiveUnarchiver::reportProgress(const KTArchiveEntry &info, qint64 fileDone, qint64 writtenTotal)
{
    if (!m_delegate)
        return;
    qint64 done = m_progressByUncompressed ? writtenTotal : readPosition();
    done = std::clamp(done, m_lastTotalDone, std::max(m_totalSize, m_lastTotalDone));
    m_lastTotalDone = done;
    m_delegate->extractionProgress(*this, info, fileDone, info.size, done, m_totalSize);
}

KTExtractionError KTLibArchiveUnarchiver::writeFileData(const KTArchiveEntry &info, const KTZipRecord *inflatable,
                                                       KTDiskWriter &writer, qint64 &done)
{
    qint64 fileDone = 0;
    if (const KTZipRecord *record = inflatable) {
        if (!m_zipInflater)
            m_zipInflater = std::make_unique<KTZipInflater>(m_path);
        const auto inflated = m_zipInflater->copyData(*record, writer, [&](qint64 size) {
            fileDone += size;
            reportProgress(info, fileDone, done + fileDone);
            return !shouldStop();
        });
        if (inflated) {
            done += fileDone;
            return *inflated;
        }
    }
    for (;;) {
        if (shouldStop())
            return KTExtractionError::make(KTErrorCode::Cancelled);
        const void *buffer = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(m_archive, &buffer, &size, &offset);
        if (r == ARCHIVE_EOF)
            break;
        // A warning here is a failed check (bad CRC, wrong size): the data is damaged.
        if (r != ARCHIVE_OK)
            return readError(info.isEncrypted);
        if (m_progressGuard.dataStalls(readPosition(), size))
            return noProgress();
        if (size > 0) {
            if (auto error = writer.writeBlock(buffer, size, offset); error.failed())
                return error;
            fileDone += qint64(size);
        }
        reportProgress(info, fileDone, done + fileDone);
    }
    done += fileDone;
    return {};
}

bool KTLibArchiveUnarchiver::declaresNoData(archive_entry *entry) const
{
    if (!archive_entry_size_is_set(entry) || archive_entry_size(entry) != 0 || archive_entry_is_data_encrypted(entry))
        return false;
    if (!isZip())
        return true;
    // A zip entry is known empty when its CRC, over no bytes, is 0 as well.
    const KTZipRecord *record = m_names.zipRecord(KTZipEntryReader::rawName(entry));
    return record && record->crc32 == 0 && record->uncompressedSize == 0;
}

KTExtractionError KTLibArchiveUnarchiver::extractEntry(archive_entry *entry, const KTArchiveEntry &info,
                                                       const QByteArray &rel, KTDiskWriter &writer, qint64 &done)
{
    const auto mtime = KTZipEntryPlanner::modificationTime(entry);
    const mode_t perm = archive_entry_perm(entry);
    // Local headers cannot tell a link from a file; the directory can.
    if (m_zipLocal && archive_entry_filetype(entry) == AE_IFREG && m_zipLocal->isSymlink(KTZipEntryReader::rawName(entry))) {
        if (auto error = readAsSymlink(entry, info); error.failed())
            return error;
    }

    if (const char *hardlink = archive_entry_hardlink(entry)) {
        const auto target = m_names.hardlinkTarget(hardlink, KTPathSanitizer::maxPathBytesBelow(writer.root()));
        if (!target.path)
            return KTExtractionError::make(KTErrorCode::UnsafeEntry, info.name + QStringLiteral(": ") + target.reason);
        return writer.makeHardLink(rel, *target.path);
    }

    switch (archive_entry_filetype(entry)) {
    case AE_IFDIR:
        return writer.makeDirectory(rel, perm, mtime);
    case AE_IFLNK: {
        const char *target = archive_entry_symlink(entry);
        if (!target || !*target)
            return KTExtractionError::make(KTErrorCode::Damaged, info.name + QStringLiteral(": a link without a target"));
        m_names.noteSymlink(rel, target);
        return writer.deferSymlink(rel, m_names.symlinkTarget(target), mtime);
    }
    case AE_IFREG:
    case 0: {
        // libarchive decrypts only zip; elsewhere it would decompress ciphertext.
        if (archive_entry_is_data_encrypted(entry) && !isZip())
            return encryptionUnsupported();
        if (auto error = writer.beginFile(rel, perm); error.failed())
            return error;
        const qint64 before = done;
        const KTZipRecord *inflatable =
            m_zip && m_archiveVolumeCount == 1 ? m_planner.inflatableRecord(KTZipEntryReader::rawName(entry)) : nullptr;
        if (auto error = declaresNoData(entry) ? KTExtractionError{} : writeFileData(info, inflatable, writer, done);
            error.failed()) {
            writer.abortFile();
            return error;
        }
        const bool sparse = archive_entry_sparse_count(entry) > 0;
        const qint64 declared = archive_entry_size_is_set(entry) ? qint64(archive_entry_size(entry)) : -1;
        // Some readers end an entry quietly where the archive ends: a file
        // shorter than its header says is damaged, not done.
        if (!sparse && declared > done - before) {
            writer.abortFile();
            return KTExtractionError::make(KTErrorCode::Damaged,
                                           info.name + QStringLiteral(": its data ends before the size its header declares"));
        }
        return writer.finishFile(mtime, sparse ? declared : -1);
    }
    default:
        return KTExtractionError::make(KTErrorCode::SpecialFile,
                                       info.name + QStringLiteral(" is a device, FIFO or socket"));
    }
}

KTExtractionError KTLibArchiveUnarchiver::readAsSymlink(archive_entry *entry, const KTArchiveEntry &info)
{
    QByteArray target;
    char buffer[PATH_MAX];
    for (;;) {
        const la_ssize_t n = archive_read_data(m_archive, buffer, sizeof buffer);
        if (n < 0)
            return readError();
        if (n == 0)
            break;
        target.append(buffer, n);
        if (target.size() >= PATH_MAX)
            return KTExtractionError::make(KTErrorCode::Damaged, info.name + QStringLiteral(": a link target too long"));
    }
    archive_entry_set_filetype(entry, AE_IFLNK);
    archive_entry_copy_symlink(entry, target.constData());
    return {};
}

KTExtractionError KTLibArchiveUnarchiver::extractInOrder(KTDiskWriter &writer)
{
    KTExtractionError result;
    qint64 done = 0;
    const int maxPath = KTPathSanitizer::maxPathBytesBelow(writer.root());
    archive_entry *entry = m_firstEntry;
    m_firstEntry = nullptr;
    for (int index = 0; entry; ++index) {
        if (shouldStop()) {
            result = KTExtractionError::make(KTErrorCode::Cancelled);
            break;
        }
        // An ar archive's symbol and name tables ("/", "//") index its
        // members; they are no content of their own.
        const bool arIndex = (m_format & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_AR &&
                             QByteArray(archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "").replace('/', "").isEmpty();
        if (m_zipLocal)
            m_zipLocal->noteEntry(KTZipEntryReader::rawName(entry));
        const KTEntryNames::Named named = m_names.name(entry, index, maxPath);
        const KTArchiveEntry &info = named.info;
        const KTPathSanitizer::Result &sane = named.path;
        const QString to = sane.path ? QFile::decodeName(writer.root() + '/' + *sane.path) : QString();
        if (!arIndex && (!m_delegate || m_delegate->shouldExtractEntry(*this, info, to))) {
            if (m_delegate)
                m_delegate->willExtractEntry(*this, info, to);
            KTExtractionError error = KTPathSanitizer::unwritable(info.name, sane.path, sane.reason, info.isDirectory);
            if (error.ok()) {
                if (!named.provisionalRaw.isEmpty())
                    m_names.noteGuessedEntry(named.provisionalRaw, *sane.path);
                error = extractEntry(entry, info, *sane.path, writer, done);
            }
            if (m_delegate)
                m_delegate->didExtractEntry(*this, info, to, error);
            // An entry that cannot be written safely is left out; the rest goes on.
            if (error.failed() && !KTSkippedEntries::skipsOnlyTheEntry(error)) {
                result = error;
                break;
            }
            reportProgress(info, info.size, done);
        }
        const int r = nextHeader(&entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN) {
            result = readError();
            break;
        }
        const char *raw = archive_entry_pathname(entry);
        if (m_progressGuard.headerStalls(readPosition(), QByteArray(raw ? raw : ""))) {
            result = noProgress();
            break;
        }
    }

    return result;
}

std::optional<KTExtractionError> KTLibArchiveUnarchiver::extractZipInParallel(KTDiskWriter &writer, int workers)
{
    // The plan is read with the workers' own kind of reader; when that cannot
    // open the file, the serial reader, still at its first entry, takes it.
    std::optional<KTZipEntryPlanner::Planned> planned =
        m_planner.readAll(m_path, m_archiveFileSize, KTPathSanitizer::maxPathBytesBelow(writer.root()),
                          [this] { return shouldStop(); });
    if (!planned)
        return std::nullopt;
    if (planned->headerError.code == KTErrorCode::Cancelled)
        return planned->headerError;
    const KTZipExtractionPlan plan(std::move(planned->entries), workers, m_alwaysOverwrites);
    KTParallelZipExtractor::Host host;
    host.unarchiver = this;
    host.delegate = m_delegate;
    host.shouldStop = [this] { return shouldStop(); };
    host.progress = [this](const KTArchiveEntry &info, qint64 fileDone, qint64 written) {
        reportProgress(info, fileDone, written);
    };
    host.password = [this] { return passwordBytes(); };
    KTParallelZipExtractor extractor(m_path, m_archiveFileSize, plan, writer, m_alwaysOverwrites, std::move(host));
    const KTExtractionError result = extractor.run();
    return result.ok() ? planned->headerError : result;
}

KTExtractionError KTLibArchiveUnarchiver::unarchive()
{
    if (!m_parsed)
        return KTExtractionError::make(KTErrorCode::NotArchive);
    KTUtf8LocaleScope locale;
    // Only zip declares every size up front.
    if (m_zip) {
        if (auto error = KTFreeSpace::ensureRoom(m_destination, m_zip->totalUncompressedSize()); error.failed())
            return error;
    }

    QString enclosing;
    QByteArray resolved;
    if (auto error = makeEnclosingFolder(m_path, enclosing, resolved); error.failed())
        return error;
    KTDiskWriter writer(resolved, m_alwaysOverwrites);

    std::optional<KTExtractionError> parallel;
    if (m_zip && m_archiveVolumeCount == 1) {
        const int workers = KTParallelZipExtractor::workersFor(*m_zip, m_zipWorkers);
        if (workers > 1)
            parallel = extractZipInParallel(writer, workers);
    }
    KTExtractionError result = parallel ? *parallel : extractInOrder(writer);

    if (result.ok() && m_source)
        result = m_source->finish();
    if (result.code != KTErrorCode::Cancelled)
        m_names.settle(writer);
    if (result.ok() && m_passedDamagedHeader)
        result = KTExtractionError::make(KTErrorCode::Damaged,
                                         QStringLiteral("a damaged header was passed over; the entries around it were read"));
    // Read from its local headers, a zip is whole only when its directory lists what was read.
    if (m_zipLocal && (result.code == KTErrorCode::Damaged ? result.detail.isEmpty() : result.ok())
        && !(result.ok() && m_zipLocal->isWhole())) {
        result = KTExtractionError::make(KTErrorCode::Damaged,
                                         m_zipLocal->hadDirectory()
                                             ? QStringLiteral("the zip's central directory does not match its entries; the entries that could be read were kept")
                                             : QStringLiteral("the zip's central directory is missing; the entries before it were read"));
    }

    // Links are made only when everything else went well; folder times and
    // the link check always run, so nothing unsafe stays behind.
    const KTExtractionError finished = writer.finish(result.ok());
    reportSkippedLinks(writer);
    if (result.ok())
        result = finished;
    if (result.failed())
        return result;

    if (m_delegate)
        m_delegate->extractionProgress(*this, KTArchiveEntry{}, 0, 0, m_totalSize, m_totalSize);
    return finishCreatedItem(QFile::decodeName(writer.root()), writer.symlinks());
}
