#pragma once

#include "browser/tree/KTTreeNode.h"

#include <QByteArray>
#include <QString>

#include <memory>

class KTTreeBuildProgress;

// Builds the tree of what lies below a path in one walk: every entry is read
// once (statx without following links; links get one more stat), folder
// totals are summed bottom-up, and the keep/skip rules are decided from them:
// ".DS_Store" (exact name) is left out, as are folders whose recorded total is
// below 1 and files whose size is below 1. Children keep the listing order.
//
// A folder's item carries the bytes of the regular files below it, which is
// what a person expects in a size column; the recorded total (which counts
// the folders' own directory records) only decides what is kept.
//
// Links are never walked: a link to a folder is a leaf (so a link cycle, or a
// link out of the result, cannot make the walk descend). At most one folder
// is open at a time, so depth is not bounded by the number of open files.
class KTTreeBuilder
{
public:
    struct Result {
        std::unique_ptr<KTTreeNode> root;
        // The root's size: the recorded total below a folder, a file's length.
        qint64 size = 0;
    };

    explicit KTTreeBuilder(KTTreeBuildProgress *progress = nullptr);

    Result build(const QString &path);

private:
    struct Totals {
        // The recorded sizes of everything below (the keep rule's measure).
        qint64 records = 0;
        // The lengths of the regular files below (what the folder shows).
        qint64 files = 0;
    };
    // Walks the folder; appends kept children to parent unless it is null
    // (a folder only sized, not shown).
    Totals walkFolder(const QByteArray &nativePath, const QString &path, KTTreeNode *parent);

    KTTreeBuildProgress *m_progress;
};
