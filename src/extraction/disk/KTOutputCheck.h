#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QByteArray>

#include <vector>

// Holds a folder that another program extracted into to the rules that
// KTDiskWriter keeps while writing: device nodes, FIFOs and sockets are
// removed, set-user-ID, set-group-ID and sticky bits are dropped and the
// owner keeps read and write access, files hard-linked to something outside
// the folder are removed, and so is each symbolic link that points outside.
class KTOutputCheck
{
public:
    struct Removed {
        QByteArray rel;
        KTExtractionError reason;
    };
    struct Result {
        std::vector<Removed> removed;      // what broke a rule, in the order found
        std::vector<QByteArray> symlinks;  // relative paths of the links kept
    };

    // root: an existing folder, given as a canonical absolute path.
    static Result check(const QByteArray &root);
};
