// The requests of a logged-in client: a table from the request's name to its
// handler and to what the request needs first (an active desk phone, a call of
// the desk phone), and one handler per request.
#include "pbxsimulator.h"
#include "pbxsimulator_p.h"

#include "ctijson.h"

#include <QHash>
#include <QJsonArray>
#include <QRegularExpression>

const SimRequestHandler *PbxSimulator::requestHandler(const QString &cmd)
{
    using Sim = PbxSimulator;
    using H = SimRequestHandler;
    static const QHash<QString, H> table = {
        // directories and states
        {QStringLiteral("getIdentities"), {&Sim::reqIdentities, H::Session}},
        {QStringLiteral("getPhonebooks"), {&Sim::reqPhonebooks, H::Session}},
        {QStringLiteral("getExtenStatus"), {&Sim::reqExtenStatus, H::Session}},
        {QStringLiteral("getServiceStatus"), {&Sim::reqServiceStatus, H::Session}},
        {QStringLiteral("getPeerList"), {&Sim::reqNothing, H::Session}},
        {QStringLiteral("chatDisplayed"), {&Sim::reqNothing, H::Session}},
        {QStringLiteral("chatOpen"), {&Sim::reqNothing, H::Session}},
        {QStringLiteral("chatClose"), {&Sim::reqNothing, H::Session}},
        {QStringLiteral("getRebranding"), {&Sim::reqNothing, H::Session}},
        {QStringLiteral("getCdr"), {&Sim::reqCdr, H::Session}},
        {QStringLiteral("addContact"), {&Sim::reqContact, H::Session}},
        {QStringLiteral("updateContact"), {&Sim::reqContact, H::Session}},
        {QStringLiteral("deleteContact"), {&Sim::reqContact, H::Session}},
        {QStringLiteral("sendSms"), {&Sim::reqSendSms, H::Session}},
        // calls of the CTI server
        {QStringLiteral("newCall"), {&Sim::reqNewCall, H::Session}},
        {QStringLiteral("hangupCall"), {&Sim::reqHangupCall, H::Session}},
        {QStringLiteral("refuseCall"), {&Sim::reqHangupCall, H::Session}},
        {QStringLiteral("parkCall"), {&Sim::reqParkCall, H::Session}},
        {QStringLiteral("redirectCall"), {&Sim::reqRedirectCall, H::Session}},
        // desk phone
        {QStringLiteral("phoneGetDnd"), {&Sim::reqPhoneGetDnd, H::Session}},
        {QStringLiteral("phoneMakeCall"), {&Sim::reqPhoneMakeCall, H::DeskPhone}},
        {QStringLiteral("phonePressKeys"), {&Sim::reqPhonePressKeys, H::DeskPhone}},
        {QStringLiteral("phoneAnswer"), {&Sim::reqPhoneAnswer, H::DeskPhoneCall}},
        {QStringLiteral("phoneHangup"), {&Sim::reqPhoneHangup, H::DeskPhoneCall}},
        {QStringLiteral("phoneHold"), {&Sim::reqPhoneHold, H::DeskPhoneCall}},
        {QStringLiteral("phoneResume"), {&Sim::reqPhoneHold, H::DeskPhoneCall}},
        {QStringLiteral("phoneTransfer"), {&Sim::reqPhoneTransfer, H::DeskPhoneCall}},
        {QStringLiteral("phoneSendDtmf"), {&Sim::reqPhoneSendDtmf, H::DeskPhoneCall}},
        // chat and presence
        {QStringLiteral("chatSend"), {&Sim::reqChatSend, H::Session}},
        {QStringLiteral("chatComposing"), {&Sim::reqChatComposing, H::Session}},
        {QStringLiteral("setPresence"), {&Sim::reqSetPresence, H::Session}},
        {QStringLiteral("getChatHistory"), {&Sim::reqChatHistory, H::Session}},
        // services
        {QStringLiteral("setService"), {&Sim::reqSetService, H::Session}},
        // voicemail
        {QStringLiteral("getVoicemail"), {&Sim::reqVoicemail, H::Session}},
        {QStringLiteral("getMailboxStatus"), {&Sim::reqMailboxStatus, H::Session}},
        {QStringLiteral("downloadVoicemail"), {&Sim::reqDownloadVoicemail, H::Session}},
        {QStringLiteral("markVoicemail"), {&Sim::reqMarkVoicemail, H::Session}},
        {QStringLiteral("deleteVoicemail"), {&Sim::reqMarkVoicemail, H::Session}},
        // queues and statistics
        {QStringLiteral("pauseQueues"), {&Sim::reqPauseQueues, H::Session}},
        {QStringLiteral("addQueueMember"), {&Sim::reqAddQueueMember, H::Session}},
        {QStringLiteral("removeQueueMember"), {&Sim::reqRemoveQueueMember, H::Session}},
        {QStringLiteral("getQueuesStats"), {&Sim::reqQueuesStats, H::Session}},
        {QStringLiteral("getQueuePeriodicStats"), {&Sim::reqQueuePeriodicStats, H::Session}},
        {QStringLiteral("getOperatorPeriodicStats"), {&Sim::reqOperatorPeriodicStats, H::Session}},
        {QStringLiteral("getCCReport"), {&Sim::reqCCReport, H::Session}},
    };
    // Any other request whose name starts with "phone": the desk phone's
    // checks first (authorized, a call of the user), then UnknownCommand.
    static const H unknownPhoneRequest{&Sim::reqPhoneUnknown, H::DeskPhoneCall};
    const auto it = table.constFind(cmd);
    if (it != table.constEnd())
        return &it.value();
    return cmd.startsWith(QLatin1String("phone")) ? &unknownPhoneRequest : nullptr;
}

namespace
{

// The period and the span of a statistics request ("from" and "to" default
// to today so far).
bool readStatsPeriod(const SimRequest &r, int *period, QDateTime *from, QDateTime *to, QString *error)
{
    *period = r.integer("period", -1);
    if (*period < 0 || *period > 9) {
        *error = QStringLiteral("InvalidPeriod");
        return false;
    }
    if (!CtiJson::readDateTime(r.args, "from", *from, error) || !CtiJson::readDateTime(r.args, "to", *to, error))
        return false;
    if (!from->isValid())
        *from = QDateTime(QDate::currentDate(), QTime(0, 0));
    if (!to->isValid())
        *to = QDateTime::currentDateTime();
    return true;
}

} // namespace

bool PbxSimulator::handleCommand(SimSession *s, const QString &cmd, const QJsonObject &args, QString *error)
{
    const QString key = s->userKey;
    SimRequest r{s, cmd, args, key, m_data.users[key]};
    const SimRequestHandler *h = requestHandler(cmd);
    if (!h) {
        *error = QStringLiteral("UnknownCommand");
        return false;
    }
    if (h->needs != SimRequestHandler::Session && !deskPhoneActive(s)) {
        *error = QStringLiteral("PhoneNotAuthorized");
        return false;
    }
    if (h->needs == SimRequestHandler::DeskPhoneCall) {
        r.call = findCallOfUserLeg(key, r.str("cstaId"), &r.leg);
        if (!r.call) {
            *error = QStringLiteral("NoSuchCall");
            return false;
        }
    }
    return (this->*h->run)(r, error);
}

// --- directories and states ---------------------------------------------------------------------

bool PbxSimulator::reqIdentities(SimRequest &r, QString *)
{
    sendEvent(r.session, QStringLiteral("identities"),
              {{QStringLiteral("identities"), CtiJson::listToJson(r.user.identities)}});
    return true;
}

bool PbxSimulator::reqPhonebooks(SimRequest &r, QString *)
{
    sendPhonebooks(r.session, r.integer("flags", CTILIB::PhonebookAll));
    return true;
}

bool PbxSimulator::reqExtenStatus(SimRequest &r, QString *)
{
    QJsonArray all;
    for (const SimExtension &x : m_data.extensions)
        all.append(buddyStatusJson(x));
    sendEvent(r.session, QStringLiteral("extenStatusMap"), {{QStringLiteral("statuses"), all}});
    return true;
}

bool PbxSimulator::reqServiceStatus(SimRequest &r, QString *)
{
    sendServices(r.key);
    return true;
}

// Requests the PBX accepts and has nothing to answer for.
bool PbxSimulator::reqNothing(SimRequest &, QString *)
{
    return true;
}

bool PbxSimulator::reqCdr(SimRequest &r, QString *)
{
    sendCdr(r.key);
    return true;
}

// addContact, updateContact, deleteContact: the user's personal contacts.
bool PbxSimulator::reqContact(SimRequest &r, QString *error)
{
    PhoneBookEntry e;
    if (!CtiJson::fromJson(r.args.value(QLatin1String("entry")), e, error))
        return false;
    QList<PhoneBookEntry> &mine = m_data.personalContacts[r.key];
    int index = -1;
    for (int i = 0; i < mine.size(); ++i) {
        if (!e.id.isEmpty() && mine.at(i).id == e.id)
            index = i;
    }
    if (r.cmd == QLatin1String("addContact")) {
        if (e.id.isEmpty() || index >= 0)
            e.id = QStringLiteral("pc-%1").arg(++m_counter);
        e.lastModified = QDateTime::currentMSecsSinceEpoch();
        mine.append(e);
    } else if (index < 0) {
        *error = QStringLiteral("NoSuchContact");
        return false;
    } else if (r.cmd == QLatin1String("updateContact")) {
        e.lastModified = QDateTime::currentMSecsSinceEpoch();
        mine[index] = e;
    } else {
        mine.removeAt(index);
    }
    for (SimSession *other : sessionsOf(r.key))
        sendPhonebooks(other, CTILIB::PhonebookPbx);
    return true;
}

bool PbxSimulator::reqSendSms(SimRequest &r, QString *error)
{
    if (!(m_data.capabilities & 0x1)) {
        *error = QStringLiteral("SmsNotAvailable");
        return false;
    }
    const QString destination = r.str("destination").trimmed();
    const QString text = r.str("text");
    static const QRegularExpression dialable(QStringLiteral("^\\+?[0-9]{1,32}$"));
    if (!dialable.match(destination).hasMatch()) {
        *error = QStringLiteral("InvalidDestination");
        return false;
    }
    if (text.isEmpty() || text.toUtf8().size() > 160) {
        *error = QStringLiteral("InvalidText");
        return false;
    }
    const SimSms sms{r.key, destination, text};
    m_sentSms.append(sms);
    trace(r.session, QStringLiteral("smsSent"),
          {{QStringLiteral("destination"), destination}, {QStringLiteral("text"), text}});
    return true;
}

// --- calls of the CTI server --------------------------------------------------------------------

bool PbxSimulator::reqNewCall(SimRequest &r, QString *error)
{
    const QString number = r.str("number").trimmed();
    if (number.isEmpty() || number.size() > 64) {
        *error = QStringLiteral("InvalidNumber");
        return false;
    }
    const SimExtension x = m_data.extensions.value(r.user.extension);
    return startCall(r.user.extension, r.user.extension, x.name(), number, CTILIB::CallAttrInternal, QString(), true) !=
           nullptr;
}

// hangupCall and refuseCall.
bool PbxSimulator::reqHangupCall(SimRequest &r, QString *error)
{
    int leg = -1;
    SimCall *c = findCallOfUserLeg(r.key, r.str("callId"), &leg);
    if (!c)
        c = findCallOfUserLeg(r.key, r.str("channel"), &leg);
    if (!c) {
        *error = QStringLiteral("NoSuchCall");
        return false;
    }
    endCall(c, leg,
            r.cmd == QLatin1String("refuseCall") ? QStringLiteral("CALL_REJECTED") : QStringLiteral("NORMAL_CLEARING"));
    return true;
}

bool PbxSimulator::reqParkCall(SimRequest &r, QString *error)
{
    int leg = -1;
    SimCall *c = findCallOfUserLeg(r.key, r.str("callId"), &leg);
    if (!c || c->state != SimCall::Up) {
        *error = QStringLiteral("NoSuchCall");
        return false;
    }
    park(c, leg);
    return true;
}

bool PbxSimulator::reqRedirectCall(SimRequest &r, QString *error)
{
    const QString target = r.str("target");
    const QString number = r.str("number").trimmed();
    SimCall *c = findCall(target);
    if (!c || number.isEmpty()) {
        *error = QStringLiteral("NoSuchCall");
        return false;
    }
    // The target names the other party's channel (blind transfer) or the
    // call (forward of a ringing call): the user's own leg is redirected.
    int leg = c->legs[0].userKey == r.key ? 0 : (c->legs[1].userKey == r.key ? 1 : -1);
    if (leg < 0) {
        *error = QStringLiteral("NotYourCall");
        return false;
    }
    redirect(c, leg, number);
    return true;
}

// --- desk phone ---------------------------------------------------------------------------------

bool PbxSimulator::reqPhoneGetDnd(SimRequest &r, QString *)
{
    SimSession *s = r.session;
    s->phoneAuthorized = r.user.deskPhoneAuthorized && s->appMode == CTILIB::AppModeDeskPhone;
    sendEvent(s, QStringLiteral("phoneApiAuthorized"), {{QStringLiteral("authorized"), s->phoneAuthorized}});
    if (s->phoneAuthorized) {
        sendEvent(s, QStringLiteral("phoneDnd"),
                  {{QStringLiteral("on"), r.user.services.value(QStringLiteral("dnd")).state == 2}});
    }
    return true;
}

bool PbxSimulator::reqPhoneMakeCall(SimRequest &r, QString *error)
{
    const QString number = r.str("number").trimmed();
    if (number.isEmpty() || number.size() > 64) {
        *error = QStringLiteral("InvalidNumber");
        return false;
    }
    return startCall(r.user.extension, r.user.extension, m_data.extensions.value(r.user.extension).name(), number,
                     CTILIB::CallAttrInternal, QString(), true) != nullptr;
}

bool PbxSimulator::reqPhonePressKeys(SimRequest &r, QString *error)
{
    QStringList keys;
    if (!CtiJson::readStringList(r.args, "keys", keys, error))
        return false;
    if (keys.contains(QLatin1String("DNDOn")) || keys.contains(QLatin1String("DNDOff"))) {
        const bool on = keys.contains(QLatin1String("DNDOn"));
        ServiceStatus st{QStringLiteral("dnd"), QStringLiteral("phone"), QString(), on ? 2 : 0};
        r.user.services.insert(st.service, st);
        sendEventToUser(r.key, QStringLiteral("phoneDnd"), {{QStringLiteral("on"), on}});
        sendServices(r.key);
        return true;
    }
    if (keys.size() >= 2 && keys.first() == QLatin1String("TRANSFER")) {
        QString digits;
        for (int i = 1; i < keys.size() && keys.at(i) != QLatin1String("POUND"); ++i)
            digits += keys.at(i);
        for (SimCall *c : m_calls) {
            for (int leg = 0; leg < 2; ++leg) {
                if (c->legs[leg].userKey == r.key && !digits.isEmpty()) {
                    redirect(c, leg, digits);
                    return true;
                }
            }
        }
    }
    return true; // other keys only reach the phone's display
}

bool PbxSimulator::reqPhoneAnswer(SimRequest &r, QString *error)
{
    if (r.call->state != SimCall::Ringing || r.leg != 1) {
        *error = QStringLiteral("NotRinging");
        return false;
    }
    answerCall(r.call);
    return true;
}

bool PbxSimulator::reqPhoneHangup(SimRequest &r, QString *)
{
    endCall(r.call, r.leg, QStringLiteral("NORMAL_CLEARING"));
    return true;
}

// phoneHold and phoneResume.
bool PbxSimulator::reqPhoneHold(SimRequest &r, QString *)
{
    setHold(r.call, r.leg, r.cmd == QLatin1String("phoneHold"));
    return true;
}

bool PbxSimulator::reqPhoneTransfer(SimRequest &r, QString *error)
{
    const QString number = r.str("number").trimmed();
    if (number.isEmpty()) {
        *error = QStringLiteral("InvalidNumber");
        return false;
    }
    redirect(r.call, r.leg, number);
    return true;
}

bool PbxSimulator::reqPhoneSendDtmf(SimRequest &r, QString *error)
{
    QStringList dtmfs;
    if (!CtiJson::readStringList(r.args, "dtmfs", dtmfs, error))
        return false;
    if (dtmfs.join(QString()) == m_data.serviceCodes.value(CTILIB::SdcPark) && r.call->state == SimCall::Up)
        park(r.call, r.leg);
    return true;
}

bool PbxSimulator::reqPhoneUnknown(SimRequest &, QString *error)
{
    *error = QStringLiteral("UnknownCommand");
    return false;
}

// --- chat and presence --------------------------------------------------------------------------

bool PbxSimulator::reqChatSend(SimRequest &r, QString *error)
{
    const QString to = r.str("exten");
    const QString text = r.str("text");
    if (!m_data.extensions.contains(to) || text.isEmpty() || text.size() > 4000) {
        *error = QStringLiteral("InvalidChatMessage");
        return false;
    }
    return sendChat(r.user.extension, to, text);
}

bool PbxSimulator::reqChatComposing(SimRequest &r, QString *)
{
    const QString to = r.str("exten");
    const QString toUser = userKeyOfExten(to);
    sendEventToUser(toUser, QStringLiteral("chatComposing"),
                    {{QStringLiteral("exten"), r.user.extension},
                     {QStringLiteral("context"), QString()},
                     {QStringLiteral("composing"), r.args.value(QLatin1String("composing")).toBool()}});
    return true;
}

bool PbxSimulator::reqSetPresence(SimRequest &r, QString *error)
{
    const int p = r.integer("presence", -1);
    if (p < 0 || p > 5) {
        *error = QStringLiteral("InvalidPresence");
        return false;
    }
    setPresence(r.user.extension, p, r.str("message"));
    return true;
}

bool PbxSimulator::reqChatHistory(SimRequest &r, QString *error)
{
    QDateTime from;
    if (!CtiJson::readDateTime(r.args, "from", from, error))
        return false;
    ChatMessageList out;
    for (ChatMessage m : m_data.chats.value(r.key)) {
        if (!from.isValid() || m.time >= from) {
            m.type = 2;
            out << m;
        }
    }
    sendEvent(r.session, QStringLiteral("chatHistory"), {{QStringLiteral("messages"), CtiJson::listToJson(out)}});
    return true;
}

// --- services -----------------------------------------------------------------------------------

bool PbxSimulator::reqSetService(SimRequest &r, QString *error)
{
    const QString service = r.str("service");
    const bool on = r.args.value(QLatin1String("on")).toBool();
    ServiceStatus st;
    st.service = service;
    st.type = QStringLiteral("pbx");
    st.state = on ? 2 : 0;
    if (service == QLatin1String("ufwd")) {
        st.value = on ? r.str("value") : QString();
        if (on && st.value.isEmpty()) {
            *error = QStringLiteral("InvalidNumber");
            return false;
        }
    } else if (service == QLatin1String("forktomobile")) {
        st.value = r.user.mobile;
        if (r.user.mobile.isEmpty()) {
            *error = QStringLiteral("NoMobileNumber");
            return false;
        }
    } else if (service == QLatin1String("dnd")) {
        st.type = QStringLiteral("phone");
    } else {
        *error = QStringLiteral("UnknownService");
        return false;
    }
    r.user.services.insert(service, st);
    sendServices(r.key);
    return true;
}

// --- voicemail ----------------------------------------------------------------------------------
// The list on its request; the counters on theirs and when the mailbox
// changes (heard, deleted, a new message).

bool PbxSimulator::reqVoicemail(SimRequest &r, QString *)
{
    sendVoicemailList(r.session);
    if (m_echoMailboxStatus)
        sendMailboxStatus(r.key, r.session);
    return true;
}

bool PbxSimulator::reqMailboxStatus(SimRequest &r, QString *)
{
    sendMailboxStatus(r.key, r.session);
    return true;
}

bool PbxSimulator::reqDownloadVoicemail(SimRequest &r, QString *error)
{
    for (const VoicemailMessage &m : m_data.voicemail.value(r.key)) {
        if (m.id == r.str("id")) {
            const QByteArray wav = PbxSimData::voicemailWav(qMin(m.duration, 60));
            sendEvent(r.session, QStringLiteral("voicemailAudio"),
                      {{QStringLiteral("id"), m.id},
                       {QStringLiteral("uuid"), m.uuid},
                       {QStringLiteral("data"), QString::fromLatin1(wav.toBase64())}});
            return true;
        }
    }
    *error = QStringLiteral("NoSuchMessage");
    return false;
}

// markVoicemail and deleteVoicemail.
bool PbxSimulator::reqMarkVoicemail(SimRequest &r, QString *error)
{
    VoicemailMessageList &list = m_data.voicemail[r.key];
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).id != r.str("id"))
            continue;
        const MailboxStatus before = pbxsim::mailboxStatusOf(m_data, r.key);
        if (r.cmd == QLatin1String("deleteVoicemail"))
            list.removeAt(i);
        else
            list[i].unheard = r.integer("type", 1) == CTILIB::VmMsgNew;
        if (pbxsim::mailboxStatusOf(m_data, r.key) != before)
            sendMailboxStatus(r.key);
        return true;
    }
    *error = QStringLiteral("NoSuchMessage");
    return false;
}

// --- queues and statistics ----------------------------------------------------------------------

bool PbxSimulator::reqPauseQueues(SimRequest &r, QString *error)
{
    QStringList accounts;
    if (!CtiJson::readStringList(r.args, "accounts", accounts, error))
        return false;
    if (accounts.isEmpty())
        accounts = r.user.accounts();
    else if (r.user.queueRole != 2 && accounts != r.user.accounts()) {
        *error = QStringLiteral("PermissionDenied");
        return false;
    }
    const bool pause = r.args.value(QLatin1String("pause")).toBool();
    const QString queueId = r.str("queueId");
    for (SimQueue &q : m_data.queues) {
        if (!queueId.isEmpty() && q.id != queueId)
            continue;
        for (QueueStatsMember &m : q.members) {
            if (!accounts.contains(m.memberId))
                continue;
            m.paused = pause;
            m.lastPauseChange = QDateTime::currentDateTime();
            const QueueMember qm{m.memberId, m.extension, q.id, m.memberType, m.penalty};
            broadcast(QStringLiteral("queueMemberPause"),
                      {{QStringLiteral("member"), CtiJson::toJson(qm)}, {QStringLiteral("paused"), pause}});
        }
    }
    return true;
}

bool PbxSimulator::reqAddQueueMember(SimRequest &r, QString *error)
{
    const QString queueId = r.str("queueId");
    const QString account = r.str("account");
    if (!m_data.queues.contains(queueId) || account.isEmpty()) {
        *error = QStringLiteral("NoSuchQueue");
        return false;
    }
    SimQueue &q = m_data.queues[queueId];
    for (const QueueStatsMember &m : q.members) {
        if (m.memberId == account) {
            *error = QStringLiteral("AlreadyMember");
            return false;
        }
    }
    QueueStatsMember m;
    m.memberId = account;
    m.extension = account;
    for (const SimUser &u : m_data.users) {
        if (u.accounts().contains(account))
            m.extension = u.extension;
    }
    m.name = m_data.extensions.value(m.extension).name();
    m.memberType = 1;
    m.penalty = qMax(0, r.integer("penalty", 0));
    q.members << m;
    broadcast(QStringLiteral("queueMemberAdded"),
              CtiJson::toJson(QueueMember{account, m.extension, queueId, 1, m.penalty}));
    return true;
}

bool PbxSimulator::reqRemoveQueueMember(SimRequest &r, QString *error)
{
    const QString queueId = r.str("queueId");
    const QString account = r.str("account");
    if (!m_data.queues.contains(queueId) || account.isEmpty()) {
        *error = QStringLiteral("NoSuchQueue");
        return false;
    }
    SimQueue &q = m_data.queues[queueId];
    for (int i = 0; i < q.members.size(); ++i) {
        if (q.members.at(i).memberId == account) {
            const QueueStatsMember m = q.members.takeAt(i);
            broadcast(QStringLiteral("queueMemberRemoved"),
                      CtiJson::toJson(QueueMember{account, m.extension, queueId, m.memberType, m.penalty}));
            return true;
        }
    }
    *error = QStringLiteral("NotAMember");
    return false;
}

bool PbxSimulator::reqQueuesStats(SimRequest &r, QString *)
{
    QueueStatsList list;
    for (const SimQueue &q : m_data.queues) {
        QueueStats st;
        st.queueId = q.id;
        st.queueName = q.name;
        st.members = q.members;
        for (const SimCall *c : m_calls) {
            if (c->queueId == q.id && c->state == SimCall::Ringing) {
                ++st.waitingCalls;
                if (!st.oldestCallTime.isValid() || c->start < st.oldestCallTime)
                    st.oldestCallTime = c->start;
            }
        }
        list << st;
    }
    sendEvent(r.session, QStringLiteral("queuesStats"), {{QStringLiteral("queues"), CtiJson::listToJson(list)}});
    return true;
}

// Figures made up from the queue and the period, the same on every request.
bool PbxSimulator::reqQueuePeriodicStats(SimRequest &r, QString *error)
{
    int period = -1;
    QDateTime from, to;
    if (!readStatsPeriod(r, &period, &from, &to, error))
        return false;
    const bool all = r.args.value(QLatin1String("all")).toBool();
    QStringList ids = all ? m_data.queues.keys() : QStringList();
    if (!all && !CtiJson::readStringList(r.args, "queues", ids, error))
        return false;
    QueuePeriodicStatsList list;
    list.periodType = period;
    for (const QString &id : ids) {
        if (!m_data.queues.contains(id) || m_periodStatsHidden.contains(id))
            continue;
        const uint seed = qHash(id) + uint(period);
        QueuePeriodicStats st{id,
                              period,
                              from,
                              to,
                              int(5 + seed % 40),
                              12.5 + seed % 20,
                              95.0 + seed % 120,
                              int(seed % 7),
                              30.0 + seed % 25};
        if (all)
            list.stats << st;
        else
            sendEvent(r.session, QStringLiteral("queuePeriodicStats"), CtiJson::toJson(st));
    }
    if (all)
        sendEvent(r.session, QStringLiteral("allQueuesPeriodicStats"), CtiJson::toJson(list));
    return true;
}

// Figures made up from the member, the queue and the period.
bool PbxSimulator::reqOperatorPeriodicStats(SimRequest &r, QString *error)
{
    int period = -1;
    QDateTime from, to;
    if (!readStatsPeriod(r, &period, &from, &to, error))
        return false;
    const bool all = r.args.value(QLatin1String("all")).toBool();
    QMap<QString, QStringList> members;
    if (all) {
        for (const SimQueue &q : m_data.queues) {
            for (const QueueStatsMember &m : q.members)
                members[q.id] << m.memberId;
        }
    } else {
        const QJsonObject mo = r.args.value(QLatin1String("members")).toObject();
        for (auto it = mo.constBegin(); it != mo.constEnd(); ++it) {
            for (const QJsonValue &v : it.value().toArray())
                members[it.key()] << v.toString();
        }
    }
    QueueOperatorPeriodicStatsList list;
    for (auto it = members.constBegin(); it != members.constEnd(); ++it) {
        for (const QString &m : it.value()) {
            const uint seed = qHash(m) + qHash(it.key()) + uint(period);
            QueueOperatorPeriodicStats st{m,
                                          m,
                                          it.key(),
                                          0,
                                          period,
                                          from,
                                          to,
                                          int(seed % 25),
                                          int(seed % 4),
                                          QDateTime::currentDateTime().addSecs(-int(seed % 5000))};
            if (all)
                list << st;
            else
                sendEvent(r.session, QStringLiteral("operatorPeriodicStats"), CtiJson::toJson(st));
        }
    }
    if (all)
        sendEvent(r.session, QStringLiteral("allOperatorsPeriodicStats"),
                  {{QStringLiteral("stats"), CtiJson::listToJson(list)}});
    return true;
}

// The report's failures are events of their own, the request succeeds.
bool PbxSimulator::reqCCReport(SimRequest &r, QString *)
{
    const int period = r.integer("period", -1);
    if (r.user.queueRole != 2) {
        sendEvent(r.session, QStringLiteral("ccReportFailure"),
                  {{QStringLiteral("error"), QStringLiteral("Permission denied")}});
        return true;
    }
    if (period < 0 || period > 9) {
        sendEvent(r.session, QStringLiteral("ccReportFailure"),
                  {{QStringLiteral("error"), QStringLiteral("Invalid period")}});
        return true;
    }
    QByteArray csv = "queue;name;served;lost\n";
    for (const SimQueue &q : m_data.queues) {
        const uint seed = qHash(q.id) + uint(period);
        csv += QStringLiteral("%1;%2;%3;%4\n").arg(q.id, q.name).arg(5 + seed % 40).arg(seed % 7).toUtf8();
    }
    CallCenterReport rep;
    rep.data = csv;
    rep.fileName = QStringLiteral("report-%1.csv").arg(CTILIB::periodTypeToString(period));
    rep.mimeType = QStringLiteral("text/csv");
    rep.periodType = period;
    sendEvent(r.session, QStringLiteral("ccReport"), CtiJson::toJson(rep));
    return true;
}
