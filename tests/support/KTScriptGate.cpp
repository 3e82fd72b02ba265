#include "support/KTScriptGate.h"

#include <chrono>

namespace {

// How often a held entry asks whether to stop.
constexpr std::chrono::milliseconds StopPoll(2);

} // namespace

void KTScriptGate::release()
{
    std::lock_guard lock(m_mutex);
    m_released = true;
    m_changed.notify_all();
}

bool KTScriptGate::waitUntilReached(int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_reached; });
}

bool KTScriptGate::pass(const std::function<bool()> &shouldStop)
{
    std::unique_lock lock(m_mutex);
    m_reached = true;
    m_changed.notify_all();
    while (!m_changed.wait_for(lock, StopPoll, [this] { return m_released; })) {
        // The delegate is asked without the lock, as the test may be
        // releasing meanwhile.
        lock.unlock();
        const bool stop = shouldStop();
        lock.lock();
        if (stop && !m_released)
            return false;
    }
    return true;
}
