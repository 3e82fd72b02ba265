#include "app/cli/KTExtractCommandLine.h"

#include "app/cli/KTExitStatus.h"
#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "extraction/engine/KTSkippedEntries.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/job/KTExtractionJob.h"
#include "extraction/names/KTEncodings.h"
#include "util/core/KTSignalWatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral("kt-extract");

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

void printUsageError(const QString &text)
{
    printErr(kProgram + QStringLiteral(": ") + text);
}

// Qt's help starts "Usage: " and argv[0], the full path the program was
// started with; the program's name is what a reader needs.
QString helpText(const QCommandLineParser &parser)
{
    QString text = parser.helpText();
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    const QString usage = QStringLiteral("Usage: %1 [options] ARCHIVE...").arg(kProgram);
    return lineEnd < 0 ? usage + QLatin1Char('\n') : usage + text.mid(lineEnd);
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
        "Extracts each ARCHIVE, one after another, into a new folder (or, for an archive of one\n"
        "item, that item) in DIR or beside the archive, never replacing anything there, and\n"
        "prints each created path.\n"
        "A failed archive does not stop the others.\n"
        "Entries that cannot be written safely (names or links leading outside the folder, devices,\n"
        "FIFOs, sockets) are left out and each is named on standard error.\n"
        "Exit status: the worst of the archives': 0 extracted, 1 an extraction failed (the cause\n"
        "is printed), 2 usage error, 3 extracted, some entries skipped, 130 interrupted (nothing\n"
        "of the current archive is left)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("Extract into DIR (default: the current folder)."), QStringLiteral("DIR"));
    const QCommandLineOption hereOption(QStringLiteral("here"),
                                        QStringLiteral("Extract each ARCHIVE into the folder that holds it."));
    const QCommandLineOption encodingOption(
        {QStringLiteral("e"), QStringLiteral("encoding")},
        QStringLiteral("Entry-name encoding: auto (detect), an identifier or a name from --list-encodings. "
                       "Default: the desktop application's choice (UTF-8 unless changed)."),
        QStringLiteral("ENC"));
    const QCommandLineOption passwordOption(
        {QStringLiteral("p"), QStringLiteral("password-stdin")},
        QStringLiteral("Read the password from the first line of standard input (for every ARCHIVE)."));
    const QCommandLineOption listOption(QStringLiteral("list-encodings"), QStringLiteral("List the encodings and exit."));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")}, QStringLiteral("Show no progress."));
    const QCommandLineOption keepPartialOption(
        QStringLiteral("keep-partial"),
        QStringLiteral("When an archive is damaged, keep what was read before the damage and print its path "
                       "(the exit status stays 1)."));
    parser.addOptions({outputOption, hereOption, encodingOption, passwordOption, listOption, quietOption,
                       keepPartialOption});
    parser.addPositionalArgument(QStringLiteral("ARCHIVE"), QStringLiteral("The archives to extract."),
                                 QStringLiteral("ARCHIVE..."));

    if (!parser.parse(arguments)) {
        printUsageError(parser.errorText());
        return KTExitStatus::Usage;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(helpText(parser).toLocal8Bit().constData(), stdout);
        return KTExitStatus::Extracted;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(kProgram), qPrintable(QCoreApplication::applicationVersion()));
        return KTExitStatus::Extracted;
    }
    if (parser.isSet(listOption)) {
        for (const KTEncodingInfo &e : KTEncodings::all())
            std::printf("%6d  %-16s %s\n", e.id, e.icuName, e.label);
        return KTExitStatus::Extracted;
    }
    if (parser.positionalArguments().isEmpty()) {
        printUsageError(QStringLiteral("give at least one ARCHIVE (see --help)"));
        return KTExitStatus::Usage;
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
            printUsageError(QStringLiteral("unknown encoding \"%1\" (see --list-encodings)").arg(value));
            return KTExitStatus::Usage;
        }
    }

    if (parser.isSet(outputOption) && parser.isSet(hereOption)) {
        printUsageError(QStringLiteral("give either -o or --here"));
        return KTExitStatus::Usage;
    }
    const QString outputDir = parser.isSet(outputOption) ? parser.value(outputOption) : QDir::currentPath();
    if (!QFileInfo(outputDir).isDir()) {
        printUsageError(QStringLiteral("%1 is not a folder").arg(outputDir));
        return KTExitStatus::Usage;
    }
    m_outputFolder = parser.isSet(hereOption) ? QString() : QFileInfo(outputDir).absoluteFilePath();
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
    m_keepsPartial = parser.isSet(keepPartialOption);
    m_job->setKeepsPartialOutput(m_keepsPartial);
    m_job->setPasswordProvider([this] { return askPassword(); });
    KTNotificationCenter::defaultCenter().addObserver(this, QString::fromLatin1(KTNotificationCenter::FileProgress),
                                                      [this](const QVariant &object) { showProgress(object.toFloat()); });
    connect(m_job, &KTExtractionJob::archiveFinished, this, &KTExtractCommandLine::succeeded);
    connect(m_job, &KTExtractionJob::passwordErrorH, this, &KTExtractCommandLine::failed);
    // Interrupted: the job stops and removes its scratch folder.
    // A blocking password prompt must see the interruption, so calls are not restarted.
    connect(new KTSignalWatcher({SIGINT, SIGTERM, SIGHUP}, false, this), &KTSignalWatcher::signalled, m_job,
            &KTExtractionJob::cancel);
    m_pending = parser.positionalArguments();
    extractNext();
    return std::nullopt;
}

void KTExtractCommandLine::extractNext()
{
    // An interruption between two archives, when no job ran to cancel.
    if (KTSignalWatcher::wasSignalled()) {
        emit finished(KTExitStatus::Interrupted);
        return;
    }
    if (m_pending.isEmpty()) {
        emit finished(m_status);
        return;
    }
    m_current = m_pending.takeFirst();
    const QFileInfo archive(QDir::cleanPath(QFileInfo(m_current).absoluteFilePath()));
    m_job->setTemporaryDirectory(m_outputFolder.isEmpty() ? archive.absolutePath() : m_outputFolder);
    m_job->start(archive.absoluteFilePath());
}

void KTExtractCommandLine::succeeded(const QString &path)
{
    endProgressLine();
    std::printf("%s\n", path.toLocal8Bit().constData());
    std::fflush(stdout);
    const KTSkippedEntries skipped = m_job->skippedEntries();
    if (!skipped.isEmpty()) {
        printArchiveError(skipped.summary());
        for (const QString &line : skipped.details())
            printArchiveError(QStringLiteral("skipped: ") + line);
        m_status = KTExitStatus::worse(m_status, KTExitStatus::PartlyExtracted);
    }
    // The job signals from its own finishing code; the next start comes
    // after it has returned.
    QMetaObject::invokeMethod(this, &KTExtractCommandLine::extractNext, Qt::QueuedConnection);
}

void KTExtractCommandLine::failed(const KTExtractionError &error)
{
    endProgressLine();
    if (KTSignalWatcher::wasSignalled()) {
        printArchiveError(KTExtractionError::make(KTErrorCode::Cancelled).cause());
        emit finished(KTExitStatus::Interrupted);
        return;
    }
    printArchiveError(QStringLiteral("Extract error or password error, try again!"));
    printArchiveError(error.message());
    if (m_keepsPartial)
        keepOnlyPartialResult();
    m_status = KTExitStatus::worse(m_status, KTExitStatus::Failed);
    QMetaObject::invokeMethod(this, &KTExtractCommandLine::extractNext, Qt::QueuedConnection);
}

void KTExtractCommandLine::printArchiveError(const QString &text) const
{
    printErr(QStringLiteral("%1: %2: %3").arg(kProgram, m_current, printable(text)));
}

// Only what was read before damage is worth keeping: it is moved up beside
// the scratch folder under a name nothing has, as a result is. Any other
// failure leaves nothing behind, as without --keep-partial.
void KTExtractCommandLine::keepOnlyPartialResult()
{
    const QString partial = m_job->partialResult();
    const QString scratch = m_job->failedScratchFolder();
    if (partial.isEmpty()) {
        m_job->discardFailedScratchFolder();
        return;
    }
    QString kept = partial;
    const QString parent = QFileInfo(scratch).path();
    for (int attempt = 0; attempt < 100 && !scratch.isEmpty(); ++attempt) {
        const QString target =
            KTUnarchiver::findUniquePathForOriginalPath(parent + QLatin1Char('/') + QFileInfo(partial).fileName());
        if (::renameat2(AT_FDCWD, QFile::encodeName(partial).constData(), AT_FDCWD,
                        QFile::encodeName(target).constData(), RENAME_NOREPLACE)
            == 0) {
            kept = target;
            break;
        }
        if (errno != EEXIST)
            break;
    }
    if (kept != partial)
        m_job->discardFailedScratchFolder();
    else
        m_job->keepFailedScratchFolder();
    printArchiveError(QStringLiteral("what was read before the damage is kept"));
    std::printf("%s\n", kept.toLocal8Bit().constData());
    std::fflush(stdout);
}

std::optional<QString> KTExtractCommandLine::askPassword()
{
    if (m_stdinPassword)
        return m_stdinPassword;
    // The prompt goes to the terminal, which may hold the progress line.
    endProgressLine();
    return readLineFromTerminal(QStringLiteral("Password for %1: ").arg(QFileInfo(m_current).fileName()));
}

void KTExtractCommandLine::showProgress(float fraction)
{
    if (m_quiet || !::isatty(STDERR_FILENO))
        return;
    m_progressShown = true;
    std::fprintf(stderr, "\r%s: %3d%%", QFileInfo(m_current).fileName().toLocal8Bit().constData(),
                 int(std::min(fraction, 1.0f) * 100.0f));
    std::fflush(stderr);
}

void KTExtractCommandLine::endProgressLine()
{
    if (!m_progressShown)
        return;
    std::fputc('\n', stderr);
    std::fflush(stderr);
    m_progressShown = false;
}
