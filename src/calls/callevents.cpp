#include "callevents.h"

#include "app/globallogger.h"
#include "calllines.h"
#include "callrules.h"
#include "ctilib.h"
#include "framework/promptservice.h"
#include "phone/callphones.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "siperrors.h"
#include "widgets/customlineedit.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgincomingcallline.h"

namespace
{
QString masked(const QString &number)
{
    return CtiLib::numAnonymizer(number);
}

// A name equal to the number gives the number away as well.
QString maskedName(const QString &name, const QString &number)
{
    return name == number ? masked(name) : name;
}

// Texts from the network are logged cut short.
QString bounded(const QString &text)
{
    return text.left(256);
}
} // namespace

CallEvents::CallEvents(CallLines &callLines, CustomLineEdit *field, MSETTINGS::AppMode mode, CtiLib &cti,
                       const CallPhones &phoneBackends, Host &windowHost, QObject *parent)
    : QObject(parent), lines(&callLines), numberField(field), appMode(mode), ctiClient(cti), phones(phoneBackends),
      host(windowHost)
{
    setObjectName(QStringLiteral("callEvents"));
    connect(&cti, &CtiLib::sigChannelStatusReceived, this, &CallEvents::onChannelStatusRecvd);
    connect(&cti, &CtiLib::sigNewParkCall, this, &CallEvents::recvdParkCallNotify);
    connect(&callLines, &CallLines::retrieveRequested, this, &CallEvents::onRestartHoldLineRequested);
    connect(&callLines, &CallLines::activeLineOpened, this, &CallEvents::onActiveLineOpened);
    // The desk phone's driver keeps each line's party for matching its own
    // reports.
    connect(&callLines, &CallLines::lineRemoteChanged, this,
            [this](qlonglong lineId, const QString &remoteNum, const QString &remoteName) {
                if (PhoneApi *api = deskPhone())
                    api->updateLineRemote(lineId, remoteNum, remoteName);
            });
}

void CallEvents::attachEngine(MPEngine *e)
{
    if (!e || !lines)
        return;
    CallLines *l = lines;
    connect(e, &MPEngine::sigIncomingAudioCall, this, &CallEvents::onSipIncomingCall);
    connect(e, &MPEngine::sigCallOriginate, this, &CallEvents::onSipOutgoingCall);
    connect(e, &MPEngine::sigCallEstablished, this, &CallEvents::onSipCallEstablished);
    connect(e, &MPEngine::sigCallTerminated, this, &CallEvents::onSipCallFinished);
    connect(e, &MPEngine::sigCallCanceled, this, &CallEvents::onSipCallCanceled);
    connect(e, &MPEngine::sigOnHoldFailed, this, &CallEvents::onSipChangeOnHoldStatusFailed);
    connect(e, &MPEngine::sigSipErrorReceived, this, &CallEvents::onSipError);
    connect(e, &MPEngine::sigOnHoldOk, l, &CallLines::onLineOnHoldChanged);
    connect(e, &MPEngine::sigCallDuration, l, &CallLines::showCallDuration);
    connect(e, &MPEngine::sigOutgoingPeakLevel, l, &CallLines::showOutgoingPeakLevel);
    // The headset's answer key answers the ringing line it names.
    connect(e, &MPEngine::sigPlantronicsAnswerRequest, l, &CallLines::answerIncomingCallRequested);
}

void CallEvents::attachDeskPhone(PhoneApi *api)
{
    if (!api || !lines)
        return;
    connect(api, &PhoneApi::sigIncomingCall, this, &CallEvents::onPApiIcomingCall);
    connect(api, &PhoneApi::sigOutgoingCall, this, &CallEvents::onPApiOutgoingCall);
    connect(api, &PhoneApi::sigConnectedCall, this, &CallEvents::onPApiCallEstablished);
    connect(api, &PhoneApi::sigDisconnectedCall, this, &CallEvents::onPApiCallFinished);
    connect(api, &PhoneApi::sigMissedCall, this, &CallEvents::onPApiMissedCall);
    connect(api, &PhoneApi::sigHoldCall, lines.data(), &CallLines::onLineOnHoldChanged);
}

void CallEvents::onActiveLineOpened(wdgActiveLine *line)
{
    // While a softphone engine exists, the line's timers ask it for the
    // line's duration and microphone level.
    if (!engine())
        return;
    connect(line, &wdgActiveLine::sigRequesteCallDuration, this, [this](int lineId) {
        MPEngine *e = engine();
        if (lineId != -1 && e)
            e->requestCallDuration(lineId);
    });
    connect(line, &wdgActiveLine::sigRequestOutgoingPeakLevel, this, [this](int lineId) {
        MPEngine *e = engine();
        if (lineId != -1 && e)
            e->requestOutgoingPeakLevel(lineId);
    });
}

MPEngine *CallEvents::engine() const
{
    return phones.engine();
}

PhoneApi *CallEvents::deskPhone() const
{
    return phones.deskPhone();
}

bool CallEvents::softphoneReady(const char *where) const
{
    if (lines && mode() == MSETTINGS::AppModeSoftphone && engine())
        return true;
    logLine(UNQL::LOG_FATAL) << where << "Got SIP notification while not running in MPHONE mode!";
    return false;
}

bool CallEvents::deskPhoneReady(const char *where) const
{
    if (lines && mode() == MSETTINGS::AppModeDeskPhone && deskPhone())
        return true;
    logLine(UNQL::LOG_FATAL) << where << "Got PApi notification while not running in MPRO mode!";
    return false;
}

QString CallEvents::dialogTitle(const QString &own) const
{
    const QString title = host.windowTitle();
    return (title.isEmpty() ? MSETTINGS::getLongApplicationName() : title) + QStringLiteral(" - ") + own;
}

void CallEvents::emulateMissedCallNotice()
{
    if (CallRules::needEmulateMissingNotification(ctiClient.getPbxFirmwareVersion()))
        emit missedCallNotification();
}

void CallEvents::clearNumberPlaceholder()
{
    if (numberField)
        numberField->setPlaceholderText(QString());
}

void CallEvents::noteConsultationCall(qlonglong lineId, const QString &number)
{
    const qint64 held = lines->attendedTransferLine();
    if (held != -1)
        lines->setAttendedTransfer(held, lineId, number);
}

// ---------------------------------------------------------------- softphone

void CallEvents::onSipIncomingCall(qlonglong lineId, const QString &remoteNum, const QString &remoteName)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "SIP incoming call - lineId:" << lineId
                            << "remoteNum:" << masked(remoteNum) << "remoteName:" << maskedName(remoteName, remoteNum);
    if (!softphoneReady(Q_FUNC_INFO))
        return;
    if (wdgActiveLine *old = lines->activeLines().value(lineId)) {
        const int status = old->getCallStatus();
        if (status != 3 && status != -1) {
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "ActiveLine widget w/ lineId" << lineId
                                        << "is already in activeLinesMap! Something bad is happening...";
            return;
        }
        lines->closeWdgActiveLine(lineId, true);
    }
    lines->phoneIncomingCall(lineId, remoteNum, remoteName, true);
}

void CallEvents::onSipOutgoingCall(int lineId, const QString &remoteNum)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "SIP outgoing call - lineId:" << lineId
                            << "remoteNum:" << masked(remoteNum);
    if (!softphoneReady(Q_FUNC_INFO))
        return;
    noteConsultationCall(lineId, remoteNum);
    lines->phoneOutgoingCall(lineId, remoteNum);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallEvents::onSipCallEstablished(int lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "SIP call established - lineId:" << lineId;
    if (!softphoneReady(Q_FUNC_INFO))
        return;
    lines->hideBaloon(lineId);
    const QPair<QString, QString> party = lines->getRemoteNumNameFromLineId(lineId);
    if (party.first.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Unable to retrieve remote number for lineId" << lineId;
        return;
    }
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "-> remoteNum:" << masked(party.first);
    lines->phoneCallEstablished(lineId, party.first, party.second);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallEvents::onSipCallFinished(int lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "SIP call finished - lineId:" << lineId;
    if (!softphoneReady(Q_FUNC_INFO))
        return;
    lines->pendingIncoming().takeLine(lineId);
    lines->pendingAnswered().takeLine(lineId);
    lines->pendingOutgoing().takeLine(lineId);
    lines->finalizeCall(lineId);
    clearNumberPlaceholder();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallEvents::onSipCallCanceled(int lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "SIP call canceled - lineId:" << lineId;
    if (!softphoneReady(Q_FUNC_INFO))
        return;
    lines->pendingIncoming().takeLine(lineId);
    // The record goes with the line: the engine numbers a later call the same.
    lines->finalizeCall(lineId);
    emulateMissedCallNotice();
}

void CallEvents::onSipChangeOnHoldStatusFailed(qlonglong lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Set SIP line" << lineId << "on hold failed";
    if (!softphoneReady(Q_FUNC_INFO))
        return;
    // The line stays as it was before the request.
    if (!lines->activeLines().contains(lineId))
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Unable to change onhold status on line" << lineId
                                    << ", line not found!";
}

void CallEvents::onSipError(int lineId, int code, const QString &msg)
{
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "SIP error received - lineId:" << lineId << "errcode:" << code
                               << "msg:" << bounded(msg);
    if (!softphoneReady(Q_FUNC_INFO))
        return;
    // An error that ends a ringing call only closes it.
    if (lines->ringingLines().contains(lineId)) {
        lines->closeWdgIncomingLine(lineId);
        return;
    }
    const SipErrors::Reaction reaction = SipErrors::reactionFor(code);
    if (reaction.ignored)
        return;
    MPEngine *e = engine();
    switch (reaction.tone) {
    case SipErrors::Tone::Congestion:
        e->stopBusyTone();
        e->startCongestionTone();
        break;
    case SipErrors::Tone::Busy:
        e->stopCongestionTone();
        e->startBusyTone();
        break;
    case SipErrors::Tone::None:
        break;
    }
    e->hangupAudioCall(lineId);
    wdgActiveLine *line = lines->activeLines().value(lineId);
    if (!line) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "No ActiveLine widget w/ lineId" << lineId
                                   << "found in activeLinesMap!";
        return;
    }
    line->notifyError(SipErrors::lineText(reaction, code));
    // The line leaves the maps; its widget stays with the error until its
    // error display is over.
    lines->closeWdgActiveLine(lineId, false);
}

// ---------------------------------------------------------------- desk phone

void CallEvents::onPApiIcomingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "PApi incoming call - lineId:" << lineId
                            << "remoteNum:" << masked(remoteNum);
    if (!deskPhoneReady(Q_FUNC_INFO))
        return;
    // No balloon yet: it comes with the CTI server's report.
    lines->phoneIncomingCall(lineId, remoteNum, remoteName, false);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallEvents::onPApiOutgoingCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "PApi outgoing call - lineId:" << lineId
                            << "remoteNum:" << masked(remoteNum) << "remoteName:" << maskedName(remoteName, remoteNum);
    if (!deskPhoneReady(Q_FUNC_INFO))
        return;
    noteConsultationCall(lineId, remoteNum);
    lines->phoneOutgoingCall(lineId, remoteNum, remoteName);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallEvents::onPApiCallEstablished(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "PApi call established - lineId:" << lineId
                            << "remoteNum:" << masked(remoteNum) << "remoteName:" << maskedName(remoteName, remoteNum);
    if (!deskPhoneReady(Q_FUNC_INFO))
        return;
    lines->phoneCallEstablished(lineId, remoteNum, remoteName);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallEvents::onPApiCallFinished(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "PApi call finished - lineId:" << lineId
                            << "remoteNum:" << masked(remoteNum) << "remoteName:" << maskedName(remoteName, remoteNum);
    if (!deskPhoneReady(Q_FUNC_INFO))
        return;
    lines->pendingIncoming().takeLine(lineId);
    lines->pendingAnswered().takeLine(lineId);
    lines->pendingOutgoing().takeLine(lineId);
    deskPhone()->setFinishedCall(lineId);
    lines->finalizeCall(lineId);
    clearNumberPlaceholder();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallEvents::onPApiMissedCall(const QString &remoteNum, const QString &remoteName, qlonglong lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "PApi missed call - lineId:" << lineId
                            << "remoteNum:" << masked(remoteNum) << "remoteName:" << maskedName(remoteName, remoteNum);
    if (!deskPhoneReady(Q_FUNC_INFO))
        return;
    lines->pendingIncoming().takeLine(lineId);
    lines->closeWdgIncomingLine(lineId);
    emulateMissedCallNotice();
}

// ---------------------------------------------------------------- hold and the lines already live

void CallEvents::onRestartHoldLineRequested(qlonglong lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Retrieve requested for line" << lineId;
    if (anotherCallAlert(false, false) != 0)
        return;
    // The widgets change when the phone confirms.
    if (mode() == MSETTINGS::AppModeDeskPhone && deskPhone())
        deskPhone()->retrieveCall(lineId);
    else if (mode() == MSETTINGS::AppModeSoftphone && engine())
        engine()->holdCall(int(lineId), true);
}

int CallEvents::anotherCallAlert(bool askUser, bool skipTransferring)
{
    if (!lines)
        return 0;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Size for ActiveLinesMap: " << lines->activeLines().size();
    // The lines are known by their ids: the question runs a modal loop in
    // which any of them may end, and each is looked up again afterwards.
    const auto live = [this, skipTransferring](qint64 id) -> wdgActiveLine * {
        wdgActiveLine *w = lines ? lines->activeLines().value(id) : nullptr;
        if (!w || lines->heldLines().contains(id) || (skipTransferring && w->getCallStatus() == 2))
            return nullptr;
        return w;
    };
    QList<qint64> collected;
    for (qint64 id : lines->activeLines().keys()) {
        if (live(id))
            collected << id;
    }
    if (collected.isEmpty())
        return 0;

    if (askUser) {
        const bool starting = live(collected.first())->getCallStatus() == 0;
        const QString text =
            starting ? tr("Attualmente si sta avviando un'altra conversazione.\nSi desidera chiudere la chiamata in "
                          "corso e avviarne una nuova?")
                     : tr("Attualmente si è impegnati in un'altra conversazione.\nSi desidera mettere in attesa la "
                          "chiamata in corso e avviarne una nuova?");
        QWidget *parent = host.dialogParent();
        const bool yes = prompts().question(parent, dialogTitle(tr("Nuova chiamata")), text,
                                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "There's another call starting/in progress... the user"
                                << (yes ? "confirmed to start" : "canceled") << "the new call";
        if (!yes)
            return -1;
        if (!lines)
            return 0;
    }

    for (qint64 id : collected) {
        wdgActiveLine *w = live(id);
        if (!w) {
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Line" << id << "is no longer live, left alone";
            continue;
        }
        const int status = w->getCallStatus();
        if (status == 0) {
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Hangup Call in Call Alert";
            w->hangupCall();
        } else if (status == 2) {
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Cancel Transfer in Call Alert";
            w->cancelTransferWithoutHold();
            if (wdgActiveLine *again = live(id))
                again->holdCall();
            break;
        } else {
            w->holdCall();
        }
    }
    return 0;
}

// ---------------------------------------------------------------- notices of the PBX

void CallEvents::onChannelStatusRecvd(const ChannelStatus &status)
{
    // A status without a channel names no line (phone-only lines have none).
    if (!lines || status.channel.isEmpty())
        return;
    const QMap<qint64, wdgActiveLine *> &active = lines->activeLines();
    for (auto it = active.cbegin(); it != active.cend(); ++it) {
        if (it.value() && it.value()->getRemoteChannel() == status.channel) {
            if (it.key() != -1)
                lines->updateLineRemoteInfo(it.key(), status.number, status.name, QString());
            return;
        }
    }
}

void CallEvents::recvdParkCallNotify(const QString &party, const QString &room, const QString &timeout)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Call with" << masked(party) << "parked on" << room;
    // One arg() call: a text received cannot stand for the next placeholder.
    prompts().showTrayMessage(
        host.tray(), MSETTINGS::getLongApplicationName(),
        tr("La chiamata in corso con %1 è stata parcheggiata sulla stanza di parcheggio %2 con un timeout di %3 "
           "secondi.")
            .arg(party, room, timeout),
        QSystemTrayIcon::Information, 8000);
}

void CallEvents::sipEngineErrorMessageReceived(int code)
{
    prompts().critical(host.dialogParent(), dialogTitle(tr("Errore critico")),
                       tr("Il motore SIP ha restituito il seguente errore: %1").arg(code));
}

void CallEvents::onDisconnectedCall(qlonglong lineId, bool keepActive)
{
    if (!lines)
        return;
    lines->closeWdgIncomingLine(lineId);
    if (!keepActive)
        lines->closeWdgActiveLine(lineId, true);
}
