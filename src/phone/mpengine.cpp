#include "mpengine.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "ctilibtypes.h"
#include "media/mediamodule.h"
#include "mpaccount.h"
#include "mpenginerules.h"
#include "settings/msettings.h"
#include "vdkqtengine.h"

#include <QMetaObject>
#include <QThread>

namespace
{
// A failed engine call that the softphone survives.
const auto LOG_SURVIVED = UNQL::LogMessagePriorityType(50);
constexpr int kToneTimeoutMs = 3000;
constexpr int kDtmfDurationMs = 140;

QString masked(const QString &number)
{
    return CtiLib::numAnonymizer(number);
}
} // namespace

AudioDeviceEntry::~AudioDeviceEntry() = default;

MPEngine::MPEngine(const ServicesDialCodesMap &serviceCodes, const MctiConfig &cfg)
    : QObject(nullptr), config(cfg), servicesCodes(serviceCodes)
{
    busyToneTimer.setObjectName(QStringLiteral("busyToneTimer"));
    congestionToneTimer.setObjectName(QStringLiteral("congestionToneTimer"));
    for (QTimer *t : {&busyToneTimer, &congestionToneTimer}) {
        t->setSingleShot(true);
        t->setInterval(kToneTimeoutMs);
    }
    connect(&busyToneTimer, &QTimer::timeout, this, &MPEngine::stopBusyTone);
    connect(&congestionToneTimer, &QTimer::timeout, this, &MPEngine::stopCongestionTone);

    if (!start())
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "MPEngine failed to start!";
}

MPEngine::~MPEngine()
{
    shutdown();
    if (account) {
        account->disconnect();
        account->sipUnregister();
        account->deleteLater();
        account = nullptr;
    }
    for (QTimer *t : {&busyToneTimer, &congestionToneTimer}) {
        t->disconnect();
        t->stop();
    }
    qDeleteAll(inputDevices);
    qDeleteAll(outputDevices);
}

void MPEngine::setToneTimeoutMs(int ms)
{
    busyToneTimer.setInterval(ms);
    congestionToneTimer.setInterval(ms);
}

QString MPEngine::errorText(int code) const
{
    return engine ? engine->getErrorMessage(code) : QString();
}

// ---------------------------------------------------------------- start-up

bool MPEngine::start()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Initializing MPhoneLib...";

    VDKLogConfig logConfig;
    logConfig.logDirectory = MSETTINGS::getSettingsDirPath();
    logConfig.logLevel = 10;
    logConfig.maxLogFiles = 3;
    engine = new VDKQtEngine(logConfig);

    const MPEngineRules::HostPort registrar = MPEngineRules::parseRegistrar(config.sipRegistrarAddress.value);
    engine->setDefaultSipProxy(registrar.host, registrar.port, 5061);
    engine->setDefaultSipRegistrar(registrar.host, registrar.port, 5061);
    engine->setLocalNetworkAddress(QStringLiteral("0.0.0.0"));

    const int sipTos = config.sipTos.value ? config.sipTos.value : 40;
    const int audioTos = config.audioTos.value ? config.audioTos.value : 56;
    engine->setQosDefaultValues(sipTos, audioTos, 0);

    if (config.sipProtocol.given && config.sipProtocol.value == QLatin1String("TLS")) {
        engine->enableTlsUsage(true);
        engine->setDefaultSignalingTransportProtocol(VDK::TransportTls);
        engine->setTlsCertificateDir(MSETTINGS::getCertsDirPath());
    } else if (config.sipProtocol.given && config.sipProtocol.value == QLatin1String("TCP")) {
        engine->setDefaultSignalingTransportProtocol(VDK::TransportTcp);
    }
    engine->setSipPort(0);
    engine->addSipAccount(config.sipUsername, config.sipPassword, config.sipUser);

    const int noMedia = config.secondsWithoutMediaBeforeHangup;
    if (noMedia != 0) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Setting VDK warning threshold for missing media to" << noMedia
                                << "seconds ";
        int r = engine->setWarningThresholdForMissingMedia(noMedia);
        if (r != 0)
            logLine(LOG_SURVIVED) << Q_FUNC_INFO
                                  << "There was an error setting the warning threshold on missing media: "
                                  << errorText(r);
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Enabling auto-hangup on VDK when missing media threshold is overdue";
        r = engine->hangupWhenMediaMissingOverThreshold(true);
        if (r != 0)
            logLine(LOG_SURVIVED) << Q_FUNC_INFO
                                  << "There was an error enabling the auto-hangup on missing media: " << errorText(r);
    }
    engine->setMaxUsableLines(4, 0);

    const int initResult = engine->init();
    if (initResult < 0) {
        const QString reason = engine->getErrorMessage(initResult);
        delete engine;
        engine = nullptr;
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "VDK initialization failed with error" << initResult << reason;
        startError = tr("Il motore SIP ha restituito il seguente errore: %1").arg(initResult);
        emit sigError(3, startError);
        return false;
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "VDK initialized - version:" << engine->getVersionInfo();

    for (const char *method : {"PRACK", "SUBSCRIBE", "NOTIFY", "UPDATE"})
        engine->disableSipMethod(QLatin1String(method));
    engine->enableSipDebug(true);
    engine->setSipUserAgentString(
        QStringLiteral("%1 v%2").arg(MSETTINGS::getApplicationName(), MSETTINGS::getApplicationVersion()));

    const int minJb = config.minJitterBufferMillis;
    const int maxJb = config.maxJitterBufferMillis;
    if (minJb > 0 && maxJb > 0 && minJb + 20 < maxJb) {
        const int r = engine->setLinesAudioJitterBufferSize(minJb, maxJb);
        if (r == 0)
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "VDK jitter buffer set to" << minJb << "-" << maxJb << "ms";
        else
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                       << "VDK failed settings jitter buffer dimensions: " << errorText(r);
    } else {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                   << "Values passed for min and max jitterbuffer milliseconds dimensions are not ok "
                                      "(should be both >0 and their difference more than 20)";
    }

    updateDtmfMode(config.dtmfMode);
    updateCodecsOrder(config.codecsOrder);
    return true;
}

void MPEngine::updateDtmfMode(int mode)
{
    if (!engine)
        return;
    int mapped = 0;
    if (!MPEngineRules::mapDtmfMode(mode, &mapped)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "VDK doesn't support DTMF mode" << CTILIB::dtmfModeToString(mode);
        return;
    }
    engine->setDtmfDeliveryMode(mapped);
    config.dtmfMode = mode;
}

void MPEngine::updateCodecsOrder(const QStringList &codecs)
{
    if (!engine)
        return;
    const QStringList mapped = MPEngineRules::mapCodecs(codecs);
    engine->disableAudioCodec(QStringLiteral("SPEEX"));
    engine->disableAudioCodec(QStringLiteral("ILBC"));
    if (mapped.isEmpty()) {
        // An empty priority list would leave no codec at all: keep the engine's.
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "No known codec in" << codecs
                                   << "- keeping the engine's codec order";
        return;
    }
    const int r = engine->setAudioCodecPriority(mapped);
    if (r < 0) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got error setting audio codec priority -" << errorText(r);
        return;
    }
    config.codecsOrder = codecs;
}

bool MPEngine::init()
{
    if (!engine)
        return false;
    if (!setupDevices())
        return false;
    // Connected before the account asks for its registration: the answer
    // comes from the engine's thread and may be emitted before this returns.
    const auto q = Qt::QueuedConnection;
    connect(engine, &VDKQtEngine::sigCallEstablished, this, &MPEngine::onCallEstablished, q);
    connect(engine, &VDKQtEngine::sigCallCanceled, this, &MPEngine::onCallCanceled, q);
    connect(engine, &VDKQtEngine::sigRinging, this, &MPEngine::onRemoteRinging, q);
    connect(engine, &VDKQtEngine::sigOnHoldOk, this, &MPEngine::onHoldOk, q);
    connect(engine, &VDKQtEngine::sigOnHoldFail, this, &MPEngine::onHoldFailed, q);
    connect(engine, &VDKQtEngine::sigSessionProgress, this, &MPEngine::onSessionProgress, q);
    connect(engine, &VDKQtEngine::sigFileReadingFinished, this, &MPEngine::onFileReadingFinished, q);
    connect(engine, &VDKQtEngine::sigCallTerminated, this, &MPEngine::onCallTerminated, q);
    connect(engine, &VDKQtEngine::sigRegistrationFail, this, &MPEngine::onRegisterAccountFailed, q);
    connect(engine, &VDKQtEngine::sigSecureHandshakeRegistrationFail, this, &MPEngine::onTlsRegisterAccountFailed, q);
    connect(engine, &VDKQtEngine::sigIncomingCall, this, qOverload<int, QString, QString>(&MPEngine::onIncomingCall),
            q);
    connect(engine, &VDKQtEngine::sigSipError, this, qOverload<int, int, QString>(&MPEngine::onSipErrorReceived), q);
    connect(engine, &VDKQtEngine::sigRegistrationOk, this, &MPEngine::onRegisterAccountOk, q);
    loadAccounts();
    return true;
}

int MPEngine::shutdown()
{
    if (!engine)
        return 0;
    if (shutdownInProgress) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO
                                    << "MPhoneLib shutdown requested when it's already in progress!!! Bad things may "
                                       "happen...";
        return -1;
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Shutting down MPhoneLib...";
    const QList<int> connected = spkConnectedLines;
    for (int line : connected)
        disconnectLineAudio(line);
    micConnectedLines.clear();
    spkConnectedLines.clear();

    stopRingingSound();
    stopCallNotice();
    ringDeviceSources.clear();
    ringingLines.clear();
    stopRemoteRinging();
    remoteRingingLines.clear();
    busyToneTimer.stop();
    stopBusyTone();
    congestionToneTimer.stop();
    stopCongestionTone();

    if (account)
        account->sipUnregister();

    shutdownInProgress = true;
    engine->disconnect();
    disconnect(engine, nullptr, this, nullptr);
    const int r = engine->shutdown();
    if (r < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Failed to shutdown MPhoneLib - errorNo:" << r;
    delete engine;
    engine = nullptr;
    shutdownInProgress = false;
    return r;
}

// ---------------------------------------------------------------- devices

QString MPEngine::soundsDir() const
{
    QString dir = soundsDirOverride.isEmpty() ? MSETTINGS::getSoundsDirPath() : soundsDirOverride;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir = QStringLiteral("%1/").arg(dir);
    return dir;
}

QStringList MPEngine::systemDeviceNames(QAudio::Mode mode) const
{
    if (systemDevices)
        return systemDevices(mode);
    DesklineMedia::Module *media = DesklineMedia::module();
    return media ? media->systemAudioDevices(mode == QAudio::AudioInput) : QStringList();
}

bool MPEngine::populateDeviceList(QAudio::Mode mode)
{
    const bool in = mode == QAudio::AudioInput;
    QList<AudioDeviceEntry *> &list = in ? inputDevices : outputDevices;
    qDeleteAll(list);
    list.clear();
    if (!engine)
        return false;
    const QStringList engineNames = in ? engine->getAudioInputDeviceList() : engine->getAudioOutputDeviceList();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO
                            << (in ? "Available VDK audio input devices:" : "Available VDK audio output devices:")
                            << engineNames;
    const QStringList system = systemDeviceNames(mode);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO
                            << (in ? "Available QT audio input devices:" : "Available QT audio output devices:")
                            << system;
    if (engineNames.isEmpty() || system.isEmpty())
        return false;

    DesklineMedia::Module *media = DesklineMedia::module();
    for (const QString &name : engineNames) {
        auto *entry = new AudioDeviceEntry;
        entry->name = name;
        int matched = -1;
        entry->longName = MPEngineRules::longDeviceName(name, system, &matched);
        if (matched >= 0 && media)
            entry->system = media->openSystemAudioDevice(in, entry->longName);
        entry->id = in ? engine->getAudioInputDevice(name, 0, 0, 0) : engine->getAudioOutputDevice(name, 0, 0, 0);
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Device vdk  Name:" << entry->name;
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "device long Name:" << entry->longName;
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "device Id:" << entry->id;
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "-----------------------";
        list.append(entry);
    }
    return !list.isEmpty();
}

bool MPEngine::populateInputAudioDeviceList()
{
    return populateDeviceList(QAudio::AudioInput);
}

bool MPEngine::populateOutputAudioDeviceList()
{
    return populateDeviceList(QAudio::AudioOutput);
}

QStringList MPEngine::getAudioInputDeviceList() const
{
    QStringList names;
    for (const AudioDeviceEntry *e : inputDevices)
        names << e->longName;
    return names;
}

QStringList MPEngine::getAudioOutputDeviceList() const
{
    QStringList names;
    for (const AudioDeviceEntry *e : outputDevices)
        names << e->longName;
    return names;
}

int MPEngine::toneDevice(const QString &fileName) const
{
    if (fileName == QLatin1String("ringing.wav"))
        return ringingToneDevice;
    if (fileName == QLatin1String("busyTone.wav"))
        return busyToneDevice;
    if (fileName == QLatin1String("remoteRingingTone.wav"))
        return remoteRingingToneDevice;
    if (fileName == QLatin1String("callNotice.wav"))
        return callNoticeDevice;
    if (fileName == QLatin1String("congestionTone.wav"))
        return congestionToneDevice;
    if (fileName == QLatin1String("silence.wav"))
        return silenceDevice;
    return -1;
}

bool MPEngine::setupDevices()
{
    if (!engine)
        return false;
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Looking for the audio devices in config =>\n"
                           << "Microphone:" << config.micDevice.value << "- Speaker:" << config.spkDevice.value
                           << "- RingDev:" << config.ringDevice.value;
    const int oldMic = micDevice;
    const int oldSpk = spkDevice;
    const int oldRing = ringDev;

    const QString dir = soundsDir();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Searching RingingTone in" << dir;
    struct ToneFile {
        const char *file;
        int *device;
        bool loop;
        const char *label;
    };
    const ToneFile tones[] = {
        {"ringing.wav", &ringingToneDevice, true, "RingingTone :"},
        {"busyTone.wav", &busyToneDevice, true, "BusyTone :"},
        {"remoteRingingTone.wav", &remoteRingingToneDevice, true, "RemoteRingingTone :"},
        {"callNotice.wav", &callNoticeDevice, true, "CallNoticeTone :"},
        {"congestionTone.wav", &congestionToneDevice, false, "CongestionTone :"},
        {"silence.wav", &silenceDevice, true, "SilenceAudioFile :"},
    };
    for (const ToneFile &t : tones) {
        // A tone device that is being reopened would leak its old id: the
        // engine keeps file devices for its lifetime, so reuse an open one.
        if (*t.device >= 0)
            continue;
        *t.device = engine->getFileInputDevice(dir + QLatin1String(t.file), t.loop, 0);
        if (*t.device < 0)
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << t.label << errorText(*t.device);
    }

    populateInputAudioDeviceList();
    populateOutputAudioDeviceList();

    auto findId = [](const QList<AudioDeviceEntry *> &list, const QString &name) {
        if (name.isEmpty()) // no choice made: never a nameless device
            return -1;
        for (const AudioDeviceEntry *e : list) {
            if (e->longName == name)
                return e->id;
        }
        return -1;
    };
    micDevice = findId(inputDevices, config.micDevice.value);
    micIsPlantronics = false;
    spkDevice = findId(outputDevices, config.spkDevice.value);
    spkIsPlantronics = false;
    ringDev = findId(outputDevices, config.ringDevice.value);
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Audio devices in config have the following IDs =>\n"
                           << "MicrophoneId:" << micDevice << "- SpeakerId:" << spkDevice << "- RingDevId:" << ringDev;

    if (micDevice < 0) {
        micDevice = engine->getDefaultAudioInputDevice();
        if (micDevice < 0) {
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "No audio input device found, not even the default one!";
            emit sigError(3, tr("Non è stato trovato un device audio per il microfono valido.\nContattare "
                                "l'amministratore di sistema per correggere il problema."));
            return false;
        }
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "The chosen Mic device" << config.micDevice.value
                                   << "was not found in VDK audio input device list, fallback to default input "
                                      "device with ID"
                                   << micDevice;
        emit sigNotify(tr("Il device audio per il microfono indicato nelle impostazioni non ha risposto "
                          "correttamente.\nVerrà utilizzato il microfono di default del sistema operativo."));
    }
    if (spkDevice < 0) {
        spkDevice = engine->getDefaultAudioOutputDevice();
        if (spkDevice < 0) {
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "No output device found, not even the default one!";
            emit sigError(3, tr("Non è stato trovato un device audio di ascolto valido.\nContattare "
                                "l'amministratore di sistema per correggere il problema."));
            return false;
        }
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "The chosen Speaker device" << config.spkDevice.value
                                   << "was not found in VDK audio output device list, fallback to default output "
                                      "device with ID"
                                   << spkDevice;
        emit sigNotify(tr("Il device audio per l'ascolto indicato nelle impostazioni non ha risposto "
                          "correttamente.\nVerrà utilizzato il device audio di default del sistema operativo."));
    }
    if (ringDev < 0) {
        ringDev = engine->getDefaultAudioOutputDevice();
        if (ringDev < 0) {
            // Without a ring device the softphone still works: calls are
            // signalled on screen, only the ring is not heard.
            ringDev = -1;
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "No ring device found, not even the default one!";
            emit sigError(2, tr("Non è stato trovato un device audio per la suoneria valido.\nNon sarà possibile "
                                "sentire la suoneria.\nContattare l'amministratore di sistema per correggere il "
                                "problema."));
        } else {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "The chosen Ring device" << config.ringDevice.value
                                       << "was not found in VDK audio output device list, fallback to default "
                                          "output device with ID"
                                       << ringDev;
            emit sigNotify(tr("Il device audio per la suoneria indicato nelle impostazioni non ha risposto "
                              "correttamente.\nVerrà utilizzato il device audio di default del sistema operativo."));
        }
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "IDs of audio devices that will be used =>\n"
                            << micDevice << spkDevice << ringDev;

    moveConnectedAudio(oldMic, oldSpk, oldRing);
    setupEchoControl();
    return true;
}

void MPEngine::moveConnectedAudio(int oldMic, int oldSpk, int oldRing)
{
    if (oldMic != micDevice) {
        for (int line : micConnectedLines) {
            logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Changing Mic device used by connected line" << line;
            if (engine->disconnectDeviceFromLine(oldMic, line) < 0 || engine->connectDeviceToLine(micDevice, line) < 0)
                logLine(LOG_SURVIVED) << Q_FUNC_INFO << "Failed to update Mic device for connected line" << line;
        }
    }
    if (oldSpk != spkDevice) {
        for (int line : spkConnectedLines) {
            logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Changing Spk device used by connected line" << line;
            if (engine->disconnectLineFromDevice(line, oldSpk) < 0 || engine->connectLineToDevice(line, spkDevice) < 0)
                logLine(LOG_SURVIVED) << Q_FUNC_INFO << "Failed to update Spk device for connected line" << line;
        }
    }
    if (oldRing != ringDev) {
        // The ring sources are file devices playing into the ring device.
        for (int id : ringDeviceSources) {
            logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Changing Ring used by connected line" << id;
            if (engine->disconnectDevices(id, oldRing) < 0 || (ringDev >= 0 && engine->connectDevices(id, ringDev) < 0))
                logLine(LOG_SURVIVED) << Q_FUNC_INFO << "Failed to update Ring device for connected line" << id;
        }
        if (ringDev < 0)
            ringDeviceSources.clear();
    }
}

void MPEngine::setupEchoControl()
{
    if (!config.echoCanceller)
        return;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Enabling echo cancel between devices: " << spkDevice << " and "
                            << micDevice;
    int r = engine->enableDeviceMediaCaching(spkDevice, 250);
    if (r != 0) {
        logLine(LOG_SURVIVED) << Q_FUNC_INFO << "Error enabling media caching for device" << spkDevice << ". Error" << r
                              << ":" << errorText(r);
        return;
    }
    r = engine->enableEchoCancelBetweenDevices(micDevice, spkDevice);
    if (r != 0) {
        logLine(LOG_SURVIVED) << Q_FUNC_INFO << "Error enabling the echo cancel between devices" << micDevice << "and"
                              << spkDevice << ". Error" << r << ":" << errorText(r);
        return;
    }
    double lower = config.suppressorLowerThreshold;
    double upper = config.suppressorUpperThreshold;
    int convergence = config.suppressorConvergenceMillis;
    int divider = config.suppressorDivider;
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Echo cancel enabled between devices" << micDevice << spkDevice
                            << config.echoCancellerLmsFilter << config.echoSuppressor << lower << upper << convergence
                            << divider;
    r = engine->enableDeviceEchoCancelLmsFilter(config.echoCancellerLmsFilter, micDevice);
    if (r != 0)
        logLine(LOG_SURVIVED) << Q_FUNC_INFO << "Error" << (config.echoCancellerLmsFilter ? "enabling" : "disabling")
                              << "echo cancel LMS filter for device" << micDevice << ". Error" << r << ":"
                              << errorText(r);
    r = engine->enableDeviceEchoSuppression(config.echoSuppressor, micDevice);
    if (r != 0)
        logLine(LOG_SURVIVED) << Q_FUNC_INFO << "Error" << (config.echoSuppressor ? "enabling" : "disabling")
                              << "echo suppressor for device" << micDevice << ". Error" << r << ":" << errorText(r);
    if (!(lower >= 0.0 && lower <= 100.0)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Invalid value for suppressor lower threshold:" << lower
                                   << ". Setting it to default value:" << 10.0;
        lower = 10.0;
    }
    if (!(upper >= 0.0 && upper <= 100.0)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Invalid value for suppressor upper threshold:" << upper
                                   << ". Setting it to default value:" << 40.0;
        upper = 40.0;
    }
    if (convergence < 1000 || convergence > 120000) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Invalid value for suppressor convergence (millis):" << convergence
                                   << ". Setting it to default value:" << 4000;
        convergence = 4000;
    }
    if (divider < 2 || divider > 50) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Invalid value for suppressor divider:" << divider
                                   << ". Setting it to default value:" << 15;
        divider = 15;
    }
    r = engine->setDeviceEchoSuppressionParameters(lower, upper, convergence, divider, micDevice);
    if (r != 0)
        logLine(LOG_SURVIVED) << Q_FUNC_INFO << "Error setting echo suppressor params to device" << micDevice
                              << ". Error" << r << ":" << errorText(r);
}

void MPEngine::changeAudioDevices(const MctiConfig &newConfig)
{
    config.micDevice.set(newConfig.micDevice.value);
    config.spkDevice.set(newConfig.spkDevice.value);
    config.ringDevice.set(newConfig.ringDevice.value);
    const auto changed = [](const ConfigValue<QString> &v) { return v.given && v.previous != v.value; };
    if (changed(config.micDevice) || changed(config.spkDevice) || changed(config.ringDevice))
        setupDevices();
}

bool MPEngine::setInputAudioValue(int level)
{
    if (!engine)
        return false;
    const int r = engine->setDeviceVolumeLevel(micDevice, level);
    if (r < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error setting the input audio value:" << errorText(r);
    return r >= 0;
}

bool MPEngine::setOutputAudioValue(int level)
{
    if (!engine)
        return false;
    const int r = engine->setDeviceVolumeLevel(spkDevice, level);
    if (r < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error setting the output audio value:" << errorText(r);
    return r >= 0;
}

int MPEngine::getInputAudioValue()
{
    if (!engine)
        return VDK::ErrNotInitialized;
    const int r = engine->getDeviceVolumeLevel(micDevice);
    if (r < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error getting the input audio value:" << errorText(r);
    return r;
}

int MPEngine::getOutputAudioValue()
{
    if (!engine)
        return VDK::ErrNotInitialized;
    const int r = engine->getDeviceVolumeLevel(spkDevice);
    if (r < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error getting the output audio value:" << errorText(r);
    return r;
}

int MPEngine::enableDoNotDisturb(bool on)
{
    return engine ? engine->enableDoNotDisturb(on) : int(VDK::ErrNotInitialized);
}

void MPEngine::setRedirectEnabled(bool on, QString num2redirect)
{
    redirectEnabled = on;
    redirectNumber = num2redirect;
}

void MPEngine::disconnectLineAudio(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "on line:" << line;
    if (sessionProgressLines.contains(line))
        stopSessionProgress(line, false);
    if (micConnectedLines.contains(line)) {
        const int r = engine ? engine->disconnectDeviceFromLine(micDevice, line) : int(VDK::ErrNotInitialized);
        if (r < 0)
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to disconnect line" << line
                                        << "from device MIC:" << errorText(r);
        micConnectedLines.removeAll(line);
    }
    if (spkConnectedLines.contains(line)) {
        const int r = engine ? engine->disconnectLineFromDevice(line, spkDevice) : int(VDK::ErrNotInitialized);
        if (r < 0)
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to disconnect line" << line
                                        << "from device SPK:" << errorText(r);
        spkConnectedLines.removeAll(line);
    }
}

// ---------------------------------------------------------------- account

bool MPEngine::loadAccounts()
{
    if (account) {
        account->disconnect();
        disconnect(account, nullptr, this, nullptr);
        account->sipUnregister();
        account->deleteLater();
        account = nullptr;
    }
    account = new MPAccount;
    account->m_authUsername = config.sipUsername;
    account->m_password = config.sipPassword;
    account->m_sipUser = config.sipUser;
    account->m_registrarAddress = config.sipRegistrarAddress.value;
    connect(account, &MPAccount::sigRegisterRefreshNeeded, this, &MPEngine::registerSipAccount);
    registerSipAccount();
    if (engine)
        engine->setActiveSipAccount(0);
    return true;
}

int MPEngine::registerSipAccount()
{
    if (!engine || !account) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "No SIP account to register";
        return -1;
    }
    const int r = engine->registerSipAccount(0);
    if (r >= 0)
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Account" << account->m_authUsername << "registration requested";
    else
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Failed to register account" << account->m_authUsername
                                    << "- Error Details:" << errorText(r);
    return r;
}

int MPEngine::unregisterSipAccount()
{
    if (!engine || !account || !account->m_registered)
        return -1;
    const int r = engine->unregisterSipAccount(0);
    if (r >= 0) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Account" << account->m_authUsername << "unregistration succeded";
        account->sipUnregister();
        emit sigUnregistrationOk();
    } else {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Failed to unregister account" << account->m_authUsername
                                   << "- Error Details:" << errorText(r);
    }
    return r;
}

void MPEngine::onRegisterAccountOk()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "SIP account has been registered successfully";
    if (account)
        account->sipRegister();
    emit sigRegistrationOk();
}

void MPEngine::onRegisterAccountFailed()
{
    logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "SIP account registration failed";
    if (account)
        account->sipUnregister();
    emit sigRegistrationFail();
}

void MPEngine::onTlsRegisterAccountFailed()
{
    logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "SIP account TLS negotiation failed";
    if (account)
        account->sipUnregister();
    emit sigRegistrationTlsFail();
}

// ---------------------------------------------------------------- call lines

QString MPEngine::getSipAddress(QString number) const
{
    if (!account) {
        // Without an account the number is passed on, but never with
        // characters that could break the SIP message.
        return MPEngineRules::sipAddress(number, QString(), 5060);
    }
    return MPEngineRules::sipAddress(number, account->m_registrarAddress, account->m_registrarPort);
}

bool MPEngine::startAudioCall(QString number)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Starting new call to" << masked(number);
    const QString address = getSipAddress(number);
    if (number.trimmed().isEmpty() || address.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Callee invalid.";
        return false;
    }
    if (!engine)
        return false;
    const int line = engine->startAudioCall(address);
    if (line < 0) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO
                                    << "An error occurred trying to start a call - error:" << errorText(line);
        if (line == VDK::ErrNoFreeLine)
            emit sigError(3, tr("Non ci sono più linee VoIP disponibili."));
        return false;
    }
    QMetaObject::invokeMethod(
        this, [this, line, number] { onCallOriginate(line, number); }, Qt::QueuedConnection);
    return true;
}

void MPEngine::onCallOriginate(int lineId, QString calledNum)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Call originate - line:" << lineId << "calledNum:" << masked(calledNum);
    checkRinging();
    emit sigCallOriginate(lineId, calledNum);
}

bool MPEngine::answerAudioCall(int lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Answer call on line" << lineId;
    if (!engine)
        return false;
    const int r = engine->answerAudioCall(lineId);
    if (r < 0) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to answer a call - error:" << errorText(r);
        return false;
    }
    return true;
}

bool MPEngine::hangupAudioCall(int lineId)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Hangup call on line" << lineId;
    if (!engine)
        return false;
    int r;
    const char *failure;
    if (remoteRingingLines.contains(lineId)) {
        r = engine->cancelUnansweredCall(lineId);
        failure = "Error occurred trying to cancel a call on line";
    } else if (ringingLines.contains(lineId)) {
        r = engine->refuseCall(lineId);
        failure = "Error occurred trying to refuse incoming call on line";
    } else {
        r = engine->abortCall(lineId);
        failure = "Error occurred trying to stop established call on line";
    }
    if (r < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << failure << lineId << " - error:" << errorText(r);
    return r >= 0;
}

bool MPEngine::transferEstablishedCall(int line, QString number)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Transfering established call on line" << line << "to" << masked(number);
    const QString address = getSipAddress(number);
    if (address.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Callee invalid.";
        return false;
    }
    if (!engine)
        return false;
    const int r = engine->redirectEstablishedCallToSipAddress(line, address);
    if (r < 0) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO
                                    << "An error occurred trying to transfer an established call - error:"
                                    << errorText(r);
        return false;
    }
    return true;
}

bool MPEngine::transferIncomingCall(int line, QString number)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Transfering incoming call on line" << line << "to" << masked(number);
    const QString address = getSipAddress(number);
    if (address.isEmpty() || !engine)
        return false;
    const int r = engine->redirectIncomingCallToSipAddress(line, address);
    if (r < 0) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO
                                    << "An error occurred trying to transfer an incoming call - error:" << errorText(r);
        return false;
    }
    return true;
}

bool MPEngine::bridgeLinesRemotely(int line1, int line2)
{
    return engine && engine->bridgeLinesRemotely(line1, line2) == 0;
}

bool MPEngine::holdCall(int lineId, bool active)
{
    if (!engine)
        return false;
    if (active) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Setting the line in full duplex mode (active mode)";
        const int r1 = engine->setLineOnHoldStatus(lineId, VDK::LineFullDuplex);
        if (r1 < 0)
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "An error occurred in setting the line in full duplex mode:"
                                        << errorText(r1);
        const int r2 = engine->pauseLineIncomingAudio(false, lineId);
        if (r2 < 0)
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "An error occurred unpausing incoming audio for line"
                                        << lineId << "- error:" << errorText(r2);
        const int r3 = engine->pauseLineOutgoingAudio(false, lineId);
        if (r3 < 0)
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "An error occurred unpausing outgoing audio for line"
                                        << lineId << "- error:" << errorText(r3);
        if (r1 >= 0 && r2 >= 0 && r3 >= 0)
            logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "The line" << lineId << "is in active mode";
        return r3 >= 0;
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Setting the line on hold";
    const int r1 = engine->setLineOnHoldStatus(lineId, VDK::LineInactive);
    if (r1 < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO
                                    << "An error occurred in setting the line on hold mode:" << errorText(r1);
    const int r2 = engine->pauseLineIncomingAudio(true, lineId);
    if (r2 < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "An error occurred pausing incoming audio for line" << lineId
                                    << "- error:" << errorText(r2);
    const int r3 = engine->pauseLineOutgoingAudio(true, lineId);
    if (r3 < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "An error occurred pausing outgoing audio for line" << lineId
                                    << "- error:" << errorText(r3);
    if (r1 >= 0 && r2 >= 0 && r3 >= 0)
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "The line" << lineId << "is on hold";
    return r3 >= 0;
}

int MPEngine::serviceCodeDtmf(int line, int key, const char *what, const char *missing)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << what << line;
    const QString code = servicesCodes.value(CTILIB::ServiceDialCodeType(key));
    if (code.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << missing;
        return -1;
    }
    return processDtmfSequence(line, QStringList{code});
}

bool MPEngine::parkCall(int line)
{
    return serviceCodeDtmf(line, 29, "Parking call on line", "Park service code not found...") >= 0;
}

bool MPEngine::fastTransferCall(int line)
{
    return serviceCodeDtmf(line, 27, "Fast transfer call on line", "Fast transfer service code not found...") >= 0;
}

bool MPEngine::recordCall(int line)
{
    return serviceCodeDtmf(line, 28, "Start recording call on line", "Recording service code not found...") >= 0;
}

int MPEngine::processDtmfSequence(int lineId, QStringList dtmfSequenceList)
{
    const QString digits = dtmfSequenceList.join(QString());
    if (digits.isEmpty())
        return 0;
    if (!engine)
        return VDK::ErrNotInitialized;
    int result = VDK::ErrInvalidArgument; // stays so when no character is a DTMF digit
    for (const QChar raw : digits) {
        const QChar c = (raw >= QLatin1Char('a') && raw <= QLatin1Char('d')) ? raw.toUpper() : raw;
        if (!MPEngineRules::isDtmfCharacter(c)) {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                       << "Skipping a character that is no DTMF digit:" << int(raw.unicode());
            continue;
        }
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Sending DTMF code '" << c << "'";
        result = engine->sendDtmf(lineId, c.toLatin1(), kDtmfDurationMs);
        if (result < 0)
            break;
    }
    return result;
}

bool MPEngine::connectLineAudio(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "on line:" << line;
    if (!engine)
        return false;
    if (!micConnectedLines.contains(line)) {
        const int r = engine->connectDeviceToLine(micDevice, line);
        if (r < 0) {
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to connect line" << line
                                        << "to device MIC:" << errorText(r);
            emit sigError(3, tr("Errore di comunicazione con il microfono.\nLa chiamata verrà interrotta.\nContattare "
                                "l'amministratore di sistema per correggere il problema."));
            hangupAudioCall(line);
            return false;
        }
        micConnectedLines.append(line);
    }
    if (sessionProgressLines.contains(line))
        stopSessionProgress(line, true);
    if (spkConnectedLines.contains(line))
        return true;
    const int r = engine->connectLineToDevice(line, spkDevice);
    if (r >= 0) {
        spkConnectedLines.append(line);
        return true;
    }
    logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to connect line" << line
                                << "to device SPK:" << errorText(r);
    emit sigError(3, tr("Errore di comunicazione con la scheda audio. E' impossibile riprodurre i suoni.\nLa chiamata "
                        "verrà interrotta.\nContattare l'amministratore di sistema per correggere il problema."));
    hangupAudioCall(line);
    return false;
}

bool MPEngine::isActive(int line) const
{
    return engine && engine->getLineOnHoldStatus(line) == VDK::LineFullDuplex;
}

bool MPEngine::isLineAudioConnected() const
{
    for (int line : spkConnectedLines) {
        if (isActive(line))
            return true;
    }
    return false;
}

void MPEngine::requestCallDuration(int line)
{
    emit sigCallDuration(line, engine ? engine->getCallDuration(line) : 0);
}

void MPEngine::requestOutgoingPeakLevel(int line)
{
    int error = 0;
    const int level = engine ? int(engine->getDevicePeakLevel(micDevice, 0, &error)) : 0;
    emit sigOutgoingPeakLevel(line, qMax(0, level));
}

void MPEngine::requestIngoingPeakLevel(int line)
{
    int error = 0;
    const int level = engine ? int(engine->getDevicePeakLevel(spkDevice, 0, &error)) : 0;
    emit sigIngoingPeakLevel(line, qMax(0, level));
}

int MPEngine::changeLineLevel(int line, int level)
{
    return engine ? engine->setLineIncomingVolumeLevel(line, level) : int(VDK::ErrNotInitialized);
}

bool MPEngine::hasCalls() const
{
    return engine && engine->getNumberOfBusyLines() > 0;
}

int MPEngine::getNumberOfFreeLines() const
{
    return engine ? engine->getNumberOfFreeLines() : 0;
}

int MPEngine::getNumberOfBusyLines()
{
    return engine ? engine->getNumberOfBusyLines() : 0;
}

void MPEngine::onCallEstablished(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Call established - line:" << line;
    stopRinging(line);
    stopRemoteRinging(line);
    const bool ok = connectLineAudio(line);
    checkRinging();
    if (ok)
        emit sigCallEstablished(line);
}

void MPEngine::onCallTerminated(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Call terminated - line:" << line;
    stopRinging(line);
    stopRemoteRinging(line);
    disconnectLineAudio(line);
    checkRinging();
    emit sigCallTerminated(line);
}

// ---------------------------------------------------------------- tones

bool MPEngine::playTone(int device, int output, bool &playing, const char *what, bool warning)
{
    if (playing) {
        logLine(UNQL::LOG_DBG_ALL) << Q_FUNC_INFO << what << "it's already playing...";
        return true;
    }
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << what;
    const int r = engine ? engine->connectDevices(device, output) : int(VDK::ErrNotInitialized);
    if (r < 0) {
        logLine(warning ? UNQL::LOG_WARNING : UNQL::LOG_CRITICAL)
            << Q_FUNC_INFO << "Error occurred trying to play the" << what << "- " << errorText(r);
        return false;
    }
    playing = true;
    return true;
}

void MPEngine::stopTone(int device, int output, bool &playing, const char *what)
{
    if (!playing) {
        logLine(UNQL::LOG_DBG_ALL) << Q_FUNC_INFO << what << "not playing...";
        return;
    }
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << what;
    const int r = engine ? engine->disconnectDevices(device, output) : int(VDK::ErrNotInitialized);
    if (r < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to stop playing the" << what << "- "
                                    << errorText(r);
    playing = false;
}

bool MPEngine::startBusyTone()
{
    if (!playTone(busyToneDevice, spkDevice, busyTonePlaying, "busy tone", false))
        return false;
    busyToneTimer.start();
    return true;
}

void MPEngine::stopBusyTone()
{
    busyToneTimer.stop();
    stopTone(busyToneDevice, spkDevice, busyTonePlaying, "busy tone");
}

bool MPEngine::startCongestionTone()
{
    if (!playTone(congestionToneDevice, spkDevice, congestionTonePlaying, "congestion tone", false))
        return false;
    congestionToneTimer.start();
    return true;
}

void MPEngine::stopCongestionTone()
{
    congestionToneTimer.stop();
    stopTone(congestionToneDevice, spkDevice, congestionTonePlaying, "congestion tone");
}

bool MPEngine::startRemoteRinging()
{
    return playTone(remoteRingingToneDevice, spkDevice, remoteRingingPlaying, "remote ringing tone", false);
}

void MPEngine::stopRemoteRinging()
{
    stopTone(remoteRingingToneDevice, spkDevice, remoteRingingPlaying, "remote ringing tone");
}

bool MPEngine::startCallNotice()
{
    return playTone(callNoticeDevice, spkDevice, callNoticePlaying, "additional call notice tone", true);
}

void MPEngine::stopCallNotice()
{
    stopTone(callNoticeDevice, spkDevice, callNoticePlaying, "additional call notice tone");
}

bool MPEngine::isRinging() const
{
    return ringingToneDevice >= 0 && ringDeviceSources.contains(ringingToneDevice);
}

bool MPEngine::startRingingSound()
{
    if (isRinging())
        return true;
    if (ringDev < 0 || ringingToneDevice < 0) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "No ring device or ringing tone: the ring is not played";
        return false;
    }
    const int r = engine ? engine->connectDevices(ringingToneDevice, ringDev) : int(VDK::ErrNotInitialized);
    if (r < 0) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to play the ringing tone - "
                                    << errorText(r);
        return false;
    }
    ringDeviceSources.append(ringingToneDevice);
    return true;
}

void MPEngine::stopRingingSound()
{
    if (!isRinging())
        return;
    const int r = engine ? engine->disconnectDevices(ringingToneDevice, ringDev) : int(VDK::ErrNotInitialized);
    if (r < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << errorText(r);
    ringDeviceSources.removeAll(ringingToneDevice);
}

bool MPEngine::startRinging(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "on line:" << line;
    if (!remoteRingingPlaying && !isLineAudioConnected()) {
        stopCallNotice();
        startRingingSound();
    } else {
        stopRingingSound();
        startCallNotice();
    }
    if (!ringingLines.contains(line))
        ringingLines.append(line);
    return true;
}

void MPEngine::stopRinging(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "on line:" << line;
    ringingLines.removeOne(line);
    if (ringingLines.isEmpty()) {
        stopRingingSound();
        stopCallNotice();
    }
}

bool MPEngine::startRemoteRinging(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "on line:" << line;
    startRemoteRinging();
    if (!remoteRingingLines.contains(line))
        remoteRingingLines.append(line);
    return true;
}

void MPEngine::stopRemoteRinging(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "on line:" << line;
    remoteRingingLines.removeOne(line);
    if (remoteRingingLines.isEmpty())
        stopRemoteRinging();
}

void MPEngine::checkRinging()
{
    logLine(UNQL::LOG_DBG_ALL) << Q_FUNC_INFO;
    const bool quiet = !remoteRingingPlaying && !isLineAudioConnected();
    switch (MPEngineRules::checkRinging(quiet, isRinging(), callNoticePlaying)) {
    case MPEngineRules::RingingAction::RingingSound:
        stopCallNotice();
        startRingingSound();
        break;
    case MPEngineRules::RingingAction::CallNotice:
        stopRingingSound();
        startCallNotice();
        break;
    case MPEngineRules::RingingAction::StopBoth:
        stopCallNotice();
        stopRingingSound();
        break;
    case MPEngineRules::RingingAction::None:
        break;
    }
}

bool MPEngine::startSessionProgress(int line)
{
    if (sessionProgressLines.contains(line)) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Line" << line << "is already in session progress...";
        return true;
    }
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "on line:" << line;
    if (!engine)
        return false;
    int r = engine->connectDeviceToLine(silenceDevice, line);
    if (r < 0) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to play silence on line" << line << " - "
                                    << errorText(r);
        return false;
    }
    sessionProgressLines.append(line);
    if (spkConnectedLines.contains(line))
        return true;
    r = engine->connectLineToDevice(line, spkDevice);
    if (r >= 0) {
        spkConnectedLines.append(line);
        return true;
    }
    logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to connect line" << line
                                << "to device SPK:" << errorText(r);
    return false;
}

void MPEngine::stopSessionProgress(int line, bool keepSpeaker)
{
    if (!sessionProgressLines.contains(line)) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Line" << line << "is not in session progress yet...";
        return;
    }
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "on line:" << line;
    int r = engine ? engine->disconnectDeviceFromLine(silenceDevice, line) : int(VDK::ErrNotInitialized);
    if (r < 0)
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to stop playing silence on line" << line
                                    << " - " << errorText(r);
    sessionProgressLines.removeAll(line);
    if (!keepSpeaker && spkConnectedLines.contains(line)) {
        r = engine ? engine->disconnectLineFromDevice(line, spkDevice) : int(VDK::ErrNotInitialized);
        if (r < 0)
            logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to disconnect line" << line
                                        << "from device SPK:" << errorText(r);
        spkConnectedLines.removeAll(line);
    }
}

void MPEngine::onRemoteRinging(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Remote is ringing - line:" << line;
    startRemoteRinging(line);
    checkRinging();
}

void MPEngine::onSessionProgress(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Received signal sessionProgress on line" << line;
    stopRemoteRinging(line);
    startSessionProgress(line);
    checkRinging();
}

void MPEngine::onFileReadingFinished(int device)
{
    if (!engine)
        return;
    const int r = engine->disconnectDevices(device, spkDevice);
    if (r < 0) {
        logLine(UNQL::LOG_CRITICAL) << Q_FUNC_INFO << "Error occurred trying to disconnect the File device " << device
                                    << " - " << errorText(r);
        return;
    }
    if (device == congestionToneDevice)
        congestionTonePlaying = false;
    else if (device == busyToneDevice)
        busyTonePlaying = false;
}

// ---------------------------------------------------------------- incoming calls, errors, hold

void MPEngine::onIncomingCall(int lineId, const char *caller, const char *callee)
{
    const QString from = caller ? QString::fromUtf8(caller) : QString();
    const QString to = callee ? QString::fromUtf8(callee) : QString();
    if (thread() == QThread::currentThread()) {
        onIncomingCall(lineId, from, to);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, lineId, from, to] { onIncomingCall(lineId, from, to); }, Qt::QueuedConnection);
}

void MPEngine::onSipErrorReceived(int lineId, int errcode, const char *text)
{
    const QString msg = text ? QString::fromUtf8(text) : QString();
    if (thread() == QThread::currentThread()) {
        onSipErrorReceived(lineId, errcode, msg);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, lineId, errcode, msg] { onSipErrorReceived(lineId, errcode, msg); }, Qt::QueuedConnection);
}

void MPEngine::onIncomingCall(int lineId, QString caller, QString callee)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Incoming audio call - line:" << lineId << "from:" << caller
                           << "to:" << callee;
    const QPair<QString, QString> nameNum = CTILIB::getNameNumPairFromUri(caller);
    if (redirectEnabled) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Redirect enabled, forwarding incoming call to"
                                << masked(redirectNumber);
        if (transferIncomingCall(lineId, redirectNumber))
            return;
        // A forward that fails must not lose the call: ring it as usual.
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Forwarding failed, the call on line" << lineId << "rings here";
    }
    startRinging(lineId);
    checkRinging();
    emit sigIncomingAudioCall(lineId, nameNum.second, nameNum.first);
}

void MPEngine::onCallCanceled(int line)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Received signal callCanceled on line" << line;
    stopRinging(line);
    checkRinging();
    emit sigCallCanceled(line);
}

void MPEngine::onSipErrorReceived(int lineId, int errcode, QString text)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Sip error - line:" << lineId << "errcode:" << errcode << "msg:" << text;
    stopRinging(lineId);
    stopRemoteRinging(lineId);
    disconnectLineAudio(lineId);
    checkRinging();
    emit sigSipErrorReceived(lineId, errcode, text);
}

void MPEngine::onHoldOk(int line)
{
    const unsigned status = engine ? unsigned(engine->getLineOnHoldStatus(line)) : unsigned(-1);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Line" << line << "has status" << status;
    switch (MPEngineRules::holdResult(status)) {
    case MPEngineRules::HoldResult::Held:
        emit sigOnHoldOk(line, false);
        break;
    case MPEngineRules::HoldResult::Active:
        emit sigOnHoldOk(line, true);
        break;
    case MPEngineRules::HoldResult::Failed:
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                   << "Line status is neither of INACTIVE, ON_HOLD, REMORE_ON_HOLD, FULL_DUPLEX!";
        emit sigOnHoldFailed(line);
        break;
    }
}

void MPEngine::onHoldFailed(int line)
{
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Received signal onHoldFail on line" << line;
    emit sigOnHoldFailed(line);
}

void MPEngine::PlantronicsHeadsetAttached(QString name)
{
    QString input;
    QString output;
    DesklineMedia::Module *media = DesklineMedia::module();
    const QStringList inputs = media ? media->systemAudioDevices(true) : QStringList();
    const QStringList outputs = media ? media->systemAudioDevices(false) : QStringList();
    for (const QString &device : inputs) {
        if (device.contains(name, Qt::CaseSensitive)) {
            input = device;
            break;
        }
    }
    for (const QString &device : outputs) {
        if (device.contains(name, Qt::CaseSensitive)) {
            output = device;
            break;
        }
    }
    emit sigPlantronicsHeadsetAttached(name, input, output);
}
