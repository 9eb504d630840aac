// The window's named entry points of the queues, the phone back-ends and the update schedule, forwarding to them.
#include "mainwindow/mpgui.h"

#include "phone/phonebackends.h"
#include "queues/queuescontroller.h"
#include "updater/updatescheduler.h"

// ---------------------------------------------------------------- queues and supervisor panel

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

// ---------------------------------------------------------------- phone back-ends

void MPGui::onPApiAuthorized(bool authorized)
{
    phones->onPApiAuthorized(authorized);
}

void MPGui::updatePhoneApi()
{
    phones->updatePhoneApi();
}

void MPGui::resetPhoneApi()
{
    phones->resetPhoneApi();
}

void MPGui::setMuteInputAudio(bool mute)
{
    phones->setMuteInputAudio(mute);
}

void MPGui::setMuteOutputAudio(bool mute)
{
    phones->setMuteOutputAudio(mute);
}

// ---------------------------------------------------------------- rebranding schedule

void MPGui::refreshRebrandingPackAfterAWhile()
{
    updates->refreshRebrandingPackAfterAWhile();
}
