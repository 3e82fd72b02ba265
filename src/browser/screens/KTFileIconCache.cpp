#include "browser/screens/KTFileIconCache.h"

#include "browser/tree/KTFileItem.h"

#include <QFileIconProvider>
#include <QMimeDatabase>

QIcon KTFileIconCache::iconForItem(const KTFileItem &item)
{
    const QString type = item.fileImageType();
    if (type.isEmpty())
        return {};
    return iconForType(type);
}

QIcon KTFileIconCache::iconForType(const QString &type)
{
    auto found = m_icons.constFind(type);
    if (found != m_icons.constEnd())
        return *found;
    return *m_icons.insert(type, lookUp(type));
}

QIcon KTFileIconCache::lookUp(const QString &type)
{
    // Without an icon theme (a bare X session, offscreen) the theme lookups
    // come back null and Qt's own generic icons stand in.
    const QFileIconProvider provider;
    if (type == QLatin1String("inode/directory"))
        return QIcon::fromTheme(QStringLiteral("folder"), provider.icon(QFileIconProvider::Folder));
    if (type == QLatin1String("inode/symlink"))
        return QIcon::fromTheme(QStringLiteral("folder-link"), provider.icon(QFileIconProvider::Folder));
    const QMimeType mime = QMimeDatabase().mimeTypeForName(type);
    QIcon icon;
    if (mime.isValid()) {
        icon = QIcon::fromTheme(mime.iconName());
        if (icon.isNull())
            icon = QIcon::fromTheme(mime.genericIconName());
    }
    if (icon.isNull())
        icon = provider.icon(QFileIconProvider::File);
    return icon;
}
