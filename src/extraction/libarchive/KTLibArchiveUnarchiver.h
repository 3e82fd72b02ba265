#pragma once

#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/libarchive/KTEntryNames.h"
#include "extraction/libarchive/KTPassphraseHandout.h"
#include "extraction/libarchive/KTReadProgressGuard.h"
#include "extraction/libarchive/KTZipEntryPlanner.h"
#include "extraction/zip/KTZipDirectory.h"
#include "extraction/zip/KTZipLocalReading.h"

#include <memory>
#include <optional>
#include <vector>

struct archive;
struct archive_entry;
class KTDiskWriter;
class KTDecompressingSource;
class KTZipInflater;
class KTZeroTailSource;

// The unarchiver on libarchive: every format and filter libarchive reads.
//
// parse() opens the archive and reads its first header (and, for zip, the
// central directory: all names are known before extraction and are judged
// together for their encoding). unarchive() then reads the archive once,
// from that first header on: stream formats are decompressed one time only.
class KTLibArchiveUnarchiver : public KTUnarchiver
{
public:
    explicit KTLibArchiveUnarchiver(QString path);
    ~KTLibArchiveUnarchiver() override;

    KTExtractionError parse() override;
    KTExtractionError unarchive() override;

    // Threads that extract a zip: 1 extracts in archive order on the calling
    // thread; n > 1 uses n workers (at most 8) whatever the archive's size;
    // 0 decides by the archive and the cores. Defaults to the environment
    // variable KT_ZIP_WORKERS, read once per process, else 0.
    void setZipWorkers(int workers) { m_zipWorkers = workers; }

private:
    static int defaultZipWorkers();
    // Asks the delegate once when no password is set: the password's bytes, or nullopt.
    std::optional<QByteArray> passwordBytes();

    KTExtractionError readError(bool encryptedEntry = false) const;
    KTExtractionError openError() const;
    KTExtractionError encryptionUnsupported() const;
    KTExtractionError noProgress() const;
    bool isZip() const;
    // Opens the archive again with libarchive's reader of zip local headers,
    // which needs no central directory.
    KTExtractionError reopenAsStreamingZip();
    // archive_read_next_header(), stepping past headers that fail their checksum.
    int nextHeader(archive_entry **entry);
    // A file whose header declares no data: nothing to decode, as libarchive's
    // own extraction does; a zip entry only when its CRC agrees.
    bool declaresNoData(archive_entry *entry) const;
    KTExtractionError extractInOrder(KTDiskWriter &writer);
    // nullopt when the zip cannot be read side by side; then it goes in order.
    std::optional<KTExtractionError> extractZipInParallel(KTDiskWriter &writer, int workers);
    KTExtractionError extractEntry(archive_entry *entry, const KTArchiveEntry &info, const QByteArray &rel,
                                   KTDiskWriter &writer, qint64 &done);
    // Reads a zip entry's data as a link's target and makes the entry that link.
    KTExtractionError readAsSymlink(archive_entry *entry, const KTArchiveEntry &info);
    // inflatable: the zip entry's central record when KTZipInflater reads it.
    KTExtractionError writeFileData(const KTArchiveEntry &info, const KTZipRecord *inflatable, KTDiskWriter &writer,
                                    qint64 &done);
    void reportProgress(const KTArchiveEntry &info, qint64 fileDone, qint64 done);
    bool shouldStop();
    // Bytes of the archive file read so far.
    qint64 readPosition() const;

    QString m_path;
    std::unique_ptr<KTDecompressingSource> m_source; // outlives m_archive, which reads from it
    std::unique_ptr<KTZeroTailSource> m_zeroTail; // likewise, for a zip read from its local headers
    archive *m_archive = nullptr;
    archive_entry *m_firstEntry = nullptr; // read by parse(), extracted first by unarchive()
    bool m_parsed = false;
    int m_format = 0;
    qint64 m_totalSize = 0;
    bool m_progressByUncompressed = false;
    qint64 m_lastTotalDone = 0;
    qint64 m_archiveFileSize = 0;
    int m_archiveVolumeCount = 1;
    int m_zipWorkers = 0;

    std::optional<KTZipDirectory> m_zip;
    bool m_streamingZip = false;
    std::optional<KTZipLocalReading> m_zipLocal;
    bool m_passedDamagedHeader = false;
    std::unique_ptr<KTZipInflater> m_zipInflater;
    KTEntryNames m_names;
    KTZipEntryPlanner m_planner{m_names};

    KTReadProgressGuard m_progressGuard;

    bool m_askedForPassword = false;
    KTPassphraseHandout m_passphrase{[this] { return passwordBytes(); }};
};
