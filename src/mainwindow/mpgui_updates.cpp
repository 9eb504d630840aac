// Update checks, rebranding refresh and menu actions of the main window.
#include "mpgui.h"

#include "globallogger.h"
#include "guiutils.h"
#include "msettingsdialog.h"

#include <QTimer>

void MPGui::setupUpdates()
{
    if (settingsDialog && settingsDialog->isCheckUpdatesAtStartupEnabled())
        QTimer::singleShot(GuiUtils::randomValue(5000, 10000), this, SLOT(checkUpdates()));
    else
        startCheckUpdatesTimer();
}

void MPGui::startCheckUpdatesTimer()
{
    if (!updateCheckTimer)
        return;
    updateCheckTimer->stop();
    const int minutes = settingsDialog ? settingsDialog->checkUpdatesTimeoutMinutes() : 60;
    if (minutes < 1)
        return;
    updateCheckTimer->start(GuiUtils::randomValue(minutes * 60000, 300000));
}

void MPGui::checkUpdates()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Checking for updates...";
    emit sigCheckUpdates();
    startCheckUpdatesTimer();
}

void MPGui::refreshRebrandingPackAfterAWhile()
{
    if (rebrandingTimer && !rebrandingTimer->isActive())
        rebrandingTimer->start(GuiUtils::randomValue(30000, 30000));
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
