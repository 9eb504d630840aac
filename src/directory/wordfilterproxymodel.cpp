#include "wordfilterproxymodel.h"

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
                                     });
    }
    // Before the base class: it filters the new rows at once.
    QSortFilterProxyModel::setSourceModel(model);
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
}

void WordFilterProxyModel::forgetRows(int first, int last)
{
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
    // Filtering and sorting again from scratch is cheaper for a large list
    // than moving thousands of rows in and out one range at a time.
    invalidate();
}

bool WordFilterProxyModel::wordsAccept(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceParent.isValid() || words.isEmpty())
        return true;
    const QString &folded = prepared ? prepared->foldedSearchText(sourceRow)
                                     : cached(searchCache, sourceRow, filterKeyColumn(), filterRole(), true);
    for (const QString &word : words.words()) {
        if (!folded.contains(word))
            return false;
    }
    return true;
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
        if (left.column() == prepared->presortedColumn() && sortCaseSensitivity() == Qt::CaseSensitive &&
            !isSortLocaleAware())
            return left.row() < right.row();
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
