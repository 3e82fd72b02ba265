#pragma once

#include "app/core/KTDesktopEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

// The applications that the desktop entries on this system register for a
// kind of file, found where the XDG base directories put them
// ($XDG_DATA_HOME/applications first, then each of $XDG_DATA_DIRS).
class KTApplicationRegistry
{
public:
    // The folders searched, in order of precedence; by default those of
    // the environment.
    explicit KTApplicationRegistry(QStringList folders = standardFolders());

    static QStringList standardFolders();

    // Entries offered for the MIME type or one it derives from (a Markdown
    // file also opens in a text editor): those naming the type itself
    // first, then by name. An ID found in several folders counts once,
    // from the first.
    QList<KTDesktopEntry> applicationsFor(const QString &mimeType) const;

private:
    QStringList m_folders;
};
