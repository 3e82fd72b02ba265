#include "extraction/zip/KTZipLocalReading.h"

#include <QFile>

#include <algorithm>

KTZipLocalReading::KTZipLocalReading(QString path, std::optional<KTZipDirectory> directory)
    : m_path(std::move(path))
    , m_directory(std::move(directory))
{
}

bool KTZipLocalReading::isWhole() const
{
    if (m_names.empty())
        return false;
    return m_directory ? describes(*m_directory) : someRunOfRecordsDescribes();
}

bool KTZipLocalReading::describes(const KTZipDirectory &directory) const
{
    const std::vector<KTZipRecord> &records = directory.records();
    if (records.size() != m_names.size())
        return false;
    for (size_t i = 0; i < records.size(); ++i) {
        const KTZipRecord &record = records[i];
        if (record.isSymlink() || (m_names[i] != record.name && m_names[i] != record.unicodeName))
            return false;
    }
    return true;
}

// The end record is gone or wrong: the directory's records may still be
// there, one after another. Runs that start inside an earlier run are not
// tried again, so the scan stays linear.
bool KTZipLocalReading::someRunOfRecordsDescribes() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return false;
    const qint64 size = file.size();
    const uchar *data = file.map(0, size);
    if (!data)
        return false;
    const char *begin = reinterpret_cast<const char *>(data);
    const char *end = begin + size;
    static const char signature[] = {'P', 'K', 1, 2};
    const char *at = begin;
    while ((at = std::search(at, end, std::begin(signature), std::end(signature))) != end) {
        const KTZipDirectory run = KTZipDirectory::parseRecords(at, end - at);
        if (describes(run))
            return true;
        at += std::max<qint64>(run.parsedSize(), 1);
    }
    return false;
}
