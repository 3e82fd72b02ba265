#pragma once

#include "app/window/KTDesktopHandoff.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// Records what the screens hand to the desktop to open or show instead of
// doing it, and answers "opened" on a later turn of the event loop; Open
// With and mail go through the real hand-over.
class KTRecordingHandoff : public KTDesktopHandoff
{
public:
    void openUrl(const QUrl &url, QObject *context, OpenDone done) override;
    void showInFolder(const QString &path, QObject *context, OpenDone done) override;

    QList<QUrl> opened;
    QStringList shownInFolder;
};
