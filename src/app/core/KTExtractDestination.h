#pragma once

#include <QString>

class KTPreferences;

// Where the window puts a result, by the preference "extractInto": the
// temporary folder, the archive's own folder, or a folder the user chose.
// The job makes its scratch folder there, so the last move of the result is
// a rename within one file system.
class KTExtractDestination
{
public:
    enum class Place { TemporaryFolder = 0, BesideArchive = 1, ChosenFolder = 2 };

    static Place place(const KTPreferences &preferences);
    // The folder stored for ChosenFolder; empty when none was chosen.
    static QString chosenFolder(const KTPreferences &preferences);
    static void store(KTPreferences &preferences, Place place, const QString &chosenFolder);

    // The folder a job on archivePath extracts into. ChosenFolder without a
    // folder, and an unknown stored value, mean the temporary folder.
    static QString folderFor(const KTPreferences &preferences, const QString &archivePath);
};
