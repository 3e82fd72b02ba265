#include "extraction/sevenzip/KTSevenZipUnarchiver.h"

#include "extraction/disk/KTDiskWriter.h"
#include "extraction/disk/KTOutputCheck.h"
#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/disk/KTProvisionalNames.h"
#include "extraction/engine/KTArchiveVolumes.h"
#include "extraction/names/KTEncodings.h"
#include "extraction/sevenzip/KTSevenZipNames.h"
#include "extraction/sevenzip/KTSevenZipProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int PollMs = 50;
// Names of entries left out, on 7zz's command line, which the system limits.
constexpr qsizetype MaxExcludedBytes = 512 * 1024;

QString textOf(const QByteArray &line)
{
    QByteArray text = line;
    if (text.startsWith("ERROR: "))
        text.remove(0, 7);
    return QString::fromUtf8(text).trimmed();
}

// 7zz's words for what went wrong, as the cause the job reports.
KTExtractionError errorFrom(const QByteArray &message)
{
    const QString detail = textOf(message);
    if (message.contains("Wrong password"))
        return KTExtractionError::make(KTErrorCode::WrongPassword);
    if (message.contains("Break signaled"))
        return KTExtractionError::make(KTErrorCode::Cancelled);
    if (message.contains("Dangerous link"))
        return KTExtractionError::make(KTErrorCode::UnsafeEntry, detail);
    if (message.contains("not enough space") || message.contains("errno=28") || message.contains("errno=122"))
        return KTExtractionError::make(KTErrorCode::NoSpace, detail);
    if (message.contains("output file") || message.contains("errno="))
        return KTExtractionError::make(KTErrorCode::WriteFailed, detail);
    if (message.contains("as archive"))
        return KTExtractionError::make(KTErrorCode::NotArchive);
    if (message.contains("Unsupported"))
        return KTExtractionError::make(KTErrorCode::NotArchive, detail);
    return KTExtractionError::make(KTErrorCode::Damaged, detail);
}

// The first line that says what went wrong in a run that failed as a whole.
KTExtractionError failureOf(const QList<QByteArray> &lines, int exitCode)
{
    // A password question that found the pipe closed ends in a break.
    const bool asked = std::any_of(lines.begin(), lines.end(), [](const QByteArray &l) { return l.contains("Enter password"); });
    for (const QByteArray &line : lines) {
        if (line.contains("Wrong password") || (asked && line.contains("Break signaled")))
            return KTExtractionError::make(KTErrorCode::WrongPassword);
    }
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines.at(i).startsWith("ERROR:"))
            continue;
        // "ERROR: archive" is followed by the cause on the next line.
        QByteArray message = lines.at(i);
        if (i + 1 < lines.size() && !lines.at(i + 1).isEmpty())
            message += " : " + lines.at(i + 1);
        return errorFrom(message);
    }
    return KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("7zz ended with exit code %1").arg(exitCode));
}

// 7-Zip decrypts its own AES (7z, zip) and ZipCrypto; it has no decryption
// for ARJ's or RAR's (and Debian's 7zz reads no RAR at all).
bool decryptsFormat(const QString &type)
{
    return type.compare(QLatin1String("Arj"), Qt::CaseInsensitive) != 0 && !type.startsWith(QLatin1String("Rar"), Qt::CaseInsensitive);
}

KTExtractionError refusal(const QString &name)
{
    return KTExtractionError::make(KTErrorCode::Cancelled, name + QStringLiteral(" was refused"));
}

QByteArray stripTrailingSlash(QByteArray name)
{
    while (name.endsWith('/'))
        name.chop(1);
    return name;
}

// A listed path as 7zz lays it out below the folder it extracts into.
QByteArray laidOut(const QByteArray &listed)
{
    QList<QByteArray> parts = listed.split('/');
    parts.removeIf([](const QByteArray &part) { return part.isEmpty() || part == "."; });
    return parts.join('/');
}

} // namespace

KTSevenZipUnarchiver::KTSevenZipUnarchiver(QString path, bool headerEncrypted)
    : m_path(std::move(path))
    , m_headerEncrypted(headerEncrypted)
{
}

bool KTSevenZipUnarchiver::ensurePassword()
{
    if (!m_password && !m_askedForPassword && m_delegate) {
        m_askedForPassword = true;
        m_delegate->simpleUnarchiverNeedsPassword(*this);
    }
    return m_password.has_value();
}

// 7z keeps passwords as Unicode and 7zz reads them as UTF-8 under its UTF-8
// locale: the name encoding plays no part.
std::optional<QByteArray> KTSevenZipUnarchiver::passwordBytes() const
{
    if (!m_password)
        return std::nullopt;
    return m_password->toUtf8();
}

bool KTSevenZipUnarchiver::shouldStop()
{
    return m_delegate && m_delegate->extractionShouldStop(*this);
}

KTExtractionError KTSevenZipUnarchiver::runListing(const QString &program, QByteArray &output)
{
    return runReading(program, {QStringLiteral("l"), QStringLiteral("-slt")}, output);
}

KTExtractionError KTSevenZipUnarchiver::runReading(const QString &program, const QStringList &command, QByteArray &output)
{
    KTSevenZipProcess process;
    const QStringList arguments = command + QStringList{QStringLiteral("-bso1"), QStringLiteral("-bse1"), QStringLiteral("-bsp0"),
                                                        QStringLiteral("-spd"), QStringLiteral("--"), m_path};
    if (auto error = process.start(program, arguments, passwordBytes()); error.failed())
        return error;
    QList<QByteArray> lines;
    while (process.isRunning()) {
        if (shouldStop()) {
            process.stop();
            return KTExtractionError::make(KTErrorCode::Cancelled);
        }
        lines += process.poll(PollMs).lines;
    }
    lines += process.poll(0).lines;
    if (!process.succeeded())
        return failureOf(lines, process.exitCode());
    output = lines.join('\n');
    return {};
}

KTExtractionError KTSevenZipUnarchiver::parse()
{
    m_program = KTSevenZipProcess::findProgram();
    if (m_program.isEmpty())
        return KTExtractionError::make(
            KTErrorCode::BackendMissing,
            QCoreApplication::translate("KTSevenZipUnarchiver", "install the 7zip package to open encrypted 7z archives"));
    // 7zz finds the other volumes of a set from the first.
    m_path = KTArchiveVolumes::volumesFor(m_path).constFirst();
    struct stat st;
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return KTExtractionError::make(KTErrorCode::CannotOpen, QString::fromLocal8Bit(std::strerror(errno)));

    // Encrypted names cannot even be listed without the password.
    if (m_headerEncrypted && !ensurePassword())
        return KTExtractionError::make(KTErrorCode::WrongPassword);
    QByteArray listing;
    if (auto error = runListing(m_program, listing); error.failed())
        return error;
    // Nothing is written, and nothing another reader wrote is replaced,
    // unless the whole archive reads without error.
    if (m_testsFirst) {
        QByteArray log;
        if (auto error = runReading(m_program, {QStringLiteral("t")}, log); error.failed())
            return error;
    }

    m_entries.clear();
    m_totalSize = 0;
    m_type = KTSevenZipListing::archiveType(listing);
    m_decrypts = decryptsFormat(m_type);
    const std::vector<KTSevenZipItem> items = KTSevenZipListing::parse(listing);
    std::vector<QByteArray> listed;
    for (const KTSevenZipItem &item : items)
        listed.push_back(item.path);
    const std::vector<QString> names = KTSevenZipNames::decide(listed, [this](const KTArchiveString &string) {
        return m_delegate ? m_delegate->encodingNameForString(*this, string) : QByteArray();
    });
    for (size_t i = 0; i < items.size(); ++i) {
        const KTSevenZipItem &item = items[i];
        Entry entry;
        entry.info.index = int(i);
        // 7zz writes an entry without a name under the archive's name without
        // its last extension ("notes.txt.xz" gives "notes.txt").
        entry.info.name = item.path.isEmpty() && !item.isDirectory ? QFileInfo(m_path).completeBaseName() : names[i];
        entry.listed = item.path.isEmpty() ? entry.info.name.toUtf8() : item.path;
        entry.info.size = item.size;
        entry.info.isDirectory = item.isDirectory;
        entry.info.isEncrypted = item.isEncrypted || m_headerEncrypted;
        entry.isSymlink = item.isSymlink;
        m_totalSize += item.size;
        m_entries.push_back(std::move(entry));
    }
    m_parsed = true;
    return {};
}

KTExtractionError KTSevenZipUnarchiver::checkEntriesBeforeExtraction(const QByteArray &root)
{
    const int maxPath = KTPathSanitizer::maxPathBytesBelow(root);
    for (Entry &entry : m_entries) {
        const auto sane = KTPathSanitizer::sanitize(entry.info.name, false, maxPath);
        entry.rel = sane.path;
        entry.refusal = sane.reason;
        if (entry.rel && entry.listed != entry.info.name.toUtf8())
            entry.written = laidOut(entry.listed);
        if (sane.path && sane.path->isEmpty() && !entry.info.isDirectory) {
            entry.rel.reset();
            entry.refusal = QStringLiteral("an entry without a name");
        }
    }
    // 7zz would write a name with ".." elsewhere than it says. Such an entry
    // is left out of 7zz's run, by its exact name (-spd), and reported as
    // skipped. One 7zz could not be told to leave out fails the archive
    // before anything is written.
    m_excluded.clear();
    qsizetype excludedBytes = 0;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry &entry = m_entries[i];
        if (entry.rel)
            continue;
        const KTExtractionError error =
            KTExtractionError::make(KTErrorCode::UnsafeEntry, entry.info.name + QStringLiteral(": ") + entry.refusal);
        excludedBytes += entry.listed.size();
        const bool excludable = KTEncodings::isValidUtf8(entry.listed) && !laidOut(entry.listed).isEmpty()
                                && excludedBytes <= MaxExcludedBytes;
        if (!beginEntry(int(i)))
            return refusal(entry.info.name);
        finishEntry(int(i), error);
        if (!excludable)
            return error;
        m_excluded << QStringLiteral("-x!") + QString::fromUtf8(entry.listed);
    }
    // The password is asked for before the first encrypted entry; without
    // one that entry fails. No password is asked for what 7zz cannot decrypt.
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].rel || !m_entries[i].info.isEncrypted || (m_decrypts && ensurePassword()))
            continue;
        if (!beginEntry(int(i)))
            return refusal(m_entries[i].info.name);
        const KTExtractionError error = m_decrypts ? KTExtractionError::make(KTErrorCode::WrongPassword)
                                                   : KTExtractionError::make(
                                                         KTErrorCode::EncryptedUnsupported,
                                                         QStringLiteral("no reader here decrypts %1 archives").arg(m_type.toUpper()));
        finishEntry(int(i), error);
        return error;
    }
    return {};
}

int KTSevenZipUnarchiver::entryAnnouncedBy(const QByteArray &line) const
{
    // "- name": one mark, a space, the name; folders end in "/".
    if (line.size() < 3 || line.at(1) != ' ' || line.at(0) == ' ')
        return -1;
    const QByteArray name = stripTrailingSlash(line.mid(2));
    for (int i = m_cursor; i < int(m_entries.size()); ++i) {
        if (!m_entries[size_t(i)].reported && stripTrailingSlash(m_entries[size_t(i)].listed) == name)
            return i;
    }
    return -1;
}

bool KTSevenZipUnarchiver::beginEntry(int index)
{
    Entry &entry = m_entries[size_t(index)];
    const QString to = entry.rel ? m_root + QLatin1Char('/') + QString::fromUtf8(*entry.rel) : QString();
    if (m_delegate && !m_delegate->shouldExtractEntry(*this, entry.info, to)) {
        entry.reported = true;
        return false;
    }
    if (m_delegate)
        m_delegate->willExtractEntry(*this, entry.info, to);
    m_current = index;
    return true;
}

void KTSevenZipUnarchiver::finishEntry(int index, const KTExtractionError &error)
{
    Entry &entry = m_entries[size_t(index)];
    entry.reported = true;
    if (m_current == index)
        m_current = -1;
    const QString to = entry.rel ? m_root + QLatin1Char('/') + QString::fromUtf8(*entry.rel) : QString();
    if (error.failed() && entry.rel && !entry.info.isDirectory) {
        // What 7zz began of a failed file is of no use.
        struct stat st;
        const QByteArray path = QFile::encodeName(m_root) + '/' + writtenPath(entry);
        if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(path.constData());
    }
    if (error.ok())
        m_finishedBytes += std::max<qint64>(entry.info.size, 0);
    if (m_delegate)
        m_delegate->didExtractEntry(*this, entry.info, to, error);
}

void KTSevenZipUnarchiver::reportProgress(int percent)
{
    if (!m_delegate)
        return;
    // 7zz's figure runs ahead within an entry; the entries it has finished
    // are a floor.
    qint64 done = std::max(m_finishedBytes, percent < 0 ? 0 : qint64(double(m_totalSize) * percent / 100.0));
    done = std::clamp(done, m_lastTotalDone, std::max(m_totalSize, m_lastTotalDone));
    m_lastTotalDone = done;
    const KTArchiveEntry current = m_current >= 0 ? m_entries[size_t(m_current)].info : KTArchiveEntry{};
    m_delegate->extractionProgress(*this, current, 0, current.size, done, m_totalSize);
}

KTExtractionError KTSevenZipUnarchiver::runExtraction(const QByteArray &root)
{
    KTSevenZipProcess process;
    QStringList arguments{QStringLiteral("x"), QStringLiteral("-y"),
                                m_alwaysOverwrites ? QStringLiteral("-aoa") : QStringLiteral("-aou"),
                                // All on standard error, which 7zz does not buffer: each
                                // entry is seen when 7zz begins it.
                                QStringLiteral("-bb1"), QStringLiteral("-bso2"), QStringLiteral("-bse2"),
                                QStringLiteral("-bsp2"), QStringLiteral("-spd"),
                                QStringLiteral("-o") + QFile::decodeName(root)};
    arguments << m_excluded << QStringLiteral("--") << m_path;
    if (auto error = process.start(m_program, arguments, passwordBytes()); error.failed())
        return error;

    QList<QByteArray> log;
    KTExtractionError result;
    bool ended = false;
    while (!ended) {
        ended = !process.isRunning();
        if (shouldStop()) {
            process.stop();
            return KTExtractionError::make(KTErrorCode::Cancelled);
        }
        const KTSevenZipProcess::Output output = process.poll(PollMs);
        for (const QByteArray &line : output.lines) {
            // A link 7zz refused is left out, as the writer leaves out one
            // that leads outside; the run goes on.
            if (const int link = refusedLink(line); link >= 0) {
                Entry &entry = m_entries[size_t(link)];
                entry.linkRefusal = KTExtractionError::make(KTErrorCode::UnsafeEntry,
                                                            entry.info.name + QStringLiteral(" links outside the archive's folder"));
                continue;
            }
            log.append(line);
            if (line.startsWith("ERROR:") && m_current >= 0) {
                result = errorFrom(line);
                finishEntry(m_current, result);
                break;
            }
            const int index = entryAnnouncedBy(line);
            if (index < 0)
                continue;
            if (m_current >= 0) {
                endEntry(m_current);
                reportProgress(-1);
            }
            m_cursor = index + 1;
            if (!beginEntry(index)) {
                result = refusal(m_entries[size_t(index)].info.name);
                break;
            }
        }
        if (result.failed()) {
            // The first failure ends the run, as 7zz cannot skip what follows.
            process.stop();
            finishLinks(result);
            return result;
        }
        reportProgress(output.percent);
    }

    const bool otherErrors = std::any_of(log.begin(), log.end(), [](const QByteArray &l) { return l.startsWith("ERROR:"); });
    if (!process.succeeded() && (otherErrors || std::none_of(m_entries.begin(), m_entries.end(), [](const Entry &e) {
                                     return e.linkRefusal.failed();
                                 }))) {
        if (shouldStop())
            return KTExtractionError::make(KTErrorCode::Cancelled);
        result = failureOf(log, process.exitCode());
        if (m_current >= 0)
            finishEntry(m_current, result);
        finishLinks(result);
        return result;
    }
    if (m_current >= 0)
        endEntry(m_current);
    finishLinks({});
    // Entries 7zz did not name (none are expected) were extracted all the same.
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].reported)
            continue;
        if (!beginEntry(int(i)))
            return refusal(m_entries[i].info.name);
        finishEntry(int(i), {});
    }
    return {};
}

void KTSevenZipUnarchiver::endEntry(int index)
{
    Entry &entry = m_entries[size_t(index)];
    if (!entry.isSymlink) {
        finishEntry(index, {});
        return;
    }
    // 7zz makes links after every other entry: a link's outcome is known at the end.
    entry.reported = true;
    entry.linkPending = true;
    m_current = -1;
}

void KTSevenZipUnarchiver::finishLinks(const KTExtractionError &runError)
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        Entry &entry = m_entries[i];
        if (!entry.linkPending)
            continue;
        entry.linkPending = false;
        finishEntry(int(i), runError.failed() ? runError : entry.linkRefusal);
    }
}

int KTSevenZipUnarchiver::refusedLink(const QByteArray &line) const
{
    // "ERROR: Dangerous link path was ignored : <name> : <target>"
    static const QByteArray prefix("ERROR: Dangerous link path was ignored : ");
    if (!line.startsWith(prefix))
        return -1;
    const QByteArray rest = line.mid(prefix.size());
    int found = -1;
    for (int i = 0; i < int(m_entries.size()); ++i) {
        const Entry &entry = m_entries[size_t(i)];
        if (entry.isSymlink && rest.startsWith(entry.listed + " : ")
            && (found < 0 || entry.listed.size() > m_entries[size_t(found)].listed.size()))
            found = i;
    }
    return found;
}

void KTSevenZipUnarchiver::renameWrittenEntries(const QByteArray &root)
{
    KTProvisionalNames written;
    QHash<QByteArray, QByteArray> finalPaths;
    for (const Entry &entry : m_entries) {
        if (entry.rel && !entry.written.isEmpty() && entry.written != *entry.rel) {
            written.noteEntry(entry.listed, entry.written);
            finalPaths.insert(entry.listed, *entry.rel);
        }
    }
    if (finalPaths.isEmpty())
        return;
    KTDiskWriter writer(root, false);
    written.settle(
        writer, [&](const QByteArray &listed) { return std::optional<QByteArray>(finalPaths.value(listed)); },
        [](const QByteArray &target) { return target; });
}

KTExtractionError KTSevenZipUnarchiver::unarchive()
{
    if (!m_parsed)
        return KTExtractionError::make(KTErrorCode::NotArchive);

    QString enclosing;
    QByteArray root;
    if (auto error = makeEnclosingFolder(m_path, enclosing, root); error.failed())
        return error;
    m_root = QFile::decodeName(root);
    m_current = -1;
    m_cursor = 0;
    m_lastTotalDone = 0;
    m_finishedBytes = 0;

    KTExtractionError result = checkEntriesBeforeExtraction(root);
    if (result.ok())
        result = runExtraction(root);
    renameWrittenEntries(root);

    // Whatever 7zz wrote is checked, also after a failure, so nothing unsafe
    // stays behind; as with libarchive, a failed extraction keeps no links.
    const KTOutputCheck::Result checked = KTOutputCheck::check(root);
    if (m_delegate) {
        for (const KTOutputCheck::Removed &item : checked.removed)
            m_delegate->didRemoveUnsafeItem(*this, QString::fromUtf8(item.rel), item.reason);
    }
    if (result.failed()) {
        for (const QByteArray &link : checked.symlinks)
            ::unlink((root + '/' + link).constData());
        return result;
    }

    if (m_delegate)
        m_delegate->extractionProgress(*this, KTArchiveEntry{}, 0, 0, m_totalSize, m_totalSize);
    return finishCreatedItem(m_root, checked.symlinks);
}
