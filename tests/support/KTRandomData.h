#pragma once

#include <QByteArray>

// Reproducible content for test archives: the same seed gives the same bytes.
class KTRandomData
{
public:
    // Bytes that do not compress.
    static QByteArray bytes(qsizetype size, quint32 seed);
    // Words that deflate compresses well, but not to nothing.
    static QByteArray text(qsizetype size, quint32 seed);
};
