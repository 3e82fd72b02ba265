#include "support/KTZipBytes.h"

#include "support/KTTestDirs.h"

quint32 KTZipBytes::le32(const QByteArray &bytes, qsizetype at)
{
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(uchar(bytes[at + i])) << (8 * i);
    return v;
}

void KTZipBytes::putLe32(QByteArray &bytes, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

qsizetype KTZipBytes::centralRecord(const QByteArray &zip, const QByteArray &name)
{
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0; at = zip.indexOf("PK\x01\x02", at + 4)) {
        const int length = uchar(zip[at + 28]) | (uchar(zip[at + 29]) << 8);
        if (zip.mid(at + 46, length) == name)
            return at;
    }
    return -1;
}

qsizetype KTZipBytes::localHeader(const QByteArray &zip, const QByteArray &name)
{
    const qsizetype central = centralRecord(zip, name);
    return central < 0 ? -1 : qsizetype(le32(zip, central + 42));
}

bool KTZipBytes::damageData(QByteArray &zip, const QByteArray &name)
{
    const qsizetype central = centralRecord(zip, name);
    if (central < 0)
        return false;
    const qsizetype local = qsizetype(le32(zip, central + 42));
    const auto le16 = [&](qsizetype at) { return int(uchar(zip[at])) | (int(uchar(zip[at + 1])) << 8); };
    const qsizetype data = local + 30 + le16(local + 26) + le16(local + 28);
    zip.replace(data + qsizetype(le32(zip, central + 20)) / 2, 16, QByteArray(16, '\x5a'));
    return true;
}

bool KTZipBytes::damageDataInFile(const QString &path, const QByteArray &name)
{
    QByteArray zip = kt_readFile(path);
    return damageData(zip, name) && kt_writeFile(path, zip);
}
