// VDKQtEngine: the softphone's SIP and audio engine, a SIP user agent on the
// re/rem SIP stack.
//
// The engine itself (VDKEngineBackend, vdkengine.cpp) is built into the
// media module, which the first VDKQtEngine loads (media/mediamodule.h); this
// object forwards to it. When the module cannot be loaded every call returns
// VDK::ErrModule and getErrorMessage(VDK::ErrModule) gives the reason.
//
// Threads: the SIP stack and the audio clock run on one engine thread. Every
// call below may be made from any thread; it is carried out on the engine
// thread and waits only for that (no network wait). Signals are emitted on
// the engine thread: connect them queued (the default across threads).
//
// Results: 0 or a positive value (a line, a device id) is success, a negative
// value is one of VDK::ErrorCode; getErrorMessage() gives its text.
//
// Values that this engine defines:
// - Log configuration (VDKLogConfig): logLevel is the highest priority
//   written (0 nothing, 10 errors, 100 warnings, 1000 information, 10000
//   debug); maxLogFiles is the number of rotated files kept ("vdk.log",
//   "vdk.log.1", ...). The log is written in logDirectory.
// - Transport codes (setDefaultSignalingTransportProtocol): 0 UDP, 1 TCP,
//   2 TLS (TLS also needs enableTlsUsage(true)).
// - Hold codes (VDK::LineOnHoldStatusType): 0 inactive (both sides hold),
//   1 on hold (we hold: sendonly), 2 full duplex, 3 a change is pending,
//   4 remote on hold (the far end holds us). setLineOnHoldStatus takes 0 or 1
//   (hold: inactive or sendonly) and 2 (retrieve).
// - DTMF delivery modes (VDK::DtmfDeliveryModeType): 0 in the audio (tones),
//   1 RFC 4733 telephone events, 2 SIP INFO (application/dtmf-relay).
// - File input devices (getFileInputDevice): WAV files, 8 kHz mono 16-bit;
//   the flag true = loop, false = play once and emit sigFileReadingFinished.
// - Refusing a call answers 486 "Busy Here"; forwarding a ringing call
//   answers 302 with the new address as Contact.
// - Environment: VDK_TEST_DEVICES=<dir> adds the input device "WAV file"
//   (reads <dir>/input.wav, looping) and the output device "capture to WAV
//   file" (writes <dir>/capture.wav), for machines without a sound card;
//   VDK_TRACE=<file> appends every call into the engine with its result;
//   VDK_SIP_TRACE=<file> appends every SIP message sent and received.
#pragma once

#include "vdkbackend.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class VDKQtEnginePrivate;

class VDKQtEngine : public QObject
{
    Q_OBJECT
public:
    explicit VDKQtEngine(const VDKLogConfig &logConfig, QObject *parent = nullptr);
    ~VDKQtEngine() override;

    // --- before init()
    int setDefaultSipProxy(const QString &host, int port, int tlsPort);
    int setDefaultSipRegistrar(const QString &host, int port, int tlsPort);
    // "0.0.0.0": the address from which the registrar is reached.
    int setLocalNetworkAddress(const QString &address);
    // The audio TOS marks the RTP packets; the SIP TOS is kept but not applied
    // (the SIP stack does not give access to its sockets); no video.
    int setQosDefaultValues(int sipTos, int audioTos, int videoTos);
    int enableTlsUsage(bool on);
    int setDefaultSignalingTransportProtocol(int transport);
    // Certificates (*.pem, *.crt) trusted besides the system CAs.
    int setTlsCertificateDir(const QString &dir);
    int setSipPort(int port); // 0: any free port
    // Returns the account index (always 0: one account).
    int addSipAccount(const QString &authUser, const QString &password, const QString &user);
    int setWarningThresholdForMissingMedia(int seconds);
    int hangupWhenMediaMissingOverThreshold(bool on);
    int setMaxUsableLines(int lines, int reserved);
    int init();
    int shutdown();

    // --- after init()
    QString getVersionInfo() const;
    int disableSipMethod(const QString &method);
    // Every SIP message sent and received goes to the log (at 10000).
    int enableSipDebug(bool on);
    int setSipUserAgentString(const QString &userAgent);
    int setLinesAudioJitterBufferSize(int minMs, int maxMs);
    int setDtmfDeliveryMode(VDK::DtmfDeliveryModeType mode);
    int setDtmfDeliveryMode(int mode) { return setDtmfDeliveryMode(VDK::DtmfDeliveryModeType(mode)); }
    // Codecs: "PCMA", "PCMU", "GSM", "G726" (G.726-32), "G7221" or "G722"
    // (G.722); the default order is PCMA, PCMU. Unknown names are skipped;
    // a list with no known name fails (ErrCodec) and changes nothing.
    int disableAudioCodec(const QString &codec);
    int setAudioCodecPriority(const QStringList &codecs);
    QStringList audioCodecPriority() const;
    QString getErrorMessage(int code) const;

    // --- account
    int setActiveSipAccount(int account);
    int registerSipAccount(int account);
    int unregisterSipAccount(int account);

    // --- devices
    QStringList getAudioInputDeviceList() const;
    QStringList getAudioOutputDeviceList() const;
    int getAudioInputDevice(const QString &name, int a = 0, int b = 0, int c = 0);
    int getAudioOutputDevice(const QString &name, int a = 0, int b = 0, int c = 0);
    int getDefaultAudioInputDevice();
    int getDefaultAudioOutputDevice();
    int getFileInputDevice(const QString &path, bool loop, int reserved = 0);
    int getDeviceVolumeLevel(int device) const;      // 0..100
    int setDeviceVolumeLevel(int device, int level); // 0..100
    // Echo control (speexdsp): the output device keeps `ms` of what it
    // played as the canceller's tail (default 250); the canceller runs on
    // the input device against what the output played; the "LMS filter" is
    // the adaptive canceller, the suppressor removes the residual echo. The
    // suppressor's thresholds (percent) set its attenuation (100 % = 60 dB:
    // upper while only the far end talks, lower while both do); convergence
    // and divider are checked (1000-120000 ms, 2-50) and not used otherwise.
    int enableDeviceMediaCaching(int device, int ms);
    int enableEchoCancelBetweenDevices(int inputDevice, int outputDevice);
    int enableDeviceEchoCancelLmsFilter(bool on, int device);
    int enableDeviceEchoSuppression(bool on, int device);
    int setDeviceEchoSuppressionParameters(double lowerPercent, double upperPercent, int convergenceMs, int divider,
                                           int device);
    int enableDoNotDisturb(bool on);

    // --- routing
    int connectDevices(int inputDevice, int outputDevice);
    int disconnectDevices(int inputDevice, int outputDevice);
    int connectDeviceToLine(int inputDevice, int line);
    int connectLineToDevice(int line, int outputDevice);
    int disconnectDeviceFromLine(int inputDevice, int line);
    int disconnectLineFromDevice(int line, int outputDevice);

    // --- calls
    // Returns the line of the new call, ErrNoFreeLine (-40) when none is free.
    int startAudioCall(const QString &sipAddress);
    int answerAudioCall(int line);
    int refuseCall(int line);
    int cancelUnansweredCall(int line);
    int abortCall(int line);
    int redirectEstablishedCallToSipAddress(int line, const QString &sipAddress);
    int redirectIncomingCallToSipAddress(int line, const QString &sipAddress);
    int bridgeLinesRemotely(int line1, int line2);
    int sendDtmf(int line, char digit, int durationMs);
    VDK::LineOnHoldStatusType getLineOnHoldStatus(int line) const;
    int setLineOnHoldStatus(int line, VDK::LineOnHoldStatusType status);
    int setLineOnHoldStatus(int line, int status)
    {
        return setLineOnHoldStatus(line, VDK::LineOnHoldStatusType(status));
    }
    int pauseLineIncomingAudio(bool pause, int line);
    int pauseLineOutgoingAudio(bool pause, int line);
    int setLineIncomingVolumeLevel(int line, int level); // 0..100
    int getCallDuration(int line) const;                 // seconds since the answer
    // Peak of the last 20 ms of a device, 0..100; channelType is unused.
    double getDevicePeakLevel(int device, int channelType, int *error) const;
    int getNumberOfFreeLines() const;
    int getNumberOfBusyLines() const;

    // --- diagnostics of this engine
    // "address:port" of the SIP listener of a transport (0 UDP, 1 TCP, 2 TLS).
    QString getLocalSipAddress(int transport) const;
    // "address:port" of a line's RTP socket; empty when the line has none.
    QString getLineMediaAddress(int line) const;
    // RTP packets of a line: received, dropped (wrong source, payload or
    // size) and lost (sequence gaps). 0 or an error code.
    int getLineMediaStatistics(int line, quint64 *received, quint64 *dropped, quint64 *lost) const;

signals:
    void sigCallEstablished(int line);
    void sigCallCanceled(int line);
    void sigRinging(int line);
    void sigOnHoldOk(int line);
    void sigOnHoldFail(int line);
    void sigSessionProgress(int line);
    void sigFileReadingFinished(int device);
    void sigCallTerminated(int line);
    void sigRegistrationOk(int account, int code, QString text);
    void sigRegistrationFail(int account, int code, QString text);
    void sigSecureHandshakeRegistrationFail(int account, int code, QString text);
    void sigIncomingCall(int line, QString caller, QString callee);
    void sigSipError(int line, int code, QString text);

private:
    friend class VDKQtEnginePrivate;
    std::unique_ptr<VDKQtEnginePrivate> d;
};
