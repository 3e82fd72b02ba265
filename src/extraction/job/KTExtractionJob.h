#pragma once

#include "extraction/engine/KTExtractionError.h"
#include "extraction/engine/KTProgressThrottle.h"
#include "extraction/engine/KTSkippedEntries.h"
#include "extraction/engine/KTUnarchiverDelegate.h"
#include "extraction/engine/KTUnarchiverFactory.h"
#include "extraction/job/KTScratchFolder.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class KTPreferences;
class KTUnarchiver;

// Extracts one archive at a time on a worker thread it owns: into a fresh
// private scratch folder ("unarchiver" and four unique characters) under the
// temporary directory, then moves the created item up beside the scratch
// folder under a unique name.
//
// The job lives on the thread that made it (the GUI thread in the window);
// its signals are emitted there. Progress goes out as "fileprogress"
// notifications through the main-thread bridge, at most about 30 a second.
class KTExtractionJob : public QObject, private KTUnarchiverDelegate
{
    Q_OBJECT
public:
    // Asked on the job's thread when an entry needs a password: the text
    // (OK) or nullopt (Cancel, which leaves an earlier answer in place).
    using PasswordProvider = std::function<std::optional<QString>()>;

    explicit KTExtractionJob(QObject *parent = nullptr);
    // Cancels a running job and joins its thread.
    ~KTExtractionJob() override;

    void setPasswordProvider(PasswordProvider provider);
    // Defaults to the user's preferences of the application.
    void setPreferences(KTPreferences *preferences);
    // Where scratch folders and results go; defaults to QDir::tempPath().
    void setTemporaryDirectory(const QString &folder);
    QString temporaryDirectory() const;
    // Whether a failed job leaves its scratch folder, with what was written,
    // on disk (the default) or removes it. A folder left stays locked until
    // the next start() removes it, or discardFailedScratchFolder(), or the
    // job goes (which leaves it for the next sweep).
    void setKeepsPartialOutput(bool keep) { m_keepsPartialOutput = keep; }
    // The scratch folder the last failed job left; empty when none.
    QString failedScratchFolder() const { return m_leftOverFailed ? m_leftOver.path() : QString(); }
    // Removes it now. On the job's thread, while no job runs.
    void discardFailedScratchFolder();
    // Lets go of it for good: the next start() leaves it where it is.
    void keepFailedScratchFolder();
    // The name encoding for the next start() instead of the preference
    // (0 detects); nullopt follows the preference again.
    void setEncodingOverride(std::optional<qint64> encoding) { m_encodingOverride = encoding; }
    // Whether the last job read names as UTF-8 because UTF-8 was chosen
    // while some were not valid UTF-8 (and so came out by the fallback).
    bool sawNamesNotUtf8() const { return m_sawNamesNotUtf8.load(); }
    // Makes the unarchiver for the archive; KTBackendChooser's choice by
    // default, and again when given an empty one. Used from the next start().
    // A factory given here is the only reader: it clears the second one.
    void setUnarchiverFactory(KTUnarchiverFactory factory);
    // Makes a second unarchiver when the first could not read the archive
    // (KTBackendChooser's by default); an empty one allows none. The second
    // reader's parse() runs first; only when it succeeds is the archive
    // extracted again, into a scratch folder of its own. The first reader's
    // files and verdict stand when it extracted files and the second fails.
    void setSecondReaderFactory(KTSecondReaderFactory factory) { m_secondReaderFactory = std::move(factory); }

    // Starts extracting: no entered password, success assumed, srcPath set;
    // the scratch folder a failed job left goes. false when a job is already
    // running.
    bool start(const QString &srcPath);
    // Stops a running job as soon as the current block is done; it then ends
    // in the failure path with the cause Cancelled and its scratch folder removed.
    void cancel();
    bool isRunning() const { return m_running.load(); }
    // Joins the worker thread and delivers its outcome at once (a cancelled
    // job removes its scratch folder then). On the job's thread; for
    // shutting down after cancel().
    void waitForFinished();

    QString srcPath() const;
    // The scratch folder while running; the moved item after success.
    QString desPath() const;
    bool extractionSucceeded() const { return m_extractionSucceeded.load(); }
    void setExtractionSucceeded(bool succeeded) { m_extractionSucceeded.store(succeeded); }
    std::optional<QString> enteredPassword() const;
    // The entries the last job left out because they could not be written
    // safely; the job succeeds without them.
    KTSkippedEntries skippedEntries() const;
    // After a failure from damage: the folder holding what was read before
    // it, when anything was and the scratch folder is kept; else empty.
    QString partialResult() const;

    // The fraction of an extraction: done over total, each converted to float
    // first; 1 when the archive holds nothing to measure.
    static float progressFraction(qint64 done, qint64 total);

signals:
    // The worker started: the screen hides its progress bar and error line.
    void hiddenFields();
    // Success: desPath is the extracted item.
    void archiveFinished(const QString &desPath);
    // Failure, with its cause.
    void passwordErrorH(const KTExtractionError &error);

private:
    void extract(const KTUnarchiverFactory &unarchiverFor, const KTSecondReaderFactory &secondReaderFor);
    // parse() (unless already parsed), the scratch folder, unarchive().
    KTFirstReading read(KTUnarchiver &unarchiver, bool parsed);
    // The second reader's outcome, or the first's when it cannot read the archive either.
    KTExtractionError readAgain(KTUnarchiver &second, const KTFirstReading &first);
    KTExtractionError createTmpDirectory();
    void extractFinished();
    void finishFailure(const KTExtractionError &error);
    void joinWorker();
    void postProgress(float fraction, bool force);
    qint64 filenameEncoding() const;

    void simpleUnarchiverNeedsPassword(KTUnarchiver &unarchiver) override;
    QByteArray encodingNameForString(KTUnarchiver &unarchiver, const KTArchiveString &string) override;
    bool shouldExtractEntry(KTUnarchiver &unarchiver, const KTArchiveEntry &entry, const QString &to) override;
    void willExtractEntry(KTUnarchiver &unarchiver, const KTArchiveEntry &entry, const QString &to) override;
    void didExtractEntry(KTUnarchiver &unarchiver, const KTArchiveEntry &entry, const QString &to,
                         const KTExtractionError &error) override;
    void didRemoveUnsafeItem(KTUnarchiver &unarchiver, const QString &path, const KTExtractionError &why) override;
    void extractionProgress(KTUnarchiver &unarchiver, const KTArchiveEntry &entry, qint64 fileProgress,
                            qint64 fileSize, qint64 totalProgress, qint64 totalSize) override;
    bool extractionShouldStop(KTUnarchiver &unarchiver) override;

    PasswordProvider m_passwordProvider;
    KTUnarchiverFactory m_unarchiverFactory;
    KTSecondReaderFactory m_secondReaderFactory;
    KTPreferences *m_preferences;
    std::optional<qint64> m_encodingOverride;
    // The override as the running job took it at start(); the worker reads it.
    std::optional<qint64> m_runEncodingOverride;
    QString m_temporaryDirectory;
    bool m_keepsPartialOutput = true;

    // The running job's scratch folder: made on the worker, then used on
    // the job's thread only after the worker is joined.
    KTScratchFolder m_scratch;
    // The last job's folder, still held: what a failure wrote, or a result
    // that could not be moved out (kept, not removed, at the next start).
    KTScratchFolder m_leftOver;
    bool m_leftOverFailed = false;

    std::thread m_worker;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_cancelRequested{false};
    std::atomic<bool> m_extractionSucceeded{true};
    // The answer to every should-extract question: true until an entry fails.
    std::atomic<bool> m_keepsExtracting{true};
    std::atomic<int> m_entriesExtracted{0};
    std::atomic<bool> m_sawNamesNotUtf8{false};

    // One question to the password provider; shared with the queued call,
    // which may outlive the job.
    struct PasswordRequest {
        std::mutex mutex;
        std::condition_variable done;
        bool answered = false;
        bool cancelled = false;
        std::optional<QString> answer;

        void setAnswer(std::optional<QString> text);
        void cancel();
        void wait();
        std::optional<QString> takeAnswer();
    };

    mutable std::mutex m_mutex; // guards the members below
    std::shared_ptr<PasswordRequest> m_pendingRequest;
    QString m_srcPath;
    QString m_desPath;
    std::optional<QString> m_enteredPassword;
    KTExtractionError m_firstEntryError;
    KTSkippedEntries m_skipped;
    QString m_partialResult;
    // What the last unarchiver made.
    QString m_createdItem;
    QString m_enclosingDirectoryName;

    // Only one password request runs at a time.
    std::mutex m_passwordRequestMutex;
    KTProgressThrottle m_throttle; // worker only
};
