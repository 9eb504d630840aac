// The softphone engine on the real SIP and audio engine, without calls:
// start-up steps (read back from the engine's call trace), the DTMF and codec
// tables, device selection with its fall-backs, echo parameters, failed
// start-up, registration without an account, and the entries that other
// threads call.
#include "phone/mpaccount.h"
#include "phone/mpengine.h"
#include "settings/msettings.h"
#include "vdkqtengine.h"

#include "testmain.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

namespace
{
const ServicesDialCodesMap kNoServiceCodes;

QString soundsDir()
{
    return qEnvironmentVariable("DESKLINE_SOURCE_DIR") + QStringLiteral("/resources/sounds");
}
} // namespace

class TestMPEngine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_trace;

    MctiConfig baseConfig() const
    {
        MctiConfig c;
        c.sipUsername = QStringLiteral("201");
        c.sipPassword = QStringLiteral("sip201");
        c.sipUser = QStringLiteral("201");
        c.sipRegistrarAddress = QStringLiteral("127.0.0.1:5999");
        c.dtmfMode = 2;
        c.codecsOrder = QStringList{QStringLiteral("ulaw"), QStringLiteral("alaw")};
        return c;
    }

    // The engine calls of the trace, as "name(args) -> result", oldest first.
    QStringList trace() const
    {
        QFile f(m_trace);
        QStringList out;
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            return out;
        for (const QByteArray &line : f.readAll().split('\n')) {
            const int space = line.indexOf(' ');
            if (space > 0)
                out << QString::fromUtf8(line.mid(space + 1));
        }
        return out;
    }
    QStringList traceOf(const QString &name) const
    {
        QStringList out;
        for (const QString &l : trace()) {
            if (l.startsWith(name + QLatin1Char('(')))
                out << l;
        }
        return out;
    }

    static MPEngine::SystemDeviceLister lister(const QStringList &inputs, const QStringList &outputs)
    {
        return [inputs, outputs](QAudio::Mode mode) { return mode == QAudio::AudioInput ? inputs : outputs; };
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        MSETTINGS::setSettingsDirPath(m_dir.filePath(QStringLiteral("settings")));
        qputenv("VDK_TEST_DEVICES", QFile::encodeName(m_dir.path()));
        m_trace = m_dir.filePath(QStringLiteral("vdk-trace.txt"));
        qputenv("VDK_TRACE", QFile::encodeName(m_trace));
    }

    void init() { QFile::remove(m_trace); }

    void startRegistrar_data()
    {
        QTest::addColumn<QString>("registrar");
        QTest::addColumn<QString>("args");
        QTest::newRow("host and port") << "127.0.0.1:5070"
                                       << "127.0.0.1,5070,5061";
        QTest::newRow("host only") << "127.0.0.1"
                                   << "127.0.0.1,5060,5061";
        QTest::newRow("port not a number") << "127.0.0.1:sip"
                                           << "127.0.0.1,0,5061";
    }
    void startRegistrar()
    {
        QFETCH(QString, registrar);
        QFETCH(QString, args);
        MctiConfig c = baseConfig();
        c.sipRegistrarAddress = registrar;
        MPEngine e(kNoServiceCodes, c);
        QVERIFY(e.isStarted());
        QCOMPARE(traceOf(QStringLiteral("setDefaultSipProxy")), QStringList{"setDefaultSipProxy(" + args + ") -> 0"});
        QCOMPARE(traceOf(QStringLiteral("setDefaultSipRegistrar")),
                 QStringList{"setDefaultSipRegistrar(" + args + ") -> 0"});
    }

    void startTransportAndQos_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<int>("sipTos");
        QTest::addColumn<int>("audioTos");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("absent");
        const QString certs = MSETTINGS::getCertsDirPath();
        QTest::newRow("TLS, default TOS")
            << "TLS" << 0 << 0
            << QStringList{"setQosDefaultValues(40,56,0) -> 0", "enableTlsUsage(1) -> 0",
                           "setDefaultSignalingTransportProtocol(2) -> 0", "setTlsCertificateDir(" + certs + ") -> 0"}
            << QStringList{};
        QTest::newRow("TCP, own TOS") << "TCP" << 10 << 20
                                      << QStringList{"setQosDefaultValues(10,20,0) -> 0",
                                                     "setDefaultSignalingTransportProtocol(1) -> 0"}
                                      << QStringList{"enableTlsUsage", "setTlsCertificateDir"};
        QTest::newRow("UDP") << "UDP" << 0 << 46 << QStringList{"setQosDefaultValues(40,46,0) -> 0"}
                             << QStringList{"enableTlsUsage", "setDefaultSignalingTransportProtocol"};
        QTest::newRow("not set") << "" << 0 << 0 << QStringList{}
                                 << QStringList{"enableTlsUsage", "setDefaultSignalingTransportProtocol"};
    }
    void startTransportAndQos()
    {
        QFETCH(QString, transport);
        QFETCH(int, sipTos);
        QFETCH(int, audioTos);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, absent);
        MctiConfig c = baseConfig();
        if (!transport.isEmpty())
            c.sipProtocol = transport;
        c.sipTos = quint8(sipTos);
        c.audioTos = quint8(audioTos);
        MPEngine e(kNoServiceCodes, c);
        QVERIFY(e.isStarted());
        const QStringList calls = trace();
        for (const QString &line : expected)
            QVERIFY2(calls.contains(line), qPrintable(line));
        for (const QString &name : absent)
            QVERIFY2(traceOf(name).isEmpty(), qPrintable(name));
    }

    // The steps after the engine's init: SIP methods, user agent, jitter
    // buffer only for sound values, account and line limits before init.
    void startAfterInit_data()
    {
        QTest::addColumn<int>("minMs");
        QTest::addColumn<int>("maxMs");
        QTest::addColumn<bool>("jitterSet");
        QTest::newRow("40-60 refused") << 40 << 60 << false;
        QTest::newRow("40-61 set") << 40 << 61 << true;
        QTest::newRow("0 refused") << 0 << 100 << false;
    }
    void startAfterInit()
    {
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        QFETCH(bool, jitterSet);
        MctiConfig c = baseConfig();
        c.minJitterBufferMillis = quint16(minMs);
        c.maxJitterBufferMillis = quint16(maxMs);
        c.secondsWithoutMediaBeforeHangup = 7;
        MPEngine e(kNoServiceCodes, c);
        QVERIFY(e.isStarted());
        const QStringList calls = trace();
        const int init = calls.indexOf(QStringLiteral("init() -> 0"));
        QVERIFY(init > 0);
        for (const char *before : {"setLocalNetworkAddress(0.0.0.0) -> 0", "setSipPort(0) -> 0",
                                   "addSipAccount(201) -> 0", "setWarningThresholdForMissingMedia(7) -> 0",
                                   "hangupWhenMediaMissingOverThreshold(1) -> 0", "setMaxUsableLines(4) -> 0"})
            QVERIFY2(calls.indexOf(QLatin1String(before)) >= 0 && calls.indexOf(QLatin1String(before)) < init, before);
        QCOMPARE(traceOf(QStringLiteral("disableSipMethod")),
                 (QStringList{"disableSipMethod(PRACK) -> 0", "disableSipMethod(SUBSCRIBE) -> 0",
                              "disableSipMethod(NOTIFY) -> 0", "disableSipMethod(UPDATE) -> 0"}));
        QCOMPARE(traceOf(QStringLiteral("setSipUserAgentString")),
                 QStringList{QStringLiteral("setSipUserAgentString(%1 v%2) -> 0")
                                 .arg(MSETTINGS::getApplicationName(), MSETTINGS::getApplicationVersion())});
        QCOMPARE(traceOf(QStringLiteral("setLinesAudioJitterBufferSize")).size(), jitterSet ? 1 : 0);
        // The identity's DTMF mode and codecs are applied last.
        QCOMPARE(traceOf(QStringLiteral("setDtmfDeliveryMode")), QStringList{"setDtmfDeliveryMode(1) -> 0"});
        QCOMPARE(e.sipEngine()->audioCodecPriority(), (QStringList{"PCMU", "PCMA"}));
    }

    void dtmfModeTable_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("engineCall");
        QTest::addColumn<int>("stored");
        QTest::newRow("inband") << 1 << "setDtmfDeliveryMode(0) -> 0" << 1;
        QTest::newRow("rfc2833") << 2 << "setDtmfDeliveryMode(1) -> 0" << 2;
        QTest::newRow("auto refused") << 0 << "" << 1;
        QTest::newRow("sip info refused") << 3 << "" << 1;
    }
    void dtmfModeTable()
    {
        QFETCH(int, mode);
        QFETCH(QString, engineCall);
        QFETCH(int, stored);
        MctiConfig c = baseConfig();
        c.dtmfMode = 1;
        MPEngine e(kNoServiceCodes, c);
        QVERIFY(e.isStarted());
        QFile::remove(m_trace);
        e.updateDtmfMode(mode);
        QCOMPARE(traceOf(QStringLiteral("setDtmfDeliveryMode")),
                 engineCall.isEmpty() ? QStringList{} : QStringList{engineCall});
        QCOMPARE(e.configuration().dtmfMode, stored);
    }

    void codecOrderTable_data()
    {
        QTest::addColumn<QStringList>("pbx");
        QTest::addColumn<QStringList>("engineOrder");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("mapped in order") << QStringList{"g722", "opus", "alaw"} << QStringList{"G7221", "PCMA"}
                                         << QStringList{"g722", "opus", "alaw"};
        QTest::newRow("gsm first") << QStringList{"gsm", "ulaw"} << QStringList{"GSM", "PCMU"}
                                   << QStringList{"gsm", "ulaw"};
        // No known name: the engine keeps its codecs rather than losing all.
        QTest::newRow("none known") << QStringList{"GSM", "speex"} << QStringList{"PCMU", "PCMA"}
                                    << QStringList{"ulaw", "alaw"};
        QTest::newRow("empty") << QStringList{} << QStringList{"PCMU", "PCMA"} << QStringList{"ulaw", "alaw"};
    }
    void codecOrderTable()
    {
        QFETCH(QStringList, pbx);
        QFETCH(QStringList, engineOrder);
        QFETCH(QStringList, stored);
        MPEngine e(kNoServiceCodes, baseConfig());
        QVERIFY(e.isStarted());
        QFile::remove(m_trace);
        e.updateCodecsOrder(pbx);
        QCOMPARE(e.sipEngine()->audioCodecPriority(), engineOrder);
        QCOMPARE(e.configuration().codecsOrder, stored);
        QCOMPARE(traceOf(QStringLiteral("disableAudioCodec")).size(), 2);
    }

    void noRegistrarFailsStart()
    {
        MctiConfig c = baseConfig();
        c.sipRegistrarAddress = QString();
        // The start-up error is emitted from the constructor, before anyone
        // listens; what is left to see is the state.
        auto *e = new MPEngine(kNoServiceCodes, c);
        QVERIFY(!e->isStarted());
        QVERIFY(!e->init());
        QCOMPARE(e->shutdown(), 0);
        QCOMPARE(e->shutdown(), 0);
        // No account: registration refuses instead of crashing.
        QCOMPARE(e->getAccount(), nullptr);
        QCOMPARE(e->registerSipAccount(), -1);
        QCOMPARE(e->unregisterSipAccount(), -1);
        QVERIFY(!e->startAudioCall(QStringLiteral("201")));
        delete e;
    }

    // Registration before init() (no account yet) is refused, not a crash.
    void registerWithoutAccount()
    {
        MPEngine e(kNoServiceCodes, baseConfig());
        QVERIFY(e.isStarted());
        QCOMPARE(e.getAccount(), nullptr);
        QCOMPARE(e.registerSipAccount(), -1);
        QVERIFY(traceOf(QStringLiteral("registerSipAccount")).isEmpty());
        QCOMPARE(e.unregisterSipAccount(), -1);
    }

    void deviceSelection_data()
    {
        QTest::addColumn<QStringList>("systemIn");
        QTest::addColumn<QStringList>("systemOut");
        QTest::addColumn<QString>("mic");
        QTest::addColumn<QString>("spk");
        QTest::addColumn<bool>("byName"); // else the engine's defaults
        QTest::addColumn<int>("notices");
        const QStringList in{"Virtual WAV file input"};
        const QStringList out{"Virtual capture to WAV file sink"};
        QTest::newRow("long names chosen") << in << out << in.first() << out.first() << true << 0;
        QTest::newRow("engine name does not select") << in << out << "WAV file"
                                                     << "capture to WAV file" << false << 3;
        QTest::newRow("empty names") << in << out << ""
                                     << "" << false << 3;
        QTest::newRow("no system devices") << QStringList{} << QStringList{} << in.first() << out.first() << false << 3;
    }
    void deviceSelection()
    {
        QFETCH(QStringList, systemIn);
        QFETCH(QStringList, systemOut);
        QFETCH(QString, mic);
        QFETCH(QString, spk);
        QFETCH(bool, byName);
        QFETCH(int, notices);
        MctiConfig c = baseConfig();
        c.micDevice = mic;
        c.spkDevice = spk;
        c.ringDevice = spk;
        MPEngine e(kNoServiceCodes, c);
        QVERIFY(e.isStarted());
        e.setSoundsDirPath(soundsDir());
        e.setSystemDeviceLister(lister(systemIn, systemOut));
        QSignalSpy notify(&e, &MPEngine::sigNotify);
        QSignalSpy error(&e, &MPEngine::sigError);
        QVERIFY(e.init());
        QCOMPARE(notify.count(), notices);
        QCOMPARE(error.count(), 0);
        if (systemIn.isEmpty()) {
            QVERIFY(e.getAudioInputDeviceList().isEmpty());
            QVERIFY(e.getAudioOutputDeviceList().isEmpty());
        } else {
            // The settings offer the long names of the system's devices.
            QVERIFY(e.getAudioInputDeviceList().contains(systemIn.first()));
            QVERIFY(e.getAudioOutputDeviceList().contains(systemOut.first()));
            QVERIFY(!e.getAudioInputDeviceList().contains(QStringLiteral("WAV file")));
        }
        VDKQtEngine *vdk = e.sipEngine();
        const int wavIn = vdk->getAudioInputDevice(QStringLiteral("WAV file"));
        const int wavOut = vdk->getAudioOutputDevice(QStringLiteral("capture to WAV file"));
        QCOMPARE(e.microphoneDevice(), byName ? wavIn : vdk->getDefaultAudioInputDevice());
        QCOMPARE(e.speakerDevice(), byName ? wavOut : vdk->getDefaultAudioOutputDevice());
        QCOMPARE(e.ringDevice(), e.speakerDevice());
        for (const char *file : {"ringing.wav", "busyTone.wav", "remoteRingingTone.wav", "callNotice.wav",
                                 "congestionTone.wav", "silence.wav"})
            QVERIFY2(e.toneDevice(QLatin1String(file)) >= 0, file);
        QVERIFY(e.shutdown() >= 0);
    }

    // Without any audio device the softphone cannot work: init fails with
    // the critical error of the microphone.
    void noDevicesFailsInit()
    {
        qunsetenv("VDK_TEST_DEVICES");
        MPEngine e(kNoServiceCodes, baseConfig());
        qputenv("VDK_TEST_DEVICES", QFile::encodeName(m_dir.path()));
        QVERIFY(e.isStarted());
        if (e.sipEngine()->getDefaultAudioInputDevice() >= 0)
            QSKIP("this machine has an audio input device");
        e.setSystemDeviceLister(lister({}, {}));
        QSignalSpy error(&e, &MPEngine::sigError);
        QVERIFY(!e.init());
        QCOMPARE(error.count(), 1);
        QCOMPARE(error.first().at(0).toInt(), 3);
        QVERIFY(error.first().at(1).toString().startsWith(QStringLiteral("Non è stato trovato un device audio")));
        QCOMPARE(e.getAccount(), nullptr);
    }

    void changeAudioDevices()
    {
        const QStringList in{"Virtual WAV file input"};
        const QStringList out{"Virtual capture to WAV file sink"};
        MctiConfig c = baseConfig();
        c.micDevice = in.first();
        c.spkDevice = out.first();
        c.ringDevice = out.first();
        MPEngine e(kNoServiceCodes, c);
        e.setSoundsDirPath(soundsDir());
        e.setSystemDeviceLister(lister(in, out));
        QVERIFY(e.init());
        const int listings = traceOf(QStringLiteral("getAudioInputDevice")).size();
        e.changeAudioDevices(c); // the same three names: nothing runs again
        QCOMPARE(traceOf(QStringLiteral("getAudioInputDevice")).size(), listings);
        QSignalSpy notify(&e, &MPEngine::sigNotify);
        MctiConfig other = c;
        other.micDevice = QStringLiteral("Some other microphone");
        e.changeAudioDevices(other);
        QCOMPARE(traceOf(QStringLiteral("getAudioInputDevice")).size(), 2 * listings);
        QCOMPARE(notify.count(), 1); // the new name is missing: default with a notice
        QCOMPARE(e.configuration().micDevice.value, QStringLiteral("Some other microphone"));
    }

    // A ring playing while the ring device changes moves to the new device
    // (the ring is a file device: device-to-device calls).
    void ringMovesToNewRingDevice()
    {
        const QStringList in{"Virtual WAV file input"};
        const QStringList out{"Virtual capture to WAV file sink"};
        MctiConfig c = baseConfig();
        c.micDevice = in.first();
        c.spkDevice = out.first();
        c.ringDevice = out.first();
        MPEngine e(kNoServiceCodes, c);
        e.setSoundsDirPath(soundsDir());
        e.setSystemDeviceLister(lister(in, out));
        QVERIFY(e.init());
        const int oldRing = e.ringDevice();
        if (e.sipEngine()->getDefaultAudioOutputDevice() == oldRing)
            QSKIP("the default output is the test device: no other ring device to move to");
        e.onIncomingCall(1, QStringLiteral("sip:0298765432@127.0.0.1"), QStringLiteral("sip:201@127.0.0.1"));
        QVERIFY(e.isRinging());
        const QString tone = QString::number(e.toneDevice(QStringLiteral("ringing.wav")));
        MctiConfig other = c;
        other.ringDevice = QStringLiteral("A ring device that is gone");
        QFile::remove(m_trace);
        e.changeAudioDevices(other);
        const int newRing = e.ringDevice();
        QVERIFY(newRing != oldRing);
        QCOMPARE(traceOf(QStringLiteral("disconnectDevices")).value(0),
                 QStringLiteral("disconnectDevices(%1,%2) -> 0").arg(tone).arg(oldRing));
        QVERIFY(traceOf(QStringLiteral("connectDevices"))
                    .value(0)
                    .startsWith(QStringLiteral("connectDevices(%1,%2)").arg(tone).arg(newRing)));
        QVERIFY(traceOf(QStringLiteral("disconnectLineFromDevice")).isEmpty());
        QVERIFY(e.isRinging());
    }

    void echoControl_data()
    {
        QTest::addColumn<bool>("canceller");
        QTest::addColumn<int>("convergence");
        QTest::addColumn<int>("divider");
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::newRow("canceller off") << false << 4000 << 15 << 10.0 << 40.0;
        QTest::newRow("edges accepted") << true << 120000 << 50 << 0.0 << 100.0;
        QTest::newRow("out of range fall back") << true << 120001 << 51 << -1.0 << 101.0;
    }
    void echoControl()
    {
        QFETCH(bool, canceller);
        QFETCH(int, convergence);
        QFETCH(int, divider);
        QFETCH(double, lower);
        QFETCH(double, upper);
        MctiConfig c = baseConfig();
        c.echoCanceller = canceller;
        c.echoSuppressor = false; // parameters are set all the same
        c.suppressorConvergenceMillis = convergence;
        c.suppressorDivider = divider;
        c.suppressorLowerThreshold = lower;
        c.suppressorUpperThreshold = upper;
        MPEngine e(kNoServiceCodes, c);
        e.setSoundsDirPath(soundsDir());
        QVERIFY(e.init());
        if (!canceller) {
            QVERIFY(traceOf(QStringLiteral("enableDeviceMediaCaching")).isEmpty());
            QVERIFY(traceOf(QStringLiteral("enableEchoCancelBetweenDevices")).isEmpty());
            return;
        }
        const QString mic = QString::number(e.microphoneDevice());
        const QString spk = QString::number(e.speakerDevice());
        QCOMPARE(traceOf(QStringLiteral("enableDeviceMediaCaching")),
                 QStringList{"enableDeviceMediaCaching(" + spk + ",250) -> 0"});
        QCOMPARE(traceOf(QStringLiteral("enableEchoCancelBetweenDevices")),
                 QStringList{"enableEchoCancelBetweenDevices(" + mic + "," + spk + ") -> 0"});
        QCOMPARE(traceOf(QStringLiteral("enableDeviceEchoSuppression")),
                 QStringList{"enableDeviceEchoSuppression(0," + mic + ") -> 0"});
        // The engine refuses values out of range; the fall-backs keep it working.
        QCOMPARE(traceOf(QStringLiteral("setDeviceEchoSuppressionParameters")),
                 QStringList{"setDeviceEchoSuppressionParameters(" + mic + ") -> 0"});
    }

    // An incoming-call report and a SIP error from a foreign thread reach
    // the main window on the GUI thread, after what was already queued.
    void reportsFromOtherThreads()
    {
        MPEngine e(kNoServiceCodes, baseConfig());
        e.setSoundsDirPath(soundsDir());
        QVERIFY(e.init());
        QStringList order;
        QThread *gui = QThread::currentThread();
        bool onGui = true;
        connect(&e, &MPEngine::sigIncomingAudioCall, this, [&](qlonglong line, QString number, QString name) {
            onGui = onGui && QThread::currentThread() == gui;
            order << QStringLiteral("incoming %1 %2 %3").arg(line).arg(number, name);
        });
        connect(&e, &MPEngine::sigSipErrorReceived, this, [&](int line, int code, QString text) {
            onGui = onGui && QThread::currentThread() == gui;
            order << QStringLiteral("error %1 %2 %3").arg(line).arg(code).arg(text);
        });
        QScopedPointer<QThread> worker(QThread::create([&] {
            QMetaObject::invokeMethod(
                this, [&] { order << QStringLiteral("queued first"); }, Qt::QueuedConnection);
            e.onIncomingCall(3, "\"Mario Rossi\" <sip:0298765432@127.0.0.1>", "sip:201@127.0.0.1");
            e.onSipErrorReceived(3, 487, nullptr);
        }));
        worker->start();
        QVERIFY(worker->wait(10000));
        QTRY_COMPARE(order.size(), 3);
        QVERIFY(onGui);
        QCOMPARE(order, (QStringList{"queued first", "incoming 3 0298765432 Mario Rossi", "error 3 487 "}));
        QVERIFY(e.ringingLineList().isEmpty()); // the error ended the ringing
        QVERIFY(!e.isRinging());
    }

    // A forward that cannot be made does not lose the call: it rings.
    void failedForwardRings_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("no number") << "";
        QTest::newRow("engine refuses") << "300";
    }
    void failedForwardRings()
    {
        QFETCH(QString, target);
        MPEngine e(kNoServiceCodes, baseConfig());
        e.setSoundsDirPath(soundsDir());
        QVERIFY(e.init());
        e.setRedirectEnabled(true, target);
        QSignalSpy incoming(&e, &MPEngine::sigIncomingAudioCall);
        e.onIncomingCall(2, QStringLiteral("sip:0298765432@127.0.0.1"), QStringLiteral("sip:201@127.0.0.1"));
        QCOMPARE(incoming.count(), 1);
        QCOMPARE(e.ringingLineList(), QList<int>{2});
        QVERIFY(e.isRinging());
        e.stopRinging(2);
        QVERIFY(!e.isRinging());
    }

    // The tone timers: single-shot, 3000 ms, named, stopping their tone.
    void toneTimers()
    {
        MPEngine e(kNoServiceCodes, baseConfig());
        e.setSoundsDirPath(soundsDir());
        QVERIFY(e.init());
        QCOMPARE(e.findChild<QTimer *>(QStringLiteral("busyToneTimer")), e.busyTimer());
        QCOMPARE(e.findChild<QTimer *>(QStringLiteral("congestionToneTimer")), e.congestionTimer());
        QCOMPARE(e.busyTimer()->interval(), 3000);
        QCOMPARE(e.congestionTimer()->interval(), 3000);
        QVERIFY(e.busyTimer()->isSingleShot() && e.congestionTimer()->isSingleShot());
        QVERIFY(e.startBusyTone());
        QVERIFY(e.isRemoteBusy());
        QVERIFY(e.busyTimer()->isActive());
        QVERIFY(e.startBusyTone()); // again: one connect, timer restarted
        QCOMPARE(traceOf(QStringLiteral("connectDevices")).size(), 1);
        QMetaObject::invokeMethod(e.busyTimer(), "timeout");
        QVERIFY(!e.isRemoteBusy());
        QCOMPARE(traceOf(QStringLiteral("disconnectDevices")).size(), 1);
        // The congestion file ends before the timer: the timer only logs.
        QVERIFY(e.startCongestionTone());
        QVERIFY(e.isRemoteCongestion());
        e.onFileReadingFinished(e.toneDevice(QStringLiteral("congestionTone.wav")));
        QVERIFY(!e.isRemoteCongestion());
        const int disconnects = traceOf(QStringLiteral("disconnectDevices")).size();
        QMetaObject::invokeMethod(e.congestionTimer(), "timeout");
        QCOMPARE(traceOf(QStringLiteral("disconnectDevices")).size(), disconnects);
    }
};

DESKLINE_TEST_MAIN(TestMPEngine)
#include "tst_mpengine.moc"
