#pragma once

#include "extraction/libarchive/KTDecompressingSource.h"

// Hands libarchive a file as it is, followed by a few zero bytes.
//
// libarchive's reader of zip local headers looks ahead past each entry's data
// descriptor for the longer zip64 form; in a zip cut right after its last
// entry that look-ahead runs off the end, and the last entry fails though its
// data and CRC are whole. The zeros let it see the descriptor; they match no
// header, so the read still ends there as damaged.
class KTZeroTailSource : public KTDecompressingSource
{
public:
    explicit KTZeroTailSource(QString path);

protected:
    qint64 decodeSome(char *out, qsizetype capacity) override;

private:
    bool m_tailGiven = false;
};
