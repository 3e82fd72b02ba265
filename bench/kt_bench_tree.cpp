// Builds the extracted tree of one folder, as the extraction screen does, and
// prints what it cost: wall time, entries, and resident memory beyond the
// path strings' own bytes.
#include "browser/tree/KTFileDataCollection.h"

#include <QCoreApplication>
#include <QFile>

#include <chrono>
#include <cstdio>

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

struct Count {
    qint64 entries = 0;
    qint64 pathBytes = 0;
};

void count(const KTTreeNode &node, Count &total)
{
    const KTFileItem &item = node.representedObject();
    ++total.entries;
    total.pathBytes += (item.filePath().capacity() + item.fileName().capacity()) * qint64(sizeof(QChar));
    for (const auto &child : node.childNodes())
        count(*child, total);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kt-bench-tree FOLDER\n");
        return 2;
    }
    KTFileDataCollection &collection = KTFileDataCollection::shareInstance();
    collection.setDesPath(QFile::decodeName(argv[1]));
    const qint64 rssBefore = statusKiB("VmRSS");

    const auto start = std::chrono::steady_clock::now();
    const auto record = collection.fileData();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const qint64 peak = statusKiB("VmHWM");

    Count total;
    count(*collection.treeNode(), total);
    const double perEntry = double((peak - rssBefore) * 1024 - total.pathBytes) / double(total.entries);
    std::printf("seconds: %.4f entries: %lld size: %lld path-bytes: %lld peak-growth-kib: %lld bytes-per-entry: %.0f\n",
                seconds, static_cast<long long>(total.entries), static_cast<long long>(record->fileSize()),
                static_cast<long long>(total.pathBytes), static_cast<long long>(peak - rssBefore), perEntry);
    return 0;
}
