#include "support/KTRecordingDelegate.h"

#include "extraction/names/KTEncodingDecision.h"

#include <QFileInfo>

void KTRecordingDelegate::simpleUnarchiverNeedsPassword(KTUnarchiver &unarchiver)
{
    check();
    ++passwordQuestions;
    events << QStringLiteral("password");
    if (password)
        unarchiver.setPassword(*password);
}

QByteArray KTRecordingDelegate::encodingNameForString(KTUnarchiver &, const KTArchiveString &string)
{
    check();
    return KTEncodingDecision::encodingNameFor(string, filenameEncoding, 80);
}

bool KTRecordingDelegate::shouldExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &)
{
    check();
    events << QStringLiteral("should %1 %2").arg(entry.index).arg(entry.name);
    return !declined.contains(entry.index);
}

void KTRecordingDelegate::willExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &to)
{
    check();
    events << QStringLiteral("will %1 %2").arg(entry.index).arg(QFileInfo(to).fileName());
}

void KTRecordingDelegate::didExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &, const KTExtractionError &error)
{
    check();
    events << QStringLiteral("did %1 %2").arg(entry.index).arg(int(error.code));
}

void KTRecordingDelegate::didRemoveUnsafeItem(KTUnarchiver &, const QString &path, const KTExtractionError &why)
{
    check();
    events << QStringLiteral("removed %1 %2").arg(path).arg(int(why.code));
}

void KTRecordingDelegate::extractionProgress(KTUnarchiver &, const KTArchiveEntry &, qint64, qint64, qint64 done, qint64 total)
{
    check();
    ++progressCalls;
    progressWentBack = progressWentBack || done < lastDone;
    lastDone = done;
    lastTotal = total;
}

bool KTRecordingDelegate::extractionShouldStop(KTUnarchiver &)
{
    check();
    return stopAfterProgress >= 0 && progressCalls >= stopAfterProgress;
}

void KTRecordingDelegate::check()
{
    offThread = offThread || std::this_thread::get_id() != m_thread;
}
