#include "phoneapi.h"

#include "app/globallogger.h"
#include "app/mcticonstants.h"
#include "ctilib.h"

#include <QDebug>
#include <QTimer>

namespace
{
// Splitting at the empty separator with empty parts kept: an empty string,
// each character, another empty string. The phone takes lists of this shape.
QStringList splitChars(const QString &text)
{
    return text.split(QString(), Qt::KeepEmptyParts);
}
} // namespace

PhoneApi::PhoneApi(CtiLib *cti, const QString &ownExtension, const QString &pbxAddress, const QString &firmwareVersion,
                   int brand, const ServicesDialCodesMap &serviceCodes, QObject *parent)
    : QObject(parent), m_pbxAddress(pbxAddress), m_ownExtension(ownExtension), m_firmwareVersion(firmwareVersion),
      m_cti(cti), m_brand(brand), m_serviceCodes(serviceCodes)
{
    setObjectName(QStringLiteral("phoneApi"));
    m_dtmfTimer = new QTimer;
    m_dtmfTimer->setObjectName(QStringLiteral("dtmfTimer"));
    connect(m_dtmfTimer, &QTimer::timeout, this, &PhoneApi::processNextDtmfSequence);
    if (!m_cti)
        return;
    connect(m_cti, &CtiLib::phoneEventIncomingCall, this, &PhoneApi::onPhoneEventIncomingCall);
    connect(m_cti, &CtiLib::phoneEventOutgoingCall, this, &PhoneApi::onPhoneEventOutgoingCall);
    connect(m_cti, &CtiLib::phoneEventEstablishedCall, this, &PhoneApi::onPhoneEventEstablishedCall);
    connect(m_cti, &CtiLib::phoneEventEndedCall, this, &PhoneApi::onPhoneEventEndedCall);
    connect(m_cti, &CtiLib::phoneEventMissedCall, this, &PhoneApi::onPhoneEventMissedCall);
    connect(m_cti, &CtiLib::phoneEventHoldCall, this, &PhoneApi::onPhoneEventHoldCall);
    connect(m_cti, &CtiLib::phoneEventUnholdCall, this, &PhoneApi::onPhoneEventUnholdCall);
    connect(m_cti, &CtiLib::phoneEventDnd, this, &PhoneApi::onPhoneEventDnd);
    m_initialized = true;
}

PhoneApi::~PhoneApi()
{
    if (m_cti) {
        m_cti->disconnect(this);
        m_cti = nullptr;
    }
    if (m_dtmfTimer) {
        m_dtmfTimer->disconnect();
        m_dtmfTimer->stop();
        // Deleted now: no event loop may run again after the driver goes.
        delete m_dtmfTimer;
        m_dtmfTimer = nullptr;
    }
    qDeleteAll(m_lines);
    m_lines.clear();
}

void PhoneApi::setDisconnected()
{
    if (!m_cti)
        return;
    m_cti->disconnect(this);
    m_cti = nullptr;
}

// --- lookups

qlonglong PhoneApi::getLineIdFromCstaId(const QString &cstaId) const
{
    qlonglong result = -1;
    for (auto it = m_lines.cbegin(); it != m_lines.cend(); ++it) {
        if (it.value()->cstaId == cstaId) {
            result = it.key();
            break;
        }
    }
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "cstaId:" << cstaId << "=> lineId:" << result;
    return result;
}

QString PhoneApi::getCstaIdFromLineId(qlonglong lineId) const
{
    const PhoneLineInfo *info = m_lines.value(lineId, nullptr);
    const QString result = info ? info->cstaId : QString();
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "=> cstaId:" << result;
    return result;
}

qlonglong PhoneApi::getLineIdFromCaller(const QString &remoteNum) const
{
    qlonglong result = -1;
    for (auto it = m_lines.cbegin(); it != m_lines.cend(); ++it) {
        if (it.value()->remoteNum == remoteNum) {
            result = it.key();
            break;
        }
    }
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "remoteNum:" << remoteNum << "=> lineId:" << result;
    return result;
}

QString PhoneApi::serviceCode(int key) const
{
    return m_serviceCodes.value(CTILIB::ServiceDialCodeType(key));
}

bool PhoneApi::isParkingSlot(qlonglong number) const
{
    const int first = serviceCode(7).toInt(nullptr, 10);
    const int last = serviceCode(8).toInt(nullptr, 10);
    return first >= 1 && last > first && first <= number && number <= last;
}

// --- line maintenance

bool PhoneApi::updateLineRemote(qlonglong lineId, const QString &remoteNum, const QString &)
{
    PhoneLineInfo *info = m_lines.value(lineId, nullptr);
    if (!info) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "LineId" << lineId << "not found";
        return false;
    }
    info->remoteNum = remoteNum;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Found lineId:" << lineId << "=>"
                           << "new remoteNum:" << remoteNum;
    return true;
}

void PhoneApi::setFinishedCall(qlonglong lineId)
{
    PhoneLineInfo *info = m_lines.take(lineId);
    if (!info)
        return;
    delete info;
    qDebug() << Q_FUNC_INFO << "*********Removing call: MISSED; line =" << lineId;
}

qlonglong PhoneApi::addLine(const QString &remoteNum, const QString &cstaId)
{
    const qlonglong id = m_nextLineId++;
    m_lines.insert(id, new PhoneLineInfo{remoteNum, cstaId});
    return id;
}

// Every line carrying the CSTA id leaves the map, smallest line id first. A
// repeated incoming or outgoing event makes a second line with the same id;
// leaving it behind would keep a line that no later event can end.
QList<qlonglong> PhoneApi::removeLinesOf(const QString &cstaId)
{
    QList<qlonglong> removed;
    for (auto it = m_lines.begin(); it != m_lines.end();) {
        if (it.value()->cstaId == cstaId) {
            removed.append(it.key());
            delete it.value();
            it = m_lines.erase(it);
        } else {
            ++it;
        }
    }
    return removed;
}

// --- phone events

#define LOG_EVENT(kind)                                                                                                \
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << kind << cstaId << "remoteNum:" << remoteNum                               \
                           << "- remoteName: " << remoteName

void PhoneApi::onPhoneEventIncomingCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId)
{
    LOG_EVENT("Incoming call - cstaId:");
    const qlonglong id = addLine(remoteNum, cstaId);
    emit sigIncomingCall(remoteNum, remoteName, id);
}

void PhoneApi::onPhoneEventOutgoingCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId)
{
    LOG_EVENT("Outgoing call - cstaId:");
    const qlonglong id = addLine(remoteNum, cstaId);
    emit sigOutgoingCall(remoteNum, remoteName, id);
}

void PhoneApi::onPhoneEventEstablishedCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId)
{
    LOG_EVENT("Established call - cstaId:");
    QString num = remoteNum;
    QString name = remoteName;
    if (isParkingSlot(remoteNum.toLongLong(nullptr, 10))) {
        // A call picked up from a parking slot: the phone reports the slot as
        // the number and the parked party as the name.
        num = remoteName;
        name = QString();
    }
    qlonglong id = getLineIdFromCstaId(cstaId);
    if (id == -1) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got established notification for cstaId" << cstaId
                                   << "w/o a previous incoming/outgoing notification. Adding it anyway...";
        id = addLine(num, cstaId);
    }
    emit sigConnectedCall(num, name, id);
}

void PhoneApi::onPhoneEventEndedCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId)
{
    LOG_EVENT("Finished call - cstaId:");
    const QList<qlonglong> removed = removeLinesOf(cstaId);
    if (removed.isEmpty()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Failed to retrieve lineId for cstaId:" << cstaId;
        return;
    }
    for (qlonglong id : removed)
        emit sigDisconnectedCall(remoteNum, remoteName, id);
}

void PhoneApi::onPhoneEventMissedCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId)
{
    LOG_EVENT("Missed call - cstaId:");
    const QList<qlonglong> removed = removeLinesOf(cstaId);
    if (removed.isEmpty()) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Failed to retrieve lineId for cstaId:" << cstaId;
        return;
    }
    for (qlonglong id : removed)
        emit sigMissedCall(remoteNum, remoteName, id);
}

void PhoneApi::onPhoneEventHoldCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId)
{
    LOG_EVENT("Hold call - cstaId:");
    const qlonglong id = getLineIdFromCstaId(cstaId);
    if (id == -1) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Failed to retrieve lineId for cstaId:" << cstaId;
        return;
    }
    emit sigHoldCall(id, false);
}

void PhoneApi::onPhoneEventUnholdCall(const QString &remoteNum, const QString &remoteName, const QString &cstaId)
{
    LOG_EVENT("Unhold call - cstaId:");
    const qlonglong id = getLineIdFromCstaId(cstaId);
    if (id == -1) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Failed to retrieve lineId for cstaId:" << cstaId;
        return;
    }
    emit sigHoldCall(id, true);
}

#undef LOG_EVENT

void PhoneApi::onPhoneEventDnd(bool on)
{
    emit sigDndStatusChanged(on);
}

// --- commands

bool PhoneApi::knowsLine(qlonglong lineId, const char *function) const
{
    if (m_lines.contains(lineId))
        return true;
    logLine(UNQL::LOG_CRITICAL) << function << "ERROR: callId not found";
    return false;
}

bool PhoneApi::send(const PhoneCommand &c)
{
    if (!m_cti)
        return false;
    if (c.name == QLatin1String("answer"))
        m_cti->phoneCommandAnswerIncomingCall(c.cstaId);
    else if (c.name == QLatin1String("hangup"))
        m_cti->phoneCommandHangupCall(c.cstaId);
    else if (c.name == QLatin1String("hold"))
        m_cti->phoneCommandPutOnHold(c.cstaId);
    else if (c.name == QLatin1String("resume"))
        m_cti->phoneCommandResumeFromHold(c.cstaId);
    else if (c.name == QLatin1String("transfer"))
        m_cti->phoneCommandUnattendedTransfer(c.cstaId, c.number);
    else if (c.name == QLatin1String("makeCall"))
        m_cti->phoneCommandMakeCall(c.number, c.account);
    else if (c.name == QLatin1String("pressKeys"))
        m_cti->phoneCommandPressKeys(c.list);
    else if (c.name == QLatin1String("sendDtmfs"))
        m_cti->phoneCommandSendDtmfs(c.cstaId, c.list);
    else
        return false;
    emit commandSent(c);
    return true;
}

QStringList PhoneApi::transferKeyList(const QString &number)
{
    QStringList keys{PHONE_KEY_TRANSFER};
    keys << splitChars(number);
    keys << PHONE_KEY_POUND;
    return keys;
}

bool PhoneApi::answerCall(qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId;
    if (!m_lines.contains(lineId)) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "ERROR: callId not found" << lineId;
        return false;
    }
    return send({QStringLiteral("answer"), getCstaIdFromLineId(lineId), {}, {}, {}});
}

bool PhoneApi::hangupCall(qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId;
    if (!knowsLine(lineId, Q_FUNC_INFO))
        return false;
    return send({QStringLiteral("hangup"), getCstaIdFromLineId(lineId), {}, {}, {}});
}

bool PhoneApi::putCallOnHold(qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId;
    if (!knowsLine(lineId, Q_FUNC_INFO))
        return false;
    return send({QStringLiteral("hold"), getCstaIdFromLineId(lineId), {}, {}, {}});
}

bool PhoneApi::retrieveCall(qlonglong lineId)
{
    if (!knowsLine(lineId, Q_FUNC_INFO))
        return false;
    return send({QStringLiteral("resume"), getCstaIdFromLineId(lineId), {}, {}, {}});
}

bool PhoneApi::unattendedTransfer(const QString &number, qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "num:" << number;
    if (!knowsLine(lineId, Q_FUNC_INFO))
        return false;
    return send({QStringLiteral("transfer"), getCstaIdFromLineId(lineId), number, {}, {}});
}

bool PhoneApi::completeTransfer(qlonglong lineIdFrom, qlonglong lineIdTo)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineIdFrom:" << lineIdFrom << "lineIdTo:" << lineIdTo;
    if (!m_lines.contains(lineIdFrom) || !m_lines.contains(lineIdTo)) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "ERROR: callId not found";
        return false;
    }
    return send({QStringLiteral("pressKeys"), {}, {}, {}, {PHONE_KEY_TRANSFER}});
}

bool PhoneApi::dialNumber(const QString &number, const QString &account)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "num:" << number << "account:" << account;
    return send({QStringLiteral("makeCall"), {}, number, account, {}});
}

bool PhoneApi::pressKey(const QString &key)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "key:" << key;
    return send({QStringLiteral("pressKeys"), {}, {}, {}, {key}});
}

// The three brand-dependent commands: a phone whose brand offers no way to
// do it gets nothing, and the caller learns so from the false result (it
// restores the line and tells the user).
bool PhoneApi::redirectCall(const QString &number, qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "num:" << number;
    if (!knowsLine(lineId, Q_FUNC_INFO))
        return false;
    switch (m_brand) {
    case BrandSnom:
        return send({QStringLiteral("transfer"), getCstaIdFromLineId(lineId), number, {}, {}});
    case BrandYealink:
        return send({QStringLiteral("pressKeys"), {}, {}, {}, transferKeyList(number)});
    default:
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Redirect not supported by phone brand" << m_brand;
        return false;
    }
}

bool PhoneApi::startSecondCall(const QString &number, qlonglong lineId, const QString &account)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "num:" << number;
    if (!knowsLine(lineId, Q_FUNC_INFO))
        return false;
    switch (m_brand) {
    case BrandSnom:
        return send({QStringLiteral("makeCall"), {}, number, account, {}});
    case BrandYealink:
        return send({QStringLiteral("pressKeys"), {}, {}, {}, transferKeyList(number)});
    default:
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Second call not supported by phone brand" << m_brand;
        return false;
    }
}

bool PhoneApi::initAttendedTransfer(qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId;
    if (!knowsLine(lineId, Q_FUNC_INFO))
        return false;
    switch (m_brand) {
    case BrandSnom:
        return send({QStringLiteral("hold"), getCstaIdFromLineId(lineId), {}, {}, {}});
    case BrandYealink:
        return send({QStringLiteral("pressKeys"), {}, {}, {}, {PHONE_KEY_TRANSFER}});
    default:
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Attended transfer not supported by phone brand" << m_brand;
        return false;
    }
}

bool PhoneApi::queueServiceCode(qlonglong lineId, int key, const QString &extra, const char *function,
                                const char *missingText)
{
    if (!knowsLine(lineId, function))
        return false;
    const QString code = serviceCode(key);
    if (code.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << function << missingText;
        return false;
    }
    QStringList dtmfs{code};
    if (!extra.isEmpty())
        dtmfs << extra;
    processDtmfSequence(lineId, dtmfs);
    return true;
}

bool PhoneApi::parkCall(qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId;
    return queueServiceCode(lineId, 29, {}, Q_FUNC_INFO, "Park service code not found...");
}

bool PhoneApi::fastTransferCall(qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId;
    return queueServiceCode(lineId, 27, {}, Q_FUNC_INFO, "Fast transfer service code not found...");
}

bool PhoneApi::recordCall(qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId;
    return queueServiceCode(lineId, 28, {}, Q_FUNC_INFO, "Recording service code not found...");
}

bool PhoneApi::cancelAtxferCallDtmf(qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId;
    return queueServiceCode(lineId, 23, {}, Q_FUNC_INFO, "Cancel atxfer service code not found...");
}

bool PhoneApi::attendedTransferCallDtmf(const QString &number, qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "num:" << number;
    if (number.isEmpty())
        return false;
    return queueServiceCode(lineId, 22, number + QLatin1Char('#'), Q_FUNC_INFO, "Atxfer service code not found...");
}

// --- DTMF queue

bool PhoneApi::isDtmfQueueIdle() const
{
    return m_dtmfQueue.isEmpty() && !(m_dtmfTimer && m_dtmfTimer->isActive());
}

void PhoneApi::processDtmfSequence(qlonglong lineId, const QStringList &dtmfs)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "dtmfSeqList: [" << dtmfs.join(QLatin1Char(' '))
                           << "] dtmfLine:" << lineId;
    if (lineId == -1 || dtmfs.isEmpty())
        return;
    m_dtmfQueue.append(qMakePair(lineId, dtmfs));
    if (!m_dtmfTimer->isActive())
        processNextDtmfSequence();
}

void PhoneApi::processNextDtmfSequence()
{
    // Each pass either sends a part and arms the timer, or drops at least one
    // string or entry, so the loop ends.
    for (;;) {
        m_dtmfTimer->stop();
        if (m_dtmfQueue.isEmpty())
            return;
        auto &head = m_dtmfQueue.first();
        const qlonglong line = head.first;
        QStringList &strings = head.second;
        if (line == -1 || strings.isEmpty()) {
            m_dtmfQueue.removeFirst();
            continue;
        }
        QString &s = strings.first();
        if (s.isEmpty()) {
            strings.removeFirst();
            continue;
        }
        QString part;
        if (m_dtmfOneCharPerStep) {
            part = s.left(1);
            logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "sending DTMF:" << part << "on line:" << line;
        } else {
            part = s;
            logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "sending DTMFs:" << s << "on line:" << line;
        }
        const int n = sendDtmfCode(part, line);
        if (n < 1) {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Failed to send DTMFs on line" << line
                                       << ": removing the sequence" << s;
            strings.removeFirst();
            continue;
        }
        s.remove(0, n);
        if (s.isEmpty()) {
            strings.removeFirst();
            if (strings.isEmpty())
                m_dtmfQueue.removeFirst();
        }
        m_dtmfTimer->start(n * DtmfPauseMsPerChar);
        return;
    }
}

int PhoneApi::sendDtmfCode(const QString &dtmf, qlonglong lineId)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "lineId:" << lineId << "dtmfSeq:" << dtmf;
    if (!knowsLine(lineId, Q_FUNC_INFO))
        return 0;
    if (!m_cti)
        return 0;
    send({QStringLiteral("sendDtmfs"), getCstaIdFromLineId(lineId), {}, {}, splitChars(dtmf)});
    return dtmf.size();
}
