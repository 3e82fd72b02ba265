#include "support/KTScreenDriver.h"

#include "ui_KTUnarchiveViewController.h"

#include "ui/KTFileDropView.h"
#include "extraction/screens/KTPasswordDialog.h"
#include "extraction/screens/KTUnarchiveViewController.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
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

QTimer *KTScreenDriver::answerPasswords(KTUnarchiveViewController &screen, std::optional<QString> text, int *answered,
                                        std::function<void()> whileOpen)
{
    auto *timer = new QTimer(&screen);
    timer->setInterval(10);
    KTPasswordDialog *dialog = screen.passWdPanel();
    QObject::connect(timer, &QTimer::timeout, dialog, [dialog, text, answered, whileOpen] {
        if (QApplication::activeModalWidget() != dialog || !dialog->isVisible())
            return;
        if (whileOpen)
            whileOpen();
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
    timer->start();
    return timer;
}

bool KTScreenDriver::waitUntilIdle(KTUnarchiveViewController &screen, int timeoutMs)
{
    return QTest::qWaitFor([&] { return !screen.isBusy(); }, timeoutMs);
}
