#include "queuescrollarea.h"

#include "app/globallogger.h"

#include <QResizeEvent>

queueScrollArea::queueScrollArea(QWidget *parent) : QScrollArea(parent) {}

void queueScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "new size" << event->size().width() << event->size().height() << "content"
                           << (widget() ? widget()->width() : 0) << (widget() ? widget()->height() : 0);
    if (reportResizes)
        emit sigQueueScrollBarResized(event->size());
    event->accept();
}
