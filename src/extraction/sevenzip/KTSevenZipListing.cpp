#include "extraction/sevenzip/KTSevenZipListing.h"

#include <QList>

namespace {

// "drwxr-xr-x", "lrwxrwxrwx", "-rw-r--r--": the Unix mode 7-Zip shows after
// the Windows attribute letters.
bool isUnixModeString(const QByteArray &word)
{
    static const QByteArray types("-dlcbps");
    return word.size() == 10 && types.contains(word.at(0));
}

void applyAttributes(KTSevenZipItem &item, const QByteArray &value)
{
    const QList<QByteArray> words = value.split(' ');
    if (!words.isEmpty() && !isUnixModeString(words.first()) && words.first().contains('D'))
        item.isDirectory = true;
    for (const QByteArray &word : words) {
        if (!isUnixModeString(word))
            continue;
        item.isDirectory = word.at(0) == 'd';
        item.isSymlink = word.at(0) == 'l';
    }
}

} // namespace

std::vector<KTSevenZipItem> KTSevenZipListing::parse(const QByteArray &output)
{
    std::vector<KTSevenZipItem> items;
    bool inEntries = false;
    bool inBlock = false;
    for (QByteArray line : output.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!inEntries) {
            inEntries = line == "----------";
            continue;
        }
        if (line.isEmpty()) {
            inBlock = false;
            continue;
        }
        const int separator = line.indexOf(" = ");
        if (separator < 0)
            continue;
        // A block is one entry; the one stream of a lone compressed file
        // (xz, lzip, zstd) comes without a Path.
        if (!inBlock) {
            items.emplace_back();
            inBlock = true;
        }
        const QByteArray key = line.left(separator);
        const QByteArray value = line.mid(separator + 3);
        KTSevenZipItem &item = items.back();
        if (key == "Path")
            item.path = value;
        else if (key == "Size")
            item.size = value.toLongLong();
        else if (key == "Folder")
            item.isDirectory = value == "+";
        else if (key == "Attributes")
            applyAttributes(item, value);
        else if (key == "Encrypted")
            item.isEncrypted = value == "+";
    }
    return items;
}

QString KTSevenZipListing::archiveType(const QByteArray &output)
{
    for (QByteArray line : output.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line == "----------")
            break;
        if (line.startsWith("Type = "))
            return QString::fromUtf8(line.mid(7));
    }
    return {};
}
