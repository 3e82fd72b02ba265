#include "app/core/KTApplicationRegistry.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

KTApplicationRegistry::KTApplicationRegistry(QStringList folders)
    : m_folders(std::move(folders))
{
}

QStringList KTApplicationRegistry::standardFolders()
{
    return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

QList<KTDesktopEntry> KTApplicationRegistry::applicationsFor(const QString &mimeType) const
{
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    QStringList names{mimeType};
    if (type.isValid())
        names << type.name() << type.aliases() << type.allAncestors();

    QList<KTDesktopEntry> exact;
    QList<KTDesktopEntry> inherited;
    QSet<QString> seen;
    for (const QString &folder : m_folders) {
        const QDir root(folder);
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            // The ID of applications/kde/foo.desktop is kde-foo.desktop.
            const QString id = root.relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            // A hidden entry in an earlier folder hides the ID in later ones.
            seen.insert(id);
            const std::optional<KTDesktopEntry> entry = KTDesktopEntry::read(path, id);
            if (!entry || !entry->offered())
                continue;
            const QStringList types = entry->mimeTypes();
            if (types.contains(mimeType) || (type.isValid() && types.contains(type.name())))
                exact << *entry;
            else if (std::any_of(names.cbegin(), names.cend(), [&](const QString &name) { return types.contains(name); }))
                inherited << *entry;
        }
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const auto byName = [&collator](const KTDesktopEntry &a, const KTDesktopEntry &b) {
        return collator.compare(a.name(), b.name()) < 0;
    };
    std::sort(exact.begin(), exact.end(), byName);
    std::sort(inherited.begin(), inherited.end(), byName);
    return exact + inherited;
}
