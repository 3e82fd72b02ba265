#include "extraction/screens/KTUnarchiveViewController.h"

#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTExtractDestination.h"
#include "app/core/KTNotificationCenter.h"
#include "app/window/KTDesktopHandoff.h"
#include "app/window/KTViewControllerDelegate.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/names/KTEncodings.h"
#include "extraction/screens/KTEncode.h"
#include "extraction/screens/KTPasswordDialog.h"
#include "ui/KTFileDropView.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QtConcurrent/QtConcurrentRun>

#ifndef KT_HOMEPAGE_URL
#error "KT_HOMEPAGE_URL must be defined by the build"
#endif

KTUnarchiveViewController::KTUnarchiveViewController(KTViewControllerDelegate *delegate, KTPreferences &preferences,
                                                     QWidget *parent)
    : KTViewController(delegate, parent)
    , m_ui(std::make_unique<Ui::KTUnarchiveViewController>())
    , m_preferences(preferences)
    , m_fileDataCollection(KTFileDataCollection::shareInstance())
    , m_desktop(&KTDesktopHandoff::system())
    , m_passWdPanel(nullptr)
    , m_chooser(preferences)
    , m_progress(this)
    , m_rerun(m_job, m_fileDataCollection)
{
    m_ui->setupUi(this);
    m_failure = std::make_unique<KTFailureNotice>(m_ui->errorPasswordField, m_ui->errorCauseField, this);
    m_layout = std::make_unique<KTUnarchiveLayout>(KTUnarchiveLayout::Views{
        this, m_ui->kt_ProgressIndicator, m_ui->briefView, m_ui->cancelButton, m_progress.amountLine(),
        m_ui->errorPasswordField, m_ui->errorCauseField, m_failure->showPartialButton(), m_failure->tryAgainButton()});
    connect(m_failure->tryAgainButton(), &QPushButton::clicked, this, &KTUnarchiveViewController::kt_TryAgain);
    connect(m_failure->showPartialButton(), &QPushButton::clicked, this,
            &KTUnarchiveViewController::showPartialResult);
    m_passWdPanel = new KTPasswordDialog(this);
    m_treePool.setMaxThreadCount(1);
    m_treePool.setThreadPriority(QThread::LowPriority);

    m_job.setPreferences(&m_preferences);
    m_job.setPasswordProvider([this] { return openPasswordPanel(); });
    connect(&m_job, &KTExtractionJob::hiddenFields, this, &KTUnarchiveViewController::hiddenFields);
    connect(&m_job, &KTExtractionJob::archiveFinished, this, &KTUnarchiveViewController::archiveFinished);
    connect(&m_job, &KTExtractionJob::passwordErrorH, this, &KTUnarchiveViewController::passwordErrorH);
    connect(&m_treeBuild, &QFutureWatcher<void>::finished, this, &KTUnarchiveViewController::treeBuilt);
    connect(&m_progress, &KTProgressTracker::titleChanged, this, &KTUnarchiveViewController::progressTitleChanged);
    connect(&m_progress, &KTProgressTracker::progressChanged, this, &KTUnarchiveViewController::progressChanged);
    connect(&m_chooser, &KTArchiveChooser::archiveChosen, this, [this](const QString &path) { startJob({{path}, {}, {}}); });
    connect(&m_chooser, &KTArchiveChooser::folderChosen, this,
            [this](const QString &archive, const QString &folder) { startJob({{archive}, {}, folder}); });

    connect(m_ui->kt_addFileButton, &QPushButton::clicked, this, &KTUnarchiveViewController::kt_addFileButton);
    connect(m_ui->contactButton, &QPushButton::clicked, this, &KTUnarchiveViewController::kt_Contact);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &KTUnarchiveViewController::kt_CancelJob);
    // A flat button draws no focus frame of its own.
    m_ui->contactButton->setStyleSheet(QStringLiteral(
        "#contactButton:focus { border: 2px solid palette(highlight); border-radius: 4px; padding: 3px 8px; }"));
    connect(m_ui->encodingpopup, &KTEncode::encodingChosen, this, [this](long tag) {
        m_preferences.setInteger(QString::fromLatin1(KTPreferences::FilenameEncoding), tag);
    });

    const QIcon archiveIcon = QIcon::fromTheme(QStringLiteral("package-x-generic"),
                                               QIcon(QStringLiteral(":/kt-extractor.svg")));
    m_ui->dropIcon->setPixmap(archiveIcon.pixmap(64, 64));
    QFont small = m_ui->formatsLabel->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_ui->formatsLabel->setFont(small);
    m_ui->formatsLabel->setForegroundRole(QPalette::PlaceholderText);
    m_ui->errorCauseField->setFont(small);
    m_ui->errorCauseField->setForegroundRole(QPalette::PlaceholderText);
    m_progress.amountLine()->setFont(small);
    m_progress.amountLine()->setForegroundRole(QPalette::PlaceholderText);
    QPalette errorPalette = m_ui->errorPasswordField->palette();
    errorPalette.setColor(QPalette::WindowText, QColor(0xc0, 0x1c, 0x28));
    m_ui->errorPasswordField->setPalette(errorPalette);
    m_ui->briefView->setStyleSheet(QStringLiteral(
        "#briefView { border: 2px dashed palette(mid); border-radius: 14px; background: palette(alternate-base); }"));
    m_ui->briefView->setAttribute(Qt::WA_StyledBackground);
    m_ui->briefView->setAccessibleName(tr("Drop an archive here"));
    m_ui->briefView->setAccessibleDescription(
        tr("Drop an archive on this area, or press Enter or Space to choose one in a file dialog."));
    connect(m_ui->briefView, &KTFileDropView::activated, this, &KTUnarchiveViewController::kt_addFileButton);

    m_ui->kt_ProgressIndicator->hide();
    m_ui->cancelButton->hide();

    awakeFromNib();
}

KTUnarchiveViewController::~KTUnarchiveViewController()
{
    shutDown();
}

void KTUnarchiveViewController::awakeFromNib()
{
    KTNotificationCenter &center = KTNotificationCenter::defaultCenter();
    center.addObserver(this, QString::fromLatin1(KTNotificationCenter::FileDrop),
                       [this](const QVariant &object) { gotoNext(object); });
    center.addObserver(this, QString::fromLatin1(KTNotificationCenter::FileProgress),
                       [this](const QVariant &object) { updateProgress(object); });

    KTEncode *popup = m_ui->encodingpopup;
    popup->buildEncodingListWithAutoDetect();
    const qint64 encoding = m_preferences.integerForKey(QString::fromLatin1(KTPreferences::FilenameEncoding));
    if (encoding != 0)
        popup->selectItemAtIndex(popup->indexOfItemWithTag(long(encoding)));
    else
        popup->selectItemAtIndex(popup->count() - 1);
}

void KTUnarchiveViewController::showEvent(QShowEvent *event)
{
    KTViewController::showEvent(event);
    viewWillAppear();
}

void KTUnarchiveViewController::resizeEvent(QResizeEvent *event)
{
    KTViewController::resizeEvent(event);
    layoutCentredViews();
}

void KTUnarchiveViewController::viewWillAppear()
{
    layoutCentredViews();
    m_ui->kt_ProgressIndicator->setCornerRadius(KTUnarchiveLayout::ProgressCornerRadius);
}

void KTUnarchiveViewController::layoutCentredViews()
{
    m_layout->place(m_circleView);
}

QSize KTUnarchiveViewController::minimumSizeHint() const
{
    return m_layout->minimumSize(*layout());
}

void KTUnarchiveViewController::kt_addFileButton()
{
    if (!m_busy)
        m_chooser.chooseArchive(window());
}

void KTUnarchiveViewController::extractAskingForFolder(const QString &archive)
{
    if (!m_busy)
        m_chooser.chooseFolderFor(archive, window());
}

void KTUnarchiveViewController::gotoNext(const QVariant &paths)
{
    startJob({paths.toStringList(), {}, {}});
}

void KTUnarchiveViewController::startJob(const KTJobRerun::Start &start)
{
    const auto &[paths, replacing, destinationFolder] = start;
    // One job at a time: a second request while one runs is dropped.
    if (paths.isEmpty() || m_busy || m_shuttingDown)
        return;
    m_fileDataCollection.startOver();
    m_passWdPanel->clearPassword();
    m_passWdPanel->setArchiveName(QFileInfo(paths.first()).fileName());
    m_fileDataCollection.setFileArray(paths);
    m_job.setEncodingOverride(replacing.isEmpty() ? std::nullopt : std::optional<qint64>(KTEncodings::Detect));
    // A folder chosen for this archive alone ("Extract To…") wins over the preference.
    m_job.setTemporaryDirectory(destinationFolder.isEmpty() ? KTExtractDestination::folderFor(m_preferences, paths.first())
                                                            : destinationFolder);
    if (!m_job.start(paths.first()))
        return;
    m_rerun.started(start);
    m_progress.start(paths.first());
    m_preferences.setString(QString::fromLatin1(KTPreferences::LastArchiveFolder),
                            QFileInfo(paths.first()).absolutePath());
    m_failure->hide();
    setBusy(true);
    kt_Status(true);
    setCircle();
}

void KTUnarchiveViewController::updateProgress(const QVariant &fraction)
{
    m_ui->kt_ProgressIndicator->show();
    const float f = fraction.toFloat();
    const float shown = f * 100.0f;
    m_ui->kt_ProgressIndicator->setDoubleValue(shown > 120.0f ? 120.0 : double(shown));
    m_progress.update(f);
}

void KTUnarchiveViewController::hiddenFields()
{
    hideProgress();
    m_failure->hide();
}

void KTUnarchiveViewController::hideProgress()
{
    m_ui->kt_ProgressIndicator->hide();
    m_progress.hide();
}

void KTUnarchiveViewController::kt_Status(bool running)
{
    m_ui->briefView->setHidden(running);
}

void KTUnarchiveViewController::setBusy(bool busy)
{
    m_busy = busy;
    m_progress.setFollowing(busy);
    m_ui->kt_addFileButton->setEnabled(!busy);
    m_ui->cancelButton->setVisible(busy);
    m_ui->cancelButton->setEnabled(busy);
    // The keyboard stays where the work is: Cancel during a job, "Choose an
    // Archive…" after it.
    if (busy)
        m_ui->cancelButton->setFocus(Qt::OtherFocusReason);
    else if (isVisible())
        focusStart();
    emit busyChanged(busy);
}

void KTUnarchiveViewController::setCircle()
{
    removeCircle();
    const double side = KTUnarchiveLayout::CircleSide;
    m_circleView = new KTScanProgressView(QRectF(0, 0, side, side), true, this);
    m_layout->placeCircle(*m_circleView);
    m_circleView->setupWithTitle(tr("Extracting..."));
    m_circleView->start();
    m_circleView->show();
    m_ui->cancelButton->raise();
}

void KTUnarchiveViewController::removeCircle()
{
    if (!m_circleView)
        return;
    m_circleView->stop();
    m_circleView->hide();
    m_circleView->deleteLater();
    m_circleView = nullptr;
}

void KTUnarchiveViewController::readNamesAgainWithDetection()
{
    const std::optional<KTJobRerun::Start> again = m_rerun.readNamesAgain();
    if (m_busy || !again)
        return;
    if (delegate())
        delegate()->kt_Next(KTViewControllerDelegate::UnarchiveScreen);
    startJob(*again);
}

void KTUnarchiveViewController::archiveFinished(const QString &desPath)
{
    if (m_shuttingDown)
        return;
    m_fileDataCollection.setNamesNotUtf8(m_job.sawNamesNotUtf8());
    m_fileDataCollection.setSkippedEntries(m_job.skippedEntries());
    m_fileDataCollection.setIncomplete(false);
    buildTree(desPath);
}

void KTUnarchiveViewController::buildTree(const QString &desPath)
{
    // The cancel button no longer applies: the extracted item is in place.
    m_ui->cancelButton->setEnabled(false);
    KTFileDataCollection *collection = &m_fileDataCollection;
    m_treeBuild.setFuture(QtConcurrent::run(&m_treePool, [collection, desPath] {
        collection->setDesPath(desPath);
        collection->fileData();
    }));
}

void KTUnarchiveViewController::showPartialResult()
{
    if (m_busy || m_shuttingDown)
        return;
    const QString partial = m_rerun.partialResult();
    if (partial.isEmpty())
        return;
    hiddenFields();
    setBusy(true);
    m_ui->cancelButton->setEnabled(false);
    buildTree(partial);
}

void KTUnarchiveViewController::treeBuilt()
{
    if (m_shuttingDown)
        return;
    if (m_fileDataCollection.tmpFileData()) {
        m_rerun.removeReplaced(m_treePool);
        if (delegate())
            delegate()->kt_Next(KTViewControllerDelegate::ResultScreen);
        KTNotificationCenter::defaultCenter().postNotification(QString::fromLatin1(KTNotificationCenter::FileGet));
        removeCircle();
        kt_Status(false);
        setBusy(false);
        if (delegate())
            delegate()->kt_ResizeWindowWithWidth(0, 0);
        emit jobEnded(m_job.srcPath(), {});
    } else if (m_rerun.replaces()) {
        buildTree(m_rerun.restoreReplaced(KTExtractionError::make(KTErrorCode::CannotOpen).cause()));
        return;
    } else {
        showFailure(KTExtractionError::make(KTErrorCode::CannotOpen));
    }
    hideProgress();
}

void KTUnarchiveViewController::passwordErrorH(const KTExtractionError &error)
{
    if (m_shuttingDown)
        return;
    if (m_rerun.replaces()) {
        hideProgress();
        buildTree(m_rerun.restoreReplaced(error.code == KTErrorCode::Cancelled ? QString() : error.cause()));
        return;
    }
    if (error.code == KTErrorCode::Cancelled) {
        // The user asked for it: back to idle, no error shown.
        removeCircle();
        kt_Status(false);
        hiddenFields();
        m_job.setExtractionSucceeded(false);
        setBusy(false);
        return;
    }
    showFailure(error);
}

void KTUnarchiveViewController::showFailure(const KTExtractionError &error)
{
    hideProgress();
    if (m_fileDataCollection.tmpFileData())
        m_fileDataCollection.startOver();
    removeCircle();
    kt_Status(false);
    m_failure->show(error, !m_job.partialResult().isEmpty(), m_rerun.offersTryAgain(error));
    layoutCentredViews();
    m_failure->alert();
    m_job.setExtractionSucceeded(false);
    setBusy(false);
    emit jobEnded(m_job.srcPath(), error);
}


void KTUnarchiveViewController::kt_Contact()
{
    const QUrl homepage(QStringLiteral(KT_HOMEPAGE_URL));
    m_desktop->openUrl(homepage, this, [this, homepage](KTDesktopHandoff::OpenOutcome outcome) {
        if (outcome == KTDesktopHandoff::OpenOutcome::Opened)
            return;
        // The address stays at hand to copy into a browser by hand.
        auto *box = new QMessageBox(QMessageBox::Warning, window()->windowTitle(),
                                    tr("No web browser is set up to open the home page."), QMessageBox::Close,
                                    window());
        box->setInformativeText(homepage.toString());
        box->setTextInteractionFlags(Qt::TextSelectableByMouse);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::WindowModal);
        box->open();
    });
}

void KTUnarchiveViewController::kt_TryAgain()
{
    startJob(m_rerun.tryAgain());
}

void KTUnarchiveViewController::kt_CancelJob()
{
    if (m_job.isRunning())
        m_job.cancel();
}

void KTUnarchiveViewController::keyPressEvent(QKeyEvent *event)
{
    // Only keys the screen's own widgets leave unhandled arrive here: Esc
    // that closes the encoding pop-up, a menu or a dialog stays in their
    // windows and cancels nothing.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_job.isRunning()) {
        kt_CancelJob();
        event->accept();
        return;
    }
    KTViewController::keyPressEvent(event);
}

void KTUnarchiveViewController::focusStart()
{
    if (m_ui->kt_addFileButton->isEnabled())
        m_ui->kt_addFileButton->setFocus(Qt::OtherFocusReason);
}

std::optional<QString> KTUnarchiveViewController::openPasswordPanel()
{
    if (m_shuttingDown)
        return std::nullopt;
    const bool accepted = m_passWdPanel->exec() == QDialog::Accepted;
    m_ui->errorPasswordField->hide();
    if (!accepted)
        return std::nullopt;
    return m_passWdPanel->password();
}

void KTUnarchiveViewController::shutDown()
{
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    if (QFileDialog *dialog = m_chooser.openDialog())
        dialog->reject();
    if (m_passWdPanel->isVisible())
        m_passWdPanel->reject();
    m_job.cancel();
    m_job.waitForFinished();
    if (!showsFailedScratchFolder())
        m_job.discardFailedScratchFolder();
    m_treeBuild.waitForFinished();
    m_treePool.waitForDone();
}

bool KTUnarchiveViewController::showsFailedScratchFolder() const
{
    const QString failed = m_job.failedScratchFolder();
    const QString shown = m_fileDataCollection.desPath();
    return !failed.isEmpty() && !isVisible() && (shown == failed || shown.startsWith(failed + QLatin1Char('/')));
}

void KTUnarchiveViewController::removeStrandedScratchFolders()
{
    if (m_shuttingDown || m_sweep.isRunning())
        return;
    m_sweep = QtConcurrent::run(&m_treePool, &KTScratchFolder::sweep, m_job.temporaryDirectory());
}

int KTUnarchiveViewController::strandedScratchFoldersRemoved() const
{
    return m_sweep.isFinished() && m_sweep.resultCount() > 0 ? m_sweep.result() : -1;
}
