#include "app/core/KTPreferences.h"
#include "app/window/AppDelegate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <csignal>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // A file larger than the process may write fails with EFBIG, reported
    // as an error, instead of killing the application.
    std::signal(SIGXFSZ, SIG_IGN);
    // Without TZ, glibc reads /etc/localtime's status again at every time
    // conversion, and libarchive converts every zip entry's time on each
    // thread that reads the archive. The same zone, looked up once.
    ::setenv("TZ", ":/etc/localtime", 0);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KT Extractor"));
    QApplication::setOrganizationName(QStringLiteral("KTExtractor"));
    QApplication::setApplicationVersion(QStringLiteral(KT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("kt-extractor"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kt-extractor"), QIcon(QStringLiteral(":/kt-extractor.svg"))));

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("kt"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QApplication::installTranslator(&translator);

    QCommandLineParser parser;
    parser.setApplicationDescription(QApplication::translate("main", "Extracts an archive and shows what came out."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("archive"), QApplication::translate("main", "The archive to extract."),
                                 QStringLiteral("[ARCHIVE]"));
    const QCommandLineOption extractTo(QStringLiteral("extract-to"),
                                       QApplication::translate("main", "Ask for the folder to extract ARCHIVE into."));
    parser.addOption(extractTo);
    parser.process(app);

    AppDelegate delegate(KTPreferences::standard());
    const QStringList archives = parser.positionalArguments().mid(0, 1);
    if (parser.isSet(extractTo) && !archives.isEmpty()) {
        delegate.applicationDidFinishLaunching();
        delegate.extractAskingForFolder(archives.first());
    } else {
        delegate.applicationDidFinishLaunching(archives);
    }
    return app.exec();
}
