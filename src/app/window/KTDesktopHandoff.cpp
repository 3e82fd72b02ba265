#include "app/window/KTDesktopHandoff.h"

#include "app/core/KTDesktopEntry.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

// Runs program with arguments, no shell, and reports its exit code (or -1
// when it did not start) on context's thread. The process has no parent on
// purpose: an opener may run as long as the application it started, which
// must not close when this application quits.
void runTool(const QString &program, const QStringList &arguments, QObject *context,
             std::function<void(int exitCode)> done)
{
    auto *process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(process, &QProcess::errorOccurred, context, [done](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done(-1);
    });
    QObject::connect(process, &QProcess::finished, context, [done](int exitCode, QProcess::ExitStatus status) {
        done(status == QProcess::NormalExit ? exitCode : 1);
    });
    // The process goes once it is done, whether or not context still lives.
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    process->start();
}

} // namespace

KTDesktopHandoff &KTDesktopHandoff::system()
{
    static KTDesktopHandoff handoff;
    return handoff;
}

void KTDesktopHandoff::openUrl(const QUrl &url, QObject *context, OpenDone done)
{
    // QDesktopServices only says whether xdg-open started; its exit status
    // says whether an application took the file.
    runTool(QStringLiteral("xdg-open"), {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)},
            context, [done](int exitCode) {
                if (exitCode == 0)
                    done(OpenOutcome::Opened);
                else if (exitCode < 0)
                    done(OpenOutcome::ToolMissing);
                else
                    done(OpenOutcome::NoApplication);
            });
}

bool KTDesktopHandoff::openWith(const KTDesktopEntry &application, const QString &path)
{
    QStringList command = application.commandFor(path);
    const QString program = command.takeFirst();
    return QProcess::startDetached(program, command, QDir::homePath());
}

void KTDesktopHandoff::showInFolder(const QString &path, QObject *context, OpenDone done)
{
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openUrl(folder, context, done);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [this, watcher, folder, context, done] {
                         watcher->deleteLater();
                         // No file manager on the bus: the folder, opened as any other.
                         if (watcher->isError())
                             openUrl(folder, context, done);
                         else
                             done(OpenOutcome::Opened);
                     });
}

void KTDesktopHandoff::composeMail(const QString &attachment, const QString &body, QObject *context, MailDone done)
{
    // An argument list, no shell: names with quotes, backslashes or line
    // breaks reach the tool as they are.
    runTool(QStringLiteral("xdg-email"), {QStringLiteral("--attach"), attachment, QStringLiteral("--body"), body},
            context, [done](int exitCode) {
                // xdg-email's exit codes: 3 when no tool for the job was found.
                if (exitCode == 0)
                    done(MailOutcome::Composing);
                else if (exitCode < 0)
                    done(MailOutcome::ToolMissing);
                else if (exitCode == 3)
                    done(MailOutcome::NoMailClient);
                else
                    done(MailOutcome::Failed);
            });
}
