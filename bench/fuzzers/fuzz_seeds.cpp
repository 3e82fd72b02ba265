// Writes the seed corpora of the fuzz targets: OUT/engine holds the sample
// archives, a few hostile ones and legacy-name zips; OUT/names holds one
// input per name (a flags byte, then the raw name bytes).
#include "support/KTEncodingCorpus.h"
#include "support/KTSampleArchives.h"
#include "support/KTTestArchives.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

void writeSeed(const QString &folder, const QByteArray &bytes)
{
    QFile f(folder + QLatin1Char('/') + QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kt_fuzz_seeds OUTDIR\n");
        return 2;
    }
    const QString out = QFile::decodeName(argv[1]);
    const QString engine = out + QStringLiteral("/engine");
    const QString names = out + QStringLiteral("/names");
    QDir().mkpath(engine);
    QDir().mkpath(names);

    if (KTSampleArchives::write(engine).isEmpty())
        return 1;
    using E = KTTestEntry;
    const std::vector<std::vector<E>> hostile = {
        {E::file("../x", "evil"), E::file("/abs/x", "a"), E::file("C:\\d\\x", "c")},
        {E::symlink("d", ".."), E::file("d/x", "evil")},
        {E::symlink("a", "b"), E::symlink("b", "../.."), E::hardlink("h", "a")},
        {E::file("a", "1"), E::dir("a"), E::file("a/y", "2"), E::file("A", "3")},
    };
    int n = 0;
    for (const auto &entries : hostile) {
        for (const char *format : {"zip", "gnutar", "7zip"}) {
            const QString ext = QString::fromLatin1(format) == QLatin1String("gnutar") ? QStringLiteral("tar") : QString::fromLatin1(format);
            KTTestArchives::write(QStringLiteral("%1/hostile%2.%3").arg(engine).arg(++n).arg(ext), entries, format);
        }
    }
    for (const KTNameSet &set : kt_encodingCorpus()) {
        std::vector<E> entries;
        for (const QString &name : set.names) {
            const QByteArray raw = kt_encodeName(name, set.icuName);
            if (raw.isEmpty())
                continue;
            entries.push_back(E::file(raw, "x"));
            writeSeed(names, char(set.encoding) + raw);
            writeSeed(names, char(0x80 | set.encoding) + raw);
        }
        KTTestArchives::Options options;
        options.legacyNames = true;
        if (!entries.empty())
            KTTestArchives::write(QStringLiteral("%1/legacy%2.zip").arg(engine).arg(++n), entries, options);
    }
    for (const char *name : {"../x", "a/../../x", "./../x", "..\\x", "C:\\x", "C:..\\x", "/abs/x", "photos.tar.gz",
                             "notes.txt.gz", "backup.7z.001", "photos.part1.rar", ".zip", "a.tar", "v1.2"})
        for (char flags : {'\x00', '\x40', '\x60'})
            writeSeed(names, flags + QByteArray(name));
    writeSeed(names, '\x60' + QByteArray("d/").repeated(300) + QByteArray(300, 'n') + ".txt");
    return 0;
}
