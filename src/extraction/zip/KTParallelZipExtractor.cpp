#include "extraction/zip/KTParallelZipExtractor.h"

#include "extraction/disk/KTDiskWriter.h"
#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/engine/KTSkippedEntries.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/libarchive/KTUtf8LocaleScope.h"
#include "extraction/zip/KTZipDirectory.h"
#include "extraction/zip/KTZipEntryReader.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <chrono>
#include <tuple>
#include <unistd.h>

namespace {

constexpr int MaxWorkers = 8;
// Below this much compressed data, starting readers and threads wins
// nothing worth having: 250 small files in 0.9 MB took 54 ms on two threads
// against 85 ms on one; a few large files of 1 to 8 MB took the same time.
constexpr quint64 MinParallelBytes = 1024 * 1024;
constexpr size_t MinParallelEntries = 2;
// Small files are made by the kernel more than decompressed by us, and two
// threads making files in the same folders contend there: 20,000 files of
// about 900 compressed bytes took 1.68 s on two threads against 1.47 s on
// one. Workers only where entries average at least this much.
constexpr quint64 MinParallelAverageBytes = 16 * 1024;
// What the parallel path costs beyond the serial one, per entry of the
// archive: the plan's record, and each worker's reader, which holds the whole
// central directory (measured: 1,000,000 entries took 1.3 GB at the peak on
// two workers, 0.7 GB serially). Past the budget fewer workers, or none.
constexpr quint64 PlanBytesPerEntry = 250;
constexpr quint64 ReaderBytesPerEntry = 200;
constexpr quint64 ExtraMemoryBudget = 256ull * 1024 * 1024;
// How often the calling thread looks for a cancel and posts progress while
// it waits for a worker.
constexpr std::chrono::milliseconds PollInterval{20};

void addAncestors(const QByteArray &path, bool withItself, QSet<QByteArray> &into)
{
    for (int slash = path.indexOf('/'); slash >= 0; slash = path.indexOf('/', slash + 1))
        into.insert(path.left(slash));
    if (withItself)
        into.insert(path);
}

} // namespace

KTParallelZipExtractor::KTParallelZipExtractor(QString archivePath, qint64 archiveSize, const KTZipExtractionPlan &plan,
                                               KTDiskWriter &writer, bool overwrite, Host host)
    : m_path(std::move(archivePath))
    , m_archiveSize(archiveSize)
    , m_plan(plan)
    , m_writer(writer)
    , m_overwrite(overwrite)
    , m_host(std::move(host))
{
}

KTParallelZipExtractor::~KTParallelZipExtractor()
{
    stopWorkers();
}

int KTParallelZipExtractor::workersFor(const KTZipDirectory &zip, int requested)
{
    if (requested > 0)
        return std::min(requested, MaxWorkers);
    quint64 compressed = 0;
    for (const KTZipRecord &record : zip.records())
        compressed += record.compressedSize;
    return workerCount(compressed, zip.records().size(), int(std::thread::hardware_concurrency()));
}

int KTParallelZipExtractor::workerCount(quint64 compressedBytes, quint64 entries, int cores)
{
    if (compressedBytes < MinParallelBytes || entries < MinParallelEntries
        || compressedBytes / entries < MinParallelAverageBytes)
        return 1;
    const quint64 perEntry = ExtraMemoryBudget / entries;
    const quint64 affordable = perEntry > PlanBytesPerEntry ? (perEntry - PlanBytesPerEntry) / ReaderBytesPerEntry : 0;
    if (affordable < 2)
        return 1;
    return std::clamp(cores, 1, int(std::min<quint64>(affordable, MaxWorkers)));
}

KTExtractionError KTParallelZipExtractor::run()
{
    const auto &entries = m_plan.entries();
    {
        std::lock_guard lock(m_mutex);
        m_states.assign(entries.size(), EntryState{});
    }
    std::vector<std::unique_ptr<KTZipEntryReader>> readers = startWorkers();

    KTUnarchiverDelegate *delegate = m_host.delegate;
    std::vector<bool> processed(entries.size(), false);
    bool declined = false;
    size_t failedIndex = entries.size();
    KTExtractionError result;
    for (size_t i = 0; i < entries.size(); ++i) {
        const KTPlannedZipEntry &e = entries[i];
        const bool onWorker = m_plan.ownerOf(int(i)) != KTZipExtractionPlan::CallingThread;
        if (m_host.shouldStop && m_host.shouldStop()) {
            result = KTExtractionError::make(KTErrorCode::Cancelled);
            failedIndex = i;
            break;
        }
        const QString to = e.path ? QFile::decodeName(m_writer.root() + '/' + *e.path) : QString();
        if (delegate && !delegate->shouldExtractEntry(*m_host.unarchiver, e.info, to)) {
            if (onWorker)
                decline(int(i));
            declined = declined || onWorker;
            continue;
        }
        if (delegate)
            delegate->willExtractEntry(*m_host.unarchiver, e.info, to);
        processed[i] = true;
        KTExtractionError error = KTPathSanitizer::unwritable(e.info.name, e.path, e.refusal, e.info.isDirectory);
        if (error.ok())
            error = onWorker ? waitForWorker(int(i)) : extractHere(int(i));
        if (delegate)
            delegate->didExtractEntry(*m_host.unarchiver, e.info, to, error);
        if (error.failed() && !KTSkippedEntries::skipsOnlyTheEntry(error)) {
            result = error;
            failedIndex = i;
            break;
        }
        reportProgress(e.info, e.info.size);
    }

    stopWorkers();
    readers.clear();
    if (failedIndex < entries.size() || declined)
        removeUnwanted(failedIndex, processed, result.ok());
    return result;
}

std::vector<std::unique_ptr<KTZipEntryReader>> KTParallelZipExtractor::startWorkers()
{
    const auto &entries = m_plan.entries();
    // Folders first, so that workers never race on one. A failure here is
    // not one yet: the first file inside a folder that cannot be made fails
    // when its turn comes, as it would serially.
    for (size_t i = 0; i < entries.size(); ++i) {
        if (m_plan.ownerOf(int(i)) != KTZipExtractionPlan::CallingThread)
            std::ignore = m_writer.makeParentsOf(*entries[i].path);
    }
    // Every reader opens the file now, as the serial reader did at the
    // start: the archive may be replaced or removed while a password is asked.
    std::vector<std::unique_ptr<KTZipEntryReader>> readers;
    std::vector<KTExtractionError> openErrors;
    m_workerEntry.assign(size_t(m_plan.workerCount()), -1);
    for (int w = 0; w < m_plan.workerCount(); ++w) {
        readers.push_back(std::make_unique<KTZipEntryReader>(m_path, m_archiveSize, [this, w] {
            return passwordForWorker(m_workerEntry[size_t(w)]);
        }));
        openErrors.push_back(readers.back()->open());
    }
    const bool filesHere = std::any_of(entries.begin(), entries.end(), [&](const KTPlannedZipEntry &e) {
        return e.kind == KTPlannedZipEntry::Kind::File && m_plan.ownerOf(e.info.index) == KTZipExtractionPlan::CallingThread;
    });
    if (filesHere) {
        m_reader = std::make_unique<KTZipEntryReader>(m_path, m_archiveSize, [this] { return passwordHere(); });
        m_readerError = m_reader->open();
    }
    for (int w = 0; w < m_plan.workerCount(); ++w) {
        m_threads.emplace_back([this, w, reader = readers[size_t(w)].get(), error = openErrors[size_t(w)]] {
            work(w, *reader, error);
        });
    }
    return readers;
}

void KTParallelZipExtractor::work(int worker, KTZipEntryReader &reader, KTExtractionError broken)
{
    KTUtf8LocaleScope locale;
    KTDiskWriter writer(m_writer.root(), m_overwrite);
    const auto onBlock = [this](qint64 size) {
        m_written.fetch_add(size);
        return !m_stop.load();
    };
    // A reader that cannot go on fails every entry it still has.
    for (int i = 0; i <= m_plan.lastIndexOf(worker); ++i) {
        if (m_plan.ownerOf(i) != worker)
            continue;
        if (m_stop.load())
            return;
        const KTPlannedZipEntry &entry = m_plan.entries()[size_t(i)];
        bool declined = false;
        {
            std::lock_guard lock(m_mutex);
            declined = m_states[size_t(i)].declined;
        }
        if (broken.ok() && !declined)
            broken = reader.moveTo(i, entry.rawName);
        if (broken.failed() || declined) {
            finishEntry(i, broken, false);
            continue;
        }
        m_workerEntry[size_t(worker)] = i;
        const KTExtractionError error = writeFile(reader, writer, entry, onBlock);
        finishEntry(i, error, error.ok());
    }
}

KTExtractionError KTParallelZipExtractor::writeFile(KTZipEntryReader &reader, KTDiskWriter &writer,
                                                    const KTPlannedZipEntry &entry,
                                                    const std::function<bool(qint64)> &onBlock)
{
    if (auto error = writer.beginFile(*entry.path, entry.perm); error.failed())
        return error;
    if (auto error = reader.copyData(writer, entry.info.isEncrypted, entry.inflatable, onBlock); error.failed()) {
        writer.abortFile();
        return error;
    }
    return writer.finishFile(entry.mtime);
}

void KTParallelZipExtractor::finishEntry(int index, const KTExtractionError &error, bool written)
{
    std::lock_guard lock(m_mutex);
    EntryState &state = m_states[size_t(index)];
    state.done = true;
    state.written = written;
    state.error = error;
    // Waking the calling thread for every small file costs more than the
    // file: it is woken when a worker hands over, at the end of a run of its
    // entries or at a failure, once the entry it waits for is done.
    const bool handsOver = error.failed() || size_t(index) + 1 == m_states.size() || m_plan.ownerOf(index + 1) != m_plan.ownerOf(index);
    if (handsOver && m_awaited >= 0 && m_states[size_t(m_awaited)].done)
        m_entryDone.notify_one();
}

// A worker's entry needs the password. It is asked for only when the
// calling thread reaches that entry in archive order, as the serial
// extraction would, and only once; every other worker uses that answer.
std::optional<QByteArray> KTParallelZipExtractor::passwordForWorker(int index)
{
    std::unique_lock lock(m_mutex);
    if (!m_passwordAnswered) {
        m_passwordWanted.insert(index);
        m_entryDone.notify_one();
        m_passwordKnown.wait(lock, [&] {
            return m_passwordAnswered || m_stop.load() || m_states[size_t(index)].declined;
        });
        m_passwordWanted.erase(index);
    }
    return m_passwordAnswered ? m_password : std::nullopt;
}

std::optional<QByteArray> KTParallelZipExtractor::passwordHere()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_passwordAnswered)
            return m_password;
    }
    std::optional<QByteArray> answer = m_host.password ? m_host.password() : std::nullopt;
    std::lock_guard lock(m_mutex);
    m_password = answer;
    m_passwordAnswered = true;
    m_passwordKnown.notify_all();
    return answer;
}

KTExtractionError KTParallelZipExtractor::waitForWorker(int index)
{
    const KTPlannedZipEntry &entry = m_plan.entries()[size_t(index)];
    std::unique_lock lock(m_mutex);
    m_awaited = index;
    const auto passwordWanted = [&] { return !m_passwordAnswered && m_passwordWanted.count(index) > 0; };
    const auto ready = [&] { return m_states[size_t(index)].done || passwordWanted(); };
    for (;;) {
        if (m_states[size_t(index)].done)
            return m_states[size_t(index)].error;
        const bool askPassword = passwordWanted();
        lock.unlock();
        if (askPassword)
            passwordHere();
        if (m_host.shouldStop && m_host.shouldStop())
            return KTExtractionError::make(KTErrorCode::Cancelled);
        reportProgress(entry.info, 0);
        lock.lock();
        m_entryDone.wait_for(lock, PollInterval, ready);
    }
}

KTExtractionError KTParallelZipExtractor::extractHere(int index)
{
    const KTPlannedZipEntry &e = m_plan.entries()[size_t(index)];
    switch (e.kind) {
    case KTPlannedZipEntry::Kind::Hardlink:
        if (!e.hardlinkTarget)
            return KTExtractionError::make(KTErrorCode::UnsafeEntry, e.info.name + QStringLiteral(": ") + e.linkRefusal);
        return m_writer.makeHardLink(*e.path, *e.hardlinkTarget);
    case KTPlannedZipEntry::Kind::Directory:
        return m_writer.makeDirectory(*e.path, e.perm, e.mtime);
    case KTPlannedZipEntry::Kind::Symlink:
        if (e.linkTarget.isEmpty())
            return KTExtractionError::make(KTErrorCode::Damaged, e.info.name + QStringLiteral(": a link without a target"));
        return m_writer.deferSymlink(*e.path, e.linkTarget, e.mtime);
    case KTPlannedZipEntry::Kind::Special:
        return KTExtractionError::make(KTErrorCode::SpecialFile, e.info.name + QStringLiteral(" is a device, FIFO or socket"));
    case KTPlannedZipEntry::Kind::File:
        break;
    }
    if (m_readerError.ok())
        m_readerError = m_reader->moveTo(index, e.rawName);
    if (m_readerError.failed())
        return m_readerError;
    qint64 fileDone = 0;
    return writeFile(*m_reader, m_writer, e, [&](qint64 size) {
        m_written.fetch_add(size);
        fileDone += size;
        reportProgress(e.info, fileDone);
        return !(m_host.shouldStop && m_host.shouldStop());
    });
}

// Workers run ahead of the calling thread: once they have written
// everything, the same total would go out again for every entry taken in.
void KTParallelZipExtractor::reportProgress(const KTArchiveEntry &entry, qint64 fileDone)
{
    const qint64 written = m_written.load();
    if (!m_host.progress || written == m_reportedWritten)
        return;
    m_reportedWritten = written;
    m_host.progress(entry, fileDone, written);
}

void KTParallelZipExtractor::decline(int index)
{
    std::lock_guard lock(m_mutex);
    m_states[size_t(index)].declined = true;
    m_passwordKnown.notify_all();
}

void KTParallelZipExtractor::stopWorkers()
{
    m_stop = true;
    {
        std::lock_guard lock(m_mutex);
        m_passwordKnown.notify_all();
    }
    for (std::thread &t : m_threads) {
        if (t.joinable())
            t.join();
    }
    m_threads.clear();
}

// After a failure or a declined entry: take away what workers wrote that
// the serial extraction would not have, files first, then the folders made
// for them in advance (deepest first; one that holds anything stays).
void KTParallelZipExtractor::removeUnwanted(size_t failedIndex, const std::vector<bool> &processed, bool linksMade)
{
    const auto &entries = m_plan.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const EntryState &state = m_states[i];
        if (state.written && (state.declined || i >= failedIndex))
            ::unlink((m_writer.root() + '/' + *entries[i].path).constData());
    }
    // Serially, a folder is made by the first entry inside it that is
    // extracted (a link's only when links are made).
    QSet<QByteArray> needed;
    for (size_t i = 0; i < entries.size(); ++i) {
        const KTPlannedZipEntry &e = entries[i];
        if (!processed[i] || !e.path || e.kind == KTPlannedZipEntry::Kind::Special)
            continue;
        if (e.kind == KTPlannedZipEntry::Kind::Symlink && !linksMade)
            continue;
        addAncestors(*e.path, e.kind == KTPlannedZipEntry::Kind::Directory, needed);
    }
    const auto &folders = m_plan.folders();
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        if (!needed.contains(*it))
            ::rmdir((m_writer.root() + '/' + *it).constData());
    }
}
