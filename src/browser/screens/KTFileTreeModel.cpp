#include "browser/screens/KTFileTreeModel.h"

#include "browser/screens/KTFileIconCache.h"
#include "browser/tree/KTTreeNode.h"
#include "util/core/KTNameCollator.h"

#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <numeric>
#include <set>

KTFileTreeModel::KTFileTreeModel(KTFileIconCache &icons, QObject *parent)
    : QAbstractItemModel(parent)
    , m_icons(icons)
{
}

KTFileTreeModel::~KTFileTreeModel() = default;

std::shared_ptr<const KTTreeNode> KTFileTreeModel::setTree(std::shared_ptr<const KTTreeNode> root)
{
    beginResetModel();
    m_orders.clear();
    std::swap(m_root, root);
    endResetModel();
    return root;
}

QString KTFileTreeModel::columnIdentifier(int column)
{
    switch (column) {
    case NameColumn:
        return QStringLiteral("Name");
    case SizeColumn:
        return QStringLiteral("Size");
    case DateColumn:
        return QStringLiteral("Date");
    default:
        return {};
    }
}

QVariant KTFileTreeModel::objectValue(const KTTreeNode &node, const QString &identifier)
{
    if (!identifier.isEmpty() && identifier != QLatin1String("Name"))
        return {};
    // The path's own last component: the root row then names the destination
    // as it is on disk, whatever the record's display name says.
    return QFileInfo(node.representedObject().filePath()).fileName();
}

qsizetype KTFileTreeModel::childCount(const KTTreeNode *node) const
{
    if (!node)
        return m_root ? 1 : 0;
    return node->childCount();
}

const KTTreeNode *KTFileTreeModel::child(const KTTreeNode *node, qsizetype row) const
{
    if (row < 0 || row >= childCount(node))
        return nullptr;
    if (!node)
        return m_root.get();
    if (const Order *sorted = order(node))
        row = sorted->childOfRow[size_t(row)];
    return node->childAt(row);
}

int KTFileTreeModel::rowOf(const KTTreeNode *node) const
{
    const KTTreeNode *parentNode = node->parentNode();
    if (!parentNode)
        return 0;
    if (const Order *sorted = order(parentNode))
        return int(sorted->rowOfChild[size_t(node->row())]);
    return int(node->row());
}

const KTFileTreeModel::Order *KTFileTreeModel::order(const KTTreeNode *node) const
{
    if (m_sortColumn < 0 || node->childCount() < 2)
        return nullptr;
    auto found = m_orders.find(node);
    if (found == m_orders.end())
        found = m_orders.emplace(node, sortedOrder(*node)).first;
    return &found->second;
}

KTFileTreeModel::Order KTFileTreeModel::sortedOrder(const KTTreeNode &node) const
{
    const qsizetype count = node.childCount();
    Order sorted;
    sorted.childOfRow.resize(size_t(count));
    std::iota(sorted.childOfRow.begin(), sorted.childOfRow.end(), 0);
    auto item = [&node](qsizetype child) -> const KTFileItem & { return node.childAt(child)->representedObject(); };
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    // Stable, so that equal rows keep the listing order.
    auto sortBy = [&](auto less) {
        std::stable_sort(sorted.childOfRow.begin(), sorted.childOfRow.end(),
                         [&](qsizetype a, qsizetype b) { return descending ? less(b, a) : less(a, b); });
    };
    if (m_sortColumn == SizeColumn) {
        sortBy([&](qsizetype a, qsizetype b) { return item(a).fileSize() < item(b).fileSize(); });
    } else if (m_sortColumn == DateColumn) {
        sortBy([&](qsizetype a, qsizetype b) { return item(a).fileUpdateAt() < item(b).fileUpdateAt(); });
    } else {
        // Names as people read them: case aside, "file9" before "file10";
        // folders first whichever the direction, as file managers do.
        const KTNameCollator collator;
        std::vector<QByteArray> keys;
        keys.reserve(size_t(count));
        for (qsizetype child = 0; child < count; ++child)
            keys.push_back(collator.sortKey(QFileInfo(item(child).filePath()).fileName()));
        std::stable_sort(sorted.childOfRow.begin(), sorted.childOfRow.end(), [&](qsizetype a, qsizetype b) {
            const bool folderA = item(a).isDirectory();
            const bool folderB = item(b).isDirectory();
            if (folderA != folderB)
                return folderA;
            return descending ? keys[size_t(b)] < keys[size_t(a)] : keys[size_t(a)] < keys[size_t(b)];
        });
    }
    sorted.rowOfChild.resize(size_t(count));
    for (qsizetype row = 0; row < count; ++row)
        sorted.rowOfChild[size_t(sorted.childOfRow[size_t(row)])] = row;
    return sorted;
}

void KTFileTreeModel::sort(int column, Qt::SortOrder order)
{
    if (column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    m_orders.clear();
    m_sortColumn = column;
    m_sortOrder = order;
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before) {
        const KTTreeNode *node = nodeForIndex(index);
        after.append(createIndex(rowOf(node), index.column(), node));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const KTTreeNode *KTFileTreeModel::nodeForIndex(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<const KTTreeNode *>(index.internalPointer());
}

QModelIndex KTFileTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column < 0 || column >= ColumnCount || (parent.isValid() && parent.column() != NameColumn))
        return {};
    const KTTreeNode *node = child(nodeForIndex(parent), row);
    return node ? createIndex(row, column, node) : QModelIndex();
}

QModelIndex KTFileTreeModel::parent(const QModelIndex &index) const
{
    const KTTreeNode *node = nodeForIndex(index);
    if (!node || node == m_root.get())
        return {};
    const KTTreeNode *parentNode = node->parentNode();
    return createIndex(rowOf(parentNode), NameColumn, parentNode);
}

int KTFileTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != NameColumn)
        return 0;
    return int(childCount(nodeForIndex(parent)));
}

int KTFileTreeModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

bool KTFileTreeModel::hasChildren(const QModelIndex &parent) const
{
    // A folder whose every entry was left out still shows as one.
    const KTTreeNode *node = nodeForIndex(parent);
    if (!node)
        return !parent.isValid() && m_root;
    return parent.column() == NameColumn && node->representedObject().isDirectory();
}

QVariant KTFileTreeModel::data(const QModelIndex &index, int role) const
{
    const KTTreeNode *node = nodeForIndex(index);
    if (!node)
        return {};
    const KTFileItem &item = node->representedObject();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == SizeColumn)
            return QLocale().formattedDataSize(item.fileSize());
        if (column == DateColumn)
            return QLocale().toString(item.fileUpdateAt(), QLocale::ShortFormat);
        return objectValue(*node, columnIdentifier(column));
    case Qt::DecorationRole:
        if (column == NameColumn)
            return m_icons.iconForItem(item);
        return {};
    case Qt::TextAlignmentRole:
        if (column == SizeColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant KTFileTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return tr("Name");
    case SizeColumn:
        return tr("Size");
    case DateColumn:
        return tr("Date Modified");
    default:
        return {};
    }
}

Qt::ItemFlags KTFileTreeModel::flags(const QModelIndex &index) const
{
    if (!nodeForIndex(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (!hasChildren(index.siblingAtColumn(NameColumn)))
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

QStringList KTFileTreeModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData *KTFileTreeModel::mimeData(const QModelIndexList &indexes) const
{
    // One URL per row, whichever of its columns were selected.
    std::set<const KTTreeNode *> seen;
    QList<QUrl> urls;
    for (const QModelIndex &index : indexes) {
        const KTTreeNode *node = nodeForIndex(index);
        if (node && seen.insert(node).second)
            urls.append(QUrl::fromLocalFile(node->representedObject().filePath()));
    }
    if (urls.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

Qt::DropActions KTFileTreeModel::supportedDragActions() const
{
    return Qt::CopyAction;
}
