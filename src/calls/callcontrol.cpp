#include "callcontrol.h"

#include "app/globallogger.h"
#include "callevents.h"
#include "calllines.h"
#include "callrules.h"
#include "ctilib.h"
#include "framework/promptservice.h"
#include "mainwindow/session/pbxsession.h"
#include "phone/callphones.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "settings/msettingsstore.h"
#include "widgets/customlineedit.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgincomingcallline.h"
#include "widgets/wdgonholdline.h"

#include <QAbstractButton>
#include <QDebug>
#include <QToolTip>

using CallControlRules::Route;

namespace
{
QString masked(const QString &number)
{
    return CtiLib::numAnonymizer(number);
}
} // namespace

CallControl::CallControl(CallLines &callLines, CallEvents &callEvents, const Widgets &widgets, MSETTINGS::AppMode mode,
                         CtiLib &cti, const PbxSession &pbxSession, const CallPhones &phoneBackends,
                         const CallDirectory &callDirectory, const MSettingsStore &settingsStore, QObject *parent)
    : QObject(parent), lines(&callLines), events(callEvents), ui(widgets), appMode(mode), ctiClient(cti),
      session(pbxSession), phones(phoneBackends), directory(callDirectory), settings(settingsStore), callActions(*this),
      transferFlow(*this, callActions)
{
    setObjectName(QStringLiteral("callControl"));
    callActions.setTransfers(&transferFlow);
    // The headset's answer key, for a ringing call still waiting for a place.
    connect(&callLines, &CallLines::answerRequested, this,
            [this](qlonglong id) { callActions.answerIncomingCall(id); });
    connect(&callLines, &CallLines::activeLineOpened, this, &CallControl::onActiveLineOpened);
    connect(&callLines, &CallLines::ringingLineOpened, this, &CallControl::onRingingLineOpened);
    connect(&callLines, &CallLines::balloonOpened, this, &CallControl::onBalloonOpened);
    for (wdgActiveLine *w : callLines.activeLines())
        onActiveLineOpened(w);
    for (wdgIncomingCallLine *w : callLines.ringingLines())
        onRingingLineOpened(w);
}

CallControl::~CallControl() = default;

// ---------------------------------------------------------------- the widgets' buttons

void CallControl::attachEngine(MPEngine *engine)
{
    if (engine)
        connect(engine, &MPEngine::sigPlantronicsHangupRequest, this,
                [this](qlonglong line) { callActions.hangupCall(line); });
}

void CallControl::onActiveLineOpened(wdgActiveLine *w)
{
    connect(w, &wdgActiveLine::sigHangupCall, this, [this](qlonglong id) { callActions.hangupCall(id); });
    connect(w, &wdgActiveLine::sigRecordCall, this, [this](qlonglong id) { callActions.askForRecordCall(id); });
    // Transfers and park run after the click has been handled: they may
    // replace the widget that sent them.
    connect(w, &wdgActiveLine::sigHoldCall, this, [this](qlonglong id) { callActions.askForHoldCall(id); });
    connect(
        w, &wdgActiveLine::sigAskForParkCall, this, [this](qlonglong id) { callActions.askForParkCall(id); },
        Qt::QueuedConnection);
    connect(
        w, &wdgActiveLine::sigAskForTransferEstablishedCall, this,
        [this](qlonglong id) { transferFlow.requestTransferEstablishedCall(id); }, Qt::QueuedConnection);
    connect(
        w, &wdgActiveLine::sigAskForUnattendedTransfer, this,
        [this](qlonglong id) { transferFlow.requestUnTransferEstablishedCall(id); }, Qt::QueuedConnection);
    connect(
        w, &wdgActiveLine::sigCompleteCallTransfer, this, [this] { transferFlow.triggerATransfer(); },
        Qt::QueuedConnection);
    connect(w, &wdgActiveLine::sigCancelTransferRequested, this,
            [this](qlonglong id, bool hold) { transferFlow.cancelCallTranfer(id, hold); });
    QPointer<wdgActiveLine> sender(w);
    connect(w, &wdgActiveLine::sigDualRingTriggered, this, [this, sender] {
        if (sender)
            transferFlow.handleFastTransfer(sender->getLineId());
    });
}

void CallControl::onRingingLineOpened(wdgIncomingCallLine *w)
{
    connect(w, &wdgIncomingCallLine::sigAnswerIncomingCall, this,
            [this](qlonglong id) { callActions.answerIncomingCall(id); });
    connect(w, &wdgIncomingCallLine::sigRefuseIncomingCall, this,
            [this](qlonglong id) { callActions.refuseIncomingCall(id); });
    connect(w, &wdgIncomingCallLine::sigIgnoreIncomingCall, this,
            [this](qlonglong id) { callActions.ignoreIncomingCall(id); });
    connect(w, &wdgIncomingCallLine::sigTransferIncomingCall, this,
            [this](qlonglong id, const QString &) { transferFlow.transferIncomingCall(id); });
}

void CallControl::onBalloonOpened(wdgBalloonMessage *b)
{
    connect(b, &wdgBalloonMessage::sigAnswerAudioCallSelected, this,
            [this](qlonglong id) { callActions.answerIncomingCall(id); });
    connect(b, &wdgBalloonMessage::sigRefuseCallSelected, this,
            [this](qlonglong id) { callActions.refuseIncomingCall(id); });
    connect(b, &wdgBalloonMessage::sigIgnoreCallSelected, this,
            [this](qlonglong id) { callActions.ignoreIncomingCall(id); });
    connect(b, &wdgBalloonMessage::sigTransferIncomingCall, this,
            [this](qlonglong id, const QString &) { transferFlow.transferIncomingCall(id); });
}

void CallControl::onNumPadClicked(QObject *button)
{
    auto *b = qobject_cast<QAbstractButton *>(button);
    if (b && ui.edtCallerNumber)
        ui.edtCallerNumber->insertNum(b->text());
}

// ---------------------------------------------------------------- back-ends

CallControlRules::Backends CallControl::backends() const
{
    CallControlRules::Backends b;
    b.mode = appMode;
    b.deskPhone = phones.deskPhone() != nullptr;
    b.engine = phones.engine() != nullptr;
    return b;
}

bool CallControl::ctiConnected() const
{
    return ctiClient.isConnected();
}

bool CallControl::send(const CallCommand &c)
{
    switch (c.route) {
    case Route::Engine:
        if (MPEngine *e = phones.engine())
            return sendToEngine(e, c);
        return false;
    case Route::DeskPhone:
        if (PhoneApi *p = phones.deskPhone())
            return sendToDeskPhone(p, c);
        return false;
    case Route::Cti:
        return ctiClient.isConnected() && sendToCti(&ctiClient, c);
    case Route::None:
        break;
    }
    return false;
}

bool CallControl::sendToEngine(MPEngine *e, const CallCommand &c)
{
    const int line = int(c.line);
    switch (c.kind) {
    case CallCommand::Hangup:
    case CallCommand::Refuse:
        return e->hangupAudioCall(line);
    case CallCommand::Answer:
        return e->answerAudioCall(line);
    case CallCommand::StopRinging:
        e->stopRinging(line);
        return true;
    case CallCommand::Park:
        return e->parkCall(line);
    case CallCommand::Hold:
        return e->holdCall(line, false);
    case CallCommand::Retrieve:
        return e->holdCall(line, true);
    case CallCommand::Record:
        return e->recordCall(line);
    case CallCommand::Dtmf:
        qDebug() << "calling vdk dtmf w char:" << c.number;
        return e->processDtmfSequence(line, QStringList{c.number}) >= 0;
    case CallCommand::BlindTransfer:
        return e->transferEstablishedCall(line, c.number);
    case CallCommand::Redirect:
        return e->transferIncomingCall(line, c.number);
    case CallCommand::FastTransfer:
        return e->fastTransferCall(line);
    case CallCommand::Dial:
        return e->startAudioCall(c.number);
    case CallCommand::Join:
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Bridging remote legs of calls on lines:" << c.line << "-" << c.other;
        return e->bridgeLinesRemotely(line, int(c.other));
    case CallCommand::InitAttended:
    case CallCommand::CompleteTransfer:
    case CallCommand::SecondCall:
        break;
    }
    return false;
}

bool CallControl::sendToDeskPhone(PhoneApi *p, const CallCommand &c)
{
    switch (c.kind) {
    case CallCommand::Hangup:
    case CallCommand::Refuse:
        return p->hangupCall(c.line);
    case CallCommand::Answer:
        return p->answerCall(c.line);
    case CallCommand::Park:
        return p->parkCall(c.line);
    case CallCommand::Hold:
        return p->putCallOnHold(c.line);
    case CallCommand::Retrieve:
        return p->retrieveCall(c.line);
    case CallCommand::Record:
        return p->recordCall(c.line);
    case CallCommand::Dtmf:
        p->processDtmfSequence(c.line, QStringList{c.number});
        return true;
    case CallCommand::InitAttended:
        return p->initAttendedTransfer(c.line);
    case CallCommand::BlindTransfer:
        return p->unattendedTransfer(c.number, c.line);
    case CallCommand::CompleteTransfer:
        return p->completeTransfer(c.line, c.other);
    case CallCommand::SecondCall:
        return p->startSecondCall(c.number, c.line, settings.getSelectedAccount());
    case CallCommand::Redirect:
        return p->redirectCall(c.number, c.line);
    case CallCommand::FastTransfer:
        return p->fastTransferCall(c.line);
    case CallCommand::Dial:
        return p->dialNumber(c.number, settings.getSelectedAccount());
    case CallCommand::StopRinging:
    case CallCommand::Join:
        break;
    }
    return false;
}

bool CallControl::sendToCti(CtiLib *cti, const CallCommand &c)
{
    switch (c.kind) {
    case CallCommand::Hangup:
        return cti->hangupCall(callId(c.line), QString());
    case CallCommand::Refuse:
        return cti->refuseCall(ringingCallId(c.line), QString());
    case CallCommand::Park:
        return cti->parkCall(callId(c.line));
    case CallCommand::BlindTransfer:
        return cti->redirectCall(remoteChannel(c.line), c.number);
    case CallCommand::Redirect:
        return cti->redirectCall(ringingCallId(c.line), c.number);
    default:
        break;
    }
    return false;
}

bool CallControl::engineLineLive(qint64 line) const
{
    MPEngine *e = phones.engine();
    return e && (e->isActive(int(line)) || e->isSessionProgress(int(line)));
}

bool CallControl::engineLineActive(qint64 line) const
{
    MPEngine *e = phones.engine();
    return e && e->isActive(int(line));
}

// ---------------------------------------------------------------- lines and state

TransferState CallControl::transferState() const
{
    return lines ? lines->transferState() : TransferState();
}

void CallControl::setTransferState(const TransferState &state)
{
    if (lines)
        lines->setTransferState(state);
}

qint64 CallControl::currentLine() const
{
    return lines ? lines->currentLine() : -1;
}

QList<qint64> CallControl::activeLines() const
{
    return lines ? lines->activeLines().keys() : QList<qint64>();
}

bool CallControl::hasActiveLine(qint64 line) const
{
    return lines && lines->activeLines().value(line);
}

int CallControl::lineStatus(qint64 line) const
{
    const wdgActiveLine *w = lines ? lines->activeLines().value(line) : nullptr;
    return w ? w->getCallStatus() : -2;
}

void CallControl::setLineStatus(qint64 line, int status)
{
    if (wdgActiveLine *w = lines ? lines->activeLines().value(line) : nullptr)
        w->setCallStatus(status);
}

void CallControl::setTransferInProgress(qint64 line, const QString &number)
{
    if (wdgActiveLine *w = lines ? lines->activeLines().value(line) : nullptr)
        w->setTransferInProgress(true, number);
}

void CallControl::hideLine(qint64 line)
{
    if (wdgActiveLine *w = lines ? lines->activeLines().value(line) : nullptr)
        w->hide();
    if (QWidget *held = lines ? lines->heldLines().value(line) : nullptr)
        held->hide();
}

QString CallControl::remoteChannel(qint64 line) const
{
    const wdgActiveLine *w = lines ? lines->activeLines().value(line) : nullptr;
    return w ? w->getRemoteChannel() : QString();
}

QString CallControl::callId(qint64 line) const
{
    const wdgActiveLine *w = lines ? lines->activeLines().value(line) : nullptr;
    return w ? w->getCallId() : QString();
}

bool CallControl::hasRingingLine(qint64 line) const
{
    return lines && lines->ringingLines().value(line);
}

QString CallControl::ringingCallId(qint64 line) const
{
    const wdgIncomingCallLine *w = lines ? lines->ringingLines().value(line) : nullptr;
    return w ? w->getCallId() : QString();
}

void CallControl::closeRingingLine(qint64 line)
{
    if (lines)
        lines->closeWdgIncomingLine(line);
}

void CallControl::hideBalloon(qint64 line)
{
    if (lines)
        lines->hideBaloon(line);
}

QList<qint64> CallControl::heldLines() const
{
    return lines ? lines->heldOrder() : QList<qint64>();
}

bool CallControl::isHeld(qint64 line) const
{
    return heldLines().contains(line);
}

void CallControl::finalizeCall(qint64 line)
{
    if (lines)
        lines->finalizeCall(line);
}

void CallControl::closeActiveLine(qint64 line)
{
    if (lines)
        lines->closeWdgActiveLine(line, true);
}

void CallControl::forgetIfNoActiveLine()
{
    if (lines)
        lines->checkForActiveCalls();
}

void CallControl::showAsHeld(qint64 line)
{
    if (lines)
        lines->onLineOnHoldChanged(line, false);
}

// ---------------------------------------------------------------- dialling

void CallControl::click2Call(const QString &number, CTILIB::NumberOutgoingPrefix type)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "click2call:" << masked(number);
    ctiClient.newCall(number, type, QString());
}

void CallControl::startCall(const QString &raw, CTILIB::NumberOutgoingPrefix type)
{
    const CallRules::DialString dial = CallRules::checkDialString(raw, true);
    if (dial.refused) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                   << "Refusing to dial a number with invalid characters:" << masked(raw);
        return;
    }
    QString number = dial.number;
    if (number.isEmpty() || !lines)
        return;
    const bool exten = directory.isExtension(number);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Starting call to" << (exten ? number : masked(number))
                            << "- call type:" << int(type);
    if (lines->isCtiOwned()) {
        if (!session.isUp())
            return;
        click2Call(number, type);
        return;
    }
    if (type == CTILIB::PrefixExternal || (type == CTILIB::PrefixAutomatic && !exten))
        number.prepend(session.serviceCode(CTILIB::SdcOutsideLinePrefix));
    startAudioCall(number);
}

void CallControl::startCallOrTransfer(const QString &raw)
{
    const CallRules::DialString dial = CallRules::checkDialString(raw, false);
    if (dial.refused) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                   << "Refusing to dial a number with invalid characters:" << masked(raw);
        return;
    }
    if (dial.number.isEmpty())
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Starting call/transfer to"
                            << (directory.isExtension(dial.number) ? dial.number : masked(dial.number));
    // A transfer waiting for its target takes the number; a new call otherwise.
    if (transferFlow.takeTypedTarget(dial.number))
        return;
    startAudioCall(dial.number);
}

void CallControl::startAudioCall(const QString &raw)
{
    const CallRules::DialString dial = CallRules::checkDialString(raw, false);
    if (dial.refused) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                   << "Refusing to dial a number with invalid characters:" << masked(raw);
        return;
    }
    const QString number = dial.number;
    if (number.isEmpty() || !lines)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Starting audio call to"
                            << (directory.isExtension(number) ? number : masked(number));
    if (lines->blindTransferLine() != -1) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Failed to start new call: utransfer flag is unexpectly set!";
        return;
    }
    if (lines->isCtiOwned()) {
        if (ctiClient.isConnected())
            click2Call(number, CTILIB::PrefixInternal);
    } else if (!callActions.dialOnPhone(number)) {
        return;
    }
    if (ui.edtCallerNumber)
        ui.edtCallerNumber->setFocus(Qt::TabFocusReason);
}

int CallControl::anotherCallAlert(bool askUser, bool skipTransferring)
{
    return events.anotherCallAlert(askUser, skipTransferring);
}

bool CallControl::isExtension(const QString &number) const
{
    return directory.isExtension(number);
}

bool CallControl::isExtensionBusy(const QString &number) const
{
    return directory.blfState(number) == 2;
}

// ---------------------------------------------------------------- the user

QString CallControl::title(const QString &own) const
{
    const QString app = MSETTINGS::getLongApplicationName();
    return app.isEmpty() ? own : app + QStringLiteral(" - ") + own;
}

void CallControl::promptForTarget()
{
    CustomLineEdit *field = ui.edtCallerNumber;
    if (!field)
        return;
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height() - 1)), tr("Digita il numero \na cui trasferire"),
                       field);
    field->setPlaceholderText(tr("Digita il numero a cui trasferire"));
    field->setFocus(Qt::TabFocusReason);
}

void CallControl::clearPlaceholder()
{
    if (ui.edtCallerNumber)
        ui.edtCallerNumber->setPlaceholderText(QString());
}

void CallControl::clearNumberField()
{
    if (ui.edtCallerNumber)
        ui.edtCallerNumber->clear();
}

bool CallControl::confirmBusyTarget(const QString &number)
{
    PromptService::Message m;
    m.kind = PromptService::Kind::Question;
    m.title = tr("Interno occupato");
    m.text = tr("L'interno %1 a cui si vuole inoltrare la chiamata è occupato.\nSi desidera comunque procedere "
                "all'inoltro?")
                 .arg(number);
    m.buttons = QMessageBox::Yes | QMessageBox::No;
    m.buttonTexts.insert(QMessageBox::Yes, tr("Si"));
    return prompts().message(nullptr, m) == QMessageBox::Yes;
}

bool CallControl::askNumber(NumberDialog dialog, QString *number)
{
    QString own;
    QString label = tr("Inserire il numero a cui trasferire la chiamata:");
    switch (dialog) {
    case NumberDialog::BlindTransfer:
        own = tr("Trasferimento cieco di chiamata");
        break;
    case NumberDialog::AttendedTransfer:
        own = tr("Trasferimento chiamata con offerta");
        break;
    case NumberDialog::Forward:
        own = tr("Inoltro di chiamata");
        label = tr("Numero a cui vuoi trasferire la chiamata:");
        break;
    }
    bool ok = false;
    *number = prompts().getText(ui.window, title(own), label, QString(), false, &ok);
    return ok;
}

void CallControl::showError(qint64 line, const QString &text)
{
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "line" << line << text;
    PromptService::Message m;
    m.kind = PromptService::Kind::Warning;
    m.title = title(tr("Chiamata"));
    m.text = text;
    prompts().message(ui.window, m);
}
