#include "extraction/sevenzip/KTSevenZipProbe.h"

#include "extraction/engine/KTArchiveVolumes.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

KTSevenZipProbe::Encryption KTSevenZipProbe::encryptionOf(const QString &path)
{
    struct stat st;
    // Opening a FIFO or a device would block or read without end.
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return Encryption::None;

    std::unique_ptr<archive, decltype(&archive_read_free)> a(archive_read_new(), &archive_read_free);
    archive_read_support_format_7zip(a.get());
    std::vector<QByteArray> encoded;
    for (const QString &volume : KTArchiveVolumes::volumesFor(path))
        encoded.push_back(QFile::encodeName(volume));
    std::vector<const char *> names;
    for (const QByteArray &name : encoded)
        names.push_back(name.constData());
    names.push_back(nullptr);
    if (archive_read_open_filenames(a.get(), names.data(), 64 * 1024) != ARCHIVE_OK)
        return Encryption::None;

    // Folders and empty files carry no data and say nothing of it: read on
    // to the first entry that has some.
    archive_entry *entry = nullptr;
    for (;;) {
        const int r = archive_read_next_header(a.get(), &entry);
        if (r == ARCHIVE_EOF)
            return Encryption::None;
        // A link's target is read with its header: encrypted, it fails there.
        if (r < ARCHIVE_WARN) {
            const char *text = archive_error_string(a.get());
            if (text && std::strstr(text, "header is encrypted"))
                return Encryption::Header;
            if (text && std::strstr(text, "content is encrypted"))
                return Encryption::Content;
            return Encryption::None;
        }
        if (archive_entry_is_encrypted(entry))
            return Encryption::Content;
        const bool hasData = archive_entry_filetype(entry) == AE_IFLNK ||
                             (archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0);
        if (hasData)
            return Encryption::None;
    }
}
