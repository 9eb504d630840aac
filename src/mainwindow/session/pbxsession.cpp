#include "pbxsession.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "messaging/pbxservices.h"
#include "widgets/guiutils.h"

#include <atomic>

namespace
{
std::atomic<int> secondMs{1000};
}

int refreshSecondMs()
{
    return secondMs.load();
}

void setRefreshSecondMs(int ms)
{
    secondMs.store(ms > 0 ? ms : 1000);
}

int refreshIntervalMs(SessionRules::RefreshPeriod which, int storedSecs)
{
    bool replaced = false;
    const int secs = SessionRules::sanitizedRefreshSecs(which, storedSecs, &replaced);
    if (replaced)
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Refresh period" << int(which) << "of" << storedSecs
                                   << "seconds is not usable: using the default of" << secs << "seconds";
    return secs * refreshSecondMs();
}

PbxSession::PbxSession(QObject *parent)
    : QObject(parent), periodicDataTimer(this), identitiesTimer(this), reconnectTimer(this)
{
    qRegisterMetaType<SessionRules::SessionStart>();
    qRegisterMetaType<SessionRules::DisconnectReason>();
    qRegisterMetaType<SessionRules::SessionEnd>();
    setObjectName(QStringLiteral("pbxSession"));
    periodicDataTimer.setObjectName(QStringLiteral("periodicDataTimer"));
    identitiesTimer.setObjectName(QStringLiteral("identitiesTimer"));
    reconnectTimer.setObjectName(QStringLiteral("reconnectTimer"));
    reconnectTimer.setSingleShot(true);
    connect(&reconnectTimer, &QTimer::timeout, this, [this] {
        if (current == State::Closed)
            return;
        automaticAttempt = true;
        emit reconnectDue();
    });
    connect(&identitiesTimer, &QTimer::timeout, this, &PbxSession::identitiesDue);
    connect(&periodicDataTimer, &QTimer::timeout, this, &PbxSession::periodicDataDue);
}

int PbxSession::nextReconnectDelayMs() const
{
    return GuiUtils::randomValue(reconnectDelay.baseMs, reconnectDelay.randomMs);
}

void PbxSession::connectClient(CtiLib &lib, const Attempt &next)
{
    if (current == State::Closed)
        return;
    reconnectTimer.stop();
    attempt = next;
    currentTenant = SessionRules::splitUsername(next.username).tenant;
    attachClient(lib);
    current = State::Connecting;

    lib.enableMessagesDump(next.dumpMessages);
    if (!SessionRules::isKeepAliveIntervalAccepted(next.keepAliveSecs)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Cannot set chat keep-alive send interval to" << next.keepAliveSecs
                                   << "seconds. It must be at least" << SessionRules::MinKeepAliveSecs << "seconds";
    } else if (!lib.setChatKeepAliveSendIntervalSec(next.keepAliveSecs)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Unable to set chat keep-alive send interval to"
                                   << next.keepAliveSecs << "seconds";
    }
    if (trust.wait() == 0)
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "No certificate authority of the PBX could be loaded";
    lib.setExtraCaCertificates(trust.authorities());
    lib.setServerAddress(next.address);
    const SessionRules::UserAndTenant account = SessionRules::splitUsername(next.username);
    lib.connectToServer(account.user, next.password, account.tenant, next.mode, QString(), 0);
}

void PbxSession::attachClient(CtiLib &lib)
{
    if (current == State::Closed || client == &lib)
        return;
    if (client)
        client->disconnect(this);
    client = &lib;
    connect(&lib, &CtiLib::loggedToServer, this,
            [this](const LoginDetails &login) { loggedIn(login, client ? client->getPbxCapabilities() : 0); });
    // Queued: the library may report the end from inside one of its own calls.
    connect(&lib, &CtiLib::disconnectedFromServer, this, &PbxSession::disconnected, Qt::QueuedConnection);
    connect(&lib, &CtiLib::sigServicesCodesReceived, this, &PbxSession::receiveServiceCodes);
}

void PbxSession::close()
{
    current = State::Closed;
    automaticAttempt = false;
    reconnectTimer.stop();
    identitiesTimer.stop();
    periodicDataTimer.stop();
    if (client)
        client->disconnect(this);
    client = nullptr;
}

void PbxSession::loggedIn(const LoginDetails &login, quint32 capabilityWord)
{
    if (current == State::Closed)
        return;
    reconnectTimer.stop();
    automaticAttempt = false;
    details = login;
    if (!SessionRules::isFirmwareSupported(login.firmwareVersion)) {
        emit firmwareRefused(login);
        return;
    }

    sessionStart.capabilities = capabilityWord;
    sessionStart.queueRole = login.queueRole;
    sessionStart.mode = attempt.mode;
    sessionStart.firmware = login.firmwareVersion;
    const SessionRules::SessionFeatures features = SessionRules::sessionFeatures(sessionStart);
    using SessionRules::RefreshPeriod;
    const int identitiesMs = features.identitiesPeriod
                                 ? refreshIntervalMs(RefreshPeriod::Identities, attempt.identitiesSecs)
                                 : refreshIntervalMs(RefreshPeriod::CodecOrder, attempt.codecOrderSecs);
    identitiesTimer.start(identitiesMs);
    periodicDataTimer.start(refreshIntervalMs(RefreshPeriod::Cdr, attempt.cdrSecs));
    current = State::Up;
    emit started(sessionStart);
}

void PbxSession::disconnected(const QString &reason)
{
    if (current == State::Closed)
        return;
    SessionRules::SessionEnd end;
    end.reason = SessionRules::parseDisconnectReason(reason);
    end.received = reason;
    end.wasUp = current == State::Up;
    end.automaticAttempt = automaticAttempt;
    end.notice = SessionRules::disconnectNotice(end.reason, end.automaticAttempt, end.wasUp);

    periodicDataTimer.stop();
    identitiesTimer.stop();
    current = State::Disconnected;
    automaticAttempt = false;
    if (end.reason.reconnects())
        reconnectTimer.start(nextReconnectDelayMs());
    else
        reconnectTimer.stop();
    emit ended(end);
}

void PbxSession::receiveServiceCodes(const ServicesDialCodesMap &fromPbx)
{
    codes = PbxServices::mergeServiceCodes(codes, fromPbx, sessionStart.capabilities);
    emit serviceCodesChanged();
}
