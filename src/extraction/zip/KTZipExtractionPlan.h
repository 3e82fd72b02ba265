#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "extraction/engine/KTUnarchiverDelegate.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>
#include <time.h>
#include <vector>

struct KTZipRecord;

// One zip entry as read from its header, decoded and sanitized before any
// data is extracted.
struct KTPlannedZipEntry {
    enum class Kind { File, Directory, Symlink, Hardlink, Special };

    QByteArray rawName;               // as libarchive hands it out
    KTArchiveEntry info;              // what the delegate is told
    std::optional<QByteArray> path;   // sanitized relative path; nullopt when refused
    QString refusal;                  // why the path was refused
    Kind kind = Kind::File;
    mode_t perm = 0644;
    std::optional<timespec> mtime;
    QByteArray linkTarget;            // a symbolic link's target
    std::optional<QByteArray> hardlinkTarget; // a hard link's sanitized target; nullopt when refused
    QString linkRefusal;              // why a hard link's target was refused
    quint64 weight = 0;               // the work it takes: compressed size plus a per-file cost
    const KTZipRecord *inflatable = nullptr; // its central record when KTZipInflater reads its data
};

// Decides which entries of a zip extract on worker threads and which on the
// calling thread, in archive order.
//
// A file goes to a worker only when its path can be written at any moment
// without changing the result: no other entry has that path or lies inside
// it, and no folder above it is anything but a folder in the archive.
// Everything else (folders, links, duplicates, files that clash with
// folders, unsafe names) stays with the calling thread, which applies the
// same rules as the serial extraction, in order. Workers get runs of
// consecutive files balanced by weight, so that all of them move through the
// archive side by side and the one that extracts in order seldom waits.
class KTZipExtractionPlan
{
public:
    static constexpr int CallingThread = -1;

    // overwrite: a later entry of a written name replaces it (otherwise it
    // gets a numbered name, which may clash with any other entry, so an
    // archive with clashing paths then stays on the calling thread).
    KTZipExtractionPlan(std::vector<KTPlannedZipEntry> entries, int workers, bool overwrite);

    const std::vector<KTPlannedZipEntry> &entries() const { return m_entries; }
    // The worker (from 0) that extracts entry index, or CallingThread.
    int ownerOf(int index) const { return m_owners[size_t(index)]; }
    // The index of a worker's last entry.
    int lastIndexOf(int worker) const { return m_lastIndex[size_t(worker)]; }
    // Workers with at least one entry.
    int workerCount() const { return int(m_lastIndex.size()); }
    // The folders above the workers' files, parents before children: made
    // before the workers start so that they never race on a path.
    const std::vector<QByteArray> &folders() const { return m_folders; }

private:
    void assignOwners(int workers, bool overwrite);
    void collectFolders();

    std::vector<KTPlannedZipEntry> m_entries;
    std::vector<int> m_owners;
    std::vector<int> m_lastIndex;
    std::vector<QByteArray> m_folders;
};
