#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QString>

#include <memory>

class KTUnarchiver;

// Picks the backend for an archive file: libarchive's, or 7-Zip's for a 7z
// archive that libarchive reports encrypted. The job's default
// KTUnarchiverFactory.
class KTBackendChooser
{
public:
    // The unarchiver for the file, or null with the cause in error (a
    // missing path, a folder).
    static std::unique_ptr<KTUnarchiver> unarchiverForPath(const QString &path, KTExtractionError *error);
};
