// The PBX session without a window: one log-in of the CTI client at a time,
// what the log-in brought (capabilities, queue role, operating mode, tenant,
// firmware, the service dial codes), the refresh timers while the session is
// up and the automatic reconnection after an end that may pass by itself.
// The window shows the session by listening to started() and ended().
#pragma once

#include "pbxtrust.h"
#include "sessionrules.h"

#include "ctilibtypes.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class CtiLib;

// The refresh period `which` in ms: the stored seconds, or the default when
// they are not usable (a warning goes to the log). One second lasts
// refreshSecondMs() ms.
int refreshIntervalMs(SessionRules::RefreshPeriod which, int storedSecs);
// Length of one second of the refresh periods, in ms (1000); tests shorten it.
int refreshSecondMs();
void setRefreshSecondMs(int ms);

class PbxSession : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Disconnected, // no session; an automatic attempt may be pending
        Connecting,   // a log-in was asked for and the PBX has not accepted it yet
        Up,           // logged in: the refresh timers run
        Closed,       // the application is quitting: nothing more happens
    };

    // One attempt: where, who, and the periods the session then refreshes with.
    struct Attempt {
        QString address;
        QString username; // "user@tenant"
        QString password;
        MSETTINGS::AppMode mode = MSETTINGS::AppModeCtiOnly;
        int keepAliveSecs = 0;
        bool dumpMessages = false;
        // Refresh periods as stored, in seconds (0: the default).
        int identitiesSecs = 0;
        int codecOrderSecs = 0;
        int cdrSecs = 0;
    };

    // Delay of an automatic attempt: base plus a random part below `randomMs`.
    struct ReconnectDelay {
        int baseMs = SessionRules::ReconnectBaseMs;
        int randomMs = SessionRules::ReconnectRandomMs;
    };

    explicit PbxSession(QObject *parent = nullptr);

    State state() const { return current; }
    bool isUp() const { return current == State::Up; }
    // The attempt under way was started by the reconnection timer.
    bool isAutomaticAttempt() const { return automaticAttempt; }
    bool isReconnectPending() const { return reconnectTimer.isActive(); }

    // Facts of the session (of the last one until the next log-in).
    const QString &tenant() const { return currentTenant; }
    quint32 capabilities() const { return sessionStart.capabilities; }
    int queueRole() const { return sessionStart.queueRole; }
    MSETTINGS::AppMode mode() const { return sessionStart.mode; }
    const QString &firmware() const { return sessionStart.firmware; }
    const LoginDetails &login() const { return details; }
    // The service dial codes as merged from every list the PBX sent; the one
    // copy everybody reads.
    const ServicesDialCodesMap &serviceCodes() const { return codes; }
    QString serviceCode(CTILIB::ServiceDialCodeType type) const { return codes.value(type); }

    // The certificate authorities of the PBX, read on a worker thread from
    // startTrustLoading() on.
    void startTrustLoading() { trust.startLoading(); }

    void setReconnectDelay(const ReconnectDelay &delay) { reconnectDelay = delay; }

    // The CTI client whose log-in answers, ends and service codes the session
    // hears from now on; the caller owns it and keeps it for the session.
    void attachClient(CtiLib &lib);
    // Starts a log-in of `lib` (attached if it was not). A pending automatic
    // attempt stops.
    void connectClient(CtiLib &lib, const Attempt &attempt);
    // The user asks for a connection: a pending automatic attempt stops.
    void cancelReconnect() { reconnectTimer.stop(); }
    // The application quits: timers stop and later answers are ignored.
    void close();

    // The library's answers (connected by connectClient()).
    void loggedIn(const LoginDetails &login, quint32 capabilityWord);
    void disconnected(const QString &reason);
    void receiveServiceCodes(const ServicesDialCodesMap &fromPbx);

signals:
    // A log-in was accepted: the facts are set and the refresh timers run.
    void started(const SessionRules::SessionStart &start);
    // The PBX's firmware is older than the client supports: no session starts.
    void firmwareRefused(const LoginDetails &login);
    // The connection ended or an attempt failed; the timers stopped and, for
    // a reason that may pass by itself, an automatic attempt is scheduled.
    void ended(const SessionRules::SessionEnd &end);
    void serviceCodesChanged();

    void reconnectDue();
    void identitiesDue();
    void periodicDataDue();

private:
    int nextReconnectDelayMs() const;

    State current = State::Disconnected;
    bool automaticAttempt = false;
    QString currentTenant;
    LoginDetails details;
    SessionRules::SessionStart sessionStart;
    Attempt attempt;
    ServicesDialCodesMap codes;
    PbxTrust trust;
    QPointer<CtiLib> client;
    ReconnectDelay reconnectDelay;
    QTimer periodicDataTimer;
    QTimer identitiesTimer;
    QTimer reconnectTimer;
};
