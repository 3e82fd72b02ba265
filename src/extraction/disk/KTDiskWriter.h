#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QByteArray>
#include <QHash>
#include <QSet>

#include <optional>
#include <sys/types.h>
#include <time.h>
#include <vector>

// Writes extracted entries below one root folder, and nowhere else.
//
// Paths are relative, already sanitized, '/'-separated UTF-8. Symbolic links
// are created only at the end (finish()), so no entry is ever written
// through one; then every link is resolved, and those that point outside the
// root (an absolute one always does) are removed and listed as skipped. Device nodes, FIFOs and sockets are never created; set-user-ID,
// set-group-ID and sticky bits are dropped and the owner always keeps read
// and write access. Ownership is never changed.
class KTDiskWriter
{
public:
    // root: an existing folder, given as a canonical absolute path.
    explicit KTDiskWriter(QByteArray root, bool overwrite = true);
    ~KTDiskWriter();

    KTDiskWriter(const KTDiskWriter &) = delete;
    KTDiskWriter &operator=(const KTDiskWriter &) = delete;

    const QByteArray &root() const { return m_root; }

    KTExtractionError makeDirectory(const QByteArray &rel, mode_t mode, std::optional<timespec> mtime);
    // The folders above rel, as an entry at rel would make them.
    KTExtractionError makeParentsOf(const QByteArray &rel) { return ensureParents(rel); }

    // A regular file: beginFile(), writeBlock() any number of times, then
    // finishFile() or abortFile(). The file is created at the first block
    // (or at finishFile() when it is empty), so a failure before any data
    // leaves nothing behind.
    KTExtractionError beginFile(const QByteArray &rel, mode_t mode);
    KTExtractionError writeBlock(const void *data, size_t size, qint64 offset);
    KTExtractionError finishFile(std::optional<timespec> mtime, qint64 sparseSize = -1);
    // Removes whatever was written for the current file.
    void abortFile();

    // targetRel: a file written before, reached through folders, not links.
    KTExtractionError makeHardLink(const QByteArray &rel, const QByteArray &targetRel);
    KTExtractionError deferSymlink(const QByteArray &rel, const QByteArray &target, std::optional<timespec> mtime);

    // Gives entries already written new last components: each key is a path
    // as written, its value the new name in the same folder. Deeper paths are
    // moved first; a move whose new name is taken is not made, but for a
    // folder onto a folder, which merges them when no entry collides. Links
    // still pending move with their paths. Returns how many moves were made.
    int renameEntries(const QHash<QByteArray, QByteArray> &newNames);
    // A pending link's target, replaced before the link is made.
    void retargetPendingLink(const QByteArray &rel, const QByteArray &target);
    // Creates the deferred links, checks them, then sets folder times and
    // permissions. Unsafe links are removed (or never made) and listed in
    // skippedLinks(); the error is any other failure.
    KTExtractionError finish(bool createLinks);

    // Relative paths of the links that finish() created and kept.
    const std::vector<QByteArray> &symlinks() const { return m_createdLinks; }
    struct SkippedLink {
        QByteArray rel;
        KTExtractionError reason;
    };
    // The links finish() left out, and why.
    const std::vector<SkippedLink> &skippedLinks() const { return m_skippedLinks; }


private:
    struct PendingLink {
        QByteArray rel;
        QByteArray target;
        std::optional<timespec> mtime;
    };
    struct DirFixup {
        QByteArray rel;
        mode_t mode;
        std::optional<timespec> mtime;
    };
    struct CurrentFile {
        QByteArray rel;
        mode_t mode = 0600;
        int fd = -1;
        qint64 end = 0;
        bool open = false;
    };

    QByteArray full(const QByteArray &rel) const;
    KTExtractionError ensureParents(const QByteArray &rel);
    // Makes the folder at rel, in place of a file there; one that exists stays.
    KTExtractionError makeFolder(const QByteArray &rel) const;
    KTExtractionError checkNotThroughLink(const QByteArray &rel) const;
    KTExtractionError openCurrent();
    // Makes room for a new entry at rel: removes a file (or empty folder)
    // there when overwriting, or picks a free name.
    KTExtractionError claimPath(QByteArray &rel);
    void forgetPendingLink(const QByteArray &rel);
    bool moveEntry(const QByteArray &from, const QByteArray &to);
    // Moves a folder's entries into another folder that already exists,
    // when none of them is taken there, and removes the emptied folder.
    bool mergeFolder(const QByteArray &from, const QByteArray &to);
    // rel after the moves made: each component whose path was moved renamed.
    static QByteArray movedPath(const QByteArray &rel, const QHash<QByteArray, QByteArray> &moved);
    // Makes one deferred link, when it is safe.
    KTExtractionError createLink(const PendingLink &link);

    QByteArray m_root;
    bool m_overwrite;
    QSet<QByteArray> m_knownDirs;
    QHash<QByteArray, PendingLink> m_pendingLinks;
    std::vector<QByteArray> m_linkOrder;
    std::vector<DirFixup> m_dirFixups;
    std::vector<QByteArray> m_createdLinks;
    std::vector<SkippedLink> m_skippedLinks;
    CurrentFile m_current;
};

// The errno of a failed write, as an extraction error.
KTExtractionError kt_writeError(int err, const QByteArray &rel);
