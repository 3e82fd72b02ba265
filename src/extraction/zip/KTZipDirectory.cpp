#include "extraction/zip/KTZipDirectory.h"

#include "extraction/libarchive/KTIsalInflater.h"
#include "extraction/names/KTEncodings.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <cstring>

namespace {

constexpr quint32 EndSignature = 0x06054b50;
constexpr quint32 Zip64LocatorSignature = 0x07064b50;
constexpr quint32 Zip64EndSignature = 0x06064b50;
constexpr quint32 CentralSignature = 0x02014b50;
constexpr qint64 MaxCentralDirectory = qint64(1) << 30;

quint64 saturatingAdd(quint64 a, quint64 b)
{
    return a > std::numeric_limits<quint64>::max() - b ? std::numeric_limits<quint64>::max() : a + b;
}

QByteArray readAt(QFile &file, qint64 offset, qint64 size)
{
    if (offset < 0 || size < 0 || !file.seek(offset))
        return {};
    return file.read(size);
}

// Applies the zip64 and Unicode path extra fields of one record.
void readExtra(const char *p, int length, KTZipRecord &r, bool needSize, bool needCompressed, bool needOffset)
{
    while (length >= 4) {
        const quint16 id = qFromLittleEndian<quint16>(p);
        const quint16 size = qFromLittleEndian<quint16>(p + 2);
        if (size > length - 4)
            break;
        const char *data = p + 4;
        if (id == 0x0001) {
            int at = 0;
            if (needSize && at + 8 <= size) {
                r.uncompressedSize = qFromLittleEndian<quint64>(data + at);
                at += 8;
            }
            if (needCompressed && at + 8 <= size) {
                r.compressedSize = qFromLittleEndian<quint64>(data + at);
                at += 8;
            }
            if (needOffset && at + 8 <= size)
                r.localHeaderOffset = qFromLittleEndian<quint64>(data + at);
        } else if (id == 0x7075 && size >= 5 && data[0] == 1) {
            const QByteArray name(data + 5, size - 5);
            if (qFromLittleEndian<quint32>(data + 1) == KTIsalInflater::crc32(0, r.name.constData(), size_t(r.name.size())) && KTEncodings::isValidUtf8(name))
                r.unicodeName = name;
        }
        p += 4 + size;
        length -= 4 + size;
    }
}

} // namespace

bool KTZipDirectory::startsWithLocalHeader(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray("PK\x03\x04", 4);
}

std::optional<KTZipDirectory> KTZipDirectory::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 fileSize = file.size();
    if (fileSize < 22)
        return std::nullopt;

    const qint64 tailSize = std::min<qint64>(fileSize, 22 + 65535);
    const QByteArray tail = readAt(file, fileSize - tailSize, tailSize);
    if (tail.size() != tailSize)
        return std::nullopt;
    qint64 eocd = -1;
    for (qint64 i = tailSize - 22; i >= 0; --i) {
        if (qFromLittleEndian<quint32>(tail.constData() + i) == EndSignature) {
            eocd = i;
            break;
        }
    }
    if (eocd < 0)
        return std::nullopt;
    const char *e = tail.constData() + eocd;
    quint64 count = qFromLittleEndian<quint16>(e + 10);
    quint64 cdSize = qFromLittleEndian<quint32>(e + 12);
    quint64 cdOffset = qFromLittleEndian<quint32>(e + 16);
    const qint64 eocdPos = fileSize - tailSize + eocd;

    if (count == 0xFFFF || cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF) {
        if (eocd >= 20 && qFromLittleEndian<quint32>(e - 20) == Zip64LocatorSignature) {
            const QByteArray z = readAt(file, qint64(qFromLittleEndian<quint64>(e - 20 + 8)), 56);
            if (z.size() == 56 && qFromLittleEndian<quint32>(z.constData()) == Zip64EndSignature) {
                count = qFromLittleEndian<quint64>(z.constData() + 32);
                cdSize = qFromLittleEndian<quint64>(z.constData() + 40);
                cdOffset = qFromLittleEndian<quint64>(z.constData() + 48);
            }
        }
    }
    if (cdSize > quint64(MaxCentralDirectory) || cdSize > quint64(fileSize) || count > cdSize / 46 + 1)
        return std::nullopt;

    qint64 cdStart = qint64(cdOffset);
    QByteArray cd = readAt(file, cdStart, qint64(cdSize));
    if (cd.size() < 4 || qFromLittleEndian<quint32>(cd.constData()) != CentralSignature) {
        // Data prepended to the archive (a self-extractor) shifts every offset.
        cdStart = eocdPos - qint64(cdSize);
        cd = readAt(file, cdStart, qint64(cdSize));
        if (cd.size() < 4 || qFromLittleEndian<quint32>(cd.constData()) != CentralSignature)
            return std::nullopt;
    }

    KTZipDirectory dir = parseRecords(cd.constData(), cd.size());
    if (dir.m_records.empty() && count > 0)
        return std::nullopt;
    dir.m_directoryStart = cdStart;
    dir.m_offsetShift = cdStart - qint64(cdOffset);
    return dir;
}

KTZipDirectory KTZipDirectory::parseRecords(const char *data, qint64 size)
{
    KTZipDirectory dir;
    qint64 at = 0;
    while (at + 46 <= size && qFromLittleEndian<quint32>(data + at) == CentralSignature) {
        const char *h = data + at;
        const quint16 flags = qFromLittleEndian<quint16>(h + 8);
        const int nameLength = qFromLittleEndian<quint16>(h + 28);
        const int extraLength = qFromLittleEndian<quint16>(h + 30);
        const int commentLength = qFromLittleEndian<quint16>(h + 32);
        if (at + 46 + nameLength + extraLength + commentLength > size)
            break;
        KTZipRecord r;
        r.madeBy = qFromLittleEndian<quint16>(h + 4);
        r.utf8Flag = flags & (1u << 11);
        r.encrypted = flags & 1u;
        r.method = qFromLittleEndian<quint16>(h + 10);
        r.crc32 = qFromLittleEndian<quint32>(h + 16);
        r.compressedSize = qFromLittleEndian<quint32>(h + 20);
        r.uncompressedSize = qFromLittleEndian<quint32>(h + 24);
        r.externalAttributes = qFromLittleEndian<quint32>(h + 38);
        r.localHeaderOffset = qFromLittleEndian<quint32>(h + 42);
        r.name = QByteArray(h + 46, nameLength);
        readExtra(h + 46 + nameLength, extraLength, r, r.uncompressedSize == 0xFFFFFFFF,
                  r.compressedSize == 0xFFFFFFFF, r.localHeaderOffset == 0xFFFFFFFF);
        dir.m_totalUncompressed = saturatingAdd(dir.m_totalUncompressed, r.uncompressedSize);
        dir.m_records.push_back(std::move(r));
        at += 46 + nameLength + extraLength + commentLength;
    }
    dir.m_parsedSize = at;
    return dir;
}

bool KTZipRecord::isSymlink() const
{
    constexpr quint32 FileTypeMask = 0170000;
    constexpr quint32 SymlinkType = 0120000;
    constexpr int UnixHost = 3;
    return (madeBy >> 8) == UnixHost && ((externalAttributes >> 16) & FileTypeMask) == SymlinkType;
}

bool KTZipDirectory::hasOverlappingEntries() const
{
    constexpr quint64 LocalHeaderSize = 30;
    std::vector<const KTZipRecord *> byOffset;
    byOffset.reserve(m_records.size());
    for (const KTZipRecord &r : m_records)
        byOffset.push_back(&r);
    std::sort(byOffset.begin(), byOffset.end(),
              [](const KTZipRecord *a, const KTZipRecord *b) { return a->localHeaderOffset < b->localHeaderOffset; });
    // Data said to run past the directory's start is a directory that does
    // not describe the file, not data shared with the next entry.
    const quint64 directoryOffset = quint64(m_directoryStart - m_offsetShift);
    for (size_t i = 1; i < byOffset.size(); ++i) {
        const KTZipRecord &before = *byOffset[i - 1];
        const quint64 end = saturatingAdd(saturatingAdd(before.localHeaderOffset, LocalHeaderSize), before.compressedSize);
        if (byOffset[i]->localHeaderOffset < end && end <= directoryOffset)
            return true;
    }
    return false;
}
