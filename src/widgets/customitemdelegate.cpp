#include "customitemdelegate.h"

#include "directory/customtreeview.h"

CustomItemDelegate::CustomItemDelegate(CustomTreeView *view, int rowHeight)
    : QStyledItemDelegate(nullptr), m_view(view), m_iconSize(view ? view->iconSize() : QSize()), m_rowHeight(rowHeight)
{
    initColors();
}

CustomItemDelegate::~CustomItemDelegate() = default;

QSize CustomItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(16, m_rowHeight);
}

void CustomItemDelegate::initColors()
{
    m_hoverColor = QColor(214, 237, 250);
    m_selectionColor = m_alternativeSelectionColor ? QColor(0, 192, 240) : m_hoverColor;
}

void CustomItemDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->showDecorationSelected = false;
    option->state &= ~(QStyle::State_HasFocus | QStyle::State_Selected);
}
