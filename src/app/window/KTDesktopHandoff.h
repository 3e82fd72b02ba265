#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class KTDesktopEntry;
class QObject;

// What the application hands to the desktop: web pages, files and folders
// to open, files to mail. The system's handoff uses the desktop's own
// handlers; tests replace it to see what was handed over.
class KTDesktopHandoff
{
public:
    enum class OpenOutcome {
        Opened,        // the opener reported success
        NoApplication, // the opener ran, but nothing on this desktop takes it
        ToolMissing,   // xdg-open is not installed or cannot be started
    };
    using OpenDone = std::function<void(OpenOutcome outcome)>;

    enum class MailOutcome {
        Composing,    // the mail client took the message
        ToolMissing,  // xdg-email is not installed or cannot be started
        NoMailClient, // no mail client is set up on this desktop
        Failed,       // anything else the tool reported
    };
    using MailDone = std::function<void(MailOutcome outcome)>;

    virtual ~KTDesktopHandoff() = default;

    static KTDesktopHandoff &system();

    // Opens the URL with the desktop's default application through
    // xdg-open, whose exit status tells whether anything took it. done runs
    // later on this thread, unless context is gone by then.
    virtual void openUrl(const QUrl &url, QObject *context, OpenDone done);
    // Starts the application on the local file; false when it could not be
    // started.
    virtual bool openWith(const KTDesktopEntry &application, const QString &path);
    // Shows the item selected in the file manager through the FileManager1
    // D-Bus interface; without one, opens the folder holding it.
    virtual void showInFolder(const QString &path, QObject *context, OpenDone done);
    // Opens a new message in the user's mail client with the file attached
    // and body as its text. done runs later on this thread, unless context
    // is gone by then.
    virtual void composeMail(const QString &attachment, const QString &body, QObject *context, MailDone done);
};
