#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/engine/KTUnarchiverFactory.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// A point in a scripted entry where the extraction waits for the test: the
// entry blocks there until the test releases the gate, or until the
// unarchiver is asked to stop, which it polls meanwhile as a backend polls
// between blocks. Once released it stays open.
class KTScriptGate
{
public:
    // The test's side.
    void release();
    // Blocks the calling thread until an entry is at the gate; false when
    // none arrives within timeoutMs.
    bool waitUntilReached(int timeoutMs = 30000) const;

    // The unarchiver's side: waits at the gate; true when released, false
    // when shouldStop() said so first.
    bool pass(const std::function<bool()> &shouldStop);

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_reached = false;
    bool m_released = false;
};

// What a scripted unarchiver did, in order, as one line per event; shared
// between the unarchiver (on the job's worker) and the test, which may read
// it while the extraction runs.
//
// Lines: "parse", "password" (the delegate was asked), "refused <name>"
// (should-extract said no), "will <name>", "held <name>" (at its gate),
// "stop" (the delegate said stop), did(<name>, code).
class KTScriptLog
{
public:
    void add(const QString &line);
    QStringList lines() const;
    int count(const QString &line) const;

    // The line of a did-extract call.
    static QString did(const QString &name, KTErrorCode code = KTErrorCode::None);

private:
    mutable std::mutex m_mutex;
    QStringList m_lines;
};

// One entry of a scripted archive.
struct KTScriptedEntry {
    QString name;              // the decoded path inside the archive
    bool isDirectory = false;
    bool isEncrypted = false;  // needs the script's password
    QByteArray content;        // a file's bytes, unless filled
    qint64 fillSize = -1;      // from 0: a file of that many fill bytes, made block by block
    char fill = 'x';
    // Fails with this code once failAfterBytes of its data are written
    // (a folder: before it is made); what it wrote is removed.
    std::optional<KTErrorCode> failure;
    qint64 failAfterBytes = 0;
    // Waits at this gate once holdAfterBytes of its data are written.
    std::shared_ptr<KTScriptGate> gate;
    qint64 holdAfterBytes = 0;

    // The uncompressed size; 0 for a folder.
    qint64 size() const;

    static KTScriptedEntry file(const QString &name, const QByteArray &content);
    static KTScriptedEntry filled(const QString &name, qint64 size, char fill = 'x');
    static KTScriptedEntry folder(const QString &name);
};

// What a KTScriptedUnarchiver extracts and how, built in code:
//
//   KTUnarchiverScript script;
//   script.add(KTScriptedEntry::folder("docs")).add(KTScriptedEntry::file("docs/a.txt", "alpha"));
//   script.failAt(1, KTErrorCode::NoSpace);
//
// Copies share the log and the gates.
struct KTUnarchiverScript {
    std::vector<KTScriptedEntry> entries;
    std::optional<KTErrorCode> parseFailure; // parse() fails with it
    std::optional<QString> password;         // the right one for encrypted entries
    // The password is asked in parse(), as for a 7z whose names are encrypted.
    bool namesEncrypted = false;
    // Data goes to disk in blocks of this size, each followed by progress and
    // a stop poll.
    qint64 blockSize = 64 * 1024;
    // A failed entry ends the extraction with its cause, as the real
    // backends do. With this set it is only reported to the delegate, the
    // extraction goes on as far as the delegate lets it, and unarchive()
    // succeeds.
    bool goesOnAfterFailure = false;
    std::shared_ptr<KTScriptLog> log = std::make_shared<KTScriptLog>();

    KTUnarchiverScript &add(KTScriptedEntry entry);
    // The entry at index fails with code after afterBytes of its data.
    KTUnarchiverScript &failAt(int index, KTErrorCode code, qint64 afterBytes = 0);
    // The entry at index waits at a new gate after afterBytes of its data;
    // returns the gate.
    std::shared_ptr<KTScriptGate> holdAt(int index, qint64 afterBytes = 0);

    // The sum of the entries' sizes: the total the unarchiver reports.
    qint64 totalSize() const;
};

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
