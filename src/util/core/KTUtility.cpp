#include "util/core/KTUtility.h"

#include "app/core/KTNotificationCenter.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void KTUtility::kt_doPerformNotification(const QString &name, const QVariant &object)
{
    const QVariantList pair{name, object.isValid() ? object : KTNotificationCenter::nullObject()};
    QObject *context = &KTNotificationCenter::defaultCenter();
    QMetaObject::invokeMethod(context, [pair] { kt_PerformNotification(pair); }, Qt::QueuedConnection);
}

void KTUtility::kt_PerformNotification(const QVariantList &nameAndObject)
{
    if (nameAndObject.size() != 2)
        return;
    KTNotificationCenter::defaultCenter().postNotification(nameAndObject.at(0).toString(), nameAndObject.at(1));
}

quint64 KTUtility::fileSizeByPath(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st{};
    if (::stat(native.constData(), &st) != 0)
        return 0;
    if (st.st_size != 0)
        return quint64(st.st_size);
    if (!S_ISREG(st.st_mode))
        return 0;
    // Some regular files report 0 but have content (procfs and the like).
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    const off_t end = ::lseek(fd, 0, SEEK_END);
    ::close(fd);
    return end > 0 ? quint64(end) : 0;
}

qint64 KTUtility::kt_filesizeWithPath(const QString &path)
{
    struct stat st{};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return qint64(st.st_size);
}

namespace {

qint64 sizeBelow(const QString &folder)
{
    const auto names = KTUtility::kt_ContentsOfDirectory(folder);
    if (!names)
        return 0;
    qint64 total = 0;
    for (const QString &name : *names) {
        const QString child = folder + QLatin1Char('/') + name;
        struct stat st{};
        if (::lstat(QFile::encodeName(child).constData(), &st) != 0)
            continue;
        total += qint64(st.st_size);
        if (S_ISDIR(st.st_mode))
            total += sizeBelow(child);
    }
    return total;
}

} // namespace

qint64 KTUtility::kt_FolderSizeWithPath(const QString &path)
{
    if (!kt_IsDirectoryAtPath(path))
        return 0;
    return sizeBelow(path);
}

bool KTUtility::kt_IsDirectoryAtPath(const QString &path)
{
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<QStringList> KTUtility::kt_ContentsOfDirectory(const QString &path)
{
    DIR *dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir)
        return std::nullopt;
    QStringList names;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        names.append(QFile::decodeName(name));
    }
    ::closedir(dir);
    return names;
}
