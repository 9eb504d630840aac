// Queues and supervisor panel of the main window.
#include "mpgui.h"

#include "globallogger.h"

void MPGui::onCCReportSucceded(const CallCenterReport &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCCReportFailed(const QString &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onSupervisorPanelTrigger()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::togglePauseQs()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::queueTrigger()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onQueuesCountChanged(int)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onQueuePauseStatusUpdateRequest(bool, const QStringList &, const QString &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onSvpThresholdsChanged()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::createCCReport()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onShowQCallsCount()
{
    logNotYetHandled(Q_FUNC_INFO);
}
