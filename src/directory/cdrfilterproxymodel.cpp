#include "cdrfilterproxymodel.h"

#include "cdrmodel.h"
#include "cdrrules.h"
#include "directoryroles.h"

CdrFilterProxyModel::CdrFilterProxyModel(QObject *parent) : WordFilterProxyModel(parent)
{
    setFilterRole(DirRole::SearchText);
    setFilterKeyColumn(0);
}

void CdrFilterProxyModel::setCdrFilter(MctiConfig::MCdrFilterFlags newFlags)
{
    if (newFlags == flags)
        return;
    flags = newFlags;
    invalidateFilter();
}

void CdrFilterProxyModel::setFilterDateRange(const QDate &from, const QDate &to)
{
    if (from == dateFrom && to == dateTo)
        return;
    dateFrom = from;
    dateTo = to;
    invalidateFilter();
}

void CdrFilterProxyModel::setFilterMinimumDate(const QDate &date)
{
    setFilterDateRange(date, dateTo);
}

void CdrFilterProxyModel::setFilterMaximumDate(const QDate &date)
{
    setFilterDateRange(dateFrom, date);
}

bool CdrFilterProxyModel::dateInRange(const QDate &date) const
{
    if (dateFrom.isValid() && date < dateFrom)
        return false;
    if (dateTo.isValid())
        return date <= dateTo;
    return true;
}

bool CdrFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceParent.isValid())
        return true;
    if (const auto *calls = qobject_cast<const CdrModel *>(sourceModel())) {
        if (!CdrRules::flagsAcceptClass(int(flags), calls->callClass(sourceRow), calls->attributes(sourceRow)))
            return false;
        const qint64 day = calls->startDay(sourceRow);
        if (day && !CdrRules::dayAccepted(QDate::fromJulianDay(day), dateFrom, dateTo))
            return false;
        return wordsAccept(sourceRow, sourceParent);
    }
    const QModelIndex key = sourceModel()->index(sourceRow, filterKeyColumn(), sourceParent);
    const QVariant attrs = key.data(DirRole::Source);
    int attributes = 0;
    if (attrs.canConvert<CTILIB::CallAttributeFlags>())
        attributes = int(attrs.value<CTILIB::CallAttributeFlags>());
    else
        attributes = attrs.toInt();
    if (!CdrRules::flagsAccept(int(flags), key.data(DirRole::Entry).toString(), attributes))
        return false;
    if (!CdrRules::dateAccepted(sourceModel()->index(sourceRow, 3, sourceParent).data().toString(), dateFrom, dateTo))
        return false;
    return wordsAccept(sourceRow, sourceParent);
}
