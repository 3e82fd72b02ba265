#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QString>

#include <functional>
#include <memory>

class KTUnarchiver;

// Makes the unarchiver for an archive file, or returns null with the cause
// in error. The job calls it on its worker thread, once per start().
using KTUnarchiverFactory = std::function<std::unique_ptr<KTUnarchiver>(const QString &path, KTExtractionError *error)>;

// What the first reader made of an archive, for choosing a second one.
struct KTFirstReading {
    KTExtractionError error; // ok when it extracted the archive
    bool opened = false;     // parse() succeeded
    int entriesExtracted = 0; // folders not counted
    int entriesSkipped = 0;   // left out as unsafe: found, but not written
    bool passwordGiven = false; // a password was entered for it
};

// Makes a second unarchiver for an archive the first one could not read,
// or null when no other reader may do better. On the job's worker thread.
using KTSecondReaderFactory = std::function<std::unique_ptr<KTUnarchiver>(const QString &path, const KTFirstReading &first)>;
