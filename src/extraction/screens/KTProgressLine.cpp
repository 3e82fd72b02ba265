#include "extraction/screens/KTProgressLine.h"

#include <QLocale>

#include <cmath>

QString KTProgressLine::amount(qint64 done, qint64 total, std::optional<qint64> secondsLeft)
{
    const QString sizes = tr("%1 of %2").arg(size(done), size(total));
    if (!secondsLeft)
        return sizes;
    return tr("%1 · %2").arg(sizes, timeLeft(*secondsLeft));
}

QString KTProgressLine::title(double fraction, const QString &archiveName)
{
    const int percent = int(std::floor(qBound(0.0, fraction, 1.0) * 100.0));
    return tr("%1% — %2").arg(QString::number(percent), archiveName);
}

QString KTProgressLine::size(qint64 bytes)
{
    double scaled = double(bytes);
    while (scaled >= 1000.0)
        scaled /= 1000.0;
    // Rounding up to 10 takes the whole-number form, as 9.96 would show "10.0".
    const int precision = bytes >= 1000 && scaled < 9.95 ? 1 : 0;
    return QLocale().formattedDataSize(bytes, precision, QLocale::DataSizeSIFormat);
}

QString KTProgressLine::timeLeft(qint64 seconds)
{
    if (seconds < 60)
        return tr("%n s left", nullptr, int(qMax<qint64>(seconds, 1)));
    const qint64 minutes = (seconds + 59) / 60;
    if (minutes < 60)
        return tr("%n min left", nullptr, int(minutes));
    return tr("%1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}
