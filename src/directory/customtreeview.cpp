#include "customtreeview.h"

#include <QKeyEvent>

CustomTreeView::CustomTreeView(QWidget *parent)
    : QTreeView(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
}

void CustomTreeView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit sigEnterPressed(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}
