// Base of the row painters of the directory and call-history lists: a fixed
// row height, the hover and selection colours the subclasses paint with, and a
// style option stripped of focus and selection so that the subclasses alone
// decide how a selected row looks.
#pragma once

#include <QColor>
#include <QSize>
#include <QStyledItemDelegate>

class CustomTreeView;

class CustomItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    CustomItemDelegate(CustomTreeView *view, int rowHeight);
    ~CustomItemDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override = 0;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override = 0;

    void initColors();
    void createIcons() {}

    QSize iconSize() const { return m_iconSize; }
    void setIconSize(const QSize &size) { m_iconSize = size; }
    int rowHeight() const { return m_rowHeight; }
    void setRowHeight(int height) { m_rowHeight = height; }
    QColor hoverColor() const { return m_hoverColor; }
    QColor selectionColor() const { return m_selectionColor; }
    bool isSelectionPainted() const { return m_selectionPainted; }
    void setSelectionPainted(bool on) { m_selectionPainted = on; }
    bool isAlternativeSelectionColor() const { return m_alternativeSelectionColor; }
    void setAlternativeSelectionColor(bool on) { m_alternativeSelectionColor = on; }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

    CustomTreeView *m_view;
    QSize m_iconSize;
    int m_rowHeight;
    bool m_selectionPainted = false;
    bool m_alternativeSelectionColor = false;
    QColor m_hoverColor;
    QColor m_selectionColor;
};
