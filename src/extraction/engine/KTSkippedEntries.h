#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <vector>

// The entries an extraction left out because they could not be written
// safely, each with why; the rest of the archive was extracted.
class KTSkippedEntries
{
public:
    struct Entry {
        QString name;
        KTExtractionError reason;
    };

    // Whether an entry that failed this way is left out while the others go
    // on: one that would land outside the folder, or a special file.
    static bool skipsOnlyTheEntry(const KTExtractionError &error);

    void add(const QString &name, const KTExtractionError &reason) { m_entries.push_back({name, reason}); }
    bool isEmpty() const { return m_entries.empty(); }
    int size() const { return int(m_entries.size()); }
    const std::vector<Entry> &entries() const { return m_entries; }

    // One translated line: how many were left out and why
    // ("2 entries were not extracted: they would have written outside the folder").
    QString summary() const;
    // One line per entry: its name and the detail of why; with a limit, at
    // most that many, then a line saying how many more there are.
    QStringList details(int limit = -1) const;

private:
    std::vector<Entry> m_entries;
};

Q_DECLARE_METATYPE(KTSkippedEntries)
