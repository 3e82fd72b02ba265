#pragma once

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class KTExtractionJob;
class KTPreferences;

// The command-line front end: runs one extraction job and reports it on
// stdout/stderr. Exit codes: 0 success, 1 failed extraction, 2 usage error,
// 3 extracted with entries skipped as unsafe (named on stderr), 130
// interrupted (the scratch folder is removed).
class KTExtractCommandLine : public QObject
{
    Q_OBJECT
public:
    explicit KTExtractCommandLine(QObject *parent = nullptr);
    ~KTExtractCommandLine() override;

    // Parses the arguments and starts the job; returns an exit code when
    // the run is already over (usage, --help, --list-encodings), else nullopt
    // and the code comes later through finished().
    std::optional<int> start(const QStringList &arguments);

signals:
    void finished(int exitCode);

private:
    std::optional<QString> askPassword();
    void showProgress(float fraction);
    void keepOnlyPartialResult();

    std::unique_ptr<KTPreferences> m_preferences;
    KTExtractionJob *m_job = nullptr;
    std::optional<QString> m_stdinPassword;
    bool m_quiet = false;
    bool m_keepsPartial = false;
    bool m_progressShown = false;
};
