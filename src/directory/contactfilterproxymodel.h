// Filter of the main window's phone book: the view shows the contacts whose
// search text holds every word typed in the search box above it.
#pragma once

#include "wordfilterproxymodel.h"

class ContactFilterProxyModel : public WordFilterProxyModel
{
    Q_OBJECT
public:
    explicit ContactFilterProxyModel(QObject *parent = nullptr);
};
