#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class KTPreferences;
class KTSignalWatcher;
class KTWindowController;

// Starts the application's one window. Owned by main.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(KTPreferences &preferences, QObject *parent = nullptr);
    ~AppDelegate() override;

    // Registers the default preferences, then makes and shows the window,
    // which removes scratch folders stranded by earlier runs; archives given
    // (from the command line) start a job as a drop would. SIGTERM and
    // SIGINT close the window from then on.
    void applicationDidFinishLaunching(const QStringList &archives = {});
    // After launching: asks for a folder and extracts the archive there.
    void extractAskingForFolder(const QString &archive);

    KTWindowController *mainWinController() const { return m_mainWinController.get(); }

private:
    KTPreferences &m_preferences;
    std::unique_ptr<KTWindowController> m_mainWinController;
    std::unique_ptr<KTSignalWatcher> m_terminationWatcher;
};
