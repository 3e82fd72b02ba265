#include "extraction/screens/KTJobRerun.h"

#include "browser/tree/KTFileDataCollection.h"
#include "extraction/job/KTExtractionJob.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

KTJobRerun::KTJobRerun(const KTExtractionJob &job, KTFileDataCollection &collection)
    : m_job(job)
    , m_collection(collection)
{
}

void KTJobRerun::started(const Start &start)
{
    m_last = {start.paths, {}, start.destinationFolder};
    m_replacing = start.replacing;
}

bool KTJobRerun::offersTryAgain(const KTExtractionError &error) const
{
    return error.code == KTErrorCode::WrongPassword && !m_last.paths.isEmpty();
}

KTJobRerun::Start KTJobRerun::tryAgain() const
{
    return m_last;
}

std::optional<KTJobRerun::Start> KTJobRerun::readNamesAgain() const
{
    const QStringList archives = m_collection.fileArray();
    const QString shown = m_collection.desPath();
    if (archives.isEmpty() || shown.isEmpty())
        return std::nullopt;
    // The new result goes where the one it replaces is.
    return Start{archives, shown, QFileInfo(shown).absolutePath()};
}

void KTJobRerun::removeReplaced(QThreadPool &pool)
{
    const QString replaced = std::exchange(m_replacing, QString());
    if (replaced.isEmpty() || replaced == m_collection.desPath())
        return;
    m_removal = QtConcurrent::run(&pool, [replaced] {
        if (QFileInfo(replaced).isDir() && !QFileInfo(replaced).isSymLink())
            QDir(replaced).removeRecursively();
        else
            QFile::remove(replaced);
    });
}

QString KTJobRerun::restoreReplaced(const QString &failure)
{
    // The first attempt chose UTF-8 and met names that were not: that is
    // why this one was made.
    m_collection.setNamesNotUtf8(true);
    m_collection.setRereadFailure(failure);
    return std::exchange(m_replacing, QString());
}

QString KTJobRerun::partialResult()
{
    const QString partial = m_job.partialResult();
    if (partial.isEmpty())
        return {};
    m_collection.setSkippedEntries(m_job.skippedEntries());
    m_collection.setIncomplete(true);
    return partial;
}
