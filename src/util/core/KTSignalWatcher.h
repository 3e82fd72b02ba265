#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns Unix signals into a Qt signal on the thread that made the watcher:
// the handler only writes a byte to a self-pipe, which a socket notifier
// reads. One watcher per process at a time; it restores the default actions
// when it goes.
class KTSignalWatcher : public QObject
{
    Q_OBJECT
public:
    // restartCalls: system calls a signal interrupts resume (SA_RESTART)
    // rather than fail with EINTR, which a blocking prompt wants to see.
    KTSignalWatcher(std::initializer_list<int> watched, bool restartCalls, QObject *parent = nullptr);
    ~KTSignalWatcher() override;

    // Whether a watched signal has arrived in this process.
    static bool wasSignalled();

signals:
    void signalled();

private:
    QList<int> m_watched;
    QSocketNotifier *m_notifier = nullptr;
};
