#pragma once

#include "extraction/engine/KTExtractionError.h"

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
    // Why the entry cannot be written at the path sanitize() gave: a refused
    // name (UnsafeEntry), or no name for anything but a folder (Damaged).
    static KTExtractionError unwritable(const QString &name, const std::optional<QByteArray> &path,
                                        const QString &refusal, bool isDirectory);
    // The maxPathBytes for entries below root (a canonical absolute path):
    // what PATH_MAX leaves, with room to spare.
    static int maxPathBytesBelow(const QByteArray &root);
    static QByteArray shortenComponent(const QByteArray &utf8, int maxBytes = MaxComponentBytes);
};
