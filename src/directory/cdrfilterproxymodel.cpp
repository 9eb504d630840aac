#include "cdrfilterproxymodel.h"

CdrFilterProxyModel::CdrFilterProxyModel(QObject *parent) : QSortFilterProxyModel(parent) {}

void CdrFilterProxyModel::setFilterDateRange(const QDate &from, const QDate &to)
{
    dateFrom = from;
    dateTo = to;
    invalidateFilter();
}
