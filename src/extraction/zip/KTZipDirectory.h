#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// One file record of a zip archive's central directory.
struct KTZipRecord {
    QByteArray name;          // raw name bytes as stored
    QByteArray unicodeName;   // UTF-8 name from the Info-ZIP Unicode path field, if valid
    bool utf8Flag = false;    // general-purpose bit 11: the name is UTF-8
    bool encrypted = false;
    quint16 method = 0;
    quint32 crc32 = 0;
    quint64 compressedSize = 0;
    quint64 uncompressedSize = 0;
    quint64 localHeaderOffset = 0;
    quint16 madeBy = 0;
    quint32 externalAttributes = 0;

    // Whether the format itself says how the name is encoded.
    bool nameIsDecided() const { return utf8Flag || !unicodeName.isEmpty(); }
    // A symbolic link, which only the directory's Unix mode tells apart from a file.
    bool isSymlink() const;
};

// Reads a zip archive's central directory (zip64 included), which lists
// every entry with its name, flags and sizes before any data is read.
class KTZipDirectory
{
public:
    // nullopt when the file has no readable central directory.
    static std::optional<KTZipDirectory> read(const QString &path);
    // The run of central records that starts at data and ends at the first
    // bytes that are not one; no end record needed.
    static KTZipDirectory parseRecords(const char *data, qint64 size);
    // Whether the file begins with a zip entry's local header, as any zip
    // with entries does even when its directory is lost.
    static bool startsWithLocalHeader(const QString &path);

    const std::vector<KTZipRecord> &records() const { return m_records; }
    // Where the directory lies in the file, and what to add to a record's
    // local header offset to find it there (data prepended to the archive,
    // as in a self-extractor, moves everything).
    qint64 directoryStart() const { return m_directoryStart; }
    qint64 offsetShift() const { return m_offsetShift; }
    // Bytes the records took, from directoryStart().
    qint64 parsedSize() const { return m_parsedSize; }
    // The sum of the declared sizes (at most the largest quint64).
    quint64 totalUncompressedSize() const { return m_totalUncompressed; }
    // Whether one entry's local header lies inside another entry's header or
    // data (data that ends before the directory): no zip tool writes that,
    // but a bomb does, to expand one small deflate stream once per entry.
    bool hasOverlappingEntries() const;

private:
    std::vector<KTZipRecord> m_records;
    quint64 m_totalUncompressed = 0;
    qint64 m_directoryStart = 0;
    qint64 m_offsetShift = 0;
    qint64 m_parsedSize = 0;
};
