#include "extraction/zip/KTZipDirectoryCheck.h"

#include "extraction/libarchive/KTIsalInflater.h"
#include "extraction/zip/KTZipDirectory.h"
#include "extraction/zip/KTZipLocalHeader.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <vector>

namespace {

constexpr quint32 DescriptorSignature = 0x08074b50;
constexpr quint32 Unknown32 = 0xFFFFFFFF;
// Compressed sizes up to this are inflated to see which header has it right.
constexpr quint64 MaxProbedSize = 16 * 1024 * 1024;

struct LocalSizes {
    quint32 crc = 0;
    quint64 compressed = 0;
    quint64 uncompressed = 0;
    bool zip64 = false;
};

// The sizes a local header declares, through its zip64 field when it has one.
LocalSizes localSizes(const uchar *header, const uchar *extra, int extraLength)
{
    LocalSizes sizes{qFromLittleEndian<quint32>(header + 14), qFromLittleEndian<quint32>(header + 18), qFromLittleEndian<quint32>(header + 22), false};
    while (extraLength >= 4) {
        const quint16 id = qFromLittleEndian<quint16>(extra);
        const quint16 size = qFromLittleEndian<quint16>(extra + 2);
        if (size > extraLength - 4)
            break;
        if (id == 0x0001) {
            sizes.zip64 = true;
            if (size >= 16 && (sizes.uncompressed == Unknown32 || sizes.compressed == Unknown32)) {
                sizes.uncompressed = qFromLittleEndian<quint64>(extra + 4);
                sizes.compressed = qFromLittleEndian<quint64>(extra + 12);
            }
        }
        extra += 4 + size;
        extraLength -= 4 + size;
    }
    return sizes;
}

// Where a deflate stream that starts at data ends: its length, or 0 when it
// does not end within size bytes or is damaged.
quint64 deflateLength(const uchar *data, quint64 size)
{
    KTIsalInflater inflater(KTIsalInflater::Mode::Raw);
    inflater.setInput(data, size_t(size));
    std::vector<char> out(64 * 1024);
    for (;;) {
        size_t produced = 0;
        switch (inflater.inflate(out.data(), out.size(), produced)) {
        case KTIsalInflater::Status::End:
            return size - inflater.availableInput();
        case KTIsalInflater::Status::Damaged:
            return 0;
        case KTIsalInflater::Status::Progress:
            if (produced == 0 && inflater.availableInput() == 0)
                return 0;
            break;
        }
    }
}

} // namespace

QString KTZipDirectoryCheck::disagreement(const QString &path, const KTZipDirectory &directory)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("the archive cannot be read again");
    const qint64 end = directory.directoryStart();
    if (end <= 0 || end > file.size())
        return QStringLiteral("the directory lies outside the file");
    const uchar *data = file.map(0, end);
    if (!data)
        return QStringLiteral("the archive cannot be mapped");

    for (const KTZipRecord &record : directory.records()) {
        const quint64 at = record.localHeaderOffset + quint64(directory.offsetShift());
        if (record.localHeaderOffset > quint64(end) || at > quint64(end - KTZipLocalHeader::Size))
            return QStringLiteral("an entry's header lies past the directory");
        const uchar *header = data + at;
        const std::optional<KTZipLocalHeader> fixed = KTZipLocalHeader::parse(header);
        if (!fixed)
            return QStringLiteral("an entry's header is not where the directory says");
        if (fixed->method != record.method)
            return QStringLiteral("an entry's method differs from the directory's");
        const quint64 dataAt = at + quint64(fixed->dataOffset());
        if (dataAt > quint64(end))
            return QStringLiteral("an entry's header runs into the directory");
        const LocalSizes local = localSizes(header, header + KTZipLocalHeader::Size + fixed->nameLength, fixed->extraLength);
        if (record.compressedSize > quint64(end) - dataAt)
            return QStringLiteral("an entry's data runs past the directory");
        const quint64 dataEnd = dataAt + record.compressedSize;

        LocalSizes declared = local;
        if (fixed->hasDescriptor()) {
            // The sizes follow the data, in a descriptor whose signature is optional.
            const bool wide = local.zip64 || record.compressedSize >= Unknown32 || record.uncompressedSize >= Unknown32;
            qint64 at = qint64(dataEnd);
            if (at + 4 <= end && qFromLittleEndian<quint32>(data + at) == DescriptorSignature)
                at += 4;
            if (at + (wide ? 20 : 12) > end)
                return QStringLiteral("an entry's data descriptor runs into the directory");
            declared.crc = qFromLittleEndian<quint32>(data + at);
            declared.compressed = wide ? qFromLittleEndian<quint64>(data + at + 4) : qFromLittleEndian<quint32>(data + at + 4);
            declared.uncompressed = wide ? qFromLittleEndian<quint64>(data + at + 12) : qFromLittleEndian<quint32>(data + at + 8);
        }
        if (declared.crc != record.crc32 || declared.uncompressed != record.uncompressedSize)
            return QStringLiteral("an entry's size or CRC differs from the directory's");
        if (declared.compressed != record.compressedSize) {
            // Deflate data ends by itself: where it does tells which header is right.
            const quint64 longer = std::max(declared.compressed, record.compressedSize);
            const bool directoryRight = record.method == KTZipLocalHeader::Deflate && !record.encrypted && longer <= MaxProbedSize
                && deflateLength(data + dataAt, std::min(longer, quint64(end) - dataAt)) == record.compressedSize;
            if (!directoryRight)
                return QStringLiteral("an entry's compressed size differs from the directory's");
        }
    }
    return {};
}
