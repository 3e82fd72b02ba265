#pragma once

#include "app/window/KTDesktopHandoff.h"
#include "app/window/KTViewController.h"
#include "util/files/KTFileOperationError.h"

#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <QVariant>

#include <functional>
#include <memory>

class ImageCell;
class KTFileDataCollection;
class KTFileIconCache;
class KTFileItem;
class KTFileTreeModel;
class KTNoticeList;
class KTOpenWithDialog;
class KTTreeNode;
class QAction;
class QFileDialog;
class QTreeView;
namespace Ui {
class KTUnarchiveResultViewController;
}

// The second screen: what the last extraction produced as an outline, and
// what to do with it: open an entry, save a copy of it, mail the result, or
// go back to the first screen for the next archive.
class KTUnarchiveResultViewController : public KTViewController
{
    Q_OBJECT
public:
    explicit KTUnarchiveResultViewController(KTViewControllerDelegate *delegate = nullptr, QWidget *parent = nullptr);
    ~KTUnarchiveResultViewController() override;

    Ui::KTUnarchiveResultViewController &ui() const { return *m_ui; }
    QTreeView *kt_outlineView() const;
    // The outline's model: the tree.
    KTFileTreeModel *treeModel() const { return m_model; }
    ImageCell *imageCell() const { return m_imageCell; }
    KTNoticeList *noticeList() const;
    // Save a Copy… (Ctrl+S) and Mail…, for the window's menu too; enabled
    // while a tree is shown.
    QAction *saveAction() const { return m_saveAction; }
    QAction *mailAction() const { return m_mailAction; }
    // Move To…: the whole result to another folder.
    QAction *moveAction() const { return m_moveAction; }
    QAction *openAction() const { return m_openAction; }
    // Open With… and Show in Folder, in the outline's context menu.
    QAction *openWithAction() const { return m_openWithAction; }
    QAction *showInFolderAction() const { return m_showInFolderAction; }
    // The save dialog while it is open.
    QFileDialog *saveDialog() const { return m_saveDialog; }
    // The folder dialog of Move To… while it is open.
    QFileDialog *moveDialog() const { return m_moveDialog; }
    // The Open With chooser while it is open.
    KTOpenWithDialog *openWithDialog() const;
    void setDesktopHandoff(KTDesktopHandoff *handoff) { m_handoff = handoff; }
    // How many "fileget" refreshes have run.
    int refreshCount() const { return m_refreshCount; }
    bool isMoving() const { return m_moving; }

    // The file or folder open and save work on: the selected row's, else
    // the destination.
    QString targetPath() const;
    // The name the save dialog suggests for it: the entry's full name, or
    // the destination's without its extension when nothing is selected.
    QString suggestedSaveName() const;

public slots:
    // "fileget": refreshes on a later turn of the event loop.
    void run(const QVariant &notification);
    void bakeToHome();
    void doubleClickAtIndex();
    void menuSave();
    void menuMail();

    // Hands the target to the desktop; a file that could run as a program
    // is opened only once the user confirms.
    void openFile();
    // Offers the applications registered for the target's type.
    void openWith();
    // The file manager with the target selected.
    void showInFolder();
    void saveFile();
    // Asks for a folder and moves the whole result into it under its own
    // name, then shows it there.
    void moveResult();
    // Mails the file or folder of the record; a folder goes as a zip of it.
    void sendMailWithItem(const KTFileItem &item);

signals:
    void refreshed();
    // "Read Names Again with Detection" was pressed.
    void readNamesAgainRequested();
    // A save or a mail hand-over ended; ok is false when a message told why.
    void saveFinished(bool ok);
    // The desktop answered an open, open with or show in folder.
    void openFinished(bool ok);
    void mailFinished(bool ok);
    // A move ended and the screen shows the result where it now is (or
    // still was, when ok is false and a message told why).
    void moveFinished(bool ok);
    // A move started or ended: the window opens no other archive meanwhile,
    // since the move reads the result back into the shared collection.
    void movingChanged(bool moving);

protected:
    // Shortens the header again when its labels are resized.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void awakeFromNib();
    // The title and path, shortened to their labels' width.
    void elideHeader();
    void setUpOutline();
    void setUpActions();
    void refresh();
    // The quiet lines under the title about the result just shown.
    void addNotices();
    void updateActions();
    const KTTreeNode *selectedNode() const;
    // Runs work on the screen's own thread, then done back on this one.
    void runInBackground(std::function<KTFileOperationError()> work,
                         std::function<void(const KTFileOperationError &)> done);
    // scratchFolder, when given, holds a zip made for this mail: it goes
    // again when the mail client did not take it.
    void handMailOver(const QString &attachment, const QString &name, const QString &scratchFolder);
    void handOpenOver(const QString &path);
    void openFailed(const QString &path, KTDesktopHandoff::OpenOutcome outcome);
    void chooseApplicationFor(const QString &path);
    void showItemInFolder(const QString &path);
    void packingFailed(const KTFileOperationError &error);
    void moveDone(const QString &target, const KTFileOperationError &error);
    void releaseInBackground(std::shared_ptr<const KTTreeNode> tree);
    void showFailure(const QString &text, const QString &cause);
    static QString describe(const KTFileOperationError &error);

    std::unique_ptr<Ui::KTUnarchiveResultViewController> m_ui;
    KTFileDataCollection &m_fileDataCollection;
    std::unique_ptr<KTFileIconCache> m_icons;
    KTFileTreeModel *m_model = nullptr;
    ImageCell *m_imageCell = nullptr;
    QAction *m_openAction = nullptr;
    QAction *m_saveAction = nullptr;
    QAction *m_mailAction = nullptr;
    QAction *m_moveAction = nullptr;
    QAction *m_openWithAction = nullptr;
    QAction *m_showInFolderAction = nullptr;
    QFileDialog *m_saveDialog = nullptr;
    QFileDialog *m_moveDialog = nullptr;
    QPointer<KTOpenWithDialog> m_openWithDialog;
    KTDesktopHandoff *m_handoff;
    QString m_saveFolder;
    QString m_title;
    QString m_path;
    bool m_saving = false;
    bool m_mailing = false;
    // While the result moves its paths are changing: nothing else runs on it.
    bool m_moving = false;
    int m_refreshCount = 0;
    // Last member: its threads finish before the rest goes.
    QThreadPool m_pool;
};
