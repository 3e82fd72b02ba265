#include "support/KTRecordingHandoff.h"

#include <QMetaObject>

void KTRecordingHandoff::openUrl(const QUrl &url, QObject *context, OpenDone done)
{
    opened << url;
    QMetaObject::invokeMethod(context, [done] { done(OpenOutcome::Opened); }, Qt::QueuedConnection);
}

void KTRecordingHandoff::showInFolder(const QString &path, QObject *context, OpenDone done)
{
    shownInFolder << path;
    QMetaObject::invokeMethod(context, [done] { done(OpenOutcome::Opened); }, Qt::QueuedConnection);
}
