#include "util/core/KTSignalWatcher.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int s_pipe[2] = {-1, -1};
std::atomic<bool> s_signalled{false};

// Only async-signal-safe calls here: a flag and a write to the self-pipe.
void onSignal(int)
{
    s_signalled.store(true);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(s_pipe[1], &byte, 1);
}

void setAction(const QList<int> &watched, void (*handler)(int), int flags)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    for (int sig : watched)
        ::sigaction(sig, &action, nullptr);
}

} // namespace

KTSignalWatcher::KTSignalWatcher(std::initializer_list<int> watched, bool restartCalls, QObject *parent)
    : QObject(parent)
    , m_watched(watched)
{
    if (s_pipe[0] < 0 && ::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(s_pipe[0], buffer, sizeof buffer) > 0) {
        }
        emit signalled();
    });
    setAction(m_watched, onSignal, restartCalls ? SA_RESTART : 0);
}

KTSignalWatcher::~KTSignalWatcher()
{
    setAction(m_watched, SIG_DFL, 0);
}

bool KTSignalWatcher::wasSignalled()
{
    return s_signalled.load();
}
