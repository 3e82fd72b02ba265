#pragma once

#include <QByteArray>

class KTArchiveString;

// Which encoding decodes an undecided entry name: the preferred encoding when
// one is chosen (not 0); otherwise the detected one when its confidence, in
// percent and single precision, reaches the threshold and it decodes the
// name; otherwise the name for encoding 0 (the default rule).
class KTEncodingDecision
{
public:
    static QByteArray encodingNameFor(const KTArchiveString &string, qint64 preferredEncoding, qint64 threshold);
};
