// Softphone status and audio controls of the main window: forwarders to the
// phone back-ends object, which is made here and reports back through the
// window's PhonesHost.
#include "mpgui.h"
#include "session/pbxsession.h"

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

void MPGui::onPlantronicsHeadsetDetached(const QString &deviceName)
{
    prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(), tr("%1 disconnessa").arg(deviceName),
                              QSystemTrayIcon::Information, 4000);
}

// ---------------------------------------------------------------- the phone back-ends

class MPGui::PhonesHost : public PhoneBackends::Host
{
public:
    explicit PhonesHost(MPGui *window) : w(window) {}
    void dndStatusChanged(bool on) override { w->updateDndStatus(on); }
    void sipAccountRegistered() override { w->onSipAccountRegistered(); }
    void sipAccountUnregistered() override { w->onSipAccountUnregistered(); }
    void sipAccountRegistrationFailed() override { w->onSipAccountRegistrationFailed(); }
    void sipAccountTlsRegistrationFailed() override { w->onSipAccountTlsRegistrationFailed(); }
    void engineError(int level, const QString &text) override { w->onMPengineError(level, text); }
    void engineWarning(const QString &text) override { w->onMPEngineWarning(text); }
    void headsetDetached(const QString &deviceName) override { w->onPlantronicsHeadsetDetached(deviceName); }

private:
    MPGui *w;
};

void MPGui::PhonesHostDeleter::operator()(PhonesHost *host) const
{
    delete host;
}

void MPGui::createPhoneBackends()
{
    PhoneBackends::Widgets widgets;
    widgets.window = this;
    widgets.btnDnd = btnDnd;
    widgets.lblAccountInfo = lblAccountInfo;
    widgets.hsldInputAudio = hsldInputAudio;
    widgets.hsldOutputAudio = hsldOutputAudio;
    widgets.btnInputAudio = btnInputAudio;
    widgets.btnOutputAudio = btnOutputAudio;
    widgets.trayIcon = trayIcon;
    widgets.micOn = icons.inputAudioIcon;
    widgets.micOff = icons.inputAudioOffIcon;
    widgets.speakerOn = icons.outputAudioIcon;
    widgets.speakerOff = icons.outputAudioOffIcon;
    phonesHost.reset(new PhonesHost(this));
    phones = new PhoneBackends(widgets, appMode, *ctiLib, session->serviceCodes(), *session, *settingsStore,
                               *phonesHost, this);
    // The levels last saved, shown once the volume sliders are.
    int inputVolume = 50;
    int outputVolume = 50;
    settingsStore->getAudioVolumes(inputVolume, outputVolume);
    phones->setVolumes(inputVolume, outputVolume);
}
