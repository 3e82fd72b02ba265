#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QString>

// Compares what an archive says it will write with the room left on the
// disk of a folder, so that an archive too large fails before writing.
class KTFreeSpace
{
public:
    // Bytes an unprivileged user may still write in folder; -1 when unknown.
    static qint64 available(const QString &folder);
    // NoSpace when declaredBytes exceed the room in folder; ok when they fit
    // or the room is unknown.
    static KTExtractionError ensureRoom(const QString &folder, quint64 declaredBytes);
};
