#include "transferflow.h"

#include "app/globallogger.h"
#include "callactions.h"
#include "callrules.h"
#include "ctilib.h"

#include <QObject>

using CallControlRules::Route;

namespace
{
QString notSupportedText()
{
    return QObject::tr("Operazione non supportata dal telefono associato");
}
} // namespace

QString TransferFlow::checkedTarget(const QString &raw, const char *where)
{
    const CallRules::DialString dial = CallRules::checkDialString(raw, false);
    if (dial.refused)
        logLine(UNQL::LOG_WARNING) << where << "Refusing to transfer to a number with invalid characters:"
                                   << CtiLib::numAnonymizer(raw);
    return dial.number;
}

bool TransferFlow::acceptTyped(qint64 line, const QString &typed)
{
    if (CallRules::checkDialString(typed, false).refused) {
        logLine(UNQL::LOG_WARNING) << "TransferFlow"
                                   << "Typed transfer target refused:" << CtiLib::numAnonymizer(typed);
        port.showError(line, QObject::tr("\"%1\" non è un numero valido.").arg(typed));
        return false;
    }
    return true;
}

QString TransferFlow::shown(const QString &number) const
{
    return port.isExtension(number) ? number : CtiLib::numAnonymizer(number);
}

bool TransferFlow::send(CallCommand::Kind kind, Route route, qint64 line, const QString &number, qint64 other)
{
    CallCommand c;
    c.kind = kind;
    c.route = route;
    c.line = line;
    c.other = other;
    c.number = number;
    return port.send(c);
}

bool TransferFlow::checkLine(qint64 line, const char *where)
{
    if (port.hasActiveLine(line))
        return true;
    logLine(UNQL::LOG_WARNING) << where << "Unable to find Active line for lineId" << line << "!";
    port.forgetIfNoActiveLine();
    return false;
}

bool TransferFlow::checkInProgress(qint64 line, const char *where, const char *what)
{
    const int status = port.lineStatus(line);
    if (status == 1 || status == 2)
        return true;
    logLine(UNQL::LOG_WARNING) << where << what << line << "since the call is not in progress call!";
    return false;
}

Route TransferFlow::holdRoute() const
{
    const CallControlRules::Backends b = port.backends();
    if (b.engine)
        return Route::Engine;
    if (b.deskPhone)
        return Route::DeskPhone;
    return Route::None;
}

void TransferFlow::holdForTransfer(qint64 line, bool attended)
{
    const Route route = holdRoute();
    if (route == Route::Engine)
        send(CallCommand::Hold, route, line);
    else if (route == Route::DeskPhone)
        send(attended ? CallCommand::InitAttended : CallCommand::Hold, route, line);
}

// --------------------------------------------------------------- requests

void TransferFlow::requestUnTransferEstablishedCall(qint64 lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Request utransfer call on line" << lineId;
    beginTransfer(lineId, false, Q_FUNC_INFO);
}

void TransferFlow::requestTransferEstablishedCall(qint64 lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Request atransfer call on line" << lineId;
    beginTransfer(lineId, true, Q_FUNC_INFO);
}

// Both transfers start alike: the line goes on hold and the number field asks
// for the target.
void TransferFlow::beginTransfer(qint64 lineId, bool attended, const char *where)
{
    if (port.transferState().pending()) {
        logLine(UNQL::LOG_WARNING) << where << "Unexpected transfer flags set!";
        return;
    }
    port.setTransferState(TransferState());
    if (!checkLine(lineId, where))
        return;
    if (!port.backends().phonePath())
        return;
    holdForTransfer(lineId, attended);
    TransferState s;
    (attended ? s.heldLine : s.blindLine) = lineId;
    port.setTransferState(s);
    port.setLineStatus(lineId, 2);
    port.promptForTarget();
}

bool TransferFlow::takeTypedTarget(const QString &number)
{
    const TransferState s = port.transferState();
    if (s.blindLine != -1) {
        unattendedTransferCall(number, s.blindLine);
        return true;
    }
    if (s.heldLine != -1) {
        attendedTransferCall(number, s.heldLine);
        return true;
    }
    return false;
}

// --------------------------------------------------------------- blind transfer

// The line a transfer request acts on (the current one unless named) with its
// checked target in `toNum`; -1 when the target or the line is refused.
qint64 TransferFlow::transferLine(const QString &toNumRaw, qint64 lineId, const char *where, const char *refusal,
                                  QString *toNum)
{
    if (toNumRaw.isEmpty())
        return -1;
    *toNum = checkedTarget(toNumRaw, where);
    if (toNum->isEmpty())
        return -1;
    const qint64 line = lineId == -1 ? port.currentLine() : lineId;
    if (!checkLine(line, where) || !checkInProgress(line, where, refusal))
        return -1;
    return line;
}

void TransferFlow::unattendedTransferCall(const QString &toNumRaw, qint64 lineId)
{
    QString toNum;
    const qint64 line =
        transferLine(toNumRaw, lineId, Q_FUNC_INFO, "Cannot perform unattended transfer on lineId", &toNum);
    if (line == -1)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Unattended Transfer the active call to" << shown(toNum);

    if (port.isExtension(toNum) && port.isExtensionBusy(toNum)) {
        const bool go = port.confirmBusyTarget(toNum);
        // Calls went on while the question was open: the line may be gone.
        if (!port.hasActiveLine(line)) {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Line" << line
                                       << "ended while asking about the busy extension, skipping transfer";
            return;
        }
        if (!go) {
            cancelCallTranfer(line, true);
            return;
        }
    }
    port.clearPlaceholder();
    blindTransfer(line, toNum, Q_FUNC_INFO);
}

void TransferFlow::blindTransfer(qint64 line, const QString &toNum, const char *where)
{
    const CallControlRules::Backends b = port.backends();
    if (b.deskPhoneDriver()) {
        if (!send(CallCommand::BlindTransfer, Route::DeskPhone, line, toNum)) {
            logLine(UNQL::LOG_WARNING) << where << "The associated phone refused the transfer of line" << line;
            cancelCallTranfer(line, true);
            if (port.hasActiveLine(line))
                port.setLineStatus(line, 1);
            port.showError(line, notSupportedText());
        }
        return;
    }
    if (b.softphone()) {
        if (!send(CallCommand::BlindTransfer, Route::Engine, line, toNum)) {
            logLine(UNQL::LOG_CRITICAL) << where << "TransferEstablishedCall failed!";
            return;
        }
        port.setTransferInProgress(line, toNum);
        port.hideLine(line);
        return;
    }
    if (!port.ctiConnected())
        return;
    if (port.remoteChannel(line).isEmpty()) {
        // Nothing names the other party: the call stays with the user.
        logLine(UNQL::LOG_WARNING) << where << "No remote channel known for line" << line << ", transfer not sent";
        return;
    }
    send(CallCommand::BlindTransfer, Route::Cti, line, toNum);
}

// --------------------------------------------------------------- attended transfer

void TransferFlow::attendedTransferCall(const QString &toNumRaw, qint64 lineId)
{
    QString toNum;
    const qint64 line =
        transferLine(toNumRaw, lineId, Q_FUNC_INFO, "Cannot perform attended transfer on lineId", &toNum);
    if (line == -1)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Attended Transfer the active call to" << shown(toNum);
    port.clearPlaceholder();
    const CallControlRules::Backends b = port.backends();
    if (!b.phonePath())
        return;
    if (port.lineStatus(line) != 2)
        holdForTransfer(line, true);
    TransferState s = port.transferState();
    s.heldLine = line;
    port.setTransferState(s);
    port.setTransferInProgress(line, toNum);
    if (b.engine) {
        port.startAudioCall(toNum);
    } else if (!send(CallCommand::SecondCall, Route::DeskPhone, line, toNum)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "The associated phone refused the consultation call";
        cancelCallTranfer(line, true);
        port.showError(line, notSupportedText());
    }
}

void TransferFlow::triggerATransfer()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Completing attended transfer...";
    const qint64 current = port.currentLine();
    TransferState s = port.transferState();
    if (current == -1 || !port.hasActiveLine(current) || s.heldLine == -1)
        return;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "m_currentCallLine:" << current << "m_atransferline:" << s.heldLine
                           << "m_lineToTransferTo:" << s.consultLine;
    const CallControlRules::Backends b = port.backends();
    if (!b.phonePath())
        return;
    if (b.softphone()) {
        if (port.lineStatus(current) == 1 && port.hasActiveLine(s.heldLine)) {
            logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Phone atxfer via join lines:" << current << "to" << s.heldLine;
            send(CallCommand::Join, Route::Engine, s.heldLine, QString(), current);
        }
    } else if (b.deskPhoneDriver()) {
        if (port.lineStatus(current) == 2 && s.consultLine == -1) {
            logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "PhoneAPI dialog atxfer:" << current;
            send(CallCommand::Hangup, Route::DeskPhone, current);
        } else if (s.consultLine != -1 && port.lineStatus(s.consultLine) == 1) {
            logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "PhoneAPI atxfer:" << s.heldLine << "to" << s.consultLine;
            if (!send(CallCommand::CompleteTransfer, Route::DeskPhone, s.heldLine, QString(), s.consultLine))
                port.showError(s.heldLine, notSupportedText());
        }
    }
    s = port.transferState();
    if (s.consultLine != -1 && port.hasActiveLine(s.consultLine) && port.lineStatus(s.consultLine) == 0) {
        // The consultation call still rings: the held call goes there blind.
        const qint64 held = s.heldLine;
        const QString number = s.consultNumber;
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Convert atxfer to blindxfer:" << held << "to" << s.consultLine
                               << CtiLib::numAnonymizer(number);
        actions.hangupCall(s.consultLine);
        s = port.transferState();
        s.consultLine = -1;
        s.consultNumber.clear();
        port.setTransferState(s);
        const Route route = holdRoute();
        if (route == Route::None || !send(CallCommand::BlindTransfer, route, held, number)) {
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "TransferEstablishedCall failed!";
            if (route == Route::DeskPhone)
                port.showError(held, notSupportedText());
            return;
        }
        if (port.hasActiveLine(held)) {
            port.setTransferInProgress(held, number);
            port.hideLine(held);
        }
    }
}

void TransferFlow::cancelCallTranfer(qint64 lineId, bool retrieve)
{
    const CallControlRules::Backends b = port.backends();
    if (b.phonePath()) {
        const Route route = holdRoute();
        TransferState s = port.transferState();
        if (s.heldLine != -1 && port.hasActiveLine(s.heldLine)) {
            const qint64 held = s.heldLine;
            if (s.consultLine != -1)
                actions.hangupCall(s.consultLine);
            if (retrieve && route != Route::None)
                send(CallCommand::Retrieve, route, held);
            s = port.transferState();
            s.heldLine = -1;
            port.setTransferState(s);
            if (port.hasActiveLine(held))
                port.setLineStatus(held, 1);
        } else if (s.blindLine != -1 && s.blindLine == lineId && port.hasActiveLine(lineId)) {
            if (route != Route::None)
                send(CallCommand::Retrieve, route, lineId);
            s.blindLine = -1;
            port.setTransferState(s);
            port.setLineStatus(lineId, 1);
        }
        port.clearPlaceholder();
    }
    port.setTransferState(TransferState());
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Attended Transfer canceled on line " << lineId;
    port.clearNumberField();
}

// --------------------------------------------------------------- number dialogs

void TransferFlow::askForUnTransferEstablishedCall(qint64 lineId)
{
    askForTarget(lineId, false, Q_FUNC_INFO);
}

void TransferFlow::askForTransferEstablishedCall(qint64 lineId)
{
    askForTarget(lineId, true, Q_FUNC_INFO);
}

// The target typed in a dialog; the line is looked up again afterwards.
void TransferFlow::askForTarget(qint64 lineId, bool attended, const char *where)
{
    if (!checkLine(lineId, where))
        return;
    const CallControlRules::Backends b = port.backends();
    if (!b.softphone() && !b.deskPhoneDriver())
        return;
    QString number;
    const bool ok = port.askNumber(
        attended ? CallPort::NumberDialog::AttendedTransfer : CallPort::NumberDialog::BlindTransfer, &number);
    if (!port.hasActiveLine(lineId)) {
        logLine(UNQL::LOG_WARNING) << where << "Line" << lineId << "ended while the dialog was open, skipping";
        return;
    }
    number = number.trimmed();
    if (!ok || number.isEmpty() || !acceptTyped(lineId, number))
        cancelCallTranfer(lineId, true);
    else if (attended)
        attendedTransferCall(number, lineId);
    else
        unattendedTransferCall(number, lineId);
}

// --------------------------------------------------------------- ringing calls, fast transfer

void TransferFlow::transferIncomingCall(qint64 lineId, const QString &dstCalleeRaw)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Transfering incoming call from line" << lineId;
    QString raw = dstCalleeRaw;
    if (raw.isEmpty()) {
        if (!port.askNumber(CallPort::NumberDialog::Forward, &raw) || raw.trimmed().isEmpty())
            return;
        if (!port.hasRingingLine(lineId)) {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Line" << lineId
                                       << "stopped ringing while the dialog was open, skipping";
            return;
        }
        if (!acceptTyped(lineId, raw.trimmed()))
            return;
    }
    const QString dstCallee = checkedTarget(raw.trimmed(), Q_FUNC_INFO);
    if (dstCallee.isEmpty())
        return;
    const CallControlRules::Backends b = port.backends();
    if (b.deskPhoneDriver()) {
        if (!send(CallCommand::Redirect, Route::DeskPhone, lineId, dstCallee)) {
            // The line keeps ringing on the phone.
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "The associated phone refused to forward line" << lineId;
            port.showError(lineId, notSupportedText());
            return;
        }
        port.closeRingingLine(lineId);
        return;
    }
    if (b.mode == MSETTINGS::AppModeSoftphone) {
        if (!b.engine) {
            port.closeRingingLine(lineId);
            return;
        }
        if (send(CallCommand::Redirect, Route::Engine, lineId, dstCallee))
            port.closeRingingLine(lineId);
        else
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "TransferIncomingCall failed!";
        return;
    }
    if (port.ctiConnected() && port.hasRingingLine(lineId))
        send(CallCommand::Redirect, Route::Cti, lineId, dstCallee);
    port.closeRingingLine(lineId);
}

void TransferFlow::handleFastTransfer(qint64 lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO;
    const CallControlRules::Backends b = port.backends();
    if (b.deskPhoneDriver())
        send(CallCommand::FastTransfer, Route::DeskPhone, lineId);
    else if (b.softphone() && port.engineLineActive(lineId))
        send(CallCommand::FastTransfer, Route::Engine, lineId);
}

// --------------------------------------------------------------- shortcuts

void TransferFlow::onUTransferShortcut()
{
    const qint64 current = port.currentLine();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Unattended transfer shortcut pressed... currentLine:" << current;
    if (current != -1)
        requestUnTransferEstablishedCall(current);
}

void TransferFlow::onUTransferDlgShortcut()
{
    const qint64 current = port.currentLine();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Unattended transfer DLG shortcut pressed... currentLine:" << current;
    if (current != -1)
        askForUnTransferEstablishedCall(current);
}

void TransferFlow::onATransferShortcut()
{
    const qint64 current = port.currentLine();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Attended transfer shortcut pressed... currentLine:" << current;
    if (current == -1)
        return;
    if (port.transferState().heldLine == -1)
        requestTransferEstablishedCall(current);
    else
        triggerATransfer();
}

void TransferFlow::onATransferDlgShortcut()
{
    const qint64 current = port.currentLine();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Attended transfer DLG shortcut pressed... currentLine:" << current;
    if (current != -1)
        askForTransferEstablishedCall(current);
}
