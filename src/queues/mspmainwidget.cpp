#include "mspmainwidget.h"

MspMainWidget::MspMainWidget(QWidget *parent)
    : QWidget(parent)
{
}

void MspMainWidget::updateThresholdLists(const QList<int> &answered, const QList<int> &lost)
{
    answeredCallsThresholds = answered;
    lostCallsThresholds = lost;
}
