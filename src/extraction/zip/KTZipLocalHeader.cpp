#include "extraction/zip/KTZipLocalHeader.h"

#include <QtEndian>

std::optional<KTZipLocalHeader> KTZipLocalHeader::parse(const void *header)
{
    const auto *bytes = static_cast<const uchar *>(header);
    if (qFromLittleEndian<quint32>(bytes) != 0x04034b50)
        return std::nullopt;
    KTZipLocalHeader local;
    local.flags = qFromLittleEndian<quint16>(bytes + 6);
    local.method = qFromLittleEndian<quint16>(bytes + 8);
    local.nameLength = qFromLittleEndian<quint16>(bytes + 26);
    local.extraLength = qFromLittleEndian<quint16>(bytes + 28);
    return local;
}
