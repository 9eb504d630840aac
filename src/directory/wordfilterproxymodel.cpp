#include "wordfilterproxymodel.h"

#include <QtConcurrent>

WordFilterProxyModel::WordFilterProxyModel(QObject *parent) : QSortFilterProxyModel(parent) {}

void WordFilterProxyModel::setSourceModel(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &c : qAsConst(sourceConnections))
        disconnect(c);
    sourceConnections.clear();
    forgetAll();
    prepared = dynamic_cast<const PreparedRowTexts *>(model);
    if (model && presetTexts.size() == model->rowCount()) {
        searchCache.texts = presetTexts;
        searchCache.known.fill(true, presetTexts.size());
    }
    presetTexts.clear();
    if (model) {
        sourceConnections << connect(model, &QAbstractItemModel::modelAboutToBeReset, this,
                                     &WordFilterProxyModel::forgetAll);
        sourceConnections << connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this,
                                     &WordFilterProxyModel::forgetAll);
        sourceConnections << connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
                                     &WordFilterProxyModel::forgetAll);
        sourceConnections << connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                                     &WordFilterProxyModel::forgetAll);
        sourceConnections << connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this,
                                     &WordFilterProxyModel::forgetAll);
        sourceConnections << connect(model, &QAbstractItemModel::dataChanged, this,
                                     [this](const QModelIndex &from, const QModelIndex &to) {
                                         if (!from.parent().isValid())
                                             forgetRows(from.row(), to.row());
                                         sortAgainIfOutOfOrder();
                                     });
        sourceConnections << connect(model, &QAbstractItemModel::rowsInserted, this,
                                     &WordFilterProxyModel::sortAgainIfOutOfOrder);
        sourceConnections << connect(model, &QAbstractItemModel::layoutChanged, this,
                                     &WordFilterProxyModel::sortAgainIfOutOfOrder);
    }
    // The sort of the new rows is settled while the filter holds none: the
    // source's own order, or a real sort when the rows do not have it.
    const bool wanted = sourceHasShownOrder();
    if (wanted != sourceOrder || (!wanted && sortColumn() != shownColumn)) {
        QSortFilterProxyModel::setSourceModel(nullptr);
        sourceOrder = wanted;
        if (wanted)
            QSortFilterProxyModel::sort(-1, Qt::AscendingOrder);
        else
            QSortFilterProxyModel::sort(shownColumn, shownOrder);
    }
    // Before the base class: it filters the new rows at once.
    QSortFilterProxyModel::setSourceModel(model);
}

bool WordFilterProxyModel::sourceHasShownOrder() const
{
    return prepared && shownColumn >= 0 && sortRole() == Qt::DisplayRole &&
           sortCaseSensitivity() == Qt::CaseSensitive && !isSortLocaleAware() &&
           prepared->rowsInOrder(shownColumn, shownOrder);
}

void WordFilterProxyModel::sort(int column, Qt::SortOrder order)
{
    shownColumn = column;
    shownOrder = order;
    sourceOrder = sourceHasShownOrder();
    if (sourceOrder)
        QSortFilterProxyModel::sort(-1, Qt::AscendingOrder);
    else
        QSortFilterProxyModel::sort(column, order);
}

// A source change may have put the rows out of the shown order (a contact
// added or renamed here): sort for real, once the base class has taken the
// change in.
void WordFilterProxyModel::sortAgainIfOutOfOrder()
{
    if (!sourceOrder || resortQueued || sourceHasShownOrder())
        return;
    resortQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            resortQueued = false;
            if (sourceOrder && !sourceHasShownOrder()) {
                sourceOrder = false;
                QSortFilterProxyModel::sort(shownColumn, shownOrder);
            }
        },
        Qt::QueuedConnection);
}

void WordFilterProxyModel::setSourceModel(QAbstractItemModel *model, const QVector<QString> &foldedSearchTexts)
{
    presetTexts = foldedSearchTexts;
    setSourceModel(model);
}

void WordFilterProxyModel::forgetAll()
{
    searchCache = RowCache();
    sortCache = RowCache();
    accepted.clear();
    ++rowsChanged;
}

void WordFilterProxyModel::forgetRows(int first, int last)
{
    accepted.clear();
    ++rowsChanged;
    for (RowCache *cache : {&searchCache, &sortCache}) {
        for (int row = qMax(0, first); row <= last && row < cache->known.size(); ++row)
            cache->known[row] = false;
    }
}

const QString &WordFilterProxyModel::cached(RowCache &cache, int row, int column, int role, bool fold) const
{
    if (cache.known.isEmpty()) {
        const int rows = sourceModel()->rowCount();
        cache.texts.resize(rows);
        cache.known.fill(false, rows);
    }
    if (row >= cache.known.size()) {
        cache.texts.resize(row + 1);
        cache.known.resize(row + 1);
    }
    if (!cache.known.at(row)) {
        const QString value = sourceModel()->index(row, column).data(role).toString();
        cache.texts[row] = fold ? value.toCaseFolded() : value;
        cache.known[row] = true;
    }
    return cache.texts.at(row);
}

void WordFilterProxyModel::setSearchText(const QString &newText)
{
    SearchWords next(newText);
    text = newText;
    if (next.words() == words.words())
        return;
    words = next;
    accepted.clear();
    if (!words.isEmpty() && prepared && sourceModel() && sourceModel()->rowCount() >= WorkerSearchRows) {
        startSearch();
        return;
    }
    delete pendingSearch;
    pendingSearch = nullptr;
    // Filtering and sorting again from scratch is cheaper for a large list
    // than moving thousands of rows in and out one range at a time.
    invalidate();
}

// Matches the rows' texts with the words on a worker; the rows shown stay as
// they are until the result comes. A search still running is left to finish
// unheard.
void WordFilterProxyModel::startSearch()
{
    if (pendingSearch) {
        pendingSearch->disconnect(this);
        connect(pendingSearch, &QFutureWatcherBase::finished, pendingSearch, &QObject::deleteLater);
    }
    pendingSearch = new QFutureWatcher<QBitArray>(this);
    connect(pendingSearch, &QFutureWatcherBase::finished, this, &WordFilterProxyModel::onSearchDone);
    const QVector<QString> texts = prepared->foldedSearchTexts();
    const QStringList wanted = words.words();
    searchedRows = rowsChanged;
    pendingSearch->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [texts, wanted] {
        QBitArray hits(texts.size());
        for (int row = 0; row < texts.size(); ++row) {
            const QString &folded = texts.at(row);
            bool all = true;
            for (const QString &word : wanted) {
                if (!folded.contains(word)) {
                    all = false;
                    break;
                }
            }
            if (all)
                hits.setBit(row);
        }
        return hits;
    }));
}

void WordFilterProxyModel::onSearchDone()
{
    auto *watcher = pendingSearch;
    if (!watcher || sender() != watcher)
        return;
    pendingSearch = nullptr;
    watcher->deleteLater();
    const QBitArray hits = watcher->result();
    if (searchedRows != rowsChanged || !prepared || !sourceModel() || hits.size() != sourceModel()->rowCount()) {
        // The rows changed while it ran: filter them here.
        invalidate();
        return;
    }
    accepted = hits;
    invalidate();
}

bool WordFilterProxyModel::wordsAccept(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceParent.isValid() || words.isEmpty())
        return true;
    if (sourceRow < accepted.size())
        return accepted.testBit(sourceRow);
    const QString &folded = prepared ? prepared->foldedSearchText(sourceRow)
                                     : cached(searchCache, sourceRow, filterKeyColumn(), filterRole(), true);
    for (const QString &word : words.words()) {
        if (!folded.contains(word))
            return false;
    }
    return true;
}

bool WordFilterProxyModel::hasChildren(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.model() == this && !parent.parent().isValid() && sourceModel()) {
        const QModelIndex source = mapToSource(parent);
        return source.isValid() && sourceModel()->hasChildren(source) && sourceModel()->columnCount(source) > 0;
    }
    return QSortFilterProxyModel::hasChildren(parent);
}

bool WordFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    return wordsAccept(sourceRow, sourceParent);
}

bool WordFilterProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    if (!left.isValid() || !right.isValid() || left.parent().isValid() || right.parent().isValid() ||
        left.column() != right.column())
        return QSortFilterProxyModel::lessThan(left, right);
    if (prepared && sortRole() == Qt::DisplayRole) {
        const QString &a = prepared->sortText(left.row(), left.column());
        const QString &b = prepared->sortText(right.row(), right.column());
        return isSortLocaleAware() ? a.localeAwareCompare(b) < 0 : a.compare(b, sortCaseSensitivity()) < 0;
    }
    if (sortCacheColumn != left.column() || sortCacheRole != sortRole()) {
        sortCache = RowCache();
        sortCacheColumn = left.column();
        sortCacheRole = sortRole();
    }
    const QString &a = cached(sortCache, left.row(), left.column(), sortRole(), false);
    const QString &b = cached(sortCache, right.row(), right.column(), sortRole(), false);
    if (isSortLocaleAware())
        return a.localeAwareCompare(b) < 0;
    return a.compare(b, sortCaseSensitivity()) < 0;
}
