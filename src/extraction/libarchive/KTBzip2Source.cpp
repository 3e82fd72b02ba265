#include "extraction/libarchive/KTBzip2Source.h"

#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

constexpr qsizetype OutBlockSize = 512 * 1024;

QString lbzip2Path()
{
    static const QString path = QStandardPaths::findExecutable(QStringLiteral("lbzip2"));
    return path;
}

} // namespace

KTBzip2Source::KTBzip2Source(QString path)
    : KTDecompressingSource(std::move(path), OutBlockSize)
{
}

KTBzip2Source::~KTBzip2Source()
{
    if (m_pipe >= 0)
        ::close(m_pipe);
    if (m_errors >= 0)
        ::close(m_errors);
    if (m_child > 0) {
        ::kill(m_child, SIGKILL);
        while (::waitpid(m_child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

bool KTBzip2Source::available()
{
    return !lbzip2Path().isEmpty();
}

bool KTBzip2Source::start()
{
    const QByteArray program = QFile::encodeName(lbzip2Path());
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const QByteArray threadArg = QByteArray::number(threads);
    int out[2];
    int err[2];
    if (program.isEmpty() || ::pipe2(out, O_CLOEXEC) != 0) {
        m_error = QStringLiteral("lbzip2 cannot start");
        return false;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        m_error = QStringLiteral("lbzip2 cannot start");
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inputDescriptor(), 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    // -d: decompress, -c: to standard output, -n: threads.
    char *argv[] = {const_cast<char *>(program.constData()), const_cast<char *>("-dc"), const_cast<char *>("-n"),
                    const_cast<char *>(threadArg.constData()), nullptr};
    const int r = ::posix_spawn(&m_child, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    m_pipe = out[0];
    m_errors = err[0];
    if (r != 0) {
        m_child = -1;
        m_error = QStringLiteral("lbzip2 cannot start: ") + QString::fromLocal8Bit(std::strerror(r));
        return false;
    }
    // The errors are read once the output has ended; lbzip2 writes a line or two.
    ::fcntl(m_errors, F_SETFL, O_NONBLOCK);
    return true;
}

qint64 KTBzip2Source::decodeSome(char *out, qsizetype capacity)
{
    if (m_ended)
        return 0;
    for (;;) {
        const ssize_t n = ::read(m_pipe, out, size_t(capacity));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_error = QStringLiteral("reading from lbzip2: ") + QString::fromLocal8Bit(std::strerror(errno));
            return -1;
        }
        if (n > 0) {
            // The child reads through this source's own descriptor, so its
            // offset is how far lbzip2 has read.
            noteCompressedPosition(qint64(::lseek(inputDescriptor(), 0, SEEK_CUR)));
            return n;
        }
        m_ended = true;
        return reap() ? 0 : -1;
    }
}

void KTBzip2Source::readChildErrors()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_errors, buffer, sizeof buffer);
        if (n <= 0 || m_errorText.size() > 64 * 1024)
            return;
        m_errorText.append(buffer, n);
    }
}

bool KTBzip2Source::reap()
{
    int status = 0;
    pid_t r;
    while ((r = ::waitpid(m_child, &status, 0)) < 0 && errno == EINTR) {
    }
    m_child = -1;
    readChildErrors();
    if (r > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    QString why = QString::fromLocal8Bit(m_errorText).trimmed().section(QLatin1Char('\n'), 0, 0);
    m_error = QStringLiteral("the bzip2 data is damaged") + (why.isEmpty() ? QString() : QStringLiteral(" (") + why + ')');
    return false;
}
