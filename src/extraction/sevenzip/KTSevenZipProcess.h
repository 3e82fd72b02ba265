#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// One run of 7-Zip's command-line program, started with an argument list
// (never through a shell) under a UTF-8 locale, so that names come out and
// go to disk as UTF-8. A password goes to its standard input, which 7-Zip
// reads from a pipe, so it never shows on a command line; without one the
// pipe is closed and a password question ends the run.
//
// Lives on the thread that uses it; needs no event loop there.
class KTSevenZipProcess
{
public:
    // What came out since the last poll.
    struct Output {
        QList<QByteArray> lines; // complete lines of either output, without the newline or progress
        int percent = -1;        // the last progress figure, -1 when none
    };

    // The program on PATH, or an empty string when it is not installed.
    static QString findProgram();

    KTSevenZipProcess() = default;
    ~KTSevenZipProcess();
    KTSevenZipProcess(const KTSevenZipProcess &) = delete;
    KTSevenZipProcess &operator=(const KTSevenZipProcess &) = delete;

    // BackendMissing, with the system's reason, when the program cannot be started.
    KTExtractionError start(const QString &program, const QStringList &arguments, const std::optional<QByteArray> &password);
    // Waits up to timeoutMs for more output or the end of the run.
    Output poll(int timeoutMs);
    bool isRunning() const;
    // Terminates the run and waits for it to end.
    void stop();

    // After the end: whether it exited normally, with exit code 0.
    bool succeeded() const;
    int exitCode() const;

private:
    static QByteArray withoutProgress(const QByteArray &line);
    static void takeLines(QByteArray &buffer, const QByteArray &data, Output &output);
    void takeProgress(const QByteArray &data, Output &output);

    QProcess m_process;
    QByteArray m_stdout; // the unfinished last line of each channel
    QByteArray m_stderr;
    QByteArray m_progressTail;
};
