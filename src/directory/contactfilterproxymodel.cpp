#include "contactfilterproxymodel.h"

#include "directoryroles.h"

ContactFilterProxyModel::ContactFilterProxyModel(QObject *parent) : WordFilterProxyModel(parent)
{
    setFilterRole(DirRole::SearchText);
    setFilterKeyColumn(0);
}
