// Base of the directory filters: a top-level row passes when its search text
// (filter role of the key column) holds every word of the search, as literal
// case-insensitive text; child rows (numbers, addresses) always pass.
#pragma once

#include "searchwords.h"

#include <QSortFilterProxyModel>

class WordFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit WordFilterProxyModel(QObject *parent = nullptr);

    // Prepares the words of `text` and filters again when they changed.
    void setSearchText(const QString &text);
    QString searchText() const { return text; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool wordsAccept(int sourceRow, const QModelIndex &sourceParent) const;

private:
    QString text;
    SearchWords words;
};
