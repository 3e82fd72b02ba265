#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

struct inflate_state;

// Inflates deflate data with ISA-L, several times faster than zlib. In gzip
// mode it reads one member's header and checks its trailer (CRC-32 and
// length); in raw mode it inflates a bare deflate stream, as a zip entry
// holds, and keeps the CRC-32 of what came out.
class KTIsalInflater
{
public:
    enum class Mode { Gzip, Raw };
    enum class Status { Progress, End, Damaged };

    explicit KTIsalInflater(Mode mode);
    ~KTIsalInflater();
    KTIsalInflater(const KTIsalInflater &) = delete;
    KTIsalInflater &operator=(const KTIsalInflater &) = delete;

    // Starts a new stream (the next gzip member), keeping unread input.
    void reset();
    void setInput(const void *data, size_t size);
    size_t availableInput() const;
    const uint8_t *nextInput() const;
    // Inflates into out; produced counts the bytes written. End when the
    // stream (and in gzip mode its checked trailer) is complete; the input
    // after it stays unread.
    Status inflate(void *out, size_t capacity, size_t &produced);
    // Raw mode: the CRC-32 of the output once the stream has ended.
    uint32_t outputCrc() const;
    // What is wrong once inflate() said Damaged.
    QString errorText() const { return m_error; }

    static uint32_t crc32(uint32_t crc, const void *data, size_t size);

private:
    Mode m_mode;
    std::unique_ptr<inflate_state> m_state;
    QString m_error;
};
