// The phones' call events of the main window: the softphone engine's and the
// desk phone's reports, hold confirmations, SIP errors and the questions
// before a second call go to the CallEvents object.
#include "mpgui.h"

#include "calls/callevents.h"
#include "calls/calllines.h"
#include "phone/mpaccount.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "phone/phonebackends.h"
#include "widgets/wdgactiveline.h"

void MPGui::connectCallEvents()
{
    events = new CallEvents(calls, edtCallerNumber, this);
    CallEvents::Hooks hooks;
    hooks.mode = [this] { return appMode; };
    hooks.engine = [this] { return phones ? phones->engine() : nullptr; };
    hooks.deskPhone = [this] { return phones ? phones->deskPhone() : nullptr; };
    hooks.cti = [this] { return ctiLib; };
    hooks.window = [this] { return static_cast<QWidget *>(this); };
    hooks.windowTitle = [this] { return windowTitleText; };
    hooks.tray = [this] { return trayIcon; };
    events->setHooks(hooks);
    connect(events, &CallEvents::missedCallNotification, this, &MPGui::displayMissedCallNotification);
    connect(calls, &CallLines::retrieveRequested, this, &MPGui::onRestartHoldLineRequested);

    // Held lines show the softphone's SIP account.
    CallLines::Hooks lineHooks = calls->hooks();
    lineHooks.sipAccountUser = [this] {
        MPEngine *engine = phones ? phones->engine() : nullptr;
        MPAccount *account = engine ? engine->getAccount() : nullptr;
        return account ? account->m_sipUser : QString();
    };
    calls->setHooks(lineHooks);

    // While a softphone engine exists, each line's timers ask it for the
    // line's duration and microphone level.
    connect(calls, &CallLines::activeLineOpened, this, [this](wdgActiveLine *line) {
        if (!phones || !phones->engine())
            return;
        connect(line, &wdgActiveLine::sigRequesteCallDuration, this, &MPGui::onCallDurationRequested);
        connect(line, &wdgActiveLine::sigRequestOutgoingPeakLevel, this, &MPGui::onOutgoingPeakLevelRequested);
    });

    // The desk phone's driver keeps each line's party for matching its
    // own reports.
    connect(calls, &CallLines::lineRemoteChanged, this,
            [this](qlonglong lineId, const QString &remoteNum, const QString &remoteName) {
                if (PhoneApi *api = phones ? phones->deskPhone() : nullptr)
                    api->updateLineRemote(lineId, remoteNum, remoteName);
            });

    // Each new engine reports its calls here.
    connect(phones, &PhoneBackends::phoneEngineReady, this, [this](MPEngine *engine) {
        connect(engine, &MPEngine::sigCallDuration, this, &MPGui::updateCallDuration);
        connect(engine, &MPEngine::sigOutgoingPeakLevel, this, &MPGui::updateOutgoingPeakLevel);
        connect(engine, &MPEngine::sigPlantronicsAnswerRequest, this, &MPGui::answerIncomingCallRequested);
        connect(engine, &MPEngine::sigIncomingAudioCall, this, &MPGui::onSipIncomingCall);
        connect(engine, &MPEngine::sigCallOriginate, this, &MPGui::onSipOutgoingCall);
        connect(engine, &MPEngine::sigCallEstablished, this, &MPGui::onSipCallEstablished);
        connect(engine, &MPEngine::sigCallTerminated, this, &MPGui::onSipCallFinished);
        connect(engine, &MPEngine::sigCallCanceled, this, &MPGui::onSipCallCanceled);
        connect(engine, &MPEngine::sigOnHoldFailed, this, &MPGui::onSipChangeOnHoldStatusFailed);
        connect(engine, &MPEngine::sigSipErrorReceived, this, &MPGui::onSipError);
    });
}

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

void MPGui::sipEngineErrorMessageReceived(int code)
{
    if (events)
        events->sipEngineErrorMessageReceived(code);
}

void MPGui::onRestartHoldLineRequested(qlonglong lineId)
{
    if (events)
        events->onRestartHoldLineRequested(lineId);
}

void MPGui::onDisconnectedCall(qlonglong lineId, bool keepActive)
{
    if (events)
        events->onDisconnectedCall(lineId, keepActive);
}

int MPGui::anotherCallAlert(bool askUser, bool skipTransferring)
{
    return events ? events->anotherCallAlert(askUser, skipTransferring) : 0;
}
