#pragma once

#include <QCoreApplication>
#include <QString>

#include <optional>

// The quiet line under the progress bar and the window title during a job:
// "120 MB of 1.4 GB · 18 s left", "12% — photos.zip".
class KTProgressLine
{
    Q_DECLARE_TR_FUNCTIONS(KTProgressLine)
public:
    static QString amount(qint64 done, qint64 total, std::optional<qint64> secondsLeft);
    // A fraction past 1 (the tree being read) shows as 100%.
    static QString title(double fraction, const QString &archiveName);
    // A byte count in decimal units, with one decimal below 10 ("1.4 GB",
    // "120 MB").
    static QString size(qint64 bytes);
    static QString timeLeft(qint64 seconds);
};
