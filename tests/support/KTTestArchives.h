#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// One entry of an archive a test writes.
struct KTTestEntry {
    enum Type { File, Directory, Symlink, Hardlink, Fifo, CharDevice, BlockDevice, Socket };

    QByteArray name;       // stored as these bytes
    Type type = File;
    QByteArray data;       // content of a file
    QByteArray linkTarget; // target of a link
    int mode = 0644;
    qint64 mtime = 1700000000;
    qint64 uid = -1;       // stored owner, when not -1
    qint64 gid = -1;

    static KTTestEntry file(const QByteArray &name, const QByteArray &data, int mode = 0644);
    static KTTestEntry dir(const QByteArray &name, int mode = 0755);
    static KTTestEntry symlink(const QByteArray &name, const QByteArray &target);
    static KTTestEntry hardlink(const QByteArray &name, const QByteArray &target);
};

// Archives made at test time with libarchive's writer. Every function
// records a test failure and returns false when it cannot do its work.
class KTTestArchives
{
public:
    struct Options {
        QByteArray format = "zip";   // zip, 7zip, ustar, pax, gnutar, cpio; raw: one file, filtered
        QByteArray filter;           // empty, gzip, bzip2, xz, zstd
        QByteArray passphrase;       // zip: encrypts every file
        QByteArray encryption = "zipcrypt"; // zipcrypt, aes128, aes256
        QByteArray compression;      // zip: store or deflate (default deflate)
        bool legacyNames = false;    // store non-ASCII names as raw bytes, not flagged UTF-8
    };

    static bool write(const QString &path, const std::vector<KTTestEntry> &entries, const Options &options);
    static bool write(const QString &path, const std::vector<KTTestEntry> &entries, const QByteArray &format = "zip",
                      const QByteArray &filter = {});

    // Runs a program; not exiting 0 is a test failure.
    static bool run(const QString &program, const QStringList &arguments, const QString &workingDirectory = {});
    static bool haveProgram(const QString &program);
};
