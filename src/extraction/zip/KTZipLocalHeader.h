#pragma once

#include <QtGlobal>

#include <optional>

// The fixed part of a zip entry's local header: the 30 bytes before its
// name, extra field and data.
struct KTZipLocalHeader {
    static constexpr qint64 Size = 30;
    static constexpr quint16 Deflate = 8;

    quint16 flags = 0;
    quint16 method = 0;
    quint16 nameLength = 0;
    quint16 extraLength = 0;

    // nullopt when the Size bytes at header do not begin with a local
    // header's signature.
    static std::optional<KTZipLocalHeader> parse(const void *header);

    // From the header's first byte to its entry's data.
    qint64 dataOffset() const { return Size + nameLength + extraLength; }
    bool isEncrypted() const { return flags & 1u; }
    // The sizes follow the data, in a data descriptor.
    bool hasDescriptor() const { return flags & (1u << 3); }
};
