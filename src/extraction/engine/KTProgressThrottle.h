#pragma once

#include <chrono>
#include <optional>

// Lets through at most one progress value per interval, so a fast job does not
// flood the GUI thread; the last value is never lost (see pending()).
class KTProgressThrottle
{
public:
    using Clock = std::chrono::steady_clock;

    explicit KTProgressThrottle(std::chrono::milliseconds interval = std::chrono::milliseconds(33));

    // True when value should be posted now. A held-back value stays pending.
    bool offer(float value, Clock::time_point now = Clock::now());
    // The last value offered and not let through, if any; clears it.
    std::optional<float> takePending();

private:
    std::chrono::milliseconds m_interval;
    std::optional<Clock::time_point> m_lastPost;
    std::optional<float> m_pending;
};
