#include "mspmainwidget.h"

#include "ctilib.h"

MspMainWidget::MspMainWidget(QWidget *parent)
    : QWidget(parent)
{
}

void MspMainWidget::updateThresholdLists(const QList<int> &answered, const QList<int> &lost)
{
    answeredCallsThresholds = answered;
    lostCallsThresholds = lost;
}

MspMainWidget::MspMainWidget(CtiLib *cti, QMap<QString, MctiExtenDetails> *extensions, const MctiConfig &cfg,
                             QWidget *parent)
    : QWidget(parent), ctiLib(cti), extenDetails(extensions), config(cfg)
{
}

void MspMainWidget::updateLogoFile(const QString &path)
{
    logoPath = path;
}
