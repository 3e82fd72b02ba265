#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// The everyday archives the suite extracts, one of each kind it reads:
// zip (deflate, store, ZipCrypto, AES), 7z, the tar dialects, the tar
// filters, cpio, a lone .gz, and 7zz's own 7z when 7zz is installed. All
// hold the same small tree of sampleTree(). Damage and fuzzing start here.
class KTSampleArchives
{
public:
    static constexpr const char *Password = "pw";

    // Writes every sample into folder; the paths written, or an empty list
    // (with a test failure recorded) when one cannot be made.
    static QStringList write(const QString &folder);
    // The paths each sample holds ("rel/" for a folder).
    static QStringList sampleTree();
};
