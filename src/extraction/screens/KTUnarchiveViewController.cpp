#include "extraction/screens/KTUnarchiveViewController.h"

#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTExtractDestination.h"
#include "app/core/KTNotificationCenter.h"
#include "app/window/KTDesktopHandoff.h"
#include "app/window/KTViewControllerDelegate.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/engine/KTArchiveExtensions.h"
#include "extraction/engine/KTArchiveVolumes.h"
#include "extraction/names/KTEncodings.h"
#include "extraction/screens/KTEncode.h"
#include "extraction/screens/KTPasswordDialog.h"
#include "extraction/screens/KTProgressLine.h"
#include "ui/KTFileDropView.h"
#include "ui/KTGeometry.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <utility>

#ifndef KT_HOMEPAGE_URL
#error "KT_HOMEPAGE_URL must be defined by the build"
#endif

namespace {

constexpr double kCircleSide = 200.0;
// Offsets from the screen's centre. Qt's y axis points down: the circle sits
// 40 above the centre, the progress bar 130 below it.
constexpr double kCircleRaise = 40.0;
constexpr double kProgressDrop = 130.0;
constexpr double kProgressMargin = 40.0;
constexpr double kProgressHeight = 15.0;
constexpr double kProgressCornerRadius = 5.0;
// The drop area's height, unless its texts need more.
constexpr int kDropHeight = 236;

} // namespace

KTUnarchiveViewController::KTUnarchiveViewController(KTViewControllerDelegate *delegate, KTPreferences &preferences,
                                                     QWidget *parent)
    : KTViewController(delegate, parent)
    , m_ui(std::make_unique<Ui::KTUnarchiveViewController>())
    , m_preferences(preferences)
    , m_fileDataCollection(KTFileDataCollection::shareInstance())
    , m_desktop(&KTDesktopHandoff::system())
    , m_passWdPanel(nullptr)
    , m_tryAgainButton(nullptr)
    , m_amountLine(new QLabel(this))
{
    m_ui->setupUi(this);
    m_tryAgainButton = new QPushButton(tr("Try Again"), this);
    m_tryAgainButton->setObjectName(QStringLiteral("tryAgainButton"));
    m_tryAgainButton->hide();
    connect(m_tryAgainButton, &QPushButton::clicked, this, &KTUnarchiveViewController::kt_TryAgain);
    m_amountLine->setObjectName(QStringLiteral("amountLine"));
    m_amountLine->setAlignment(Qt::AlignCenter);
    m_passWdPanel = new KTPasswordDialog(this);
    m_treePool.setMaxThreadCount(1);
    m_treePool.setThreadPriority(QThread::LowPriority);

    m_job.setPreferences(&m_preferences);
    m_job.setPasswordProvider([this] { return openPasswordPanel(); });
    connect(&m_job, &KTExtractionJob::hiddenFields, this, &KTUnarchiveViewController::hiddenFields);
    connect(&m_job, &KTExtractionJob::archiveFinished, this, &KTUnarchiveViewController::archiveFinished);
    connect(&m_job, &KTExtractionJob::passwordErrorH, this, &KTUnarchiveViewController::passwordErrorH);
    connect(&m_treeBuild, &QFutureWatcher<void>::finished, this, &KTUnarchiveViewController::treeBuilt);

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
    m_amountLine->setFont(small);
    m_amountLine->setForegroundRole(QPalette::PlaceholderText);
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
    m_amountLine->hide();
    m_ui->errorPasswordField->hide();
    m_ui->errorCauseField->hide();
    m_ui->cancelButton->hide();
    m_showPartialButton = new QPushButton(tr("Show What Was Extracted"), this);
    m_showPartialButton->setObjectName(QStringLiteral("showPartialButton"));
    m_showPartialButton->hide();
    connect(m_showPartialButton, &QPushButton::clicked, this, &KTUnarchiveViewController::showPartialResult);

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
    m_ui->kt_ProgressIndicator->setCornerRadius(kProgressCornerRadius);
}

void KTUnarchiveViewController::layoutCentredViews()
{
    const double centerX = kt_centerX(*this) - kt_x(*this);
    const double centerY = kt_centerY(*this) - kt_y(*this);

    KTProgressIndicator &bar = *m_ui->kt_ProgressIndicator;
    bar.setGeometry(0, 0, qMax(0, int(kt_width(*this) - kProgressMargin)), int(kProgressHeight));
    setKt_centerX(bar, centerX);
    setKt_centerY(bar, centerY + kProgressDrop);

    const double circleCenterY = centerY - kCircleRaise;
    KTFileDropView &drop = *m_ui->briefView;
    drop.resize(qMin(460, width() - 80), dropHeight());
    setKt_centerX(drop, centerX);
    setKt_centerY(drop, circleCenterY);
    if (m_circleView) {
        setKt_centerX(*m_circleView, centerX);
        setKt_centerY(*m_circleView, circleCenterY);
    }
    QPushButton &cancel = *m_ui->cancelButton;
    cancel.resize(qMax(100, cancel.sizeHint().width()), cancel.sizeHint().height());
    setKt_centerX(cancel, centerX);
    setKt_y(cancel, circleCenterY + kCircleSide * 0.5 + 10);

    // Both lines wrap at the screen's width rather than run off it.
    const int textWidth = qMax(0, width() - 40);
    m_amountLine->setGeometry(20, int(kt_bottom(bar)) + 6, textWidth, m_amountLine->sizeHint().height());
    const int errorTop = int(kt_bottom(bar)) + 10;
    m_ui->errorPasswordField->setGeometry(20, errorTop, textWidth, m_ui->errorPasswordField->heightForWidth(textWidth));
    m_ui->errorCauseField->setGeometry(20, int(kt_bottom(*m_ui->errorPasswordField)) + 2, textWidth,
                                       m_ui->errorCauseField->heightForWidth(textWidth));
    QPushButton &partial = *m_showPartialButton;
    partial.resize(partial.sizeHint());
    setKt_centerX(partial, centerX);
    setKt_y(partial, kt_bottom(*m_ui->errorCauseField) + 8);
    m_tryAgainButton->resize(qMax(100, m_tryAgainButton->sizeHint().width()), m_tryAgainButton->sizeHint().height());
    setKt_centerX(*m_tryAgainButton, centerX);
    setKt_y(*m_tryAgainButton, kt_bottom(*m_ui->errorCauseField) + 8);
}

int KTUnarchiveViewController::dropHeight() const
{
    return qMax(kDropHeight, m_ui->briefView->minimumSizeHint().height());
}

QSize KTUnarchiveViewController::minimumSizeHint() const
{
    // The centred views are outside the layout, which holds only the bottom
    // row: their room is reckoned here from their texts in the current
    // language, so that nothing is cut at the window's minimum size.
    const QSize row = layout()->minimumSize();
    const QMargins margins = layout()->contentsMargins();
    const int width = std::max({row.width(), m_ui->briefView->minimumSizeHint().width() + 80,
                            m_ui->cancelButton->sizeHint().width() + 40});
    // The error line and two lines of cause at that width.
    const int textWidth = width - 40;
    const int errorLines = m_ui->errorPasswordField->heightForWidth(textWidth) + 2 +
                           qMax(m_ui->errorCauseField->heightForWidth(textWidth),
                                2 * m_ui->errorCauseField->fontMetrics().lineSpacing());
    const double above = margins.top() + kCircleRaise + qMax(double(dropHeight()), kCircleSide) * 0.5;
    const double below = kProgressDrop + kProgressHeight * 0.5 + 10 + errorLines + (row.height() - margins.top());
    return QSize(width, int(std::ceil(2 * qMax(above, below))));
}

QString KTUnarchiveViewController::archiveNameFilter()
{
    return tr("Archives (%1)").arg(KTArchiveExtensions::namePatterns().join(QLatin1Char(' ')));
}

QStringList KTUnarchiveViewController::openDialogFilters()
{
    return {archiveNameFilter(), tr("All files (*)")};
}

QString KTUnarchiveViewController::openDialogFolder() const
{
    const QString last = m_preferences.stringForKey(QString::fromLatin1(KTPreferences::LastArchiveFolder));
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty() && QFileInfo(downloads).isDir())
        return downloads;
    return QDir::homePath();
}

void KTUnarchiveViewController::kt_addFileButton()
{
    if (m_busy || m_openDialog)
        return;
    auto *dialog = new QFileDialog(window(), tr("Choose an Archive"), openDialogFolder());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters(openDialogFilters());
    dialog->setWindowModality(Qt::WindowModal);
    m_openDialog = dialog;
    connect(dialog, &QFileDialog::finished, this, [this, dialog](int result) {
        if (result != QDialog::Accepted || m_busy)
            return;
        const QStringList files = dialog->selectedFiles();
        if (!files.isEmpty())
            startJob({files.first()});
    });
    dialog->open();
}

void KTUnarchiveViewController::extractAskingForFolder(const QString &archive)
{
    if (m_busy || m_folderDialog)
        return;
    const QFileInfo info(archive);
    auto *dialog = new QFileDialog(window(), tr("Extract “%1” To").arg(info.fileName()), info.absolutePath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setLabelText(QFileDialog::Accept, tr("Extract"));
    dialog->setWindowModality(Qt::WindowModal);
    m_folderDialog = dialog;
    const QString path = info.absoluteFilePath();
    connect(dialog, &QFileDialog::finished, this, [this, dialog, path](int result) {
        if (result != QDialog::Accepted)
            return;
        const QStringList folders = dialog->selectedFiles();
        if (!folders.isEmpty())
            startJob({path}, {}, folders.first());
    });
    dialog->open();
}

void KTUnarchiveViewController::gotoNext(const QVariant &paths)
{
    startJob(paths.toStringList());
}

void KTUnarchiveViewController::startJob(const QStringList &paths, const QString &replacing,
                                         const QString &destinationFolder)
{
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
    m_lastPaths = paths;
    m_lastDestinationFolder = destinationFolder;
    m_replacing = replacing;
    m_archiveName = QFileInfo(paths.first()).fileName();
    qint64 archiveSize = 0;
    for (const QString &volume : KTArchiveVolumes::volumesFor(paths.first()))
        archiveSize += QFileInfo(volume).size();
    m_estimate.start(archiveSize);
    m_clock.start();
    m_preferences.setString(QString::fromLatin1(KTPreferences::LastArchiveFolder),
                            QFileInfo(paths.first()).absolutePath());
    m_ui->errorPasswordField->hide();
    m_ui->errorCauseField->hide();
    m_showPartialButton->hide();
    m_tryAgainButton->hide();
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
    if (!m_busy)
        return;
    emit progressChanged(double(f));
    // Past 1 the tree is being read: the archive is done.
    const double read = qBound(0.0, double(f), 1.0);
    m_estimate.sample(m_clock.elapsed(), qint64(read * double(m_estimate.total())));
    const bool extracting = f < 1.0f;
    m_amountLine->setText(KTProgressLine::amount(m_estimate.done(), m_estimate.total(),
                                                 extracting ? m_estimate.secondsLeft() : std::nullopt));
    m_amountLine->setVisible(m_estimate.total() > 0);
    setProgressTitle(KTProgressLine::title(read, m_archiveName));
}

void KTUnarchiveViewController::hiddenFields()
{
    hideProgress();
    m_ui->errorPasswordField->hide();
    m_ui->errorCauseField->hide();
    m_showPartialButton->hide();
    m_tryAgainButton->hide();
}

void KTUnarchiveViewController::hideProgress()
{
    m_ui->kt_ProgressIndicator->hide();
    m_amountLine->hide();
}

void KTUnarchiveViewController::setProgressTitle(const QString &title)
{
    if (title == m_progressTitle)
        return;
    m_progressTitle = title;
    emit progressTitleChanged(title);
}

void KTUnarchiveViewController::kt_Status(bool running)
{
    m_ui->briefView->setHidden(running);
}

void KTUnarchiveViewController::setBusy(bool busy)
{
    m_busy = busy;
    if (!busy)
        setProgressTitle({});
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
    m_circleView = new KTScanProgressView(QRectF(0, 0, kCircleSide, kCircleSide), true, this);
    setKt_centerX(*m_circleView, kt_centerX(*this) - kt_x(*this));
    setKt_centerY(*m_circleView, kt_centerY(*this) - kt_y(*this) - kCircleRaise);
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
    const QStringList archives = m_fileDataCollection.fileArray();
    const QString shown = m_fileDataCollection.desPath();
    if (m_busy || archives.isEmpty() || shown.isEmpty())
        return;
    if (delegate())
        delegate()->kt_Next(KTViewControllerDelegate::UnarchiveScreen);
    // The new result goes where the one it replaces is.
    startJob(archives, shown, QFileInfo(shown).absolutePath());
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

void KTUnarchiveViewController::restoreReplacedResult(const QString &failure)
{
    const QString first = std::exchange(m_replacing, QString());
    // The first attempt chose UTF-8 and met names that were not: that is
    // why this one was made.
    m_fileDataCollection.setNamesNotUtf8(true);
    m_fileDataCollection.setRereadFailure(failure);
    buildTree(first);
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
    const QString partial = m_job.partialResult();
    if (partial.isEmpty() || m_busy || m_shuttingDown)
        return;
    hiddenFields();
    m_fileDataCollection.setSkippedEntries(m_job.skippedEntries());
    m_fileDataCollection.setIncomplete(true);
    setBusy(true);
    m_ui->cancelButton->setEnabled(false);
    buildTree(partial);
}

void KTUnarchiveViewController::treeBuilt()
{
    if (m_shuttingDown)
        return;
    if (m_fileDataCollection.tmpFileData()) {
        const QString replaced = std::exchange(m_replacing, QString());
        if (!replaced.isEmpty() && replaced != m_fileDataCollection.desPath()) {
            m_removal = QtConcurrent::run(&m_treePool, [replaced] {
                if (QFileInfo(replaced).isDir() && !QFileInfo(replaced).isSymLink())
                    QDir(replaced).removeRecursively();
                else
                    QFile::remove(replaced);
            });
        }
        if (delegate())
            delegate()->kt_Next(KTViewControllerDelegate::ResultScreen);
        KTNotificationCenter::defaultCenter().postNotification(QString::fromLatin1(KTNotificationCenter::FileGet));
        removeCircle();
        kt_Status(false);
        setBusy(false);
        if (delegate())
            delegate()->kt_ResizeWindowWithWidth(0, 0);
        emit jobEnded(m_job.srcPath(), {});
    } else if (!m_replacing.isEmpty()) {
        restoreReplacedResult(KTExtractionError::make(KTErrorCode::CannotOpen).cause());
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
    if (!m_replacing.isEmpty()) {
        hideProgress();
        restoreReplacedResult(error.code == KTErrorCode::Cancelled ? QString() : error.cause());
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
    const QString cause = error.cause();
    hideProgress();
    m_ui->errorPasswordField->show();
    if (m_fileDataCollection.tmpFileData())
        m_fileDataCollection.startOver();
    removeCircle();
    kt_Status(false);
    m_ui->errorPasswordField->setText(tr("Extract error or password error, try again!"));
    m_ui->errorCauseField->setText(cause);
    m_ui->errorCauseField->setToolTip(error.detail);
    m_ui->errorCauseField->setVisible(!cause.isEmpty());
    m_showPartialButton->setVisible(!m_job.partialResult().isEmpty());
    // Another password may open it; nothing else would change by trying again.
    m_tryAgainButton->setVisible(error.code == KTErrorCode::WrongPassword && !m_lastPaths.isEmpty());
    layoutCentredViews();
    // Shown without focus moving there: a screen reader hears them as alerts.
    for (QLabel *line : {m_ui->errorPasswordField, m_ui->errorCauseField}) {
        if (!line->isHidden()) {
            QAccessibleEvent alert(line, QAccessible::Alert);
            QAccessible::updateAccessibility(&alert);
        }
    }
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
    startJob(m_lastPaths, {}, m_lastDestinationFolder);
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
    if (m_openDialog)
        m_openDialog->reject();
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
