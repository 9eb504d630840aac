#include "queuescrollarea.h"

#include <QResizeEvent>

queueScrollArea::queueScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
}

void queueScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    emit sigQueueScrollBarResized(viewport()->size());
}
