#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM (as at logout) and SIGINT into a Qt signal on the GUI
// thread, so that the window closes as its close button does: the job
// cancelled, its scratch folder removed. One per process.
class KTTerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit KTTerminationWatcher(QObject *parent = nullptr);
    // Restores the default actions.
    ~KTTerminationWatcher() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
