#include "extraction/libarchive/KTIsalInflater.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

namespace {

QString describe(int code)
{
    switch (code) {
    case ISAL_INVALID_BLOCK: return QStringLiteral("invalid block");
    case ISAL_INVALID_SYMBOL: return QStringLiteral("invalid symbol");
    case ISAL_INVALID_LOOKBACK: return QStringLiteral("invalid distance");
    case ISAL_INVALID_WRAPPER: return QStringLiteral("invalid header");
    case ISAL_UNSUPPORTED_METHOD: return QStringLiteral("unknown method");
    case ISAL_INCORRECT_CHECKSUM: return QStringLiteral("wrong CRC or length");
    case ISAL_NEED_DICT: return QStringLiteral("needs a dictionary");
    default: return QStringLiteral("error %1").arg(code);
    }
}

} // namespace

KTIsalInflater::KTIsalInflater(Mode mode)
    : m_mode(mode)
    , m_state(std::make_unique<inflate_state>())
{
    isal_inflate_init(m_state.get());
    reset();
}

KTIsalInflater::~KTIsalInflater() = default;

void KTIsalInflater::reset()
{
    uint8_t *in = m_state->next_in;
    const uint32_t avail = m_state->avail_in;
    isal_inflate_reset(m_state.get());
    // ISAL_GZIP reads the header and checks the trailer; ISAL_GZIP_NO_HDR
    // only keeps the CRC of a raw stream.
    m_state->crc_flag = m_mode == Mode::Gzip ? ISAL_GZIP : ISAL_GZIP_NO_HDR;
    m_state->next_in = in;
    m_state->avail_in = avail;
    m_error.clear();
}

void KTIsalInflater::setInput(const void *data, size_t size)
{
    m_state->next_in = static_cast<uint8_t *>(const_cast<void *>(data));
    m_state->avail_in = uint32_t(size);
}

size_t KTIsalInflater::availableInput() const
{
    return m_state->avail_in;
}

const uint8_t *KTIsalInflater::nextInput() const
{
    return m_state->next_in;
}

KTIsalInflater::Status KTIsalInflater::inflate(void *out, size_t capacity, size_t &produced)
{
    produced = 0;
    if (m_state->block_state == ISAL_BLOCK_FINISH)
        return Status::End;
    m_state->next_out = static_cast<uint8_t *>(out);
    m_state->avail_out = uint32_t(capacity);
    const int r = isal_inflate(m_state.get());
    produced = capacity - m_state->avail_out;
    if (r < 0 || r == ISAL_NEED_DICT) {
        m_error = describe(r);
        return Status::Damaged;
    }
    return m_state->block_state == ISAL_BLOCK_FINISH ? Status::End : Status::Progress;
}

uint32_t KTIsalInflater::outputCrc() const
{
    return m_state->crc;
}

uint32_t KTIsalInflater::crc32(uint32_t crc, const void *data, size_t size)
{
    return crc32_gzip_refl(crc, static_cast<const unsigned char *>(data), size);
}
