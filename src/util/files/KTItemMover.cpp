#include "util/files/KTItemMover.h"

#include "util/files/KTItemCopier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace {

// Whether path is folder or lies below it, comparing canonical folders so
// that a link to the source does not hide the loop.
bool isSameOrBelow(const QString &path, const QString &folder)
{
    const QString parent = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    if (parent.isEmpty() || canonicalFolder.isEmpty())
        return false;
    const QString full = parent + QLatin1Char('/') + QFileInfo(path).fileName();
    return full == canonicalFolder || full.startsWith(canonicalFolder + QLatin1Char('/'));
}

} // namespace

KTFileOperationError KTItemMover::moveItem(const QString &source, const QString &target)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(QFileInfo(target).absoluteFilePath());
    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        return KTFileOperationError::system(errno, source);
    if (S_ISDIR(st.st_mode) && isSameOrBelow(target, source))
        return KTFileOperationError::intoItself(target);

    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno == EXDEV)
        return copyThenRemove(source, target);
    if (errno != EINVAL && errno != ENOSYS)
        return KTFileOperationError::system(errno, target);
    // A file system without RENAME_NOREPLACE: check first, then rename.
    if (::lstat(to.constData(), &st) == 0)
        return KTFileOperationError::system(EEXIST, target);
    if (::rename(from.constData(), to.constData()) == 0)
        return {};
    if (errno == EXDEV)
        return copyThenRemove(source, target);
    return KTFileOperationError::system(errno, target);
}

KTFileOperationError KTItemMover::copyThenRemove(const QString &source, const QString &target)
{
    if (KTFileOperationError copied = KTItemCopier::copyItem(source, target, false); copied.failed())
        return copied;
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(source).toStdString()), error);
    if (error)
        return KTFileOperationError::sourceKept(error.value(), source);
    return {};
}
