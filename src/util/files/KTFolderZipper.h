#pragma once

#include "util/files/KTFileOperationError.h"

#include <QString>

#include <atomic>

// Packs a folder into a zip file, the folder itself as the archive's one
// top-level entry, so that it can travel where only files go (a mail
// attachment). Links are stored as links, never followed.
class KTFolderZipper
{
public:
    // Writes folder into zipPath (which must not exist yet). A partial zip is
    // removed on failure. Stops early, as a failure (ECANCELED), once
    // cancelled turns true.
    static KTFileOperationError zipFolder(const QString &folder, const QString &zipPath,
                                          const std::atomic<bool> *cancelled = nullptr);
};
