// libFuzzer target: the name rules the extraction applies to untrusted
// bytes — decoding, encoding detection, path sanitizing, the archive's base
// name and the unique-name rule. Traps when a rule's promise breaks.
#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/names/KTEncodingDetector.h"
#include "extraction/names/KTEncodings.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

QString g_folder;

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void checkSanitized(const KTPathSanitizer::Result &r, bool backslash, int maxPath)
{
    if (!r.path) {
        require(!r.reason.isEmpty());
        return;
    }
    const QByteArray &path = *r.path;
    require(path.size() <= maxPath);
    require(!path.startsWith('/') && !path.contains('\0'));
    require(!backslash || !path.contains('\\'));
    require(KTEncodings::isValidUtf8(path));
    if (path.isEmpty())
        return;
    for (const QByteArray &part : path.split('/')) {
        require(!part.isEmpty() && part != "." && part != "..");
        require(part.size() <= KTPathSanitizer::MaxComponentBytes);
    }
}

void checkUniquePath(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String(".."))
        return;
    const QString original = g_folder + QLatin1Char('/') + name;
    // Taken, as when the same archive is extracted a second time.
    QFile taken(original);
    const bool made = !name.contains(QChar(0)) && !taken.exists() && taken.open(QIODevice::WriteOnly);
    taken.close();
    const QString unique = KTUnarchiver::findUniquePathForOriginalPath(original);
    if (made)
        taken.remove();
    require(unique.startsWith(g_folder + QLatin1Char('/')));
    const QByteArray last = QFile::encodeName(unique.mid(g_folder.size() + 1));
    require(!last.isEmpty() && !last.contains('/') && !last.contains('\0'));
    if (!made)
        return;
    // A name that could be made has a free twin that can be made too.
    require(unique != original && last.size() <= KTPathSanitizer::MaxComponentBytes);
    struct stat st;
    require(::lstat(QFile::encodeName(unique).constData(), &st) != 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char pattern[] = "/dev/shm/kt-fuzz-names-XXXXXX";
    if (!::mkdtemp(pattern))
        std::abort();
    g_folder = QString::fromLocal8Bit(pattern);
    // Names taken already, so that the unique-name rule has to number.
    for (const char *taken : {"a", "a.tar", "a-2.tar", "photo.jpg", "v1.2", ".hidden", "x.tar.gz"}) {
        QFile f(g_folder + QLatin1Char('/') + QLatin1String(taken));
        f.open(QIODevice::WriteOnly);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 16384)
        return 0;
    const uint8_t flags = data[0];
    const QByteArray raw(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const auto encodings = KTEncodings::all();
    const KTEncodingInfo &info = encodings[flags % encodings.size()];
    const QString name = (flags & 0x80) ? KTEncodings::decodeOrDefault(raw, info.icuName) : KTEncodings::decodeDefault(raw);
    if (const auto strict = KTEncodings::decode(raw, info.icuName))
        require(KTEncodings::canDecode(raw, info.icuName));
    KTEncodings::encode(name, info.icuName);

    const bool backslash = flags & 0x40;
    const int maxPath = (flags & 0x20) ? 4000 : 300;
    checkSanitized(KTPathSanitizer::sanitize(name, backslash, maxPath), backslash, maxPath);
    const QByteArray shortened = KTPathSanitizer::shortenComponent(name.toUtf8());
    require(shortened.size() <= KTPathSanitizer::MaxComponentBytes && KTEncodings::isValidUtf8(shortened));

    const QString base = KTUnarchiver::nameWithoutArchiveExtensions(name);
    require(name.isEmpty() || (!base.isEmpty() && name.startsWith(base)));
    checkUniquePath(base);

    std::vector<QByteArray> names;
    for (const QByteArray &line : raw.split('\n'))
        if (!line.isEmpty())
            names.push_back(line);
    const KTDetectedEncoding detected = KTEncodingDetector::detect(names);
    require(detected.confidence >= 0.0f && detected.confidence <= 1.0f);
    require(detected.encoding == 0 || KTEncodings::find(detected.encoding));
    return 0;
}
