// Phone back-end selection of the main window: the slots keep their names
// here and forward to the PhoneBackends object.
#include "mainwindow/mpgui.h"
#include "messaging/messagingpanel.h"

#include "app/globallogger.h"
#include "phonebackends.h"

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
void MPGui::onPApiCallEstablished(const QString &, const QString &, qlonglong)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onPApiCallFinished(const QString &, const QString &, qlonglong)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onPApiIcomingCall(const QString &, const QString &, qlonglong)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onPApiOutgoingCall(const QString &, const QString &, qlonglong)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onPApiMissedCall(const QString &, const QString &, qlonglong)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::updateDndStatus(bool on)
{
    if (messaging)
        messaging->updateDndStatus(on);
}

void MPGui::onLineOnHoldChanged(qlonglong, bool)
{
    logNotYetHandled(Q_FUNC_INFO);
}
