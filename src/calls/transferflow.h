// The transfers of the main window as one state machine over TransferState:
// the blind transfer of an established call (the line is held, the number
// field asks for the target, Enter transfers), the attended transfer with its
// consultation call (completed by the phone, by bridging both calls in
// softphone mode, or turned into a blind transfer while the consultation call
// still rings), the two number dialogs, the forwarding of a ringing call, the
// fast transfer and the cancellation. Modal prompts run nested event loops:
// every step after one looks its line up again by id.
#pragma once

#include "callcontrolrules.h"

class CallActions;

class TransferFlow
{
public:
    TransferFlow(CallPort &port, CallActions &actions) : port(port), actions(actions) {}

    // Number checks the typed target passes, as dialling does: the cleaned
    // number, or empty when refused (the refusal is logged).
    static QString checkedTarget(const QString &raw, const char *where);

    void requestUnTransferEstablishedCall(qint64 lineId);
    void requestTransferEstablishedCall(qint64 lineId);
    void unattendedTransferCall(const QString &toNum, qint64 lineId = -1);
    void attendedTransferCall(const QString &toNum, qint64 lineId = -1);
    void triggerATransfer();
    void cancelCallTranfer(qint64 lineId, bool retrieve);
    void askForUnTransferEstablishedCall(qint64 lineId);
    void askForTransferEstablishedCall(qint64 lineId);
    void transferIncomingCall(qint64 lineId, const QString &dstCallee = QString());
    void handleFastTransfer(qint64 lineId);

    // F6, Ctrl+F6, F7, Ctrl+F7 on the current line.
    void onUTransferShortcut();
    void onUTransferDlgShortcut();
    void onATransferShortcut();
    void onATransferDlgShortcut();

    // Where Enter in the number field goes: the target of the transfer that
    // waits for one; false when no transfer waits (a new call then).
    bool takeTypedTarget(const QString &number);

private:
    QString shown(const QString &number) const;
    // A number typed in one of the dialogs: a refused one is said so.
    bool acceptTyped(qint64 line, const QString &typed);
    bool send(CallCommand::Kind kind, CallControlRules::Route route, qint64 line, const QString &number = QString(),
              qint64 other = -1);
    // The line's widget is there (warns otherwise, and forgets the current
    // line when no active line is left).
    bool checkLine(qint64 line, const char *where);
    bool checkInProgress(qint64 line, const char *where, const char *what);
    qint64 transferLine(const QString &toNumRaw, qint64 lineId, const char *where, const char *refusal, QString *toNum);
    CallControlRules::Route holdRoute() const;
    void holdForTransfer(qint64 line, bool attended);
    void beginTransfer(qint64 lineId, bool attended, const char *where);
    void askForTarget(qint64 lineId, bool attended, const char *where);
    void blindTransfer(qint64 line, const QString &number, const char *where);

    CallPort &port;
    CallActions &actions;
};
