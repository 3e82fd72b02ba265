#include "extraction/disk/KTDiskWriter.h"

#include "extraction/disk/KTLinkResolver.h"
#include "extraction/engine/KTSkippedEntries.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t PermissionBits = 0777;

mode_t fileMode(mode_t mode)
{
    return (mode & PermissionBits) | 0600;
}

mode_t dirMode(mode_t mode)
{
    return (mode & PermissionBits) | 0700;
}

QByteArray parentOf(const QByteArray &rel)
{
    const int slash = rel.lastIndexOf('/');
    return slash < 0 ? QByteArray() : rel.left(slash);
}

bool isEmptyDirectory(const QByteArray &path)
{
    DIR *dir = ::opendir(path.constData());
    if (!dir)
        return false;
    bool empty = true;
    while (dirent *e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    ::closedir(dir);
    return empty;
}

void setTimes(int fd, const std::optional<timespec> &mtime)
{
    if (!mtime)
        return;
    const timespec times[2] = {{0, UTIME_OMIT}, *mtime};
    ::futimens(fd, times);
}

void setLinkTimes(const QByteArray &path, const std::optional<timespec> &mtime)
{
    if (!mtime)
        return;
    const timespec times[2] = {{0, UTIME_OMIT}, *mtime};
    ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
}

QByteArray numbered(const QByteArray &rel, int n)
{
    const int slash = rel.lastIndexOf('/');
    const int dot = rel.lastIndexOf('.');
    const QByteArray suffix = '-' + QByteArray::number(n);
    if (dot > slash + 1)
        return rel.left(dot) + suffix + rel.mid(dot);
    return rel + suffix;
}

} // namespace

KTExtractionError kt_writeError(int err, const QByteArray &rel)
{
    const QString detail = QString::fromUtf8(rel) + QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(err)) + QLatin1Char(')');
    if (err == ENOSPC || err == EDQUOT || err == EFBIG)
        return KTExtractionError::make(KTErrorCode::NoSpace, detail);
    return KTExtractionError::make(KTErrorCode::WriteFailed, detail);
}

KTDiskWriter::KTDiskWriter(QByteArray root, bool overwrite)
    : m_root(std::move(root))
    , m_overwrite(overwrite)
{
    m_knownDirs.insert(QByteArray());
}

KTDiskWriter::~KTDiskWriter()
{
    if (m_current.fd >= 0)
        abortFile();
}

QByteArray KTDiskWriter::full(const QByteArray &rel) const
{
    return rel.isEmpty() ? m_root : m_root + '/' + rel;
}

KTExtractionError KTDiskWriter::checkNotThroughLink(const QByteArray &rel) const
{
    if (m_pendingLinks.isEmpty())
        return {};
    for (int slash = rel.indexOf('/'); slash >= 0; slash = rel.indexOf('/', slash + 1)) {
        if (m_pendingLinks.contains(rel.left(slash)))
            return KTExtractionError::make(KTErrorCode::UnsafeEntry,
                                           QString::fromUtf8(rel) + QStringLiteral(" is written through a link"));
    }
    return {};
}

void KTDiskWriter::forgetPendingLink(const QByteArray &rel)
{
    m_pendingLinks.remove(rel);
}

KTExtractionError KTDiskWriter::ensureParents(const QByteArray &rel)
{
    const QByteArray parent = parentOf(rel);
    if (m_knownDirs.contains(parent))
        return {};
    if (auto error = checkNotThroughLink(rel); error.failed())
        return error;
    if (auto error = ensureParents(parent); error.failed())
        return error;
    if (auto error = makeFolder(parent); error.failed())
        return error;
    m_pendingLinks.remove(parent);
    m_knownDirs.insert(parent);
    return {};
}

KTExtractionError KTDiskWriter::makeFolder(const QByteArray &rel) const
{
    const QByteArray path = full(rel);
    if (::mkdir(path.constData(), 0755) == 0)
        return {};
    const int err = errno;
    struct stat st;
    if (err != EEXIST || ::lstat(path.constData(), &st) != 0)
        return kt_writeError(err, rel);
    // A file of that name came earlier; the folder, coming later, wins.
    if (!S_ISDIR(st.st_mode) && (::unlink(path.constData()) != 0 || ::mkdir(path.constData(), 0755) != 0))
        return kt_writeError(errno, rel);
    return {};
}

KTExtractionError KTDiskWriter::makeDirectory(const QByteArray &rel, mode_t mode, std::optional<timespec> mtime)
{
    if (rel.isEmpty())
        return {};
    if (auto error = ensureParents(rel); error.failed())
        return error;
    forgetPendingLink(rel);
    if (!m_knownDirs.contains(rel)) {
        if (auto error = makeFolder(rel); error.failed())
            return error;
        m_knownDirs.insert(rel);
    }
    m_dirFixups.push_back({rel, mode, mtime});
    return {};
}

KTExtractionError KTDiskWriter::beginFile(const QByteArray &rel, mode_t mode)
{
    if (m_current.fd >= 0)
        abortFile();
    if (rel.isEmpty())
        return KTExtractionError::make(KTErrorCode::UnsafeEntry, QStringLiteral("a file without a name"));
    if (auto error = ensureParents(rel); error.failed())
        return error;
    m_current = CurrentFile{rel, fileMode(mode)};
    return {};
}

KTExtractionError KTDiskWriter::claimPath(QByteArray &rel)
{
    const QByteArray path = full(rel);
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return {};
    if (!m_overwrite) {
        for (int n = 2;; ++n) {
            const QByteArray candidate = numbered(rel, n);
            if (::lstat(full(candidate).constData(), &st) != 0) {
                rel = candidate;
                return {};
            }
        }
    }
    if (S_ISDIR(st.st_mode)) {
        if (!isEmptyDirectory(path))
            return KTExtractionError::make(KTErrorCode::WriteFailed,
                                           QString::fromUtf8(rel) + QStringLiteral(" is also a folder in the archive"));
        if (::rmdir(path.constData()) != 0)
            return kt_writeError(errno, rel);
        m_knownDirs.remove(rel);
        return {};
    }
    if (::unlink(path.constData()) != 0)
        return kt_writeError(errno, rel);
    return {};
}

KTExtractionError KTDiskWriter::openCurrent()
{
    forgetPendingLink(m_current.rel);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QByteArray path = full(m_current.rel);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, m_current.mode);
        if (fd >= 0) {
            m_current.fd = fd;
            m_current.open = true;
            return {};
        }
        if (errno != EEXIST)
            return kt_writeError(errno, m_current.rel);
        if (auto error = claimPath(m_current.rel); error.failed())
            return error;
    }
    return kt_writeError(EEXIST, m_current.rel);
}

KTExtractionError KTDiskWriter::writeBlock(const void *data, size_t size, qint64 offset)
{
    if (!m_current.open) {
        if (auto error = openCurrent(); error.failed())
            return error;
    }
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(m_current.fd, p, size, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return kt_writeError(errno, m_current.rel);
        }
        if (n == 0)
            return kt_writeError(ENOSPC, m_current.rel);
        p += n;
        size -= size_t(n);
        offset += n;
    }
    m_current.end = std::max(m_current.end, offset);
    return {};
}

KTExtractionError KTDiskWriter::finishFile(std::optional<timespec> mtime, qint64 sparseSize)
{
    if (!m_current.open) {
        if (auto error = openCurrent(); error.failed())
            return error;
    }
    if (sparseSize > m_current.end && ::ftruncate(m_current.fd, sparseSize) != 0) {
        const int err = errno;
        abortFile();
        return kt_writeError(err, m_current.rel);
    }
    setTimes(m_current.fd, mtime);
    const int fd = m_current.fd;
    m_current.fd = -1;
    m_current.open = false;
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(full(m_current.rel).constData());
        return kt_writeError(err, m_current.rel);
    }
    return {};
}

void KTDiskWriter::abortFile()
{
    if (m_current.fd >= 0) {
        ::close(m_current.fd);
        m_current.fd = -1;
    }
    if (m_current.open)
        ::unlink(full(m_current.rel).constData());
    m_current.open = false;
}

KTExtractionError KTDiskWriter::makeHardLink(const QByteArray &rel, const QByteArray &targetRel)
{
    if (rel.isEmpty() || targetRel.isEmpty() || rel == targetRel)
        return KTExtractionError::make(KTErrorCode::UnsafeEntry, QString::fromUtf8(rel) + QStringLiteral(" is a hard link to itself"));
    if (auto error = checkNotThroughLink(targetRel + '/'); error.failed())
        return error;
    if (m_pendingLinks.contains(targetRel))
        return KTExtractionError::make(KTErrorCode::UnsafeEntry, QString::fromUtf8(rel) + QStringLiteral(" is a hard link to a link"));
    // A link met on the way to the target could lead anywhere.
    struct stat st;
    for (int slash = targetRel.indexOf('/'); slash >= 0; slash = targetRel.indexOf('/', slash + 1)) {
        if (::lstat(full(targetRel.left(slash)).constData(), &st) == 0 && S_ISLNK(st.st_mode))
            return KTExtractionError::make(KTErrorCode::UnsafeEntry,
                                           QString::fromUtf8(rel) + QStringLiteral(" is a hard link through a link"));
    }
    const QByteArray target = full(targetRel);
    if (::lstat(target.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return KTExtractionError::make(KTErrorCode::UnsafeEntry,
                                       QString::fromUtf8(rel) + QStringLiteral(" links to a file the archive does not hold"));
    if (auto error = ensureParents(rel); error.failed())
        return error;
    forgetPendingLink(rel);
    QByteArray dest = rel;
    if (auto error = claimPath(dest); error.failed())
        return error;
    if (::link(target.constData(), full(dest).constData()) != 0)
        return kt_writeError(errno, dest);
    return {};
}

KTExtractionError KTDiskWriter::deferSymlink(const QByteArray &rel, const QByteArray &target, std::optional<timespec> mtime)
{
    if (rel.isEmpty())
        return KTExtractionError::make(KTErrorCode::UnsafeEntry, QStringLiteral("a link without a name"));
    if (auto error = checkNotThroughLink(rel); error.failed())
        return error;
    if (!m_pendingLinks.contains(rel))
        m_linkOrder.push_back(rel);
    m_pendingLinks.insert(rel, PendingLink{rel, target, mtime});
    return {};
}

void KTDiskWriter::retargetPendingLink(const QByteArray &rel, const QByteArray &target)
{
    if (auto it = m_pendingLinks.find(rel); it != m_pendingLinks.end())
        it->target = target;
}

bool KTDiskWriter::moveEntry(const QByteArray &from, const QByteArray &to)
{
    if (m_pendingLinks.contains(to))
        return false;
    const bool pendingLink = m_pendingLinks.contains(from);
    struct stat st;
    if (::lstat(full(to).constData(), &st) == 0)
        return !pendingLink && S_ISDIR(st.st_mode) && mergeFolder(from, to);
    if (errno != ENOENT)
        return false;
    // A pending link is not on disk yet: only its path changes.
    if (pendingLink)
        return true;
    if (::renameat2(AT_FDCWD, full(from).constData(), AT_FDCWD, full(to).constData(), RENAME_NOREPLACE) == 0)
        return true;
    // Some file systems cannot refuse to replace; the lstat above checked.
    return (errno == EINVAL || errno == ENOSYS) && ::rename(full(from).constData(), full(to).constData()) == 0;
}

bool KTDiskWriter::mergeFolder(const QByteArray &from, const QByteArray &to)
{
    struct stat st;
    if (::lstat(full(from).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    QList<QByteArray> children;
    if (DIR *dir = ::opendir(full(from).constData())) {
        while (const dirent *item = ::readdir(dir)) {
            const QByteArray name(item->d_name);
            if (name != "." && name != "..")
                children << name;
        }
        ::closedir(dir);
    } else {
        return false;
    }
    for (const QByteArray &rel : std::as_const(m_linkOrder)) {
        if (parentOf(rel) == from && m_pendingLinks.contains(rel))
            children << rel.mid(from.size() + 1);
    }
    // Only a merge that replaces nothing is made.
    for (const QByteArray &name : std::as_const(children)) {
        if (m_pendingLinks.contains(to + '/' + name) || ::lstat(full(to + '/' + name).constData(), &st) == 0
            || errno != ENOENT)
            return false;
    }
    for (const QByteArray &name : std::as_const(children)) {
        if (m_pendingLinks.contains(from + '/' + name))
            continue;
        if (::renameat2(AT_FDCWD, full(from + '/' + name).constData(), AT_FDCWD, full(to + '/' + name).constData(),
                        RENAME_NOREPLACE) != 0
            && ::rename(full(from + '/' + name).constData(), full(to + '/' + name).constData()) != 0)
            return false;
    }
    return ::rmdir(full(from).constData()) == 0;
}

QByteArray KTDiskWriter::movedPath(const QByteArray &rel, const QHash<QByteArray, QByteArray> &moved)
{
    QList<QByteArray> parts = rel.split('/');
    QByteArray old;
    for (QByteArray &part : parts) {
        old += old.isEmpty() ? part : '/' + part;
        if (auto it = moved.find(old); it != moved.end())
            part = *it;
    }
    return parts.join('/');
}

int KTDiskWriter::renameEntries(const QHash<QByteArray, QByteArray> &newNames)
{
    std::vector<QByteArray> order(newNames.keyBegin(), newNames.keyEnd());
    std::sort(order.begin(), order.end(), [](const QByteArray &a, const QByteArray &b) {
        return a.count('/') != b.count('/') ? a.count('/') > b.count('/') : a < b;
    });
    QHash<QByteArray, QByteArray> moved;
    for (const QByteArray &from : order) {
        const QByteArray &name = newNames.value(from);
        if (name.isEmpty() || name.contains('/') || name == "." || name == "..")
            continue;
        const QByteArray parent = parentOf(from);
        if (moveEntry(from, parent.isEmpty() ? name : parent + '/' + name))
            moved.insert(from, name);
    }
    if (moved.isEmpty())
        return 0;

    QSet<QByteArray> dirs;
    for (const QByteArray &dir : std::as_const(m_knownDirs))
        dirs.insert(movedPath(dir, moved));
    m_knownDirs = std::move(dirs);
    QHash<QByteArray, PendingLink> links;
    for (PendingLink link : std::as_const(m_pendingLinks)) {
        link.rel = movedPath(link.rel, moved);
        links.insert(link.rel, std::move(link));
    }
    m_pendingLinks = std::move(links);
    for (QByteArray &rel : m_linkOrder)
        rel = movedPath(rel, moved);
    for (DirFixup &fixup : m_dirFixups)
        fixup.rel = movedPath(fixup.rel, moved);
    return int(moved.size());
}

KTExtractionError KTDiskWriter::createLink(const PendingLink &link)
{
    if (link.target.startsWith('/'))
        return KTExtractionError::make(KTErrorCode::UnsafeEntry,
                                       QString::fromUtf8(link.rel) + QStringLiteral(" links to an absolute path"));
    if (auto error = ensureParents(link.rel); error.failed())
        return error;
    if (m_knownDirs.contains(link.rel))
        return KTExtractionError::make(KTErrorCode::UnsafeEntry,
                                       QString::fromUtf8(link.rel) + QStringLiteral(" is both a folder and a link"));
    QByteArray dest = link.rel;
    if (auto error = claimPath(dest); error.failed())
        return error;
    const QByteArray path = full(dest);
    if (::symlink(link.target.constData(), path.constData()) != 0)
        return kt_writeError(errno, dest);
    setLinkTimes(path, link.mtime);
    m_createdLinks.push_back(dest);
    return {};
}

KTExtractionError KTDiskWriter::finish(bool createLinks)
{
    KTExtractionError result;
    if (!createLinks)
        m_linkOrder.clear();
    for (const QByteArray &rel : m_linkOrder) {
        auto it = m_pendingLinks.find(rel);
        if (it == m_pendingLinks.end())
            continue;
        const PendingLink link = *it;
        m_pendingLinks.erase(it);
        // A failed link does not stop the others; an unsafe one is only left
        // out, and the first other failure is the one told.
        const KTExtractionError error = createLink(link);
        if (KTSkippedEntries::skipsOnlyTheEntry(error))
            m_skippedLinks.push_back({link.rel, error});
        else if (result.ok())
            result = error;
    }
    m_linkOrder.clear();

    for (const QByteArray &rel : KTLinkResolver::removeEachOutside(m_root, m_createdLinks))
        m_skippedLinks.push_back({rel, KTExtractionError::make(KTErrorCode::UnsafeEntry,
                                                               QString::fromUtf8(rel) + QStringLiteral(" links outside the archive's folder"))});

    // Children first, so that a parent's time is set after its last change.
    for (auto it = m_dirFixups.rbegin(); it != m_dirFixups.rend(); ++it) {
        const int fd = ::open(full(it->rel).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::fchmod(fd, dirMode(it->mode));
        setTimes(fd, it->mtime);
        ::close(fd);
    }
    m_dirFixups.clear();
    return result;
}
