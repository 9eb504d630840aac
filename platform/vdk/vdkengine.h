// The SIP and audio engine on the re/rem SIP stack: the backend of
// VDKQtEngine, built into the media module only (it links re/rem, speexdsp,
// spandsp, OpenSSL and Qt Multimedia).
#pragma once

#include "vdkbackend.h"

#include <memory>

class VDKEnginePrivate;

class VDKEngineBackend final : public VDK::EngineBackend
{
public:
    VDKEngineBackend(const VDKLogConfig &logConfig, VDK::EngineEvents *events);
    ~VDKEngineBackend() override;
    VDKEngineBackend(const VDKEngineBackend &) = delete;
    VDKEngineBackend &operator=(const VDKEngineBackend &) = delete;

    int setDefaultSipProxy(const QString &host, int port, int tlsPort) override;
    int setDefaultSipRegistrar(const QString &host, int port, int tlsPort) override;
    int setLocalNetworkAddress(const QString &address) override;
    int setQosDefaultValues(int sipTos, int audioTos, int videoTos) override;
    int enableTlsUsage(bool on) override;
    int setDefaultSignalingTransportProtocol(int transport) override;
    int setTlsCertificateDir(const QString &dir) override;
    int setSipPort(int port) override; // 0: any free port
    int addSipAccount(const QString &authUser, const QString &password, const QString &user) override;
    int setWarningThresholdForMissingMedia(int seconds) override;
    int hangupWhenMediaMissingOverThreshold(bool on) override;
    int setMaxUsableLines(int lines, int reserved) override;
    int init() override;
    int shutdown() override;

    QString getVersionInfo() const override;
    int disableSipMethod(const QString &method) override;
    int enableSipDebug(bool on) override;
    int setSipUserAgentString(const QString &userAgent) override;
    int setLinesAudioJitterBufferSize(int minMs, int maxMs) override;
    int setDtmfDeliveryMode(VDK::DtmfDeliveryModeType mode) override;
    int disableAudioCodec(const QString &codec) override;
    int setAudioCodecPriority(const QStringList &codecs) override;
    QStringList audioCodecPriority() const override;
    QString getErrorMessage(int code) const override;

    int setActiveSipAccount(int account) override;
    int registerSipAccount(int account) override;
    int unregisterSipAccount(int account) override;

    QStringList getAudioInputDeviceList() const override;
    QStringList getAudioOutputDeviceList() const override;
    int getAudioInputDevice(const QString &name, int a, int b, int c) override;
    int getAudioOutputDevice(const QString &name, int a, int b, int c) override;
    int getDefaultAudioInputDevice() override;
    int getDefaultAudioOutputDevice() override;
    int getFileInputDevice(const QString &path, bool loop, int reserved) override;
    int getDeviceVolumeLevel(int device) const override;      // 0..100
    int setDeviceVolumeLevel(int device, int level) override; // 0..100
    int enableDeviceMediaCaching(int device, int ms) override;
    int enableEchoCancelBetweenDevices(int inputDevice, int outputDevice) override;
    int enableDeviceEchoCancelLmsFilter(bool on, int device) override;
    int enableDeviceEchoSuppression(bool on, int device) override;
    int setDeviceEchoSuppressionParameters(double lowerPercent, double upperPercent, int convergenceMs, int divider,
                                           int device) override;
    int enableDoNotDisturb(bool on) override;

    int connectDevices(int inputDevice, int outputDevice) override;
    int disconnectDevices(int inputDevice, int outputDevice) override;
    int connectDeviceToLine(int inputDevice, int line) override;
    int connectLineToDevice(int line, int outputDevice) override;
    int disconnectDeviceFromLine(int inputDevice, int line) override;
    int disconnectLineFromDevice(int line, int outputDevice) override;

    int startAudioCall(const QString &sipAddress) override;
    int answerAudioCall(int line) override;
    int refuseCall(int line) override;
    int cancelUnansweredCall(int line) override;
    int abortCall(int line) override;
    int redirectEstablishedCallToSipAddress(int line, const QString &sipAddress) override;
    int redirectIncomingCallToSipAddress(int line, const QString &sipAddress) override;
    int bridgeLinesRemotely(int line1, int line2) override;
    int sendDtmf(int line, char digit, int durationMs) override;
    VDK::LineOnHoldStatusType getLineOnHoldStatus(int line) const override;
    int setLineOnHoldStatus(int line, VDK::LineOnHoldStatusType status) override;
    int pauseLineIncomingAudio(bool pause, int line) override;
    int pauseLineOutgoingAudio(bool pause, int line) override;
    int setLineIncomingVolumeLevel(int line, int level) override; // 0..100
    int getCallDuration(int line) const override;                 // seconds since the answer
    double getDevicePeakLevel(int device, int channelType, int *error) const override;
    int getNumberOfFreeLines() const override;
    int getNumberOfBusyLines() const override;

    QString getLocalSipAddress(int transport) const override;
    QString getLineMediaAddress(int line) const override;
    int getLineMediaStatistics(int line, quint64 *received, quint64 *dropped, quint64 *lost) const override;

private:
    friend class VDKEnginePrivate;
    std::unique_ptr<VDKEnginePrivate> d;
};
