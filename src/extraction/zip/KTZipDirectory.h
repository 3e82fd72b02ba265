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

    // Whether the format itself says how the name is encoded.
    bool nameIsDecided() const { return utf8Flag || !unicodeName.isEmpty(); }
};

// Reads a zip archive's central directory (zip64 included), which lists
// every entry with its name, flags and sizes before any data is read.
class KTZipDirectory
{
public:
    // nullopt when the file has no readable central directory.
    static std::optional<KTZipDirectory> read(const QString &path);
    // Whether the file begins with a zip entry's local header, as any zip
    // with entries does even when its directory is lost.
    static bool startsWithLocalHeader(const QString &path);

    const std::vector<KTZipRecord> &records() const { return m_records; }
    // The sum of the declared sizes (at most the largest quint64).
    quint64 totalUncompressedSize() const { return m_totalUncompressed; }
    // Whether one entry's local header lies inside another entry's header or
    // data: no zip tool writes that, but a bomb does, to expand one small
    // deflate stream once per entry.
    bool hasOverlappingEntries() const;

private:
    std::vector<KTZipRecord> m_records;
    quint64 m_totalUncompressed = 0;
};
