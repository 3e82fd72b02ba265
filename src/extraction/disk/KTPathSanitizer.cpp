#include "extraction/disk/KTPathSanitizer.h"

#include <QStringList>

#include <climits>

namespace {

// Bytes of a UTF-8 string cut to at most maxBytes without splitting a character.
QByteArray cutUtf8(const QByteArray &utf8, int maxBytes)
{
    if (utf8.size() <= maxBytes)
        return utf8;
    int end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(utf8.at(end)) & 0xC0) == 0x80)
        --end;
    return utf8.left(end);
}

} // namespace

QByteArray KTPathSanitizer::shortenComponent(const QByteArray &utf8, int maxBytes)
{
    if (utf8.size() <= maxBytes)
        return utf8;
    const int dot = utf8.lastIndexOf('.');
    const int extLength = dot > 0 ? int(utf8.size()) - dot : 0;
    if (extLength > 0 && extLength <= 16) {
        const QByteArray ext = utf8.mid(dot);
        return cutUtf8(utf8.left(dot), maxBytes - extLength) + ext;
    }
    return cutUtf8(utf8, maxBytes);
}

KTPathSanitizer::Result KTPathSanitizer::sanitize(const QString &name, bool backslashIsSeparator, int maxPathBytes)
{
    QString text = name;
    if (text.contains(QChar(0)))
        text.replace(QChar(0), QLatin1Char('_'));
    if (backslashIsSeparator) {
        text.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (text.size() >= 2 && text.at(1) == QLatin1Char(':') && text.at(0).isLetter() && text.at(0).unicode() < 128)
            text.remove(0, 2);
    }

    QByteArray out;
    const QStringList parts = text.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String(".."))
            return {std::nullopt, QStringLiteral("the name climbs out of the destination (\"..\")")};
        if (!out.isEmpty())
            out.append('/');
        out.append(shortenComponent(part.toUtf8()));
    }
    if (out.size() > maxPathBytes)
        return {std::nullopt, QStringLiteral("the name is too long for the file system")};
    return {out, {}};
}

int KTPathSanitizer::maxPathBytesBelow(const QByteArray &root)
{
    return PATH_MAX - int(root.size()) - 64;
}

KTExtractionError KTPathSanitizer::unwritable(const QString &name, const std::optional<QByteArray> &path,
                                              const QString &refusal, bool isDirectory)
{
    if (!path)
        return KTExtractionError::make(KTErrorCode::UnsafeEntry, name + QStringLiteral(": ") + refusal);
    if (path->isEmpty() && !isDirectory)
        return KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("an entry without a name"));
    return {};
}
