#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QString>
#include <QStringList>

#include <mutex>

// What a scripted unarchiver did, in order, as one line per event; shared
// between the unarchiver (on the job's worker) and the test, which may read
// it while the extraction runs.
//
// Lines: "parse", "password" (the delegate was asked), "refused <name>"
// (should-extract said no), "will <name>", "held <name>" (at its gate),
// "stop" (the delegate said stop), did(<name>, code).
class KTScriptLog
{
public:
    void add(const QString &line);
    QStringList lines() const;
    int count(const QString &line) const;

    // The line of a did-extract call.
    static QString did(const QString &name, KTErrorCode code = KTErrorCode::None);

private:
    mutable std::mutex m_mutex;
    QStringList m_lines;
};
