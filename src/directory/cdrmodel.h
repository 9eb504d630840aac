// The call history as its view shows it: one compact record per call, the
// item roles answered from it, and what the filter needs of a row (call
// class, attributes, day, folded search text) prepared when the row is made,
// so that filtering reads no item data.
#pragma once

#include "wordfilterproxymodel.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QVector>

class CdrModel : public QAbstractTableModel, public PreparedRowTexts
{
    Q_OBJECT
public:
    enum Column { TypeColumn = 0, NameColumn, NumberColumn, StartColumn, DurationColumn, ColumnCount };

    // `icons`: the call type icons by resource path, made on the GUI thread.
    explicit CdrModel(const QHash<QString, QIcon> &icons = QHash<QString, QIcon>(), QObject *parent = nullptr);

    struct Call {
        QString key;        // call type key
        int attributes = 0; // CTILIB::CallAttributeFlags
        QString name;
        QString number;
        QString start;    // as received
        QString duration; // as shown
    };
    // Appends the rows (the model is being built, nobody watches it yet).
    void appendCalls(const QVector<Call> &calls);
    void clear();

    // What the call-history filter reads of a row.
    int callClass(int row) const; // CdrRules::CallClass bits
    int attributes(int row) const;
    qint64 startDay(int row) const; // Julian day of the start, 0 when it does not parse

    const QString &foldedSearchText(int row) const override;
    const QString &sortText(int row, int column) const override;
    bool rowsInOrder(int column, Qt::SortOrder order) const override;
    QVector<QString> foldedSearchTexts() const override;
    // Puts the rows in the order of the view's sort by that column (before
    // the model is shown: it tells no view).
    void orderRows(int column, Qt::SortOrder order);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Row {
        Call call;
        QString folded;
        qint64 day = 0;
        int callClass = 0;
    };
    QString searchText(const Row &row) const;

    QVector<Row> rows;
    QHash<QString, QIcon> icons;
    int orderColumn = -1; // the rows stand in this column's order (-1: none known)
    Qt::SortOrder order = Qt::AscendingOrder;
};
