#pragma once

#include "app/window/KTDesktopHandoff.h"

#include <QList>
#include <QUrl>

// Records what the screens hand to the desktop to open instead of opening
// it; mail goes through the real hand-over (and so to whichever xdg-email
// is first on PATH).
class KTRecordingHandoff : public KTDesktopHandoff
{
public:
    bool openUrl(const QUrl &url) override;

    QList<QUrl> opened;
    // What openUrl answers.
    bool opens = true;
};
