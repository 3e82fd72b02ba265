#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "extraction/zip/KTZipExtractionPlan.h"

#include <QString>

#include <ctime>
#include <functional>
#include <optional>
#include <vector>

struct archive_entry;
class KTEntryNames;
struct KTZipRecord;

// Reads every header of a zip, with the parallel workers' own kind of
// reader, and plans each entry for them: its decoded name and safe path,
// its kind, link targets, weight, and whether KTZipInflater reads its data.
class KTZipEntryPlanner
{
public:
    explicit KTZipEntryPlanner(KTEntryNames &names)
        : m_names(names)
    {
    }

    struct Planned {
        std::vector<KTPlannedZipEntry> entries;
        // A header that could not be read ends the list after the entries
        // before it; a stop ends it as Cancelled.
        KTExtractionError headerError;
    };
    // nullopt when that reader cannot open the file.
    std::optional<Planned> readAll(const QString &path, qint64 fileSize, int maxPath,
                                   const std::function<bool()> &shouldStop);

    // A zip entry's central record when KTZipInflater can read its data:
    // deflated, unencrypted, and its name given to no other entry.
    const KTZipRecord *inflatableRecord(const QByteArray &rawName) const;
    // An entry's modification time, when the archive gives one.
    static std::optional<timespec> modificationTime(archive_entry *entry);

private:
    KTPlannedZipEntry plan(archive_entry *entry, int index, int maxPath);

    KTEntryNames &m_names;
};
