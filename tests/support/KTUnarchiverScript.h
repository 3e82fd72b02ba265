#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "support/KTScriptGate.h"
#include "support/KTScriptLog.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

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
