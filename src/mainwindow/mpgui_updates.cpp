// Update checks, rebranding refresh and menu actions of the main window.
#include "mpgui.h"

#include "globallogger.h"
#include "msettingsdialog.h"
#include "updatescheduler.h"

void MPGui::setupUpdates()
{
    updates->setupUpdates();
}

void MPGui::startCheckUpdatesTimer()
{
    updates->startCheckUpdatesTimer();
}

void MPGui::checkUpdates()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Checking for updates...";
    emit sigCheckUpdates();
    startCheckUpdatesTimer();
}

void MPGui::refreshRebrandingPackAfterAWhile()
{
    updates->refreshRebrandingPackAfterAWhile();
}

void MPGui::refreshRebrandingPack()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onRebrandingDownloadCompleted(const QString &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::reloadRebrandedAssets()
{
    updateStrings();
    createIcons();
    updateTrayIcon();
    reloadBackgroundImage();
}

void MPGui::openConfigurationPanel()
{
    if (settingsDialog)
        settingsDialog->openDialog();
}

void MPGui::sendLogToSupport()
{
    logNotYetHandled(Q_FUNC_INFO);
}
