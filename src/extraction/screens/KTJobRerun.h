#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QFuture>
#include <QString>
#include <QStringList>

#include <optional>

class KTExtractionJob;
class KTFileDataCollection;
class QThreadPool;

// What the extraction screen runs again, and what a new attempt does to the
// result it would replace. Try Again repeats the last start after a wrong or
// missing password. Reading names again extracts the archives of the result
// shown with detection, beside that result, which goes only once the new one
// is in and is shown again when the attempt fails or is cancelled. After
// damage, what was read before it can be shown instead.
class KTJobRerun
{
public:
    // How a job is started: replacing names the result it would replace,
    // destinationFolder the folder chosen for this archive alone (empty for
    // the preference's place).
    struct Start
    {
        QStringList paths;
        QString replacing;
        QString destinationFolder;
    };

    KTJobRerun(const KTExtractionJob &job, KTFileDataCollection &collection);

    // The job was started as asked.
    void started(const Start &start);

    // Another password may open it; nothing else would change by trying again.
    bool offersTryAgain(const KTExtractionError &error) const;
    Start tryAgain() const;
    // None when no result is shown.
    std::optional<Start> readNamesAgain() const;

    bool replaces() const { return !m_replacing.isEmpty(); }
    // The new result is in: the one it replaces is removed on the pool,
    // unless the new one took its place.
    void removeReplaced(QThreadPool &pool);
    // The attempt failed with failure (empty for a cancel): the collection
    // is told, and the result to show again is returned.
    QString restoreReplaced(const QString &failure);

    // After damage: the folder holding what was read, with the collection
    // marked incomplete; empty when the job left nothing.
    QString partialResult();

private:
    const KTExtractionJob &m_job;
    KTFileDataCollection &m_collection;
    Start m_last;
    QString m_replacing;
    QFuture<void> m_removal;
};
