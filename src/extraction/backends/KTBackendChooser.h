#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "extraction/engine/KTUnarchiverFactory.h"

#include <QString>

#include <memory>

class KTUnarchiver;

// Picks the backend for an archive file: libarchive's, or 7-Zip's for a 7z
// archive that libarchive reports encrypted. The job's default
// KTUnarchiverFactory, and its default KTSecondReaderFactory: 7-Zip's
// program for what libarchive cannot open, cannot decode, or finds empty.
class KTBackendChooser
{
public:
    // The unarchiver for the file, or null with the cause in error (a
    // missing path, a folder).
    static std::unique_ptr<KTUnarchiver> unarchiverForPath(const QString &path, KTExtractionError *error);

    // 7-Zip's unarchiver when libarchive's reading of the file says another
    // reader might read it, and 7zz is installed; otherwise null. Whether
    // 7zz reads it is then for its parse() to say.
    static std::unique_ptr<KTUnarchiver> secondReaderFor(const QString &path, const KTFirstReading &first);
    // Whether a failure of libarchive leaves the archive to another reader.
    static bool leavesToSecondReader(const KTFirstReading &first);
    // Whether 7zz must read the whole archive without error before it
    // replaces what libarchive wrote: after a password libarchive turned
    // down (a wrong one leaves nothing of wrong content), and after damage
    // past the first file (what libarchive extracted stays unless 7zz does
    // better).
    static bool needsWholeTest(const KTFirstReading &first);
};
