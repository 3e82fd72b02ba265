#pragma once

#include "app/window/KTPreferencesDialog.h"
#include "app/window/KTViewControllerDelegate.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class KTAboutDialog;
class KTJobAnnouncer;
class KTPreferences;
class KTUnarchiveResultViewController;
class KTUnarchiveViewController;
class KTViewController;
namespace Ui {
class KTWindowController;
}

// The main window: holds both screens for its whole life and shows one at a
// time inside baseView. Closing it stops a running job first.
class KTWindowController : public QMainWindow, public KTViewControllerDelegate
{
    Q_OBJECT
public:
    explicit KTWindowController(KTPreferences &preferences, QWidget *parent = nullptr);
    ~KTWindowController() override;

    QWidget *baseView() const;
    KTUnarchiveViewController *unarchiveViewController() const { return m_unarchiveViewController; }
    KTUnarchiveResultViewController *unarchiveResultViewController() const { return m_unarchiveResultViewController; }
    // The screen shown; null before the first switch.
    KTViewController *tempViewCter() const { return m_tempViewCter; }
    // File ▸ Preferences…, while it is open.
    KTPreferencesDialog *preferencesDialog() const { return m_preferencesDialog; }
    // What tells the desktop about jobs (notifications, taskbar progress).
    KTJobAnnouncer *jobAnnouncer() const { return m_jobAnnouncer; }

    // Help ▸ About, while it is open.
    KTAboutDialog *aboutDialog() const;
    void showAbout();

    void kt_Next(qint64 screen) override;
    void kt_ResizeWindowWithWidth(double width, double height) override;

public slots:
    void showPreferences();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void windowDidLoad();
    // Open Archive… is off while a job runs or the result is being moved.
    void updateOpenAction();
    // The minimum that shows both screens' texts uncut, within the screen.
    void updateMinimumSize();
    void initViewCters();
    void kt_AddSubView(KTViewController *screen);

    std::unique_ptr<Ui::KTWindowController> m_ui;
    KTPreferences &m_preferences;
    KTUnarchiveViewController *m_unarchiveViewController = nullptr;
    KTUnarchiveResultViewController *m_unarchiveResultViewController = nullptr;
    KTViewController *m_tempViewCter = nullptr;
    QPointer<KTPreferencesDialog> m_preferencesDialog;
    KTJobAnnouncer *m_jobAnnouncer = nullptr;
    QPointer<KTAboutDialog> m_aboutDialog;
    bool m_followsScreen = false;
};
