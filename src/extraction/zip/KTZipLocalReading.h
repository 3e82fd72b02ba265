#pragma once

#include "extraction/zip/KTZipDirectory.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

// A zip read from its local headers, one entry after another, because its
// central directory was missing or did not describe the file: the names
// read, and whether they were the whole archive.
//
// libarchive's reader of local headers checks each entry's CRC and sizes
// against its own header, but cannot tell a zip cut between two entries
// from a whole one, and skips bytes it cannot read as a header. A directory
// that lists exactly the entries read, in their order, closes that gap.
class KTZipLocalReading
{
public:
    // directory: the one found through the end record, if any.
    KTZipLocalReading(QString path, std::optional<KTZipDirectory> directory);

    // Each entry's raw name as its local header gives it, in archive order.
    void noteEntry(const QByteArray &rawName) { m_names.push_back(rawName); }

    // Whether a central directory (the one given, else a run of central
    // records found in the file) lists exactly the entries read, in order.
    bool isWhole() const;
    // Whether a directory lists this raw name as a symbolic link, which
    // local headers cannot tell from a file.
    bool isSymlink(const QByteArray &rawName) const { return m_symlinks.contains(rawName); }
    // Whether a directory was found through the end record.
    bool hadDirectory() const { return m_directory.has_value(); }

private:
    bool describes(const KTZipDirectory &directory) const;
    // Each run of central records in the file, one after another.
    std::vector<KTZipDirectory> runsOfRecords() const;

    QString m_path;
    std::optional<KTZipDirectory> m_directory;
    std::vector<KTZipDirectory> m_runs; // without a directory: the runs found by scanning
    QSet<QByteArray> m_symlinks;
    std::vector<QByteArray> m_names;
};
