#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class KTDiskWriter;
class KTIsalInflater;
struct KTZipRecord;

// Extracts a deflated, unencrypted zip entry without libarchive: reads its
// compressed bytes straight from the archive and inflates them with ISA-L,
// several times faster than zlib, checking the CRC-32 and both sizes the
// central directory gives. One per thread.
class KTZipInflater
{
public:
    explicit KTZipInflater(QString archivePath);
    ~KTZipInflater();
    KTZipInflater(const KTZipInflater &) = delete;
    KTZipInflater &operator=(const KTZipInflater &) = delete;

    // Whether the central directory's record is one this reads.
    static bool handles(const KTZipRecord &record);

    // Writes the entry's data into the writer's current file. nullopt, with
    // nothing written, when the local header does not match the record (the
    // caller's reader then takes the entry). onBlock gets each block's size;
    // false from it stops with Cancelled.
    std::optional<KTExtractionError> copyData(const KTZipRecord &record, KTDiskWriter &writer,
                                              const std::function<bool(qint64)> &onBlock);

private:
    bool openFile();
    // Reads exactly size bytes at offset; false when the file ends before.
    bool readAt(char *buffer, qint64 size, qint64 offset, QString &error);

    QString m_path;
    int m_fd = -1;
    qint64 m_fileSize = 0;
    QByteArray m_in;
    QByteArray m_out;
    std::unique_ptr<KTIsalInflater> m_inflater;
};
