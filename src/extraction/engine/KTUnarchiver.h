#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class KTDiskWriter;
class KTUnarchiverDelegate;

// Extracts one archive into a destination folder, where entries keep their
// modification times and (safe) permissions. The job talks only to this
// interface; each backend (libarchive; 7-Zip's program for encrypted 7z)
// implements it, and a KTUnarchiverFactory makes the one for a file.
//
// Use: setDelegate(), the options, parse(), setDestination(), unarchive();
// then enclosingDirectoryName() and createdItem() tell what was made.
class KTUnarchiver
{
public:
    virtual ~KTUnarchiver() = default;

    // A path beside the given one that names nothing yet: the path itself,
    // else "name-2.ext", "name-3.ext", ... (the number goes before the last
    // extension of a name that has one, and the name is shortened to leave
    // room for it). A NUL in the name becomes '_'.
    static QString findUniquePathForOriginalPath(const QString &path);
    // The archive's name without its archive extensions, for the folder
    // around its entries (KTArchiveExtensions::withoutArchiveExtensions).
    static QString nameWithoutArchiveExtensions(const QString &fileName);

    void setDelegate(KTUnarchiverDelegate *delegate) { m_delegate = delegate; }

    void setDestination(const QString &folder) { m_destination = folder; }
    // A later entry of an already written name replaces it; otherwise it is
    // written under a unique name.
    void setAlwaysOverwritesFiles(bool on) { m_alwaysOverwrites = on; }
    // One top-level item is created as itself, without an enclosing folder.
    void setRemovesEnclosingDirectoryForSoloItems(bool on) { m_removesEnclosingForSolo = on; }

    // Password for encrypted entries, and the encoding in which to hand it
    // to the format (an empty name means UTF-8).
    void setPassword(const QString &password) { m_password = password; }
    void setPasswordEncodingName(const QByteArray &name) { m_passwordEncodingName = name; }

    // Reads what is needed before extraction; 0 (ok) when the archive can be
    // extracted.
    virtual KTExtractionError parse() = 0;
    // Extracts every entry the delegate lets through; blocks until done.
    virtual KTExtractionError unarchive() = 0;

    // The folder made around several top-level items (empty when none).
    QString enclosingDirectoryName() const { return m_enclosingDirectoryName; }
    // The one item made in the destination: the enclosing folder, or the solo item.
    QString createdItem() const { return m_createdItem; }

protected:
    // Makes the folder the entries go into, named after the archive and unique
    // in the destination; gives its path as made and with links resolved.
    KTExtractionError makeEnclosingFolder(const QString &archivePath, QString &enclosing, QByteArray &resolved) const;

    // Wraps the extracted items: the enclosing folder in the destination, or
    // its single item moved up into the destination, as the options say.
    // Sets createdItem and enclosingDirectoryName.
    KTExtractionError finishCreatedItem(const QString &enclosingFolder, const std::vector<QByteArray> &symlinks);

    // Tells the delegate of each link the writer's finish() left out.
    void reportSkippedLinks(const KTDiskWriter &writer);

    KTUnarchiverDelegate *m_delegate = nullptr;
    QString m_destination;
    bool m_alwaysOverwrites = true;
    bool m_removesEnclosingForSolo = true;
    std::optional<QString> m_password;
    QByteArray m_passwordEncodingName;
    QString m_enclosingDirectoryName;
    QString m_createdItem;
};
