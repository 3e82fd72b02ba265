#include "app/core/KTExtractDestination.h"

#include "app/core/KTPreferences.h"

#include <QDir>
#include <QFileInfo>

KTExtractDestination::Place KTExtractDestination::place(const KTPreferences &preferences)
{
    switch (preferences.integerForKey(QString::fromLatin1(KTPreferences::ExtractInto))) {
    case qint64(Place::BesideArchive):
        return Place::BesideArchive;
    case qint64(Place::ChosenFolder):
        return Place::ChosenFolder;
    default:
        return Place::TemporaryFolder;
    }
}

QString KTExtractDestination::chosenFolder(const KTPreferences &preferences)
{
    return preferences.stringForKey(QString::fromLatin1(KTPreferences::ExtractFolder));
}

void KTExtractDestination::store(KTPreferences &preferences, Place place, const QString &chosenFolder)
{
    preferences.setInteger(QString::fromLatin1(KTPreferences::ExtractInto), qint64(place));
    if (!chosenFolder.isEmpty())
        preferences.setString(QString::fromLatin1(KTPreferences::ExtractFolder), chosenFolder);
}

QString KTExtractDestination::folderFor(const KTPreferences &preferences, const QString &archivePath)
{
    switch (place(preferences)) {
    case Place::TemporaryFolder:
        break;
    case Place::BesideArchive:
        return QFileInfo(archivePath).absolutePath();
    case Place::ChosenFolder:
        if (const QString folder = chosenFolder(preferences); !folder.isEmpty())
            return QDir::cleanPath(folder);
        break;
    }
    return QDir::tempPath();
}
