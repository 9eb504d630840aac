// Filter of the main window's call-history list: the rows whose call type
// the filter flags show, whose start lies in the date window and whose
// search text holds every word of the call-history search box.
#pragma once

#include "app/mcticonfig.h"
#include "wordfilterproxymodel.h"

#include <QDate>

class CdrFilterProxyModel : public WordFilterProxyModel
{
    Q_OBJECT
public:
    explicit CdrFilterProxyModel(QObject *parent = nullptr);

    void setCdrFilter(MctiConfig::MCdrFilterFlags flags);
    MctiConfig::MCdrFilterFlags cdrFilter() const { return flags; }

    void setFilterDateRange(const QDate &from, const QDate &to);
    void setFilterMinimumDate(const QDate &date);
    void setFilterMaximumDate(const QDate &date);
    QDate filterDateFrom() const { return dateFrom; }
    QDate filterDateTo() const { return dateTo; }
    bool dateInRange(const QDate &date) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QDate dateFrom;
    QDate dateTo;
    MctiConfig::MCdrFilterFlags flags = MctiConfig::MCdrFilterFlags();
};
