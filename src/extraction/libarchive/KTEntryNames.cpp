#include "extraction/libarchive/KTEntryNames.h"

#include "extraction/disk/KTDiskWriter.h"
#include "extraction/engine/KTArchiveExtensions.h"
#include "extraction/names/KTEncodings.h"
#include "extraction/zip/KTZipDirectory.h"

#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace {

constexpr size_t ReadBlockSize = 128 * 1024;
// Names of stream formats are judged again each time their number doubles,
// up to this many.
constexpr size_t MaxRedetectedNames = 4096;

// Plain ASCII reads the same in every offered encoding; escape sequences
// (ISO-2022-JP) do not.
bool needsDecoding(const QByteArray &raw)
{
    return !KTEncodings::isAscii(raw) || raw.contains('\x1b');
}

} // namespace

KTEntryNames::KTEntryNames(QString archivePath, EncodingChooser chooseEncoding)
    : m_path(std::move(archivePath))
    , m_chooseEncoding(std::move(chooseEncoding))
{
}

bool KTEntryNames::isZip() const
{
    return (m_format & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP;
}

bool KTEntryNames::storesUnicodeNames() const
{
    switch (m_format & ARCHIVE_FORMAT_BASE_MASK) {
    case ARCHIVE_FORMAT_7ZIP:
    case ARCHIVE_FORMAT_XAR:
    case ARCHIVE_FORMAT_RAR_V5:
        return true;
    case ARCHIVE_FORMAT_TAR:
        return m_format == ARCHIVE_FORMAT_TAR_PAX_INTERCHANGE || m_format == ARCHIVE_FORMAT_TAR_PAX_RESTRICTED;
    default:
        return false;
    }
}

void KTEntryNames::useZipDirectory(const KTZipDirectory &directory)
{
    m_hasZipDirectory = true;
    std::vector<QByteArray> undecided;
    const auto addName = [this](const QByteArray &name, const KTZipRecord *record) {
        if (m_zipNames.contains(name))
            m_repeatedZipNames.insert(name);
        m_zipNames.insert(name, record);
    };
    for (const KTZipRecord &record : directory.records()) {
        addName(record.name, &record);
        if (!record.unicodeName.isEmpty())
            addName(record.unicodeName, &record);
        else if (!record.utf8Flag && needsDecoding(record.name))
            undecided.push_back(record.name);
    }
    if (!undecided.empty())
        m_detected = KTEncodingDetector::detect(undecided);
}

void KTEntryNames::readAhead()
{
    archive *reader = archive_read_new();
    const std::unique_ptr<archive, decltype(&archive_read_free)> owner(reader, archive_read_free);
    archive_read_support_format_tar(reader);
    archive_read_support_format_cpio(reader);
    archive_read_support_format_ar(reader);
    if (archive_read_open_filename(reader, QFile::encodeName(m_path).constData(), ReadBlockSize) != ARCHIVE_OK)
        return;
    std::vector<QByteArray> undecided;
    archive_entry *entry = nullptr;
    // A damaged tail leaves the names before it; the extraction reports the damage.
    for (;;) {
        const int r = archive_read_next_header(reader, &entry);
        if (r == ARCHIVE_RETRY)
            continue;
        if (r == ARCHIVE_EOF || r < ARCHIVE_WARN)
            break;
        const char *path = archive_entry_pathname(entry);
        if (!path)
            continue;
        const QByteArray raw(path);
        if (needsDecoding(raw) && !(storesUnicodeNames() && KTEncodings::isValidUtf8(raw)))
            undecided.push_back(raw);
    }
    if (!undecided.empty())
        m_detected = KTEncodingDetector::detect(undecided);
    m_readAhead = true;
}

bool KTEntryNames::settleLater() const
{
    return !m_hasZipDirectory && !m_readAhead && (m_format & ARCHIVE_FORMAT_BASE_MASK) != ARCHIVE_FORMAT_RAW;
}

void KTEntryNames::noteUndecided(const QByteArray &raw)
{
    if ((m_hasZipDirectory && m_zipNames.contains(raw)) || m_readAhead)
        return;
    // Judged again each time their number doubles, which keeps the cost linear.
    m_undecided.push_back(raw);
    if (m_undecided.size() >= m_nextDetectionAt && m_undecided.size() <= MaxRedetectedNames) {
        m_detected = KTEncodingDetector::detect(m_undecided);
        m_detectedOver = m_undecided.size();
        m_nextDetectionAt *= 2;
    }
}

void KTEntryNames::noteSymlink(const QByteArray &rel, const char *rawTarget)
{
    if (settleLater() && !KTEncodings::isValidUtf8(rawTarget))
        m_provisional.noteSymlink(rel, rawTarget);
}

void KTEntryNames::settle(KTDiskWriter &writer)
{
    if (m_provisional.isEmpty())
        return;
    if (m_undecided.size() != m_detectedOver)
        m_detected = KTEncodingDetector::detect(m_undecided);
    const int maxPath = KTPathSanitizer::maxPathBytesBelow(writer.root());
    m_provisional.settle(
        writer,
        [&](const QByteArray &raw) { return KTPathSanitizer::sanitize(decodeUndecided(raw), isZip(), maxPath).path; },
        [&](const QByteArray &raw) { return decodeUndecided(raw).toUtf8(); });
}

QString KTEntryNames::decodeRaw(const QByteArray &raw, bool decided)
{
    if (decided)
        return KTEncodings::decodeDefault(raw);
    if (!needsDecoding(raw))
        return QString::fromLatin1(raw);
    noteUndecided(raw);
    return decodeUndecided(raw);
}

QString KTEntryNames::decodeUndecided(const QByteArray &raw)
{
    const KTArchiveString string(raw, m_detected.encoding, m_detected.confidence);
    return KTEncodings::decodeOrDefault(raw, m_chooseEncoding(string));
}

KTEntryNames::Decoded KTEntryNames::decode(archive_entry *entry)
{
    if ((m_format & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_RAW) {
        // A lone compressed file: name it after the archive without its last extension.
        const QFileInfo info(m_path);
        const QString name = info.completeBaseName();
        return {name.isEmpty() ? info.fileName() + QStringLiteral(".out") : name, false, {}};
    }
    const char *path = archive_entry_pathname(entry);
    if (!path) {
        const wchar_t *wide = archive_entry_pathname_w(entry);
        return {wide ? QString::fromWCharArray(wide) : QString(), false, {}};
    }
    QByteArray raw(path);
    bool decided = storesUnicodeNames() && KTEncodings::isValidUtf8(raw);
    if (const KTZipRecord *record = isZip() ? m_zipNames.value(raw) : nullptr; record && record->nameIsDecided()) {
        decided = true;
        if (!record->unicodeName.isEmpty())
            raw = record->unicodeName;
    }
    const bool provisional = !decided && needsDecoding(raw) && settleLater();
    return {decodeRaw(raw, decided), isZip(), provisional ? raw : QByteArray()};
}

KTEntryNames::Named KTEntryNames::name(archive_entry *entry, int index, int maxPath)
{
    const Decoded decoded = decode(entry);
    Named named;
    named.info.index = index;
    named.info.name = decoded.name;
    named.info.size = archive_entry_size_is_set(entry) ? qint64(archive_entry_size(entry)) : -1;
    named.info.isDirectory = archive_entry_filetype(entry) == AE_IFDIR;
    named.info.isEncrypted = archive_entry_is_encrypted(entry);
    named.path = KTPathSanitizer::sanitize(decoded.name, decoded.backslashSeparates, maxPath);
    named.provisionalRaw = decoded.provisionalRaw;
    if (named.path.path && named.path.path->isEmpty() && !named.info.isDirectory) {
        // A file without a name (a stream archived from standard input) is
        // named after the archive, as 7-Zip names it.
        named.info.name = nameForNameless();
        named.path = KTPathSanitizer::sanitize(named.info.name, false, maxPath);
    }
    return named;
}

QString KTEntryNames::nameForNameless()
{
    const QString base = KTArchiveExtensions::withoutArchiveExtensions(QFileInfo(m_path).fileName());
    ++m_namelessEntries;
    // The later ones are numbered, in archive order: the same names each time.
    return m_namelessEntries == 1 ? base : base + QStringLiteral("-%1").arg(m_namelessEntries);
}

// A target in UTF-8 is taken as such; any other is decoded as names are.
QByteArray KTEntryNames::symlinkTarget(const char *target)
{
    const QByteArray raw(target);
    return (KTEncodings::isValidUtf8(raw) ? QString::fromUtf8(raw) : decodeRaw(raw, false)).toUtf8();
}

KTPathSanitizer::Result KTEntryNames::hardlinkTarget(const char *target, int maxPath)
{
    return KTPathSanitizer::sanitize(decodeRaw(target, storesUnicodeNames()), isZip(), maxPath);
}
