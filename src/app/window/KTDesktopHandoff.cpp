#include "app/window/KTDesktopHandoff.h"

#include <QDesktopServices>
#include <QProcess>

KTDesktopHandoff &KTDesktopHandoff::system()
{
    static KTDesktopHandoff handoff;
    return handoff;
}

bool KTDesktopHandoff::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

void KTDesktopHandoff::composeMail(const QString &attachment, const QString &body, QObject *context, MailDone done)
{
    // An argument list, no shell: names with quotes, backslashes or line
    // breaks reach the tool as they are. The process has no parent on
    // purpose: xdg-email may run as long as the composer window, which must
    // not close when this application quits.
    auto *process = new QProcess;
    process->setProgram(QStringLiteral("xdg-email"));
    process->setArguments({QStringLiteral("--attach"), attachment, QStringLiteral("--body"), body});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(process, &QProcess::errorOccurred, context, [done](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done(MailOutcome::ToolMissing);
    });
    QObject::connect(process, &QProcess::finished, context, [done](int exitCode, QProcess::ExitStatus status) {
        // xdg-email's exit codes: 3 when no tool for the job was found.
        if (status == QProcess::NormalExit && exitCode == 0)
            done(MailOutcome::Composing);
        else if (status == QProcess::NormalExit && exitCode == 3)
            done(MailOutcome::NoMailClient);
        else
            done(MailOutcome::Failed);
    });
    // The process goes once it is done, whether or not context still lives.
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    process->start();
}
