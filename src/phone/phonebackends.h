// The phone back-ends of the main window: the softphone engine (softphone
// mode) or the desk-phone driver (desk-phone mode), the softphone's
// registration and the audio levels.
//
// Desk-phone mode: the selected identity's SIP user agent names the desk
// phone; once the PBX has authorised desk-phone control the driver is made
// and its call reports reach call handling, which connects them on
// deskPhoneReady().
#pragma once

#include "callphones.h"
#include "ctilib.h"
#include "ctilibtypes.h"
#include "deskphonerules.h"
#include "mainwindow/session/sessionrules.h"
#include "phoneapi.h"
#include "settings/msettings.h"

#include <QIcon>
#include <QMap>
#include <QObject>
#include <QPointer>

#include <memory>

class CtiLib;
class MPEngine;
class MSettingsStore;
class PbxSession;
class PhoneApi;
class QAbstractButton;
class QAbstractSlider;
class QLabel;
class QSystemTrayIcon;
class QWidget;

// The softphone engine's audio controls as the window drives them.
class SoftphoneAudio
{
public:
    virtual ~SoftphoneAudio() = default;
    virtual void muteInputAudio(bool mute) = 0;
    virtual void setInputAudioValue(int value) = 0;
    virtual void setOutputAudioValue(int value) = 0;
};

class PhoneBackends : public QObject, public CallPhones
{
    Q_OBJECT
public:
    // The main form's widgets this object drives; any may be null.
    struct Widgets {
        QWidget *window = nullptr;
        QAbstractButton *btnDnd = nullptr;
        QLabel *lblAccountInfo = nullptr;
        QAbstractSlider *hsldInputAudio = nullptr;
        QAbstractSlider *hsldOutputAudio = nullptr;
        QAbstractButton *btnInputAudio = nullptr;
        QAbstractButton *btnOutputAudio = nullptr;
        QSystemTrayIcon *trayIcon = nullptr;
        QIcon micOn, micOff, speakerOn, speakerOff;
    };

    // What the back-ends tell the main window: the desk phone's
    // do-not-disturb state, the softphone's registration and the engine's
    // reports. The engine's level and mute reports stay with this object.
    class Host
    {
    public:
        virtual ~Host() = default;
        virtual void dndStatusChanged(bool on) = 0;
        virtual void sipAccountRegistered() = 0;
        virtual void sipAccountUnregistered() = 0;
        virtual void sipAccountRegistrationFailed() = 0;
        virtual void sipAccountTlsRegistrationFailed() = 0;
        // `level`: 1 information, 2 warning, 3 error.
        virtual void engineError(int level, const QString &text) = 0;
        virtual void engineWarning(const QString &text) = 0;
        virtual void headsetDetached(const QString &deviceName) = 0;
    };

    // `widgets`: the main form's. `mode`: the operating mode, fixed for the
    // program's run. `cti`: the CTI client; its desk-phone authorisation
    // answers reach onPApiAuthorized(). `serviceCodes`: the session's service
    // dial codes, read at each use by the driver and the engine. `session`:
    // its start and end reach this object. `settings`: the selected identity
    // and the SIP account. All of them outlive this object.
    PhoneBackends(const Widgets &widgets, MSETTINGS::AppMode mode, CtiLib &cti,
                  const ServicesDialCodesMap &serviceCodes, PbxSession &session, MSettingsStore &settings, Host &host,
                  QObject *parent = nullptr);
    ~PhoneBackends() override;

    // Identities: the account prompt was left empty in desk-phone mode (not
    // asked again until the next log-in); the identities slot is running.
    bool accountPromptSuppressed = false;
    bool identitiesBusy = false;
    // A list of identities has arrived in this session.
    bool identitiesReceived = false;

    MPEngine *engine() const override { return phoneEngine; }
    PhoneApi *deskPhone() const override { return phoneApi; }
    QString sipAccountUser() const override;
    bool isSipRegistered() const { return sipRegistered; }
    // The registration shown in the window; returns the previous state.
    bool setSipRegistered(bool registered)
    {
        const bool was = sipRegistered;
        sipRegistered = registered;
        return was;
    }
    bool isPhoneApiAuthorized() const { return phoneApiAuthorized; }
    int brand() const { return phoneBrand; }
    QString phoneName() const { return associatedPhoneName; }
    QString phoneIp() const { return associatedPhoneIp; }

    // The levels last stored, shown by the volume sliders.
    void setVolumes(int input, int output);
    int inputLevel() const { return inputVolume; }
    int outputLevel() const { return outputVolume; }
    bool isInputMuted() const { return inputMuted; }
    bool isOutputMuted() const { return outputMuted; }

public slots:
    void onSessionStarted(const SessionRules::SessionStart &start);
    void onSessionEnded();

    // --- desk phone
    void updatePhoneApi();
    void updatePhoneInfo(const QString &userAgent, const QString &phoneName, const QString &phoneIp);
    void onPApiAuthorized(bool authorized);
    void resetPhoneApi();
    void displayPhoneApiAvailability();

    // --- softphone: the engine for the selected SIP identity, updated in
    // place while the SIP user and the registrar stay, re-created otherwise.
    void initOrUpdatePhoneEngine(const IdentityEntry &identity, const QString &registrarAddress);
    void releasePhoneEngine();
    bool isPbxSettingsNoticeShown() const { return pbxSettingsNoticeShown; }

    // --- audio levels and mute
    void setInputAudioValue(int value);
    void setOutputAudioValue(int value);
    void setMuteInputAudio(bool mute);
    void setMuteOutputAudio(bool mute);
    void onAudioDevicesChange();
    void toggleMuteInputAudio() { setMuteInputAudio(!inputMuted); }
    void toggleMuteOutputAudio() { setMuteOutputAudio(!outputMuted); }

protected:
    // The audio controls of the engine in use; null without one.
    virtual SoftphoneAudio *softphoneAudio() const { return engineAudio.get(); }

signals:
    // A new desk-phone driver is connected and usable.
    void deskPhoneReady(PhoneApi *api);
    // A new softphone engine is connected and initialised.
    void phoneEngineReady(MPEngine *engine);

private:
    const Widgets w;
    const MSETTINGS::AppMode appMode;
    CtiLib &ctiLib;
    MSettingsStore &settings;
    const ServicesDialCodesMap &serviceCodes;
    Host &host;
    quint32 capabilities = 0;

    bool firmwareWarningShown = false;
    QString associatedPhoneName;
    QString associatedPhoneIp;
    MPEngine *phoneEngine = nullptr;
    std::unique_ptr<SoftphoneAudio> engineAudio;
    bool pbxSettingsNoticeShown = false;
    QPointer<PhoneApi> phoneApi;
    int phoneBrand = 0;
    bool phoneApiAuthorized = false;

    bool sipRegistered = false;
    int inputVolume = 50;
    int outputVolume = 50;
    bool inputMuted = false;
    bool outputMuted = false;
};
