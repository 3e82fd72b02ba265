#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QString>

// One extraction's private folder under the temporary directory:
// "unarchiver" and four unique characters, mode 0700, locked with flock for
// as long as this object holds it. The lock is what tells a live folder from
// a stranded one: a process that ends, however it ends, drops its locks, and
// sweep() removes only folders nobody holds.
//
// The folder is made under a hidden name and locked before it takes its
// visible name, so a sweep never sees it unlocked.
class KTScratchFolder
{
public:
    KTScratchFolder() = default;
    // Releases the lock; the folder stays on disk.
    ~KTScratchFolder();
    KTScratchFolder(KTScratchFolder &&other) noexcept;
    KTScratchFolder &operator=(KTScratchFolder &&other) noexcept;
    KTScratchFolder(const KTScratchFolder &) = delete;
    KTScratchFolder &operator=(const KTScratchFolder &) = delete;

    // Makes and locks a fresh folder in parent; on failure out stays empty.
    [[nodiscard]] static KTExtractionError create(const QString &parent, KTScratchFolder *out);
    // Removes every folder of this user in parent named as this class names
    // them ("unarchiver" and four letters or digits, or the hidden name of
    // one stranded while being made) that no one holds. Links and files of
    // those names are left alone. Returns how many went.
    static int sweep(const QString &parent);

    bool isHeld() const { return m_fd >= 0; }
    // Empty when nothing is held.
    QString path() const { return m_path; }

    // Removes the folder with all it holds, then lets go.
    void remove();
    // Lets go of the lock and leaves the folder where it is.
    void release();

private:
    QString m_path;
    int m_fd = -1;
};
