#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>

// Notices a reader that goes round in circles. Some damaged archives make
// libarchive 3.6 hand out the same header, or empty data blocks, again and
// again without reading any further into the archive; bsdtar then spins
// for ever. The backend asks after every header and every data block.
class KTReadProgressGuard
{
public:
    // Identical headers in a row at one read position before giving up.
    // Headers without data (the empty files of a 7z) may share a position,
    // but not a name as well.
    static constexpr int MaxRepeatedHeaders = 16;
    // Empty data blocks in a row at one read position before giving up.
    static constexpr int MaxEmptyBlocks = 1000;

    // position: the archive's bytes read so far; name: the entry's raw name.
    // true when the reader makes no progress.
    bool headerStalls(qint64 position, const QByteArray &name);
    bool dataStalls(qint64 position, size_t size);

private:
    qint64 m_headerPosition = -1;
    QByteArray m_headerName;
    int m_repeatedHeaders = 0;
    qint64 m_dataPosition = -1;
    int m_emptyBlocks = 0;
};
