#include "KTDesktopHandoff.h"

#include <QDesktopServices>

KTDesktopHandoff &KTDesktopHandoff::system()
{
    static KTDesktopHandoff handoff;
    return handoff;
}

bool KTDesktopHandoff::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
