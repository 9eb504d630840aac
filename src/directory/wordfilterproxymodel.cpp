#include "wordfilterproxymodel.h"

WordFilterProxyModel::WordFilterProxyModel(QObject *parent) : QSortFilterProxyModel(parent) {}

void WordFilterProxyModel::setSearchText(const QString &newText)
{
    SearchWords prepared(newText);
    text = newText;
    if (prepared.words() == words.words())
        return;
    words = prepared;
    invalidateFilter();
}

bool WordFilterProxyModel::wordsAccept(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceParent.isValid() || words.isEmpty())
        return true;
    const QModelIndex key = sourceModel()->index(sourceRow, filterKeyColumn(), sourceParent);
    return words.matches(key.data(filterRole()).toString());
}

bool WordFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    return wordsAccept(sourceRow, sourceParent);
}
