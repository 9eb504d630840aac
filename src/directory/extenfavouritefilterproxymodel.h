// Filter of the main window's favourites list: the rows of the extensions
// model whose star column carries the favourite mark.
#pragma once

#include <QSortFilterProxyModel>

class ExtenFavouriteFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ExtenFavouriteFilterProxyModel(QObject *parent = nullptr);

    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
};
