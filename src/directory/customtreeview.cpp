#include "customtreeview.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>

CustomTreeView::CustomTreeView(QWidget *parent) : QTreeView(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
}

void CustomTreeView::keyPressEvent(QKeyEvent *event)
{
    QModelIndex current = currentIndex();
    if (current.isValid() && !current.parent().isValid() && current.column() != 0) {
        current = current.sibling(current.row(), 0);
        setCurrentIndex(current);
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && current.isValid())
        emit sigEnterPressed(current);
    QTreeView::keyPressEvent(event);
}

void CustomTreeView::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

void CustomTreeView::dragMoveEvent(QDragMoveEvent *event)
{
    const QModelIndex under = indexAt(event->pos());
    if (under.isValid())
        setCurrentIndex(under);
    event->accept();
}

void CustomTreeView::dragLeaveEvent(QDragLeaveEvent *event)
{
    event->accept();
}

void CustomTreeView::dropEvent(QDropEvent *event)
{
    emit sigDropEventOccurred(event);
}
