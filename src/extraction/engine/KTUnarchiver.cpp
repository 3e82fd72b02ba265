#include "extraction/engine/KTUnarchiver.h"

#include "extraction/disk/KTDiskWriter.h"
#include "extraction/disk/KTLinkResolver.h"
#include "extraction/disk/KTPathSanitizer.h"
#include "extraction/engine/KTArchiveExtensions.h"
#include "extraction/engine/KTUnarchiverDelegate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool exists(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// The extension before which a number is inserted: 1 to 5 letters or
// digits, at least one a letter ("v1.2" has none, "photo.jpg" has "jpg").
int extensionDot(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || name.size() - dot - 1 > 5 || dot == name.size() - 1)
        return -1;
    bool letter = false;
    for (int i = dot + 1; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (!c.isLetterOrNumber())
            return -1;
        letter = letter || c.isLetter();
    }
    return letter ? dot : -1;
}

// The stem, shortened at a character boundary when need be, so that stem
// and tail together still fit in one file name.
QString fitStem(const QString &stem, const QString &tail)
{
    const QByteArray encoded = QFile::encodeName(stem);
    const qsizetype room = KTPathSanitizer::MaxComponentBytes - QFile::encodeName(tail).size();
    if (encoded.size() <= room)
        return stem;
    qsizetype end = std::max<qsizetype>(room, 1);
    while (end > 1 && (static_cast<unsigned char>(encoded.at(end)) & 0xC0) == 0x80)
        --end;
    return QFile::decodeName(encoded.left(end));
}

} // namespace

QString KTUnarchiver::findUniquePathForOriginalPath(const QString &path)
{
    // A file name holds no NUL: the system would see only the part before it.
    QString original = path;
    original.replace(QChar(0), QLatin1Char('_'));
    if (!exists(original))
        return original;
    const QFileInfo info(original);
    const QString dir = info.path();
    const QString name = info.fileName();
    const int dot = extensionDot(name);
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString tail = QLatin1Char('-') + QString::number(n) + ext;
        const QString candidate = dir + QLatin1Char('/') + fitStem(stem, tail) + tail;
        if (!exists(candidate))
            return candidate;
    }
}

QString KTUnarchiver::nameWithoutArchiveExtensions(const QString &fileName)
{
    return KTArchiveExtensions::withoutArchiveExtensions(fileName);
}

KTExtractionError KTUnarchiver::finishCreatedItem(const QString &enclosingFolder, const std::vector<QByteArray> &symlinks)
{
    const QFileInfo enclosingInfo(enclosingFolder);
    m_enclosingDirectoryName = enclosingInfo.fileName();
    m_createdItem = enclosingFolder;

    QStringList items;
    const QByteArray encodedEnclosing = QFile::encodeName(enclosingFolder);
    if (DIR *dir = ::opendir(encodedEnclosing.constData())) {
        while (dirent *e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                items.append(QFile::decodeName(e->d_name));
            if (items.size() > 1)
                break;
        }
        ::closedir(dir);
    }

    bool solo = m_removesEnclosingForSolo && items.size() == 1;
    QString soloPath;
    if (solo) {
        soloPath = enclosingFolder + QLatin1Char('/') + items.first();
        struct stat st;
        const QByteArray encodedSolo = QFile::encodeName(soloPath);
        solo = ::lstat(encodedSolo.constData(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
        // A link inside that points beside the solo folder would point
        // elsewhere once the folder is moved: keep the enclosing folder then.
        const QByteArray prefix = QFile::encodeName(items.first()) + '/';
        for (const QByteArray &link : symlinks) {
            if (solo && link.startsWith(prefix))
                solo = KTLinkResolver::staysInside(encodedSolo, encodedEnclosing + '/' + link);
        }
    }

    if (!solo)
        return {};

    // The solo item may bear the enclosing folder's own name: move the
    // folder aside first.
    const QString aside = enclosingInfo.path() + QStringLiteral("/.kt-enclosing-") +
                          QString::number(QRandomGenerator::global()->generate(), 36);
    if (::rename(encodedEnclosing.constData(), QFile::encodeName(aside).constData()) != 0)
        return KTExtractionError::make(KTErrorCode::WriteFailed, QString::fromLocal8Bit(std::strerror(errno)));
    const QString from = aside + QLatin1Char('/') + items.first();
    const QString to = findUniquePathForOriginalPath(enclosingInfo.path() + QLatin1Char('/') + items.first());
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        const int err = errno;
        ::rename(QFile::encodeName(aside).constData(), encodedEnclosing.constData());
        return KTExtractionError::make(KTErrorCode::WriteFailed, QString::fromLocal8Bit(std::strerror(err)));
    }
    ::rmdir(QFile::encodeName(aside).constData());
    m_createdItem = to;
    return {};
}

KTExtractionError KTUnarchiver::makeEnclosingFolder(const QString &archivePath, QString &enclosing,
                                                    QByteArray &resolved) const
{
    enclosing = findUniquePathForOriginalPath(m_destination + QLatin1Char('/')
                                              + nameWithoutArchiveExtensions(QFileInfo(archivePath).fileName()));
    const QByteArray native = QFile::encodeName(enclosing);
    if (::mkdir(native.constData(), 0755) != 0)
        return kt_writeError(errno, native);
    char path[PATH_MAX];
    if (!::realpath(native.constData(), path))
        return kt_writeError(errno, native);
    resolved = QByteArray(path);
    return {};
}

void KTUnarchiver::reportSkippedLinks(const KTDiskWriter &writer)
{
    if (!m_delegate)
        return;
    for (const KTDiskWriter::SkippedLink &link : writer.skippedLinks())
        m_delegate->didRemoveUnsafeItem(*this, QString::fromUtf8(link.rel), link.reason);
}
