#include "extraction/engine/KTProgressThrottle.h"

KTProgressThrottle::KTProgressThrottle(std::chrono::milliseconds interval)
    : m_interval(interval)
{
}

bool KTProgressThrottle::offer(float value, Clock::time_point now)
{
    if (!m_lastPost || now - *m_lastPost >= m_interval) {
        m_lastPost = now;
        m_pending.reset();
        return true;
    }
    m_pending = value;
    return false;
}

std::optional<float> KTProgressThrottle::takePending()
{
    auto value = m_pending;
    m_pending.reset();
    return value;
}
