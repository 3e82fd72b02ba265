#pragma once

#include "util/files/KTFileOperationError.h"

#include <QString>

// Moves a file, a link or a folder with everything below it, never
// replacing anything at the target. Within one file system it is a rename;
// across file systems it is KTItemCopier's complete copy, and the source is
// removed only once that copy is in place.
class KTItemMover
{
public:
    // EEXIST when something is at target already; IntoItself for a folder
    // moved into itself. SourceKept when the copy is complete at target but
    // the source could not be removed entirely.
    static KTFileOperationError moveItem(const QString &source, const QString &target);
    // The cross-file-system road on its own: copy, then remove the source.
    static KTFileOperationError copyThenRemove(const QString &source, const QString &target);
};
