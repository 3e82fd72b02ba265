#pragma once

#include <QString>
#include <QStringList>

// The one table of archive file extensions, and what is asked of it: which
// names the window takes as archives (a drop, the open dialog's filter) and
// which extensions come off an archive's name to name its folder.
class KTArchiveExtensions
{
public:
    // The lower-case extensions of the archives taken by their name alone,
    // format names first.
    static QStringList opened();
    // The open dialog's name patterns: the opened extensions in both cases,
    // the first pieces of split sets, and programs that may hold an archive.
    static QStringList namePatterns();
    // Whether a file is taken: its extension is one of extensions, it is a
    // piece of a split set of such an archive, or a self-extracting program
    // (judged by its content).
    static bool accepts(const QString &path, const QStringList &extensions);
    // The name without its archive and volume extensions ("photos.tar.gz"
    // and "photos.part1.rar" give "photos", "notes.txt.gz" gives
    // "notes.txt"); the name itself when nothing would be left.
    static QString withoutArchiveExtensions(const QString &fileName);
};
