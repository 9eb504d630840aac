// Softphone status and audio controls of the main window: forwarders to the
// phone back-ends object.
#include "mpgui.h"

#include "app/globallogger.h"
#include "framework/promptservice.h"
#include "phone/phonebackends.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"

void MPGui::setInputAudioValue(int value)
{
    phones->setInputAudioValue(value);
}

void MPGui::setOutputAudioValue(int value)
{
    phones->setOutputAudioValue(value);
}

void MPGui::toggleMuteInputAudio()
{
    phones->toggleMuteInputAudio();
}

void MPGui::toggleMuteOutputAudio()
{
    phones->toggleMuteOutputAudio();
}

void MPGui::onAudioDevicesChange()
{
    phones->onAudioDevicesChange();
}

// ---------------------------------------------------------------- registration

void MPGui::onSipAccountRegistered()
{
    if (!phones->setSipRegistered(true))
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Account" << settingsStore->getConfig().sipUsername
                                << "has been successfully registered";
    lblAccountInfo->setText(tr("Telefono registrato"));
    btnStartAudioCall->setToolTip(tr("Avvia chiamata"));
    btnStartAudioCall->setAccessibleDescription(tr("Avvia chiamata"));
    btnStartAudioCall->setEnabled(true);
    edtCallerNumber->setEnabled(true);
    btnDnd->setEnabled(true);
    btnDnd->show();
    if (appMode == MSETTINGS::AppModeSoftphone) {
        btnMail->setEnabled(true);
        btnMail->show();
        btnConference->setEnabled(true);
        btnConference->show();
    }
    updateTrayIcon();
    edtCallerNumber->setFocus();
}

void MPGui::onSipAccountNotRegistered()
{
    lblAccountInfo->setText(tr("Telefono non registrato"));
    phones->setSipRegistered(false);
    btnStartAudioCall->setToolTip(tr("Avvia chiamata - telefono non registrato"));
    btnStartAudioCall->setAccessibleDescription(tr("Avvia chiamata - telefono non registrato"));
    btnStartAudioCall->setEnabled(false);
    edtCallerNumber->setEnabled(false);
    resetServiceButtons(true);
    updateTrayIcon();
}

void MPGui::onSipAccountUnregistered()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Account" << settingsStore->getConfig().sipUsername
                            << "has been unregistered";
    onSipAccountNotRegistered();
}

void MPGui::onSipAccountRegistrationFailed()
{
    logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Account" << settingsStore->getConfig().sipUsername
                                << "registration failed";
    onSipAccountNotRegistered();
}

void MPGui::onSipAccountTlsRegistrationFailed()
{
    logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Account" << settingsStore->getConfig().sipUsername
                                << "registration failed";
    onSipAccountNotRegistered();
    PromptService::Message msg;
    msg.kind = PromptService::Kind::Critical;
    msg.title = QStringLiteral("TLS");
    msg.text = tr("La negoziazione TLS è fallita.\nControllare la presenza di un certificato valido.");
    msg.buttons = QMessageBox::Ok;
    prompts().message(this, msg);
}

// ---------------------------------------------------------------- engine reports

void MPGui::onMPengineError(int level, const QString &text)
{
    PromptService::Message msg;
    msg.text = text;
    msg.title = windowTitleText;
    msg.buttons = QMessageBox::Ok;
    switch (level) {
    case 1:
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << text;
        msg.kind = PromptService::Kind::Information;
        break;
    case 2:
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << text;
        msg.kind = PromptService::Kind::Warning;
        break;
    case 3:
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << text;
        msg.kind = PromptService::Kind::Critical;
        msg.title = windowTitleText + QStringLiteral(" - ") + tr("Errore");
        break;
    default:
        return;
    }
    prompts().message(this, msg);
}

void MPGui::onMPEngineWarning(const QString &text)
{
    prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(), text, QSystemTrayIcon::Warning, 5000);
}

// ---------------------------------------------------------------- headset

void MPGui::onPlantronicsHeadsetAttached(const QString &, const QString &, const QString &) {}

void MPGui::onPlantronicsHeadsetDetached(const QString &deviceName)
{
    prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(), tr("%1 disconnessa").arg(deviceName),
                              QSystemTrayIcon::Information, 4000);
}

void MPGui::onPlantronicsHeadsetMuteInput(bool mute)
{
    phones->setMuteInputAudio(mute);
}
