#include "extenfavouritefilterproxymodel.h"

ExtenFavouriteFilterProxyModel::ExtenFavouriteFilterProxyModel(QObject *parent) : QSortFilterProxyModel(parent) {}
