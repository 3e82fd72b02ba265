#include "support/KTSampleArchives.h"

#include "support/KTTestArchives.h"
#include "support/KTTestDirs.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray text()
{
    QByteArray t;
    for (int i = 0; i < 600; ++i)
        t += "line " + QByteArray::number(i) + " of a text that compresses well\n";
    return t;
}

std::vector<KTTestEntry> entries()
{
    return {KTTestEntry::dir("docs"), KTTestEntry::file("docs/notes.txt", text()),
            KTTestEntry::file("docs/small.txt", "small\n"), KTTestEntry::symlink("docs/link", "notes.txt"),
            KTTestEntry::file("top.bin", QByteArray::fromHex("00ff10ef7f80")), KTTestEntry::dir("empty")};
}

} // namespace

QStringList KTSampleArchives::sampleTree()
{
    QStringList tree;
    for (const KTTestEntry &e : entries())
        tree << QString::fromUtf8(e.name) + (e.type == KTTestEntry::Directory ? QStringLiteral("/") : QString());
    return tree;
}

QStringList KTSampleArchives::write(const QString &folder)
{
    const struct {
        const char *file;
        QByteArray format, filter, compression, encryption;
    } kinds[] = {
        {"deflate.zip", "zip", {}, {}, {}},
        {"store.zip", "zip", {}, "store", {}},
        {"zipcrypto.zip", "zip", {}, {}, "zipcrypt"},
        {"aes256.zip", "zip", {}, {}, "aes256"},
        {"archive.7z", "7zip", {}, {}, {}},
        {"ustar.tar", "ustar", {}, {}, {}},
        {"pax.tar", "pax", {}, {}, {}},
        {"gnu.tar", "gnutar", {}, {}, {}},
        {"archive.tar.gz", "pax", "gzip", {}, {}},
        {"archive.tar.bz2", "pax", "bzip2", {}, {}},
        {"archive.tar.xz", "pax", "xz", {}, {}},
        {"archive.tar.zst", "pax", "zstd", {}, {}},
        {"archive.cpio", "cpio", {}, {}, {}},
    };
    QStringList written;
    for (const auto &kind : kinds) {
        KTTestArchives::Options options;
        options.format = kind.format;
        options.filter = kind.filter;
        options.compression = kind.compression;
        if (!kind.encryption.isEmpty()) {
            options.passphrase = Password;
            options.encryption = kind.encryption;
        }
        const QString path = folder + QLatin1Char('/') + QLatin1String(kind.file);
        if (!KTTestArchives::write(path, entries(), options))
            return {};
        written << path;
    }
    const QString lone = folder + QStringLiteral("/lone.txt.gz");
    if (!KTTestArchives::write(lone, {KTTestEntry::file("lone.txt", text())}, "raw", "gzip"))
        return {};
    written << lone;

    if (KTTestArchives::haveProgram(QStringLiteral("7zz"))) {
        const QString staging = folder + QStringLiteral("/.staging");
        QDir().mkpath(staging + QStringLiteral("/empty"));
        for (const KTTestEntry &e : entries())
            if (e.type == KTTestEntry::File && !kt_writeFile(staging + QLatin1Char('/') + QString::fromUtf8(e.name), e.data))
                return {};
        QFile::link(QStringLiteral("notes.txt"), staging + QStringLiteral("/docs/link"));
        const QString sevenZip = folder + QStringLiteral("/7zz.7z");
        if (!KTTestArchives::run(QStringLiteral("7zz"), {"a", "-bd", "-snl", sevenZip, "docs", "top.bin", "empty"}, staging))
            return {};
        QDir(staging).removeRecursively();
        written << sevenZip;
    }
    return written;
}
