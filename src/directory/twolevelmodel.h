// The index plumbing of a list whose rows may carry one column of child rows
// (a contact's numbers, an extension's accounts). A child index carries its
// parent's row + 1 as internal id, a top-level index 0.
#pragma once

#include <QAbstractItemModel>

class TwoLevelModel : public QAbstractItemModel
{
public:
    using QAbstractItemModel::QAbstractItemModel;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &idx) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;

protected:
    static constexpr quintptr TopLevel = 0;
    // The row of a child index's parent.
    static int parentRow(const QModelIndex &child) { return int(child.internalId() - 1); }

    virtual int topRowCount() const = 0;
    virtual int topColumnCount() const = 0;
    virtual int childRowCount(int row) const = 0;
};
