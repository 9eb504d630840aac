// Base of the directory filters: a top-level row passes when its search text
// (filter role of the key column) holds every word of the search, as literal
// case-insensitive text; child rows (numbers, addresses) always pass.
// The folded search texts and the sort keys of the top-level rows are kept
// per source row and refreshed only for rows that change, so that a search
// over a large phone book reads each text once.
#pragma once

#include "searchwords.h"

#include <QSortFilterProxyModel>
#include <QVector>

// What a source model can offer the filter so that it reads no QVariant per
// row: the folded search texts and the sort texts of its top-level rows, and
// the column (if any) whose ascending order the rows already have.
class PreparedRowTexts
{
public:
    virtual ~PreparedRowTexts() = default;
    virtual const QString &foldedSearchText(int row) const = 0;
    virtual const QString &sortText(int row, int column) const = 0;
    virtual int presortedColumn() const = 0;
};

class WordFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit WordFilterProxyModel(QObject *parent = nullptr);

    void setSourceModel(QAbstractItemModel *model) override;
    // The same, with the folded search texts of the top-level rows already
    // made (in row order), e.g. by the worker that built the model.
    void setSourceModel(QAbstractItemModel *model, const QVector<QString> &foldedSearchTexts);
    // Prepares the words of `text` and filters again when they changed.
    void setSearchText(const QString &text);
    QString searchText() const { return text; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
    bool wordsAccept(int sourceRow, const QModelIndex &sourceParent) const;

private:
    struct RowCache {
        QVector<QString> texts;
        QVector<bool> known;
    };
    const QString &cached(RowCache &cache, int row, int column, int role, bool fold) const;
    void forgetAll();
    void forgetRows(int first, int last);

    const PreparedRowTexts *prepared = nullptr; // the source, when it offers them
    QList<QMetaObject::Connection> sourceConnections;
    QVector<QString> presetTexts;
    QString text;
    SearchWords words;
    mutable RowCache searchCache;
    mutable RowCache sortCache;
    mutable int sortCacheColumn = -1;
    mutable int sortCacheRole = -1;
};
