#pragma once

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

class KTDiskWriter;

// Entries written under a name that is not yet their final one. A stream
// format (tar, cpio, ar, compressed or not) tells its names one entry at a
// time, so an entry is written under the best reading of its name so far;
// 7zz writes the names it cannot decode as their raw bytes. The entries
// written so are remembered here; once the encoding is decided, settle()
// renames each one whose final name differs. Everything happens in the
// private scratch folder before the result is moved into place.
class KTProvisionalNames
{
public:
    // An entry written at rel (as the writer was given it) under a guessed
    // reading of its raw name.
    void noteEntry(const QByteArray &raw, const QByteArray &rel);
    // A link at rel whose raw target was read with a guess too.
    void noteSymlink(const QByteArray &rel, const QByteArray &rawTarget);
    bool isEmpty() const { return m_entries.empty() && m_links.empty(); }

    // The path below the root the final decision gives a raw name; nullopt
    // when it cannot be written.
    using PathFor = std::function<std::optional<QByteArray>(const QByteArray &raw)>;
    // A link target as the final decision reads it, as UTF-8.
    using TargetFor = std::function<QByteArray(const QByteArray &rawTarget)>;
    // Renames what was written under a guess; a name already taken keeps
    // the guess, so nothing is replaced. Returns the number of moves made.
    int settle(KTDiskWriter &writer, const PathFor &pathFor, const TargetFor &targetFor) const;

private:
    struct Written {
        QByteArray raw;
        QByteArray rel;
    };
    std::vector<Written> m_entries;
    std::vector<Written> m_links;
};
