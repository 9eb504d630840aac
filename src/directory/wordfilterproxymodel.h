// Base of the directory filters: a top-level row passes when its search text
// (filter role of the key column) holds every word of the search, as literal
// case-insensitive text; child rows (numbers, addresses) always pass.
// The folded search texts and the sort keys of the top-level rows are kept
// per source row and refreshed only for rows that change, so that a search
// over a large phone book reads each text once.
#pragma once

#include "searchwords.h"

#include <QBitArray>
#include <QFutureWatcher>
#include <QSortFilterProxyModel>
#include <QVector>

#include <algorithm>

// What a source model can offer the filter so that it reads no QVariant per
// row: the folded search texts and the sort texts of its top-level rows, and
// whether the rows already stand in the order of a sort.
class PreparedRowTexts
{
public:
    virtual ~PreparedRowTexts() = default;
    virtual const QString &foldedSearchText(int row) const = 0;
    virtual const QString &sortText(int row, int column) const = 0;
    // The folded search texts of all top-level rows in row order: a copy that
    // a search on a worker may read while the model changes.
    virtual QVector<QString> foldedSearchTexts() const = 0;
    // True when the top-level rows stand in the order a stable sort of their
    // sort texts of `column` (case-sensitive, not locale-aware) gives.
    virtual bool rowsInOrder(int column, Qt::SortOrder order) const = 0;

    // Orders `rows` stably by the sort text of `column` that `text` gives for
    // a row: the order the filter's sort shows them in.
    template <typename Row, typename Text>
    static void sortRows(QVector<Row> &rows, Qt::SortOrder order, const Text &text)
    {
        if (order == Qt::AscendingOrder)
            std::stable_sort(rows.begin(), rows.end(),
                             [&](const Row &a, const Row &b) { return text(a).compare(text(b)) < 0; });
        else
            std::stable_sort(rows.begin(), rows.end(),
                             [&](const Row &a, const Row &b) { return text(b).compare(text(a)) < 0; });
    }
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
    // Prepares the words of `text` and filters again when they changed. Over
    // a large list the rows are matched on a worker, and the rows shown change
    // when its result comes (isSearchPending() until then); the window goes
    // on meanwhile.
    void setSearchText(const QString &text);
    QString searchText() const { return text; }
    bool isSearchPending() const { return pendingSearch != nullptr; }
    // From this many top-level rows on, searches run on a worker.
    static constexpr int WorkerSearchRows = 20000;

    // The sort the views asked for. When the source's rows already stand in
    // that order (it was built so, on a worker), the filter shows them in
    // source order and sorts nothing, neither now nor when a new source model
    // comes; a change that puts the rows out of order makes it sort again.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int shownSortColumn() const { return shownColumn; }
    Qt::SortOrder shownSortOrder() const { return shownOrder; }
    // Whether the rows are shown in source order, their sort being the source's.
    bool showsSourceOrder() const { return sourceOrder; }

    // Child rows always pass, so a top-level row has children when its
    // source row has: answered without the per-row mapping the base class
    // would make (the tree view asks it of every row it lays out).
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;

protected:
    // Subclasses must let every child row pass, as this one does.
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
    bool sourceHasShownOrder() const;
    void sortAgainIfOutOfOrder();
    void startSearch();
    void onSearchDone();

    const PreparedRowTexts *prepared = nullptr; // the source, when it offers them
    QList<QMetaObject::Connection> sourceConnections;
    QVector<QString> presetTexts;
    QString text;
    SearchWords words;
    mutable RowCache searchCache;
    mutable RowCache sortCache;
    mutable int sortCacheColumn = -1;
    mutable int sortCacheRole = -1;
    int shownColumn = -1;
    Qt::SortOrder shownOrder = Qt::AscendingOrder;
    bool sourceOrder = false;
    bool resortQueued = false;
    // The result of the last search on a worker: which top-level rows hold
    // every word searched; dropped when the rows or the words change.
    QBitArray accepted;
    quint64 rowsChanged = 0;  // counts the changes of the source's rows
    quint64 searchedRows = 0; // the count when the running search began
    QFutureWatcher<QBitArray> *pendingSearch = nullptr;
};
