#pragma once

#include <QtGlobal>

#include <optional>

// How long a transfer of known size has left, from samples of the bytes
// done so far: the rate is smoothed over samples at least a quarter second
// apart, so that a burst or a pause moves the estimate only a little, and
// no estimate is given before a second of samples.
class KTTransferEstimate
{
public:
    // Forgets every sample; total is the size of the whole transfer.
    void start(qint64 total);
    // The bytes done at elapsedMs since start (both never going back).
    void sample(qint64 elapsedMs, qint64 done);

    qint64 total() const { return m_total; }
    qint64 done() const { return m_done; }
    // Seconds left, rounded up; none while the rate is unknown.
    std::optional<qint64> secondsLeft() const;

private:
    qint64 m_total = 0;
    qint64 m_done = 0;
    qint64 m_firstMs = -1;
    qint64 m_lastMs = 0;
    qint64 m_lastDone = 0;
    double m_bytesPerMs = -1;
};
