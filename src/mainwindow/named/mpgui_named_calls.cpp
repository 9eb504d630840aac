// The window's named entry points of call handling, forwarding to the call subsystems.
#include "mainwindow/mpgui.h"

#include "calls/callevents.h"
#include "calls/calllines.h"
#include "phone/mpengine.h"
#include "phone/phonebackends.h"

// ---------------------------------------------------------------- the CTI server's call reports

void MPGui::onCtisIncomingCall(const IncomingCallEvent &event)
{
    if (calls)
        calls->onCtisIncomingCall(event);
}

void MPGui::onCtisOutgoingCall(const OriginateCallEvent &event)
{
    if (calls)
        calls->onCtisOutgoingCall(event);
}

void MPGui::onCtisCallEstablished(const AnsweredCallEvent &event)
{
    if (calls)
        calls->onCtisCallEstablished(event);
}

void MPGui::onCtisCallFinished(const FinishedCallEvent &event)
{
    if (calls)
        calls->onCtisCallFinished(event);
}

void MPGui::onCtisMissedCall(const MissedCallEvent &event)
{
    if (calls)
        calls->onCtisMissedCall(event);
}

void MPGui::onCtisColpUpdate(const ColpUpdateEvent &event)
{
    if (calls)
        calls->onCtisColpUpdate(event);
}

void MPGui::onCtisCallLocalInfoUpdate(const CallLocalInfoUpdateEvent &event)
{
    if (calls)
        calls->onCtisCallLocalInfoUpdate(event);
}

void MPGui::recvdParkCallNotify(const QString &number, const QString &parkRoom, const QString &timeoutSeconds)
{
    if (events)
        events->recvdParkCallNotify(number, parkRoom, timeoutSeconds);
}

void MPGui::onChannelStatusRecvd(const ChannelStatus &status)
{
    if (events)
        events->onChannelStatusRecvd(status);
}

// ---------------------------------------------------------------- the desk phone's reports

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

void MPGui::onLineOnHoldChanged(qlonglong lineId, bool active)
{
    if (calls)
        calls->onLineOnHoldChanged(lineId, active);
}

// ---------------------------------------------------------------- the softphone engine's reports

void MPGui::onSipIncomingCall(qlonglong lineId, QString remoteNum, QString remoteName)
{
    if (events)
        events->onSipIncomingCall(lineId, remoteNum, remoteName);
}

void MPGui::onSipOutgoingCall(int lineId, QString remoteNum)
{
    if (events)
        events->onSipOutgoingCall(lineId, remoteNum);
}

void MPGui::onSipCallEstablished(int lineId)
{
    if (events)
        events->onSipCallEstablished(lineId);
}

void MPGui::onSipCallFinished(int lineId)
{
    if (events)
        events->onSipCallFinished(lineId);
}

void MPGui::onSipCallCanceled(int lineId)
{
    if (events)
        events->onSipCallCanceled(lineId);
}

void MPGui::onSipChangeOnHoldStatusFailed(qlonglong lineId)
{
    if (events)
        events->onSipChangeOnHoldStatusFailed(lineId);
}

void MPGui::onSipError(int lineId, int code, QString msg)
{
    if (events)
        events->onSipError(lineId, code, msg);
}

void MPGui::onCallDurationRequested(int lineId)
{
    MPEngine *engine = phones ? phones->engine() : nullptr;
    if (lineId != -1 && engine)
        engine->requestCallDuration(lineId);
}

void MPGui::onOutgoingPeakLevelRequested(int lineId)
{
    MPEngine *engine = phones ? phones->engine() : nullptr;
    if (lineId != -1 && engine)
        engine->requestOutgoingPeakLevel(lineId);
}

void MPGui::updateCallDuration(int lineId, int duration)
{
    if (calls)
        calls->showCallDuration(lineId, duration);
}

void MPGui::updateOutgoingPeakLevel(int lineId, int level)
{
    if (calls)
        calls->showOutgoingPeakLevel(lineId, level);
}

void MPGui::answerIncomingCallRequested(qlonglong lineId)
{
    if (calls)
        calls->answerIncomingCallRequested(lineId);
}

void MPGui::onRestartHoldLineRequested(qlonglong lineId)
{
    if (events)
        events->onRestartHoldLineRequested(lineId);
}

int MPGui::anotherCallAlert(bool askUser, bool skipTransferring)
{
    return events ? events->anotherCallAlert(askUser, skipTransferring) : 0;
}

void MPGui::sipEngineErrorMessageReceived(int code)
{
    if (events)
        events->sipEngineErrorMessageReceived(code);
}

void MPGui::onDisconnectedCall(qlonglong lineId, bool keepActive)
{
    if (events)
        events->onDisconnectedCall(lineId, keepActive);
}
