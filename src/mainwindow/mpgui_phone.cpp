// Phone back-end selection of the main window: the slots keep their names
// here and forward to the PhoneBackends object.
#include "messaging/messagingpanel.h"
#include "mpgui.h"

#include "app/globallogger.h"
#include "calls/callevents.h"
#include "calls/calllines.h"
#include "phone/phonebackends.h"

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
