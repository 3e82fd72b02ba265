#include "app/cli/KTExtractCommandLine.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // Past a file-size limit a write then fails with EFBIG, which the job
    // reports, instead of the signal killing the process mid-extraction.
    std::signal(SIGXFSZ, SIG_IGN);
    // Without TZ, glibc reads /etc/localtime's status again at every time
    // conversion, and libarchive converts every zip entry's time on each
    // thread that reads the archive. The same zone, looked up once.
    ::setenv("TZ", ":/etc/localtime", 0);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kt-extract"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KT_VERSION));
    KTExtractCommandLine commandLine;
    QObject::connect(&commandLine, &KTExtractCommandLine::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (auto code = commandLine.start(QCoreApplication::arguments()))
        return *code;
    return app.exec();
}
