#pragma once

#include <QAbstractItemModel>

#include <memory>
#include <unordered_map>
#include <vector>

class KTFileIconCache;
class KTTreeNode;

// The extracted tree as an item model. The invisible top level holds one
// row, the destination itself, or none when there is no tree; every other
// level is a node's children in listing order. Rows are read from the tree
// as the view asks for them, so a folder of any size costs nothing until it
// is shown.
//
// Columns: "Name" (the last path component with its extension, and the
// icon), "Size" and "Date Modified". A column is known by its identifier;
// one that is none of these shows nothing.
//
// Sorting by a column orders every level's rows, each level when it is
// first shown; column -1 restores the listing order. By name, folders come
// before files in either direction.
class KTFileTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, DateColumn, ColumnCount };

    explicit KTFileTreeModel(KTFileIconCache &icons, QObject *parent = nullptr);
    ~KTFileTreeModel() override;

    // Shows a new tree (or none); the model keeps it alive. Gives back the
    // tree shown before, so that the caller decides where a huge one is freed.
    [[nodiscard]] std::shared_ptr<const KTTreeNode> setTree(std::shared_ptr<const KTTreeNode> root);
    const KTTreeNode *tree() const { return m_root.get(); }

    static QString columnIdentifier(int column);
    // What a row shows in the column of the given identifier: the node's name
    // for "Name" (and for an empty identifier), nothing for any other.
    static QVariant objectValue(const KTTreeNode &node, const QString &identifier);
    // The children a level shows: the destination alone at the top, else the
    // node's own children.
    qsizetype childCount(const KTTreeNode *node) const;
    const KTTreeNode *child(const KTTreeNode *node, qsizetype row) const;

    const KTTreeNode *nodeForIndex(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Dragging rows out hands their files over as local file URLs, to copy.
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    // A level's rows in sorted order, both ways.
    struct Order {
        std::vector<qsizetype> childOfRow;
        std::vector<qsizetype> rowOfChild;
    };
    const Order *order(const KTTreeNode *node) const;
    Order sortedOrder(const KTTreeNode &node) const;
    // The row a node shows at among its siblings.
    int rowOf(const KTTreeNode *node) const;

    KTFileIconCache &m_icons;
    std::shared_ptr<const KTTreeNode> m_root;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    mutable std::unordered_map<const KTTreeNode *, Order> m_orders;
};
