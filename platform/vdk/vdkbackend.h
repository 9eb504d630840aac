// The engine behind VDKQtEngine as the program sees it: an abstract backend
// that lives in the media module (loaded on first use, see
// media/mediamodule.h) and the events it reports back. Only Qt Core types
// cross this boundary. The methods mean what VDKQtEngine's methods of the
// same name mean (see vdkqtengine.h); the events are its signals, called on
// the engine thread.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace VDK
{

enum ErrorCode {
    ErrOk = 0,
    ErrGeneric = -1,
    ErrNotInitialized = -2,
    ErrInvalidArgument = -3,
    ErrInvalidLine = -4,
    ErrInvalidDevice = -5,
    ErrWrongState = -6,
    ErrNetwork = -7,
    ErrTls = -8,
    ErrAlreadyInitialized = -9,
    ErrCodec = -10,
    ErrFile = -11,
    ErrModule = -12, // the engine's module could not be loaded
    ErrNoFreeLine = -40,
};

enum LineOnHoldStatusType {
    LineInactive = 0,
    LineOnHold = 1,
    LineFullDuplex = 2,
    LineHoldPending = 3,
    LineRemoteOnHold = 4,
};

enum DtmfDeliveryModeType {
    DtmfInAudio = 0,
    DtmfRfc4733 = 1,
    DtmfSipInfo = 2,
};

enum TransportType {
    TransportUdp = 0,
    TransportTcp = 1,
    TransportTls = 2,
};

} // namespace VDK

struct VDKLogConfig {
    QString logDirectory; // where "vdk.log" is written; empty: no log file
    QString logFileName = QStringLiteral("vdk.log");
    int logLevel = 0;    // highest priority written, see above
    int maxLogFiles = 3; // rotated files kept
};

namespace VDK
{

// What the backend reports; implemented by the program (VDKQtEngine emits
// the signal of the same name). Called on the engine thread.
class EngineEvents
{
public:
    virtual void sigCallEstablished(int line) = 0;
    virtual void sigCallCanceled(int line) = 0;
    virtual void sigRinging(int line) = 0;
    virtual void sigOnHoldOk(int line) = 0;
    virtual void sigOnHoldFail(int line) = 0;
    virtual void sigSessionProgress(int line) = 0;
    virtual void sigFileReadingFinished(int device) = 0;
    virtual void sigCallTerminated(int line) = 0;
    virtual void sigRegistrationOk(int account, int code, QString text) = 0;
    virtual void sigRegistrationFail(int account, int code, QString text) = 0;
    virtual void sigSecureHandshakeRegistrationFail(int account, int code, QString text) = 0;
    virtual void sigIncomingCall(int line, QString caller, QString callee) = 0;
    virtual void sigSipError(int line, int code, QString text) = 0;

protected:
    ~EngineEvents() = default;
};

// The SIP and audio engine. Made by the media module with the log
// configuration and the events object, which must outlive it; destroying it
// shuts the engine down.
class EngineBackend
{
public:
    virtual ~EngineBackend() = default;

    // --- before init()
    virtual int setDefaultSipProxy(const QString &host, int port, int tlsPort) = 0;
    virtual int setDefaultSipRegistrar(const QString &host, int port, int tlsPort) = 0;
    // "0.0.0.0": the address from which the registrar is reached.
    virtual int setLocalNetworkAddress(const QString &address) = 0;
    // The audio TOS marks the RTP packets; the SIP TOS is kept but not applied
    // (the SIP stack does not give access to its sockets); no video.
    virtual int setQosDefaultValues(int sipTos, int audioTos, int videoTos) = 0;
    virtual int enableTlsUsage(bool on) = 0;
    virtual int setDefaultSignalingTransportProtocol(int transport) = 0;
    // Certificates (*.pem, *.crt) trusted besides the system CAs.
    virtual int setTlsCertificateDir(const QString &dir) = 0;
    virtual int setSipPort(int port) = 0; // 0: any free port
    // Returns the account index (always 0: one account).
    virtual int addSipAccount(const QString &authUser, const QString &password, const QString &user) = 0;
    virtual int setWarningThresholdForMissingMedia(int seconds) = 0;
    virtual int hangupWhenMediaMissingOverThreshold(bool on) = 0;
    virtual int setMaxUsableLines(int lines, int reserved) = 0;
    virtual int init() = 0;
    virtual int shutdown() = 0;

    // --- after init()
    virtual QString getVersionInfo() const = 0;
    virtual int disableSipMethod(const QString &method) = 0;
    // Every SIP message sent and received goes to the log (at 10000).
    virtual int enableSipDebug(bool on) = 0;
    virtual int setSipUserAgentString(const QString &userAgent) = 0;
    virtual int setLinesAudioJitterBufferSize(int minMs, int maxMs) = 0;
    virtual int setDtmfDeliveryMode(VDK::DtmfDeliveryModeType mode) = 0;
    // Codecs: "PCMA", "PCMU", "GSM", "G726" (G.726-32), "G7221" or "G722"
    // (G.722); the default order is PCMA, PCMU. Unknown names are skipped;
    // a list with no known name fails (ErrCodec) and changes nothing.
    virtual int disableAudioCodec(const QString &codec) = 0;
    virtual int setAudioCodecPriority(const QStringList &codecs) = 0;
    virtual QStringList audioCodecPriority() const = 0;
    virtual QString getErrorMessage(int code) const = 0;

    // --- account
    virtual int setActiveSipAccount(int account) = 0;
    virtual int registerSipAccount(int account) = 0;
    virtual int unregisterSipAccount(int account) = 0;

    // --- devices
    virtual QStringList getAudioInputDeviceList() const = 0;
    virtual QStringList getAudioOutputDeviceList() const = 0;
    virtual int getAudioInputDevice(const QString &name, int a, int b, int c) = 0;
    virtual int getAudioOutputDevice(const QString &name, int a, int b, int c) = 0;
    virtual int getDefaultAudioInputDevice() = 0;
    virtual int getDefaultAudioOutputDevice() = 0;
    virtual int getFileInputDevice(const QString &path, bool loop, int reserved) = 0;
    virtual int getDeviceVolumeLevel(int device) const = 0;      // 0..100
    virtual int setDeviceVolumeLevel(int device, int level) = 0; // 0..100
    // Echo control (speexdsp): the output device keeps `ms` of what it
    // played as the canceller's tail (default 250); the canceller runs on
    // the input device against what the output played; the "LMS filter" is
    // the adaptive canceller, the suppressor removes the residual echo. The
    // suppressor's thresholds (percent) set its attenuation (100 % = 60 dB:
    // upper while only the far end talks, lower while both do); convergence
    // and divider are checked (1000-120000 ms, 2-50) and not used otherwise.
    virtual int enableDeviceMediaCaching(int device, int ms) = 0;
    virtual int enableEchoCancelBetweenDevices(int inputDevice, int outputDevice) = 0;
    virtual int enableDeviceEchoCancelLmsFilter(bool on, int device) = 0;
    virtual int enableDeviceEchoSuppression(bool on, int device) = 0;
    virtual int setDeviceEchoSuppressionParameters(double lowerPercent, double upperPercent, int convergenceMs,
                                                   int divider, int device) = 0;
    virtual int enableDoNotDisturb(bool on) = 0;

    // --- routing
    virtual int connectDevices(int inputDevice, int outputDevice) = 0;
    virtual int disconnectDevices(int inputDevice, int outputDevice) = 0;
    virtual int connectDeviceToLine(int inputDevice, int line) = 0;
    virtual int connectLineToDevice(int line, int outputDevice) = 0;
    virtual int disconnectDeviceFromLine(int inputDevice, int line) = 0;
    virtual int disconnectLineFromDevice(int line, int outputDevice) = 0;

    // --- calls
    // Returns the line of the new call, ErrNoFreeLine (-40) when none is free.
    virtual int startAudioCall(const QString &sipAddress) = 0;
    virtual int answerAudioCall(int line) = 0;
    virtual int refuseCall(int line) = 0;
    virtual int cancelUnansweredCall(int line) = 0;
    virtual int abortCall(int line) = 0;
    virtual int redirectEstablishedCallToSipAddress(int line, const QString &sipAddress) = 0;
    virtual int redirectIncomingCallToSipAddress(int line, const QString &sipAddress) = 0;
    virtual int bridgeLinesRemotely(int line1, int line2) = 0;
    virtual int sendDtmf(int line, char digit, int durationMs) = 0;
    virtual VDK::LineOnHoldStatusType getLineOnHoldStatus(int line) const = 0;
    virtual int setLineOnHoldStatus(int line, VDK::LineOnHoldStatusType status) = 0;
    virtual int pauseLineIncomingAudio(bool pause, int line) = 0;
    virtual int pauseLineOutgoingAudio(bool pause, int line) = 0;
    virtual int setLineIncomingVolumeLevel(int line, int level) = 0; // 0..100
    virtual int getCallDuration(int line) const = 0;                 // seconds since the answer
    // Peak of the last 20 ms of a device, 0..100; channelType is unused.
    virtual double getDevicePeakLevel(int device, int channelType, int *error) const = 0;
    virtual int getNumberOfFreeLines() const = 0;
    virtual int getNumberOfBusyLines() const = 0;

    // --- diagnostics of this engine
    // "address:port" of the SIP listener of a transport (0 UDP, 1 TCP, 2 TLS).
    virtual QString getLocalSipAddress(int transport) const = 0;
    // "address:port" of a line's RTP socket; empty when the line has none.
    virtual QString getLineMediaAddress(int line) const = 0;
    // RTP packets of a line: received, dropped (wrong source, payload or
    // size) and lost (sequence gaps). 0 or an error code.
    virtual int getLineMediaStatistics(int line, quint64 *received, quint64 *dropped, quint64 *lost) const = 0;
};

} // namespace VDK
