// Update checks and the updater's results, notification balloons, the
// rebranding refresh and menu actions of the main window.
#include "mpgui.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "framework/promptservice.h"
#include "phone/phonebackends.h"
#include "session/pbxsession.h"
#include "settings/msettings.h"
#include "settings/msettingsdialog.h"
#include "updater/updaterutils.h"
#include "updater/updatescheduler.h"
#include "widgets/balloonboard.h"
#include "widgets/wdgballoonmessage.h"
#include "windowrules.h"

#include <QMetaMethod>

namespace
{
// Where sendLogToSupport() addresses its e-mail.
const char SupportAddress[] = "support@deskline.invalid";
} // namespace

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

void MPGui::onNoUpdatesFound()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "No updates found";
}

void MPGui::onUpdatesCanceled()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Update has been canceled by user";
}

void MPGui::onUpdatesError(const QString &error)
{
    logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Got error during update:" << error;
    PromptService::Message msg;
    msg.kind = PromptService::Kind::Critical;
    msg.title = windowTitleText + QStringLiteral(" - ") + tr("Aggiornamento fallito");
    msg.text = tr("Si è verificato un errore durante l'aggiornamento di %1.\nContattare l'amministratore di "
                  "sistema.\nErrore: %2")
                   .arg(MSETTINGS::getLongApplicationName(), error);
    msg.buttons = QMessageBox::Ok;
    prompts().message(this, msg);
}

void MPGui::onUpdatesAvailable(const QString &version)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "An update is available, new version is:" << version;
    openBalloon(tr("Nuova versione disponibile: %1\nAggiornare ora?").arg(version),
                Balloon::UpdatesBaloonInfo(version));
}

void MPGui::startUpgrade(const QString &version)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Starting upgrade to last available version:" << version;
    emit sigStartUpgrade();
}

wdgBalloonMessage *MPGui::openBalloon(const QString &message, const Balloon::BalloonInfo &info)
{
    if (!balloons)
        return nullptr;
    const bool deskPhone = appMode == MSETTINGS::AppModeDeskPhone && phones && phones->deskPhone();
    wdgBalloonMessage *balloon = balloons->openBalloon(message, info, appMode, deskPhone);
    if (!balloon)
        return nullptr;

    // Every balloon's call answers reach the call actions.
    connect(balloon, &wdgBalloonMessage::sigAnswerAudioCallSelected, this, &MPGui::answerIncomingCall);
    connect(balloon, &wdgBalloonMessage::sigRefuseCallSelected, this, &MPGui::refuseIncomingCall);
    connect(balloon, &wdgBalloonMessage::sigIgnoreCallSelected, this, &MPGui::ignoreIncomingCall);
    connect(balloon, &wdgBalloonMessage::sigTransferIncomingCall, this,
            [this](qlonglong lineId, const QString &number) { transferIncomingCall(lineId, number); });
    if (info.type == Balloon::ExtenAvailableBalloon)
        connect(balloon, &wdgBalloonMessage::sigStartAudioCallSelected, this, &MPGui::startInternalCall);
    else if (info.type == Balloon::CopyToCallBalloon)
        connect(balloon, &wdgBalloonMessage::sigStartAudioCallSelected, this, &MPGui::startExternalCall);
    else if (info.type == Balloon::UpdateBalloon)
        connect(balloon, &wdgBalloonMessage::sigStartUpgrade, this, &MPGui::startUpgrade);
    connect(balloon, &wdgBalloonMessage::sigBaloonMsgClosing, this, &MPGui::onBaloonMsgClosing);
    return balloon;
}

void MPGui::refreshRebrandingPack()
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Asking for rebranding package refresh";
    if (!ctiLib || !session || !session->isUp())
        return;
    const QString md5 = Utils::md5sumFile(MSETTINGS::getRebrandingPackFile());
    ctiLib->downloadRebrandingPackage(md5, MSETTINGS::getRebrandingDirPath());
}

void MPGui::onRebrandingDownloadCompleted(const QString &file)
{
    const RebrandingPack::Outcome outcome =
        rebranding.applyDownload(file, MSETTINGS::getRebrandingPackFile(), MSETTINGS::getRebrandingDirPath());
    if (outcome == RebrandingPack::Outcome::Kept)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Rebranding package has changed, reloading assets...";
    reloadRebrandedAssets();
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

QUrl MPGui::supportMailUrl()
{
    // Built once: the product name and the settings directory are fixed for
    // the life of the process by the time the user asks.
    static const QUrl url =
        WindowRules::supportMailUrl(QString::fromLatin1(SupportAddress), MSETTINGS::getLongApplicationName(),
                                    QStringLiteral("%1/mphone.log").arg(MSETTINGS::getSettingsDirPath()));
    return url;
}

void MPGui::sendLogToSupport()
{
    prompts().openUrl(supportMailUrl());
}

void MPGui::openVeloraPbxUrl()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Opening of the PBX web page requested: no page is opened";
}

void MPGui::onApiRestErrorReceived(QString text)
{
    prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(), text, QSystemTrayIcon::Warning, 5000);
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "API Rest error message received:" << text;
}
