#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "extraction/zip/KTZipExtractionPlan.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

class KTDiskWriter;
class KTUnarchiver;
class KTUnarchiverDelegate;
class KTZipDirectory;
class KTZipEntryReader;

// Extracts the entries of a zip on several threads, with the outcome of the
// serial extraction.
//
// Each worker has its own reader on the archive and writes the files the
// plan gives it into their own paths. The calling thread walks the entries
// in archive order: it makes every delegate call (should/will/did-extract,
// progress, stop, the password question), extracts the entries the plan
// keeps for it, and takes each worker entry's result as its turn comes. The
// first failure in archive order ends the extraction; the files workers
// wrote for later entries are removed, and so are the folders made for them
// in advance that the serial extraction would not have made.
class KTParallelZipExtractor
{
public:
    // What the extraction needs from the unarchiver that runs it; all of it
    // is used on the calling thread only.
    struct Host {
        KTUnarchiver *unarchiver = nullptr;
        KTUnarchiverDelegate *delegate = nullptr;
        std::function<bool()> shouldStop;
        // An entry's bytes done, and the bytes written so far by all threads.
        std::function<void(const KTArchiveEntry &, qint64 fileDone, qint64 written)> progress;
        // Asks for the password if nobody has yet: its bytes, or nullopt.
        std::function<std::optional<QByteArray>()> password;
    };

    KTParallelZipExtractor(QString archivePath, qint64 archiveSize, const KTZipExtractionPlan &plan,
                           KTDiskWriter &writer, bool overwrite, Host host);
    // Stops and joins any worker still running.
    ~KTParallelZipExtractor();
    KTParallelZipExtractor(const KTParallelZipExtractor &) = delete;
    KTParallelZipExtractor &operator=(const KTParallelZipExtractor &) = delete;

    // Extracts every planned entry the delegate lets through; blocks until
    // all threads have ended. The first failure in archive order, if any.
    KTExtractionError run();
    // Bytes written by all threads.
    qint64 written() const { return m_written.load(); }

    // How many workers to use for a zip: requested when above 0 (1 means the
    // serial extraction); else as many as there are cores, at most 8, and
    // none (1) for a zip too small to gain from them.
    static int workersFor(const KTZipDirectory &zip, int requested);
    // The automatic choice for a zip of that many compressed bytes and
    // entries on that many cores: fewer workers, down to none, where their
    // readers would cost more memory than the budget allows.
    static int workerCount(quint64 compressedBytes, quint64 entries, int cores);

private:
    struct EntryState {
        bool done = false;
        bool written = false;  // its file is on disk
        bool declined = false; // the delegate said no: whatever is written goes
        KTExtractionError error;
    };

    // Makes the workers' folders, opens every reader and starts the workers;
    // the readers live until the workers are joined.
    std::vector<std::unique_ptr<KTZipEntryReader>> startWorkers();
    void work(int worker, KTZipEntryReader &reader, KTExtractionError broken);
    KTExtractionError writeFile(KTZipEntryReader &reader, KTDiskWriter &writer, const KTPlannedZipEntry &entry,
                                const std::function<bool(qint64)> &onBlock);
    void finishEntry(int index, const KTExtractionError &error, bool written);
    std::optional<QByteArray> passwordForWorker(int index);
    std::optional<QByteArray> passwordHere();
    KTExtractionError extractHere(int index);
    KTExtractionError waitForWorker(int index);
    void reportProgress(const KTArchiveEntry &entry, qint64 fileDone);
    void decline(int index);
    void stopWorkers();
    void removeUnwanted(size_t failedIndex, const std::vector<bool> &processed, bool linksMade);

    QString m_path;
    qint64 m_archiveSize;
    const KTZipExtractionPlan &m_plan;
    KTDiskWriter &m_writer;
    bool m_overwrite;
    Host m_host;
    std::unique_ptr<KTZipEntryReader> m_reader; // the calling thread's, when it has files to extract
    KTExtractionError m_readerError;            // once it fails, every later file fails alike
    std::vector<int> m_workerEntry;             // each worker's current entry, touched by that worker only
    qint64 m_reportedWritten = -1;

    std::vector<std::thread> m_threads;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_written{0};

    std::mutex m_mutex; // guards the members below
    std::condition_variable m_entryDone;      // the calling thread waits on it
    std::condition_variable m_passwordKnown;  // workers wait on it
    std::vector<EntryState> m_states;
    int m_awaited = -1;                       // the entry the calling thread waits for
    std::set<int> m_passwordWanted;           // entries whose worker waits for the password
    bool m_passwordAnswered = false;
    std::optional<QByteArray> m_password;
};
