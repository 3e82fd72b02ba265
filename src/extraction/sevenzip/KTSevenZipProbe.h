#pragma once

#include <QString>

// Asks libarchive whether a file is a 7z archive that it cannot decrypt,
// from what it reports when opening the archive and reading its first
// headers. No data is decompressed.
class KTSevenZipProbe
{
public:
    enum class Encryption {
        None,    // not encrypted, or not a 7z archive at all
        Content, // the entries' data is encrypted; the names are readable
        Header,  // the names are encrypted too
    };

    static Encryption encryptionOf(const QString &path);
};
