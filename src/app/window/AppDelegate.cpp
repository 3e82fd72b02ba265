#include "app/window/AppDelegate.h"

#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "app/window/KTWindowController.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "util/core/KTSignalWatcher.h"
#include "util/core/KTUtility.h"

#include <QApplication>
#include <QFileInfo>

#include <csignal>

AppDelegate::AppDelegate(KTPreferences &preferences, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
{
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching(const QStringList &archives)
{
    // Before any screen reads them: the encoding pop-up must show what the
    // job will use.
    m_preferences.registerApplicationDefaults();
    QApplication::setQuitOnLastWindowClosed(true);

    m_mainWinController = std::make_unique<KTWindowController>(m_preferences);
    m_mainWinController->show();
    m_mainWinController->unarchiveViewController()->removeStrandedScratchFolders();
    // SIGTERM (as at logout) and SIGINT close the window as its close button does.
    m_terminationWatcher = std::make_unique<KTSignalWatcher>(std::initializer_list<int>{SIGTERM, SIGINT}, true);
    connect(m_terminationWatcher.get(), &KTSignalWatcher::signalled, m_mainWinController.get(),
            &QWidget::close);

    if (!archives.isEmpty()) {
        QStringList paths;
        for (const QString &archive : archives)
            paths << QFileInfo(archive).absoluteFilePath();
        KTUtility::kt_doPerformNotification(QString::fromLatin1(KTNotificationCenter::FileDrop), QVariant(paths));
    }
}

void AppDelegate::extractAskingForFolder(const QString &archive)
{
    m_mainWinController->unarchiveViewController()->extractAskingForFolder(QFileInfo(archive).absoluteFilePath());
}
