#include "extraction/libarchive/KTReadProgressGuard.h"

bool KTReadProgressGuard::headerStalls(qint64 position, const QByteArray &name)
{
    if (position == m_headerPosition && name == m_headerName) {
        ++m_repeatedHeaders;
    } else {
        m_headerPosition = position;
        m_headerName = name;
        m_repeatedHeaders = 0;
    }
    m_dataPosition = -1;
    m_emptyBlocks = 0;
    return m_repeatedHeaders >= MaxRepeatedHeaders;
}

bool KTReadProgressGuard::dataStalls(qint64 position, size_t size)
{
    if (size == 0 && position == m_dataPosition) {
        ++m_emptyBlocks;
    } else {
        m_dataPosition = position;
        m_emptyBlocks = 0;
    }
    return m_emptyBlocks >= MaxEmptyBlocks;
}
