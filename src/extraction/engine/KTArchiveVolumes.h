#pragma once

#include <QString>
#include <QStringList>

// The files of a multi-volume archive, in order, found beside any one of
// them: "name.part1.rar", "name.part2.rar", …; "name.rar", "name.r00",
// "name.r01", …; a byte-split "name.7z.001", "name.7z.002", …; a split zip
// "name.z01", "name.z02", …, "name.zip"; or numbered cabinets "name1.cab",
// "name2.cab", ….
class KTArchiveVolumes
{
public:
    // Every volume of the set the path belongs to, from the first; just the
    // path itself when it is no volume of a set of two or more.
    static QStringList volumesFor(const QString &path);
};
