#pragma once

#include <QString>

// Whether the desktop could run a file instead of showing it: a file with
// an execute bit, an ELF binary or a #! script, a .desktop launcher, or a
// Windows program or batch file (which Wine or a shell may run). Folders
// and plain documents are not.
class KTRunnableCheck
{
public:
    static bool mayRun(const QString &path);
};
