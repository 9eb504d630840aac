#include "extenfavouritefilterproxymodel.h"

#include "directoryroles.h"

ExtenFavouriteFilterProxyModel::ExtenFavouriteFilterProxyModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    setFilterRole(DirRole::Favourite);
    setFilterKeyColumn(7);
    // The star cell changes under the proxy: its rows come and go at once.
    setDynamicSortFilter(true);
}

bool ExtenFavouriteFilterProxyModel::dropMimeData(const QMimeData *, Qt::DropAction, int, int, const QModelIndex &)
{
    return true;
}

bool ExtenFavouriteFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceParent.isValid())
        return true;
    const QString pattern = filterRegExp().pattern();
    if (pattern.isEmpty())
        return false;
    const QModelIndex key = sourceModel()->index(sourceRow, filterKeyColumn(), sourceParent);
    return key.data(filterRole()).toString().contains(pattern, filterCaseSensitivity());
}
