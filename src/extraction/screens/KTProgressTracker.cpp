#include "extraction/screens/KTProgressTracker.h"

#include "extraction/engine/KTArchiveVolumes.h"
#include "extraction/screens/KTProgressLine.h"

#include <QFileInfo>
#include <QLabel>

KTProgressTracker::KTProgressTracker(QWidget *screen)
    : m_amountLine(new QLabel(screen))
{
    m_amountLine->setObjectName(QStringLiteral("amountLine"));
    m_amountLine->setAlignment(Qt::AlignCenter);
    m_amountLine->hide();
}

void KTProgressTracker::start(const QString &archivePath)
{
    m_archiveName = QFileInfo(archivePath).fileName();
    qint64 archiveSize = 0;
    for (const QString &volume : KTArchiveVolumes::volumesFor(archivePath))
        archiveSize += QFileInfo(volume).size();
    m_estimate.start(archiveSize);
    m_clock.start();
}

void KTProgressTracker::setFollowing(bool following)
{
    m_following = following;
    if (!following)
        setTitle({});
}

void KTProgressTracker::update(float fraction)
{
    if (!m_following)
        return;
    emit progressChanged(double(fraction));
    // Past 1 the tree is being read: the archive is done.
    const double read = qBound(0.0, double(fraction), 1.0);
    m_estimate.sample(m_clock.elapsed(), qint64(read * double(m_estimate.total())));
    const bool extracting = fraction < 1.0f;
    m_amountLine->setText(KTProgressLine::amount(m_estimate.done(), m_estimate.total(),
                                                 extracting ? m_estimate.secondsLeft() : std::nullopt));
    m_amountLine->setVisible(m_estimate.total() > 0);
    setTitle(KTProgressLine::title(read, m_archiveName));
}

void KTProgressTracker::hide()
{
    m_amountLine->hide();
}

void KTProgressTracker::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(title);
}
