#include "support/KTScreenDriver.h"

#include "ui_KTUnarchiveViewController.h"

#include "extraction/screens/KTPasswordDialog.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "ui/KTFileDropView.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

bool KTScreenDriver::dropFiles(KTUnarchiveViewController &screen, const QStringList &paths)
{
    KTFileDropView *target = screen.ui().briefView;
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the view: QApplication::notify expects a drag in progress.
    static_cast<QObject *>(target)->event(&enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject *>(target)->event(&drop);
    // Deliver the "filedrop" the view posted, so the job has started.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    return drop.isAccepted();
}

namespace {

// Calls back on a later turn of the event loop each time a widget is shown:
// for a modal dialog, from inside its own loop.
class ShowWatcher : public QObject
{
public:
    ShowWatcher(QWidget *watched, std::function<void()> callback)
        : QObject(watched)
        , m_callback(std::move(callback))
    {
        watched->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            QMetaObject::invokeMethod(this, m_callback, Qt::QueuedConnection);
        return false;
    }

private:
    std::function<void()> m_callback;
};

} // namespace

void KTScreenDriver::whenPasswordDialogShows(KTUnarchiveViewController &screen, std::function<void(KTPasswordDialog *)> fn)
{
    KTPasswordDialog *dialog = screen.passWdPanel();
    new ShowWatcher(dialog, [dialog, fn] {
        if (dialog->isVisible())
            fn(dialog);
    });
}

void KTScreenDriver::answerPasswords(KTUnarchiveViewController &screen, std::optional<QString> text, int *answered)
{
    whenPasswordDialogShows(screen, [text, answered](KTPasswordDialog *dialog) {
        if (answered)
            ++*answered;
        if (text) {
            dialog->passwordField()->clear();
            QTest::keyClicks(dialog->passwordField(), *text);
            dialog->findChild<QPushButton *>(QStringLiteral("okButton"))->click();
        } else {
            dialog->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
        }
    });
}

bool KTScreenDriver::waitUntilIdle(KTUnarchiveViewController &screen, int timeoutMs)
{
    return QTest::qWaitFor([&] { return !screen.isBusy(); }, timeoutMs);
}
