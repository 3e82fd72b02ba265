#pragma once

#include <QByteArray>

#include <vector>

// Resolves a symbolic link the way the kernel would, following the links it
// meets, and tells whether the result stays inside a folder. Components that
// do not exist are taken as written, so a dangling link is judged by where it
// would point.
class KTLinkResolver
{
public:
    // root and link are absolute paths; link lies inside root, and every
    // folder between them is a real folder, not a link.
    static bool staysInside(const QByteArray &root, const QByteArray &link);

    // Checks the links (paths relative to root) and removes each that
    // points outside, until all that stay point inside (removing one can
    // change where others lead); returns the removed ones, which leave the list.
    static std::vector<QByteArray> removeEachOutside(const QByteArray &root, std::vector<QByteArray> &links);
};
