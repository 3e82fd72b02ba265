#include "extraction/zip/KTZipExtractionPlan.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// Runs smaller than this cost more in switching than they win in balance.
constexpr quint64 MinRunWeight = 256 * 1024;
constexpr quint64 MaxRunWeight = 16 * 1024 * 1024;
constexpr quint64 RunsPerWorker = 16;

// Every proper ancestor of a relative path, outermost first.
std::vector<QByteArray> ancestorsOf(const QByteArray &path)
{
    std::vector<QByteArray> result;
    for (int slash = path.indexOf('/'); slash >= 0; slash = path.indexOf('/', slash + 1))
        result.push_back(path.left(slash));
    return result;
}

} // namespace

KTZipExtractionPlan::KTZipExtractionPlan(std::vector<KTPlannedZipEntry> entries, int workers, bool overwrite)
    : m_entries(std::move(entries))
    , m_owners(m_entries.size(), CallingThread)
{
    if (workers > 0)
        assignOwners(workers, overwrite);
    collectFolders();
}

void KTZipExtractionPlan::assignOwners(int workers, bool overwrite)
{
    QHash<QByteArray, int> pathCount;
    QSet<QByteArray> nonFolders;
    QSet<QByteArray> ancestors;
    for (const KTPlannedZipEntry &e : m_entries) {
        // A hard link needs its target written before it, in archive order.
        if (e.kind == KTPlannedZipEntry::Kind::Hardlink)
            return;
        if (!e.path)
            continue;
        ++pathCount[*e.path];
        if (e.kind != KTPlannedZipEntry::Kind::Directory)
            nonFolders.insert(*e.path);
        for (const QByteArray &a : ancestorsOf(*e.path))
            ancestors.insert(a);
    }

    std::vector<size_t> parallel;
    bool clashes = false;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const KTPlannedZipEntry &e = m_entries[i];
        if (!e.path)
            continue;
        const QByteArray &path = *e.path;
        bool free = pathCount.value(path) == 1;
        if (e.kind != KTPlannedZipEntry::Kind::Directory)
            free = free && !ancestors.contains(path);
        for (const QByteArray &a : ancestorsOf(path))
            free = free && !nonFolders.contains(a);
        clashes = clashes || !free;
        if (free && e.kind == KTPlannedZipEntry::Kind::File && !path.isEmpty())
            parallel.push_back(i);
    }
    if (parallel.empty() || (clashes && !overwrite))
        return;

    quint64 total = 0;
    for (size_t i : parallel)
        total += m_entries[i].weight;
    const quint64 runWeight = std::clamp(total / (quint64(workers) * RunsPerWorker), MinRunWeight, MaxRunWeight);
    std::vector<quint64> load(size_t(workers), 0);
    std::vector<int> last(size_t(workers), -1);
    size_t runStart = 0;
    quint64 run = 0;
    auto closeRun = [&](size_t end) {
        const auto lightest = size_t(std::min_element(load.begin(), load.end()) - load.begin());
        for (size_t k = runStart; k < end; ++k) {
            m_owners[parallel[k]] = int(lightest);
            last[lightest] = int(parallel[k]);
        }
        load[lightest] += run;
        runStart = end;
        run = 0;
    };
    for (size_t k = 0; k < parallel.size(); ++k) {
        run += m_entries[parallel[k]].weight;
        if (run >= runWeight)
            closeRun(k + 1);
    }
    if (runStart < parallel.size())
        closeRun(parallel.size());

    // Workers that got nothing are not started; renumber the others densely.
    std::vector<int> renumber(size_t(workers), CallingThread);
    for (size_t w = 0; w < last.size(); ++w) {
        if (last[w] >= 0) {
            renumber[w] = int(m_lastIndex.size());
            m_lastIndex.push_back(last[w]);
        }
    }
    for (int &owner : m_owners) {
        if (owner != CallingThread)
            owner = renumber[size_t(owner)];
    }
}

void KTZipExtractionPlan::collectFolders()
{
    QSet<QByteArray> seen;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_owners[i] == CallingThread)
            continue;
        for (const QByteArray &a : ancestorsOf(*m_entries[i].path)) {
            if (!seen.contains(a)) {
                seen.insert(a);
                m_folders.push_back(a);
            }
        }
    }
}
