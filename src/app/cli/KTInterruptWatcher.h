#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the main thread, so
// that an interrupted command line can cancel its job and clean up.
class KTInterruptWatcher : public QObject
{
    Q_OBJECT
public:
    explicit KTInterruptWatcher(QObject *parent = nullptr);
    ~KTInterruptWatcher() override;

    static bool wasInterrupted();

signals:
    void interrupted();

private:
    QSocketNotifier *m_notifier = nullptr;
};
