#include "util/core/KTTransferEstimate.h"

#include <cmath>

namespace {

constexpr qint64 SampleSpacingMs = 250;
constexpr qint64 WarmUpMs = 1000;
// The weight of the newest rate against what came before.
constexpr double Smoothing = 0.3;

} // namespace

void KTTransferEstimate::start(qint64 total)
{
    *this = KTTransferEstimate();
    m_total = qMax<qint64>(0, total);
}

void KTTransferEstimate::sample(qint64 elapsedMs, qint64 done)
{
    done = qBound<qint64>(0, done, m_total);
    m_done = qMax(m_done, done);
    if (m_firstMs < 0) {
        m_firstMs = m_lastMs = elapsedMs;
        m_lastDone = m_done;
        return;
    }
    const qint64 spanMs = elapsedMs - m_lastMs;
    if (spanMs < SampleSpacingMs)
        return;
    const double rate = double(m_done - m_lastDone) / double(spanMs);
    m_bytesPerMs = m_bytesPerMs < 0 ? rate : Smoothing * rate + (1 - Smoothing) * m_bytesPerMs;
    m_lastMs = elapsedMs;
    m_lastDone = m_done;
}

std::optional<qint64> KTTransferEstimate::secondsLeft() const
{
    if (m_bytesPerMs <= 0 || m_lastMs - m_firstMs < WarmUpMs)
        return std::nullopt;
    const double ms = double(m_total - m_done) / m_bytesPerMs;
    return qint64(std::ceil(ms / 1000.0));
}
