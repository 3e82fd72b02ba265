#include "extraction/libarchive/KTZipEntryPlanner.h"

#include "extraction/libarchive/KTEntryNames.h"
#include "extraction/zip/KTZipDirectory.h"
#include "extraction/zip/KTZipEntryReader.h"
#include "extraction/zip/KTZipInflater.h"

#include <archive_entry.h>

#include <algorithm>

namespace {

// Creating a file costs about as much as inflating this many bytes; it
// weighs in when small files are shared out among workers.
constexpr quint64 PerFileWeight = 8 * 1024;

} // namespace

std::optional<KTZipEntryPlanner::Planned> KTZipEntryPlanner::readAll(const QString &path, qint64 fileSize, int maxPath,
                                                                     const std::function<bool()> &shouldStop)
{
    KTZipEntryReader reader(path, fileSize, {});
    if (reader.open().failed())
        return std::nullopt;
    Planned planned;
    for (;;) {
        if (planned.entries.size() % 1024 == 0 && shouldStop()) {
            planned.headerError = KTExtractionError::make(KTErrorCode::Cancelled);
            break;
        }
        archive_entry *entry = nullptr;
        planned.headerError = reader.next(&entry);
        if (planned.headerError.failed() || !entry)
            break;
        planned.entries.push_back(plan(entry, int(planned.entries.size()), maxPath));
    }
    return planned;
}

const KTZipRecord *KTZipEntryPlanner::inflatableRecord(const QByteArray &rawName) const
{
    const KTZipRecord *record = m_names.zipRecord(rawName);
    if (!record || m_names.isRepeatedZipName(rawName) || !KTZipInflater::handles(*record))
        return nullptr;
    return record;
}

std::optional<timespec> KTZipEntryPlanner::modificationTime(archive_entry *entry)
{
    if (!archive_entry_mtime_is_set(entry))
        return std::nullopt;
    return timespec{archive_entry_mtime(entry), archive_entry_mtime_nsec(entry)};
}

KTPlannedZipEntry KTZipEntryPlanner::plan(archive_entry *entry, int index, int maxPath)
{
    KTEntryNames::Named named = m_names.name(entry, index, maxPath);
    KTPlannedZipEntry planned;
    planned.rawName = KTZipEntryReader::rawName(entry);
    planned.info = std::move(named.info);
    planned.path = std::move(named.path.path);
    planned.refusal = named.path.reason;
    planned.mtime = modificationTime(entry);
    planned.perm = archive_entry_perm(entry);

    if (const char *hardlink = archive_entry_hardlink(entry)) {
        planned.kind = KTPlannedZipEntry::Kind::Hardlink;
        auto target = m_names.hardlinkTarget(hardlink, maxPath);
        planned.hardlinkTarget = std::move(target.path);
        planned.linkRefusal = target.reason;
    } else {
        switch (archive_entry_filetype(entry)) {
        case AE_IFDIR:
            planned.kind = KTPlannedZipEntry::Kind::Directory;
            break;
        case AE_IFLNK:
            planned.kind = KTPlannedZipEntry::Kind::Symlink;
            if (const char *target = archive_entry_symlink(entry); target && *target)
                planned.linkTarget = m_names.symlinkTarget(target);
            break;
        case AE_IFREG:
        case 0:
            planned.kind = KTPlannedZipEntry::Kind::File;
            break;
        default:
            planned.kind = KTPlannedZipEntry::Kind::Special;
            break;
        }
    }
    const KTZipRecord *record = m_names.zipRecord(planned.rawName);
    const quint64 dataSize = record ? record->compressedSize : quint64(std::max<qint64>(planned.info.size, 0));
    planned.weight = dataSize + PerFileWeight;
    if (planned.kind == KTPlannedZipEntry::Kind::File)
        planned.inflatable = inflatableRecord(planned.rawName);
    return planned;
}
