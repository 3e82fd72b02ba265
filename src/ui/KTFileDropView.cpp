#include "ui/KTFileDropView.h"

#include "extraction/engine/KTSelfExtractingProbe.h"
#include "ui/KTAccessibleFactory.h"
#include "util/core/KTUtility.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>
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
    // The format names first, then the extensions real files carry, then
    // everything else the two readers open.
    return {QStringLiteral("zip"),  QStringLiteral("7z"),   QStringLiteral("gzip"), QStringLiteral("tar"),
            QStringLiteral("rar"),  QStringLiteral("bzip"), QStringLiteral("bzip2"), QStringLiteral("gz"),
            QStringLiteral("tgz"),  QStringLiteral("bz2"),  QStringLiteral("tbz"),  QStringLiteral("tbz2"),
            QStringLiteral("xz"),   QStringLiteral("txz"),  QStringLiteral("zst"),  QStringLiteral("iso"),
            QStringLiteral("cab"),  QStringLiteral("lzh"),  QStringLiteral("lha"),  QStringLiteral("arj"),
            QStringLiteral("cpio"), QStringLiteral("ar"),   QStringLiteral("deb"),  QStringLiteral("rpm"),
            QStringLiteral("xar"),  QStringLiteral("pkg"),  QStringLiteral("jar"),  QStringLiteral("war"),
            QStringLiteral("apk"),  QStringLiteral("epub"), QStringLiteral("cbz"),  QStringLiteral("cbr"),
            QStringLiteral("cb7"),  QStringLiteral("cbt"),  QStringLiteral("z"),    QStringLiteral("lz"),
            QStringLiteral("lzma"), QStringLiteral("lz4"),  QStringLiteral("tlz"),  QStringLiteral("tzst"),
            QStringLiteral("tzs"),  QStringLiteral("zipx"), QStringLiteral("zstd")};
}

QStringList KTFileDropView::namePatterns(const QStringList &formats)
{
    QStringList patterns;
    for (const QString &extension : formats) {
        patterns << QStringLiteral("*.") + extension;
        patterns << QStringLiteral("*.") + extension.toUpper();
    }
    // The pieces of split sets, and programs that may hold an archive.
    patterns << QStringLiteral("*.7z.001") << QStringLiteral("*.zip.001") << QStringLiteral("*.z01")
             << QStringLiteral("*.Z01") << QStringLiteral("*.exe") << QStringLiteral("*.EXE");
    return patterns;
}

bool KTFileDropView::accepts(const QString &path, const QStringList &formats)
{
    const QString extension = extensionOf(path);
    if (formats.contains(extension))
        return true;
    // name.z01, name.z02, …: a split zip; name.7z.001, …: a byte-split archive.
    static const QRegularExpression zipPiece(QStringLiteral("^z\\d\\d$"));
    static const QRegularExpression piece(QStringLiteral("^\\d{3}$"));
    if (zipPiece.match(extension).hasMatch())
        return true;
    if (piece.match(extension).hasMatch())
        return formats.contains(extensionOf(path.left(path.size() - extension.size() - 1)));
    return extension == QLatin1String("exe") && KTSelfExtractingProbe::isSelfExtracting(path);
}

bool KTFileDropView::performDragOperation(const QMimeData *data)
{
    if (m_archiverFormat.isEmpty())
        m_archiverFormat = defaultArchiverFormat();
    const QStringList paths = localFilePaths(data);
    if (paths.isEmpty())
        return true;
    for (const QString &path : paths) {
        if (!accepts(path, m_archiverFormat))
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
