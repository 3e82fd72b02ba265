#pragma once

#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/disk/KTProvisionalNames.h"
#include "extraction/names/KTEncodingDetector.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <vector>

struct archive_entry;
class KTDiskWriter;
class KTZipDirectory;
struct KTZipRecord;

// The names of one archive's entries as libarchive hands them out, decoded.
//
// A name whose format says how it is encoded (7z, xar, RAR 5, pax, zip's
// UTF-8 flag or Unicode path field) is read that way. Any other goes
// through detection over every name known so far and then the encoding the
// delegate chooses. A zip's directory or a read ahead gives all names before
// the first entry; a stream's names come one at a time, so each entry is
// written under the best reading so far and settle() renames it once every
// name is known.
class KTEntryNames
{
public:
    using EncodingChooser = std::function<QByteArray(const KTArchiveString &)>;

    KTEntryNames(QString archivePath, EncodingChooser chooseEncoding);

    // libarchive's archive_format() once the first header is read.
    void setFormat(int format) { m_format = format; }
    // A zip's central directory, which outlives this: its flagged names are
    // decided, and the others are judged together now.
    void useZipDirectory(const KTZipDirectory &directory);
    // Reads every name of an uncompressed tar, cpio or ar file with a second
    // reader, which seeks past the data, and judges them together.
    void readAhead();

    struct Named {
        KTArchiveEntry info;
        KTPathSanitizer::Result path; // below the root, or why it cannot be written
        QByteArray provisionalRaw;    // the raw name, when its reading is a guess
    };
    Named name(archive_entry *entry, int index, int maxPath);
    // A symbolic link's target as UTF-8 bytes.
    QByteArray symlinkTarget(const char *target);
    // A hard link's target below the root, or why it is refused.
    KTPathSanitizer::Result hardlinkTarget(const char *target, int maxPath);

    // Whether names are read one at a time and reconsidered by settle().
    bool settleLater() const;
    // An entry written at rel under a guessed reading of its name.
    void noteGuessedEntry(const QByteArray &raw, const QByteArray &rel) { m_provisional.noteEntry(raw, rel); }
    // A link written at rel whose raw target may have been read with a guess.
    void noteSymlink(const QByteArray &rel, const char *rawTarget);
    // Renames what was written under a guess, now that every name is known.
    void settle(KTDiskWriter &writer);

    // The zip's record for a raw name, and whether two entries share it.
    const KTZipRecord *zipRecord(const QByteArray &raw) const { return m_zipNames.value(raw); }
    bool isRepeatedZipName(const QByteArray &raw) const { return m_repeatedZipNames.contains(raw); }

private:
    struct Decoded {
        QString name;
        bool backslashSeparates = false;
        QByteArray provisionalRaw;
    };
    bool isZip() const;
    bool storesUnicodeNames() const;
    Decoded decode(archive_entry *entry);
    QString decodeRaw(const QByteArray &raw, bool decided);
    // The delegate's reading of a raw name under the detection so far.
    QString decodeUndecided(const QByteArray &raw);
    void noteUndecided(const QByteArray &raw);
    // The name of the next entry that has none: the archive's, numbered from the second.
    QString nameForNameless();

    QString m_path;
    EncodingChooser m_chooseEncoding;
    int m_format = 0;
    bool m_hasZipDirectory = false;
    QHash<QByteArray, const KTZipRecord *> m_zipNames;
    QSet<QByteArray> m_repeatedZipNames;
    KTDetectedEncoding m_detected;
    std::vector<QByteArray> m_undecided;
    size_t m_nextDetectionAt = 1;
    size_t m_detectedOver = 0;
    KTProvisionalNames m_provisional;
    bool m_readAhead = false;
    int m_namelessEntries = 0;
};
