// Filter of the main window's favourites list: the rows of the extensions
// model that carry the favourite mark.
#pragma once

#include <QSortFilterProxyModel>

class ExtenFavouriteFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ExtenFavouriteFilterProxyModel(QObject *parent = nullptr);
};
