#include "contactfilterproxymodel.h"

ContactFilterProxyModel::ContactFilterProxyModel(QObject *parent) : QSortFilterProxyModel(parent) {}
