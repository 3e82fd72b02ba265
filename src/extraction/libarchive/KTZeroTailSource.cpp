#include "extraction/libarchive/KTZeroTailSource.h"

#include <cstring>

namespace {

constexpr qsizetype BlockSize = 128 * 1024;
// The longest look-ahead past a data descriptor: its zip64 form.
constexpr qsizetype TailSize = 24;

} // namespace

KTZeroTailSource::KTZeroTailSource(QString path)
    : KTDecompressingSource(std::move(path), BlockSize)
{
}

qint64 KTZeroTailSource::decodeSome(char *out, qsizetype capacity)
{
    const qint64 n = readInput(out, capacity);
    if (n != 0 || m_tailGiven)
        return n;
    m_tailGiven = true;
    std::memset(out, 0, size_t(TailSize));
    return TailSize;
}
