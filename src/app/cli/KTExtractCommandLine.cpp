#include "app/cli/KTExtractCommandLine.h"

#include "app/cli/KTInterruptWatcher.h"
#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "extraction/job/KTExtractionJob.h"
#include "extraction/names/KTEncodings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitSkipped = 3;
constexpr int ExitInterrupted = 130;

void printErr(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

// Entry names come from the archive: control characters (escape sequences
// among them) are shown as '?' rather than sent to the terminal.
QString printable(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    }
    return text;
}

std::optional<QString> readLineFromTerminal(const QString &prompt)
{
    FILE *tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        return std::nullopt;
    std::fputs(prompt.toLocal8Bit().constData(), tty);
    std::fflush(tty);
    termios saved{};
    const int fd = ::fileno(tty);
    const bool canHide = ::tcgetattr(fd, &saved) == 0;
    if (canHide) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    char buffer[4096];
    const bool got = std::fgets(buffer, sizeof buffer, tty) != nullptr;
    if (canHide)
        ::tcsetattr(fd, TCSAFLUSH, &saved);
    std::fputc('\n', tty);
    std::fclose(tty);
    if (!got)
        return std::nullopt;
    QString line = QString::fromLocal8Bit(buffer);
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

} // namespace

KTExtractCommandLine::KTExtractCommandLine(QObject *parent)
    : QObject(parent)
    , m_preferences(KTPreferences::inMemory())
{
}

KTExtractCommandLine::~KTExtractCommandLine() = default;

std::optional<int> KTExtractCommandLine::start(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Extracts ARCHIVE into a new folder (or, for an archive of one item, that item) in DIR,\n"
        "never replacing anything there, and prints the created path.\n"
        "Entries that cannot be written safely (names or links leading outside the folder, devices,\n"
        "FIFOs, sockets) are left out and each is named on standard error.\n"
        "Exit status: 0 extracted, 1 the extraction failed (the cause is printed), 2 usage error,\n"
        "3 extracted, some entries skipped, 130 interrupted (nothing is left behind)."));
    parser.addHelpOption();
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("Extract into DIR (default: the current folder)."), QStringLiteral("DIR"));
    const QCommandLineOption encodingOption(
        {QStringLiteral("e"), QStringLiteral("encoding")},
        QStringLiteral("Entry-name encoding: auto (detect), an identifier or a name from --list-encodings. "
                       "Default: the desktop application's choice (UTF-8 unless changed)."),
        QStringLiteral("ENC"));
    const QCommandLineOption passwordOption({QStringLiteral("p"), QStringLiteral("password-stdin")},
                                            QStringLiteral("Read the password from the first line of standard input."));
    const QCommandLineOption listOption(QStringLiteral("list-encodings"), QStringLiteral("List the encodings and exit."));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")}, QStringLiteral("Show no progress."));
    const QCommandLineOption keepPartialOption(
        QStringLiteral("keep-partial"),
        QStringLiteral("When the archive is damaged, keep what was read before the damage and print its path "
                       "(the exit status stays 1)."));
    parser.addOptions({outputOption, encodingOption, passwordOption, listOption, quietOption, keepPartialOption});
    parser.addPositionalArgument(QStringLiteral("ARCHIVE"), QStringLiteral("The archive to extract."));

    if (!parser.parse(arguments)) {
        printErr(parser.errorText());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(listOption)) {
        for (const KTEncodingInfo &e : KTEncodings::all())
            std::printf("%6d  %-16s %s\n", e.id, e.icuName, e.label);
        return 0;
    }
    if (parser.positionalArguments().size() != 1) {
        printErr(QStringLiteral("kt-extract: give exactly one ARCHIVE (see --help)"));
        return ExitUsage;
    }

    auto &standard = KTPreferences::standard();
    standard.registerApplicationDefaults();
    m_preferences->registerApplicationDefaults();
    const QString encodingKey = QString::fromLatin1(KTPreferences::FilenameEncoding);
    const QString thresholdKey = QString::fromLatin1(KTPreferences::AutoDetectionThreshold);
    m_preferences->setInteger(encodingKey, standard.integerForKey(encodingKey));
    m_preferences->setInteger(thresholdKey, standard.integerForKey(thresholdKey));
    if (parser.isSet(encodingOption)) {
        const QString value = parser.value(encodingOption);
        if (value.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0 || value == QLatin1String("0")) {
            m_preferences->setInteger(encodingKey, KTEncodings::Detect);
        } else if (const KTEncodingInfo *info = KTEncodings::findByName(value)) {
            m_preferences->setInteger(encodingKey, info->id);
        } else {
            printErr(QStringLiteral("kt-extract: unknown encoding \"%1\" (see --list-encodings)").arg(value));
            return ExitUsage;
        }
    }

    const QString outputDir = parser.isSet(outputOption) ? parser.value(outputOption) : QDir::currentPath();
    if (!QFileInfo(outputDir).isDir()) {
        printErr(QStringLiteral("kt-extract: %1 is not a folder").arg(outputDir));
        return ExitUsage;
    }
    m_quiet = parser.isSet(quietOption);
    if (parser.isSet(passwordOption)) {
        std::string line;
        std::getline(std::cin, line);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_stdinPassword = QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
    }

    m_job = new KTExtractionJob(this);
    m_job->setPreferences(m_preferences.get());
    m_job->setTemporaryDirectory(QFileInfo(outputDir).absoluteFilePath());
    m_keepsPartial = parser.isSet(keepPartialOption);
    m_job->setKeepsPartialOutput(m_keepsPartial);
    m_job->setPasswordProvider([this] { return askPassword(); });
    KTNotificationCenter::defaultCenter().addObserver(this, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                      [this](const QVariant &object) { showProgress(object.toFloat()); });
    connect(m_job, &KTExtractionJob::archiveFinished, this, [this](const QString &path) {
        if (m_progressShown)
            std::fputc('\n', stderr);
        std::printf("%s\n", path.toLocal8Bit().constData());
        std::fflush(stdout);
        const KTSkippedEntries skipped = m_job->skippedEntries();
        if (skipped.isEmpty()) {
            emit finished(0);
            return;
        }
        printErr(skipped.summary());
        for (const QString &line : skipped.details())
            printErr(QStringLiteral("skipped: ") + printable(line));
        emit finished(ExitSkipped);
    });
    connect(m_job, &KTExtractionJob::passwordErrorH, this, [this](const KTExtractionError &error) {
        if (m_progressShown)
            std::fputc('\n', stderr);
        if (KTInterruptWatcher::wasInterrupted()) {
            printErr(KTExtractionError::make(KTErrorCode::Cancelled).cause());
            emit finished(ExitInterrupted);
            return;
        }
        printErr(QStringLiteral("Extract error or password error, try again!"));
        printErr(printable(error.message()));
        if (m_keepsPartial)
            keepOnlyPartialResult();
        emit finished(ExitFailed);
    });
    // Interrupted: the job stops and removes its scratch folder.
    connect(new KTInterruptWatcher(this), &KTInterruptWatcher::interrupted, m_job, &KTExtractionJob::cancel);
    m_job->start(QFileInfo(parser.positionalArguments().first()).absoluteFilePath());
    return std::nullopt;
}

// Only what was read before damage is worth keeping; any other failure
// leaves nothing behind, as without --keep-partial.
void KTExtractCommandLine::keepOnlyPartialResult()
{
    const QString partial = m_job->partialResult();
    if (partial.isEmpty()) {
        const QString scratch = m_job->desPath();
        if (!scratch.isEmpty())
            QDir(scratch).removeRecursively();
        return;
    }
    printErr(QStringLiteral("What was read before the damage is kept:"));
    std::printf("%s\n", partial.toLocal8Bit().constData());
    std::fflush(stdout);
}

std::optional<QString> KTExtractCommandLine::askPassword()
{
    if (m_stdinPassword)
        return m_stdinPassword;
    return readLineFromTerminal(QStringLiteral("Password: "));
}

void KTExtractCommandLine::showProgress(float fraction)
{
    if (m_quiet || !::isatty(STDERR_FILENO))
        return;
    m_progressShown = true;
    std::fprintf(stderr, "\r%3d%%", int(std::min(fraction, 1.0f) * 100.0f));
    std::fflush(stderr);
}
