#pragma once

#include "extraction/names/KTArchiveString.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

// The names of the entries 7zz lists, decoded as the libarchive reader
// decodes names. 7zz prints and writes a name the format does not say is
// Unicode (a zip entry without the UTF-8 flag, an ARJ name) as its raw
// bytes; those go through detection over all of them and the delegate's
// choice.
class KTSevenZipNames
{
public:
    using EncodingChooser = std::function<QByteArray(const KTArchiveString &)>;

    // One name for each listed path, in order; a path in UTF-8 is read so.
    static std::vector<QString> decide(const std::vector<QByteArray> &listed, const EncodingChooser &chooseEncoding);
};
