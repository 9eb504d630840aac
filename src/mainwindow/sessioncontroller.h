// The PBX session as the main window keeps it: whether a session is up, the
// automatic reconnection after a disconnection, the periodic refresh timers
// and the facts of the log-in (tenant, capability word).
#pragma once

#include "pbxsessionrules.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The refresh period `which` in ms: the stored seconds, or the default when
// they are not usable (a warning goes to the log). One second lasts
// refreshSecondMs() ms.
int refreshIntervalMs(PbxSession::RefreshPeriod which, int storedSecs);
// Length of one second of the refresh periods, in ms (1000); tests shorten it.
int refreshSecondMs();
void setRefreshSecondMs(int ms);

class SessionController : public QObject
{
    Q_OBJECT
public:
    explicit SessionController(QObject *parent = nullptr);

    // The delay of the next automatic attempt, in ms; PbxSession::reconnectDelayMs
    // unless a test sets another.
    void setReconnectDelay(std::function<int()> delayMs);

    bool isUp() const { return wasConnected; }
    bool isAutomaticAttempt() const { return autoReconnect; }
    QString currentTenant() const { return tenant; }
    quint32 capabilities() const { return pbxCapabilities; }
    bool isReconnectPending() const { return reconnectTimer.isActive(); }

    // A connection is asked for: no automatic attempt is pending any more.
    void cancelReconnect() { reconnectTimer.stop(); }
    // The tenant part of the user name of the attempt.
    void setTenant(const QString &tenantName) { tenant = tenantName; }
    // The reconnection timer started the attempt.
    void automaticAttemptStarted() { autoReconnect = true; }
    // The log-in completed: the attempt is over.
    void loggedIn();
    // The session is up with what the PBX allows; the refresh timers run.
    void started(quint32 capabilityWord, int identitiesMs, int periodicDataMs);
    // The session ended: refreshes stop; a new attempt is scheduled when the
    // reason may pass by itself.
    void ended(const PbxSession::DisconnectReason &reason);

signals:
    void reconnectDue();
    void identitiesDue();
    void periodicDataDue();

private:
    bool wasConnected = false;
    bool autoReconnect = false;
    QString tenant;
    quint32 pbxCapabilities = 0;
    std::function<int()> reconnectDelay;
    QTimer periodicDataTimer;
    QTimer identitiesTimer;
    QTimer reconnectTimer;
};
