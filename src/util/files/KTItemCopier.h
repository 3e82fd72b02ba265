#pragma once

#include "util/files/KTFileOperationError.h"

#include <QString>

// Copies a file, a link or a folder with everything below it. The copy is
// made under a temporary name beside the target and put in place only once
// complete, so a failed copy leaves no half-made item and an item it was
// meant to replace stays as it was. The source is never changed.
class KTItemCopier
{
public:
    // Copies source to target. An existing target is replaced only when
    // replaceExisting is set (the user confirmed it); otherwise it is an
    // error (EEXIST). Links are copied as links, not followed.
    static KTFileOperationError copyItem(const QString &source, const QString &target, bool replaceExisting);
};
