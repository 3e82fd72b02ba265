#include "support/KTRecordingHandoff.h"

#include "app/core/KTDesktopEntry.h"

#include <QMetaObject>

void KTRecordingHandoff::openUrl(const QUrl &url, QObject *context, OpenDone done)
{
    opened << url;
    QMetaObject::invokeMethod(context, [done, answer = outcome] { done(answer); }, Qt::QueuedConnection);
}

bool KTRecordingHandoff::openWith(const KTDesktopEntry &application, const QString &path)
{
    openedWith << application.id() + QStringLiteral(": ") + path;
    return true;
}

void KTRecordingHandoff::showInFolder(const QString &path, QObject *context, OpenDone done)
{
    shownInFolder << path;
    QMetaObject::invokeMethod(context, [done, answer = outcome] { done(answer); }, Qt::QueuedConnection);
}
