#include "browser/tree/KTTreeNode.h"

KTTreeNode::KTTreeNode(KTFileItem item)
    : m_item(std::move(item))
{
}

void KTTreeNode::appendChild(std::unique_ptr<KTTreeNode> child)
{
    child->m_parent = this;
    child->m_row = qsizetype(m_children.size());
    m_children.push_back(std::move(child));
}

void KTTreeNode::finishChildren()
{
    m_children.shrink_to_fit();
}
