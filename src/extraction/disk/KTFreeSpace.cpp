#include "extraction/disk/KTFreeSpace.h"

#include <QFile>
#include <QLocale>

#include <limits>

#include <sys/statvfs.h>

qint64 KTFreeSpace::available(const QString &folder)
{
    struct statvfs st;
    if (::statvfs(QFile::encodeName(folder).constData(), &st) != 0)
        return -1;
    const unsigned __int128 bytes = static_cast<unsigned __int128>(st.f_bavail) * st.f_frsize;
    return bytes > static_cast<unsigned __int128>(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max()
                                                                                       : qint64(bytes);
}

KTExtractionError KTFreeSpace::ensureRoom(const QString &folder, quint64 declaredBytes)
{
    const qint64 room = available(folder);
    if (room < 0 || declaredBytes <= quint64(room))
        return {};
    const QLocale c = QLocale::c();
    return KTExtractionError::make(KTErrorCode::NoSpace,
                                   QStringLiteral("the archive holds %1 bytes, %2 has %3 bytes free")
                                       .arg(c.toString(declaredBytes), folder, c.toString(room)));
}
