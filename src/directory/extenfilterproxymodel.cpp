#include "extenfilterproxymodel.h"

#include "directoryroles.h"

ExtenFilterProxyModel::ExtenFilterProxyModel(QObject *parent) : WordFilterProxyModel(parent)
{
    setFilterRole(DirRole::SearchText);
    setFilterKeyColumn(3);
}

bool ExtenFilterProxyModel::dropMimeData(const QMimeData *, Qt::DropAction, int, int, const QModelIndex &)
{
    return true;
}
