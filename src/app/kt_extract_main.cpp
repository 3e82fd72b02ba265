#include "KTExtractCommandLine.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kt-extract"));
    KTExtractCommandLine commandLine;
    QObject::connect(&commandLine, &KTExtractCommandLine::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (auto code = commandLine.start(QCoreApplication::arguments()))
        return *code;
    return app.exec();
}
