// Queues and supervisor panel of the main window: forwarders to the queues
// controller.
#include "mpgui.h"

#include "app/globallogger.h"
#include "queues/queuescontroller.h"

void MPGui::onCCReportSucceded(const CallCenterReport &report)
{
    if (queues)
        queues->onCCReportSucceded(report);
}

void MPGui::onCCReportFailed(const QString &error)
{
    if (queues)
        queues->onCCReportFailed(error);
}

void MPGui::onSupervisorPanelTrigger()
{
    if (queues)
        queues->onSupervisorPanelTrigger();
}

void MPGui::togglePauseQs()
{
    if (queues)
        queues->togglePauseQs();
}

void MPGui::queueTrigger() {}

void MPGui::onQueuesCountChanged(int count)
{
    if (queues)
        queues->onQueuesCountChanged(count);
}

void MPGui::onQueuePauseStatusUpdateRequest(bool paused, const QStringList &accounts, const QString &queueId)
{
    if (queues)
        queues->onQueuePauseStatusUpdateRequest(paused, accounts, queueId);
}

void MPGui::onSvpThresholdsChanged()
{
    if (queues)
        queues->onSvpThresholdsChanged();
}

void MPGui::createCCReport()
{
    if (queues)
        queues->createCCReport();
}

void MPGui::onShowQCallsCount()
{
    if (queues)
        queues->onShowQCallsCount();
}

void MPGui::getQueueInfo(QString name, QueueStatus &queueInfo)
{
    if (queues)
        queues->getQueueInfo(name, queueInfo);
}

QString MPGui::resolveQueueName(const QString &queueId) const
{
    return queues ? queues->resolveQueueName(queueId) : QString();
}
