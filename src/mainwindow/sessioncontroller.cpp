#include "sessioncontroller.h"

#include "app/globallogger.h"

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

int refreshIntervalMs(PbxSession::RefreshPeriod which, int storedSecs)
{
    bool replaced = false;
    const int secs = PbxSession::sanitizedRefreshSecs(which, storedSecs, &replaced);
    if (replaced)
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Refresh period" << int(which) << "of" << storedSecs
                                   << "seconds is not usable: using the default of" << secs << "seconds";
    return secs * refreshSecondMs();
}

SessionController::SessionController(QObject *parent)
    : QObject(parent), reconnectDelay(&PbxSession::reconnectDelayMs), periodicDataTimer(this), identitiesTimer(this),
      reconnectTimer(this)
{
    setObjectName(QStringLiteral("sessionController"));
    periodicDataTimer.setObjectName(QStringLiteral("periodicDataTimer"));
    identitiesTimer.setObjectName(QStringLiteral("identitiesTimer"));
    reconnectTimer.setObjectName(QStringLiteral("reconnectTimer"));
    reconnectTimer.setSingleShot(true);
    connect(&reconnectTimer, &QTimer::timeout, this, &SessionController::reconnectDue);
    connect(&identitiesTimer, &QTimer::timeout, this, &SessionController::identitiesDue);
    connect(&periodicDataTimer, &QTimer::timeout, this, &SessionController::periodicDataDue);
}

void SessionController::setReconnectDelay(std::function<int()> delayMs)
{
    reconnectDelay = delayMs ? std::move(delayMs) : std::function<int()>(&PbxSession::reconnectDelayMs);
}

void SessionController::loggedIn()
{
    reconnectTimer.stop();
    autoReconnect = false;
}

void SessionController::started(quint32 capabilityWord, int identitiesMs, int periodicDataMs)
{
    pbxCapabilities = capabilityWord;
    wasConnected = true;
    identitiesTimer.start(identitiesMs);
    periodicDataTimer.start(periodicDataMs);
}

void SessionController::ended(const PbxSession::DisconnectReason &reason)
{
    periodicDataTimer.stop();
    identitiesTimer.stop();
    wasConnected = false;
    if (reason.reconnects())
        reconnectTimer.start(reconnectDelay());
    else
        reconnectTimer.stop();
    autoReconnect = false;
}
