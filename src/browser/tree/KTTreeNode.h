#pragma once

#include "browser/tree/KTFileItem.h"

#include <memory>
#include <vector>

// One node of the extracted tree: an item and its children in listing order.
// A node owns its children; the root owns the whole tree.
class KTTreeNode
{
public:
    explicit KTTreeNode(KTFileItem item);

    KTTreeNode(const KTTreeNode &) = delete;
    KTTreeNode &operator=(const KTTreeNode &) = delete;

    const KTFileItem &representedObject() const { return m_item; }
    KTFileItem &representedObject() { return m_item; }

    const std::vector<std::unique_ptr<KTTreeNode>> &childNodes() const { return m_children; }
    qsizetype childCount() const { return qsizetype(m_children.size()); }
    const KTTreeNode *childAt(qsizetype row) const { return m_children[size_t(row)].get(); }

    // Null for the root.
    const KTTreeNode *parentNode() const { return m_parent; }
    // This node's index among its parent's children (0 for the root).
    qsizetype row() const { return m_row; }

    // Takes the child over and appends it.
    void appendChild(std::unique_ptr<KTTreeNode> child);
    // Gives back the spare capacity of the child list once it is complete.
    void finishChildren();

private:
    KTFileItem m_item;
    std::vector<std::unique_ptr<KTTreeNode>> m_children;
    KTTreeNode *m_parent = nullptr;
    qsizetype m_row = 0;
};
