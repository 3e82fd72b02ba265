#pragma once

#include "app/window/KTDesktopHandoff.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// Records what the screens hand to the desktop to open instead of opening
// it, and answers with a chosen outcome on a later turn of the event loop;
// mail goes through the real hand-over (and so to whichever xdg-email is
// first on PATH).
class KTRecordingHandoff : public KTDesktopHandoff
{
public:
    void openUrl(const QUrl &url, QObject *context, OpenDone done) override;
    bool openWith(const KTDesktopEntry &application, const QString &path) override;
    void showInFolder(const QString &path, QObject *context, OpenDone done) override;

    QList<QUrl> opened;
    // "application id: path" for each Open With.
    QStringList openedWith;
    QStringList shownInFolder;
    // What openUrl and showInFolder answer.
    OpenOutcome outcome = OpenOutcome::Opened;
};
