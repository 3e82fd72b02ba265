#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QObject;

// What the application hands to the desktop: web pages, files and folders
// to open, files to mail. The system's handoff uses the desktop's own
// handlers; tests replace it to see what was handed over.
class KTDesktopHandoff
{
public:
    enum class MailOutcome {
        Composing,    // the mail client took the message
        ToolMissing,  // xdg-email is not installed or cannot be started
        NoMailClient, // no mail client is set up on this desktop
        Failed,       // anything else the tool reported
    };
    using MailDone = std::function<void(MailOutcome outcome)>;

    virtual ~KTDesktopHandoff() = default;

    static KTDesktopHandoff &system();

    // false when the desktop could not take it.
    virtual bool openUrl(const QUrl &url);
    // Opens a new message in the user's mail client with the file attached
    // and body as its text. done runs later on this thread, unless context
    // is gone by then.
    virtual void composeMail(const QString &attachment, const QString &body, QObject *context, MailDone done);
};
