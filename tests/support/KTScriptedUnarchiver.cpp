#include "support/KTScriptedUnarchiver.h"

#include "extraction/disk/KTDiskWriter.h"
#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/engine/KTSkippedEntries.h"

#include <QFile>

#include <algorithm>

namespace {

KTExtractionError scripted(KTErrorCode code)
{
    return KTExtractionError::make(code, QStringLiteral("as scripted"));
}

} // namespace

KTScriptedUnarchiver::KTScriptedUnarchiver(QString archivePath, KTUnarchiverScript script)
    : m_path(std::move(archivePath))
    , m_script(std::move(script))
{
}

KTUnarchiverFactory KTScriptedUnarchiver::factory(KTUnarchiverScript script)
{
    return [script = std::move(script)](const QString &path, KTExtractionError *) -> std::unique_ptr<KTUnarchiver> {
        return std::make_unique<KTScriptedUnarchiver>(path, script);
    };
}

bool KTScriptedUnarchiver::passwordAccepted()
{
    if (!m_password && !m_askedForPassword && m_delegate) {
        m_askedForPassword = true;
        m_script.log->add(QStringLiteral("password"));
        m_delegate->simpleUnarchiverNeedsPassword(*this);
    }
    return m_password && m_script.password && *m_password == *m_script.password;
}

bool KTScriptedUnarchiver::stopRequested()
{
    return m_delegate && m_delegate->extractionShouldStop(*this);
}

bool KTScriptedUnarchiver::shouldStop()
{
    if (!stopRequested())
        return false;
    m_script.log->add(QStringLiteral("stop"));
    return true;
}

KTExtractionError KTScriptedUnarchiver::parse()
{
    m_script.log->add(QStringLiteral("parse"));
    if (m_script.parseFailure)
        return scripted(*m_script.parseFailure);
    if (m_script.namesEncrypted && !passwordAccepted())
        return KTExtractionError::make(KTErrorCode::WrongPassword);
    m_parsed = true;
    return {};
}

KTExtractionError KTScriptedUnarchiver::unarchive()
{
    if (!m_parsed)
        return KTExtractionError::make(KTErrorCode::NotArchive);
    QString enclosing;
    QByteArray resolved;
    if (auto error = makeEnclosingFolder(m_path, enclosing, resolved); error.failed())
        return error;
    KTDiskWriter writer(resolved, m_alwaysOverwrites);
    KTExtractionError result = extractEntries(writer);
    const KTExtractionError finished = writer.finish(result.ok());
    reportSkippedLinks(writer);
    if (result.ok())
        result = finished;
    if (result.failed())
        return result;
    if (m_delegate)
        m_delegate->extractionProgress(*this, KTArchiveEntry{}, 0, 0, m_script.totalSize(), m_script.totalSize());
    return finishCreatedItem(QFile::decodeName(writer.root()), writer.symlinks());
}

KTExtractionError KTScriptedUnarchiver::extractEntries(KTDiskWriter &writer)
{
    qint64 done = 0;
    const int maxPath = KTPathSanitizer::maxPathBytesBelow(writer.root());
    for (int index = 0; index < int(m_script.entries.size()); ++index) {
        if (shouldStop())
            return KTExtractionError::make(KTErrorCode::Cancelled);
        const KTScriptedEntry &entry = m_script.entries[size_t(index)];
        KTArchiveEntry info;
        info.index = index;
        info.name = entry.name;
        info.size = entry.size();
        info.isDirectory = entry.isDirectory;
        info.isEncrypted = entry.isEncrypted;
        const auto sane = KTPathSanitizer::sanitize(entry.name, false, maxPath);
        const QString to = sane.path ? QFile::decodeName(writer.root() + '/' + *sane.path) : QString();
        if (m_delegate && !m_delegate->shouldExtractEntry(*this, info, to)) {
            m_script.log->add(QStringLiteral("refused ") + entry.name);
            continue;
        }
        m_script.log->add(QStringLiteral("will ") + entry.name);
        if (m_delegate)
            m_delegate->willExtractEntry(*this, info, to);
        KTExtractionError error = KTPathSanitizer::unwritable(entry.name, sane.path, sane.reason, entry.isDirectory);
        if (error.ok())
            error = extractEntry(entry, info, *sane.path, writer, done);
        m_script.log->add(KTScriptLog::did(entry.name, error.code));
        if (m_delegate)
            m_delegate->didExtractEntry(*this, info, to, error);
        if (error.failed() && !KTSkippedEntries::skipsOnlyTheEntry(error)) {
            if (!m_script.goesOnAfterFailure)
                return error;
            continue;
        }
        reportProgress(info, info.size, done);
    }
    return {};
}

KTExtractionError KTScriptedUnarchiver::extractEntry(const KTScriptedEntry &entry, const KTArchiveEntry &info,
                                                     const QByteArray &rel, KTDiskWriter &writer, qint64 &done)
{
    bool held = false;
    if (entry.isDirectory) {
        if (auto error = checkpoint(entry, 0, held); error.failed())
            return error;
        return writer.makeDirectory(rel, 0755, std::nullopt);
    }
    if (entry.isEncrypted && !passwordAccepted())
        return KTExtractionError::make(KTErrorCode::WrongPassword);
    if (auto error = writer.beginFile(rel, 0644); error.failed())
        return error;
    if (auto error = writeData(entry, info, writer, done); error.failed()) {
        writer.abortFile();
        return error;
    }
    return writer.finishFile(std::nullopt);
}

KTExtractionError KTScriptedUnarchiver::writeData(const KTScriptedEntry &entry, const KTArchiveEntry &info,
                                                  KTDiskWriter &writer, qint64 &done)
{
    const qint64 size = entry.size();
    const qint64 holdAt = std::min(entry.holdAfterBytes, size);
    const qint64 failAt = std::min(entry.failAfterBytes, size);
    bool held = false;
    qint64 written = 0;
    for (;;) {
        if (auto error = checkpoint(entry, written, held); error.failed())
            return error;
        if (written >= size)
            break;
        if (shouldStop())
            return KTExtractionError::make(KTErrorCode::Cancelled);
        // A block ends where the entry is to wait or fail.
        qint64 length = std::min(m_script.blockSize, size - written);
        if (entry.gate && !held)
            length = std::min(length, holdAt - written);
        if (entry.failure)
            length = std::min(length, failAt - written);
        const QByteArray block = entry.fillSize >= 0 ? QByteArray(length, entry.fill) : entry.content.mid(written, length);
        if (auto error = writer.writeBlock(block.constData(), size_t(length), written); error.failed())
            return error;
        written += length;
        reportProgress(info, written, done + written);
    }
    done += written;
    return {};
}

KTExtractionError KTScriptedUnarchiver::checkpoint(const KTScriptedEntry &entry, qint64 written, bool &held)
{
    if (entry.gate && !held && written >= std::min(entry.holdAfterBytes, entry.size())) {
        held = true;
        m_script.log->add(QStringLiteral("held ") + entry.name);
        entry.gate->pass([this] { return stopRequested(); });
    }
    if (entry.failure && written >= std::min(entry.failAfterBytes, entry.size()))
        return scripted(*entry.failure);
    return {};
}

void KTScriptedUnarchiver::reportProgress(const KTArchiveEntry &info, qint64 fileDone, qint64 done)
{
    if (m_delegate)
        m_delegate->extractionProgress(*this, info, fileDone, info.size, done, m_script.totalSize());
}
