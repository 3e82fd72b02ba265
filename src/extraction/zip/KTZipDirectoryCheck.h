#pragma once

#include <QString>

class KTZipDirectory;

// Whether a zip's central directory describes the file it sits in.
//
// libarchive's zip reader trusts the directory for where each entry's data
// lies and how long it is. When the directory says otherwise than the local
// headers (sizes, CRC, method), or points past its own start, that reader
// fails on entries whose data is whole; the local headers can still be read
// one after another, each entry checked against its own CRC.
class KTZipDirectoryCheck
{
public:
    // Empty when every record's local header is where the directory says and
    // agrees with it (through the data descriptor for an entry that has one),
    // and its data ends before the directory begins; else the first reason
    // it does not.
    static QString disagreement(const QString &path, const KTZipDirectory &directory);
};
