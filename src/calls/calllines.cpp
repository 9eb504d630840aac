#include "calllines.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "framework/promptservice.h"
#include "mainwindow/session/pbxsession.h"
#include "phone/callphones.h"
#include "settings/msettingsstore.h"
#include "widgets/balloonboard.h"
#include "widgets/customlineedit.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgbookedline.h"
#include "widgets/wdgincomingcallline.h"
#include "widgets/wdgonholdline.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>

#include <algorithm>

namespace
{
using Flags = CTILIB::CallAttributeFlags;

QString masked(const QString &number)
{
    return CtiLib::numAnonymizer(number);
}
} // namespace

CallLines::CallLines(const Widgets &widgets, MSETTINGS::AppMode mode, MSettingsStore &settingsStore,
                     const PbxSession &pbxSession, CtiLib &cti, const CallPhones &phoneBackends,
                     const CallDirectory &directory, const ServicesDialCodesMap &codes, Host &windowHost,
                     QObject *parent)
    : QObject(parent), ui(widgets), appMode(mode), settings(&settingsStore), session(pbxSession), ctiClient(cti),
      phones(phoneBackends), dir(directory), serviceCodes(codes), host(windowHost), clipboardInactivityTimer(this),
      promotionTimer(this)
{
    promotionTimer.setObjectName(QStringLiteral("ringingPromotionTimer"));
    promotionTimer.setSingleShot(true);
    promotionTimer.setInterval(200);
    connect(&promotionTimer, &QTimer::timeout, this, &CallLines::promoteWaitingRinging);
    setObjectName(QStringLiteral("callLines"));
    clipboardInactivityTimer.setObjectName(QStringLiteral("clipboardInactivityTimer"));
    clipboardInactivityTimer.setSingleShot(true);
    clipboardInactivityTimer.setInterval(1500);
    connect(&clipboardInactivityTimer, &QTimer::timeout, this, &CallLines::clipboardInactive);

    // The CTI server's call reports come here straight from the client.
    connect(&cti, &CtiLib::sigIncomingCall, this, &CallLines::onCtisIncomingCall);
    connect(&cti, &CtiLib::sigOutgoingCall, this, &CallLines::onCtisOutgoingCall);
    connect(&cti, &CtiLib::sigAnsweredCall, this, &CallLines::onCtisCallEstablished);
    connect(&cti, &CtiLib::sigFinishedCall, this, &CallLines::onCtisCallFinished);
    connect(&cti, &CtiLib::sigMissedCall, this, &CallLines::onCtisMissedCall);
    connect(&cti, &CtiLib::sigColpUpdate, this, &CallLines::onCtisColpUpdate);
    connect(&cti, &CtiLib::sigCallLocalInfoUpdate, this, &CallLines::onCtisCallLocalInfoUpdate);
    connect(&pbxSession, &PbxSession::started, this, &CallLines::onSessionStarted);
    connect(&pbxSession, &PbxSession::ended, this, &CallLines::onSessionEnded);
    updateLinesButtonStatus();
}

CallLines::~CallLines() = default;

// ---------------------------------------------------------------- environment

bool CallLines::hasDeskPhone() const
{
    return phones.deskPhone() != nullptr;
}

bool CallLines::hasEngine() const
{
    return phones.engine() != nullptr;
}

bool CallLines::isCtiOwned() const
{
    const MSETTINGS::AppMode m = mode();
    if (m == MSETTINGS::AppModeSoftphone)
        return false;
    if (m == MSETTINGS::AppModeDeskPhone)
        return !(hasDeskPhone());
    return true;
}

QString CallLines::outsidePrefix() const
{
    return serviceCodes.value(CTILIB::SdcOutsideLinePrefix);
}

bool CallLines::isExtenNum(const QString &number) const
{
    return dir.isExtension(number);
}

bool CallLines::isMServiceCode(const QString &number) const
{
    return CallRules::isMServiceCode(number, serviceCodes);
}

QString CallLines::maskedName(const QString &name, const QString &number) const
{
    return name == number ? masked(name) : name;
}

QSharedPointer<ContactDetails> CallLines::resolveContactNumber(const QString &number) const
{
    return dir.resolveContactNumber(number);
}

CallLines::Party CallLines::resolveParty(const QString &remoteNum, const QString &remoteName) const
{
    Party p;
    p.isExtension = isExtenNum(remoteNum);
    p.lookupNumber = CallRules::lookupNumber(remoteNum, p.isExtension, outsidePrefix());
    if (const QSharedPointer<ContactDetails> contact = resolveContactNumber(p.lookupNumber)) {
        p.displayName = contact->name;
        p.company = contact->company;
        p.unit = contact->unit;
    } else {
        p.displayName = CallRules::shownRemoteName(remoteName);
    }
    return p;
}

CallLines::Caller CallLines::presentCaller(const QString &remoteNum, const QString &remoteName,
                                           CTILIB::CallAttributeFlags flags) const
{
    Caller c;
    c.fromExtension = (flags & CTILIB::CallAttrInternal) && isExtenNum(remoteNum);
    c.displayNum = CallRules::lookupNumber(remoteNum, c.fromExtension, outsidePrefix());
    c.shownName = remoteName;
    if (const QSharedPointer<ContactDetails> contact = resolveContactNumber(c.displayNum)) {
        c.shownName = contact->name;
        c.company = contact->company;
        c.unit = contact->unit;
    } else if (flags & CTILIB::CallAttrTransferReturn) {
        c.shownName = remoteName.section(QLatin1Char(':'), 2);
    }
    return c;
}

QStringList CallLines::getAccountNames() const
{
    QStringList names;
    if (!settings)
        return names;
    for (const IdentityEntry &entry : settings->getAccountList())
        names << entry.identifier;
    return names;
}

bool CallLines::accountAccepted(const QString &account, bool strictMembership) const
{
    const QStringList accounts = getAccountNames();
    const bool member = accounts.contains(account) || (!strictMembership && account.isEmpty() && accounts.isEmpty());
    if (!member)
        return false;
    if (isCtiOwned())
        return true;
    const QString selected = settings ? settings->getSelectedAccount() : QString();
    return selected.isEmpty() || selected == account;
}

bool CallLines::accountAccepted(const QString &account, bool strictMembership, const char *where,
                                const char *refusal) const
{
    if (accountAccepted(account, strictMembership))
        return true;
    logLine(UNQL::LOG_WARNING) << where << refusal << "account:" << account;
    return false;
}

// ---------------------------------------------------------------- line ids and the stack

qint64 CallLines::getLineIdFromChannel(const QString &channel) const
{
    return isCtiOwned() ? CallRules::computeLineIdFromChannel(channel) : findLineIdForChannel(channel, true, true);
}

qint64 CallLines::getLineIdFromLocalChannel(const QString &channel) const
{
    return isCtiOwned() ? CallRules::computeLineIdFromChannel(channel) : findLineIdForChannel(channel, true, false);
}

qint64 CallLines::findLineIdForChannel(const QString &channel, bool local, bool remote) const
{
    if (!local && !remote)
        return -1;
    for (auto it = activeLinesMap.cbegin(); it != activeLinesMap.cend(); ++it) {
        const ActiveLine *w = it.value();
        if ((local && w->getLocalChannel() == channel) || (remote && w->getRemoteChannel() == channel)) {
            if (it.key() != -1)
                return it.key();
            break;
        }
    }
    for (auto it = incomingLinesMap.cbegin(); it != incomingLinesMap.cend(); ++it) {
        const RingingLine *w = it.value();
        if ((local && w->getLocalChannel() == channel) || (remote && w->getRemoteChannel() == channel))
            return it.key();
    }
    for (auto it = waitingOrder.cbegin(); it != waitingOrder.cend(); ++it) {
        const WaitingRinging &w = waitingRinging[it->second];
        if ((local && w.localChannel == channel) || (remote && w.remoteChannel == channel))
            return it->second;
    }
    return -1;
}

int CallLines::takeOutOfStack(QWidget *w)
{
    if (!ui.vLineLayout)
        return -1;
    const int i = ui.vLineLayout->indexOf(w);
    if (i < 0)
        return -1;
    const int c = ui.vLineLayout->currentIndex();
    ui.vLineLayout->removeWidget(w);
    if (c >= i && ui.vLineLayout->count() > 0)
        ui.vLineLayout->setCurrentIndex(qMax(0, c - 1));
    updateLinesButtonStatus();
    schedulePromotion();
    return i;
}

void CallLines::activateLineWdg(QWidget *w)
{
    if (!ui.vLineLayout)
        return;
    const int i = takeOutOfStack(w);
    if (i >= 0) {
        ui.vLineLayout->insertWidget(i, w);
        ui.vLineLayout->setCurrentIndex(i);
    } else {
        ui.vLineLayout->addWidget(w);
    }
    updateLinesButtonStatus();
}

void CallLines::updateLinesButtonStatus()
{
    const int current = ui.vLineLayout ? ui.vLineLayout->currentIndex() : -1;
    const int currentButton = (current < 0 || current >= ui.lineButtons.size()) ? 0 : current;
    for (int i = 0; i < ui.lineButtons.size(); ++i) {
        QPushButton *button = ui.lineButtons.at(i);
        QString status;
        QWidget *w = (ui.vLineLayout && i < ui.vLineLayout->count()) ? ui.vLineLayout->widget(i) : nullptr;
        if (auto *active = qobject_cast<ActiveLine *>(w)) {
            switch (active->getCallStatus()) {
            case 0:
                status = QStringLiteral("starting");
                break;
            case 1:
                status = QStringLiteral("inprogress");
                break;
            case 2:
                status = QStringLiteral("transfer");
                break;
            case 3:
                status = QStringLiteral("finished");
                break;
            default:
                status = QStringLiteral("error");
                break;
            }
        } else if (auto *ringing = qobject_cast<RingingLine *>(w)) {
            const bool lit = ringing->blinkTimer()->isActive() &&
                             ringing->property("status").toString() == QLatin1String("highlighted");
            status = lit ? QStringLiteral("ringing1") : QStringLiteral("ringing0");
        } else if (qobject_cast<wdgOnHoldLine *>(w)) {
            status = QStringLiteral("onhold");
        } else if (qobject_cast<wdgBookedLine *>(w)) {
            status = QStringLiteral("booking");
        }
        const QString currentText = i == currentButton ? QStringLiteral("1") : QStringLiteral("0");
        // Only a button whose state changed is styled again: the work of an
        // event does not grow with the lines shown.
        if (button->property("status").toString() == status && button->property("current").toString() == currentText &&
            button->property("status").isValid())
            continue;
        button->setProperty("status", status);
        button->setProperty("current", currentText);
        button->style()->unpolish(button);
        button->style()->polish(button);
        button->update();
    }
}

void CallLines::showWaitingCount()
{
    if (ui.lineButtons.isEmpty())
        return;
    QPushButton *last = ui.lineButtons.last();
    const int waiting = waitingRingingCount();
    const QString number = QString::number(ui.lineButtons.size());
    const QString text = waiting > 0 ? number + QLatin1Char('+') : number;
    if (last->text() != text)
        last->setText(text);
    last->setToolTip(waiting > 0 ? tr("Altre %n chiamate in arrivo", nullptr, waiting) : QString());
}

bool CallLines::stackFull() const
{
    return ui.vLineLayout && ui.vLineLayout->count() >= MaxShownLines;
}

int CallLines::openCallBalloons() const
{
    if (!ui.balloons)
        return 0;
    int open = 0;
    for (auto it = ui.balloons->balloonsMap().cbegin(); it != ui.balloons->balloonsMap().cend(); ++it) {
        if (it.key().first == Balloon::IncomingCallBalloon || it.key().first == Balloon::ClickToCallBalloon)
            ++open;
    }
    return open;
}

bool CallLines::dropWaitingRinging(qint64 lineId)
{
    const auto it = waitingRinging.find(lineId);
    if (it == waitingRinging.end())
        return false;
    waitingOrder.erase(it->order);
    waitingRinging.erase(it);
    showWaitingCount();
    return true;
}

void CallLines::schedulePromotion()
{
    if (!waitingRinging.isEmpty() && !promotionTimer.isActive())
        promotionTimer.start();
}

void CallLines::promoteWaitingRinging()
{
    while (!waitingOrder.empty() && !stackFull()) {
        const qint64 lineId = waitingOrder.begin()->second;
        const WaitingRinging call = waitingRinging.value(lineId);
        dropWaitingRinging(lineId);
        // Its arrival was announced by the count; the line shows it now.
        openIncomingLineWdg(lineId, call.callId, call.remoteName, call.remoteNum, call.flags, call.remoteChannel,
                            call.localChannel, call.queueName, call.groupName);
    }
}

void CallLines::onLineStatusChanged()
{
    updateLinesButtonStatus();
}

// ---------------------------------------------------------------- incoming calls

void CallLines::processIncomingCall(qlonglong lineId, const QString &uid, const QString &remoteNum,
                                    const QString &remoteName, const QString &remoteChannel, const QString &calledNum,
                                    const QString &localChannel, CTILIB::CallAttributeFlags flags,
                                    const QString &queueName, const QString &groupName)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "uid:" << uid << "remoteNum:" << masked(remoteNum)
                           << "remoteName:" << maskedName(remoteName, remoteNum) << "remoteChannel:" << remoteChannel
                           << "calledNum:" << masked(calledNum) << "localChannel:" << localChannel
                           << "flags:" << int(flags) << "queue:" << queueName << "group:" << groupName;
    if (lineId == -1)
        return;
    pendingIncomingCalls.takeLine(lineId);

    const Caller caller = presentCaller(remoteNum, remoteName, flags);

    const bool firstProcessing = !callDetailsMap.contains(lineId);
    MctiCallDetails &record = callDetailsMap[lineId];
    record.lineId = lineId;
    record.uid = uid;
    record.localChannel = localChannel;
    record.remoteChannel = remoteChannel;
    record.remoteNum = remoteNum;
    record.remoteName = remoteName;
    record.calledNum = calledNum;
    record.direction = 1;
    record.queueName = queueName;
    record.groupName = groupName;
    record.answered = false;

    QString label;
    QString value;
    if (!queueName.isEmpty()) {
        label = tr("Coda:");
        value = queueName;
    } else if (!groupName.isEmpty()) {
        label = tr("Gruppo:");
        value = groupName;
    }
    displayIncomingCallBalloon(lineId, remoteNum, caller.shownName, caller.displayNum,
                               flags & CTILIB::CallAttrClickToCall, label, value);
    openIncomingLineWdg(lineId, uid, remoteName, remoteNum, flags, remoteChannel, localChannel, queueName, groupName);
    counters.notify(lineId, flags);

    if (firstProcessing &&
        AutomaticActions::incomingAllowed(flags, caller.fromExtension, gates(MctiAction::IncomingCall)))
        triggerAutomaticActions(MctiAction::IncomingCall, caller.displayNum, caller.shownName, uid, caller.company,
                                caller.unit, calledNum, queueName, groupName);
}

CallLines::RingingLine *CallLines::openIncomingLineWdg(qlonglong lineId, const QString &callId,
                                                       const QString &remoteName, const QString &remoteNum,
                                                       CTILIB::CallAttributeFlags flags, const QString &remoteChannel,
                                                       const QString &localChannel, const QString &queueName,
                                                       const QString &groupName)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "callId:" << callId
                           << "localChannel:" << localChannel << "remoteChannel:" << remoteChannel;
    const Caller caller = presentCaller(remoteNum, remoteName, flags);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Remote user:" << (caller.fromExtension ? remoteNum : masked(remoteNum))
                            << "- LineId:" << lineId;

    RingingLine *w = incomingLinesMap.value(lineId);
    if (!w && (stackFull() || waitingRinging.contains(lineId))) {
        // No place in the stack: the call is counted and shown later.
        WaitingRinging &waiting = waitingRinging[lineId];
        if (waiting.order == 0) {
            waiting.order = ++nextWaitingOrder;
            waitingOrder.emplace(waiting.order, lineId);
        }
        waiting.callId = callId;
        waiting.remoteName = remoteName;
        waiting.remoteNum = remoteNum;
        waiting.flags = flags;
        if (!remoteChannel.isEmpty())
            waiting.remoteChannel = remoteChannel;
        if (!localChannel.isEmpty())
            waiting.localChannel = localChannel;
        waiting.queueName = queueName;
        waiting.groupName = groupName;
        showWaitingCount();
        return nullptr;
    }
    if (!w) {
        w = new RingingLine(ui.lineParent, mode(), false);
        incomingLinesMap.insert(lineId, w);
        connect(w, &RingingLine::sigBlinking, this, &CallLines::onLineStatusChanged);
        if (ui.vLineLayout)
            ui.vLineLayout->addWidget(w);
        updateLinesButtonStatus();
        emit ringingLineOpened(w);
    }
    w->setCallType(flags);
    if (!localChannel.isEmpty())
        w->setLocalChannel(localChannel);
    if (!remoteChannel.isEmpty())
        w->setRemoteChannel(remoteChannel);
    if (flags & CTILIB::CallAttrQueue)
        w->setQueueInfo(queueName);
    if (flags & CTILIB::CallAttrGroup)
        w->setGroupInfo(groupName);
    if (flags & CTILIB::CallAttrTransferReturn) {
        const QString from = remoteName.section(QLatin1Char(':'), 1, 1);
        w->setXferReturnInfo(from);
        if (BalloonWidget *b = balloon(Balloon::IncomingCallBalloon, lineId)) {
            if (const auto *in = dynamic_cast<const Balloon::IncomingCallBaloonInfo *>(b->balloonInfo())) {
                Balloon::IncomingCallBaloonInfo info(*in);
                info.additionalLabel = tr("Ritorno da:");
                info.additionalInfo = from;
                b->updateBalloonInfo(info);
            }
        }
    }
    QString name = caller.shownName.isEmpty() ? remoteNum : caller.shownName;
    if ((flags & CTILIB::CallAttrClickToCall) && !name.startsWith(QLatin1String("c2c: ")))
        name.prepend(QStringLiteral("c2c: "));
    w->setLineId(lineId);
    w->setCallId(callId);
    w->setRemoteName(name);
    w->setRemoteNum(remoteNum);
    if (mode() != MSETTINGS::AppModeSoftphone) {
        if (!localChannel.isEmpty())
            w->setLocalChannel(localChannel);
        w->setMctiMode(mode() == MSETTINGS::AppModeDeskPhone && hasDeskPhone());
    }
    return w;
}

void CallLines::displayIncomingCallBalloon(qlonglong lineId, const QString &remoteNum, const QString &callerName,
                                           const QString &displayNum, bool isClickToCall,
                                           const QString &additionalLabel, const QString &additionalInfo)
{
    if (!settings || !settings->isPopupCallEnabled())
        return;
    // A call without a place in the stack, or beyond the balloons shown at
    // once, opens none (an open balloon of the call is still updated).
    const bool open = balloon(Balloon::IncomingCallBalloon, lineId) || balloon(Balloon::ClickToCallBalloon, lineId);
    const bool lineWaits = waitingRinging.contains(lineId) ||
                           (!incomingLinesMap.contains(lineId) && !activeLinesMap.contains(lineId) && stackFull());
    if (!open && (lineWaits || openCallBalloons() >= MaxCallBalloons))
        return;
    QString name = callerName;
    if (name.startsWith(QLatin1String("c2c: ")))
        name = name.mid(5);
    const QString text =
        (name.isEmpty() || name == displayNum) ? displayNum : QStringLiteral("%1 (%2)").arg(name, displayNum);
    Balloon::IncomingCallBaloonInfo info(Balloon::IncomingCallBalloon, lineId, remoteNum, name, additionalLabel,
                                         additionalInfo);
    if (!isClickToCall) {
        openBalloon(tr("Chiamata in arrivo da:\n%1").arg(text), info);
        return;
    }
    hideBaloon(lineId);
    const bool phoneBackEnd = (mode() == MSETTINGS::AppModeDeskPhone && hasDeskPhone()) ||
                              (mode() == MSETTINGS::AppModeSoftphone && hasEngine());
    if (!phoneBackEnd)
        return;
    info.type = Balloon::ClickToCallBalloon;
    openBalloon(tr("Click-to-Call verso:\n%1").arg(text), info);
}

CallLines::BalloonWidget *CallLines::openBalloon(const QString &message, const Balloon::IncomingCallBaloonInfo &info)
{
    if (!ui.balloons)
        return nullptr;
    const bool phoneApi = mode() == MSETTINGS::AppModeDeskPhone && hasDeskPhone();
    BalloonWidget *b = ui.balloons->openBalloon(message, info, mode(), phoneApi);
    if (!b)
        return nullptr; // the open balloon of the call got the new data
    emit balloonOpened(b);
    return b;
}

CallLines::BalloonWidget *CallLines::balloon(Balloon::BalloonType type, qint64 lineId) const
{
    return ui.balloons ? ui.balloons->balloonsMap().value(Balloon::KeyPair(type, QString::number(lineId))) : nullptr;
}

int CallLines::balloonCount() const
{
    return ui.balloons ? ui.balloons->balloonsMap().size() : 0;
}

void CallLines::hideBaloon(qlonglong lineId)
{
    if (!ui.balloons)
        return;
    for (Balloon::BalloonType type : {Balloon::IncomingCallBalloon, Balloon::ClickToCallBalloon})
        ui.balloons->hideBalloon(Balloon::KeyPair(type, QString::number(lineId)));
}

QPair<QString, QString> CallLines::getRemoteNumNameFromLineId(qlonglong lineId) const
{
    QPair<QString, QString> result;
    if (const ActiveLine *a = activeLinesMap.value(lineId)) {
        result = qMakePair(a->getRemoteNum(), a->getRemoteName());
        if (!result.first.isEmpty())
            return result;
    }
    if (const RingingLine *r = incomingLinesMap.value(lineId))
        return qMakePair(r->getRemoteNum(), r->getRemoteName());
    if (waitingRinging.contains(lineId)) {
        const WaitingRinging &waiting = waitingRinging[lineId];
        return qMakePair(waiting.remoteNum, waiting.remoteName.isEmpty() ? waiting.remoteNum : waiting.remoteName);
    }
    return result;
}

void CallLines::processIncomingCallForBalloon(qlonglong lineId, const QString &remoteNum, const QString &remoteName,
                                              CTILIB::CallAttributeFlags flags)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Info for incoming call balloon - lineId:" << lineId
                            << "remoteNum:" << masked(remoteNum) << "remoteName:" << maskedName(remoteName, remoteNum);
    const Caller caller = presentCaller(remoteNum, remoteName, flags);
    displayIncomingCallBalloon(lineId, remoteNum, caller.shownName, caller.displayNum,
                               flags & CTILIB::CallAttrClickToCall, QString(), QString());
}

void CallLines::answerIncomingCallRequested(qlonglong lineId)
{
    if (RingingLine *r = incomingLinesMap.value(lineId))
        r->answerCall();
    else if (waitingRinging.contains(lineId))
        emit answerRequested(lineId);
}

bool CallLines::checkForActiveCalls()
{
    if (!activeLinesMap.isEmpty())
        return true;
    m_currentCallLine = -1;
    resetAllTransferFlags();
    return false;
}

// ---------------------------------------------------------------- outgoing and answered calls

void CallLines::processOutgoingCall(qlonglong lineId, const QString &uid, const QString &remoteNum,
                                    const QString &remoteName, const QString &calledNum, const QString &localChannel,
                                    int status)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "uid:" << uid << "remoteNum:" << masked(remoteNum)
                           << "remoteName:" << maskedName(remoteName, remoteNum) << "calledNum:" << masked(calledNum)
                           << "localChannel:" << localChannel << "status:" << status;
    if (lineId == -1)
        return;
    pendingOutgoingCalls.takeLine(lineId);
    openActiveLineWdg(lineId, uid, remoteNum, remoteName, status, QString(), localChannel, QString(), QString());
}

CallLines::ActiveLine *CallLines::openActiveLineWdg(qlonglong lineId, const QString &callId, const QString &remoteNum,
                                                    const QString &remoteName, int status, const QString &remoteChannel,
                                                    const QString &localChannel, const QString &queueNameArg,
                                                    const QString &groupName)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "callId:" << callId
                           << "localChannel:" << localChannel << "remoteChannel:" << remoteChannel;
    m_currentCallLine = lineId;
    const Party party = resolveParty(remoteNum, remoteName);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Remote user:" << (party.isExtension ? remoteNum : masked(remoteNum));

    QString queueName = queueNameArg;
    int insertAt = -1;
    if (RingingLine *ringing = incomingLinesMap.take(lineId)) {
        const int role = session.isUp() ? session.queueRole() : int(SessionRules::QueueRoleNone);
        // A pause the user set by hand stays his: only a pause this object
        // made is resumed when the queue calls are over.
        const bool userPaused = queuePausedLines.isEmpty() && host.queuesPausedAny();
        if (!ringing->getQueueInfo().isEmpty() && settings && settings->isPauseOnInQueueCallRequired() &&
            SessionRules::isQueueMember(role) && !userPaused) {
            if (queuePausedLines.isEmpty())
                host.pauseAllQueues(true, QStringLiteral("PauseOnQueueCall"));
            queuePausedLines << lineId;
        }
        queueName = ringing->getQueueInfo();
        insertAt = takeOutOfStack(ringing);
        ringing->setParent(nullptr);
        ringing->deleteLater();
        counters.reset(lineId);
    } else if (waitingRinging.contains(lineId)) {
        queueName = waitingRinging.value(lineId).queueName;
        dropWaitingRinging(lineId);
        counters.reset(lineId);
    }

    if (ActiveLine *existing = activeLinesMap.value(lineId)) {
        existing->setCallId(callId);
        existing->setQueueInfo(queueName);
        existing->setGroupInfo(groupName);
        existing->setRemoteName(party.displayName);
        existing->setRemoteNum(remoteNum);
        existing->setLocalChannel(localChannel);
        existing->setRemoteChannel(remoteChannel);
        if (existing->getCallStatus() == 0)
            existing->setCallStatus(status);
        return existing;
    }

    const bool phoneApi = mode() == MSETTINGS::AppModeDeskPhone && hasDeskPhone();
    auto *w = new ActiveLine(mode(), host.mobileNumberKnown(), phoneApi, status, m_atransferline != -1 ? 1 : -1, false,
                             ui.lineParent);
    w->setLineId(lineId);
    w->setCallId(callId);
    w->setQueueInfo(queueName);
    w->setGroupInfo(groupName);
    w->setRemoteName(party.displayName);
    w->setRemoteNum(remoteNum);
    w->setLocalChannel(localChannel);
    w->setRemoteChannel(remoteChannel);
    if (CallRules::recordingControlOffered(ctiClient.getPbxFirmwareVersion(), session.capabilities()))
        w->setRecordingStatus(true, false);
    setupActiveLine(w, insertAt);
    if (insertAt < 0)
        activateLineWdg(w);
    return w;
}

void CallLines::setupActiveLine(ActiveLine *line, int index)
{
    activeLinesMap.insert(line->getLineId(), line);
    if (ui.vLineLayout) {
        if (index >= 0) {
            ui.vLineLayout->insertWidget(index, line);
            ui.vLineLayout->setCurrentIndex(index);
        } else {
            ui.vLineLayout->addWidget(line);
        }
    }
    updateLinesButtonStatus();
    // The softphone measures the microphone: its lines show the level.
    line->setPeakLevelEnabled(mode() == MSETTINGS::AppModeSoftphone && hasEngine());
    connect(line, &ActiveLine::sigStatusChanged, this, &CallLines::onLineStatusChanged);
    emit activeLineOpened(line);
    connect(line, &ActiveLine::sigErrorDisplayTimerTimeout, this, &CallLines::onErrorCallTimerElapsed);
}

void CallLines::showCallDuration(qlonglong lineId, int seconds)
{
    if (ActiveLine *a = activeLinesMap.value(lineId))
        a->updateCallDuration(seconds);
    if (HeldLine *h = onHoldLinesMap.value(lineId))
        h->updateCallDuration(seconds);
}

void CallLines::showOutgoingPeakLevel(qlonglong lineId, int level)
{
    if (ActiveLine *a = activeLinesMap.value(lineId))
        a->updateOutgoingPeakLevel(level);
}

void CallLines::processAnsweredCall(qlonglong lineId, const QString &uid, const QString &callerAccount,
                                    const QString &calleeAccount, const QString &remoteNum, const QString &remoteName,
                                    const QString &remoteChannel, const QString &calledNum, const QString &localChannel,
                                    bool isCallee)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "uid:" << uid << "callerAccount:" << callerAccount
                           << "calleeAccount:" << calleeAccount << "remoteNum:" << masked(remoteNum)
                           << "remoteName:" << maskedName(remoteName, remoteNum) << "remoteChannel:" << remoteChannel
                           << "calledNum:" << masked(calledNum) << "localChannel:" << localChannel
                           << "isCallee:" << int(isCallee);
    if (lineId == -1)
        return;
    pendingAnsweredCalls.takeLine(lineId);
    hideBaloon(lineId);
    const Party party = resolveParty(remoteNum, remoteName);

    QString queue, group, info, label;
    if (const ActiveLine *a = activeLinesMap.value(lineId)) {
        queue = a->getQueueInfo();
        group = a->getGroupInfo();
        info = a->getAdditionalInfo();
        label = a->getAdditionalInfoLabel();
    } else if (const RingingLine *r = incomingLinesMap.value(lineId)) {
        queue = r->getQueueInfo();
        group = r->getGroupInfo();
        info = r->getAdditionalInfo();
        label = r->getAdditionalInfoLabel();
    } else if (waitingRinging.contains(lineId)) {
        const WaitingRinging &waiting = waitingRinging[lineId];
        if (waiting.flags & CTILIB::CallAttrQueue)
            queue = waiting.queueName;
        if (waiting.flags & CTILIB::CallAttrGroup)
            group = waiting.groupName;
    } else {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Invalid LineID: " << lineId
                                   << "- activeLine/incomingLine NOT FOUND!";
    }

    const bool firstAnswer = !callDetailsMap.value(lineId).answered;
    MctiCallDetails &record = callDetailsMap[lineId];
    record.lineId = lineId;
    record.uid = uid;
    record.localChannel = localChannel;
    record.remoteChannel = remoteChannel;
    record.remoteNum = remoteNum;
    record.remoteName = remoteName;
    record.calledNum = calledNum;
    record.direction = isCallee ? 1 : 0;
    record.queueName = queue;
    record.groupName = group;
    record.answered = true;
    const int direction = record.direction;

    openActiveLineWdg(lineId, uid, remoteNum, remoteName, 1, remoteChannel, localChannel, queue, group);
    if (ActiveLine *a = activeLinesMap.value(lineId)) {
        a->setRemoteName(party.displayName);
        a->setRemoteNum(remoteNum);
        a->setAdditionalInfo(label, info);
    } else {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Invalid LineID: " << lineId << " ActiveLineWdg NOT FOUND!";
    }

    if (firstAnswer && AutomaticActions::answeredOrFinishedAllowed(direction, isMServiceCode(remoteNum),
                                                                   party.isExtension, gates(MctiAction::AnsweredCall)))
        triggerAutomaticActions(MctiAction::AnsweredCall, party.lookupNumber, party.displayName, uid, party.company,
                                party.unit, calledNum, queue, group);
}

void CallLines::updateLineLocalInfo(qlonglong lineId, const QString &localChannel)
{
    if (localChannel.isEmpty())
        return;
    // Phone-owned lines keep their id (the phone numbers them); the PBX only
    // renamed the channel.
    qint64 newId = lineId;
    if (isCtiOwned()) {
        const qint64 read = CallRules::computeLineIdFromChannel(localChannel);
        const bool taken = read != lineId && (activeLinesMap.contains(read) || incomingLinesMap.contains(read) ||
                                              waitingRinging.contains(read) || callDetailsMap.contains(read));
        if (read != -1 && !taken)
            newId = read;
    }
    if (ActiveLine *a = activeLinesMap.take(lineId)) {
        a->setLocalChannel(localChannel);
        a->setLineId(newId);
        activeLinesMap.insert(newId, a);
    }
    if (RingingLine *r = incomingLinesMap.take(lineId)) {
        r->setLocalChannel(localChannel);
        r->setLineId(newId);
        incomingLinesMap.insert(newId, r);
    }
    if (waitingRinging.contains(lineId)) {
        WaitingRinging waiting = waitingRinging.take(lineId);
        waiting.localChannel = localChannel;
        waitingOrder[waiting.order] = newId;
        waitingRinging.insert(newId, waiting);
    }
    if (HeldLine *held = onHoldLinesMap.take(lineId)) {
        held->setLineId(newId);
        onHoldLinesMap.insert(newId, held);
        // The retrieve shortcut must find the line under its new id.
        std::replace(onHoldLinesList.begin(), onHoldLinesList.end(), qint64(lineId), newId);
    }
    if (callDetailsMap.contains(lineId)) {
        MctiCallDetails record = callDetailsMap.take(lineId);
        record.localChannel = localChannel;
        record.lineId = newId;
        callDetailsMap.insert(newId, record);
    }
    if (MctiCallDetails *pending = pendingAnsweredCalls.findLine(lineId)) {
        pending->lineId = newId;
        pending->localChannel = localChannel;
    }
    if (newId == lineId)
        return;
    // An open balloon of the call answers for the new line: it is shown again
    // under the new id.
    for (Balloon::BalloonType type : {Balloon::IncomingCallBalloon, Balloon::ClickToCallBalloon}) {
        BalloonWidget *b = balloon(type, lineId);
        const auto *in = b ? dynamic_cast<const Balloon::IncomingCallBaloonInfo *>(b->balloonInfo()) : nullptr;
        if (!in)
            continue;
        Balloon::IncomingCallBaloonInfo info(*in);
        info.lineId = newId;
        const QString message = b->message();
        b->startHideAnimation();
        openBalloon(message, info);
    }
    counters.reset(lineId);
    if (RingingLine *r = incomingLinesMap.value(newId))
        counters.notify(newId, r->getCallType());
    else if (waitingRinging.contains(newId))
        counters.notify(newId, waitingRinging.value(newId).flags);
    for (qint64 *id : {&m_currentCallLine, &m_utransferline, &m_atransferline, &m_lineToTransferTo}) {
        if (*id == lineId)
            *id = newId;
    }
    for (qint64 &id : queuePausedLines) {
        if (id == lineId)
            id = newId;
    }
}

void CallLines::updateLineRemoteInfo(qlonglong lineId, const QString &remoteNum, const QString &remoteName,
                                     const QString &remoteChannel)
{
    if (remoteNum.isEmpty())
        return;
    const Party party = resolveParty(remoteNum, remoteName);
    if (ActiveLine *a = activeLinesMap.value(lineId)) {
        a->setRemoteName(party.displayName);
        a->setRemoteNum(remoteNum);
        if (!remoteChannel.isEmpty())
            a->setRemoteChannel(remoteChannel);
    }
    if (RingingLine *r = incomingLinesMap.value(lineId)) {
        r->setRemoteName(party.displayName);
        r->setRemoteNum(remoteNum);
        if (!remoteChannel.isEmpty())
            r->setRemoteChannel(remoteChannel);
    }
    if (HeldLine *h = onHoldLinesMap.value(lineId)) {
        h->setRemoteName(party.displayName);
        h->setRemoteNum(remoteNum);
        if (!remoteChannel.isEmpty())
            h->setRemoteChannel(remoteChannel);
    }
    if (waitingRinging.contains(lineId)) {
        WaitingRinging &waiting = waitingRinging[lineId];
        waiting.remoteName = party.displayName;
        waiting.remoteNum = remoteNum;
        if (!remoteChannel.isEmpty())
            waiting.remoteChannel = remoteChannel;
    }
    auto update = [&](MctiCallDetails &record) {
        record.remoteName = remoteName;
        record.remoteNum = remoteNum;
        if (!remoteChannel.isEmpty())
            record.remoteChannel = remoteChannel;
    };
    if (callDetailsMap.contains(lineId))
        update(callDetailsMap[lineId]);
    if (MctiCallDetails *pending = pendingAnsweredCalls.first(remoteNum))
        update(*pending);
    emit lineRemoteChanged(lineId, remoteNum, remoteName);
}

// ---------------------------------------------------------------- hold and retrieve

int CallLines::removeLineWdg(QWidget *w)
{
    return takeOutOfStack(w);
}

void CallLines::addLineWdg(QWidget *w, int index)
{
    if (!ui.vLineLayout || !w)
        return;
    if (index < 0 || index > ui.vLineLayout->count())
        index = ui.vLineLayout->count();
    ui.vLineLayout->insertWidget(index, w);
    ui.vLineLayout->setCurrentIndex(index);
    updateLinesButtonStatus();
}

void CallLines::onLineOnHoldChanged(qlonglong lineId, bool active)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Line" << lineId << "status is" << (active ? "idle" : "onhold");
    ActiveLine *line = activeLinesMap.value(lineId);
    if (!line) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "No ActiveLine widget w/ lineId" << lineId
                                   << "found in activeLinesMap!";
        return;
    }
    // The transfer owns the widgets of the lines it moves.
    if (lineId == m_utransferline || lineId == m_atransferline)
        return;

    if (active) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Reactivating line from hold - line:" << lineId;
        if (HeldLine *held = onHoldLinesMap.take(lineId)) {
            const int position = removeLineWdg(held);
            held->hide();
            held->setParent(nullptr);
            held->deleteLater();
            removeLineWdg(line);
            addLineWdg(line, position);
        } else {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "No HoldLine widget w/ lineId" << lineId
                                       << "found in onHoldLinesMap! Nothing to remove...";
        }
        onHoldLinesList.removeOne(lineId);
        line->setCallStatus(1);
        line->show();
        m_currentCallLine = lineId;
        updateLinesButtonStatus();
        return;
    }

    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Set line on hold - line:" << lineId;
    m_currentCallLine = -1;
    line->setCallStatus(1);
    line->hide();
    // A held line confirmed again: its new held widget takes the old one's
    // place (the active widget is out of the stack already).
    int position = -1;
    if (HeldLine *old = onHoldLinesMap.take(lineId)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "HoldLine widget w/ lineId" << lineId
                                   << "is already in onHoldLinesMap! Removing it...";
        position = removeLineWdg(old);
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
        onHoldLinesList.removeOne(lineId);
    }
    auto *held = new HeldLine(lineId, line->getCallId(), line->getRemoteChannel(), false);
    held->setLineId(lineId);
    onHoldLinesMap.insert(lineId, held);
    connect(held, &HeldLine::sigRetrieveCall, this, &CallLines::retrieveRequested);
    const int activePosition = removeLineWdg(line);
    if (activePosition >= 0)
        position = activePosition;
    held->setParent(ui.lineParent);
    addLineWdg(held, position);
    if (mode() == MSETTINGS::AppModeSoftphone && hasEngine()) {
        const QString user = phones.sipAccountUser();
        if (!user.isEmpty())
            held->setAccountInfo(user);
        held->setRemoteName(line->getRemoteName());
        held->setRemoteNum(line->getRemoteNum());
    } else if (mode() == MSETTINGS::AppModeDeskPhone && hasDeskPhone()) {
        held->setRemoteName(line->getRemoteName());
        held->setRemoteNum(line->getRemoteNum());
    }
    onHoldLinesList.append(lineId);
    updateLinesButtonStatus();
}

void CallLines::onErrorCallTimerElapsed()
{
    auto *w = qobject_cast<QWidget *>(sender());
    if (!w)
        return;
    // A line that ended in error left the line maps already; its widget
    // only stayed to show the error. Should it still be listed, the entry
    // goes with it.
    for (auto it = activeLinesMap.begin(); it != activeLinesMap.end();) {
        if (it.value() == w)
            it = activeLinesMap.erase(it);
        else
            ++it;
    }
    removeLineWdg(w);
    w->hide();
    w->setParent(nullptr);
    w->deleteLater();
}

// ---------------------------------------------------------------- end of calls

void CallLines::resetAllTransferFlags()
{
    m_utransferline = m_atransferline = m_lineToTransferTo = -1;
    m_numToTransferTo.clear();
}

void CallLines::resetTransferFlags(qlonglong lineId)
{
    if (lineId == m_atransferline || lineId == m_utransferline) {
        resetAllTransferFlags();
    } else if (lineId == m_lineToTransferTo) {
        m_lineToTransferTo = -1;
        m_numToTransferTo.clear();
    }
}

void CallLines::finalizeCall(qlonglong lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Finalizing call with lineId" << lineId;
    if (lineId == -1)
        return;
    int status = 1;
    int role = -1;
    bool endedInError = false;
    if (ActiveLine *a = activeLinesMap.value(lineId)) {
        status = a->getCallStatus();
        role = a->transferRole();
        if (status == -1) {
            // The widget shows the error until its own timer dismisses it.
            if (ui.edtCallerNumber)
                ui.edtCallerNumber->setPlaceholderText(QString());
            endedInError = true;
            status = 2;
        }
    }
    const bool hadRecord = callDetailsMap.contains(lineId);
    MctiCallDetails copy = callDetailsMap.take(lineId);
    if (copy.remoteNum.isEmpty()) {
        const QPair<QString, QString> shown = getRemoteNumNameFromLineId(lineId);
        copy.remoteNum = shown.first;
        copy.remoteName = shown.second;
    }

    // An attended transfer that loses one of its two lines.
    if (m_atransferline != -1) {
        if (lineId == m_atransferline) {
            if (m_lineToTransferTo == -1) {
                if (ui.edtCallerNumber) {
                    ui.edtCallerNumber->setPlaceholderText(QString());
                    ui.edtCallerNumber->setFocus(Qt::TabFocusReason);
                }
            } else if (ActiveLine *consult = activeLinesMap.value(m_lineToTransferTo)) {
                const qint64 consultLine = m_lineToTransferTo;
                const int position = takeOutOfStack(consult);
                const bool phoneApi = mode() == MSETTINGS::AppModeDeskPhone && hasDeskPhone();
                auto *w = new ActiveLine(mode(), host.mobileNumberKnown(), phoneApi, consult->getCallStatus(), -1,
                                         settings && settings->isVisuallyImpaired());
                w->setLineId(consult->getLineId());
                w->setCallId(consult->getCallId());
                w->setQueueInfo(consult->getQueueInfo());
                w->setGroupInfo(consult->getGroupInfo());
                w->setAdditionalInfo(consult->getAdditionalInfoLabel(), consult->getAdditionalInfo());
                w->setRemoteName(consult->getRemoteName());
                w->setRemoteNum(consult->getRemoteNum());
                w->setLocalChannel(consult->getLocalChannel());
                w->setRemoteChannel(consult->getRemoteChannel());
                w->setCallStatus(consult->getCallStatus());
                closeWdgActiveLine(consultLine, true);
                m_currentCallLine = consultLine;
                w->setParent(ui.lineParent);
                setupActiveLine(w, position);
            }
        } else if (lineId == m_lineToTransferTo) {
            if (ActiveLine *held = activeLinesMap.value(m_atransferline)) {
                held->setTransferInProgress(true, QString());
                if (ui.edtCallerNumber) {
                    ui.edtCallerNumber->setPlaceholderText(tr("Digita il numero a cui trasferire"));
                    ui.edtCallerNumber->setFocus(Qt::TabFocusReason);
                }
            }
        }
    }

    closeWdgIncomingLine(lineId);
    if (!endedInError)
        closeWdgActiveLine(lineId, true);
    if (activeLinesMap.isEmpty()) {
        m_currentCallLine = -1;
        resetAllTransferFlags();
    }
    lineEnded(lineId);

    const Party party = resolveParty(copy.remoteNum, copy.remoteName);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Closing call with"
                            << (party.isExtension ? copy.remoteNum : masked(copy.remoteNum)) << "- lineId:" << lineId;
    if (hadRecord && copy.answered && status != 0 && status != 2 && role == -1 &&
        AutomaticActions::answeredOrFinishedAllowed(copy.direction, isMServiceCode(copy.remoteNum), party.isExtension,
                                                    gates(MctiAction::FinishedCall)))
        triggerAutomaticActions(MctiAction::FinishedCall, party.lookupNumber, party.displayName, copy.uid,
                                party.company, party.unit, copy.calledNum, copy.queueName, copy.groupName);
}

void CallLines::lineEnded(qlonglong lineId)
{
    // Queues paused for this queue call are resumed once no such call is up.
    if (!queuePausedLines.removeOne(lineId) || !queuePausedLines.isEmpty())
        return;
    host.pauseAllQueues(false, QStringLiteral("PauseOnQueueCall"));
}

void CallLines::closeWdgIncomingLine(qlonglong lineId)
{
    hideBaloon(lineId);
    if (dropWaitingRinging(lineId))
        counters.reset(lineId);
    RingingLine *w = incomingLinesMap.take(lineId);
    if (!w)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Closing incoming line - lineId:" << lineId;
    emit closingIncomingLineWidget(lineId);
    takeOutOfStack(w);
    w->hide();
    w->setParent(nullptr);
    w->deleteLater();
    counters.reset(lineId);
}

void CallLines::closeWdgActiveLine(qlonglong lineId, bool removeActiveWdg)
{
    if (!activeLinesMap.contains(lineId))
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Line to be closed:" << lineId;
    resetTransferFlags(lineId);
    emit closingActiveLineWidget(lineId);
    ActiveLine *w = activeLinesMap.take(lineId);
    if (removeActiveWdg && w) {
        w->hide();
        takeOutOfStack(w);
        w->setParent(nullptr);
        w->deleteLater();
    }
    closeHeldLine(lineId);
    if (activeLinesMap.isEmpty()) {
        m_currentCallLine = -1;
        resetAllTransferFlags();
    }
    if (ui.edtCallerNumber)
        ui.edtCallerNumber->clear();
}

void CallLines::closeHeldLine(qlonglong lineId)
{
    HeldLine *held = onHoldLinesMap.take(lineId);
    if (!held)
        return;
    takeOutOfStack(held);
    held->hide();
    held->setParent(nullptr);
    held->deleteLater();
    onHoldLinesList.removeOne(lineId);
}

void CallLines::removeAllLines()
{
    for (qint64 id : incomingLinesMap.keys())
        closeWdgIncomingLine(id);
    for (qint64 id : activeLinesMap.keys())
        closeWdgActiveLine(id, true);
    pendingAnsweredCalls.clear();
    pendingOutgoingCalls.clear();
    pendingIncomingCalls.clear();
    for (qint64 id : onHoldLinesMap.keys())
        closeHeldLine(id);
    onHoldLinesList.clear();
    waitingRinging.clear();
    waitingOrder.clear();
    showWaitingCount();
    // A line id used again later must not find the record of an old call.
    callDetailsMap.clear();
    counters.clear();
    const bool resume = !queuePausedLines.isEmpty();
    queuePausedLines.clear();
    if (resume)
        host.pauseAllQueues(false, QStringLiteral("PauseOnQueueCall"));
    m_currentCallLine = -1;
    resetAllTransferFlags();
}

// ---------------------------------------------------------------- the CTI server's reports

void CallLines::onCtisIncomingCall(const IncomingCallEvent &e)
{
    if (!settings)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "CTIS incoming call: uid:" << e.uid
                            << "remoteNum:" << masked(e.remoteNum);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "uid:" << e.uid << "remoteNum:" << masked(e.remoteNum)
                           << "remoteName:" << maskedName(e.remoteName, e.remoteNum)
                           << "remoteChannel:" << e.remoteChannel << "calledNum:" << masked(e.calledNum)
                           << "localChannel:" << e.localChannel << "account:" << e.account << "callType:" << e.callType
                           << "queueId:" << e.queueId << "groupId:" << e.groupId;
    if (!accountAccepted(e.account, false, Q_FUNC_INFO, "Got incoming notification, but I'm not the callee!!!"))
        return;
    const Flags flags(e.callType);
    const bool clear = (flags & CTILIB::CallAttrInternal) && isExtenNum(e.remoteNum);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Notify incoming call from"
                            << (clear ? e.remoteNum : masked(e.remoteNum));
    const QString queueName = (flags & CTILIB::CallAttrQueue) ? host.queueName(e.queueId) : QString();
    if (isCtiOwned()) {
        processIncomingCall(CallRules::computeLineIdFromChannel(e.localChannel), e.uid, e.remoteNum, e.remoteName,
                            e.remoteChannel, e.calledNum, e.localChannel, flags, queueName, QString());
    } else {
        MctiCallDetails *record = pendingIncomingCalls.join(e.remoteNum, PendingCalls::Side::Cti);
        const bool phoneFirst = record != nullptr;
        if (!record)
            record = pendingIncomingCalls.store(e.remoteNum, MctiCallDetails(), PendingCalls::Side::Cti);
        record->uid = e.uid;
        record->direction = 1;
        record->callType = flags;
        record->remoteNum = e.remoteNum;
        record->remoteName = e.remoteName;
        record->calledNum = e.calledNum;
        record->calleeAccount = e.account;
        record->localChannel = e.localChannel;
        record->remoteChannel = e.remoteChannel;
        record->queueName = queueName;
        record->groupName.clear();
        if (phoneFirst)
            processIncomingCall(record->lineId, e.uid, e.remoteNum, e.remoteName, e.remoteChannel, e.calledNum,
                                e.localChannel, flags, queueName, QString());
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallLines::onCtisOutgoingCall(const OriginateCallEvent &e)
{
    if (!settings)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "CTIS outgoing call: uid:" << e.uid
                            << "remoteNum:" << masked(e.calledNum);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "uid:" << e.uid << "localChannel:" << e.localChannel
                           << "account:" << e.account << "calledNum:" << masked(e.calledNum);
    if (!accountAccepted(e.account, false, Q_FUNC_INFO, "Got outgoing notification, but I'm not the caller!!!"))
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Notify outgoing call from"
                            << (isExtenNum(e.calledNum) ? e.calledNum : masked(e.calledNum));
    if (isCtiOwned()) {
        processOutgoingCall(CallRules::computeLineIdFromChannel(e.localChannel), e.uid, e.calledNum, QString(),
                            e.calledNum, e.localChannel, 1);
    } else {
        MctiCallDetails *record = pendingOutgoingCalls.join(e.calledNum, PendingCalls::Side::Cti);
        const bool phoneFirst = record != nullptr;
        if (!record)
            record = pendingOutgoingCalls.store(e.calledNum, MctiCallDetails(), PendingCalls::Side::Cti);
        record->uid = e.uid;
        record->direction = 0;
        record->remoteNum = e.calledNum;
        record->calledNum = e.calledNum;
        record->remoteName.clear();
        record->callerAccount = e.account;
        record->localChannel = e.localChannel;
        if (phoneFirst) {
            const MctiCallDetails r = *record;
            processOutgoingCall(r.lineId, r.uid, r.remoteNum, r.remoteName, r.calledNum, r.localChannel, 0);
        }
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallLines::onCtisCallEstablished(const AnsweredCallEvent &e)
{
    if (!settings)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "CTIS call established: uid:" << e.uid
                            << "remoteNum:" << masked(e.remoteNum);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "uid:" << e.uid << "localChan:" << e.localChan << "account:" << e.account
                           << "remoteNum:" << masked(e.remoteNum)
                           << "remoteName:" << maskedName(e.remoteName, e.remoteNum) << "remoteChan:" << e.remoteChan
                           << "calledNum:" << masked(e.calledNum) << "callType:" << e.callType;
    if (!accountAccepted(e.account, false, Q_FUNC_INFO,
                         "Got answer notification for a different account than the selected one, skipping it..."))
        return;
    const bool service = Flags(e.callType) & CTILIB::CallAttrService;
    const bool calleeSide = e.isCallee == 1 && !service;
    const int direction = e.isCallee == 1 ? (service ? 0 : 1) : e.isCallee;

    QString number = e.remoteNum;
    if (number.isEmpty()) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Got empty remoteNum, retrieving it from displayed widget...";
        const qint64 line = getLineIdFromLocalChannel(e.localChan);
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "localChan:" << e.localChan << "=> lineId:" << line;
        if (line != -1)
            number = getRemoteNumNameFromLineId(line).first;
    }
    QString key = number;
    if (mode() == MSETTINGS::AppModeSoftphone && service) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Call to a service, retrieving called num (service num)...";
        const qint64 line = getLineIdFromLocalChannel(e.localChan);
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "localChan:" << e.localChan << "=> lineId:" << line;
        if (line != -1) {
            const QString shown = getRemoteNumNameFromLineId(line).first;
            if (isMServiceCode(shown))
                key = shown;
        }
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Notify call established with"
                            << (isExtenNum(number) ? number : masked(number));
    if (isCtiOwned()) {
        processAnsweredCall(CallRules::computeLineIdFromChannel(e.localChan), e.uid, calleeSide ? QString() : e.account,
                            calleeSide ? e.account : QString(), number, e.remoteName, e.remoteChan, e.calledNum,
                            e.localChan, calleeSide);
    } else {
        MctiCallDetails *record = pendingAnsweredCalls.join(key, PendingCalls::Side::Cti);
        if (!record && mode() == MSETTINGS::AppModeSoftphone && key != number)
            record = pendingAnsweredCalls.join(number, PendingCalls::Side::Cti);
        const bool phoneFirst = record != nullptr;
        if (!record)
            record = pendingAnsweredCalls.store(key, MctiCallDetails(), PendingCalls::Side::Cti);
        record->uid = e.uid;
        record->direction = direction;
        record->remoteNum = number;
        record->remoteName = e.remoteName;
        record->calledNum = e.calledNum;
        if (calleeSide)
            record->calleeAccount = e.account;
        else
            record->callerAccount = e.account;
        record->localChannel = e.localChan;
        record->remoteChannel = e.remoteChan;
        if (phoneFirst) {
            const MctiCallDetails r = *record;
            processAnsweredCall(r.lineId, r.uid, r.callerAccount, r.calleeAccount, r.remoteNum, r.remoteName,
                                r.remoteChannel, r.calledNum, r.localChannel, calleeSide);
        }
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallLines::onCtisCallFinished(const FinishedCallEvent &e)
{
    if (!settings)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "CTIS call finished: uid:" << e.uid
                            << "remoteNum:" << masked(e.remoteNum);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "uid:" << e.uid << "localChan:" << e.localChan << "account:" << e.account
                           << "remoteNum:" << masked(e.remoteNum)
                           << "remoteName:" << maskedName(e.remoteName, e.remoteNum) << "calledNum:" << e.calledNum
                           << "localHangup:" << int(e.localHangup) << "reason:" << e.reason;
    if (!accountAccepted(e.account, false, Q_FUNC_INFO,
                         "Got finished notification for a different account than the selected one, skipping it..."))
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Notify call finished with"
                            << (isExtenNum(e.remoteNum) ? e.remoteNum : masked(e.remoteNum));
    pendingIncomingCalls.takeUid(e.uid);
    pendingAnsweredCalls.takeUid(e.uid);
    pendingOutgoingCalls.takeUid(e.uid);
    const qint64 line = getLineIdFromLocalChannel(e.localChan);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "localChan:" << e.localChan << "=> lineId:" << line;
    if (line == -1) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "No line found for call" << e.uid
                               << ", maybe it has been already removed from internal maps...";
        return;
    }
    const RingingLine *ringing = incomingLinesMap.value(line);
    const bool wasRinging = ringing != nullptr;
    const Flags ringingFlags = ringing ? ringing->getCallType() : Flags();
    if (isCtiOwned()) {
        finalizeCall(line);
    } else {
        const ActiveLine *a = activeLinesMap.value(line);
        if (!a || a->getCallStatus() != 0)
            finalizeCall(line);
    }
    if (e.localHangup && wasRinging && !(ringingFlags & CTILIB::CallAttrClickToCall) &&
        CallRules::needEmulateMissingNotification(ctiClient.getPbxFirmwareVersion()))
        emit missedCallNotification();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallLines::onCtisMissedCall(const MissedCallEvent &e)
{
    if (!settings)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "CTIS missed call: uid:" << e.uid << "remoteNum:" << masked(e.remoteNum);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "uid:" << e.uid << "localChan:" << e.localChan << "account:" << e.account
                           << "remoteNum:" << masked(e.remoteNum)
                           << "remoteName:" << maskedName(e.remoteName, e.remoteNum);
    if (!accountAccepted(e.account, false, Q_FUNC_INFO,
                         "Got missed notification for a different account than the selected one, skipping it..."))
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Notify call missed from"
                            << (isExtenNum(e.remoteNum) ? e.remoteNum : masked(e.remoteNum));
    emit missedCallNotification();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallLines::onCtisColpUpdate(const ColpUpdateEvent &e)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "CTIS colp update: uid:" << e.uid;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "uid:" << e.uid << "localChan:" << e.localChan << "account:" << e.account
                           << "remoteNum:" << masked(e.remoteNum)
                           << "remoteName:" << maskedName(e.remoteName, e.remoteNum) << "remoteChan:" << e.remoteChan;
    if (!accountAccepted(e.account, true, Q_FUNC_INFO,
                         "Got COLP update notification for a different account than the selected one, skipping it..."))
        return;
    const qint64 line = getLineIdFromLocalChannel(e.localChan);
    if (line != -1)
        updateLineRemoteInfo(line, e.remoteNum, e.remoteName, e.remoteChan);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

void CallLines::onCtisCallLocalInfoUpdate(const CallLocalInfoUpdateEvent &e)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "CTIS CallLineInfo update: uid:" << e.uid;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "uid:" << e.uid << "oldLocalChan:" << e.oldLocalChan
                           << "account:" << e.account << "newLocalChan:" << e.newLocalChan;
    if (!accountAccepted(
            e.account, true, Q_FUNC_INFO,
            "Got CallLineInfo update notification for a different account than the selected one, skipping it..."))
        return;
    const qint64 line = getLineIdFromLocalChannel(e.oldLocalChan);
    if (line != -1)
        updateLineLocalInfo(line, e.newLocalChan);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "End";
}

// ---------------------------------------------------------------- the phone's reports

void CallLines::phoneIncomingCall(qlonglong lineId, const QString &remoteNum, const QString &remoteName, bool balloon)
{
    if (lineId == -1)
        return;
    if (MctiCallDetails *record = pendingIncomingCalls.join(remoteNum, PendingCalls::Side::Phone)) {
        record->lineId = lineId;
        const MctiCallDetails r = *record;
        processIncomingCall(lineId, r.uid, r.remoteNum, r.remoteName, r.remoteChannel, r.calledNum, r.localChannel,
                            r.callType, r.queueName, r.groupName);
        return;
    }
    MctiCallDetails record;
    record.remoteNum = remoteNum;
    record.remoteName = remoteName;
    record.lineId = lineId;
    pendingIncomingCalls.store(remoteNum, record, PendingCalls::Side::Phone);
    if (balloon)
        processIncomingCallForBalloon(lineId, remoteNum, remoteName, CTILIB::CallAttributeFlags());
    openIncomingLineWdg(lineId, QString(), remoteName, remoteNum, CTILIB::CallAttributeFlags(), QString(), QString(),
                        QString(), QString());
}

void CallLines::phoneOutgoingCall(qlonglong lineId, const QString &number, const QString &remoteName)
{
    if (lineId == -1)
        return;
    if (MctiCallDetails *record = pendingOutgoingCalls.join(number, PendingCalls::Side::Phone)) {
        record->lineId = lineId;
        const MctiCallDetails r = *record;
        processOutgoingCall(lineId, r.uid, r.remoteNum, r.remoteName, r.calledNum, r.localChannel, 0);
        return;
    }
    MctiCallDetails record;
    record.remoteNum = number;
    record.remoteName = remoteName;
    record.lineId = lineId;
    pendingOutgoingCalls.store(number, record, PendingCalls::Side::Phone);
    openActiveLineWdg(lineId, QString(), number, remoteName, 0, QString(), QString(), QString(), QString());
}

void CallLines::phoneCallEstablished(qlonglong lineId, const QString &remoteNum, const QString &remoteName)
{
    if (lineId == -1)
        return;
    if (MctiCallDetails *record = pendingAnsweredCalls.join(remoteNum, PendingCalls::Side::Phone)) {
        record->lineId = lineId;
        const MctiCallDetails r = *record;
        processAnsweredCall(lineId, r.uid, r.callerAccount, r.calleeAccount, r.remoteNum, r.remoteName, r.remoteChannel,
                            r.calledNum, r.localChannel, r.direction == 1);
        return;
    }
    MctiCallDetails record;
    record.remoteNum = remoteNum;
    record.remoteName = remoteName;
    record.lineId = lineId;
    pendingAnsweredCalls.store(remoteNum, record, PendingCalls::Side::Phone);
    openActiveLineWdg(lineId, QString(), remoteNum, remoteName, 1, QString(), QString(), QString(), QString());
}

// ---------------------------------------------------------------- actions

void CallLines::getActiveCallInfo(MctiCallDetails &details) const
{
    if (m_currentCallLine == -1 || !callDetailsMap.contains(m_currentCallLine))
        return;
    details = callDetailsMap.value(m_currentCallLine);
}

TransferState CallLines::transferState() const
{
    TransferState s;
    s.blindLine = m_utransferline;
    s.heldLine = m_atransferline;
    s.consultLine = m_lineToTransferTo;
    s.consultNumber = m_numToTransferTo;
    return s;
}

void CallLines::setTransferState(const TransferState &s)
{
    m_utransferline = s.blindLine;
    m_atransferline = s.heldLine;
    m_lineToTransferTo = s.consultLine;
    m_numToTransferTo = s.consultNumber;
}

// ---------------------------------------------------------------- automatic actions

AutomaticActions::Gates CallLines::gates(int event) const
{
    AutomaticActions::Gates g;
    if (!settings)
        return g;
    g.c2cActions = settings->isC2cActionsEnabled();
    g.extenActions = settings->isExtenActionsEnabled();
    g.outboundActions = settings->isOutboundActionsEnabled();
    g.actionRequested = settings->isActionRequested(event);
    return g;
}

void CallLines::triggerAutomaticActions(MctiAction::MEvent event, const QString &callerNum, const QString &callerName,
                                        const QString &uid, const QString &companyName, const QString &unitName,
                                        const QString &calledNum, const QString &queueName, const QString &groupName)
{
    if (!settings)
        return;
    AutomaticActions::CallValues values;
    values.callerNum = callerNum;
    values.callerName = callerName;
    values.company = companyName;
    values.unit = unitName;
    values.calledNum = calledNum;
    values.queueName = queueName;
    values.groupName = groupName;
    values.uid = uid;
    values.hasExtenNum = true;
    values.extenNum = ctiClient.getUserExtension();
    const QList<MctiAction> actions = settings->getEventActions(event);
    for (const MctiAction &action : actions) {
        if (action.actionType == MctiAction::OpenUrl) {
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Triggering automatic action (openUrl) for caller num"
                                    << masked(callerNum);
            const QUrl url = AutomaticActions::fillUrlAction(action.actionText, values);
            if (!url.isValid()) {
                logLine(UNQL::LOG_WARNING)
                    << Q_FUNC_INFO << "Automatic action URL refused for caller num" << masked(callerNum);
                continue;
            }
            prompts().openUrl(url);
        } else if (action.actionType == MctiAction::StartProcess) {
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Triggering automatic action (external process) for caller num"
                                    << masked(callerNum);
            const AutomaticActions::ProgramCommand command =
                AutomaticActions::fillProgramAction(action.actionText, values);
            if (!command.isValid() ||
                !prompts().startDetached(command.program, command.arguments, command.workingDirectory))
                logLine(UNQL::LOG_WARNING)
                    << Q_FUNC_INFO << "ERROR in triggering automatic action (external process) for caller num"
                    << masked(callerNum);
        }
    }
}

// ---------------------------------------------------------------- session

void CallLines::onSessionStarted(const SessionRules::SessionStart &session)
{
    if (!SessionRules::sessionFeatures(session).dialFromWindow)
        return;
    ui.btnStartAudioCall->setEnabled(true);
    ui.edtCallerNumber->setEnabled(true);
}

void CallLines::onSessionEnded()
{
    ui.edtCallerNumber->setEnabled(false);
    ui.btnStartAudioCall->setEnabled(false);
}
