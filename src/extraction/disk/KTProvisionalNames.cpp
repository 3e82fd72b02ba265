#include "extraction/disk/KTProvisionalNames.h"

#include "extraction/disk/KTDiskWriter.h"

#include <QHash>
#include <QList>

void KTProvisionalNames::noteEntry(const QByteArray &raw, const QByteArray &rel)
{
    m_entries.push_back({raw, rel});
}

void KTProvisionalNames::noteSymlink(const QByteArray &rel, const QByteArray &rawTarget)
{
    m_links.push_back({rawTarget, rel});
}

int KTProvisionalNames::settle(KTDiskWriter &writer, const PathFor &pathFor, const TargetFor &targetFor) const
{
    // Targets first: the links are still known by the paths they were written at.
    for (const Written &link : m_links)
        writer.retargetPendingLink(link.rel, targetFor(link.raw));

    // Decoding changes only the bytes beyond ASCII, never a separator, so a
    // final path has the components of the written one: each that differs is
    // a rename of the folder or entry at that depth. The first entry to ask
    // for a path's new name decides it.
    QHash<QByteArray, QByteArray> newNames;
    for (const Written &entry : m_entries) {
        const std::optional<QByteArray> final = pathFor(entry.raw);
        if (!final || *final == entry.rel)
            continue;
        const QList<QByteArray> was = entry.rel.split('/');
        const QList<QByteArray> becomes = final->split('/');
        if (was.size() != becomes.size())
            continue;
        QByteArray prefix;
        for (qsizetype i = 0; i < was.size(); ++i) {
            prefix += i == 0 ? was[i] : '/' + was[i];
            if (was[i] != becomes[i] && !newNames.contains(prefix))
                newNames.insert(prefix, becomes[i]);
        }
    }
    return newNames.isEmpty() ? 0 : writer.renameEntries(newNames);
}
