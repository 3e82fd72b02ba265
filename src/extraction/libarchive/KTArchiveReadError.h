#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QString>

struct archive;

// What a failed libarchive read means for the user: the same mapping for
// every reader of an archive, whichever thread holds it.
class KTArchiveReadError
{
public:
    struct Context {
        QString archivePath;
        qint64 openedSize = 0;          // the archive file's size when it was opened
        bool encryptedEntry = false;    // the entry being read is encrypted
        bool passwordTried = false;     // a password was handed to this reader
        KTExtractionError unsupportedEncryption; // what encryption this backend cannot decrypt gives
    };

    static KTExtractionError classify(archive *a, const Context &context);
    // Whether the archive file is now shorter than when it was opened.
    static bool archiveShrank(const QString &archivePath, qint64 openedSize);
};
