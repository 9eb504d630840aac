// The PBX's extensions as the extensions and favourites views show them:
// one compact record per extension with its number and address child rows,
// the item roles answered from the record (presence, busy lamp, star, labels).
// Rebuilt whole from each delivery, rows kept in number order (the views'
// initial sort); live status updates change single rows.
#pragma once

#include "ctilibtypes.h"
#include "twolevelmodel.h"
#include "wordfilterproxymodel.h"

#include <QHash>
#include <QVector>

#include <functional>

class ExtensionsModel : public TwoLevelModel, public PreparedRowTexts
{
    Q_OBJECT
public:
    enum Column {
        PresenceColumn = 0,
        BlfColumn,
        NumberColumn,
        FirstNameColumn,
        LastNameColumn,
        CompanyColumn,
        DepartmentColumn,
        FavouriteColumn,
        ColumnCount
    };

    struct Child {
        QString value;   // as received
        QString trimmed; // for known kinds
        qint8 kind = -1; // NumberKind, -1 for other fields
    };
    struct Row {
        PhoneBookEntry entry;
        QString source;
        QString visibility;
        QString extension;
        QString label;              // "Interno <number> <name>"
        QString cells[ColumnCount]; // texts of columns 2 to 6
        QString search;             // search text (column 3)
        QVector<Child> children;
        int presence = -1;
        int blf = -1;
        bool flag = false;
        bool favourite = false;
    };

    // The live part of a row, kept by the extension map.
    struct LiveState {
        int presence = -1;
        int blf = -1;
        bool flag = false;
        bool favourite = false;
    };

    explicit ExtensionsModel(QObject *parent = nullptr);

    // Replaces every row; the rows are put in number order (stable).
    void setRows(QVector<Row> rows);
    void clear();
    // Gives every row the live state `stateOf` sets (it gets the row's own first).
    void setLiveStates(const std::function<void(const Row &, LiveState &)> &stateOf);

    // First row of that extension number, -1 when none.
    int rowOf(const QString &extension) const;
    QString extensionAt(int row) const;
    bool isFavourite(int row) const;

    // Live changes of one row; each tells the views what changed.
    void setFavourite(int row, bool favourite);
    void setBlf(int row, int state);
    void setFlag(int row, bool flag);
    void setPresence(int row, int presence);

    const QString &foldedSearchText(int row) const override;
    const QString &sortText(int row, int column) const override;
    bool rowsInOrder(int column, Qt::SortOrder order) const override;
    QVector<QString> foldedSearchTexts() const override { return folded; }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // The live roles: 1008 (column 7, "F" or "N"), 1009 (column 1), 1010 and
    // 1011 (column 0).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

protected:
    int topRowCount() const override { return rows.size(); }
    int topColumnCount() const override { return ColumnCount; }
    int childRowCount(int row) const override { return rows.at(row).children.size(); }

private:
    QVariant topData(const Row &row, int column, int role) const;
    QVariant childData(const Child &child, int role) const;
    void rowChanged(int row, int firstColumn, int lastColumn);

    QVector<Row> rows;
    QVector<QString> folded; // search texts, case-folded
    QHash<QString, int> firstRow;
    bool numberOrder = true;
};
