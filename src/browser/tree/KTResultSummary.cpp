#include "browser/tree/KTResultSummary.h"

#include "browser/tree/KTTreeNode.h"

#include <vector>

KTResultSummary KTResultSummary::of(const KTTreeNode &root)
{
    KTResultSummary summary;
    // A stack rather than recursion: a deep tree costs no call depth.
    std::vector<const KTTreeNode *> pending{&root};
    while (!pending.empty()) {
        const KTTreeNode *node = pending.back();
        pending.pop_back();
        if (!node->representedObject().isDirectory()) {
            ++summary.files;
            summary.bytes += node->representedObject().fileSize();
        }
        for (const auto &child : node->childNodes())
            pending.push_back(child.get());
    }
    return summary;
}
