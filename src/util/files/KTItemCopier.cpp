#include "util/files/KTItemCopier.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

fs::path toPath(const QString &path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString fromPath(const fs::path &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

// Whether inner is outer or lies below it, both already canonical.
bool isSameOrBelow(const fs::path &inner, const fs::path &outer)
{
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

// Puts the complete copy at target: swaps the two atomically where the file
// system can; otherwise moves the old item aside first and back on failure.
// A failure names the target as the user gave it.
KTFileOperationError moveIntoPlace(const fs::path &copy, const fs::path &target, const fs::path &aside,
                                   bool targetExists, const QString &shownTarget)
{
    if (!targetExists) {
        if (::renameat2(AT_FDCWD, copy.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0)
            return KTFileOperationError::system(errno, shownTarget);
        return {};
    }
    if (::renameat2(AT_FDCWD, copy.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return KTFileOperationError::system(errno, shownTarget);
    if (::rename(target.c_str(), aside.c_str()) != 0)
        return KTFileOperationError::system(errno, shownTarget);
    if (::rename(copy.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::rename(aside.c_str(), target.c_str());
        return KTFileOperationError::system(error, shownTarget);
    }
    return {};
}

} // namespace

KTFileOperationError KTItemCopier::copyItem(const QString &source, const QString &target, bool replaceExisting)
{
    const fs::path from = toPath(source);
    const fs::path to = toPath(QFileInfo(target).absoluteFilePath());
    std::error_code error;

    const fs::file_status fromStatus = fs::symlink_status(from, error);
    if (error)
        return KTFileOperationError::system(error.value(), source);
    const bool targetExists = fs::exists(fs::symlink_status(to, error));
    if (targetExists && !replaceExisting)
        return KTFileOperationError::system(EEXIST, target);

    // Neither a copy into the source itself nor one that would replace the
    // source or a folder holding it.
    const fs::path canonicalFrom = fs::canonical(from.parent_path(), error) / from.filename();
    const fs::path canonicalTo = fs::weakly_canonical(to.parent_path(), error) / to.filename();
    if (isSameOrBelow(canonicalTo, canonicalFrom) || isSameOrBelow(canonicalFrom, canonicalTo))
        return KTFileOperationError::intoItself(target);

    // A private folder beside the target holds the copy while it is made and
    // the replaced item afterwards; it goes at the end either way.
    QByteArray pattern = QFile::encodeName(fromPath(to.parent_path() / ("." + to.filename().native() + ".kt-XXXXXX")));
    if (!::mkdtemp(pattern.data()))
        return KTFileOperationError::system(errno, fromPath(to.parent_path()));
    const fs::path scratch(pattern.toStdString());
    const fs::path copy = scratch / to.filename();
    const fs::path aside = scratch / (to.filename().native() + ".old");

    KTFileOperationError result;
    try {
        if (fs::is_directory(fromStatus))
            fs::copy(from, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        else if (fs::is_symlink(fromStatus))
            fs::copy_symlink(from, copy);
        else
            fs::copy_file(from, copy);
        result = moveIntoPlace(copy, to, aside, targetExists, target);
    } catch (const fs::filesystem_error &failure) {
        // The first path of a copy's error is the source: report the
        // destination side when the source was readable.
        const int code = failure.code().value();
        const bool writing = code == ENOSPC || code == EDQUOT || code == EROFS || code == EFBIG;
        result = KTFileOperationError::system(code, writing ? target : fromPath(failure.path1()));
    }
    fs::remove_all(scratch, error);
    return result;
}
