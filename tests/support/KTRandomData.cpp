#include "support/KTRandomData.h"

#include <QRandomGenerator>

QByteArray KTRandomData::bytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

QByteArray KTRandomData::text(qsizetype size, quint32 seed)
{
    static const QByteArray words[] = {"zip ", "entry ", "worker ", "thread ", "deflate ", "data\n", "name ", "path "};
    QRandomGenerator random(seed);
    QByteArray text;
    text.reserve(size + 16);
    while (text.size() < size)
        text += words[random.bounded(8)];
    text.truncate(size);
    return text;
}
