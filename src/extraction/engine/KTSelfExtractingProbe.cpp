#include "extraction/engine/KTSelfExtractingProbe.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>

namespace {

// Self-extractor stubs are a few hundred kilobytes; the archive follows.
constexpr qint64 HeadScan = 8 * 1024 * 1024;
// A zip's end record, and the comment it may carry, fit in the last 64 KiB.
constexpr qint64 TailScan = 64 * 1024 + 22;

} // namespace

bool KTSelfExtractingProbe::isSelfExtracting(const QString &path)
{
    QFile file(path);
    // A device or a FIFO would block or read without end.
    if (!file.open(QIODevice::ReadOnly) || file.isSequential())
        return false;
    const QByteArray head = file.read(HeadScan);
    static const QByteArray signatures[] = {QByteArray("7z\xBC\xAF\x27\x1C", 6), QByteArray("Rar!\x1A\x07", 6),
                                            QByteArray("MSCF\0\0\0\0", 8)};
    for (const QByteArray &signature : signatures) {
        if (head.contains(signature))
            return true;
    }
    if (!file.seek(std::max<qint64>(0, file.size() - TailScan)))
        return false;
    return file.read(TailScan).contains(QByteArray("PK\x05\x06", 4));
}
