#include "support/KTSmallDisk.h"

#include <QDir>
#include <QFile>

#include <sys/mount.h>
#include <unistd.h>

KTSmallDisk::KTSmallDisk(const QString &where, const QByteArray &options)
    : m_where(QFile::encodeName(where))
{
    QDir().mkpath(where);
    m_mounted = ::geteuid() == 0 && ::mount("tmpfs", m_where.constData(), "tmpfs", 0, options.constData()) == 0;
}

KTSmallDisk::~KTSmallDisk()
{
    if (m_mounted)
        ::umount2(m_where.constData(), MNT_DETACH);
}

bool KTSmallDisk::makeReadOnly()
{
    return ::mount("tmpfs", m_where.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}
