#include "ui/KTFileDropView.h"

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

// The text after the last '.' of the last path component, lower-cased; a
// folder's trailing slash does not count, so it is judged by its name.
QString extensionOf(const QString &path)
{
    QString name = path;
    while (name.size() > 1 && name.endsWith(QLatin1Char('/')))
        name.chop(1);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

} // namespace

KTFileDropView::KTFileDropView(QWidget *parent)
    : QWidget(parent)
    , m_archiverFormat(defaultArchiverFormat())
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

QStringList KTFileDropView::defaultArchiverFormat()
{
    // The format names first, then the extensions real files carry.
    return {QStringLiteral("zip"), QStringLiteral("7z"),  QStringLiteral("gzip"), QStringLiteral("tar"),
            QStringLiteral("rar"), QStringLiteral("bzip"), QStringLiteral("bzip2"), QStringLiteral("gz"),
            QStringLiteral("tgz"), QStringLiteral("bz2"), QStringLiteral("tbz"),  QStringLiteral("tbz2"),
            QStringLiteral("xz"),  QStringLiteral("txz"), QStringLiteral("zst")};
}

bool KTFileDropView::performDragOperation(const QMimeData *data)
{
    if (m_archiverFormat.isEmpty())
        m_archiverFormat = defaultArchiverFormat();
    const QStringList paths = localFilePaths(data);
    if (paths.isEmpty())
        return true;
    for (const QString &path : paths) {
        if (!m_archiverFormat.contains(extensionOf(path)))
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
