#include "wdgcdrfilter.h"

#include "settings/msettingsstore.h"

#include <QCheckBox>
#include <QCloseEvent>

wdgCdrFilter::wdgCdrFilter(MSettingsStore *settings, QWidget *parent) : QWidget(parent), settings(settings)
{
    setupUi(this);
    boxes = {incoming_cB, outcoming_cB, int_source_cB, ext_source_cB, other_source_cB,
             direct_cB,   group_cB,     queue_cB,      answered_cB,   notAnswered_cB};
    updateGui();
}

MctiConfig::MCdrFilterFlags wdgCdrFilter::checkedFlags() const
{
    int sum = 0;
    for (int bit = 0; bit < boxes.size(); ++bit) {
        if (boxes.at(bit)->isChecked())
            sum += 1 << bit;
    }
    return MctiConfig::MCdrFilterFlags(sum);
}

void wdgCdrFilter::updateGui()
{
    const int value = settings ? int(settings->getCdrFilterValue()) : int(MctiConfig::CdrAll);
    if (!(value & 0x1)) {
        incoming_cB->setChecked(false);
        for (int b = Internal; b <= Queue; ++b) {
            boxes.at(b)->setChecked(false);
            boxes.at(b)->setEnabled(false);
        }
    } else {
        incoming_cB->setChecked(true);
    }
    // An incoming-only box may end up checked while disabled.
    for (int bit = Outgoing; bit < boxes.size(); ++bit)
        boxes.at(bit)->setChecked(value & (1 << bit));
}

void wdgCdrFilter::on_incoming_cB_stateChanged(int state)
{
    const bool on = state == Qt::Checked;
    for (int b = Internal; b <= Queue; ++b) {
        if (!on) {
            boxes.at(b)->setChecked(false);
            boxes.at(b)->setEnabled(false);
        } else {
            boxes.at(b)->setEnabled(!isUnavailable(b));
        }
    }
}

void wdgCdrFilter::setAll(bool on)
{
    for (int b = 0; b < boxes.size(); ++b) {
        if (!isUnavailable(b))
            boxes.at(b)->setChecked(on);
    }
}

void wdgCdrFilter::on_selectAllButton_clicked()
{
    setAll(true);
}

void wdgCdrFilter::on_unselectAllButton_clicked()
{
    setAll(false);
}

void wdgCdrFilter::on_missedCallsButton_clicked()
{
    incoming_cB->setChecked(true);
    outcoming_cB->setChecked(false);
    for (int b = Internal; b <= Queue; ++b) {
        if (!isUnavailable(b))
            boxes.at(b)->setChecked(true);
    }
    answered_cB->setChecked(false);
    notAnswered_cB->setChecked(true);
}

void wdgCdrFilter::on_restoreButton_clicked()
{
    updateGui();
}

void wdgCdrFilter::putOnTop()
{
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void wdgCdrFilter::on_okButton_clicked()
{
    const MctiConfig::MCdrFilterFlags flags = checkedFlags();
    if (settings)
        settings->setCdrFilterValue(flags);
    emit sigCdrFilterChanged(flags);
    close();
}

void wdgCdrFilter::disableQueueGroupCheckboxes()
{
    queueGroupAvailable = false;
    for (QCheckBox *box : {group_cB, queue_cB}) {
        box->setEnabled(false);
        box->setChecked(false);
    }
    const int stored = settings ? int(settings->getCdrFilterValue()) : int(MctiConfig::CdrAll);
    const MctiConfig::MCdrFilterFlags value(stored & ~0xc0);
    if (settings)
        settings->setCdrFilterValue(value);
    emit sigCdrFilterChanged(value);
}

void wdgCdrFilter::enableQueueGroupCheckboxes()
{
    // Their check state and the stored filter stay as they are.
    queueGroupAvailable = true;
    group_cB->setEnabled(true);
    queue_cB->setEnabled(true);
}

void wdgCdrFilter::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    emit sigCdrFilterClosed();
}
