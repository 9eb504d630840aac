#include "vdkqtengine.h"

#include "media/mediamodule.h"

// The engine itself lives in the media module: this object makes its backend
// there and turns the backend's events into its own signals. Without the
// module every call fails with VDK::ErrModule.
class VDKQtEnginePrivate final : public VDK::EngineEvents
{
public:
    explicit VDKQtEnginePrivate(VDKQtEngine *q) : q(q) {}

    VDKQtEngine *q;
    std::unique_ptr<VDK::EngineBackend> backend;

    void sigCallEstablished(int line) override { emit q->sigCallEstablished(line); }
    void sigCallCanceled(int line) override { emit q->sigCallCanceled(line); }
    void sigRinging(int line) override { emit q->sigRinging(line); }
    void sigOnHoldOk(int line) override { emit q->sigOnHoldOk(line); }
    void sigOnHoldFail(int line) override { emit q->sigOnHoldFail(line); }
    void sigSessionProgress(int line) override { emit q->sigSessionProgress(line); }
    void sigFileReadingFinished(int device) override { emit q->sigFileReadingFinished(device); }
    void sigCallTerminated(int line) override { emit q->sigCallTerminated(line); }
    void sigRegistrationOk(int account, int code, QString text) override
    {
        emit q->sigRegistrationOk(account, code, text);
    }
    void sigRegistrationFail(int account, int code, QString text) override
    {
        emit q->sigRegistrationFail(account, code, text);
    }
    void sigSecureHandshakeRegistrationFail(int account, int code, QString text) override
    {
        emit q->sigSecureHandshakeRegistrationFail(account, code, text);
    }
    void sigIncomingCall(int line, QString caller, QString callee) override
    {
        emit q->sigIncomingCall(line, caller, callee);
    }
    void sigSipError(int line, int code, QString text) override { emit q->sigSipError(line, code, text); }
};

VDKQtEngine::VDKQtEngine(const VDKLogConfig &logConfig, QObject *parent)
    : QObject(parent), d(std::make_unique<VDKQtEnginePrivate>(this))
{
    if (DesklineMedia::Module *module = DesklineMedia::module())
        d->backend = module->createEngine(logConfig, d.get());
}

VDKQtEngine::~VDKQtEngine()
{
    // Stops the engine thread while the events still have a receiver.
    d->backend.reset();
}

int VDKQtEngine::setDefaultSipProxy(const QString &host, int port, int tlsPort)
{
    return d->backend ? d->backend->setDefaultSipProxy(host, port, tlsPort) : VDK::ErrModule;
}

int VDKQtEngine::setDefaultSipRegistrar(const QString &host, int port, int tlsPort)
{
    return d->backend ? d->backend->setDefaultSipRegistrar(host, port, tlsPort) : VDK::ErrModule;
}

int VDKQtEngine::setLocalNetworkAddress(const QString &address)
{
    return d->backend ? d->backend->setLocalNetworkAddress(address) : VDK::ErrModule;
}

int VDKQtEngine::setQosDefaultValues(int sipTos, int audioTos, int videoTos)
{
    return d->backend ? d->backend->setQosDefaultValues(sipTos, audioTos, videoTos) : VDK::ErrModule;
}

int VDKQtEngine::enableTlsUsage(bool on)
{
    return d->backend ? d->backend->enableTlsUsage(on) : VDK::ErrModule;
}

int VDKQtEngine::setDefaultSignalingTransportProtocol(int transport)
{
    return d->backend ? d->backend->setDefaultSignalingTransportProtocol(transport) : VDK::ErrModule;
}

int VDKQtEngine::setTlsCertificateDir(const QString &dir)
{
    return d->backend ? d->backend->setTlsCertificateDir(dir) : VDK::ErrModule;
}

int VDKQtEngine::setSipPort(int port)
{
    return d->backend ? d->backend->setSipPort(port) : VDK::ErrModule;
}

int VDKQtEngine::addSipAccount(const QString &authUser, const QString &password, const QString &user)
{
    return d->backend ? d->backend->addSipAccount(authUser, password, user) : VDK::ErrModule;
}

int VDKQtEngine::setWarningThresholdForMissingMedia(int seconds)
{
    return d->backend ? d->backend->setWarningThresholdForMissingMedia(seconds) : VDK::ErrModule;
}

int VDKQtEngine::hangupWhenMediaMissingOverThreshold(bool on)
{
    return d->backend ? d->backend->hangupWhenMediaMissingOverThreshold(on) : VDK::ErrModule;
}

int VDKQtEngine::setMaxUsableLines(int lines, int reserved)
{
    return d->backend ? d->backend->setMaxUsableLines(lines, reserved) : VDK::ErrModule;
}

int VDKQtEngine::init()
{
    return d->backend ? d->backend->init() : VDK::ErrModule;
}

int VDKQtEngine::shutdown()
{
    return d->backend ? d->backend->shutdown() : VDK::ErrModule;
}

QString VDKQtEngine::getVersionInfo() const
{
    return d->backend ? d->backend->getVersionInfo() : QString();
}

int VDKQtEngine::disableSipMethod(const QString &method)
{
    return d->backend ? d->backend->disableSipMethod(method) : VDK::ErrModule;
}

int VDKQtEngine::enableSipDebug(bool on)
{
    return d->backend ? d->backend->enableSipDebug(on) : VDK::ErrModule;
}

int VDKQtEngine::setSipUserAgentString(const QString &userAgent)
{
    return d->backend ? d->backend->setSipUserAgentString(userAgent) : VDK::ErrModule;
}

int VDKQtEngine::setLinesAudioJitterBufferSize(int minMs, int maxMs)
{
    return d->backend ? d->backend->setLinesAudioJitterBufferSize(minMs, maxMs) : VDK::ErrModule;
}

int VDKQtEngine::setDtmfDeliveryMode(VDK::DtmfDeliveryModeType mode)
{
    return d->backend ? d->backend->setDtmfDeliveryMode(mode) : VDK::ErrModule;
}

int VDKQtEngine::disableAudioCodec(const QString &codec)
{
    return d->backend ? d->backend->disableAudioCodec(codec) : VDK::ErrModule;
}

int VDKQtEngine::setAudioCodecPriority(const QStringList &codecs)
{
    return d->backend ? d->backend->setAudioCodecPriority(codecs) : VDK::ErrModule;
}

QStringList VDKQtEngine::audioCodecPriority() const
{
    return d->backend ? d->backend->audioCodecPriority() : QStringList();
}

QString VDKQtEngine::getErrorMessage(int code) const
{
    if (code == VDK::ErrModule)
        return QStringLiteral("Engine module not loaded: %1").arg(DesklineMedia::loadError());
    return d->backend ? d->backend->getErrorMessage(code) : QString();
}

int VDKQtEngine::setActiveSipAccount(int account)
{
    return d->backend ? d->backend->setActiveSipAccount(account) : VDK::ErrModule;
}

int VDKQtEngine::registerSipAccount(int account)
{
    return d->backend ? d->backend->registerSipAccount(account) : VDK::ErrModule;
}

int VDKQtEngine::unregisterSipAccount(int account)
{
    return d->backend ? d->backend->unregisterSipAccount(account) : VDK::ErrModule;
}

QStringList VDKQtEngine::getAudioInputDeviceList() const
{
    return d->backend ? d->backend->getAudioInputDeviceList() : QStringList();
}

QStringList VDKQtEngine::getAudioOutputDeviceList() const
{
    return d->backend ? d->backend->getAudioOutputDeviceList() : QStringList();
}

int VDKQtEngine::getAudioInputDevice(const QString &name, int a, int b, int c)
{
    return d->backend ? d->backend->getAudioInputDevice(name, a, b, c) : VDK::ErrModule;
}

int VDKQtEngine::getAudioOutputDevice(const QString &name, int a, int b, int c)
{
    return d->backend ? d->backend->getAudioOutputDevice(name, a, b, c) : VDK::ErrModule;
}

int VDKQtEngine::getDefaultAudioInputDevice()
{
    return d->backend ? d->backend->getDefaultAudioInputDevice() : VDK::ErrModule;
}

int VDKQtEngine::getDefaultAudioOutputDevice()
{
    return d->backend ? d->backend->getDefaultAudioOutputDevice() : VDK::ErrModule;
}

int VDKQtEngine::getFileInputDevice(const QString &path, bool loop, int reserved)
{
    return d->backend ? d->backend->getFileInputDevice(path, loop, reserved) : VDK::ErrModule;
}

int VDKQtEngine::getDeviceVolumeLevel(int device) const
{
    return d->backend ? d->backend->getDeviceVolumeLevel(device) : VDK::ErrModule;
}

int VDKQtEngine::setDeviceVolumeLevel(int device, int level)
{
    return d->backend ? d->backend->setDeviceVolumeLevel(device, level) : VDK::ErrModule;
}

int VDKQtEngine::enableDeviceMediaCaching(int device, int ms)
{
    return d->backend ? d->backend->enableDeviceMediaCaching(device, ms) : VDK::ErrModule;
}

int VDKQtEngine::enableEchoCancelBetweenDevices(int inputDevice, int outputDevice)
{
    return d->backend ? d->backend->enableEchoCancelBetweenDevices(inputDevice, outputDevice) : VDK::ErrModule;
}

int VDKQtEngine::enableDeviceEchoCancelLmsFilter(bool on, int device)
{
    return d->backend ? d->backend->enableDeviceEchoCancelLmsFilter(on, device) : VDK::ErrModule;
}

int VDKQtEngine::enableDeviceEchoSuppression(bool on, int device)
{
    return d->backend ? d->backend->enableDeviceEchoSuppression(on, device) : VDK::ErrModule;
}

int VDKQtEngine::setDeviceEchoSuppressionParameters(double lowerPercent, double upperPercent, int convergenceMs,
                                                    int divider, int device)
{
    return d->backend ? d->backend->setDeviceEchoSuppressionParameters(lowerPercent, upperPercent, convergenceMs,
                                                                       divider, device)
                      : VDK::ErrModule;
}

int VDKQtEngine::enableDoNotDisturb(bool on)
{
    return d->backend ? d->backend->enableDoNotDisturb(on) : VDK::ErrModule;
}

int VDKQtEngine::connectDevices(int inputDevice, int outputDevice)
{
    return d->backend ? d->backend->connectDevices(inputDevice, outputDevice) : VDK::ErrModule;
}

int VDKQtEngine::disconnectDevices(int inputDevice, int outputDevice)
{
    return d->backend ? d->backend->disconnectDevices(inputDevice, outputDevice) : VDK::ErrModule;
}

int VDKQtEngine::connectDeviceToLine(int inputDevice, int line)
{
    return d->backend ? d->backend->connectDeviceToLine(inputDevice, line) : VDK::ErrModule;
}

int VDKQtEngine::connectLineToDevice(int line, int outputDevice)
{
    return d->backend ? d->backend->connectLineToDevice(line, outputDevice) : VDK::ErrModule;
}

int VDKQtEngine::disconnectDeviceFromLine(int inputDevice, int line)
{
    return d->backend ? d->backend->disconnectDeviceFromLine(inputDevice, line) : VDK::ErrModule;
}

int VDKQtEngine::disconnectLineFromDevice(int line, int outputDevice)
{
    return d->backend ? d->backend->disconnectLineFromDevice(line, outputDevice) : VDK::ErrModule;
}

int VDKQtEngine::startAudioCall(const QString &sipAddress)
{
    return d->backend ? d->backend->startAudioCall(sipAddress) : VDK::ErrModule;
}

int VDKQtEngine::answerAudioCall(int line)
{
    return d->backend ? d->backend->answerAudioCall(line) : VDK::ErrModule;
}

int VDKQtEngine::refuseCall(int line)
{
    return d->backend ? d->backend->refuseCall(line) : VDK::ErrModule;
}

int VDKQtEngine::cancelUnansweredCall(int line)
{
    return d->backend ? d->backend->cancelUnansweredCall(line) : VDK::ErrModule;
}

int VDKQtEngine::abortCall(int line)
{
    return d->backend ? d->backend->abortCall(line) : VDK::ErrModule;
}

int VDKQtEngine::redirectEstablishedCallToSipAddress(int line, const QString &sipAddress)
{
    return d->backend ? d->backend->redirectEstablishedCallToSipAddress(line, sipAddress) : VDK::ErrModule;
}

int VDKQtEngine::redirectIncomingCallToSipAddress(int line, const QString &sipAddress)
{
    return d->backend ? d->backend->redirectIncomingCallToSipAddress(line, sipAddress) : VDK::ErrModule;
}

int VDKQtEngine::bridgeLinesRemotely(int line1, int line2)
{
    return d->backend ? d->backend->bridgeLinesRemotely(line1, line2) : VDK::ErrModule;
}

int VDKQtEngine::sendDtmf(int line, char digit, int durationMs)
{
    return d->backend ? d->backend->sendDtmf(line, digit, durationMs) : VDK::ErrModule;
}

VDK::LineOnHoldStatusType VDKQtEngine::getLineOnHoldStatus(int line) const
{
    return d->backend ? d->backend->getLineOnHoldStatus(line) : VDK::LineInactive;
}

int VDKQtEngine::setLineOnHoldStatus(int line, VDK::LineOnHoldStatusType status)
{
    return d->backend ? d->backend->setLineOnHoldStatus(line, status) : VDK::ErrModule;
}

int VDKQtEngine::pauseLineIncomingAudio(bool pause, int line)
{
    return d->backend ? d->backend->pauseLineIncomingAudio(pause, line) : VDK::ErrModule;
}

int VDKQtEngine::pauseLineOutgoingAudio(bool pause, int line)
{
    return d->backend ? d->backend->pauseLineOutgoingAudio(pause, line) : VDK::ErrModule;
}

int VDKQtEngine::setLineIncomingVolumeLevel(int line, int level)
{
    return d->backend ? d->backend->setLineIncomingVolumeLevel(line, level) : VDK::ErrModule;
}

int VDKQtEngine::getCallDuration(int line) const
{
    return d->backend ? d->backend->getCallDuration(line) : VDK::ErrModule;
}

double VDKQtEngine::getDevicePeakLevel(int device, int channelType, int *error) const
{
    if (d->backend)
        return d->backend->getDevicePeakLevel(device, channelType, error);
    if (error)
        *error = VDK::ErrModule;
    return 0.0;
}

int VDKQtEngine::getNumberOfFreeLines() const
{
    return d->backend ? d->backend->getNumberOfFreeLines() : VDK::ErrModule;
}

int VDKQtEngine::getNumberOfBusyLines() const
{
    return d->backend ? d->backend->getNumberOfBusyLines() : VDK::ErrModule;
}

QString VDKQtEngine::getLocalSipAddress(int transport) const
{
    return d->backend ? d->backend->getLocalSipAddress(transport) : QString();
}

QString VDKQtEngine::getLineMediaAddress(int line) const
{
    return d->backend ? d->backend->getLineMediaAddress(line) : QString();
}

int VDKQtEngine::getLineMediaStatistics(int line, quint64 *received, quint64 *dropped, quint64 *lost) const
{
    return d->backend ? d->backend->getLineMediaStatistics(line, received, dropped, lost) : VDK::ErrModule;
}
