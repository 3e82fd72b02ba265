#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Turns a decoded entry name into a relative path that stays inside the
// destination, or refuses it.
//
// Leading "/" (and, where backslashes separate, a drive prefix "C:") are
// dropped, "." and empty components vanish, a ".." component refuses the
// entry. Components longer than the file system allows are shortened at a
// character boundary, keeping a short extension. The result is UTF-8 with
// '/' separators; an empty result names the destination itself.
class KTPathSanitizer
{
public:
    static constexpr int MaxComponentBytes = 255;

    struct Result {
        std::optional<QByteArray> path; // nullopt: refused
        QString reason;
    };

    static Result sanitize(const QString &name, bool backslashIsSeparator, int maxPathBytes);
    // The maxPathBytes for entries below root (a canonical absolute path):
    // what PATH_MAX leaves, with room to spare.
    static int maxPathBytesBelow(const QByteArray &root);
    static QByteArray shortenComponent(const QByteArray &utf8, int maxBytes = MaxComponentBytes);
};
