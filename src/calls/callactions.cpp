#include "callactions.h"

#include "app/globallogger.h"
#include "transferflow.h"

using CallControlRules::Action;
using CallControlRules::Route;

bool CallActions::send(CallCommand::Kind kind, Route route, qint64 line, const QString &number)
{
    CallCommand c;
    c.kind = kind;
    c.route = route;
    c.line = line;
    c.number = number;
    return port.send(c);
}

void CallActions::hangupCall(qint64 lineId)
{
    logLine(UNQL::LOG_INFO) << "void MPGui::hangupCall(qlonglong)"
                            << "Hangup call on line" << lineId;
    const Route route = routeOf(Action::Hangup);
    if (port.backends().phonePath()) {
        if (route != Route::None && !send(CallCommand::Hangup, route, lineId)) {
            // The engine still holds the call: the line stays and says so.
            if (route == Route::Engine && port.engineLineActive(lineId)) {
                logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Hangup failed, line" << lineId << "still active";
                port.showError(lineId, QObject::tr("Impossibile chiudere la chiamata"));
                return;
            }
        }
        port.clearNumberField();
        port.finalizeCall(lineId);
        return;
    }
    if (!port.ctiConnected())
        return;
    if (port.hasActiveLine(lineId))
        send(CallCommand::Hangup, Route::Cti, lineId);
    port.closeActiveLine(lineId);
}

void CallActions::answerIncomingCall(qint64 lineId)
{
    logLine(UNQL::LOG_INFO) << "void MPGui::answerIncomingCall(qlonglong, QString)"
                            << "Answer incoming call on line:" << lineId;
    if (port.anotherCallAlert(true, false) != 0)
        return;
    const Route route = routeOf(Action::Answer);
    if (route == Route::Engine && !send(CallCommand::Answer, route, lineId)) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "AnswerAudioCall failed!";
        return;
    }
    if (route == Route::DeskPhone)
        send(CallCommand::Answer, route, lineId);
    port.hideBalloon(lineId);
}

void CallActions::refuseIncomingCall(qint64 lineId)
{
    logLine(UNQL::LOG_INFO) << "void MPGui::refuseIncomingCall(qlonglong, QString)"
                            << "Refuse incoming call on line" << lineId;
    const Route route = routeOf(Action::Refuse);
    if (route == Route::Engine && !send(CallCommand::Refuse, route, lineId)) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Refuse call failed";
        return;
    }
    if (route == Route::DeskPhone)
        send(CallCommand::Refuse, route, lineId);
    if (route == Route::Cti && port.ctiConnected() && port.hasRingingLine(lineId))
        send(CallCommand::Refuse, route, lineId);
    port.hideBalloon(lineId);
}

void CallActions::ignoreIncomingCall(qint64 lineId)
{
    logLine(UNQL::LOG_INFO) << "void MPGui::ignoreIncomingCall(qlonglong, QString)"
                            << "Ignore incoming call on line" << lineId;
    port.closeRingingLine(lineId);
    if (routeOf(Action::Ignore) == Route::Engine)
        send(CallCommand::StopRinging, Route::Engine, lineId);
}

void CallActions::askForParkCall(qint64 lineId)
{
    const Route route = routeOf(Action::Park);
    if (route == Route::DeskPhone || route == Route::Engine) {
        send(CallCommand::Park, route, lineId);
        return;
    }
    if (!port.hasActiveLine(lineId)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Unable to find Active line for lineId" << lineId << "!";
        return;
    }
    if (!port.ctiConnected())
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Asking for parking call through AMI";
    send(CallCommand::Park, Route::Cti, lineId);
}

void CallActions::askForHoldCall(qint64 lineId)
{
    if (port.hasActiveLine(lineId) && port.lineStatus(lineId) == 2) {
        // Holding the line again ends its transfer.
        TransferState s = port.transferState();
        if (s.heldLine == lineId)
            s.heldLine = -1;
        if (s.blindLine == lineId)
            s.blindLine = -1;
        port.setTransferState(s);
        port.setLineStatus(lineId, 1);
    }
    const Route route = routeOf(Action::Hold);
    if (route != Route::None)
        send(CallCommand::Hold, route, lineId);
}

void CallActions::askForRecordCall(qint64 lineId)
{
    logLine(UNQL::LOG_INFO) << "void MPGui::askForRecordCall(qlonglong)"
                            << "Asking for recording call on line" << lineId;
    const Route route = routeOf(Action::Record);
    if (route != Route::None)
        send(CallCommand::Record, route, lineId);
}

bool CallActions::digitClicked(const QString &digit)
{
    if (!CallControlRules::isDtmfDigit(digit)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got wrong digit:" << digit;
        return false;
    }
    const Route route = routeOf(Action::Dtmf);
    QList<CallControlRules::DtmfCandidate> candidates;
    for (qint64 line : port.activeLines()) {
        CallControlRules::DtmfCandidate c;
        c.line = line;
        c.status = port.lineStatus(line);
        c.held = port.isHeld(line);
        c.engineLive = route == Route::Engine && port.engineLineLive(line);
        candidates << c;
    }
    const qint64 target = CallControlRules::dtmfTarget(candidates, route);
    if (target == -1)
        return false;
    return send(CallCommand::Dtmf, route, target, digit);
}

bool CallActions::dialOnPhone(const QString &number)
{
    const CallControlRules::Backends b = port.backends();
    const Route route = b.deskPhoneDriver() ? Route::DeskPhone : (b.softphone() ? Route::Engine : Route::None);
    if (route == Route::None)
        return b.mode == MSETTINGS::AppModeSoftphone;
    if (port.anotherCallAlert(true, true) != 0)
        return false;
    if (!send(CallCommand::Dial, route, -1, number)) {
        if (route == Route::Engine) {
            logLine(UNQL::LOG_CRITICAL) << "void MPGui::startAudioCall(QString)"
                                        << "StartAudioCall failed";
            return false;
        }
    }
    return true;
}

void CallActions::triggerRecActiveCall()
{
    if (port.currentLine() != -1)
        askForRecordCall(port.currentLine());
}

void CallActions::hangupActiveCall()
{
    const TransferState s = port.transferState();
    if (port.backends().mode == MSETTINGS::AppModeSoftphone && s.consultLine != -1) {
        // The consultation call ends and the held line comes back.
        if (transfers)
            transfers->cancelCallTranfer(s.consultLine, true);
        return;
    }
    if (port.currentLine() != -1)
        hangupCall(port.currentLine());
}

void CallActions::holdActiveCall()
{
    const qint64 line = port.currentLine();
    if (line == -1)
        return;
    const TransferState s = port.transferState();
    if (line == s.heldLine || line == s.blindLine) {
        port.showAsHeld(line);
        return;
    }
    askForHoldCall(line);
}

void CallActions::retrieveHoldCall()
{
    const qint64 line = CallControlRules::lineToRetrieve(port.heldLines(), port.transferState());
    if (line == -1)
        return;
    if (port.anotherCallAlert(false, false) != 0)
        return;
    const Route route = routeOf(Action::Retrieve);
    if (route == Route::Engine || route == Route::DeskPhone)
        send(CallCommand::Retrieve, route, line);
}

void CallActions::requestCancelTransfer()
{
    if (transfers)
        transfers->cancelCallTranfer(port.currentLine(), true);
}
