#include "extraction/zip/KTZipLocalReading.h"

#include <QFile>

#include <algorithm>

KTZipLocalReading::KTZipLocalReading(QString path, std::optional<KTZipDirectory> directory)
    : m_path(std::move(path))
    , m_directory(std::move(directory))
{
    if (!m_directory)
        m_runs = runsOfRecords();
    const auto noteLinks = [this](const KTZipDirectory &listing) {
        for (const KTZipRecord &record : listing.records()) {
            if (record.isSymlink())
                m_symlinks << record.name << record.unicodeName;
        }
    };
    if (m_directory)
        noteLinks(*m_directory);
    for (const KTZipDirectory &run : m_runs)
        noteLinks(run);
    m_symlinks.remove(QByteArray());
}

bool KTZipLocalReading::isWhole() const
{
    if (m_names.empty())
        return false;
    if (m_directory)
        return describes(*m_directory);
    return std::any_of(m_runs.begin(), m_runs.end(), [this](const KTZipDirectory &run) { return describes(run); });
}

bool KTZipLocalReading::describes(const KTZipDirectory &directory) const
{
    const std::vector<KTZipRecord> &records = directory.records();
    if (records.size() != m_names.size())
        return false;
    for (size_t i = 0; i < records.size(); ++i) {
        const KTZipRecord &record = records[i];
        if (m_names[i] != record.name && m_names[i] != record.unicodeName)
            return false;
    }
    return true;
}

// The end record is gone or wrong: the directory's records may still be
// there, one after another. Runs that start inside an earlier run are not
// tried again, so the scan stays linear.
std::vector<KTZipDirectory> KTZipLocalReading::runsOfRecords() const
{
    std::vector<KTZipDirectory> runs;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return runs;
    const qint64 size = file.size();
    const uchar *data = file.map(0, size);
    if (!data)
        return runs;
    const char *begin = reinterpret_cast<const char *>(data);
    const char *end = begin + size;
    static const char signature[] = {'P', 'K', 1, 2};
    const char *at = begin;
    while ((at = std::search(at, end, std::begin(signature), std::end(signature))) != end) {
        KTZipDirectory run = KTZipDirectory::parseRecords(at, end - at);
        at += std::max<qint64>(run.parsedSize(), 1);
        if (!run.records().empty())
            runs.push_back(std::move(run));
    }
    return runs;
}
