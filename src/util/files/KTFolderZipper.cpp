#include "util/files/KTFolderZipper.h"

#include "extraction/libarchive/KTUtf8LocaleScope.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

int errnoOf(archive *a, int fallback)
{
    const int error = archive_errno(a);
    return error > 0 ? error : fallback;
}

// Copies one file's bytes from disk into the current zip entry. A
// cancellation names the folder being packed, any other failure the file.
KTFileOperationError writeFileData(const QByteArray &path, archive *zip, const std::atomic<bool> *cancelled,
                                   const QString &folder)
{
    const QString shownPath = QFile::decodeName(path);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return KTFileOperationError::system(errno, shownPath);
    static constexpr size_t BlockSize = 256 * 1024;
    auto buffer = std::make_unique<char[]>(BlockSize);
    KTFileOperationError result;
    for (;;) {
        if (cancelled && cancelled->load()) {
            result = KTFileOperationError::system(ECANCELED, folder);
            break;
        }
        const ssize_t got = ::read(fd, buffer.get(), BlockSize);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result = KTFileOperationError::system(errno, shownPath);
            break;
        }
        if (got == 0)
            break;
        if (archive_write_data(zip, buffer.get(), size_t(got)) != got) {
            result = KTFileOperationError::system(errnoOf(zip, EIO), shownPath);
            break;
        }
    }
    ::close(fd);
    return result;
}

} // namespace

KTFileOperationError KTFolderZipper::zipFolder(const QString &folder, const QString &zipPath,
                                               const std::atomic<bool> *cancelled)
{
    KTUtf8LocaleScope locale;
    const QString root = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QByteArray rootBytes = QFile::encodeName(root);
    const QByteArray zipBytes = QFile::encodeName(zipPath);
    // The entries' names start with the folder's own name.
    const qsizetype prefixLength = QFile::encodeName(QFileInfo(root).path()).size() + 1;

    const int out = ::open(zipBytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0)
        return KTFileOperationError::system(errno, zipPath);

    archive *zip = archive_write_new();
    archive *disk = archive_read_disk_new();
    archive_write_set_format_zip(zip);
    archive_write_set_options(zip, "zip:hdrcharset=UTF-8");
    archive_read_disk_set_symlink_physical(disk);
    archive_read_disk_set_behavior(disk, ARCHIVE_READDISK_NO_XATTR | ARCHIVE_READDISK_NO_ACL
                                             | ARCHIVE_READDISK_NO_FFLAGS | ARCHIVE_READDISK_NO_SPARSE);

    KTFileOperationError result;
    if (archive_write_open_fd(zip, out) != ARCHIVE_OK) {
        result = KTFileOperationError::system(errnoOf(zip, EIO), zipPath);
    } else if (archive_read_disk_open(disk, rootBytes.constData()) != ARCHIVE_OK) {
        result = KTFileOperationError::system(errnoOf(disk, EIO), folder);
    } else {
        for (;;) {
            archive_entry *entry = archive_entry_new();
            const int status = archive_read_next_header2(disk, entry);
            if (status == ARCHIVE_EOF) {
                archive_entry_free(entry);
                break;
            }
            const QByteArray sourcePath(archive_entry_sourcepath(entry));
            if (status < ARCHIVE_WARN) {
                result = KTFileOperationError::system(errnoOf(disk, EIO), QFile::decodeName(sourcePath));
                archive_entry_free(entry);
                break;
            }
            archive_read_disk_descend(disk);
            const QByteArray name = sourcePath.mid(prefixLength);
            archive_entry_copy_pathname(entry, name.constData());
            const bool isFile = archive_entry_filetype(entry) == AE_IFREG;
            if (archive_write_header(zip, entry) < ARCHIVE_WARN)
                result = KTFileOperationError::system(errnoOf(zip, EIO), QFile::decodeName(sourcePath));
            else if (isFile && archive_entry_size(entry) > 0)
                result = writeFileData(sourcePath, zip, cancelled, folder);
            archive_entry_free(entry);
            if (result.failed())
                break;
            if (cancelled && cancelled->load()) {
                result = KTFileOperationError::system(ECANCELED, folder);
                break;
            }
        }
        archive_read_close(disk);
    }
    if (archive_write_close(zip) != ARCHIVE_OK && result.ok())
        result = KTFileOperationError::system(errnoOf(zip, EIO), zipPath);
    archive_write_free(zip);
    archive_read_free(disk);
    if (::close(out) != 0 && result.ok())
        result = KTFileOperationError::system(errno, zipPath);
    if (result.failed())
        ::unlink(zipBytes.constData());
    return result;
}
