#include "util/files/KTRunnableCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

bool KTRunnableCheck::mayRun(const QString &path)
{
    // A link counts as what it points to: that is what the desktop opens.
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    if (info.permissions() & (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther))
        return true;
    static const QStringList programSuffixes{QStringLiteral("desktop"), QStringLiteral("exe"), QStringLiteral("msi"),
                                             QStringLiteral("bat"),     QStringLiteral("cmd"), QStringLiteral("com")};
    if (programSuffixes.contains(info.suffix(), Qt::CaseInsensitive))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head.startsWith("\x7f" "ELF") || head.startsWith("#!");
}
