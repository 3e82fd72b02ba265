#pragma once

#include <QDateTime>
#include <QString>

struct statx;

// The record of one file or folder an extraction produced. Items have no
// equality of their own: the tree node (or the collection) owning one is its
// identity.
//
// The icon is not held here: icon lookup belongs to the GUI thread, and the
// builder runs elsewhere. fileImageType() names what the GUI needs to fetch
// the icon lazily and cache it per type.
class KTFileItem
{
public:
    // What the path was when the record was made, enough to choose an icon.
    // A link to a folder is a FolderLink: shown, never walked.
    enum class FileKind : quint8 { None, Folder, FolderLink, File, Other, Missing };

    // The light record: path, the given size, name and UID; nothing else.
    KTFileItem &initFileDataFromPathAndSize(const QString &path, qint64 size);
    // The full record: size from the disk (folder total for a folder, whatever
    // isDirectory says), name, UID, the flag as given, icon type, dates.
    KTFileItem &initFileDataFromPathIsDirectory(const QString &path, bool isDirectory);
    // Reads the creation and modification dates of path itself (a final link
    // is not followed); both stay empty when path cannot be read.
    void setAttributes(const QString &path);

    // The full record from a status the caller already read (statx of the path
    // itself, without following it) and a size it already knows; makes no
    // file-system call. statusOrNull null means the path could not be read.
    KTFileItem &initFromStatus(const QString &path, qint64 size, bool isDirectory,
                               const struct statx *statusOrNull, FileKind kind);

    // The last path component without its extension: "archive.tar.gz" gives
    // "archive.tar", ".profile" stays, "scratch..tiff" gives "scratch.".
    static QString nameWithoutExtension(const QString &path);
    // Three draws of rand(): first / 2 + second / 6 + third / (-3).
    static qint32 drawFileUID();

    const QString &filePath() const { return m_filePath; }
    void setFilePath(const QString &path) { m_filePath = path; }
    qint64 fileSize() const { return m_fileSize; }
    void setFileSize(qint64 size) { m_fileSize = size; }
    const QString &fileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    qint32 fileUID() const { return m_fileUID; }
    void setFileUID(qint32 uid) { m_fileUID = uid; }
    const QDateTime &fileCreateAt() const { return m_fileCreateAt; }
    void setFileCreateAt(const QDateTime &date) { m_fileCreateAt = date; }
    const QDateTime &fileUpdateAt() const { return m_fileUpdateAt; }
    void setFileUpdateAt(const QDateTime &date) { m_fileUpdateAt = date; }
    bool isDirectory() const { return m_isDirectory; }
    void setIsDirectory(bool isDirectory) { m_isDirectory = isDirectory; }

    FileKind fileKind() const { return m_fileKind; }
    void setFileKind(FileKind kind) { m_fileKind = kind; }
    // The key under which the GUI caches this item's icon: "inode/directory",
    // "inode/symlink", the MIME type of a file by its name, or empty when the
    // record carries no icon (a light record). Safe on any thread.
    QString fileImageType() const;

private:
    void setDates(const struct statx &status);

    QString m_filePath;
    QString m_fileName;
    qint64 m_fileSize = 0;
    QDateTime m_fileCreateAt;
    QDateTime m_fileUpdateAt;
    qint32 m_fileUID = 0;
    bool m_isDirectory = false;
    FileKind m_fileKind = FileKind::None;
};
