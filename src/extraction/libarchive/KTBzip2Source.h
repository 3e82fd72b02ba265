#pragma once

#include "extraction/libarchive/KTDecompressingSource.h"

#include <sys/types.h>

// A bzip2 file's bytes, decompressed by lbzip2 in a child process: bzip2's
// blocks are independent, and lbzip2 decodes them on every core, checking
// each block's and each stream's CRC. The child reads the file itself and
// writes into a pipe; its exit status says whether the data was whole.
// Dropping the source kills and reaps the child.
class KTBzip2Source : public KTDecompressingSource
{
public:
    explicit KTBzip2Source(QString path);
    ~KTBzip2Source() override;

    // Whether lbzip2 is installed (looked up once per process).
    static bool available();

private:
    bool start() override;
    qint64 decodeSome(char *out, qsizetype capacity) override;
    // Reaps the child: true when it ended well, else m_error set.
    bool reap();
    void readChildErrors();

    pid_t m_child = -1;
    int m_pipe = -1;
    int m_errors = -1;
    QByteArray m_errorText;
    bool m_ended = false;
};
