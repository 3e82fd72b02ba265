#pragma once

#include <QUrl>

// What the application hands to the desktop: web pages, files and folders
// to open. The system's handoff uses the desktop's own handlers; tests
// replace it to see what was handed over.
class KTDesktopHandoff
{
public:
    virtual ~KTDesktopHandoff() = default;

    static KTDesktopHandoff &system();

    // false when the desktop could not take it.
    virtual bool openUrl(const QUrl &url);
};
