#pragma once

#include "extraction/libarchive/KTDecompressingSource.h"
#include "extraction/libarchive/KTIsalInflater.h"

// A gzip file's bytes, inflated with ISA-L, which checks every member's CRC
// and length. libarchive 3.6's own gzip reader checks neither, so a damaged
// .tar.gz would extract as a success with changed contents. Members follow
// one another; anything but a member after a whole one is ignored.
class KTGzipSource : public KTDecompressingSource
{
public:
    explicit KTGzipSource(QString path);

private:
    qint64 decodeSome(char *out, qsizetype capacity) override;

    bool m_inputEnded = false;
    bool m_memberEnded = false;
    QByteArray m_in;
    KTIsalInflater m_inflater{KTIsalInflater::Mode::Gzip};
};
