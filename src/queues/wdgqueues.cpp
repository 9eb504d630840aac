#include "wdgqueues.h"

#include <QVBoxLayout>

wdgQueues::wdgQueues(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
}

void wdgQueues::clear()
{
    emit sigQueuesCountChanged(0);
}

void wdgQueues::adjustLayout(QSize available)
{
    setMinimumWidth(qMax(0, available.width()));
}
