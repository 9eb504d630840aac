#include "extenfilterproxymodel.h"

ExtenFilterProxyModel::ExtenFilterProxyModel(QObject *parent) : QSortFilterProxyModel(parent) {}
