#include "extraction/screens/KTUnarchiveViewController.h"

#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTNotificationCenter.h"
#include "app/window/KTDesktopHandoff.h"
#include "app/window/KTViewControllerDelegate.h"
#include "browser/tree/KTFileDataCollection.h"
#include "extraction/screens/KTEncode.h"
#include "extraction/screens/KTPasswordDialog.h"
#include "ui/KTFileDropView.h"
#include "ui/KTGeometry.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QAccessible>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QShortcut>
#include <QtConcurrent/QtConcurrentRun>

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

} // namespace

KTUnarchiveViewController::KTUnarchiveViewController(KTViewControllerDelegate *delegate, KTPreferences &preferences,
                                                     QWidget *parent)
    : KTViewController(delegate, parent)
    , m_ui(std::make_unique<Ui::KTUnarchiveViewController>())
    , m_preferences(preferences)
    , m_fileDataCollection(KTFileDataCollection::shareInstance())
    , m_desktop(&KTDesktopHandoff::system())
    , m_passWdPanel(nullptr)
{
    m_ui->setupUi(this);
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
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &KTUnarchiveViewController::kt_CancelJob);
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
    m_ui->errorPasswordField->hide();
    m_ui->errorCauseField->hide();
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
    drop.resize(qMin(460, width() - 80), drop.height());
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

    const int textWidth = qMax(0, width() - 40);
    const int errorTop = int(kt_bottom(bar)) + 10;
    m_ui->errorPasswordField->setGeometry(20, errorTop, textWidth, m_ui->errorPasswordField->sizeHint().height());
    m_ui->errorCauseField->setGeometry(20, int(kt_bottom(*m_ui->errorPasswordField)) + 2, textWidth,
                                       m_ui->errorCauseField->heightForWidth(textWidth));
}

QString KTUnarchiveViewController::archiveNameFilter()
{
    QStringList patterns;
    for (const QString &extension : KTFileDropView::defaultArchiverFormat()) {
        patterns << QStringLiteral("*.") + extension;
        patterns << QStringLiteral("*.") + extension.toUpper();
    }
    return tr("Archives (%1)").arg(patterns.join(QLatin1Char(' ')));
}

void KTUnarchiveViewController::kt_addFileButton()
{
    if (m_busy || m_openDialog)
        return;
    auto *dialog = new QFileDialog(window(), tr("Choose an Archive"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(archiveNameFilter());
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
            startJob({path}, folders.first());
    });
    dialog->open();
}

void KTUnarchiveViewController::gotoNext(const QVariant &paths)
{
    startJob(paths.toStringList());
}

void KTUnarchiveViewController::startJob(const QStringList &paths, const QString &destinationFolder)
{
    // One job at a time: a second request while one runs is dropped.
    if (paths.isEmpty() || m_busy || m_shuttingDown)
        return;
    m_fileDataCollection.startOver();
    m_passWdPanel->clearPassword();
    m_passWdPanel->setArchiveName(QFileInfo(paths.first()).fileName());
    m_fileDataCollection.setFileArray(paths);
    if (!destinationFolder.isEmpty()) {
        m_usualDestination = m_job.temporaryDirectory();
        m_job.setTemporaryDirectory(destinationFolder);
    }
    if (!m_job.start(paths.first())) {
        restoreUsualDestination();
        return;
    }
    m_ui->errorPasswordField->hide();
    m_ui->errorCauseField->hide();
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
}

void KTUnarchiveViewController::hiddenFields()
{
    m_ui->kt_ProgressIndicator->hide();
    m_ui->errorPasswordField->hide();
    m_ui->errorCauseField->hide();
}

void KTUnarchiveViewController::kt_Status(bool running)
{
    m_ui->briefView->setHidden(running);
}

void KTUnarchiveViewController::setBusy(bool busy)
{
    m_busy = busy;
    m_ui->kt_addFileButton->setEnabled(!busy);
    m_ui->cancelButton->setVisible(busy);
    m_ui->cancelButton->setEnabled(busy);
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

void KTUnarchiveViewController::restoreUsualDestination()
{
    if (m_usualDestination)
        m_job.setTemporaryDirectory(*std::exchange(m_usualDestination, std::nullopt));
}

void KTUnarchiveViewController::archiveFinished(const QString &desPath)
{
    restoreUsualDestination();
    if (m_shuttingDown)
        return;
    // The cancel button no longer applies: the extracted item is in place.
    m_ui->cancelButton->setEnabled(false);
    KTFileDataCollection *collection = &m_fileDataCollection;
    m_treeBuild.setFuture(QtConcurrent::run(&m_treePool, [collection, desPath] {
        collection->setDesPath(desPath);
        collection->fileData();
    }));
}

void KTUnarchiveViewController::treeBuilt()
{
    if (m_shuttingDown)
        return;
    if (m_fileDataCollection.tmpFileData()) {
        if (delegate())
            delegate()->kt_Next(KTViewControllerDelegate::ResultScreen);
        KTNotificationCenter::defaultCenter().postNotification(QString::fromLatin1(KTNotificationCenter::FileGet));
        removeCircle();
        kt_Status(false);
        setBusy(false);
        if (delegate())
            delegate()->kt_ResizeWindowWithWidth(0, 0);
    } else {
        showFailure(KTExtractionError::make(KTErrorCode::CannotOpen));
    }
    m_ui->kt_ProgressIndicator->hide();
}

void KTUnarchiveViewController::passwordErrorH(const KTExtractionError &error)
{
    restoreUsualDestination();
    if (m_shuttingDown)
        return;
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
    m_ui->errorPasswordField->show();
    if (m_fileDataCollection.tmpFileData())
        m_fileDataCollection.startOver();
    removeCircle();
    kt_Status(false);
    m_ui->errorPasswordField->setText(tr("Extract error or password error, try again!"));
    m_ui->errorCauseField->setText(cause);
    m_ui->errorCauseField->setToolTip(error.detail);
    m_ui->errorCauseField->setVisible(!cause.isEmpty());
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
}


void KTUnarchiveViewController::kt_Contact()
{
    m_desktop->openUrl(QUrl(QStringLiteral(KT_HOMEPAGE_URL)));
}

void KTUnarchiveViewController::kt_CancelJob()
{
    if (m_job.isRunning())
        m_job.cancel();
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
    m_treeBuild.waitForFinished();
    m_treePool.waitForDone();
}
