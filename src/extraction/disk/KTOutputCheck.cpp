#include "extraction/disk/KTOutputCheck.h"

#include "extraction/disk/KTLinkResolver.h"

#include <QHash>
#include <QString>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId &other) const { return device == other.device && inode == other.inode; }
};

size_t qHash(const FileId &id, size_t seed = 0)
{
    return ::qHash(quint64(id.inode), seed) ^ ::qHash(quint64(id.device));
}

struct HardLinked {
    nlink_t links = 0;
    std::vector<QByteArray> paths;
};

class Walk
{
public:
    explicit Walk(const QByteArray &root)
        : m_root(root)
    {
    }

    KTOutputCheck::Result run()
    {
        visitFolder(QByteArray());
        // A file with more names than the folder holds is also named outside it.
        for (const HardLinked &file : std::as_const(m_hardLinked)) {
            if (nlink_t(file.paths.size()) >= file.links)
                continue;
            for (const QByteArray &rel : file.paths) {
                ::unlink(full(rel).constData());
                remove(rel, KTErrorCode::UnsafeEntry, QStringLiteral(" is a hard link to a file outside the archive's folder"));
            }
        }
        for (const QByteArray &rel : KTLinkResolver::removeEachOutside(m_root, m_result.symlinks))
            remove(rel, KTErrorCode::UnsafeEntry, QStringLiteral(" links outside the archive's folder"));
        return m_result;
    }

private:
    QByteArray full(const QByteArray &rel) const { return rel.isEmpty() ? m_root : m_root + '/' + rel; }

    void remove(const QByteArray &rel, KTErrorCode code, const QString &why)
    {
        m_result.removed.push_back({rel, KTExtractionError::make(code, QString::fromUtf8(rel) + why)});
    }

    void visitFolder(const QByteArray &folder)
    {
        std::vector<QByteArray> names;
        if (DIR *dir = ::opendir(full(folder).constData())) {
            while (dirent *e = ::readdir(dir)) {
                if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                    names.emplace_back(e->d_name);
            }
            ::closedir(dir);
        }
        for (const QByteArray &name : names)
            visit(folder.isEmpty() ? name : folder + '/' + name);
    }

    void visit(const QByteArray &rel)
    {
        const QByteArray path = full(rel);
        struct stat st;
        if (::lstat(path.constData(), &st) != 0)
            return;
        if (S_ISLNK(st.st_mode)) {
            m_result.symlinks.push_back(rel);
        } else if (S_ISDIR(st.st_mode)) {
            const mode_t wanted = (st.st_mode & 0777) | 0700;
            if ((st.st_mode & 07777) != wanted)
                ::chmod(path.constData(), wanted);
            visitFolder(rel);
        } else if (S_ISREG(st.st_mode)) {
            const mode_t wanted = (st.st_mode & 0777) | 0600;
            if ((st.st_mode & 07777) != wanted)
                ::chmod(path.constData(), wanted);
            if (st.st_nlink > 1) {
                HardLinked &file = m_hardLinked[FileId{st.st_dev, st.st_ino}];
                file.links = st.st_nlink;
                file.paths.push_back(rel);
            }
        } else {
            ::unlink(path.constData());
            remove(rel, KTErrorCode::SpecialFile, QStringLiteral(" is a device, FIFO or socket"));
        }
    }

    QByteArray m_root;
    KTOutputCheck::Result m_result;
    QHash<FileId, HardLinked> m_hardLinked;
};

} // namespace

KTOutputCheck::Result KTOutputCheck::check(const QByteArray &root)
{
    return Walk(root).run();
}
