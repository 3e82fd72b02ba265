#include "extraction/libarchive/KTGzipSource.h"

namespace {

constexpr qsizetype InBlockSize = 128 * 1024;
// Larger output blocks let ISA-L run longer between calls.
constexpr qsizetype OutBlockSize = 512 * 1024;

} // namespace

KTGzipSource::KTGzipSource(QString path)
    : KTDecompressingSource(std::move(path), OutBlockSize)
    , m_in(InBlockSize, Qt::Uninitialized)
{
}

qint64 KTGzipSource::decodeSome(char *out, qsizetype capacity)
{
    for (;;) {
        if (m_inflater.availableInput() == 0 && !m_inputEnded) {
            const qint64 n = readInput(m_in.data(), m_in.size());
            if (n < 0)
                return -1;
            m_inputEnded = n == 0;
            m_inflater.setInput(m_in.constData(), size_t(n));
        }
        if (m_memberEnded) {
            // Another member may follow; anything else after a whole member
            // is ignored, as gzip itself does.
            if (m_inflater.availableInput() == 0 && m_inputEnded)
                return 0;
            if (m_inflater.availableInput() == 0)
                continue;
            if (m_inflater.nextInput()[0] != 0x1f) {
                m_inflater.setInput(nullptr, 0);
                m_inputEnded = true;
                return 0;
            }
            m_inflater.reset();
            m_memberEnded = false;
        }
        size_t produced = 0;
        const KTIsalInflater::Status status = m_inflater.inflate(out, size_t(capacity), produced);
        if (status == KTIsalInflater::Status::Damaged) {
            m_error = QStringLiteral("the gzip data is damaged (%1)").arg(m_inflater.errorText());
            return -1;
        }
        m_memberEnded = status == KTIsalInflater::Status::End;
        if (produced > 0)
            return qint64(produced);
        // Nothing came out of all the input there is: the member is cut short.
        if (!m_memberEnded && m_inflater.availableInput() == 0 && m_inputEnded) {
            m_error = QStringLiteral("the gzip data ends early");
            return -1;
        }
    }
}
