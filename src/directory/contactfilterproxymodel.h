// Filter of the main window's phone book: the view shows the rows whose
// search text matches the filter of the search box above it.
#pragma once

#include <QSortFilterProxyModel>

class ContactFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ContactFilterProxyModel(QObject *parent = nullptr);
};
