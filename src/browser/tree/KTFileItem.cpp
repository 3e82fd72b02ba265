#include "browser/tree/KTFileItem.h"

#include "util/core/KTUtility.h"

#include <QFile>
#include <QMimeDatabase>

#include <cstdlib>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

std::optional<struct statx> statusOf(const QString &path)
{
    struct statx status{};
    if (::statx(AT_FDCWD, QFile::encodeName(path).constData(), AT_SYMLINK_NOFOLLOW,
                STATX_TYPE | STATX_MTIME | STATX_BTIME, &status) != 0)
        return std::nullopt;
    return status;
}

KTFileItem::FileKind kindOf(const std::optional<struct statx> &status, const QString &path)
{
    if (!status)
        return KTFileItem::FileKind::Missing;
    if (S_ISLNK(status->stx_mode))
        return KTUtility::kt_IsDirectoryAtPath(path) ? KTFileItem::FileKind::FolderLink
                                                     : KTFileItem::FileKind::File;
    if (S_ISDIR(status->stx_mode))
        return KTFileItem::FileKind::Folder;
    if (S_ISREG(status->stx_mode))
        return KTFileItem::FileKind::File;
    return KTFileItem::FileKind::Other;
}

// Empty for times no date can hold (archives can set absurd ones).
QDateTime dateOf(const struct statx_timestamp &time)
{
    constexpr qint64 limit = qint64(1) << 50;
    if (time.tv_sec > limit || time.tv_sec < -limit)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000, Qt::UTC);
}

} // namespace

KTFileItem &KTFileItem::initFileDataFromPathAndSize(const QString &path, qint64 size)
{
    m_filePath = path;
    m_fileSize = size;
    m_fileName = nameWithoutExtension(path);
    m_fileUID = drawFileUID();
    return *this;
}

KTFileItem &KTFileItem::initFileDataFromPathIsDirectory(const QString &path, bool isDirectory)
{
    const qint64 size = KTUtility::kt_IsDirectoryAtPath(path) ? KTUtility::kt_FolderSizeWithPath(path)
                                                              : qint64(KTUtility::fileSizeByPath(path));
    const auto status = statusOf(path);
    return initFromStatus(path, size, isDirectory, status ? &*status : nullptr, kindOf(status, path));
}

KTFileItem &KTFileItem::initFromStatus(const QString &path, qint64 size, bool isDirectory,
                                       const struct statx *statusOrNull, FileKind kind)
{
    m_filePath = path;
    m_fileSize = size;
    m_fileName = nameWithoutExtension(path);
    m_fileUID = drawFileUID();
    m_isDirectory = isDirectory;
    m_fileKind = kind;
    m_fileCreateAt = {};
    m_fileUpdateAt = {};
    if (statusOrNull)
        setDates(*statusOrNull);
    return *this;
}

void KTFileItem::setAttributes(const QString &path)
{
    m_fileCreateAt = {};
    m_fileUpdateAt = {};
    if (const auto status = statusOf(path))
        setDates(*status);
}

void KTFileItem::setDates(const struct statx &status)
{
    if (status.stx_mask & STATX_BTIME)
        m_fileCreateAt = dateOf(status.stx_btime);
    if (status.stx_mask & STATX_MTIME)
        m_fileUpdateAt = dateOf(status.stx_mtime);
}

QString KTFileItem::nameWithoutExtension(const QString &path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'), end - 1);
    const qsizetype start = slash < 0 || end == 1 ? 0 : slash + 1;
    const QStringView component = QStringView(path).mid(start, end - start);
    const qsizetype dot = component.lastIndexOf(QLatin1Char('.'));
    // A leading dot starts a name, not an extension; a trailing dot has no
    // extension after it.
    if (dot <= 0 || dot == component.size() - 1)
        return component.toString();
    return component.left(dot).toString();
}

qint32 KTFileItem::drawFileUID()
{
    const int first = std::rand();
    const int second = std::rand();
    const int third = std::rand();
    return qint32(first / 2 + second / 6 + third / -3);
}

QString KTFileItem::fileImageType() const
{
    switch (m_fileKind) {
    case FileKind::None:
        return {};
    case FileKind::Folder:
        return QStringLiteral("inode/directory");
    case FileKind::FolderLink:
        return QStringLiteral("inode/symlink");
    case FileKind::File:
    case FileKind::Other:
    case FileKind::Missing:
        break;
    }
    static const QMimeDatabase database;
    return database.mimeTypeForFile(m_filePath, QMimeDatabase::MatchExtension).name();
}
