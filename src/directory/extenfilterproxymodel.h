// Filter of the main window's extensions list: the view shows the rows whose
// search text matches the filter of the search box above it.
#pragma once

#include <QSortFilterProxyModel>

class ExtenFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ExtenFilterProxyModel(QObject *parent = nullptr);
};
