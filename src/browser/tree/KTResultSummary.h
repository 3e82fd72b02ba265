#pragma once

#include <QtGlobal>

class KTTreeNode;

// What a result holds, for a one-line account of it: the files (anything
// that is not a folder) shown in its tree and the sum of their sizes.
struct KTResultSummary {
    qint64 files = 0;
    qint64 bytes = 0;

    static KTResultSummary of(const KTTreeNode &root);
};
