#include "extraction/sevenzip/KTSevenZipProcess.h"

#include <QProcessEnvironment>
#include <QStandardPaths>

#include <unistd.h>

namespace {

constexpr int StopGraceMs = 3000;

} // namespace

QString KTSevenZipProcess::findProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("7zz"));
}

KTSevenZipProcess::~KTSevenZipProcess()
{
    if (isRunning())
        stop();
}

KTExtractionError KTSevenZipProcess::start(const QString &program, const QStringList &arguments,
                                           const std::optional<QByteArray> &password)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    m_process.setProcessEnvironment(environment);
    // In a process group of its own, Ctrl-C on a terminal does not reach
    // it: the job that started it stops it, and says it was cancelled.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.start(QIODevice::ReadWrite);
    if (!m_process.waitForStarted())
        return KTExtractionError::make(KTErrorCode::BackendMissing, m_process.errorString());
    if (password) {
        m_process.write(*password + '\n');
        m_process.waitForBytesWritten();
    }
    m_process.closeWriteChannel();
    return {};
}

KTSevenZipProcess::Output KTSevenZipProcess::poll(int timeoutMs)
{
    Output output;
    if (isRunning() && m_process.bytesAvailable() == 0)
        m_process.waitForReadyRead(timeoutMs);
    if (!isRunning()) {
        // The last output is read once the program has ended.
        m_process.waitForFinished(0);
    }
    takeLines(m_stdout, m_process.readAllStandardOutput(), output);
    const QByteArray errors = m_process.readAllStandardError();
    takeProgress(errors, output);
    takeLines(m_stderr, errors, output);
    if (!isRunning()) {
        for (QByteArray *rest : {&m_stdout, &m_stderr}) {
            if (!rest->isEmpty())
                output.lines.append(withoutProgress(*rest));
            rest->clear();
        }
    }
    return output;
}

// The progress line is drawn and erased in place with backspaces; what
// follows the last one is the text.
QByteArray KTSevenZipProcess::withoutProgress(const QByteArray &line)
{
    QByteArray text = line.mid(line.lastIndexOf('\b') + 1);
    if (text.endsWith('\r'))
        text.chop(1);
    return text;
}

void KTSevenZipProcess::takeLines(QByteArray &buffer, const QByteArray &data, Output &output)
{
    buffer += data;
    int start = 0;
    for (int end = buffer.indexOf('\n'); end >= 0; end = buffer.indexOf('\n', start)) {
        output.lines.append(withoutProgress(buffer.mid(start, end - start)));
        start = end + 1;
    }
    buffer.remove(0, start);
}

// Progress figures: "  42% 3 - name", redrawn in place.
void KTSevenZipProcess::takeProgress(const QByteArray &data, Output &output)
{
    const QByteArray text = m_progressTail + data;
    for (int percent = text.indexOf('%'); percent >= 0; percent = text.indexOf('%', percent + 1)) {
        int digits = percent;
        while (digits > 0 && percent - digits < 3 && text.at(digits - 1) >= '0' && text.at(digits - 1) <= '9')
            --digits;
        if (digits < percent)
            output.percent = text.mid(digits, percent - digits).toInt();
    }
    // Keep what may be the start of a figure cut off by the read.
    const int lastPercent = text.lastIndexOf('%');
    m_progressTail = text.mid(std::max(lastPercent + 1, int(text.size()) - 3));
}

bool KTSevenZipProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

void KTSevenZipProcess::stop()
{
    if (!isRunning())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(StopGraceMs)) {
        m_process.kill();
        m_process.waitForFinished(-1);
    }
}

bool KTSevenZipProcess::succeeded() const
{
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

int KTSevenZipProcess::exitCode() const
{
    return m_process.exitCode();
}
