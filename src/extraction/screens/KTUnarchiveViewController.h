#pragma once

#include "app/core/KTPreferences.h"
#include "app/window/KTViewController.h"
#include "extraction/engine/KTExtractionError.h"
#include "extraction/job/KTExtractionJob.h"
#include "ui/KTScanProgressView.h"

#include <QFileDialog>
#include <QFutureWatcher>
#include <QPointer>
#include <QThreadPool>
#include <QVariant>

#include <memory>
#include <optional>

class KTDesktopHandoff;
class KTFileDataCollection;
class KTPasswordDialog;
namespace Ui {
class KTUnarchiveViewController;
}

// The first screen: takes an archive (dropped, picked or given on the
// command line), runs one extraction job at a time, follows it with the busy
// circle and the progress bar, asks for the password, and on success hands
// the result to the result screen; a failure ends in the error line.
class KTUnarchiveViewController : public KTViewController
{
    Q_OBJECT
public:
    explicit KTUnarchiveViewController(KTViewControllerDelegate *delegate = nullptr,
                                       KTPreferences &preferences = KTPreferences::standard(),
                                       QWidget *parent = nullptr);
    ~KTUnarchiveViewController() override;

    Ui::KTUnarchiveViewController &ui() const { return *m_ui; }
    KTExtractionJob &job() { return m_job; }
    KTPasswordDialog *passWdPanel() const { return m_passWdPanel; }
    KTScanProgressView *circleView() const { return m_circleView; }
    // The open dialog while it is shown.
    QFileDialog *openDialog() const { return m_openDialog; }
    // The folder question of extractAskingForFolder() while it is shown.
    QFileDialog *folderDialog() const { return m_folderDialog; }
    void setDesktopHandoff(KTDesktopHandoff *handoff) { m_desktop = handoff; }

    // Whether a job or the build of its tree is under way.
    bool isBusy() const { return m_busy; }

    // The open dialog's filter: the accepted extensions, both cases.
    static QString archiveNameFilter();

    // Closes the password dialog, cancels the job and waits for its thread
    // and for the tree build; called when the window closes.
    void shutDown();

    void kt_Status(bool running) override;

public slots:
    // "Extract To…": asks for a folder, then extracts the archive into it;
    // nothing happens when the question is cancelled.
    void extractAskingForFolder(const QString &archive);
    void kt_addFileButton();
    void gotoNext(const QVariant &paths);
    void updateProgress(const QVariant &fraction);
    void hiddenFields();
    void setCircle();
    void archiveFinished(const QString &desPath);
    void passwordErrorH(const KTExtractionError &error);
    void kt_Contact();
    // Stops the running job; the screen returns to idle.
    void kt_CancelJob();

signals:
    void busyChanged(bool busy);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void awakeFromNib();
    void viewWillAppear();
    void layoutCentredViews();
    // destinationFolder: chosen for this archive alone; empty for the job's
    // usual place (its temporary directory).
    void startJob(const QStringList &paths, const QString &destinationFolder = {});
    void restoreUsualDestination();
    void treeBuilt();
    void removeCircle();
    void setBusy(bool busy);
    // The error line with the cause beneath, its detail as the tooltip.
    void showFailure(const KTExtractionError &error);
    std::optional<QString> openPasswordPanel();

    std::unique_ptr<Ui::KTUnarchiveViewController> m_ui;
    KTPreferences &m_preferences;
    KTFileDataCollection &m_fileDataCollection;
    KTDesktopHandoff *m_desktop;
    KTPasswordDialog *m_passWdPanel;
    QPointer<KTScanProgressView> m_circleView;
    QPointer<QFileDialog> m_openDialog;
    QPointer<QFileDialog> m_folderDialog;
    // The job's usual place while a chosen folder replaces it.
    std::optional<QString> m_usualDestination;
    bool m_busy = false;
    bool m_shuttingDown = false;

    // The tree is built off the GUI thread, on a pool this screen owns.
    QThreadPool m_treePool;
    QFutureWatcher<void> m_treeBuild;
    KTExtractionJob m_job;
};
