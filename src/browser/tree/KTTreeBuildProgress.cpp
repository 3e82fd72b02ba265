#include "browser/tree/KTTreeBuildProgress.h"

#include "app/core/KTNotificationCenter.h"
#include "util/core/KTUtility.h"

void KTTreeBuildProgress::start()
{
    m_value = Start;
    m_throttle = KTProgressThrottle();
    m_lastOffered = std::numeric_limits<float>::quiet_NaN();
}

void KTTreeBuildProgress::folderStep()
{
    m_value = m_value < Ceiling ? m_value + Step : Ceiling;
    offer();
}

void KTTreeBuildProgress::fileStep()
{
    const double next = m_value + Step;
    m_value = next < Ceiling ? next + Step : Ceiling;
    offer();
}

void KTTreeBuildProgress::finish()
{
    if (const auto pending = m_throttle.takePending())
        post(*pending);
    m_value = End;
    post(float(End));
}

void KTTreeBuildProgress::offer()
{
    const float value = float(m_value);
    // Once at the ceiling every step repeats the same number.
    if (value == m_lastOffered)
        return;
    m_lastOffered = value;
    if (m_throttle.offer(value))
        post(value);
}

void KTTreeBuildProgress::post(float value)
{
    KTUtility::kt_doPerformNotification(QString::fromLatin1(KTNotificationCenter::FileProgress), value);
}
