#include "phonebackends.h"

#include "mpaccount.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "framework/promptservice.h"
#include "mainwindow/session/pbxsession.h"
#include "mpengine.h"
#include "phoneapi.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QLabel>
#include <QSystemTrayIcon>

PhoneBackends::PhoneBackends(const Widgets &widgets, MSETTINGS::AppMode mode, CtiLib &cti,
                             const ServicesDialCodesMap &codes, PbxSession &session, MSettingsStore &store,
                             Host &windowHost, QObject *parent)
    : QObject(parent), w(widgets), appMode(mode), ctiLib(cti), settings(store), serviceCodes(codes), host(windowHost)
{
    setObjectName(QStringLiteral("phoneBackends"));
    connect(&session, &PbxSession::started, this, &PhoneBackends::onSessionStarted);
    connect(&session, &PbxSession::ended, this, &PhoneBackends::onSessionEnded);
    connect(&cti, &CtiLib::sigPhoneApiAutorized, this, &PhoneBackends::onPApiAuthorized);
}

namespace
{
// The engine's audio controls as the window drives them.
class EngineAudio : public SoftphoneAudio
{
public:
    explicit EngineAudio(MPEngine *e) : engine(e) {}
    void muteInputAudio(bool mute) override { engine->muteInputAudio(mute); }
    void setInputAudioValue(int value) override { engine->setInputAudioValue(value); }
    void setOutputAudioValue(int value) override { engine->setOutputAudioValue(value); }

private:
    MPEngine *engine;
};
} // namespace

PhoneBackends::~PhoneBackends()
{
    // A driver released with deferred deletion that no event loop deleted.
    delete phoneApi.data();
    if (phoneEngine) {
        phoneEngine->disconnect();
        phoneEngine->shutdown();
        delete phoneEngine;
        phoneEngine = nullptr;
    }
}

void PhoneBackends::setVolumes(int input, int output)
{
    inputVolume = input;
    outputVolume = output;
}

void PhoneBackends::onSessionStarted(const SessionRules::SessionStart &start)
{
    capabilities = start.capabilities;
    accountPromptSuppressed = false;
    identitiesReceived = false;
}

void PhoneBackends::onSessionEnded()
{
    sipRegistered = false;
    // Without the PBX the desk phone cannot be driven: its lines end with the
    // session and the next log-in asks for the authorisation again.
    if (phoneApi || phoneApiAuthorized)
        resetPhoneApi();
}

// ---------------------------------------------------------------- desk phone

void PhoneBackends::updatePhoneApi()
{
    if (settings.getSelectedAccount().isEmpty()) {
        resetPhoneApi();
        return;
    }
    const QString selected = settings.getSelectedAccount();
    const IdentityList identities = settings.getAccountList();
    for (const IdentityEntry &id : identities) {
        if (id.identifier != selected || id.type.toUpper() != QLatin1String("SIP") || id.sipUsername.isEmpty())
            continue;
        if (!id.phoneVendor.isEmpty() && id.phoneUserAgent.contains(id.phoneVendor, Qt::CaseInsensitive))
            updatePhoneInfo(id.phoneUserAgent, QStringLiteral("%1 %2").arg(id.phoneVendor, id.phoneModel), id.phoneIp);
        else
            updatePhoneInfo(QString(), QString(), QString());
        break;
    }
    displayPhoneApiAvailability();
}

void PhoneBackends::updatePhoneInfo(const QString &userAgent, const QString &phoneNameIn, const QString &phoneIpIn)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "useragent:" << userAgent << "phoneName:" << phoneNameIn
                            << "phoneIP:" << phoneIpIn;
    if (appMode != MSETTINGS::AppModeDeskPhone)
        return;

    const int previousBrand = phoneBrand;
    QString phoneName = phoneNameIn;
    QString phoneIp = phoneIpIn;
    const DeskPhone::Recognition found = DeskPhone::recognise(userAgent);
    QString firmware = found.firmware;
    int brand = found.brand;
    if (!found.phoneName.isEmpty())
        phoneName = found.phoneName;

    if (found.firmwareTooOld && !firmwareWarningShown) {
        PromptService::Message msg;
        msg.kind = PromptService::Kind::Warning;
        msg.title = tr("Modalità telefono fisso");
        msg.text = tr("Il telefono %1 associato a questa identità ha un firmware la cui versione non consente "
                      "l'uso delle API specifiche. \nE' necessario che il telefono abbia una versione firmware "
                      "superiore o uguale alla 8.7.3.\nFino ad allora il telefono non può essere comandato in "
                      "modalità telefono fisso.")
                       .arg(phoneName);
        msg.buttons = QMessageBox::Ok;
        firmwareWarningShown = true;
        prompts().message(w.window, msg);
    }

    bool usable = brand != 0 && !phoneName.isEmpty();
    if (usable && !phoneApiAuthorized) {
        // The authorisation request; the answer arrives through onPApiAuthorized.
        ctiLib.phoneCommandGetDndStatus();
        usable = phoneApiAuthorized;
    }
    if (!usable) {
        phoneName.clear();
        firmware.clear();
        phoneIp.clear();
        brand = 0;
    }

    if (phoneApi && (brand == 0 || brand != previousBrand))
        resetPhoneApi();

    phoneBrand = brand;
    associatedPhoneName = phoneName;
    associatedPhoneIp = phoneIp;

    if (brand == 0 || phoneApi || !phoneApiAuthorized)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "PhoneAPI initialization for brand" << brand << "...";
    PhoneApi *api =
        new PhoneApi(&ctiLib, ctiLib.getUserExtension(), settings.getMAddress(), firmware, brand, serviceCodes);
    phoneApi = api;
    if (!api->isInitialized()) {
        resetPhoneApi();
        return;
    }
    // The driver's call reports are connected by call handling (deskPhoneReady).
    connect(api, &PhoneApi::sigDndStatusChanged, this, [this](bool on) { host.dndStatusChanged(on); });
    emit deskPhoneReady(api);
}

QString PhoneBackends::sipAccountUser() const
{
    const MPAccount *account = phoneEngine ? phoneEngine->getAccount() : nullptr;
    return account ? account->m_sipUser : QString();
}

void PhoneBackends::onPApiAuthorized(bool authorized)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "PApi authorized:" << (authorized ? "YES" : "NO");
    if (appMode != MSETTINGS::AppModeDeskPhone) {
        logLine(UNQL::LOG_FATAL) << Q_FUNC_INFO << "Got PApi notification while not running in MPRO mode!";
        return;
    }
    if (!authorized) {
        resetPhoneApi();
        prompts().showTrayMessage(w.trayIcon, MSETTINGS::getLongApplicationName(),
                                  tr("Errore di autenticazione sul telefono associato.\nContatta "
                                     "l'amministratore del PBX."),
                                  QSystemTrayIcon::Information, 5000);
        return;
    }
    phoneApiAuthorized = true;
    updatePhoneApi();
}

void PhoneBackends::resetPhoneApi()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "PhoneAPI deinitialization...";
    if (PhoneApi *api = phoneApi.data()) {
        api->disconnect();
        api->setDisconnected();
        api->deleteLater();
    }
    phoneApi = nullptr;
    phoneApiAuthorized = false;
    firmwareWarningShown = false;
    associatedPhoneIp.clear();
    associatedPhoneName.clear();
    phoneBrand = 0;
    displayPhoneApiAvailability();
}

void PhoneBackends::displayPhoneApiAvailability()
{
    if (appMode != MSETTINGS::AppModeDeskPhone)
        return;
    if (!phoneApi) {
        if (w.btnDnd) {
            w.btnDnd->setEnabled(false);
            w.btnDnd->hide();
        }
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Phone API is NOT available for" << associatedPhoneName;
    } else {
        phoneApi->m_dtmfOneCharPerStep = !(capabilities & DeskPhone::CapDtmfString);
        if (w.btnDnd) {
            w.btnDnd->setEnabled(true);
            w.btnDnd->show();
        }
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Phone API available for" << associatedPhoneName;
    }
    if (w.lblAccountInfo) {
        w.lblAccountInfo->setText(tr("Tel. associato: %1").arg(associatedPhoneName));
        w.lblAccountInfo->setVisible(phoneApi && !associatedPhoneName.isEmpty());
    }
}

// ---------------------------------------------------------------- softphone

void PhoneBackends::releasePhoneEngine()
{
    if (!phoneEngine)
        return;
    engineAudio.reset();
    MPEngine *old = phoneEngine;
    phoneEngine = nullptr;
    old->disconnect();
    old->shutdown();
    old->deleteLater();
}

void PhoneBackends::initOrUpdatePhoneEngine(const IdentityEntry &identity, const QString &registrarAddress)
{
    settings.updateDisplayedCodecs(identity.codecList);
    if (phoneEngine) {
        if (phoneEngine->isShutdownInProgress()) {
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO
                                        << "MPEngine shutdown is in progress, abort engine re-initialization to "
                                           "avoid crash...";
            return;
        }
        const MctiConfig &current = phoneEngine->configuration();
        const bool sameAccount = current.sipUsername == identity.sipUsername && current.sipRegistrarAddress.given &&
                                 current.sipRegistrarAddress.value == registrarAddress;
        // A new password for the same account needs an engine of its own; a
        // call in progress keeps the old one until a later update.
        const bool newPassword = current.sipPassword != identity.sipPassword;
        if (sameAccount && newPassword && phoneEngine->hasCalls())
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "SIP password changed during a call: used once the calls end";
        if (sameAccount && (!newPassword || phoneEngine->hasCalls())) {
            phoneEngine->updateCodecsOrder(identity.codecList);
            phoneEngine->updateDtmfMode(identity.dtmfMode);
            if (!sipRegistered)
                phoneEngine->registerSipAccount();
            if (current.sipTos.value == identity.sipTos && current.audioTos.value == identity.audioTos)
                return;
            if (w.trayIcon && w.trayIcon->isVisible() && !pbxSettingsNoticeShown) {
                prompts().showTrayMessage(w.trayIcon, MSETTINGS::getLongApplicationName(),
                                          tr("Le impostazioni della centrale sono cambiate. Per usarle "
                                             "disconnettersi e riconnettersi."),
                                          QSystemTrayIcon::Information, 4000);
                pbxSettingsNoticeShown = true;
            }
            return;
        }
        releasePhoneEngine();
    }
    pbxSettingsNoticeShown = false;

    settings.setMPhoneSipAccount(ctiLib.getUserExtension(), identity.sipUsername, identity.sipPassword);
    MctiConfig config = settings.getConfig();
    if (config.sipTos.value == 0)
        config.sipTos.set(identity.sipTos);
    if (config.audioTos.value == 0)
        config.audioTos.set(identity.audioTos);
    config.dtmfMode = identity.dtmfMode;
    config.codecsOrder = identity.codecList;

    auto *engine = new MPEngine(serviceCodes, config);
    if (!engine->isStarted()) {
        const QString failure = engine->startFailure();
        engine->disconnect();
        engine->shutdown();
        engine->deleteLater();
        // The engine reported its failure while it was being built, before
        // anything could hear it: show its report now.
        host.engineError(3, failure);
        return;
    }
    phoneEngine = engine;
    engineAudio.reset(new EngineAudio(engine));

    // The window's status and headset reports; the levels and the headset's
    // mute come back to this object. The call reports and hold confirmations
    // are connected by call handling (phoneEngineReady).
    connect(engine, &MPEngine::sigRegistrationOk, this, [this] { host.sipAccountRegistered(); });
    connect(engine, &MPEngine::sigUnregistrationOk, this, [this] { host.sipAccountUnregistered(); });
    connect(engine, &MPEngine::sigRegistrationFail, this, [this] { host.sipAccountRegistrationFailed(); });
    connect(engine, &MPEngine::sigRegistrationTlsFail, this, [this] { host.sipAccountTlsRegistrationFailed(); });
    connect(engine, &MPEngine::sigError, this,
            [this](int level, const QString &text) { host.engineError(level, text); });
    connect(engine, &MPEngine::sigNotify, this, [this](const QString &text) { host.engineWarning(text); });
    connect(engine, &MPEngine::sigPlantronicsHeadsetDetached, this,
            [this](const QString &deviceName) { host.headsetDetached(deviceName); });
    connect(engine, &MPEngine::sigUpdatedOutputDevVolume, this, &PhoneBackends::setOutputAudioValue);
    connect(engine, &MPEngine::sigUpdatedInputDevVolume, this, &PhoneBackends::setInputAudioValue);
    connect(engine, &MPEngine::sigPlantronicsMuteChanged, this, &PhoneBackends::setMuteInputAudio);
    emit phoneEngineReady(engine);

    if (!engine->init()) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO
                                << "Velora CTI initialization failed, requesting unregister of SIP account.";
        engine->unregisterSipAccount();
        return;
    }
    if (!engine->isInputDevicePlantronics())
        setInputAudioValue(inputVolume);
    if (!engine->isOutputDevicePlantronics())
        setOutputAudioValue(outputVolume);
    settings.populateAudioDevices(engine->getAudioInputDeviceList(), engine->getAudioOutputDeviceList());
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Velora CTI initialization completed.";
}

// ---------------------------------------------------------------- audio levels

void PhoneBackends::setInputAudioValue(int value)
{
    if (w.btnInputAudio)
        w.btnInputAudio->setIcon(value > 0 ? w.micOn : w.micOff);
    // A level above 0 unmutes and is kept; 0 while muted is the slider
    // following the mute and leaves the kept level alone.
    SoftphoneAudio *audio = softphoneAudio();
    if (value > 0) {
        inputMuted = false;
        if (audio)
            audio->muteInputAudio(false);
    }
    if (!inputMuted)
        inputVolume = value;
    if (w.hsldInputAudio) {
        // Setting the slider re-enters through its value signal with the same
        // value; the state above is already settled then.
        w.hsldInputAudio->setValue(value);
        w.hsldInputAudio->setToolTip(QStringLiteral("%1%").arg(value));
    }
    if (audio)
        audio->setInputAudioValue(value);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Mic Volume Level:" << value;
}

void PhoneBackends::setOutputAudioValue(int value)
{
    if (w.btnOutputAudio)
        w.btnOutputAudio->setIcon(value > 0 ? w.speakerOn : w.speakerOff);
    if (value > 0)
        outputMuted = false;
    if (!outputMuted)
        outputVolume = value;
    if (w.hsldOutputAudio) {
        w.hsldOutputAudio->setValue(value);
        w.hsldOutputAudio->setToolTip(QStringLiteral("%1%").arg(value));
    }
    if (SoftphoneAudio *audio = softphoneAudio())
        audio->setOutputAudioValue(value);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Speaker Volume Level:" << value;
}

void PhoneBackends::onAudioDevicesChange()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO;
    if (!phoneEngine)
        return;
    phoneEngine->changeAudioDevices(settings.getConfig());
    // The new devices get the levels the sliders show.
    if (w.hsldOutputAudio)
        setOutputAudioValue(w.hsldOutputAudio->value());
    if (w.hsldInputAudio)
        setInputAudioValue(w.hsldInputAudio->value());
}

void PhoneBackends::setMuteInputAudio(bool mute)
{
    SoftphoneAudio *audio = softphoneAudio();
    if (appMode != MSETTINGS::AppModeSoftphone || !audio || mute == inputMuted)
        return;
    inputMuted = mute;
    audio->muteInputAudio(mute);
    if (mute) {
        if (w.hsldInputAudio)
            inputVolume = w.hsldInputAudio->value();
        audio->setInputAudioValue(0);
        if (w.hsldInputAudio)
            w.hsldInputAudio->setValue(0);
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Mic Mute Enabled.";
    } else {
        audio->setInputAudioValue(inputVolume);
        if (w.hsldInputAudio)
            w.hsldInputAudio->setValue(inputVolume);
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Mic Mute Disabled.";
    }
}

void PhoneBackends::setMuteOutputAudio(bool mute)
{
    SoftphoneAudio *audio = softphoneAudio();
    if (appMode != MSETTINGS::AppModeSoftphone || !audio || mute == outputMuted)
        return;
    outputMuted = mute;
    if (mute) {
        if (w.hsldOutputAudio)
            outputVolume = w.hsldOutputAudio->value();
        audio->setOutputAudioValue(0);
        if (w.hsldOutputAudio)
            w.hsldOutputAudio->setValue(0);
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Speaker Mute Enabled.";
    } else {
        audio->setOutputAudioValue(outputVolume);
        if (w.hsldOutputAudio)
            w.hsldOutputAudio->setValue(outputVolume);
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Speaker Mute Disabled.";
    }
}
