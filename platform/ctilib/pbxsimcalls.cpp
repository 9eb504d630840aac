// The call model: calls and their two legs as the PBX sees them, what
// happens to them (ringing, answer, hang-up, transfer, park, hold), the
// records they leave, and the softphone legs of calls on the SIP side.
#include "pbxsimulator.h"
#include "pbxsimulator_p.h"

#include "ctijson.h"
#include "pbxsimsip.h"

#include <QTimer>

#include <functional>

// --- calls -----------------------------------------------------------------------------------

QString PbxSimulator::newChannel(const QString &exten)
{
    return QStringLiteral("PJSIP/%1-%2")
        .arg(exten.isEmpty() ? QStringLiteral("trunk") : exten)
        .arg(++m_counter, 8, 16, QLatin1Char('0'));
}

SimCall *PbxSimulator::findCall(const QString &idOrChannel) const
{
    if (idOrChannel.isEmpty())
        return nullptr;
    for (SimCall *c : m_calls) {
        if (c->uid == idOrChannel || c->legs[0].channel == idOrChannel || c->legs[1].channel == idOrChannel ||
            c->legs[0].cstaId == idOrChannel || c->legs[1].cstaId == idOrChannel)
            return c;
    }
    return nullptr;
}

SimCall *PbxSimulator::findCallOfUserLeg(const QString &userKey, const QString &id, int *leg) const
{
    if (id.isEmpty())
        return nullptr;
    for (SimCall *c : m_calls) {
        const bool match = c->uid == id || c->legs[0].channel == id || c->legs[1].channel == id ||
                           c->legs[0].cstaId == id || c->legs[1].cstaId == id;
        if (!match)
            continue;
        for (int l = 0; l < 2; ++l) {
            if (c->legs[l].userKey == userKey) {
                *leg = l;
                return c;
            }
        }
    }
    return nullptr;
}

static void schedule(PbxSimulator *sim, SimCall *c, int ms, std::function<void()> fn)
{
    c->timer->stop();
    QObject::disconnect(c->timer, nullptr, nullptr, nullptr);
    QObject::connect(c->timer, &QTimer::timeout, sim, std::move(fn));
    c->timer->start(qMax(0, ms));
}

SimLeg PbxSimulator::extensionLeg(const QString &exten, const QString &number, const QString &name)
{
    SimLeg leg;
    leg.exten = exten;
    leg.number = number;
    leg.name = name;
    leg.channel = newChannel(exten);
    leg.userKey = userKeyOfExten(exten);
    leg.account = m_data.users.value(leg.userKey).account();
    leg.cstaId = QStringLiteral("csta-%1").arg(++m_counter);
    return leg;
}

// The caller takes the place of the callee of `c` (a call picked up or
// taken out of its park slot) and talks to its other party at once.
void PbxSimulator::takeOver(SimCall *c, const QString &callerExten, const QString &callerNum, const QString &callerName,
                            const QString &target)
{
    c->legs[1] = extensionLeg(callerExten, callerNum, callerName);
    c->calledNum = target;
    c->state = SimCall::Ringing;
    sendLegEvents(c, 1, QStringLiteral("originate"));
    answerCall(c);
}

// Pick-up of a ringing extension: the pick-up code followed by the
// extension. Null when `target` is no pick-up or nothing rings there.
SimCall *PbxSimulator::pickUp(const QString &callerExten, const QString &callerNum, const QString &callerName,
                              const QString &target)
{
    const QString pickup = m_data.serviceCodes.value(CTILIB::SdcPickup);
    if (pickup.isEmpty() || !target.startsWith(pickup) || target.size() <= pickup.size())
        return nullptr;
    const QString ringing = target.mid(pickup.size());
    for (SimCall *c : m_calls) {
        if (c->state == SimCall::Ringing && c->legs[1].exten == ringing) {
            sendLegEvents(c, 1, QStringLiteral("finished"), QStringLiteral("PICKED_UP"), false);
            if (m_data.extensions.contains(ringing)) {
                m_data.extensions[ringing].blf = CTILIB::BlfIdle;
                broadcastExtenStatus(ringing);
            }
            takeOver(c, callerExten, callerNum, callerName, target);
            return c;
        }
    }
    return nullptr;
}

SimCall *PbxSimulator::startCall(const QString &callerExten, const QString &callerNum, const QString &callerName,
                                 const QString &target, int attrs, const QString &queueId, bool announceCaller)
{
    const QString callerKey = userKeyOfExten(callerExten);
    if (!callerKey.isEmpty()) {
        if (SimCall *c = pickUp(callerExten, callerNum, callerName, target))
            return c;
        // Retrieval of a parked call: the park slot number.
        if (m_parked.contains(target)) {
            SimCall *c = m_parked.take(target);
            takeOver(c, callerExten, callerNum, callerName, target);
            return c;
        }
    }

    auto *c = new SimCall;
    c->uid = QStringLiteral("%1.%2").arg(QDateTime::currentSecsSinceEpoch()).arg(++m_counter);
    c->timer = new QTimer(this);
    c->timer->setSingleShot(true);
    c->start = QDateTime::currentDateTime();
    c->attrs = attrs;
    c->queueId = queueId;
    c->calledNum = target;
    c->legs[0] = extensionLeg(callerExten, callerNum, callerName);
    SimLeg &b = c->legs[1];
    b.number = target;
    if (m_data.extensions.contains(target)) {
        const SimExtension &x = m_data.extensions[target];
        b.exten = target;
        b.name = x.name();
        b.userKey = userKeyOfExten(target);
        b.account = m_data.users.value(b.userKey).account();
        if (b.account.isEmpty())
            b.account = target;
    } else if (target.endsWith(QLatin1String("486"))) {
        c->behaviour = QStringLiteral("busy");
    } else if (target.endsWith(QLatin1String("408"))) {
        c->behaviour = QStringLiteral("noanswer");
    }
    b.channel = newChannel(b.exten);
    b.cstaId = QStringLiteral("csta-%1").arg(++m_counter);
    m_calls << c;
    announceCall(c, announceCaller);
    return c;
}

// The PBX's order: the caller's originate, then the callee's ring (on its
// lamp, its sessions, its queue and its softphone); then what the simulated
// party will do.
void PbxSimulator::announceCall(SimCall *c, bool announceCaller)
{
    const SimLeg &a = c->legs[0];
    const SimLeg &b = c->legs[1];
    if (!a.userKey.isEmpty() && announceCaller)
        sendLegEvents(c, 0, QStringLiteral("originate"));
    if (!a.exten.isEmpty() && m_data.extensions.contains(a.exten)) {
        m_data.extensions[a.exten].blf = CTILIB::BlfInUse;
        broadcastExtenStatus(a.exten);
    }
    if (!b.exten.isEmpty()) {
        m_data.extensions[b.exten].blf = CTILIB::BlfRinging;
        broadcastExtenStatus(b.exten);
    }
    if (!b.userKey.isEmpty())
        sendLegEvents(c, 1, QStringLiteral("incoming"));
    const QString &queueId = c->queueId;
    if (!queueId.isEmpty() && m_data.queues.contains(queueId)) {
        int waiting = 0;
        for (const SimCall *w : m_calls)
            waiting += (w->queueId == queueId && w->state == SimCall::Ringing) ? 1 : 0;
        QueueEvent ev{queueId, m_data.queues.value(queueId).name, QStringLiteral("join"), c->uid, a.number, waiting,
                      c->start};
        broadcast(QStringLiteral("queueEvent"), CtiJson::toJson(ev));
    }

    // A softphone registered on the called extension rings by SIP.
    if (m_sip && !m_sipPlacing && !b.exten.isEmpty() && m_sip->isRegistered(b.exten)) {
        c->sipToken = m_sip->invite(b.exten, a.number, a.name);
        c->sipLeg = c->sipToken ? 1 : -1;
    }
    const bool calleeIsPerson = (!b.userKey.isEmpty() && !sessionsOf(b.userKey).isEmpty()) || c->sipToken != 0;
    if (c->behaviour == QLatin1String("busy")) {
        schedule(this, c, m_answerDelayMs, [this, c] { endCall(c, 1, QStringLiteral("USER_BUSY")); });
    } else if (calleeIsPerson || c->behaviour == QLatin1String("noanswer")) {
        schedule(this, c, m_ringTimeoutMs, [this, c] { missCall(c); });
    } else {
        schedule(this, c, m_answerDelayMs, [this, c] { answerCall(c); });
    }
}

void PbxSimulator::answerCall(SimCall *c)
{
    if (c->state == SimCall::Up)
        return;
    c->state = SimCall::Up;
    c->answered = QDateTime::currentDateTime();
    c->timer->stop();
    if (m_sip && c->sipToken && c->sipLeg == 0)
        m_sip->answer(c->sipToken);
    for (int leg = 0; leg < 2; ++leg) {
        sendLegEvents(c, leg, QStringLiteral("answered"));
        const QString exten = c->legs[leg].exten;
        if (!exten.isEmpty() && m_data.extensions.contains(exten)) {
            m_data.extensions[exten].blf = CTILIB::BlfInUse;
            broadcastExtenStatus(exten);
        }
    }
    const bool simulatedParty = c->legs[1].userKey.isEmpty() || sessionsOf(c->legs[1].userKey).isEmpty();
    if (m_talkTimeMs > 0 && simulatedParty)
        schedule(this, c, m_talkTimeMs, [this, c] { endCall(c, 1, QStringLiteral("NORMAL_CLEARING")); });
}

void PbxSimulator::appendCdr(SimCall *c, int leg)
{
    const SimLeg &me = c->legs[leg];
    if (me.userKey.isEmpty())
        return;
    const bool answered = c->answered.isValid();
    const bool local = !c->legs[0].exten.isEmpty() && !c->legs[1].exten.isEmpty();
    CdrEntry e;
    e.uid = c->uid;
    e.callerNum = c->legs[0].number;
    e.callerName = c->legs[0].name;
    e.calledNum = c->legs[1].number;
    e.calledName = c->legs[1].name;
    e.direction = leg == 1 ? QStringLiteral("in") : QStringLiteral("out");
    e.startTime = c->start.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    e.duration = answered ? int(c->answered.secsTo(QDateTime::currentDateTime())) : 0;
    e.callAttributes = c->attrs;
    e.callTypeKey = QStringLiteral("%1%2_%3").arg(answered ? QStringLiteral("ANSWER") : QStringLiteral("NOANSWER"),
                                                  local ? QStringLiteral("_LOCAL") : QString(),
                                                  leg == 1 ? QStringLiteral("IN") : QStringLiteral("OUT"));
    Cdr &list = m_data.cdrs[me.userKey];
    list << e;
    m_cdrCache.remove(me.userKey);
    while (list.size() > 100000)
        list.removeFirst();
    sendCdr(me.userKey);
}

void PbxSimulator::endCall(SimCall *c, int hangupLeg, const QString &reason)
{
    if (!m_calls.contains(c))
        return;
    c->timer->stop();
    c->endReason = reason;
    for (int leg = 0; leg < 2; ++leg)
        sendLegEvents(c, leg, QStringLiteral("finished"), reason, leg == hangupLeg);
    closeLegs(c);
}

void PbxSimulator::missCall(SimCall *c)
{
    if (!m_calls.contains(c))
        return;
    c->timer->stop();
    c->endReason = QStringLiteral("NO_ANSWER");
    sendLegEvents(c, 1, QStringLiteral("missed"));
    sendLegEvents(c, 1, QStringLiteral("finished"), QStringLiteral("NO_ANSWER"), false);
    sendLegEvents(c, 0, QStringLiteral("finished"), QStringLiteral("NO_ANSWER"), false);
    closeLegs(c);
}

// Frees both parties' lamps, records the call for each and forgets it.
void PbxSimulator::closeLegs(SimCall *c)
{
    for (int leg = 0; leg < 2; ++leg) {
        const QString exten = c->legs[leg].exten;
        if (!exten.isEmpty() && m_data.extensions.contains(exten)) {
            m_data.extensions[exten].blf = CTILIB::BlfIdle;
            broadcastExtenStatus(exten);
        }
        appendCdr(c, leg);
    }
    removeCall(c);
}

void PbxSimulator::removeCall(SimCall *c)
{
    if (m_sip && c->sipToken) {
        const QString r = c->endReason;
        const int code = r == QLatin1String("USER_BUSY")     ? 486
                         : r == QLatin1String("NO_ANSWER")   ? 480
                         : r == QLatin1String("UNALLOCATED") ? 404
                                                             : 603;
        m_sip->end(c->sipToken, code);
        c->sipToken = 0;
    }
    m_calls.removeOne(c);
    for (auto it = m_parked.begin(); it != m_parked.end();) {
        if (it.value() == c)
            it = m_parked.erase(it);
        else
            ++it;
    }
    c->timer->stop();
    c->timer->deleteLater();
    delete c;
}

void PbxSimulator::redirect(SimCall *c, int leg, const QString &number)
{
    // The user's leg leaves the call; the other party now calls `number`.
    const SimLeg other = c->legs[1 - leg];
    sendLegEvents(c, leg, QStringLiteral("finished"),
                  c->state == SimCall::Up ? QStringLiteral("TRANSFERRED") : QStringLiteral("REDIRECTED"), true);
    const QString exten = c->legs[leg].exten;
    if (!exten.isEmpty() && m_data.extensions.contains(exten)) {
        m_data.extensions[exten].blf = CTILIB::BlfIdle;
        broadcastExtenStatus(exten);
    }
    appendCdr(c, leg);
    const int attrs = c->attrs;
    const QString queueId = c->queueId;
    // The remaining party keeps its leg; it is dropped silently from the old call.
    c->legs[leg].userKey.clear();
    c->legs[1 - leg].userKey.clear();
    removeCall(c);
    SimCall *n = startCall(other.exten, other.number, other.name, number, attrs, queueId, false);
    if (n && !other.userKey.isEmpty()) {
        // The remaining user sees the new party on the same channel.
        n->legs[0].userKey = other.userKey;
        n->legs[0].account = other.account;
        n->legs[0].channel = other.channel;
        n->legs[0].cstaId = other.cstaId;
        sendLegEvents(n, 0, QStringLiteral("colp"));
    }
}

void PbxSimulator::park(SimCall *c, int leg)
{
    QString slot;
    const int first = m_data.serviceCodes.value(CTILIB::SdcParkFirstSlot).toInt();
    const int last = m_data.serviceCodes.value(CTILIB::SdcParkLastSlot).toInt();
    for (int n = first; n >= 1 && n <= last; ++n) {
        if (!m_parked.contains(QString::number(n))) {
            slot = QString::number(n);
            break;
        }
    }
    if (slot.isEmpty())
        return;
    const SimLeg parker = c->legs[leg];
    const SimLeg parked = c->legs[1 - leg];
    sendLegEvents(c, leg, QStringLiteral("finished"), QStringLiteral("PARKED"), true);
    if (!parker.exten.isEmpty() && m_data.extensions.contains(parker.exten)) {
        m_data.extensions[parker.exten].blf = CTILIB::BlfIdle;
        broadcastExtenStatus(parker.exten);
    }
    appendCdr(c, leg);
    // The parked party becomes the caller of a call waiting in the slot.
    c->legs[0] = parked;
    c->legs[1] = SimLeg();
    c->legs[1].number = slot;
    c->state = SimCall::Ringing;
    c->answered = QDateTime();
    c->start = QDateTime::currentDateTime();
    m_parked.insert(slot, c);
    const int timeoutSecs = qMax(1, m_parkTimeoutMs / 1000);
    sendEventToUser(parker.userKey, QStringLiteral("parkCall"),
                    {{QStringLiteral("number"), parked.number},
                     {QStringLiteral("parkRoom"), slot},
                     {QStringLiteral("timeout"), QString::number(timeoutSecs)}});
    const QString parkerExten = parker.exten;
    schedule(this, c, m_parkTimeoutMs, [this, c, slot, parkerExten] {
        // Nobody took it: the call rings back the one who parked it.
        if (m_parked.value(slot) != c)
            return;
        m_parked.remove(slot);
        const SimLeg p = c->legs[0];
        const int attrs = c->attrs | CTILIB::CallAttrTransferReturn;
        removeCall(c);
        startCall(p.exten, p.number, p.name, parkerExten, attrs, QString(), false);
    });
}

void PbxSimulator::setHold(SimCall *c, int leg, bool held)
{
    if (c->state != SimCall::Up || c->legs[leg].held == held)
        return;
    c->legs[leg].held = held;
    sendLegEvents(c, leg, held ? QStringLiteral("hold") : QStringLiteral("unhold"));
    const QString exten = c->legs[leg].exten;
    if (!exten.isEmpty() && m_data.extensions.contains(exten)) {
        m_data.extensions[exten].blf = held ? CTILIB::BlfOnHold : CTILIB::BlfInUse;
        broadcastExtenStatus(exten);
    }
}

// --- what the PBX does to calls by itself ----------------------------------------------------

QString PbxSimulator::injectIncomingCall(const QString &from, const QString &toExten, const QString &queueId,
                                         const QString &callerName)
{
    if (!m_data.extensions.contains(toExten) || from.trimmed().isEmpty())
        return QString();
    int attrs = m_data.extensions.contains(from) ? CTILIB::CallAttrInternal : CTILIB::CallAttrExternal;
    if (!queueId.isEmpty())
        attrs |= CTILIB::CallAttrQueue;
    const QString name = m_data.extensions.contains(from) ? m_data.extensions.value(from).name() : callerName;
    SimCall *c =
        startCall(m_data.extensions.contains(from) ? from : QString(), from, name, toExten, attrs, queueId, true);
    return c ? c->uid : QString();
}

bool PbxSimulator::answerRinging(const QString &exten)
{
    for (SimCall *c : m_calls) {
        if (c->state == SimCall::Ringing && c->legs[1].exten == exten && !m_parked.values().contains(c)) {
            answerCall(c);
            return true;
        }
    }
    return false;
}

int PbxSimulator::transferParty(const QString &party, const QString &target)
{
    if (party.isEmpty() || target.isEmpty())
        return 0;
    int n = 0;
    const QList<SimCall *> calls = m_calls;
    for (SimCall *c : calls) {
        if (!m_calls.contains(c) || c->state != SimCall::Up)
            continue;
        for (int leg = 0; leg < 2; ++leg) {
            const SimLeg &l = c->legs[leg];
            if (l.exten == party || (l.exten.isEmpty() && l.number == party)) {
                redirect(c, leg, target);
                ++n;
                break;
            }
        }
    }
    return n;
}

int PbxSimulator::hangup(const QString &extenOrUid)
{
    int n = 0;
    const QList<SimCall *> calls = m_calls;
    for (SimCall *c : calls) {
        if (!m_calls.contains(c))
            continue;
        if (c->uid == extenOrUid) {
            endCall(c, 1, QStringLiteral("NORMAL_CLEARING"));
            ++n;
            continue;
        }
        for (int leg = 0; leg < 2; ++leg) {
            if (c->legs[leg].exten == extenOrUid ||
                (c->legs[leg].exten.isEmpty() && c->legs[leg].number == extenOrUid)) {
                endCall(c, leg, QStringLiteral("NORMAL_CLEARING"));
                ++n;
                break;
            }
        }
    }
    return n;
}

// --- SIP side --------------------------------------------------------------------------------

bool PbxSimulator::listenSip(const QHostAddress &address, quint16 port, QString *error)
{
    if (m_sip)
        return true;
    PbxSipServer::Events ev;
    ev.outgoing = [this](int token, const QString &exten, const QString &target) {
        onSipOutgoing(token, exten, target);
    };
    ev.answered = [this](int token) {
        if (SimCall *c = callOfSipToken(token))
            answerCall(c);
    };
    ev.rejected = [this](int token, int code, const QString &contact) {
        SimCall *c = callOfSipToken(token);
        if (!c)
            return;
        c->sipToken = 0;
        if (code >= 300 && code < 400 && !contact.isEmpty())
            redirect(c, c->sipLeg, contact);
        else
            endCall(c, c->sipLeg, code == 486 ? QStringLiteral("USER_BUSY") : QStringLiteral("CALL_REJECTED"));
    };
    ev.ended = [this](int token) {
        SimCall *c = callOfSipToken(token);
        if (!c)
            return;
        c->sipToken = 0;
        const bool cancelled = c->state == SimCall::Ringing && c->sipLeg == 0;
        endCall(c, c->sipLeg, cancelled ? QStringLiteral("ORIGINATOR_CANCEL") : QStringLiteral("NORMAL_CLEARING"));
    };
    ev.hold = [this](int token, bool held) {
        if (SimCall *c = callOfSipToken(token))
            setHold(c, c->sipLeg, held);
    };
    ev.digit = [this](int token, QChar digit) { onSipDigit(token, digit); };
    ev.transfer = [this](int token, const QString &target, int replacesToken) {
        onSipTransfer(token, target, replacesToken);
    };
    ev.registration = [this](const QString &exten, bool registered) {
        if (m_trace)
            trace(nullptr, QStringLiteral("sipRegister"),
                  {{QStringLiteral("exten"), exten}, {QStringLiteral("registered"), registered}});
        emit sipRegistrationChanged(exten, registered);
    };
    m_sip = new PbxSipServer(this, ev);
    QList<PbxSipServer::Account> accounts;
    for (const SimUser &u : qAsConst(m_data.users)) {
        for (const IdentityEntry &id : u.identities) {
            if (id.type.compare(QLatin1String("SIP"), Qt::CaseInsensitive) == 0 && !id.sipUsername.isEmpty())
                accounts << PbxSipServer::Account{id.sipUsername, id.sipPassword, u.extension};
        }
    }
    m_sip->setAccounts(accounts);
    QByteArray chain;
    for (const QSslCertificate &cert : qAsConst(m_chain))
        chain += cert.toPem();
    if (!m_sip->start(address, port, chain, m_key.toPem(), error)) {
        delete m_sip;
        m_sip = nullptr;
        return false;
    }
    return true;
}

quint16 PbxSimulator::sipPort() const
{
    return m_sip ? m_sip->port() : 0;
}

quint16 PbxSimulator::sipTlsPort() const
{
    return m_sip ? m_sip->tlsPort() : 0;
}

bool PbxSimulator::isSipRegistered(const QString &exten) const
{
    return m_sip && m_sip->isRegistered(exten);
}

int PbxSimulator::sipRegisterRequests(const QString &exten) const
{
    return m_sip ? m_sip->registerRequests(exten) : 0;
}

QString PbxSimulator::sipContactOf(const QString &exten) const
{
    return m_sip ? m_sip->contactOf(exten) : QString();
}

void PbxSimulator::setSipPlayTone(int hz)
{
    if (m_sip)
        m_sip->setPlayTone(hz);
}

void PbxSimulator::setSipPlayFile(const QString &wavPath)
{
    if (m_sip)
        m_sip->setPlayFile(wavPath);
}

bool PbxSimulator::setSipCodecs(const QStringList &codecs)
{
    return m_sip && m_sip->setCodecs(codecs);
}

double PbxSimulator::sipReceivedTonePower(const QString &uid, double hz) const
{
    const SimCall *c = findCall(uid);
    return m_sip && c && c->sipToken ? m_sip->receivedTonePower(c->sipToken, hz) : -1.0;
}

QString PbxSimulator::sipReceivedDigits(const QString &uid) const
{
    return m_sipDigitLog.value(uid);
}

bool PbxSimulator::isSipRecording(const QString &uid) const
{
    return m_sipRecording.value(uid);
}

bool PbxSimulator::sipHold(const QString &uid, bool held)
{
    SimCall *c = findCall(uid);
    if (!m_sip || !c || !c->sipToken || c->state != SimCall::Up)
        return false;
    m_sip->hold(c->sipToken, held);
    setHold(c, 1 - c->sipLeg, held);
    return true;
}

QString PbxSimulator::sipCallOf(const QString &exten) const
{
    for (const SimCall *c : m_calls) {
        if (c->sipToken && c->legs[c->sipLeg].exten == exten)
            return c->uid;
    }
    return QString();
}

SimCall *PbxSimulator::callOfSipToken(int token) const
{
    for (SimCall *c : m_calls) {
        if (token && c->sipToken == token)
            return c;
    }
    return nullptr;
}

void PbxSimulator::onSipOutgoing(int token, const QString &exten, const QString &target)
{
    const QString name = m_data.extensions.value(exten).name();
    if (m_trace)
        trace(nullptr, QStringLiteral("sipInvite"),
              {{QStringLiteral("exten"), exten}, {QStringLiteral("target"), target}});
    m_sipPlacing = true;
    SimCall *c = startCall(exten, exten, name, target, CTILIB::CallAttrInternal, QString(), true);
    m_sipPlacing = false;
    if (!c) {
        m_sip->end(token, 404);
        return;
    }
    c->sipToken = token;
    c->sipLeg = 0;
    if (c->state == SimCall::Up)
        m_sip->answer(token);
    else
        m_sip->ringing(token);
}

void PbxSimulator::onSipTransfer(int token, const QString &target, int replacesToken)
{
    SimCall *c = callOfSipToken(token);
    if (!c)
        return;
    c->sipToken = 0; // the softphone leaves by itself
    if (!replacesToken) {
        redirect(c, c->sipLeg, target);
        return;
    }
    // Attended: the two far ends now talk to each other; both of the
    // softphone's legs end as transferred.
    SimCall *other = callOfSipToken(replacesToken);
    for (SimCall *x : {c, other}) {
        if (!x)
            continue;
        x->sipToken = 0;
        x->timer->stop();
        x->endReason = QStringLiteral("TRANSFERRED");
        sendLegEvents(x, x->sipLeg, QStringLiteral("finished"), QStringLiteral("TRANSFERRED"), true);
        x->legs[1 - x->sipLeg].userKey.clear();
        closeLegs(x);
    }
}

// A digit the softphone sent in a call: collected, traced, and the in-call
// service codes dialled as DTMF (park, recording) done.
void PbxSimulator::onSipDigit(int token, QChar digit)
{
    SimCall *c = callOfSipToken(token);
    if (!c)
        return;
    const QString uid = c->uid;
    m_sipDigits[uid] += digit;
    m_sipDigitLog[uid] += digit;
    if (m_trace)
        trace(nullptr, QStringLiteral("sipDtmf"),
              {{QStringLiteral("uid"), uid}, {QStringLiteral("digit"), QString(digit)}});
    emit sipDigitReceived(uid, digit);
    // In-call service codes dialled as DTMF: park and recording.
    const QString digits = m_sipDigits.value(uid);
    const QString parkCode = m_data.serviceCodes.value(CTILIB::SdcPark);
    const QString recordCode = m_data.serviceCodes.value(CTILIB::SdcCallRecording);
    if (!parkCode.isEmpty() && digits.endsWith(parkCode) && c->state == SimCall::Up) {
        m_sipDigits[uid].clear();
        const int leg = c->sipLeg;
        c->sipToken = 0;
        m_sip->end(token, 0); // the phone's leg leaves with BYE
        park(c, leg);
    } else if (!recordCode.isEmpty() && digits.endsWith(recordCode)) {
        m_sipDigits[uid].clear();
        m_sipRecording[uid] = !m_sipRecording.value(uid);
        if (m_trace)
            trace(nullptr, QStringLiteral("sipRecord"),
                  {{QStringLiteral("uid"), uid}, {QStringLiteral("on"), m_sipRecording.value(uid)}});
    }
}
