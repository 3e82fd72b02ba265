#include "support/KTArenaPlace.h"

#include "support/KTArena.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

KTArenaPlace::KTArenaPlace(const KTArena &arena)
    : root(QFileInfo(arena.tmp()).canonicalFilePath())
    , encodedRoot(QFile::encodeName(root))
    , canary(QFile::encodeName(QFileInfo(arena.canary()).canonicalFilePath()))
{
}

QByteArray KTArenaPlace::expand(QByteArray target) const
{
    return target.replace("@CANARY@", canary).replace("@ROOTNAME@", QFile::encodeName(QFileInfo(root).fileName()))
        .replace("@ROOT@", encodedRoot);
}

QByteArray KTArenaPlace::marked(QByteArray target) const
{
    return target.replace(canary, "@CANARY@").replace(encodedRoot, "@ROOT@");
}

QStringList KTArenaPlace::listing() const
{
    QStringList result;
    const QMap<QString, QByteArray> tree = kt_snapshot(root, false);
    for (auto it = tree.begin(); it != tree.end(); ++it) {
        if (it.value() == "d") {
            result.append(it.key() + QLatin1Char('/'));
        } else if (it.value().startsWith("l:")) {
            result.append(it.key() + QStringLiteral("->") + QString::fromUtf8(marked(it.value().mid(2))));
        } else {
            QString entry = it.key() + QLatin1Char('=') + QString::fromUtf8(it.value().mid(4));
            struct stat st;
            if (::lstat(full(it.key().toUtf8()).constData(), &st) == 0 && st.st_nlink > 1)
                entry += QLatin1Char('#') + QString::number(st.st_nlink);
            result.append(entry);
        }
    }
    result.sort();
    return result;
}
