#include "extraction/engine/KTArchiveExtensions.h"

#include "extraction/engine/KTSelfExtractingProbe.h"

#include <QRegularExpression>

namespace {

enum class Taken {
    ByName,
    // A program: an archive only when its content says so.
    ByContent,
    // An archive the readers open, but a name no one picks to extract: "a"
    // is the static library's.
    Never,
};

struct Extension
{
    const char *name;
    Taken taken;
};

// Format names first, then the extensions real files carry, then everything
// else the two readers open.
constexpr Extension kExtensions[] = {
    {"zip", Taken::ByName},  {"7z", Taken::ByName},    {"gzip", Taken::ByName}, {"tar", Taken::ByName},
    {"rar", Taken::ByName},  {"bzip", Taken::ByName},  {"bzip2", Taken::ByName}, {"gz", Taken::ByName},
    {"tgz", Taken::ByName},  {"bz2", Taken::ByName},   {"tbz", Taken::ByName},  {"tbz2", Taken::ByName},
    {"xz", Taken::ByName},   {"txz", Taken::ByName},   {"zst", Taken::ByName},  {"iso", Taken::ByName},
    {"cab", Taken::ByName},  {"lzh", Taken::ByName},   {"lha", Taken::ByName},  {"arj", Taken::ByName},
    {"cpio", Taken::ByName}, {"ar", Taken::ByName},    {"deb", Taken::ByName},  {"rpm", Taken::ByName},
    {"xar", Taken::ByName},  {"pkg", Taken::ByName},   {"jar", Taken::ByName},  {"war", Taken::ByName},
    {"apk", Taken::ByName},  {"epub", Taken::ByName},  {"cbz", Taken::ByName},  {"cbr", Taken::ByName},
    {"cb7", Taken::ByName},  {"cbt", Taken::ByName},   {"z", Taken::ByName},    {"lz", Taken::ByName},
    {"lzma", Taken::ByName}, {"lz4", Taken::ByName},   {"tlz", Taken::ByName},  {"tzst", Taken::ByName},
    {"tzs", Taken::ByName},  {"zipx", Taken::ByName},  {"zstd", Taken::ByName}, {"exe", Taken::ByContent},
    {"a", Taken::Never},
};

QStringList extensionsTaken(Taken taken)
{
    QStringList names;
    for (const Extension &extension : kExtensions) {
        if (extension.taken == taken)
            names.append(QLatin1String(extension.name));
    }
    return names;
}

bool isArchiveExtension(const QString &extension)
{
    for (const Extension &known : kExtensions) {
        if (extension.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The text after the last '.' of the last path component, lower-cased; a
// folder's trailing slash does not count, so it is judged by its name.
QString extensionOf(const QString &path)
{
    QString name = path;
    while (name.size() > 1 && name.endsWith(QLatin1Char('/')))
        name.chop(1);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

void appendBothCases(QStringList &patterns, const QStringList &extensions)
{
    for (const QString &extension : extensions)
        patterns << QStringLiteral("*.") + extension << QStringLiteral("*.") + extension.toUpper();
}

} // namespace

QStringList KTArchiveExtensions::opened()
{
    return extensionsTaken(Taken::ByName);
}

QStringList KTArchiveExtensions::namePatterns()
{
    QStringList patterns;
    appendBothCases(patterns, opened());
    patterns << QStringLiteral("*.7z.001") << QStringLiteral("*.zip.001") << QStringLiteral("*.z01")
             << QStringLiteral("*.Z01");
    appendBothCases(patterns, extensionsTaken(Taken::ByContent));
    return patterns;
}

bool KTArchiveExtensions::accepts(const QString &path, const QStringList &extensions)
{
    const QString extension = extensionOf(path);
    if (extensions.contains(extension))
        return true;
    // name.z01, name.z02, …: a split zip; name.7z.001, …: a byte-split archive.
    static const QRegularExpression zipPiece(QStringLiteral("^z\\d\\d$"));
    static const QRegularExpression piece(QStringLiteral("^\\d{3}$"));
    if (zipPiece.match(extension).hasMatch())
        return true;
    if (piece.match(extension).hasMatch())
        return extensions.contains(extensionOf(path.left(path.size() - extension.size() - 1)));
    return extensionsTaken(Taken::ByContent).contains(extension) && KTSelfExtractingProbe::isSelfExtracting(path);
}

QString KTArchiveExtensions::withoutArchiveExtensions(const QString &fileName)
{
    // Volume numbers too: "photos.part1.rar", "backup.7z.001" and "mail.z01"
    // name "photos", "backup" and "mail".
    static const QRegularExpression volumeExtension(QStringLiteral("^(part\\d+|\\d{3}|r\\d\\d|z\\d\\d)$"),
                                                    QRegularExpression::CaseInsensitiveOption);
    QString name = fileName;
    for (;;) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot <= 0)
            break;
        const QString extension = name.mid(dot + 1);
        if (!isArchiveExtension(extension) && !volumeExtension.match(extension).hasMatch())
            break;
        name.truncate(dot);
    }
    return name.isEmpty() ? fileName : name;
}
