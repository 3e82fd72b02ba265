#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// One entry as "7zz l -slt" describes it.
struct KTSevenZipItem {
    QByteArray path;   // as 7zz prints and writes it, '/'-separated; empty for a lone compressed stream
    qint64 size = 0;
    bool isDirectory = false;
    bool isSymlink = false;
    bool isEncrypted = false;
};

// Reads the technical listing of "7zz l -slt": the entries follow a line of
// ten dashes, each a block of "Key = Value" lines, most starting with "Path".
class KTSevenZipListing
{
public:
    static std::vector<KTSevenZipItem> parse(const QByteArray &output);
    // The format 7zz names in the archive's own block ("7z", "zip", "Arj").
    static QString archiveType(const QByteArray &output);
};
