#include "twolevelmodel.h"

QModelIndex TwoLevelModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!parent.isValid()) {
        if (row < 0 || row >= topRowCount() || column < 0 || column >= topColumnCount())
            return QModelIndex();
        return createIndex(row, column, TopLevel);
    }
    if (parent.internalId() != TopLevel || parent.column() != 0 || column != 0 || row < 0 ||
        row >= childRowCount(parent.row()))
        return QModelIndex();
    return createIndex(row, 0, quintptr(parent.row()) + 1);
}

QModelIndex TwoLevelModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == TopLevel)
        return QModelIndex();
    return createIndex(parentRow(child), 0, TopLevel);
}

QModelIndex TwoLevelModel::sibling(int row, int column, const QModelIndex &idx) const
{
    if (!idx.isValid())
        return QModelIndex();
    if (idx.internalId() == TopLevel)
        return index(row, column);
    return index(row, column, parent(idx));
}

int TwoLevelModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return topRowCount();
    if (parent.internalId() == TopLevel && parent.column() == 0)
        return childRowCount(parent.row());
    return 0;
}

int TwoLevelModel::columnCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return topColumnCount();
    return parent.internalId() == TopLevel && parent.column() == 0 ? 1 : 0;
}

bool TwoLevelModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}
