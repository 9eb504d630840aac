// Row of the chat contact list: a light selection fill and, at the right, a
// round badge with the unread count ("9+" above nine).
#pragma once

#include <QStyledItemDelegate>

class chatContactItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QString badgeText(int count);
    // The badge's square inside a row rectangle.
    static QRect badgeRect(const QRect &row);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
