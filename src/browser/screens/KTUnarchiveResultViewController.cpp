#include "browser/screens/KTUnarchiveResultViewController.h"

#include "ui_KTUnarchiveResultViewController.h"

#include "app/core/KTApplicationRegistry.h"
#include "app/core/KTNotificationCenter.h"
#include "app/window/KTViewControllerDelegate.h"
#include "browser/screens/ImageCell.h"
#include "browser/screens/KTFileIconCache.h"
#include "browser/screens/KTFileTreeModel.h"
#include "browser/screens/KTOpenWithDialog.h"
#include "browser/tree/KTFileDataCollection.h"
#include "ui/KTNoticeList.h"
#include "util/files/KTFolderZipper.h"
#include "util/files/KTItemCopier.h"
#include "util/files/KTItemMover.h"
#include "util/files/KTRunnableCheck.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QtConcurrent>

#include <cstdlib>
#include <cstring>

namespace {

// A hostile archive may leave out thousands of entries; the tooltip names
// the first ones and says how many more.
constexpr int MaxSkippedNamesShown = 30;

} // namespace

KTUnarchiveResultViewController::KTUnarchiveResultViewController(KTViewControllerDelegate *delegate, QWidget *parent)
    : KTViewController(delegate, parent)
    , m_ui(std::make_unique<Ui::KTUnarchiveResultViewController>())
    , m_fileDataCollection(KTFileDataCollection::shareInstance())
    , m_icons(std::make_unique<KTFileIconCache>())
    , m_handoff(&KTDesktopHandoff::system())
    , m_saveFolder(QStandardPaths::writableLocation(QStandardPaths::HomeLocation))
{
    m_ui->setupUi(this);
    QFont title = m_ui->titleLabel->font();
    title.setPointSizeF(title.pointSizeF() * 1.3);
    title.setBold(true);
    m_ui->titleLabel->setFont(title);
    m_ui->pathLabel->setForegroundRole(QPalette::PlaceholderText);
    // A long name or path is shortened in the middle, never widens the
    // window, and is shown whole in its tooltip.
    for (QLabel *label : {m_ui->titleLabel, m_ui->pathLabel}) {
        label->setSizePolicy(QSizePolicy::Ignored, label->sizePolicy().verticalPolicy());
        label->installEventFilter(this);
    }
    m_pool.setMaxThreadCount(1);
    setUpOutline();
    setUpActions();
    awakeFromNib();
}

KTUnarchiveResultViewController::~KTUnarchiveResultViewController()
{
    m_pool.waitForDone();
}

QTreeView *KTUnarchiveResultViewController::kt_outlineView() const
{
    return m_ui->kt_outlineView;
}

KTOpenWithDialog *KTUnarchiveResultViewController::openWithDialog() const
{
    return m_openWithDialog;
}

KTNoticeList *KTUnarchiveResultViewController::noticeList() const
{
    return m_ui->noticeList;
}

void KTUnarchiveResultViewController::setUpOutline()
{
    QTreeView *outline = m_ui->kt_outlineView;
    m_model = new KTFileTreeModel(*m_icons, this);
    outline->setModel(m_model);
    m_imageCell = new ImageCell(outline);
    outline->setItemDelegateForColumn(KTFileTreeModel::NameColumn, m_imageCell);
    // Until a header is clicked, rows keep the order of the listing.
    outline->header()->setSortIndicator(-1, Qt::AscendingOrder);
    outline->setSortingEnabled(true);
    outline->header()->setStretchLastSection(false);
    outline->header()->setSectionResizeMode(KTFileTreeModel::NameColumn, QHeaderView::Stretch);
    outline->header()->resizeSection(KTFileTreeModel::SizeColumn, 90);
    outline->header()->resizeSection(KTFileTreeModel::DateColumn, 140);
    connect(outline, &QTreeView::activated, this, &KTUnarchiveResultViewController::doubleClickAtIndex);
}

void KTUnarchiveResultViewController::setUpActions()
{
    m_openAction = new QAction(tr("Open"), this);
    m_saveAction = new QAction(tr("Save a Copy…"), this);
    m_saveAction->setShortcut(QKeySequence::Save);
    m_mailAction = new QAction(tr("Mail…"), this);
    m_moveAction = new QAction(tr("Move To…"), this);
    m_openWithAction = new QAction(tr("Open With…"), this);
    m_showInFolderAction = new QAction(tr("Show in Folder"), this);
    connect(m_openWithAction, &QAction::triggered, this, &KTUnarchiveResultViewController::openWith);
    connect(m_showInFolderAction, &QAction::triggered, this, &KTUnarchiveResultViewController::showInFolder);
    connect(m_openAction, &QAction::triggered, this, &KTUnarchiveResultViewController::doubleClickAtIndex);
    connect(m_saveAction, &QAction::triggered, this, &KTUnarchiveResultViewController::menuSave);
    connect(m_mailAction, &QAction::triggered, this, &KTUnarchiveResultViewController::menuMail);
    connect(m_moveAction, &QAction::triggered, this, &KTUnarchiveResultViewController::moveResult);
    m_ui->kt_outlineView->addActions(
        {m_openAction, m_openWithAction, m_showInFolderAction, m_saveAction, m_moveAction, m_mailAction});
    m_ui->kt_outlineView->setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(m_ui->openButton, &QAbstractButton::clicked, this, &KTUnarchiveResultViewController::doubleClickAtIndex);
    connect(m_ui->saveButton, &QAbstractButton::clicked, this, &KTUnarchiveResultViewController::menuSave);
    connect(m_ui->moveButton, &QAbstractButton::clicked, this, &KTUnarchiveResultViewController::moveResult);
    connect(m_ui->backButton, &QAbstractButton::clicked, this, &KTUnarchiveResultViewController::bakeToHome);
    auto *back = new QShortcut(QKeySequence(Qt::Key_Backspace), this);
    back->setContext(Qt::WidgetWithChildrenShortcut);
    connect(back, &QShortcut::activated, this, &KTUnarchiveResultViewController::bakeToHome);
    updateActions();
}

void KTUnarchiveResultViewController::awakeFromNib()
{
    KTNotificationCenter::defaultCenter().addObserver(this, QString::fromLatin1(KTNotificationCenter::FileGet),
                                                      [this](const QVariant &object) { run(object); });
}

// The save and open buttons stay enabled: the screen is on view only with a
// tree, and a button disabled at its first show would stay faded for good.
void KTUnarchiveResultViewController::updateActions()
{
    const bool shown = m_model->tree() != nullptr && !m_moving;
    m_openAction->setEnabled(shown);
    m_openWithAction->setEnabled(shown);
    m_showInFolderAction->setEnabled(shown);
    m_saveAction->setEnabled(shown && !m_saving);
    m_mailAction->setEnabled(shown && !m_mailing);
    m_moveAction->setEnabled(shown && !m_saving && !m_mailing);
}

void KTUnarchiveResultViewController::run(const QVariant &)
{
    QTimer::singleShot(0, this, &KTUnarchiveResultViewController::refresh);
}

void KTUnarchiveResultViewController::refresh()
{
    const QString desPath = m_fileDataCollection.desPath();
    QIcon icon = QFileIconProvider().icon(QFileInfo(desPath));
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileIconProvider::File);
    m_ui->imageIcon->setPixmap(icon.pixmap(48, 48));
    m_title = QFileInfo(desPath).fileName();
    m_path = QDir::toNativeSeparators(QFileInfo(desPath).absolutePath());
    elideHeader();
    m_ui->noticeList->clear();
    addNotices();
    releaseInBackground(m_model->setTree(m_fileDataCollection.treeNode()));
    m_ui->kt_outlineView->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_ui->kt_outlineView->setFocus();
    updateActions();
    ++m_refreshCount;
    emit refreshed();
}

bool KTUnarchiveResultViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && (watched == m_ui->titleLabel || watched == m_ui->pathLabel))
        elideHeader();
    return KTViewController::eventFilter(watched, event);
}

void KTUnarchiveResultViewController::elideHeader()
{
    for (const auto &[label, text] : {std::pair{m_ui->titleLabel, m_title}, std::pair{m_ui->pathLabel, m_path}}) {
        const QString shown = label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width());
        label->setText(shown);
        label->setToolTip(shown == text ? QString() : text);
    }
}

void KTUnarchiveResultViewController::bakeToHome()
{
    if (m_moving)
        return;
    m_fileDataCollection.startOver();
    if (delegate()) {
        delegate()->kt_ResizeWindowWithWidth(0, 0);
        delegate()->kt_Next(KTViewControllerDelegate::UnarchiveScreen);
    }
    releaseInBackground(m_model->setTree(nullptr));
    m_ui->noticeList->clear();
    updateActions();
}

void KTUnarchiveResultViewController::addNotices()
{
    if (m_fileDataCollection.isIncomplete())
        m_ui->noticeList->addNotice(tr("Incomplete: only what was read before the damage."));
    const KTSkippedEntries skipped = m_fileDataCollection.skippedEntries();
    if (!skipped.isEmpty())
        m_ui->noticeList->addNotice(skipped.summary(), skipped.details(MaxSkippedNamesShown).join(QLatin1Char('\n')));
    const QString temp = QDir(QDir::tempPath()).canonicalPath();
    const QString folder = QFileInfo(QFileInfo(m_fileDataCollection.desPath()).absolutePath()).canonicalFilePath();
    if (!temp.isEmpty() && (folder == temp || folder.startsWith(temp + QLatin1Char('/'))))
        m_ui->noticeList->addNotice(tr("In the temporary folder: the system may remove it. Save a copy to keep it."));
    const QString rereadFailure = m_fileDataCollection.rereadFailure();
    if (!rereadFailure.isEmpty())
        m_ui->noticeList->addNotice(tr("Reading the names again failed; this is the first result."), rereadFailure);
    if (m_fileDataCollection.namesNotUtf8()) {
        m_ui->noticeList->addNotice(tr("Some names were not valid UTF-8."),
                                    tr("They were read as UTF-8, the encoding chosen; detection may read them."),
                                    tr("Read Names Again with Detection"), [this] { emit readNamesAgainRequested(); });
    }
}

const KTTreeNode *KTUnarchiveResultViewController::selectedNode() const
{
    const QModelIndexList rows = m_ui->kt_outlineView->selectionModel()->selectedRows(KTFileTreeModel::NameColumn);
    if (rows.isEmpty())
        return nullptr;
    return m_model->nodeForIndex(rows.first());
}

QString KTUnarchiveResultViewController::targetPath() const
{
    if (const KTTreeNode *node = selectedNode())
        return node->representedObject().filePath();
    return m_fileDataCollection.desPath();
}

QString KTUnarchiveResultViewController::suggestedSaveName() const
{
    if (selectedNode())
        return QFileInfo(targetPath()).fileName();
    return KTFileItem::nameWithoutExtension(m_fileDataCollection.desPath());
}

void KTUnarchiveResultViewController::doubleClickAtIndex()
{
    openFile();
}

void KTUnarchiveResultViewController::menuSave()
{
    saveFile();
}

void KTUnarchiveResultViewController::menuMail()
{
    if (const std::shared_ptr<KTFileItem> item = m_fileDataCollection.tmpFileData())
        sendMailWithItem(*item);
}

void KTUnarchiveResultViewController::openFile()
{
    const QString path = targetPath();
    if (path.isEmpty() || m_moving)
        return;
    if (!KTRunnableCheck::mayRun(path)) {
        handOpenOver(path);
        return;
    }
    // The desktop may run a program rather than show it: an archive from
    // anywhere must not start one on a double-click.
    auto *box = new QMessageBox(QMessageBox::Warning, window()->windowTitle(),
                                tr("“%1” is a program. Opening it may run it.").arg(QFileInfo(path).fileName()),
                                QMessageBox::Cancel, window());
    box->setInformativeText(tr("Open it only if you trust where the archive came from."));
    QPushButton *open = box->addButton(tr("Open"), QMessageBox::AcceptRole);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setEscapeButton(QMessageBox::Cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [this, box, open, path] {
        if (box->clickedButton() == open)
            handOpenOver(path);
    });
    box->open();
}

void KTUnarchiveResultViewController::handOpenOver(const QString &path)
{
    m_handoff->openUrl(QUrl::fromLocalFile(path), this, [this, path](KTDesktopHandoff::OpenOutcome outcome) {
        if (outcome != KTDesktopHandoff::OpenOutcome::Opened)
            openFailed(path, outcome);
        emit openFinished(outcome == KTDesktopHandoff::OpenOutcome::Opened);
    });
}

void KTUnarchiveResultViewController::openFailed(const QString &path, KTDesktopHandoff::OpenOutcome outcome)
{
    auto *box = new QMessageBox(QMessageBox::Warning, window()->windowTitle(),
                                tr("No application is set up to open “%1”.").arg(QFileInfo(path).fileName()),
                                QMessageBox::Close, window());
    if (outcome == KTDesktopHandoff::OpenOutcome::ToolMissing)
        box->setInformativeText(tr("The program xdg-open, which hands files to their applications, is missing. "
                                   "It comes with the package xdg-utils."));
    else
        box->setInformativeText(tr("Choose an application for it, or show it in its folder."));
    QPushButton *with = box->addButton(tr("Open With…"), QMessageBox::ActionRole);
    QPushButton *folder = box->addButton(tr("Show in Folder"), QMessageBox::ActionRole);
    box->setDefaultButton(with);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [this, box, with, folder, path] {
        if (box->clickedButton() == with)
            chooseApplicationFor(path);
        else if (box->clickedButton() == folder)
            showItemInFolder(path);
    });
    box->open();
}

void KTUnarchiveResultViewController::openWith()
{
    const QString path = targetPath();
    if (!path.isEmpty())
        chooseApplicationFor(path);
}

void KTUnarchiveResultViewController::showInFolder()
{
    const QString path = targetPath();
    if (!path.isEmpty())
        showItemInFolder(path);
}

void KTUnarchiveResultViewController::chooseApplicationFor(const QString &path)
{
    if (m_openWithDialog)
        return;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    // Hundreds of desktop entries are read: off the GUI thread.
    auto *watcher = new QFutureWatcher<QList<KTDesktopEntry>>(this);
    connect(watcher, &QFutureWatcher<QList<KTDesktopEntry>>::finished, this, [this, watcher, path, type] {
        watcher->deleteLater();
        auto *dialog = new KTOpenWithDialog(QFileInfo(path).fileName(), type.comment(), watcher->result(), window());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        m_openWithDialog = dialog;
        connect(dialog, &QDialog::finished, this, [this, dialog, path] {
            const std::optional<KTDesktopEntry> application = dialog->chosen();
            if (!application)
                return;
            const bool started = m_handoff->openWith(*application, path);
            if (!started)
                showFailure(tr("“%1” could not be started.").arg(application->name()), {});
            emit openFinished(started);
        });
        dialog->open();
    });
    const QString name = type.name();
    watcher->setFuture(QtConcurrent::run([name] { return KTApplicationRegistry().applicationsFor(name); }));
}

void KTUnarchiveResultViewController::showItemInFolder(const QString &path)
{
    m_handoff->showInFolder(path, this, [this, path](KTDesktopHandoff::OpenOutcome outcome) {
        const bool shown = outcome == KTDesktopHandoff::OpenOutcome::Opened;
        if (!shown)
            showFailure(tr("No file manager could show “%1”.").arg(QFileInfo(path).fileName()), {});
        emit openFinished(shown);
    });
}

void KTUnarchiveResultViewController::saveFile()
{
    const QString source = targetPath();
    if (source.isEmpty() || m_saving || m_saveDialog || m_moving)
        return;
    QFileDialog dialog(window(), tr("Save a Copy"), m_saveFolder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.selectFile(suggestedSaveName());
    m_saveDialog = &dialog;
    const int answer = dialog.exec();
    m_saveDialog = nullptr;
    if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;

    const QString target = dialog.selectedFiles().constFirst();
    m_saveFolder = QFileInfo(target).absolutePath();
    // The dialog asked before it let an existing name through.
    const bool replace = QFileInfo::exists(target) || QFileInfo(target).isSymLink();
    m_saving = true;
    updateActions();
    runInBackground([source, target, replace] { return KTItemCopier::copyItem(source, target, replace); },
                    [this, target](const KTFileOperationError &error) {
                        m_saving = false;
                        updateActions();
                        if (error.failed())
                            showFailure(tr("The copy could not be saved as “%1”.").arg(QFileInfo(target).fileName()),
                                        describe(error));
                        emit saveFinished(error.ok());
                    });
}

void KTUnarchiveResultViewController::moveResult()
{
    const QString source = m_fileDataCollection.desPath();
    if (source.isEmpty() || !m_model->tree() || m_moving || m_saving || m_mailing || m_moveDialog)
        return;
    QFileDialog dialog(window(), tr("Move To"), m_saveFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowModality(Qt::ApplicationModal);
    m_moveDialog = &dialog;
    const int answer = dialog.exec();
    m_moveDialog = nullptr;
    if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;

    const QString folder = dialog.selectedFiles().constFirst();
    m_saveFolder = folder;
    const QString target = QDir(folder).filePath(QFileInfo(source).fileName());
    m_moving = true;
    updateActions();
    emit movingChanged(true);
    KTFileDataCollection *collection = &m_fileDataCollection;
    // The tree is read again at the new place, on the screen's thread: its
    // records hold the old paths.
    runInBackground(
        [source, target, collection] {
            const KTFileOperationError error = KTItemMover::moveItem(source, target);
            if (error.ok() || error.cause == KTFileOperationError::Cause::SourceKept) {
                const QStringList archives = collection->fileArray();
                collection->startOver();
                collection->setFileArray(archives);
                collection->setDesPath(target);
                collection->fileData();
            }
            return error;
        },
        [this, target](const KTFileOperationError &error) { moveDone(target, error); });
}

void KTUnarchiveResultViewController::moveDone(const QString &target, const KTFileOperationError &error)
{
    m_moving = false;
    if (error.ok() || error.cause == KTFileOperationError::Cause::SourceKept)
        refresh();
    updateActions();
    emit movingChanged(false);
    if (error.failed())
        showFailure(tr("The result could not be moved to “%1”.").arg(QDir::toNativeSeparators(QFileInfo(target).path())),
                    describe(error));
    emit moveFinished(error.ok());
}

void KTUnarchiveResultViewController::sendMailWithItem(const KTFileItem &item)
{
    const QString path = item.filePath();
    if (path.isEmpty() || m_mailing || m_moving)
        return;
    const QString name = QFileInfo(path).fileName();
    m_mailing = true;
    updateActions();
    if (!QFileInfo(path).isDir()) {
        handMailOver(path, name, {});
        return;
    }
    // Mail clients attach files only: a folder travels as a zip of itself,
    // left in the temporary folder for the client to read when it sends
    // (the system's clean-up of that folder removes it in the end).
    QByteArray folder = QFile::encodeName(QDir::temp().filePath(QStringLiteral("kt-mail-XXXXXX")));
    if (!::mkdtemp(folder.data())) {
        packingFailed(KTFileOperationError::system(errno, QDir::tempPath()));
        return;
    }
    const QString zipPath = QDir(QFile::decodeName(folder)).filePath(name + QStringLiteral(".zip"));
    runInBackground([path, zipPath] { return KTFolderZipper::zipFolder(path, zipPath); },
                    [this, zipPath, name](const KTFileOperationError &error) {
                        if (error.ok()) {
                            handMailOver(zipPath, name, QFileInfo(zipPath).path());
                            return;
                        }
                        QDir(QFileInfo(zipPath).path()).removeRecursively();
                        packingFailed(error);
                    });
}

void KTUnarchiveResultViewController::packingFailed(const KTFileOperationError &error)
{
    m_mailing = false;
    updateActions();
    showFailure(tr("The folder could not be packed for mailing."), describe(error));
    emit mailFinished(false);
}

void KTUnarchiveResultViewController::handMailOver(const QString &attachment, const QString &name,
                                                   const QString &scratchFolder)
{
    // The body is text, not a script: the name goes in as it is.
    const QString body = QStringLiteral("Attached file name: ") + name;
    m_handoff->composeMail(attachment, body, this, [this, scratchFolder](KTDesktopHandoff::MailOutcome outcome) {
        m_mailing = false;
        updateActions();
        if (outcome != KTDesktopHandoff::MailOutcome::Composing && !scratchFolder.isEmpty())
            QDir(scratchFolder).removeRecursively();
        switch (outcome) {
        case KTDesktopHandoff::MailOutcome::Composing:
            break;
        case KTDesktopHandoff::MailOutcome::ToolMissing:
            showFailure(tr("The mail client could not be reached."),
                        tr("The program xdg-email, which hands files to the mail client, is missing. "
                           "It comes with the package xdg-utils."));
            break;
        case KTDesktopHandoff::MailOutcome::NoMailClient:
            showFailure(tr("No mail client is set up on this computer."),
                        tr("Choose a default mail client in your desktop's settings, then try again."));
            break;
        case KTDesktopHandoff::MailOutcome::Failed:
            showFailure(tr("The mail client could not take the file."), {});
            break;
        }
        emit mailFinished(outcome == KTDesktopHandoff::MailOutcome::Composing);
    });
}

void KTUnarchiveResultViewController::runInBackground(std::function<KTFileOperationError()> work,
                                                      std::function<void(const KTFileOperationError &)> done)
{
    auto *watcher = new QFutureWatcher<KTFileOperationError>(this);
    connect(watcher, &QFutureWatcher<KTFileOperationError>::finished, this, [watcher, done] {
        watcher->deleteLater();
        done(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&m_pool, std::move(work)));
}

void KTUnarchiveResultViewController::releaseInBackground(std::shared_ptr<const KTTreeNode> tree)
{
    // Freeing a tree of a million nodes takes the GUI thread a fraction of
    // a second; the last reference goes on the screen's own thread instead.
    if (tree.use_count() == 1)
        m_pool.start([tree = std::move(tree)]() mutable { tree.reset(); });
}

void KTUnarchiveResultViewController::showFailure(const QString &text, const QString &cause)
{
    auto *box = new QMessageBox(QMessageBox::Warning, window()->windowTitle(), text, QMessageBox::Ok, window());
    box->setInformativeText(cause);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

QString KTUnarchiveResultViewController::describe(const KTFileOperationError &error)
{
    switch (error.cause) {
    case KTFileOperationError::Cause::None:
        return {};
    case KTFileOperationError::Cause::IntoItself:
        return tr("A folder cannot be copied into itself, and nothing can replace the folder it comes from.");
    case KTFileOperationError::Cause::SourceKept:
        return tr("It was copied there, but the original at %1 could not be removed entirely: %2")
            .arg(QDir::toNativeSeparators(error.path), QString::fromLocal8Bit(std::strerror(error.errorNumber)));
    case KTFileOperationError::Cause::System:
        break;
    }
    return tr("%1: %2").arg(QDir::toNativeSeparators(error.path), QString::fromLocal8Bit(std::strerror(error.errorNumber)));
}
