#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

// A point in a scripted entry where the extraction waits for the test: the
// entry blocks there until the test releases the gate, or until the
// unarchiver is asked to stop, which it polls meanwhile as a backend polls
// between blocks. Once released it stays open.
class KTScriptGate
{
public:
    // The test's side.
    void release();
    // Blocks the calling thread until an entry is at the gate; false when
    // none arrives within timeoutMs.
    bool waitUntilReached(int timeoutMs = 30000) const;

    // The unarchiver's side: waits at the gate; true when released, false
    // when shouldStop() said so first.
    bool pass(const std::function<bool()> &shouldStop);

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_reached = false;
    bool m_released = false;
};
