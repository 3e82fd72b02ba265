#include "extraction/engine/KTArchiveVolumes.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

// name + number + suffix for number = first, first + 1, … while such a file exists.
QStringList numberedRun(const QString &name, int first, int width, const QString &suffix)
{
    QStringList run;
    for (int n = first;; ++n) {
        const QString candidate = name + QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')) + suffix;
        if (!isFile(candidate))
            break;
        run.append(candidate);
    }
    return run;
}

} // namespace

QStringList KTArchiveVolumes::volumesFor(const QString &path)
{
    static const QRegularExpression partRar(QStringLiteral("^(.*\\.part)(\\d+)(\\.rar)$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression oldRar(QStringLiteral("^(.*)\\.(rar|r\\d\\d)$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression split(QStringLiteral("^(.*\\.)(\\d{3})$"));
    static const QRegularExpression splitZip(QStringLiteral("^(.*)\\.(zip|z\\d\\d)$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression cabinet(QStringLiteral("^(.*\\D)(\\d+)(\\.cab)$"), QRegularExpression::CaseInsensitiveOption);

    QStringList volumes;
    if (const auto m = partRar.match(path); m.hasMatch()) {
        volumes = numberedRun(m.captured(1), 1, int(m.capturedLength(2)), m.captured(3));
    } else if (const auto m = split.match(path); m.hasMatch()) {
        volumes = numberedRun(m.captured(1), 1, 3, QString());
    } else if (const auto m = splitZip.match(path); m.hasMatch()) {
        // The ".zip" holds the central directory and comes last.
        const QString stem = m.captured(1);
        const bool upper = m.captured(2).at(0).isUpper();
        const QString last = stem + (upper ? QStringLiteral(".ZIP") : QStringLiteral(".zip"));
        if (isFile(last))
            volumes = numberedRun(stem + (upper ? QStringLiteral(".Z") : QStringLiteral(".z")), 1, 2, QString()) + QStringList{last};
    } else if (const auto m = cabinet.match(path); m.hasMatch()) {
        volumes = numberedRun(m.captured(1), 1, 1, m.captured(3));
    } else if (const auto m = oldRar.match(path); m.hasMatch()) {
        const QString stem = m.captured(1);
        const bool upper = m.captured(2).at(0).isUpper();
        const QString first = stem + (upper ? QStringLiteral(".RAR") : QStringLiteral(".rar"));
        const QString more = stem + (upper ? QStringLiteral(".R") : QStringLiteral(".r"));
        if (isFile(first) && isFile(more + QStringLiteral("00")))
            volumes = QStringList{first} + numberedRun(more, 0, 2, QString());
    }
    if (volumes.size() < 2 || !volumes.contains(path))
        return {path};
    return volumes;
}
