#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "extraction/names/KTArchiveString.h"

#include <QByteArray>
#include <QString>

class KTUnarchiver;

// One entry of an archive as the unarchiver reports it to its delegate.
struct KTArchiveEntry {
    int index = 0;              // position in the archive, from 0
    QString name;               // decoded path inside the archive, '/'-separated
    qint64 size = -1;           // uncompressed size, -1 when unknown
    bool isDirectory = false;
    bool isEncrypted = false;
};

// Callbacks of an unarchiver. All of them are called on the thread that runs
// parse() or unarchive().
class KTUnarchiverDelegate
{
public:
    virtual ~KTUnarchiverDelegate() = default;

    // An encrypted entry needs a password and none is set. A password set
    // with setPassword() before returning is used.
    virtual void simpleUnarchiverNeedsPassword(KTUnarchiver &unarchiver) = 0;
    // The converter name with which to decode a raw entry name; an empty name
    // applies the default rule.
    virtual QByteArray encodingNameForString(KTUnarchiver &unarchiver, const KTArchiveString &string) = 0;
    // false skips the entry.
    virtual bool shouldExtractEntry(KTUnarchiver &unarchiver, const KTArchiveEntry &entry, const QString &to) = 0;
    virtual void willExtractEntry(KTUnarchiver &unarchiver, const KTArchiveEntry &entry, const QString &to) = 0;
    // error.ok() when the entry was extracted.
    virtual void didExtractEntry(KTUnarchiver &unarchiver, const KTArchiveEntry &entry, const QString &to,
                                 const KTExtractionError &error) = 0;
    // An item was left out after the entries were written: a link that
    // pointed outside the folder, or what a helper program wrote against
    // the rules (path is below the destination).
    virtual void didRemoveUnsafeItem(KTUnarchiver &unarchiver, const QString &path, const KTExtractionError &why)
    {
        Q_UNUSED(unarchiver) Q_UNUSED(path) Q_UNUSED(why)
    }
    // Byte counts: of this entry, done and size; of the whole archive, done and size.
    virtual void extractionProgress(KTUnarchiver &unarchiver, const KTArchiveEntry &entry, qint64 fileProgress,
                                    qint64 fileSize, qint64 totalProgress, qint64 totalSize) = 0;
    // Polled between blocks and entries; true stops the extraction.
    virtual bool extractionShouldStop(KTUnarchiver &unarchiver) = 0;
};
