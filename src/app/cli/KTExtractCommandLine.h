#pragma once

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class KTExtractionError;
class KTExtractionJob;
class KTPreferences;

// The command-line front end: extracts the archives given one after another
// with one job, reports each on stdout/stderr and goes on after a failure.
// The exit status is the worst of the archives' (see KTExitStatus); an
// interruption stops the run at once, leaving nothing of the current archive.
// Entries skipped as unsafe are named on stderr (status 3); --keep-partial
// keeps what a damaged archive gave.
class KTExtractCommandLine : public QObject
{
    Q_OBJECT
public:
    explicit KTExtractCommandLine(QObject *parent = nullptr);
    ~KTExtractCommandLine() override;

    // Parses the arguments and starts the first job; returns an exit code
    // when the run is already over (usage, --help, --version,
    // --list-encodings), else nullopt and the code comes later through
    // finished().
    std::optional<int> start(const QStringList &arguments);

signals:
    void finished(int exitCode);

private:
    void extractNext();
    void succeeded(const QString &path);
    void failed(const KTExtractionError &error);
    std::optional<QString> askPassword();
    void showProgress(float fraction);
    void endProgressLine();
    // "kt-extract: ARCHIVE: text" on stderr.
    void printArchiveError(const QString &text) const;
    void keepOnlyPartialResult();

    std::unique_ptr<KTPreferences> m_preferences;
    KTExtractionJob *m_job = nullptr;
    QStringList m_pending;
    QString m_current;
    // Empty: each archive's own folder (--here).
    QString m_outputFolder;
    int m_status = 0;
    std::optional<QString> m_stdinPassword;
    bool m_quiet = false;
    bool m_keepsPartial = false;
    bool m_progressShown = false;
};
