// A huge archive through the real window, offscreen: the longest stall of
// the GUI thread from the drop to the result screen, what opening the
// largest folder and going back cost it, and the process's peak memory.
//
// Usage:
//   kt-bench-window --make ARCHIVE ENTRIES FOLDERS   writes a zip (or, by its
//       extension, a .tar) of ENTRIES one-byte files spread over FOLDERS folders
//   kt-bench-window ARCHIVE WORKDIR                  the measurement; the
//       extraction goes to WORKDIR, which is emptied afterwards
#include "app/core/KTExtractDestination.h"
#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "browser/tree/KTFileDataCollection.h"
#include "browser/tree/KTTreeNode.h"
#include "extraction/job/KTExtractionJob.h"
#include "extraction/screens/KTUnarchiveViewController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>

namespace {

int makeArchive(const char *path, long entries, long folders)
{
    archive *a = archive_write_new();
    if (QByteArray(path).endsWith(".tar"))
        archive_write_set_format_pax_restricted(a);
    else
        archive_write_set_format_zip(a);
    if (archive_write_open_filename(a, path) != ARCHIVE_OK) {
        std::fprintf(stderr, "%s\n", archive_error_string(a));
        return 1;
    }
    archive_entry *entry = archive_entry_new();
    for (long i = 0; i < entries; ++i) {
        archive_entry_clear(entry);
        const QByteArray name = "huge/d" + QByteArray::number(i % folders) + "/f" + QByteArray::number(i) + ".txt";
        archive_entry_set_pathname(entry, name.constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, 1);
        archive_entry_set_mtime(entry, 1700000000, 0);
        if (archive_write_header(a, entry) != ARCHIVE_OK || archive_write_data(a, "x", 1) != 1) {
            std::fprintf(stderr, "%s\n", archive_error_string(a));
            return 1;
        }
    }
    archive_entry_free(entry);
    archive_write_close(a);
    archive_write_free(a);
    return 0;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The GUI thread's time on a CPU and waiting for one, in ns, from the
// scheduler's statistics: a stall is work, waiting for a CPU, or sleeping.
struct SchedTimes {
    qint64 running = 0;
    qint64 waiting = 0;
};

SchedTimes schedTimes()
{
    SchedTimes times;
    if (FILE *file = std::fopen("/proc/thread-self/schedstat", "r")) {
        long long running = 0;
        long long waiting = 0;
        if (std::fscanf(file, "%lld %lld", &running, &waiting) == 2)
            times = {running, waiting};
        std::fclose(file);
    }
    return times;
}

// Longest gap between two ticks of a 1 ms timer on the GUI thread, and
// what the thread did during it.
class StallProbe : public QObject
{
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (now - m_last >= 50'000'000)
                ++m_over50;
            const SchedTimes times = schedTimes();
            if (now - m_last > m_longest) {
                m_longest = now - m_last;
                m_longestEnd = now;
                m_longestRunning = times.running - m_lastTimes.running;
                m_longestWaiting = times.waiting - m_lastTimes.waiting;
            }
            m_last = now;
            m_lastTimes = times;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_over50 = 0;
        m_lastTimes = schedTimes();
        m_timer.start();
    }
    int gapsOver50Ms() const { return m_over50; }
    // Of the longest gap: ms spent running, and waiting for a CPU.
    double longestRunningMs() const { return double(m_longestRunning) / 1e6; }
    double longestWaitingMs() const { return double(m_longestWaiting) / 1e6; }
    // When the longest gap ended, in ms since start().
    double longestEndMs() const { return double(m_longestEnd) / 1e6; }
    double stopMs()
    {
        m_timer.stop();
        return double(m_longest) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_longestEnd = 0;
    int m_over50 = 0;
    SchedTimes m_lastTimes;
    qint64 m_longestRunning = 0;
    qint64 m_longestWaiting = 0;
};

const KTTreeNode *largestFolder(const KTTreeNode *node)
{
    const KTTreeNode *best = node;
    for (const auto &child : node->childNodes()) {
        const KTTreeNode *candidate = largestFolder(child.get());
        if (candidate->childCount() > best->childCount())
            best = candidate;
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && QByteArray(argv[1]) == "--make")
        return makeArchive(argv[2], std::atol(argv[3]), std::max(1L, std::atol(argv[4])));
    if (argc != 3) {
        std::fprintf(stderr, "usage: kt-bench-window --make ARCHIVE ENTRIES FOLDERS | ARCHIVE WORKDIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString archive = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString work = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    QDir().mkpath(work);

    auto preferences = KTPreferences::inMemory();
    preferences->registerApplicationDefaults();
    KTExtractDestination::store(*preferences, KTExtractDestination::Place::ChosenFolder, work);
    KTWindowController window(*preferences);
    window.show();
    KTUnarchiveViewController &first = *window.unarchiveViewController();
    KTUnarchiveResultViewController &second = *window.unarchiveResultViewController();

    int progressPosts = 0;
    QObject counter;
    KTNotificationCenter::defaultCenter().addObserver(&counter, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                      [&](const QVariant &) { ++progressPosts; });
    const long before = peakKiB();
    const size_t heapBefore = mallinfo2().uordblks;
    StallProbe probe;
    QElapsedTimer clock;
    clock.start();
    probe.start();
    KTNotificationCenter::defaultCenter().postNotification(QString::fromLatin1(KTNotificationCenter::FileDrop),
                                                           QVariant(QStringList{archive}));
    bool failed = false;
    QString cause;
    QObject::connect(&first.job(), &KTExtractionJob::passwordErrorH, &app, [&](const KTExtractionError &error) {
        failed = true;
        cause = error.cause();
    });
    double extractedAt = 0;
    QObject::connect(&first.job(), &KTExtractionJob::archiveFinished, &app,
                     [&] { extractedAt = double(clock.elapsed()) / 1000; });
    while (second.refreshCount() == 0 && !failed)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double dropStall = probe.stopMs();
    const double dropStallEnd = probe.longestEndMs();
    const int dropStallsOver50 = probe.gapsOver50Ms();
    const double dropStallRunning = probe.longestRunningMs();
    const double dropStallWaiting = probe.longestWaitingMs();
    const double total = double(clock.elapsed()) / 1000;
    if (failed) {
        std::fprintf(stderr, "the extraction failed: %s\n", qPrintable(cause));
        return 1;
    }

    // With the job done, what stays on the heap is the tree and the screens'
    // views of it.
    const double heapPerEntry = double(mallinfo2().uordblks - heapBefore);
    std::shared_ptr<const KTTreeNode> tree = KTFileDataCollection::shareInstance().treeNode();
    qint64 entries = 0;
    const std::function<void(const KTTreeNode &)> count = [&](const KTTreeNode &node) {
        ++entries;
        for (const auto &child : node.childNodes())
            count(*child);
    };
    count(*tree);
    const KTTreeNode *folder = largestFolder(tree.get());
    QTreeView *outline = second.kt_outlineView();
    probe.start();
    // Open the path down to the largest folder, then it, as a user would.
    std::vector<const KTTreeNode *> chain;
    for (const KTTreeNode *node = folder; node; node = node->parentNode())
        chain.insert(chain.begin(), node);
    QModelIndex index;
    for (const KTTreeNode *node : chain) {
        index = outline->model()->index(node == tree.get() ? 0 : int(node->row()), 0, index);
        outline->expand(index);
        QCoreApplication::processEvents();
    }
    outline->scrollTo(outline->model()->index(outline->model()->rowCount(index) - 1, 0, index));
    QCoreApplication::processEvents();
    const double expandStall = probe.stopMs();
    const qint64 largest = folder->childCount();
    chain.clear();
    folder = nullptr;
    tree.reset();

    probe.start();
    second.bakeToHome();
    QCoreApplication::processEvents();
    const double backStall = probe.stopMs();

    std::printf("archive: %s\n", qPrintable(QFileInfo(archive).fileName()));
    std::printf("drop-to-result-s: %.1f (extracted after %.1f s, then the tree)\n", total, extractedAt);
    std::printf("gui-stall-drop-to-result-ms: %.1f (ending %.1f s after the drop; %d gaps of 50 ms or more)"
                "   target <= 50\n",
                dropStall, dropStallEnd / 1000, dropStallsOver50);
    std::printf("  of which running: %.1f ms, waiting for a CPU: %.1f ms, the rest asleep\n", dropStallRunning,
                dropStallWaiting);
    std::printf("progress-posts: %d\n", progressPosts);
    std::printf("largest-folder-entries: %lld\n", largest);
    std::printf("gui-stall-open-largest-folder-ms: %.1f\n", expandStall);
    std::printf("gui-stall-back-ms: %.1f\n", backStall);
    std::printf("tree-entries: %lld, heap kept with the result: %.0f bytes per entry\n", entries,
                heapPerEntry / double(entries));
    std::printf("peak-rss-mib: %.0f (before the drop: %.0f)\n", double(peakKiB()) / 1024, double(before) / 1024);
    QDir(work).removeRecursively();
    return 0;
}
