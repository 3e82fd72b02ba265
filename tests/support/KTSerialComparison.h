#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "support/KTRecordingDelegate.h"

#include <QMap>
#include <QString>

class KTTestFolder;

// Extracts a zip with libarchive's unarchiver on one thread and on several,
// and compares everything the user or the delegate can see.
class KTSerialComparison
{
public:
    struct Extraction {
        KTExtractionError error;
        QMap<QString, QByteArray> tree;
        QMap<QString, QString> meta;
        QString created; // relative to the destination
    };

    explicit KTSerialComparison(KTTestFolder &folder) : m_folder(folder) {}

    // One extraction into a fresh folder, through delegate.
    Extraction extract(const QString &archive, int workers, bool overwrite, KTRecordingDelegate &delegate);
    // Extracts with 1, 2 and 3 threads, each with a copy of settings; the
    // serial one must end in expectedCode unless that is negative.
    void compare(const QString &archive, const KTRecordingDelegate &settings, bool overwrite, int expectedCode = -1);

private:
    KTTestFolder &m_folder;
};
