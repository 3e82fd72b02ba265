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
struct LocaleScope {
    explicit LocaleScope(bool cLocale)
        : locale(cLocale ? ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr)) : locale_t(nullptr))
        , previous(locale ? ::uselocale(locale) : locale_t(nullptr))
    {
    }
    ~LocaleScope()
    {
        if (locale) {
            ::uselocale(previous);
            ::freelocale(locale);
        }
    }
    locale_t locale;
    locale_t previous;
};

mode_t typeBits(KTTestEntry::Type type)
{
    static const mode_t bits[] = {AE_IFREG, AE_IFDIR, AE_IFLNK, AE_IFREG, AE_IFIFO, AE_IFCHR, AE_IFBLK, AE_IFSOCK};
    return bits[type];
}

} // namespace

KTTestEntry KTTestEntry::file(const QByteArray &name, const QByteArray &data, int mode)
{
    return {name, File, data, {}, mode};
}

KTTestEntry KTTestEntry::dir(const QByteArray &name, int mode)
{
    return {name, Directory, {}, {}, mode};
}

KTTestEntry KTTestEntry::symlink(const QByteArray &name, const QByteArray &target)
{
    return {name, Symlink, {}, target, 0777};
}

KTTestEntry KTTestEntry::hardlink(const QByteArray &name, const QByteArray &target)
{
    return {name, Hardlink, {}, target};
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
    return check(a, archive_write_close(a), "close");
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
