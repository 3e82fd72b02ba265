#include "KTExtractCommandLine.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // Past a file-size limit a write then fails with EFBIG, which the job
    // reports, instead of the signal killing the process mid-extraction.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kt-extract"));
    KTExtractCommandLine commandLine;
    QObject::connect(&commandLine, &KTExtractCommandLine::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (auto code = commandLine.start(QCoreApplication::arguments()))
        return *code;
    return app.exec();
}
