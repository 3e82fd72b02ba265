#pragma once

#include <QString>

// Tells a self-extracting archive from any other program by its content: an
// archive's signature after the program's own code (7z, RAR, cabinet), or a
// zip's end record at the end of the file. Nothing is decompressed; the
// readers decide whether the archive can be read.
class KTSelfExtractingProbe
{
public:
    static bool isSelfExtracting(const QString &path);
};
