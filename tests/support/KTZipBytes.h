#pragma once

#include <QByteArray>
#include <QString>

// Reads and edits the bytes of a zip in memory, to damage it on purpose.
class KTZipBytes
{
public:
    static quint32 le32(const QByteArray &bytes, qsizetype at);
    static void putLe32(QByteArray &bytes, qsizetype at, quint32 value);
    // The offset of name's record in the central directory, or -1.
    static qsizetype centralRecord(const QByteArray &zip, const QByteArray &name);
    // The offset of name's local header, through its central record, or -1.
    static qsizetype localHeader(const QByteArray &zip, const QByteArray &name);
    // Overwrites 16 bytes in the middle of name's compressed data; false
    // when there is no such entry.
    static bool damageData(QByteArray &zip, const QByteArray &name);
    // damageData on the zip file at path, in place.
    static bool damageDataInFile(const QString &path, const QByteArray &name);
};
