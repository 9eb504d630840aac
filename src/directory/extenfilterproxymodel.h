// Filter of the main window's extensions list: the view shows the extensions
// whose search text holds every word typed in the search box above it.
#pragma once

#include "wordfilterproxymodel.h"

class ExtenFilterProxyModel : public WordFilterProxyModel
{
    Q_OBJECT
public:
    explicit ExtenFilterProxyModel(QObject *parent = nullptr);

    // Drops are handled through the view's drop signal.
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
};
