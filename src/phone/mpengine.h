// The built-in softphone of softphone mode: one SIP and audio engine object
// (VDKQtEngine) and one SIP account, with the call lines, audio devices,
// tones and registration of the client. Lives on the GUI thread; the engine's
// signals arrive queued, and the entries that other threads may call
// (the const char* overloads) re-post themselves to this object's thread.
#pragma once

#include "app/mcticonfig.h"
#include "ctilibtypes.h"

#include <QAudio>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

#include <memory>

class MPAccount;
class VDKQtEngine;

namespace DesklineMedia
{
class SystemAudioDevice;
}

// One audio device of the engine, with the system device it was matched to.
struct AudioDeviceEntry {
    AudioDeviceEntry() = default;
    ~AudioDeviceEntry();
    AudioDeviceEntry(const AudioDeviceEntry &) = delete;
    AudioDeviceEntry &operator=(const AudioDeviceEntry &) = delete;

    int id = -1;
    QString name;     // as the engine lists it
    QString longName; // the matching system device's name, else `name`
    // The matching system device, held open (media module).
    std::unique_ptr<DesklineMedia::SystemAudioDevice> system;
};

class MPEngine : public QObject
{
    Q_OBJECT
public:
    // The names of the system's audio devices, by direction; replaceable for
    // tests (the default asks Qt Multimedia, in the media module).
    using SystemDeviceLister = std::function<QStringList(QAudio::Mode)>;

    MPEngine(const ServicesDialCodesMap &serviceCodes, const MctiConfig &config);
    ~MPEngine() override;

    bool start();
    bool init();
    int shutdown();
    bool isStarted() const { return engine != nullptr; }
    // Why the engine did not start, as it reported it (with the SIP and
    // audio library's error number); empty once started.
    QString startFailure() const { return startError; }
    bool isShutdownInProgress() const { return engine != nullptr && shutdownInProgress; }

    void updateDtmfMode(int mode);
    void updateCodecsOrder(const QStringList &codecs);
    const MctiConfig &configuration() const { return config; }
    VDKQtEngine *sipEngine() const { return engine; }

    // Test seams, set before init(): where the tone files are (default: the
    // installation's sounds directory), the system's device names, and the
    // busy and congestion tone duration (default 3000 ms).
    void setSoundsDirPath(const QString &dir) { soundsDirOverride = dir; }
    void setSystemDeviceLister(SystemDeviceLister lister) { systemDevices = std::move(lister); }
    void setToneTimeoutMs(int ms);

    // --- audio devices
    bool setupDevices();
    void changeAudioDevices(const MctiConfig &newConfig);
    bool populateInputAudioDeviceList();
    bool populateOutputAudioDeviceList();
    QStringList getAudioInputDeviceList() const;
    QStringList getAudioOutputDeviceList() const;
    bool isInputDevicePlantronics() const { return micIsPlantronics; }
    bool isOutputDevicePlantronics() const { return spkIsPlantronics; }
    int microphoneDevice() const { return micDevice; }
    int speakerDevice() const { return spkDevice; }
    int ringDevice() const { return ringDev; }
    int toneDevice(const QString &fileName) const;
    bool setInputAudioValue(int level);
    bool setOutputAudioValue(int level);
    int getInputAudioValue();
    int getOutputAudioValue();
    void muteInputAudio(bool) {}
    void initSystemOutputVolumeControl(QString) {}
    void initSystemInputVolumeControl(QString) {}
    bool initSystemAudioControl() { return false; }
    QString getDefaultCommOutDev() const { return QString(); }
    QString getDefaultCommInDev() const { return QString(); }
    int enableDoNotDisturb(bool on);
    void setRedirectEnabled(bool on, QString num2redirect);
    void disconnectLineAudio(int line);

    // --- account
    bool loadAccounts();
    Q_INVOKABLE MPAccount *getAccount() const { return account; }

    // --- call lines
    bool startAudioCall(QString number);
    QString getSipAddress(QString number) const;
    bool transferEstablishedCall(int line, QString number);
    bool transferIncomingCall(int line, QString number);
    bool bridgeLinesRemotely(int line1, int line2);
    bool parkCall(int line);
    bool fastTransferCall(int line);
    bool recordCall(int line);
    bool connectLineAudio(int line);
    bool isActive(int line) const;
    bool isSessionProgress(int line) const { return sessionProgressLines.contains(line); }
    bool isLineAudioConnected() const;
    int getNumberOfFreeLines() const;
    // A line holds a call (ringing, dialling, talking or on hold).
    bool hasCalls() const;

    const QList<int> &ringingLineList() const { return ringingLines; }
    const QList<int> &remoteRingingLineList() const { return remoteRingingLines; }
    const QList<int> &micConnectedLineList() const { return micConnectedLines; }
    const QList<int> &spkConnectedLineList() const { return spkConnectedLines; }
    const QList<int> &sessionProgressLineList() const { return sessionProgressLines; }
    const QList<int> &ringDeviceSourceList() const { return ringDeviceSources; }

    // --- tones
    bool startRingingSound();
    void stopRingingSound();
    bool startCallNotice();
    void stopCallNotice();
    bool startRemoteRinging();
    void stopRemoteRinging();
    bool startBusyTone();
    bool startCongestionTone();
    bool startRinging(int line);
    void stopRinging(int line);
    bool startRemoteRinging(int line);
    void stopRemoteRinging(int line);
    void checkRinging();
    bool startSessionProgress(int line);
    void stopSessionProgress(int line, bool keepSpeaker);
    bool isRinging() const;
    bool isCallNoticePlaying() const { return callNoticePlaying; }
    bool isRemoteRinging() const { return remoteRingingPlaying; }
    bool isRemoteBusy() const { return busyTonePlaying; }
    bool isRemoteCongestion() const { return congestionTonePlaying; }
    QTimer *busyTimer() { return &busyToneTimer; }
    QTimer *congestionTimer() { return &congestionToneTimer; }

    // --- entries for other threads: run on this object's thread
    void onIncomingCall(int lineId, const char *caller, const char *callee);
    void onSipErrorReceived(int lineId, int errcode, const char *text);

public slots:
    int registerSipAccount();
    int unregisterSipAccount();

    void onCallOriginate(int lineId, QString calledNum);
    bool answerAudioCall(int lineId);
    bool hangupAudioCall(int lineId);
    bool holdCall(int lineId, bool active);
    int processDtmfSequence(int lineId, QStringList dtmfSequenceList);
    void requestCallDuration(int line);
    void requestOutgoingPeakLevel(int line);
    void requestIngoingPeakLevel(int line);
    int changeLineLevel(int line, int level);
    int getNumberOfBusyLines();
    void onCallEstablished(int line);
    void onCallTerminated(int line);

    void stopBusyTone();
    void stopCongestionTone();
    void onRemoteRinging(int line);
    void onSessionProgress(int line);
    void onFileReadingFinished(int device);

    void onIncomingCall(int lineId, QString caller, QString callee);
    void onCallCanceled(int line);
    void onSipErrorReceived(int lineId, int errcode, QString text);
    void onHoldOk(int line);
    void onHoldFailed(int line);
    void PlantronicsHeadsetAttached(QString name);
    void PlantronicsHeadsetDetached(QString) {}
    void updateOutputDeviceVolume() {}

private slots:
    void onRegisterAccountOk();
    void onRegisterAccountFailed();
    void onTlsRegisterAccountFailed();

signals:
    void sigRegistrationOk();
    void sigUnregistrationOk();
    void sigRegistrationFail();
    void sigRegistrationTlsFail();
    void sigCallEstablished(int line);
    void sigCallTerminated(int line);
    void sigCallDuration(int line, int duration);
    void sigOutgoingPeakLevel(int line, int level);
    void sigIngoingPeakLevel(int line, int level);
    void sigOnHoldOk(qlonglong line, bool active);
    void sigOnHoldFailed(qlonglong line);
    void sigCallOriginate(int line, QString number);
    void sigIncomingAudioCall(qlonglong line, QString number, QString name);
    void sigCallCanceled(int line);
    void sigSipErrorReceived(int line, int code, QString text);
    void sigUpdatedOutputDevVolume(int);
    void sigUpdatedInputDevVolume(int);
    void sigPlantronicsHeadsetAttached(QString, QString, QString);
    void sigPlantronicsHeadsetDetached(QString);
    void sigPlantronicsHangupRequest(qlonglong);
    void sigPlantronicsAnswerRequest(qlonglong);
    void sigPlantronicsMuteChanged(bool);
    void sigError(int level, QString text);
    void sigNotify(QString text);

private:
    QString errorText(int code) const;
    QString soundsDir() const;
    QStringList systemDeviceNames(QAudio::Mode mode) const;
    bool populateDeviceList(QAudio::Mode mode);
    void moveConnectedAudio(int oldMic, int oldSpk, int oldRing);
    void setupEchoControl();
    bool playTone(int device, int output, bool &playing, const char *what, bool warning);
    void stopTone(int device, int output, bool &playing, const char *what);
    int serviceCodeDtmf(int line, int key, const char *what, const char *missing);

    MPAccount *account = nullptr;
    VDKQtEngine *engine = nullptr;
    QString startError;
    MctiConfig config;
    bool shutdownInProgress = false;

    int micDevice = -1;
    int spkDevice = -1;
    int ringDev = -1;
    int callNoticeDevice = -1;
    int ringingToneDevice = -1;
    int busyToneDevice = -1;
    int congestionToneDevice = -1;
    int remoteRingingToneDevice = -1;
    int silenceDevice = -1;

    QString redirectNumber;

    QList<int> ringingLines;
    QList<int> remoteRingingLines;
    QList<int> micConnectedLines;
    QList<int> spkConnectedLines;
    QList<int> ringDeviceSources;
    QList<int> sessionProgressLines;

    bool remoteRingingPlaying = false;
    bool busyTonePlaying = false;
    bool congestionTonePlaying = false;
    bool callNoticePlaying = false;

    QTimer busyToneTimer{this};
    QTimer congestionToneTimer{this};

    bool redirectEnabled = false;

    QList<AudioDeviceEntry *> inputDevices;
    QList<AudioDeviceEntry *> outputDevices;

    bool micIsPlantronics = false;
    bool spkIsPlantronics = false;

    const ServicesDialCodesMap &servicesCodes;

    QString soundsDirOverride;
    SystemDeviceLister systemDevices;
};
