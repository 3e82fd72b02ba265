#pragma once

#include "extraction/engine/KTUnarchiver.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/engine/KTUnarchiverFactory.h"
#include "support/KTUnarchiverScript.h"

class KTDiskWriter;

// A backend that extracts a script instead of reading an archive, by the
// real backends' road: the enclosing folder named after the archive path
// (which need not exist), names through KTPathSanitizer, data through
// KTDiskWriter in blocks, finishCreatedItem, and the delegate asked and told
// in the real order (should, will, the password at the first encrypted
// entry's data, progress and a stop poll after every block, did, progress).
// Every step goes to the script's log.
class KTScriptedUnarchiver : public KTUnarchiver
{
public:
    KTScriptedUnarchiver(QString archivePath, KTUnarchiverScript script);

    // For KTExtractionJob::setUnarchiverFactory: a scripted unarchiver of
    // this script for whatever path the job opens.
    static KTUnarchiverFactory factory(KTUnarchiverScript script);

    KTExtractionError parse() override;
    KTExtractionError unarchive() override;

private:
    // Asks the delegate once when no password is set; whether the one set is right.
    bool passwordAccepted();
    // The delegate's answer, unlogged (a held entry polls it).
    bool stopRequested();
    bool shouldStop();
    KTExtractionError extractEntries(KTDiskWriter &writer);
    KTExtractionError extractEntry(const KTScriptedEntry &entry, const KTArchiveEntry &info, const QByteArray &rel,
                                   KTDiskWriter &writer, qint64 &done);
    KTExtractionError writeData(const KTScriptedEntry &entry, const KTArchiveEntry &info, KTDiskWriter &writer,
                                qint64 &done);
    // The scripted gate and failure of an entry at this much of its data.
    KTExtractionError checkpoint(const KTScriptedEntry &entry, qint64 written, bool &held);
    void reportProgress(const KTArchiveEntry &info, qint64 fileDone, qint64 done);

    QString m_path;
    KTUnarchiverScript m_script;
    bool m_parsed = false;
    bool m_askedForPassword = false;
};
