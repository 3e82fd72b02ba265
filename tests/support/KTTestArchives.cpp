#include "support/KTTestArchives.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <archive.h>
#include <archive_entry.h>

#include <clocale>
#include <memory>
#include <locale.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

bool check(archive *a, int r, const char *what)
{
    if (r >= ARCHIVE_WARN)
        return true;
    const QString message = QStringLiteral("writing the test archive, %1: %2").arg(QLatin1String(what), QString::fromUtf8(archive_error_string(a)));
    QTest::qFail(qPrintable(message), __FILE__, __LINE__);
    return false;
}

// In the C locale libarchive's zip writer stores names as given, without
// the UTF-8 flag: what legacy Windows tools produce.
class LocaleScope
{
public:
    explicit LocaleScope(bool cLocale)
    {
        if (!cLocale)
            return;
        m_locale = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        m_previous = ::uselocale(m_locale);
    }
    ~LocaleScope()
    {
        if (m_locale) {
            ::uselocale(m_previous);
            ::freelocale(m_locale);
        }
    }

private:
    locale_t m_locale = locale_t(nullptr);
    locale_t m_previous = locale_t(nullptr);
};

mode_t typeBits(KTTestEntry::Type type)
{
    switch (type) {
    case KTTestEntry::File:
    case KTTestEntry::Hardlink:
        return AE_IFREG;
    case KTTestEntry::Directory:
        return AE_IFDIR;
    case KTTestEntry::Symlink:
        return AE_IFLNK;
    case KTTestEntry::Fifo:
        return AE_IFIFO;
    case KTTestEntry::CharDevice:
        return AE_IFCHR;
    case KTTestEntry::BlockDevice:
        return AE_IFBLK;
    case KTTestEntry::Socket:
        return AE_IFSOCK;
    }
    return AE_IFREG;
}

} // namespace

KTTestEntry KTTestEntry::file(const QByteArray &name, const QByteArray &data, int mode)
{
    KTTestEntry e;
    e.name = name;
    e.data = data;
    e.mode = mode;
    return e;
}

KTTestEntry KTTestEntry::dir(const QByteArray &name, int mode)
{
    KTTestEntry e;
    e.name = name;
    e.type = Directory;
    e.mode = mode;
    return e;
}

KTTestEntry KTTestEntry::symlink(const QByteArray &name, const QByteArray &target)
{
    KTTestEntry e;
    e.name = name;
    e.type = Symlink;
    e.linkTarget = target;
    e.mode = 0777;
    return e;
}

KTTestEntry KTTestEntry::hardlink(const QByteArray &name, const QByteArray &target)
{
    KTTestEntry e;
    e.name = name;
    e.type = Hardlink;
    e.linkTarget = target;
    return e;
}

bool KTTestArchives::write(const QString &path, const std::vector<KTTestEntry> &entries, const QByteArray &format,
                           const QByteArray &filter)
{
    Options options;
    options.format = format;
    options.filter = filter;
    return write(path, entries, options);
}

bool KTTestArchives::write(const QString &path, const std::vector<KTTestEntry> &entries, const Options &options)
{
    LocaleScope locale(options.legacyNames);
    archive *a = archive_write_new();
    const std::unique_ptr<archive, decltype(&archive_write_free)> owner(a, archive_write_free);
    if (!check(a, archive_write_set_format_by_name(a, options.format.constData()), "format"))
        return false;
    if (!options.filter.isEmpty())
        if (!check(a, archive_write_add_filter_by_name(a, options.filter.constData()), "filter"))
            return false;
    if (options.format == "zip" && !options.compression.isEmpty())
        if (!check(a, archive_write_set_options(a, ("zip:compression=" + options.compression).constData()), "compression"))
            return false;
    if (!options.passphrase.isEmpty()) {
        if (!check(a, archive_write_set_options(a, ("zip:encryption=" + options.encryption).constData()), "encryption"))
            return false;
        if (!check(a, archive_write_set_passphrase(a, options.passphrase.constData()), "passphrase"))
            return false;
    }
    if (!check(a, archive_write_open_filename(a, QFile::encodeName(path).constData()), "open"))
        return false;
    for (const KTTestEntry &e : entries) {
        archive_entry *entry = archive_entry_new();
        const std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entryOwner(entry, archive_entry_free);
        archive_entry_copy_pathname(entry, e.name.constData());
        archive_entry_set_mtime(entry, e.mtime, 0);
        archive_entry_set_filetype(entry, typeBits(e.type));
        archive_entry_set_perm(entry, mode_t(e.mode & 07777));
        if (e.uid >= 0) {
            archive_entry_set_uid(entry, e.uid);
            archive_entry_set_uname(entry, "root");
        }
        if (e.gid >= 0) {
            archive_entry_set_gid(entry, e.gid);
            archive_entry_set_gname(entry, "root");
        }
        if (e.type == KTTestEntry::Symlink)
            archive_entry_copy_symlink(entry, e.linkTarget.constData());
        if (e.type == KTTestEntry::Hardlink)
            archive_entry_copy_hardlink(entry, e.linkTarget.constData());
        if (e.type == KTTestEntry::CharDevice || e.type == KTTestEntry::BlockDevice)
            archive_entry_set_rdev(entry, makedev(1, 3));
        const bool hasData = e.type == KTTestEntry::File;
        archive_entry_set_size(entry, hasData ? e.data.size() : 0);
        if (!check(a, archive_write_header(a, entry), "header"))
            return false;
        if (hasData && !e.data.isEmpty() && archive_write_data(a, e.data.constData(), size_t(e.data.size())) < 0 &&
            !check(a, ARCHIVE_FATAL, "data"))
            return false;
    }
    if (!check(a, archive_write_close(a), "close"))
        return false;
    return true;
}

bool KTTestArchives::writeCompressedFile(const QString &path, const QByteArray &data, const QByteArray &filter)
{
    archive *a = archive_write_new();
    const std::unique_ptr<archive, decltype(&archive_write_free)> owner(a, archive_write_free);
    if (!check(a, archive_write_set_format_raw(a), "format"))
        return false;
    if (!check(a, archive_write_add_filter_by_name(a, filter.constData()), "filter"))
        return false;
    if (!check(a, archive_write_open_filename(a, QFile::encodeName(path).constData()), "open"))
        return false;
    archive_entry *entry = archive_entry_new();
    const std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entryOwner(entry, archive_entry_free);
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_size(entry, data.size());
    if (!check(a, archive_write_header(a, entry), "header"))
        return false;
    if (archive_write_data(a, data.constData(), size_t(data.size())) < 0 && !check(a, ARCHIVE_FATAL, "data"))
        return false;
    if (!check(a, archive_write_close(a), "close"))
        return false;
    return true;
}

bool KTTestArchives::run(const QString &program, const QStringList &arguments, const QString &workingDirectory)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString message = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAllStandardError()));
        QTest::qFail(qPrintable(message), __FILE__, __LINE__);
        return false;
    }
    return true;
}

bool KTTestArchives::haveProgram(const QString &program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}
