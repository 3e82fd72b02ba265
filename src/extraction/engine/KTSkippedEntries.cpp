#include "extraction/engine/KTSkippedEntries.h"

#include <QCoreApplication>

bool KTSkippedEntries::skipsOnlyTheEntry(const KTExtractionError &error)
{
    return error.code == KTErrorCode::UnsafeEntry || error.code == KTErrorCode::SpecialFile;
}

QString KTSkippedEntries::summary() const
{
    if (m_entries.empty())
        return {};
    bool outside = false;
    bool special = false;
    for (const Entry &e : m_entries) {
        outside = outside || e.reason.code != KTErrorCode::SpecialFile;
        special = special || e.reason.code == KTErrorCode::SpecialFile;
    }
    const int n = size();
    if (outside && special)
        return QCoreApplication::translate("KTSkippedEntries", "%1 entries were not extracted: they would have written "
                                                               "outside the folder or are special files").arg(n);
    if (special && n == 1)
        return QCoreApplication::translate("KTSkippedEntries", "1 entry was not extracted: it is a device, FIFO or socket");
    if (special)
        return QCoreApplication::translate("KTSkippedEntries", "%1 entries were not extracted: they are devices, FIFOs "
                                                               "or sockets").arg(n);
    if (n == 1)
        return QCoreApplication::translate("KTSkippedEntries", "1 entry was not extracted: it would have written outside "
                                                               "the folder");
    return QCoreApplication::translate("KTSkippedEntries", "%1 entries were not extracted: they would have written "
                                                           "outside the folder").arg(n);
}

QStringList KTSkippedEntries::details(int limit) const
{
    QStringList lines;
    for (const Entry &e : m_entries) {
        if (limit >= 0 && lines.size() == limit) {
            lines.append(QCoreApplication::translate("KTSkippedEntries", "… and %1 more").arg(size() - limit));
            break;
        }
        lines.append(e.name + QStringLiteral(" (") + (e.reason.detail.isEmpty() ? e.reason.cause() : e.reason.detail)
                     + QLatin1Char(')'));
    }
    return lines;
}
