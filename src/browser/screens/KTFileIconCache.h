#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

class KTFileItem;

// Icons for the outline, one per kind of file rather than per file: a
// folder of 100,000 text files costs one theme lookup. GUI thread only,
// since icons and the icon theme belong to it.
class KTFileIconCache
{
public:
    // The icon for the item's type (KTFileItem::fileImageType()); a null
    // icon for a record that carries no type.
    QIcon iconForItem(const KTFileItem &item);
    // The icon for a MIME type name ("inode/directory", "text/plain", ...).
    QIcon iconForType(const QString &type);
    // How many types have been looked up.
    qsizetype size() const { return m_icons.size(); }

private:
    static QIcon lookUp(const QString &type);

    QHash<QString, QIcon> m_icons;
};
