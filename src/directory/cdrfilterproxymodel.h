// Filter of the main window's call-history list: the rows of a date range
// whose search text matches the filter of the call-history search box.
#pragma once

#include <QDate>
#include <QSortFilterProxyModel>

class CdrFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit CdrFilterProxyModel(QObject *parent = nullptr);

    void setFilterDateRange(const QDate &from, const QDate &to);
    QDate filterDateFrom() const { return dateFrom; }
    QDate filterDateTo() const { return dateTo; }

private:
    QDate dateFrom;
    QDate dateTo;
};
