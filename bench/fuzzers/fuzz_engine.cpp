// libFuzzer target: any bytes as an archive, through the libarchive backend
// with name decoding and encoding detection, extracted below a private
// folder in /dev/shm. Traps when anything appears beside the destination or
// a special file is made.
#include "extraction/backends/KTBackendChooser.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/names/KTEncodingDecision.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <ftw.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 OutputLimit = 32 * 1024 * 1024;

class FuzzDelegate : public KTUnarchiverDelegate
{
public:
    void simpleUnarchiverNeedsPassword(KTUnarchiver &u) override { u.setPassword(QStringLiteral("pw")); }
    QByteArray encodingNameForString(KTUnarchiver &, const KTArchiveString &s) override
    {
        return KTEncodingDecision::encodingNameFor(s, 0, 50);
    }
    bool shouldExtractEntry(KTUnarchiver &, const KTArchiveEntry &, const QString &) override { return true; }
    void willExtractEntry(KTUnarchiver &, const KTArchiveEntry &, const QString &) override {}
    void didExtractEntry(KTUnarchiver &, const KTArchiveEntry &, const QString &, const KTExtractionError &) override {}
    void extractionProgress(KTUnarchiver &, const KTArchiveEntry &, qint64, qint64 fileProgress, qint64, qint64) override
    {
        m_written = std::max(m_written, fileProgress);
    }
    // Bounds one run: a bomb is not a finding.
    bool extractionShouldStop(KTUnarchiver &) override { return m_written > OutputLimit; }

private:
    qint64 m_written = 0;
};

std::string g_root;

int removeEntry(const char *path, const struct stat *st, int, FTW *)
{
    if (!S_ISREG(st->st_mode) && !S_ISDIR(st->st_mode) && !S_ISLNK(st->st_mode))
        __builtin_trap(); // a device, FIFO or socket was made
    if (S_ISDIR(st->st_mode))
        ::chmod(path, 0700);
    return ::remove(path);
}

// Anything in the root but "dest" escaped the destination.
void checkRootHoldsOnlyDestination()
{
    struct stat st;
    if (::lstat((g_root + "/escape-canary").c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1)
        __builtin_trap();
    const std::string listing = g_root;
    if (DIR *d = ::opendir(listing.c_str())) {
        while (dirent *e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != ".." && name != "dest" && name != "escape-canary")
                __builtin_trap();
        }
        ::closedir(d);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char pattern[] = "/dev/shm/kt-fuzz-engine-XXXXXX";
    if (!::mkdtemp(pattern))
        std::abort();
    g_root = pattern;
    if (FILE *f = std::fopen((g_root + "/escape-canary").c_str(), "w"))
        std::fclose(f);
    std::atexit([] { ::nftw(g_root.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const int fd = ::memfd_create("archive", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != ssize_t(size))
        std::abort();
    const std::string dest = g_root + "/dest";
    ::mkdir(dest.c_str(), 0700);
    {
        KTExtractionError error;
        auto unarchiver = KTBackendChooser::unarchiverForPath(QStringLiteral("/proc/self/fd/%1").arg(fd), &error);
        FuzzDelegate delegate;
        if (unarchiver) {
            unarchiver->setDelegate(&delegate);
            if (unarchiver->parse().ok()) {
                unarchiver->setDestination(QFile::decodeName(QByteArray(dest.c_str())));
                // Any outcome will do; what it left on disk is checked below.
                (void)unarchiver->unarchive();
            }
        }
    }
    ::close(fd);
    checkRootHoldsOnlyDestination();
    ::nftw(dest.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    return 0;
}
