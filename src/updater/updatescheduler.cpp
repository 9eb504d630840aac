#include "updatescheduler.h"

#include "mainwindow/session/pbxsession.h"
#include "settings/msettingsstore.h"
#include "widgets/guiutils.h"

UpdateScheduler::UpdateScheduler(PbxSession &session, MSettingsStore *settings, QObject *parent)
    : QObject(parent), settings(settings), rebrandingTimer(this), updateCheckTimer(this), startupCheckTimer(this)
{
    connect(&session, &PbxSession::started, this, &UpdateScheduler::onSessionStarted);
    connect(&session, &PbxSession::ended, this, &UpdateScheduler::onSessionEnded);
    setObjectName(QStringLiteral("updateScheduler"));
    rebrandingTimer.setObjectName(QStringLiteral("rebrandingTimer"));
    rebrandingTimer.setSingleShot(true);
    updateCheckTimer.setObjectName(QStringLiteral("updateCheckTimer"));
    updateCheckTimer.setSingleShot(true);
    startupCheckTimer.setObjectName(QStringLiteral("startupCheckTimer"));
    startupCheckTimer.setSingleShot(true);
    connect(&startupCheckTimer, &QTimer::timeout, this, &UpdateScheduler::checkUpdatesDue);
    connect(&rebrandingTimer, &QTimer::timeout, this, &UpdateScheduler::rebrandingDue);
    connect(&updateCheckTimer, &QTimer::timeout, this, &UpdateScheduler::checkUpdatesDue);
}

void UpdateScheduler::setupUpdates()
{
    if (settings && settings->isCheckUpdatesAtStartupEnabled())
        startupCheckTimer.start(GuiUtils::randomValue(5000, 10000));
    else
        startCheckUpdatesTimer();
}

void UpdateScheduler::startCheckUpdatesTimer()
{
    updateCheckTimer.stop();
    const int minutes = settings ? settings->checkUpdatesTimeoutMinutes() : 60;
    if (minutes < 1)
        return;
    updateCheckTimer.start(GuiUtils::randomValue(minutes * 60000, 300000));
}

void UpdateScheduler::refreshRebrandingPackAfterAWhile()
{
    if (!rebrandingTimer.isActive())
        rebrandingTimer.start(GuiUtils::randomValue(30000, 30000));
}

void UpdateScheduler::onSessionStarted(const SessionRules::SessionStart &session)
{
    if (SessionRules::sessionFeatures(session).rebranding)
        refreshRebrandingPackAfterAWhile();
}

void UpdateScheduler::onSessionEnded()
{
    rebrandingTimer.stop();
}
