#pragma once

#include "extraction/engine/KTUnarchiver.h"
#include "extraction/engine/KTUnarchiverDelegate.h"

#include <QSet>
#include <QStringList>

#include <optional>
#include <thread>

// The delegate of one extraction: records every call, in order, and checks
// that all of them come from the thread that runs the unarchiver.
class KTRecordingDelegate : public KTUnarchiverDelegate
{
public:
    std::optional<QString> password;
    qint64 filenameEncoding = 0; // 0: detection above the threshold
    QSet<int> declined;          // entries to skip
    int stopAfterProgress = -1;  // ask to stop once this many progress calls came

    QStringList events;
    int passwordQuestions = 0;
    bool offThread = false;
    bool progressWentBack = false;
    qint64 lastDone = 0;
    qint64 lastTotal = -1;
    int progressCalls = 0;

    void simpleUnarchiverNeedsPassword(KTUnarchiver &unarchiver) override;
    QByteArray encodingNameForString(KTUnarchiver &, const KTArchiveString &string) override;
    bool shouldExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &) override;
    void willExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &to) override;
    void didExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &, const KTExtractionError &error) override;
    void didRemoveUnsafeItem(KTUnarchiver &, const QString &path, const KTExtractionError &why) override;
    void extractionProgress(KTUnarchiver &, const KTArchiveEntry &, qint64, qint64, qint64 done, qint64 total) override;
    bool extractionShouldStop(KTUnarchiver &) override;

private:
    void check();
    std::thread::id m_thread = std::this_thread::get_id();
};
