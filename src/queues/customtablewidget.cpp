#include "customtablewidget.h"

#include <QDragEnterEvent>
#include <QHeaderView>

CustomTableWidget::CustomTableWidget(QWidget *parent) : QTableWidget(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
}

void CustomTableWidget::adjustLayout()
{
    if (columnCount() > 0 && rowCount() > 0) {
        const int rowHeight = qMax(26, (height() - horizontalHeader()->height()) / rowCount());
        const int columnWidth = (width() - verticalHeader()->width()) / columnCount() - 1;
        for (int c = 0; c < columnCount(); ++c)
            setColumnWidth(c, columnWidth);
        for (int r = 0; r < rowCount(); ++r)
            setRowHeight(r, rowHeight);
    }
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

void CustomTableWidget::resizeEvent(QResizeEvent *event)
{
    QTableWidget::resizeEvent(event);
    event->accept();
    adjustLayout();
    emit sigTableResized();
}

void CustomTableWidget::keyPressEvent(QKeyEvent *event)
{
    QTableWidget::keyPressEvent(event);
}

void CustomTableWidget::dragEnterEvent(QDragEnterEvent *event)
{
    dragging = true;
    event->acceptProposedAction();
}

void CustomTableWidget::dragMoveEvent(QDragMoveEvent *event)
{
    setCurrentIndex(indexAt(viewport()->mapFrom(this, event->pos())));
    event->accept();
}

void CustomTableWidget::dragLeaveEvent(QDragLeaveEvent *event)
{
    dragging = false;
    event->accept();
}

void CustomTableWidget::dropEvent(QDropEvent *event)
{
    emit sigDropEventOccurred(event);
    dragging = false;
}
