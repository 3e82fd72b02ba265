#include "extraction/job/KTExtractionJob.h"

#include "app/core/KTNotificationCenter.h"
#include "app/core/KTPreferences.h"
#include "extraction/backends/KTBackendChooser.h"
#include "extraction/disk/KTDiskWriter.h"
#include "extraction/engine/KTUnarchiver.h"
#include "extraction/names/KTEncodingDecision.h"
#include "extraction/names/KTEncodings.h"
#include "util/core/KTUtility.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// How a move that never replaces went: nameTaken when something was at
// the target already, which another name may avoid.
struct [[nodiscard]] Move {
    KTExtractionError error;
    bool nameTaken = false;
};

Move failedMove(int err, const QByteArray &target)
{
    return {kt_writeError(err, target), err == EEXIST};
}

Move moveWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return failedMove(errno, target);
    // A file system without RENAME_NOREPLACE: check first, then move.
    struct stat st;
    if (::lstat(target.constData(), &st) == 0)
        return failedMove(EEXIST, target);
    if (::rename(source.constData(), target.constData()) != 0)
        return failedMove(errno, target);
    return {};
}

// What a failed extraction left in its scratch folder: the folder made for
// the archive, when it holds anything.
QString recoveredItem(const QString &scratch)
{
    if (scratch.isEmpty())
        return {};
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    const QFileInfoList items = QDir(scratch).entryInfoList(all);
    if (items.size() != 1 || !items.first().isDir() || items.first().isSymLink())
        return {};
    const QString folder = items.first().absoluteFilePath();
    return QDir(folder).isEmpty(all) ? QString() : folder;
}

} // namespace

void KTExtractionJob::PasswordRequest::setAnswer(std::optional<QString> text)
{
    std::lock_guard lock(mutex);
    answered = true;
    answer = std::move(text);
    done.notify_all();
}

void KTExtractionJob::PasswordRequest::cancel()
{
    std::lock_guard lock(mutex);
    cancelled = true;
    done.notify_all();
}

void KTExtractionJob::PasswordRequest::wait()
{
    std::unique_lock lock(mutex);
    done.wait(lock, [this] { return answered || cancelled; });
}

std::optional<QString> KTExtractionJob::PasswordRequest::takeAnswer()
{
    std::lock_guard lock(mutex);
    return answered ? std::exchange(answer, std::nullopt) : std::nullopt;
}

KTExtractionJob::KTExtractionJob(QObject *parent)
    : QObject(parent)
    , m_unarchiverFactory(&KTBackendChooser::unarchiverForPath)
    , m_secondReaderFactory(&KTBackendChooser::secondReaderFor)
    , m_preferences(&KTPreferences::standard())
{
    qRegisterMetaType<KTExtractionError>();
}

KTExtractionJob::~KTExtractionJob()
{
    cancel();
    joinWorker();
}

void KTExtractionJob::setPasswordProvider(PasswordProvider provider)
{
    m_passwordProvider = std::move(provider);
}

void KTExtractionJob::setUnarchiverFactory(KTUnarchiverFactory factory)
{
    m_secondReaderFactory = factory ? KTSecondReaderFactory() : &KTBackendChooser::secondReaderFor;
    m_unarchiverFactory = factory ? std::move(factory) : &KTBackendChooser::unarchiverForPath;
}

void KTExtractionJob::setPreferences(KTPreferences *preferences)
{
    m_preferences = preferences;
}

void KTExtractionJob::setTemporaryDirectory(const QString &folder)
{
    m_temporaryDirectory = folder;
}

QString KTExtractionJob::temporaryDirectory() const
{
    return m_temporaryDirectory.isEmpty() ? QDir::tempPath() : m_temporaryDirectory;
}

QString KTExtractionJob::srcPath() const
{
    std::lock_guard lock(m_mutex);
    return m_srcPath;
}

QString KTExtractionJob::desPath() const
{
    std::lock_guard lock(m_mutex);
    return m_desPath;
}

std::optional<QString> KTExtractionJob::enteredPassword() const
{
    std::lock_guard lock(m_mutex);
    return m_enteredPassword;
}

KTSkippedEntries KTExtractionJob::skippedEntries() const
{
    std::lock_guard lock(m_mutex);
    return m_skipped;
}

QString KTExtractionJob::partialResult() const
{
    std::lock_guard lock(m_mutex);
    return m_partialResult;
}

float KTExtractionJob::progressFraction(qint64 done, qint64 total)
{
    if (total <= 0)
        return 1.0f;
    return float(done) / float(total);
}

void KTExtractionJob::discardFailedScratchFolder()
{
    if (m_running.load())
        return;
    if (m_leftOverFailed)
        m_leftOver.remove();
    m_leftOverFailed = false;
}

void KTExtractionJob::keepFailedScratchFolder()
{
    if (m_running.load() || !m_leftOverFailed)
        return;
    m_leftOver.release();
    m_leftOverFailed = false;
}

bool KTExtractionJob::start(const QString &srcPath)
{
    if (m_running.load())
        return false;
    joinWorker();
    discardFailedScratchFolder();
    m_leftOver.release();
    {
        std::lock_guard lock(m_mutex);
        m_enteredPassword.reset();
        m_srcPath = srcPath;
        m_desPath.clear();
        m_firstEntryError = {};
        m_skipped = {};
        m_partialResult.clear();
    }
    m_extractionSucceeded = true;
    m_cancelRequested = false;
    m_sawNamesNotUtf8 = false;
    m_runEncodingOverride = m_encodingOverride;
    m_running = true;
    // The worker has its own copy: the factory may be replaced meanwhile.
    m_worker = std::thread(
        [this, factory = m_unarchiverFactory, second = m_secondReaderFactory] { extract(factory, second); });
    return true;
}

void KTExtractionJob::cancel()
{
    if (!m_running.load())
        return;
    std::lock_guard lock(m_mutex);
    m_cancelRequested = true;
    if (m_pendingRequest)
        m_pendingRequest->cancel();
}

void KTExtractionJob::waitForFinished()
{
    joinWorker();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void KTExtractionJob::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void KTExtractionJob::extract(const KTUnarchiverFactory &unarchiverFor, const KTSecondReaderFactory &secondReaderFor)
{
    QMetaObject::invokeMethod(this, [this] { emit hiddenFields(); }, Qt::QueuedConnection);
    m_throttle = KTProgressThrottle();

    const QString source = srcPath();
    KTExtractionError error;
    std::unique_ptr<KTUnarchiver> unarchiver = unarchiverFor(source, &error);
    if (!unarchiver) {
        QMetaObject::invokeMethod(this, [this, error] { finishFailure(error); }, Qt::QueuedConnection);
        return;
    }
    // Each unarchiver is freed here, on the worker: for an archive of a
    // million entries its directory is hundreds of megabytes, which neither
    // the result screen should keep nor the GUI thread free.
    const KTFirstReading first = read(*unarchiver, false);
    unarchiver.reset();
    error = first.error;
    if (secondReaderFor && !m_cancelRequested.load()) {
        if (std::unique_ptr<KTUnarchiver> second = secondReaderFor(source, first))
            error = readAgain(*second, first);
    }
    if (auto pending = m_throttle.takePending())
        postProgress(*pending, true);

    if (error.ok())
        QMetaObject::invokeMethod(this, [this] { extractFinished(); }, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(this, [this, error] { finishFailure(error); }, Qt::QueuedConnection);
}

KTFirstReading KTExtractionJob::read(KTUnarchiver &u, bool parsed)
{
    m_extractionSucceeded = true;
    m_keepsExtracting = true;
    m_entriesExtracted = 0;
    {
        std::lock_guard lock(m_mutex);
        m_firstEntryError = {};
        m_createdItem.clear();
        m_enclosingDirectoryName.clear();
    }
    u.setDelegate(this);

    KTFirstReading reading;
    reading.error = parsed ? KTExtractionError{} : u.parse();
    if (reading.error.failed())
        return reading;
    reading.opened = true;
    if (desPath().isEmpty())
        reading.error = createTmpDirectory();
    if (reading.error.failed())
        return reading;
    u.setDestination(desPath());
    u.setAlwaysOverwritesFiles(true);
    u.setRemovesEnclosingDirectoryForSoloItems(true);
    KTExtractionError error = u.unarchive();
    reading.entriesExtracted = m_entriesExtracted.load();
    reading.passwordGiven = enteredPassword().has_value();
    {
        std::lock_guard lock(m_mutex);
        reading.entriesSkipped = m_skipped.size();
        m_createdItem = u.createdItem();
        m_enclosingDirectoryName = u.enclosingDirectoryName();
        if (error.ok() && !m_extractionSucceeded.load())
            error = m_firstEntryError.failed() ? m_firstEntryError : KTExtractionError::make(KTErrorCode::Damaged);
    }
    if (error.failed() && m_cancelRequested.load())
        error = KTExtractionError::make(KTErrorCode::Cancelled);
    reading.error = error;
    return reading;
}

KTExtractionError KTExtractionJob::readAgain(KTUnarchiver &second, const KTFirstReading &first)
{
    second.setDelegate(this);
    // A password given to the first reader is not asked again.
    if (const std::optional<QString> password = enteredPassword()) {
        const qint64 encoding = m_preferences->integerForKey(QString::fromLatin1(KTPreferences::FilenameEncoding));
        second.setPassword(*password);
        second.setPasswordEncodingName(KTArchiveString::encodingNameForEncoding(int(encoding)));
    }
    const KTExtractionError parsed = second.parse();
    if (m_cancelRequested.load())
        return KTExtractionError::make(KTErrorCode::Cancelled);
    if (parsed.failed()) {
        // Nothing found, and what the other reader knows as an archive it
        // cannot read either: damaged, not empty.
        if (first.error.ok())
            return parsed.code == KTErrorCode::NotArchive || parsed.code == KTErrorCode::CannotOpen
                       ? first.error
                       : KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("no entry could be read"));
        const bool saysMore = (parsed.code == KTErrorCode::WrongPassword || parsed.code == KTErrorCode::EncryptedUnsupported) &&
                              first.entriesExtracted == 0;
        return saysMore ? parsed : first.error;
    }
    // The second reader works in a scratch folder of its own, so that the
    // first one's files stay until the second has done better.
    KTScratchFolder firstFolder = std::move(m_scratch);
    const QString firstScratch = desPath();
    {
        std::lock_guard lock(m_mutex);
        m_desPath.clear();
    }
    const KTFirstReading again = read(second, true);
    const bool keepsFirst = again.error.failed() && again.error.code != KTErrorCode::Cancelled && first.entriesExtracted > 0;
    if (keepsFirst) {
        std::swap(firstFolder, m_scratch);
        std::lock_guard lock(m_mutex);
        m_desPath = firstScratch;
    }
    firstFolder.remove();
    return keepsFirst ? first.error : again.error;
}

KTExtractionError KTExtractionJob::createTmpDirectory()
{
    const KTExtractionError error = KTScratchFolder::create(temporaryDirectory(), &m_scratch);
    if (error.ok()) {
        std::lock_guard lock(m_mutex);
        m_desPath = m_scratch.path();
    }
    return error;
}

void KTExtractionJob::extractFinished()
{
    joinWorker();
    QString scratch;
    QString created;
    QString enclosingName;
    {
        std::lock_guard lock(m_mutex);
        scratch = m_desPath;
        created = m_createdItem;
        enclosingName = m_enclosingDirectoryName;
    }
    if (!enclosingName.isEmpty()) {
        if (created.isEmpty()) {
            finishFailure(KTExtractionError::make(KTErrorCode::WriteFailed, QStringLiteral("nothing was created")));
            return;
        }
        // Moved up beside the scratch folder; a name taken meanwhile is never
        // replaced. When the move fails the item is whole where it is, and
        // the job succeeds with it inside the scratch folder.
        const QString parent = QFileInfo(scratch).path();
        QString target;
        Move move;
        int attempts = 0;
        do {
            target = KTUnarchiver::findUniquePathForOriginalPath(parent + QLatin1Char('/') + QFileInfo(created).fileName());
            move = moveWithoutReplacing(created, target);
        } while (move.nameTaken && ++attempts < 100);
        if (move.error.ok()) {
            ::rmdir(QFile::encodeName(scratch).constData());
            std::lock_guard lock(m_mutex);
            m_desPath = target;
        } else {
            std::lock_guard lock(m_mutex);
            m_desPath = created;
        }
    }
    // Held while the result may still lie inside it; released at the next start.
    m_leftOver = std::move(m_scratch);
    m_leftOverFailed = false;
    m_running = false;
    emit archiveFinished(desPath());
}

void KTExtractionJob::finishFailure(const KTExtractionError &error)
{
    joinWorker();
    KTExtractionError cause = error;
    if (cause.ok())
        cause = KTExtractionError::make(KTErrorCode::Damaged);
    if (cause.code == KTErrorCode::Cancelled || !m_keepsPartialOutput) {
        m_scratch.remove();
    } else if (m_scratch.isHeld()) {
        if (cause.code == KTErrorCode::Damaged) {
            const QString partial = recoveredItem(m_scratch.path());
            std::lock_guard lock(m_mutex);
            m_partialResult = partial;
        }
        m_leftOver = std::move(m_scratch);
        m_leftOverFailed = true;
    }
    m_extractionSucceeded = false;
    m_running = false;
    emit passwordErrorH(cause);
}

void KTExtractionJob::postProgress(float fraction, bool force)
{
    if (force)
        m_throttle.takePending();
    if (force || m_throttle.offer(fraction))
        KTUtility::kt_doPerformNotification(QString::fromLatin1(KTNotificationCenter::FileProgress), QVariant(fraction));
}

void KTExtractionJob::simpleUnarchiverNeedsPassword(KTUnarchiver &unarchiver)
{
    std::lock_guard requestLock(m_passwordRequestMutex);
    auto request = std::make_shared<PasswordRequest>();
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelRequested.load())
            return;
        m_pendingRequest = request;
    }
    // The provider (a dialog, a prompt) runs on the job's thread while the
    // worker waits. Once a modal dialog returns the job may be gone, so the
    // call touches only the shared request.
    QMetaObject::invokeMethod(
        this, [request, provider = m_passwordProvider] { request->setAnswer(provider ? provider() : std::nullopt); },
        Qt::QueuedConnection);
    request->wait();

    std::optional<QString> password;
    {
        std::lock_guard lock(m_mutex);
        m_pendingRequest.reset();
        if (auto answer = request->takeAnswer())
            m_enteredPassword = answer;
        password = m_enteredPassword;
    }
    if (password) {
        unarchiver.setPassword(*password);
        unarchiver.setPasswordEncodingName(KTArchiveString::encodingNameForEncoding(int(filenameEncoding())));
    }
}

qint64 KTExtractionJob::filenameEncoding() const
{
    if (m_runEncodingOverride)
        return *m_runEncodingOverride;
    return m_preferences->integerForKey(QString::fromLatin1(KTPreferences::FilenameEncoding));
}

QByteArray KTExtractionJob::encodingNameForString(KTUnarchiver &, const KTArchiveString &string)
{
    const qint64 encoding = filenameEncoding();
    // Such a name falls back to CP437; detection may read it.
    if (encoding == KTEncodings::UTF8 && !KTEncodings::isValidUtf8(string.rawBytes()))
        m_sawNamesNotUtf8 = true;
    return KTEncodingDecision::encodingNameFor(
        string, encoding, m_preferences->integerForKey(QString::fromLatin1(KTPreferences::AutoDetectionThreshold)));
}

bool KTExtractionJob::shouldExtractEntry(KTUnarchiver &, const KTArchiveEntry &, const QString &)
{
    return m_keepsExtracting.load();
}

void KTExtractionJob::willExtractEntry(KTUnarchiver &, const KTArchiveEntry &, const QString &)
{
}

void KTExtractionJob::didExtractEntry(KTUnarchiver &, const KTArchiveEntry &entry, const QString &,
                                      const KTExtractionError &error)
{
    if (error.ok()) {
        if (!entry.isDirectory)
            ++m_entriesExtracted;
        return;
    }
    if (KTSkippedEntries::skipsOnlyTheEntry(error)) {
        std::lock_guard lock(m_mutex);
        m_skipped.add(entry.name, error);
        return;
    }
    m_extractionSucceeded = false;
    m_keepsExtracting = false;
    std::lock_guard lock(m_mutex);
    if (m_firstEntryError.ok())
        m_firstEntryError = error;
}

void KTExtractionJob::didRemoveUnsafeItem(KTUnarchiver &, const QString &path, const KTExtractionError &why)
{
    std::lock_guard lock(m_mutex);
    m_skipped.add(path, why);
}

void KTExtractionJob::extractionProgress(KTUnarchiver &, const KTArchiveEntry &, qint64, qint64, qint64 totalProgress,
                                         qint64 totalSize)
{
    postProgress(progressFraction(totalProgress, totalSize), totalProgress >= totalSize);
}

bool KTExtractionJob::extractionShouldStop(KTUnarchiver &)
{
    return m_cancelRequested.load();
}
