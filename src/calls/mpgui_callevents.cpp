// The phones' call events of the main window: the softphone engine's and the
// desk phone's reports, hold confirmations, SIP errors and the questions
// before a second call go to the CallEvents object.
#include "mainwindow/mpgui.h"

#include "callevents.h"
#include "calllines.h"
#include "phone/mpaccount.h"
#include "phone/mpengine.h"
#include "phone/phonebackends.h"

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

    // Each new engine reports its calls here.
    connect(phones, &PhoneBackends::phoneEngineReady, this, [this](MPEngine *engine) {
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
