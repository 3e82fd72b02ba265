#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class KTArena;

// The arena's root ("tmp") and canary by canonical path, and the marks that
// stand for them (and for the root's own name) in link targets: "@ROOT@",
// "@ROOTNAME@" and "@CANARY@".
class KTArenaPlace
{
public:
    explicit KTArenaPlace(const KTArena &arena);

    QString root;
    QByteArray encodedRoot;
    QByteArray canary;

    QByteArray full(const QByteArray &rel) const { return encodedRoot + '/' + rel; }
    // The target with its marks replaced by the paths they stand for.
    QByteArray expand(QByteArray target) const;
    // The target with the root's and canary's paths replaced by their marks.
    QByteArray marked(QByteArray target) const;

    // The tree below the root, sorted: "d/" a folder, "l->target" a link
    // (marked), "f=content" a file, with "#n" when it has n > 1 names.
    QStringList listing() const;
};
