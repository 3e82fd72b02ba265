#include "extraction/job/KTScratchFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int MaxPathLength = 2000;
const QByteArray Prefix = QByteArrayLiteral("unarchiver");
const QByteArray HiddenPrefix = QByteArrayLiteral(".unarchiver");
constexpr int SuffixLength = 4;
const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

QByteArray randomSuffix()
{
    QByteArray s;
    for (int i = 0; i < SuffixLength; ++i)
        s.append(Alphabet[QRandomGenerator::global()->bounded(int(sizeof Alphabet) - 1)]);
    return s;
}

// Only names this class makes: a person's "unarchiver notes" folder is not
// a scratch folder.
bool isScratchName(const QByteArray &name)
{
    const QByteArray prefix = name.startsWith('.') ? HiddenPrefix : Prefix;
    if (!name.startsWith(prefix) || name.size() != prefix.size() + SuffixLength)
        return false;
    for (char c : name.mid(prefix.size())) {
        if (!std::strchr(Alphabet, c))
            return false;
    }
    return true;
}

KTExtractionError tempDirFailure(const QByteArray &parent, int err)
{
    return KTExtractionError::make(KTErrorCode::TempDirFailed,
                                   QFile::decodeName(parent) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err)));
}

// Opens a folder of parentFd without following a link, and locks it unless
// someone holds it; -1 when it is no folder or held.
int lockFolderAt(int parentFd, const char *name, int flags)
{
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | flags) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

KTScratchFolder::~KTScratchFolder()
{
    release();
}

KTScratchFolder::KTScratchFolder(KTScratchFolder &&other) noexcept
    : m_path(std::exchange(other.m_path, {}))
    , m_fd(std::exchange(other.m_fd, -1))
{
}

KTScratchFolder &KTScratchFolder::operator=(KTScratchFolder &&other) noexcept
{
    if (this != &other) {
        release();
        m_path = std::exchange(other.m_path, {});
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

KTExtractionError KTScratchFolder::create(const QString &parent, KTScratchFolder *out)
{
    const QByteArray base = QFile::encodeName(parent) + '/';
    if (base.size() + HiddenPrefix.size() + SuffixLength >= MaxPathLength)
        return KTExtractionError::make(KTErrorCode::TempDirFailed, QStringLiteral("the temporary folder's path is too long"));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray suffix = randomSuffix();
        const QByteArray hidden = base + HiddenPrefix + suffix;
        if (::mkdir(hidden.constData(), 0700) != 0) {
            if (errno == EEXIST)
                continue;
            return tempDirFailure(QFile::encodeName(parent), errno);
        }
        const int fd = lockFolderAt(AT_FDCWD, hidden.constData(), 0);
        if (fd < 0) {
            const int err = errno;
            ::rmdir(hidden.constData());
            return tempDirFailure(QFile::encodeName(parent), err);
        }
        const QByteArray visible = base + Prefix + suffix;
        QByteArray path = visible;
        if (::renameat2(AT_FDCWD, hidden.constData(), AT_FDCWD, visible.constData(), RENAME_NOREPLACE) != 0) {
            const int err = errno;
            // A file system without RENAME_NOREPLACE: the folder keeps its
            // hidden name, which sweep() knows as well.
            if (err == EINVAL || err == ENOSYS) {
                path = hidden;
            } else {
                ::close(fd);
                ::rmdir(hidden.constData());
                if (err == EEXIST)
                    continue;
                return tempDirFailure(QFile::encodeName(parent), err);
            }
        }
        out->release();
        out->m_path = QFile::decodeName(path);
        out->m_fd = fd;
        return {};
    }
    return KTExtractionError::make(KTErrorCode::TempDirFailed, QStringLiteral("no free name"));
}

int KTScratchFolder::sweep(const QString &parent)
{
    const QByteArray parentPath = QFile::encodeName(parent);
    const int parentFd = ::open(parentPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0)
        return 0;
    const int listingFd = ::dup(parentFd);
    DIR *dir = listingFd >= 0 ? ::fdopendir(listingFd) : nullptr;
    if (!dir) {
        if (listingFd >= 0)
            ::close(listingFd);
        ::close(parentFd);
        return 0;
    }
    QList<QByteArray> candidates;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (isScratchName(name))
            candidates.append(name);
    }
    ::closedir(dir);

    int removed = 0;
    for (const QByteArray &name : std::as_const(candidates)) {
        struct stat st{};
        if (::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        const int fd = lockFolderAt(parentFd, name.constData(), LOCK_NB);
        if (fd < 0)
            continue;
        struct stat locked{};
        // Still the folder that was checked, not one put in its place.
        if (::fstat(fd, &locked) == 0 && locked.st_ino == st.st_ino && locked.st_dev == st.st_dev) {
            const QString path = QFile::decodeName(parentPath + '/' + name);
            if (QDir(path).removeRecursively())
                ++removed;
        }
        ::close(fd);
    }
    ::close(parentFd);
    return removed;
}

void KTScratchFolder::remove()
{
    if (!m_path.isEmpty()) {
        // Folders the archive made read-only would keep what they hold.
        QDirIterator folders(m_path, QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                             QDirIterator::Subdirectories);
        while (folders.hasNext())
            ::chmod(QFile::encodeName(folders.next()).constData(), 0700);
        QDir(m_path).removeRecursively();
    }
    release();
}

void KTScratchFolder::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}
