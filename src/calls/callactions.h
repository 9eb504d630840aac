// The user's actions on a call that exists (hang up, answer, refuse, ignore,
// park, hold, retrieve, record, keypad digits) and the actions on the current
// call (End, F5, Ctrl+F5, Delete). Each chooses its back-end by the operating
// mode (CallControlRules::route) and acts through a CallPort, so the whole of
// it runs without a window in tests.
#pragma once

#include "callcontrolrules.h"

class TransferFlow;

class CallActions
{
public:
    explicit CallActions(CallPort &port) : port(port) {}
    void setTransfers(TransferFlow *flow) { transfers = flow; }

    void hangupCall(qint64 lineId);
    void answerIncomingCall(qint64 lineId);
    void refuseIncomingCall(qint64 lineId);
    void ignoreIncomingCall(qint64 lineId);
    void askForParkCall(qint64 lineId);
    void askForHoldCall(qint64 lineId);
    void askForRecordCall(qint64 lineId);
    // A keypad digit for the line in conversation; false when the digit was
    // refused or no line took it.
    bool digitClicked(const QString &digit);

    // A new call placed on the phone back-end of the mode (softphone, desk
    // phone); false when nothing was dialled (declined, refused, no engine).
    bool dialOnPhone(const QString &number);

    void triggerRecActiveCall();
    void hangupActiveCall();
    void holdActiveCall();
    void retrieveHoldCall();
    void requestCancelTransfer();

    // The back-end of an action now.
    CallControlRules::Route routeOf(CallControlRules::Action action) const
    {
        return CallControlRules::route(action, port.backends());
    }

private:
    bool send(CallCommand::Kind kind, CallControlRules::Route route, qint64 line, const QString &number = QString());

    CallPort &port;
    TransferFlow *transfers = nullptr;
};
