#include "ui/KTFileDropView.h"

#include "extraction/engine/KTArchiveExtensions.h"
#include "ui/KTAccessibleFactory.h"
#include "util/core/KTUtility.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace {

QStringList localFilePaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

KTFileDropView::KTFileDropView(QWidget *parent)
    : QWidget(parent)
    , m_archiverFormat(KTArchiveExtensions::opened())
{
    KTAccessibleFactory::ensureInstalled();
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
}

void KTFileDropView::activate()
{
    emit activated();
}

void KTFileDropView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        activate();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool KTFileDropView::performDragOperation(const QMimeData *data)
{
    if (m_archiverFormat.isEmpty())
        m_archiverFormat = KTArchiveExtensions::opened();
    const QStringList paths = localFilePaths(data);
    if (paths.isEmpty())
        return true;
    for (const QString &path : paths) {
        if (!KTArchiveExtensions::accepts(path, m_archiverFormat))
            return false;
    }
    KTUtility::kt_doPerformNotification(QStringLiteral("filedrop"), QVariant(paths));
    return true;
}

void KTFileDropView::dragEnterEvent(QDragEnterEvent *event)
{
    // Entering and moving offer the same: a copy of local files.
    dragMoveEvent(event);
}

void KTFileDropView::dragMoveEvent(QDragMoveEvent *event)
{
    if (localFilePaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void KTFileDropView::dropEvent(QDropEvent *event)
{
    if (!performDragOperation(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
