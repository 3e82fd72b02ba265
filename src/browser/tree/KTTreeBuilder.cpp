#include "browser/tree/KTTreeBuilder.h"

#include "browser/tree/KTTreeBuildProgress.h"
#include "util/core/KTUtility.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr unsigned StatusMask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME;

struct ListedEntry {
    QByteArray name;
    struct statx status;
    bool readable;
};

// Reads the whole listing with each entry's own status, then closes the
// folder, so the caller may descend without holding it open.
std::vector<ListedEntry> listFolder(const QByteArray &nativePath)
{
    std::vector<ListedEntry> entries;
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return entries;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return entries;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        ListedEntry listed{QByteArray(name), {}, false};
        listed.readable = ::statx(fd, name, AT_SYMLINK_NOFOLLOW, StatusMask, &listed.status) == 0;
        entries.push_back(std::move(listed));
    }
    ::closedir(dir);
    return entries;
}

bool isFolderLink(const QByteArray &nativePath)
{
    struct stat target{};
    return ::stat(nativePath.constData(), &target) == 0 && S_ISDIR(target.st_mode);
}

// A leaf's size and kind as the item rules give them: the length of a file,
// following links (a link to a folder keeps its own length).
qint64 leafSize(const QByteArray &nativePath, const QString &path, const struct statx &status,
                KTFileItem::FileKind *kind)
{
    if (S_ISLNK(status.stx_mode)) {
        if (isFolderLink(nativePath)) {
            *kind = KTFileItem::FileKind::FolderLink;
            return qint64(status.stx_size);
        }
        *kind = KTFileItem::FileKind::File;
        return qint64(KTUtility::fileSizeByPath(path));
    }
    *kind = S_ISREG(status.stx_mode) ? KTFileItem::FileKind::File : KTFileItem::FileKind::Other;
    // A FIFO, socket or device has no length worth showing and must not be opened.
    return S_ISREG(status.stx_mode) ? qint64(status.stx_size) : 0;
}

const QByteArray DSStore = QByteArrayLiteral(".DS_Store");

} // namespace

KTTreeBuilder::KTTreeBuilder(KTTreeBuildProgress *progress)
    : m_progress(progress)
{
}

KTTreeBuilder::Result KTTreeBuilder::build(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct statx status{};
    const bool readable = ::statx(AT_FDCWD, native.constData(), AT_SYMLINK_NOFOLLOW, StatusMask, &status) == 0;
    Result result;
    KTFileItem item;
    if (readable && S_ISDIR(status.stx_mode)) {
        result.root = std::make_unique<KTTreeNode>(KTFileItem());
        const Totals totals = walkFolder(native, path, result.root.get());
        result.size = totals.records;
        result.root->representedObject().initFromStatus(path, totals.files, true, &status,
                                                        KTFileItem::FileKind::Folder);
        return result;
    }
    KTFileItem::FileKind kind = KTFileItem::FileKind::Missing;
    if (readable)
        result.size = leafSize(native, path, status, &kind);
    item.initFromStatus(path, result.size, false, readable ? &status : nullptr, kind);
    result.root = std::make_unique<KTTreeNode>(std::move(item));
    return result;
}

KTTreeBuilder::Totals KTTreeBuilder::walkFolder(const QByteArray &nativePath, const QString &path, KTTreeNode *parent)
{
    const std::vector<ListedEntry> entries = listFolder(nativePath);
    Totals total;
    for (const ListedEntry &entry : entries) {
        if (!entry.readable)
            continue;
        const struct statx &status = entry.status;
        total.records += qint64(status.stx_size);
        if (S_ISREG(status.stx_mode))
            total.files += qint64(status.stx_size);
        const bool shown = parent && entry.name != DSStore;
        const bool isFolder = S_ISDIR(status.stx_mode);
        if (!shown && !isFolder)
            continue;

        const QString childPath = path + QLatin1Char('/') + QFile::decodeName(entry.name);
        // Only folders and links are opened or followed again by path.
        const QByteArray childNative = isFolder || S_ISLNK(status.stx_mode) ? nativePath + '/' + entry.name : QByteArray();
        if (isFolder) {
            auto child = shown ? std::make_unique<KTTreeNode>(KTFileItem()) : nullptr;
            const Totals below = walkFolder(childNative, childPath, child.get());
            total.records += below.records;
            total.files += below.files;
            if (!child || below.records < 1)
                continue;
            child->representedObject().initFromStatus(childPath, below.files, true, &status,
                                                      KTFileItem::FileKind::Folder);
            child->finishChildren();
            parent->appendChild(std::move(child));
            if (m_progress)
                m_progress->folderStep();
            continue;
        }

        KTFileItem::FileKind kind;
        const qint64 size = leafSize(childNative, childPath, status, &kind);
        if (size < 1)
            continue;
        KTFileItem item;
        item.initFromStatus(childPath, size, false, &status, kind);
        parent->appendChild(std::make_unique<KTTreeNode>(std::move(item)));
        if (m_progress)
            m_progress->fileStep();
    }
    return total;
}
