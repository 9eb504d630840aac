#include "chatcontactitemdelegate.h"

#include <QApplication>
#include <QPainter>

namespace
{
const int UnreadRole = 1002;
const int BadgeSide = 16;
} // namespace

QString chatContactItemDelegate::badgeText(int count)
{
    return count > 9 ? QStringLiteral("9+") : QString::number(count);
}

QRect chatContactItemDelegate::badgeRect(const QRect &row)
{
    const int d = (row.height() - BadgeSide) / 2;
    return QRect(QPoint(row.right() - d - (BadgeSide - 1), row.top() + d), QSize(BadgeSide, BadgeSide));
}

void chatContactItemDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->showDecorationSelected = false;
    option->state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_Selected);
}

void chatContactItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    painter->save();
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, QColor(214, 237, 250, 255));
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    const int count = index.data(UnreadRole).toInt();
    if (count > 0) {
        const QRect badge = badgeRect(option.rect);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(QStringLiteral("#29a9e0")));
        painter->drawEllipse(badge);
        QFont font = painter->font();
        font.setWeight(75);
        font.setPixelSize(int(0.7 * BadgeSide));
        painter->setFont(font);
        painter->setPen(QColor(QStringLiteral("white")));
        painter->drawText(badge, Qt::AlignCenter, badgeText(count));
    }
    painter->restore();
}
