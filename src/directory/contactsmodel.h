// The phone book as the contacts view shows it: one compact record per
// contact with its number and address child rows, the item roles answered
// from the record. Built whole on a worker (rows already in the order of the
// list's initial sort, search texts prepared), then swapped in on the GUI
// thread; the contact add, edit and delete flows change single rows.
#pragma once

#include "ctilibtypes.h"
#include "twolevelmodel.h"
#include "wordfilterproxymodel.h"

#include <QVector>

class ContactNumberIndex;

class ContactsModel : public TwoLevelModel, public PreparedRowTexts
{
    Q_OBJECT
public:
    enum Column { KindColumn = 0, FirstNameColumn, LastNameColumn, CompanyColumn, DepartmentColumn, ColumnCount };

    explicit ContactsModel(QObject *parent = nullptr);

    // Appends the contacts of the books in order (same as appendContact for
    // each entry), then orders the rows as the list's sort by `column` in
    // `order` does (by default its initial sort, by last name), so that the
    // view shows them as they stand.
    // With `index`: the numbers of the books' contacts go into it too, in the
    // books' order (their cleaned texts shared with the rows).
    void buildFrom(const PhoneBookList &books, int column = LastNameColumn, Qt::SortOrder order = Qt::AscendingOrder,
                   ContactNumberIndex *index = nullptr);

    // One contact row; `confirmed` false for a row added here and not yet
    // seen in a phone book from the PBX. Returns the row.
    int appendContact(const PhoneBookEntry &entry, const QString &source, const QString &visibility,
                      bool confirmed = true);
    // Replaces the entry of a row (its numbers and texts with it).
    bool replaceContact(int row, const PhoneBookEntry &entry);
    bool removeContact(int row);
    void clear();
    // The row of the contact with that identifier, -1 when none.
    int rowOfEntry(const QString &id) const;
    const PhoneBookEntry *entryAt(int row) const;

    // PreparedRowTexts: the folded search text, the cell texts, and the
    // order buildFrom() left the rows in, while they keep it.
    const QString &foldedSearchText(int row) const override;
    const QString &sortText(int row, int column) const override;
    bool rowsInOrder(int column, Qt::SortOrder order) const override;
    QVector<QString> foldedSearchTexts() const override;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

protected:
    int topRowCount() const override { return rows.size(); }
    int topColumnCount() const override { return ColumnCount; }
    // From a compact array: the view asks it of every row at each layout.
    int childRowCount(int row) const override { return childCounts.at(row); }

private:
    struct Child {
        QString value;         // cleaned number, address, or "" for other kinds
        qint8 kind = -1;       // NumberKind, -1 without one
        bool searched = false; // a phone number or address: part of the search text
    };
    struct Row {
        PhoneBookEntry entry;
        QString source;
        QString visibility;
        QString cells[ColumnCount]; // column texts, trimmed (cell 0 unused)
        QString folded;             // search text, case-folded
        QVector<Child> children;
        bool personal = false;
        bool confirmed = true;
    };
    static QString cellText(const PhoneBookEntry &entry, int column);
    static Row makeRow(const PhoneBookEntry &entry, const QString &source, const QString &visibility);
    static QString searchText(const Row &row);
    QVariant topData(const Row &row, int column, int role) const;
    QVariant childData(const Child &child, int role) const;

    // Whether rows a and b stand in the order of the build's sort.
    bool inOrder(const Row &a, const Row &b) const;

    QVector<Row> rows;
    QVector<QString> folded;          // the rows' search texts, shared with searches on workers
    QVector<int> childCounts;         // the rows' child row counts
    int orderColumn = LastNameColumn; // the rows stand in this column's order, -1 when not
    Qt::SortOrder order = Qt::AscendingOrder;
};
