#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "extraction/libarchive/KTPassphraseHandout.h"
#include "extraction/libarchive/KTReadProgressGuard.h"
#include "extraction/zip/KTZipInflater.h"

#include <QByteArray>
#include <QString>

#include <functional>

struct archive;
struct archive_entry;
class KTDiskWriter;

// One reader of a zip archive, for one thread: libarchive's seekable zip
// reader, which takes every entry from the central directory and seeks past
// the data of entries it is not asked for. Several readers on one file
// extract different entries side by side.
class KTZipEntryReader
{
public:
    // Asked, on the reader's thread, when an encrypted entry needs a
    // password: its bytes, or nullopt when there is none.
    using PassphraseSource = KTPassphraseHandout::Source;

    KTZipEntryReader(QString archivePath, qint64 archiveSize, PassphraseSource passphrase);
    ~KTZipEntryReader();
    KTZipEntryReader(const KTZipEntryReader &) = delete;
    KTZipEntryReader &operator=(const KTZipEntryReader &) = delete;

    KTExtractionError open();
    // The next entry's header, or null at the end of the archive.
    KTExtractionError next(archive_entry **entry);
    // Reads forward to the entry at index (from 0) and checks that it bears
    // rawName: the file must not have changed since it was planned.
    KTExtractionError moveTo(int index, const QByteArray &rawName);
    // Writes the current entry's data into the writer's current file, with
    // KTZipInflater when inflatable (its central record) is given.
    // onBlock gets each block's size; false from it stops with Cancelled.
    KTExtractionError copyData(KTDiskWriter &writer, bool encrypted, const KTZipRecord *inflatable,
                               const std::function<bool(qint64)> &onBlock);

    // The current entry's raw name as libarchive hands it out.
    static QByteArray rawName(archive_entry *entry);

private:
    KTExtractionError readError(bool encrypted) const;
    qint64 position() const;

    QString m_path;
    qint64 m_archiveSize;
    KTPassphraseHandout m_passphrase;
    archive *m_archive = nullptr;
    archive_entry *m_entry = nullptr;
    int m_index = -1;
    KTReadProgressGuard m_guard;
    KTZipInflater m_inflater;
};
