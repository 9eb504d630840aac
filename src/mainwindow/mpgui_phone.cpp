// The desk phone's call events and states as the main window hands them on.
#include "messaging/messagingpanel.h"
#include "mpgui.h"

#include "app/globallogger.h"
#include "calls/callevents.h"
#include "calls/calllines.h"
#include "phone/phonebackends.h"

// The desk phone's call events enter the call pipeline here.
void MPGui::onPApiCallEstablished(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    if (events)
        events->onPApiCallEstablished(remoteNum, remoteName, lineId);
}

void MPGui::onPApiCallFinished(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    if (events)
        events->onPApiCallFinished(remoteNum, remoteName, lineId);
}

void MPGui::onPApiIcomingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    if (events)
        events->onPApiIcomingCall(remoteNum, remoteName, lineId);
}

void MPGui::onPApiOutgoingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    if (events)
        events->onPApiOutgoingCall(remoteNum, remoteName, lineId);
}

void MPGui::onPApiMissedCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    if (events)
        events->onPApiMissedCall(remoteNum, remoteName, lineId);
}

void MPGui::updateDndStatus(bool on)
{
    if (messaging)
        messaging->updateDndStatus(on);
}

void MPGui::onLineOnHoldChanged(qlonglong lineId, bool active)
{
    if (calls)
        calls->onLineOnHoldChanged(lineId, active);
}
