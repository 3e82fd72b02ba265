#pragma once

#include "app/core/KTPreferences.h"
#include "app/window/KTViewController.h"
#include "extraction/engine/KTExtractionError.h"
#include "extraction/job/KTExtractionJob.h"
#include "extraction/screens/KTArchiveChooser.h"
#include "extraction/screens/KTFailureNotice.h"
#include "extraction/screens/KTJobRerun.h"
#include "extraction/screens/KTProgressTracker.h"
#include "extraction/screens/KTUnarchiveLayout.h"
#include "ui/KTScanProgressView.h"

#include <QFileDialog>
#include <QFutureWatcher>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
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
    // The quiet line under the bar: amount read and time left.
    QLabel *amountLine() const { return m_progress.amountLine(); }
    // "12% — photos.zip" while a job runs, else empty.
    QString progressTitle() const { return m_progress.title(); }
    // The open dialog while it is shown.
    QFileDialog *openDialog() const { return m_chooser.openDialog(); }
    // Shown under a wrong or missing password: runs the same archive again.
    QPushButton *tryAgainButton() const { return m_failure->tryAgainButton(); }
    // The folder question of extractAskingForFolder() while it is shown.
    QFileDialog *folderDialog() const { return m_chooser.folderDialog(); }
    void setDesktopHandoff(KTDesktopHandoff *handoff) { m_desktop = handoff; }

    // Whether a job or the build of its tree is under way.
    bool isBusy() const { return m_busy; }

    // Gives "Choose an Archive…" the focus when it can take it.
    void focusStart();

    // Closes the password dialog, cancels the job and waits for its thread
    // and for the tree build; called when the window closes. What a failed
    // job left goes too, unless the result screen shows it.
    void shutDown();
    // Removes, off the GUI thread, the scratch folders in the temporary
    // folder that no job of any process holds (left by a crash or a kill).
    void removeStrandedScratchFolders();
    // How many the last such removal took; -1 while it runs or before.
    int strandedScratchFoldersRemoved() const;

    void kt_Status(bool running) override;
    // Room for the centred views and the bottom row with their texts.
    QSize minimumSizeHint() const override;

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
    // After a failure from damage: shows what was read before it on the
    // result screen, marked incomplete.
    void showPartialResult();
    // Extracts the archive whose password was wrong or missing again, asking
    // for the password anew.
    void kt_TryAgain();
    // Extracts the archive of the result shown again with "Detect
    // automatically"; that result is removed only once the new one is in,
    // and shown again when the new attempt fails or is cancelled.
    void readNamesAgainWithDetection();

signals:
    void busyChanged(bool busy);
    // What the window's title should say; empty for its own title.
    void progressTitleChanged(const QString &title);
    // The job's progress while one runs: 0 to 1 extracting, to 1.2 reading the result.
    void progressChanged(double fraction);
    // A job ended on screen: error is ok when the result screen shows it,
    // else its cause. Not emitted for a cancel.
    void jobEnded(const QString &archivePath, const KTExtractionError &error);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Esc cancels the running job.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void awakeFromNib();
    void viewWillAppear();
    void layoutCentredViews();
    void startJob(const KTJobRerun::Start &start);
    void buildTree(const QString &desPath);
    void treeBuilt();
    void removeCircle();
    void setBusy(bool busy);
    void hideProgress();
    // The error line with the cause beneath, its detail as the tooltip.
    void showFailure(const KTExtractionError &error);
    std::optional<QString> openPasswordPanel();
    bool showsFailedScratchFolder() const;

    std::unique_ptr<Ui::KTUnarchiveViewController> m_ui;
    KTPreferences &m_preferences;
    KTFileDataCollection &m_fileDataCollection;
    KTDesktopHandoff *m_desktop;
    KTPasswordDialog *m_passWdPanel;
    QPointer<KTScanProgressView> m_circleView;
    KTArchiveChooser m_chooser;
    KTProgressTracker m_progress;
    std::unique_ptr<KTFailureNotice> m_failure;
    std::unique_ptr<KTUnarchiveLayout> m_layout;
    bool m_busy = false;
    bool m_shuttingDown = false;

    // The tree is built off the GUI thread, on a pool this screen owns.
    QThreadPool m_treePool;
    QFutureWatcher<void> m_treeBuild;
    QFuture<int> m_sweep;
    KTExtractionJob m_job;
    KTJobRerun m_rerun;
};
