// The SIP and audio engine end to end: a softphone (the engine) registered
// on the simulated PBX's SIP side, calling and called, with the same call
// seen by a CTI client in softphone mode.
#include "vdktestsupport.h"

#include "testmain.h"

#include <QRandomGenerator>
#include <QUdpSocket>

using namespace vdktest;

namespace
{
const QString kExten = QStringLiteral("201");
const QString kSipPassword = QStringLiteral("sip201");

QString certDir()
{
    return qEnvironmentVariable("DESKLINE_SOURCE_DIR") + QStringLiteral("/resources/cert");
}

const QByteArray kSdpHead = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\n";
const QByteArray kSdpAudio = "t=0 0\r\nm=audio 40000 RTP/AVP 8 0\r\n";

// A request from a SIP peer at `port` to extension 201, as a peer would send
// it over UDP.
QByteArray sipRequest(const QByteArray &method, quint16 port, const QByteArray &extra = QByteArray(),
                      const QByteArray &body = QByteArray())
{
    const QByteArray id = QByteArray::number(QRandomGenerator::global()->generate());
    const QByteArray p = QByteArray::number(port);
    return method +
           " sip:201@127.0.0.1 SIP/2.0\r\n"
           "Via: SIP/2.0/UDP 127.0.0.1:" +
           p + ";branch=z9hG4bK" + id +
           ";rport\r\n"
           "Max-Forwards: 70\r\nFrom: <sip:evil@127.0.0.1>;tag=1\r\nTo: <sip:201@127.0.0.1>\r\n"
           "Call-ID: " +
           id + "@x\r\nCSeq: 1 " + method + "\r\nContact: <sip:evil@127.0.0.1:" + p + ">\r\n" + extra +
           (body.isEmpty() ? QByteArray() : QByteArray("Content-Type: application/sdp\r\n")) +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray callIdOf(const QByteArray &message)
{
    for (const QByteArray &line : message.split('\n')) {
        if (line.startsWith("Call-ID:"))
            return line.mid(8).trimmed();
    }
    return QByteArray();
}

// A SIP peer on a UDP socket of its own: sends requests to the engine and
// collects the final responses.
struct SipPeer {
    QUdpSocket sock;
    QList<QByteArray> responses; // final responses, in order

    bool bind() { return sock.bind(QHostAddress(QHostAddress::LocalHost), 0); }
    quint16 port() const { return sock.localPort(); }
    void send(const QByteArray &message, quint16 to) { sock.writeDatagram(message, QHostAddress::LocalHost, to); }
    void read()
    {
        while (sock.hasPendingDatagrams()) {
            QByteArray d(int(sock.pendingDatagramSize()), '\0');
            sock.readDatagram(d.data(), d.size());
            if (d.startsWith("SIP/2.0 ") && !d.startsWith("SIP/2.0 1"))
                responses << d;
        }
    }
    // The final response to the request with this Call-ID; empty when none
    // came in time.
    QByteArray responseTo(const QByteArray &callId, int ms = 10000)
    {
        QByteArray found;
        waitFor(
            [&] {
                read();
                for (const QByteArray &r : qAsConst(responses)) {
                    if (callIdOf(r) == callId)
                        found = r;
                }
                return !found.isEmpty();
            },
            ms);
        return found;
    }
    // Everything sent before has been handled by the engine once it has
    // answered a request sent after it.
    bool sync(quint16 to)
    {
        const QByteArray options = sipRequest("OPTIONS", port());
        send(options, to);
        const bool answered = !responseTo(callIdOf(options)).isEmpty();
        QCoreApplication::processEvents(); // the engine's signals posted before its answer
        return answered;
    }
};
} // namespace

class TestVdkEngine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_devices; // the test devices' WAV files
    std::unique_ptr<PbxSimulator> m_sim;
    std::unique_ptr<CtiLib> m_cti;
    QTemporaryDir m_ctiDir;

    struct Phone {
        std::unique_ptr<VDKQtEngine> engine;
        std::unique_ptr<Relay> relay;
        VDKQtEngine *operator->() const { return engine.get(); }
    };

    Phone makePhone(int transport = VDK::TransportUdp, const QString &password = kSipPassword,
                    const QString &trusted = certDir())
    {
        Phone p;
        p.engine.reset(new VDKQtEngine(VDKLogConfig()));
        p.relay.reset(new Relay(p.engine.get()));
        const int port = m_sim->sipPort();
        const int tls = m_sim->sipTlsPort();
        p->setDefaultSipProxy(QStringLiteral("127.0.0.1"), port, tls);
        p->setDefaultSipRegistrar(QStringLiteral("127.0.0.1"), port, tls);
        p->setLocalNetworkAddress(QStringLiteral("0.0.0.0"));
        if (transport == VDK::TransportTls) {
            p->enableTlsUsage(true);
            p->setTlsCertificateDir(trusted);
        }
        p->setDefaultSignalingTransportProtocol(transport);
        p->setSipPort(0);
        p->addSipAccount(kExten, password, kExten);
        p->setMaxUsableLines(4, 0);
        if (p->init() != 0)
            qFatal("engine init failed");
        return p;
    }

    // A softphone whose registrar is a SIP peer of the test (`peerPort`) and
    // whose calls go out through the simulator; nothing registers.
    Phone makePhoneBehind(quint16 peerPort)
    {
        Phone p;
        p.engine.reset(new VDKQtEngine(VDKLogConfig()));
        p.relay.reset(new Relay(p.engine.get()));
        p->setDefaultSipProxy(QStringLiteral("127.0.0.1"), m_sim->sipPort(), 0);
        p->setDefaultSipRegistrar(QStringLiteral("127.0.0.1"), peerPort, 0);
        p->setSipPort(0);
        p->addSipAccount(kExten, kSipPassword, kExten);
        if (p->init() != 0)
            qFatal("engine init failed");
        return p;
    }

    static quint16 sipPortOf(Phone &p)
    {
        return quint16(p->getLocalSipAddress(VDK::TransportUdp).section(QLatin1Char(':'), 1).toUInt());
    }

    bool registerPhone(Phone &p)
    {
        QSignalSpy ok(p.relay.get(), &Relay::regOk);
        if (p->registerSipAccount(0) != 0)
            return false;
        return waitCount(ok, 1) && waitFor([this] { return m_sim->isSipRegistered(kExten); });
    }

    // Places a call and waits until the far end answers; the line, or -1.
    int callAnswered(Phone &p, const QString &number)
    {
        QSignalSpy est(p.relay.get(), &Relay::established);
        const int line = p->startAudioCall(QStringLiteral("%1@127.0.0.1").arg(number));
        if (line < 0 || !waitCount(est, 1))
            return -1;
        return est.first().at(0).toInt() == line ? line : -1;
    }

    bool loginCti()
    {
        m_cti.reset(new CtiLib(QStringLiteral("linux"), QStringLiteral("12"), QStringLiteral("MCTI"),
                               QStringLiteral("4.5.23"), QStringLiteral("DESKLINE-test"), m_ctiDir.path()));
        m_cti->init();
        m_cti->setServerAddress(QStringLiteral("127.0.0.1:%1").arg(m_sim->serverPort()));
        QSignalSpy ok(m_cti.get(), &CtiLib::loggedToServer);
        m_cti->connectToServer(QStringLiteral("demo"), QStringLiteral("demo"), QString(), 2);
        return waitCount(ok, 1);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_devices.isValid());
        qputenv("VDK_TEST_DEVICES", QFile::encodeName(m_devices.path()));
        QVERIFY(writeToneWav(m_devices.filePath(QStringLiteral("input.wav")), 1500, 3000));
        QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
        for (const char *name : {"Quodra s.r.l. Root CA.crt.pem", "VeloraPBX Intermediate CA.crt.pem"})
            QVERIFY(conf.addCaCertificates(certDir() + QLatin1Char('/') + QLatin1String(name), QSsl::Pem,
                                           QSslCertificate::PatternSyntax::FixedString));
        QSslConfiguration::setDefaultConfiguration(conf);
    }

    void init()
    {
        m_sim.reset(new PbxSimulator);
        m_sim->setAnswerDelay(300);
        m_sim->setRingTimeout(20000);
        QString error;
        QVERIFY2(m_sim->listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QVERIFY2(m_sim->listenSip(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QFile::remove(m_devices.filePath(QStringLiteral("capture.wav")));
    }

    void cleanup()
    {
        m_cti.reset();
        m_sim.reset();
    }

    void registration_data()
    {
        QTest::addColumn<int>("transport");
        QTest::newRow("udp") << int(VDK::TransportUdp);
        QTest::newRow("tcp") << int(VDK::TransportTcp);
        QTest::newRow("tls") << int(VDK::TransportTls);
    }
    void registration()
    {
        QFETCH(int, transport);
        Phone p = makePhone(transport);
        QVERIFY(registerPhone(p));
        QCOMPARE(p->unregisterSipAccount(0), 0);
        QVERIFY(waitFor([this] { return !m_sim->isSipRegistered(kExten); }));
        QVERIFY(p->unregisterSipAccount(0) < 0); // nothing left to unregister
        QCOMPARE(p->shutdown(), 0);
    }

    void wrongPasswordFails()
    {
        Phone p = makePhone(VDK::TransportUdp, QStringLiteral("wrong"));
        QSignalSpy ok(p.relay.get(), &Relay::regOk);
        QSignalSpy fail(p.relay.get(), &Relay::regFail);
        QCOMPARE(p->registerSipAccount(0), 0);
        QVERIFY(waitCount(fail, 1));
        QCOMPARE(fail.first().at(1).toInt(), 401);
        QVERIFY(ok.isEmpty());
        QVERIFY(!m_sim->isSipRegistered(kExten));
    }

    // A refused password is offered once: one challenge answered, then no
    // more REGISTERs with it, also when the client asks again; new
    // credentials register at once.
    void refusedPasswordIsNotRetried()
    {
        Phone p = makePhone(VDK::TransportUdp, QStringLiteral("wrong"));
        QSignalSpy ok(p.relay.get(), &Relay::regOk);
        QSignalSpy fail(p.relay.get(), &Relay::regFail);
        QCOMPARE(p->registerSipAccount(0), 0);
        QVERIFY(waitCount(fail, 1));
        QCOMPARE(fail.first().at(1).toInt(), 401);
        // The first REGISTER, challenged, and the one answering the challenge.
        QCOMPARE(m_sim->sipRegisterRequests(kExten), 2);
        QCOMPARE(p->registerSipAccount(0), 0);
        QVERIFY(waitCount(fail, 2));
        QCOMPARE(fail.at(1).at(1).toInt(), 401);
        QCOMPARE(m_sim->sipRegisterRequests(kExten), 2);
        QVERIFY(ok.isEmpty());

        QCOMPARE(p->addSipAccount(kExten, kSipPassword, kExten), 0);
        QCOMPARE(p->registerSipAccount(0), 0);
        QVERIFY(waitCount(ok, 1));
        QVERIFY(waitFor([this] { return m_sim->isSipRegistered(kExten); }));
        QCOMPARE(m_sim->sipRegisterRequests(kExten), 4);
        QCOMPARE(fail.count(), 2);
    }

    void untrustedTlsCertificateFails()
    {
        QTemporaryDir empty;
        Phone p = makePhone(VDK::TransportTls, kSipPassword, empty.path());
        QSignalSpy ok(p.relay.get(), &Relay::regOk);
        QSignalSpy tls(p.relay.get(), &Relay::tlsFail);
        QCOMPARE(p->registerSipAccount(0), 0);
        QVERIFY(waitCount(tls, 1));
        QVERIFY(ok.isEmpty());
        QVERIFY(!m_sim->isSipRegistered(kExten));
    }

    // An outside number answers; audio flows both ways; the far end hangs
    // up. The CTI link reports the same call in the PBX's order.
    void outgoingCallWithAudio()
    {
        QVERIFY(loginCti());
        QSignalSpy ctiOut(m_cti.get(), &CtiLib::sigOutgoingCall);
        QSignalSpy ctiAns(m_cti.get(), &CtiLib::sigAnsweredCall);
        QSignalSpy ctiEnd(m_cti.get(), &CtiLib::sigFinishedCall);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QSignalSpy ringing(p.relay.get(), &Relay::ringing);
        QSignalSpy terminated(p.relay.get(), &Relay::terminated);
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        QCOMPARE(ringing.count(), 1);
        QVERIFY(waitCount(ctiAns, 1));
        QCOMPARE(ctiOut.count(), 1);
        QCOMPARE(p->getLineOnHoldStatus(line), VDK::LineFullDuplex);
        QCOMPARE(p->getNumberOfBusyLines(), 1);
        QCOMPARE(p->getNumberOfFreeLines(), 3);

        const int mic = p->getAudioInputDevice(QStringLiteral("WAV file"));
        const int spk = p->getAudioOutputDevice(QStringLiteral("capture to WAV file"));
        QVERIFY(mic >= 0 && spk >= 0);
        QCOMPARE(p->connectDeviceToLine(mic, line), 0);
        QCOMPARE(p->connectLineToDevice(line, spk), 0);
        const QString uid = m_sim->sipCallOf(kExten);
        QVERIFY(!uid.isEmpty());
        // The far end plays 1000 Hz and hears our 1500 Hz file.
        QVERIFY2(waitFor([&] { return m_sim->sipReceivedTonePower(uid, 1500) > 0.5; }),
                 qPrintable(QString::number(m_sim->sipReceivedTonePower(uid, 1500))));
        QVERIFY(waitFor([&] {
            return lastSecondTone(readWavSamples(m_devices.filePath(QStringLiteral("capture.wav"))), 1000) > 0.5;
        }));
        QVERIFY(p->getDevicePeakLevel(spk, 0, nullptr) > 5.0);

        QCOMPARE(m_sim->hangup(uid), 1);
        QVERIFY(waitCount(terminated, 1));
        QCOMPARE(terminated.first().at(0).toInt(), line);
        QVERIFY(waitCount(ctiEnd, 1));
        QCOMPARE(p->getNumberOfBusyLines(), 0);
    }

    // Every codec carries the tones both ways; the engine's order decides.
    void codecs_data()
    {
        QTest::addColumn<QStringList>("engine");
        QTest::addColumn<QStringList>("far");
        QTest::newRow("PCMU") << QStringList{"PCMU"} << QStringList{"PCMA", "PCMU"};
        QTest::newRow("GSM") << QStringList{"GSM", "PCMA"} << QStringList{"PCMA", "GSM"};
        QTest::newRow("G.726") << QStringList{"G726", "PCMU"} << QStringList{"PCMU", "G726"};
        QTest::newRow("G.722") << QStringList{"G7221", "PCMA"} << QStringList{"PCMA", "G722"};
    }
    void codecs()
    {
        QFETCH(QStringList, engine);
        QFETCH(QStringList, far);
        Phone p = makePhone();
        QCOMPARE(p->setAudioCodecPriority(engine), 0);
        QVERIFY(m_sim->setSipCodecs(far));
        QVERIFY(registerPhone(p));
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        QCOMPARE(p->connectDeviceToLine(p->getAudioInputDevice(QStringLiteral("WAV file")), line), 0);
        QCOMPARE(p->connectLineToDevice(line, p->getAudioOutputDevice(QStringLiteral("capture to WAV file"))), 0);
        const QString uid = m_sim->sipCallOf(kExten);
        QVERIFY2(waitFor([&] { return m_sim->sipReceivedTonePower(uid, 1500) > 0.5; }),
                 qPrintable(QString::number(m_sim->sipReceivedTonePower(uid, 1500))));
        QVERIFY(waitFor([&] {
            return lastSecondTone(readWavSamples(m_devices.filePath(QStringLiteral("capture.wav"))), 1000) > 0.5;
        }));
        QCOMPARE(p->setAudioCodecPriority({QStringLiteral("SPEEX")}), int(VDK::ErrCodec));
    }

    void sipErrors_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("code");
        QTest::newRow("busy") << QStringLiteral("0612345486") << 486;
        QTest::newRow("not found") << QStringLiteral("0612345404") << 404;
    }
    void sipErrors()
    {
        QFETCH(QString, number);
        QFETCH(int, code);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QSignalSpy error(p.relay.get(), &Relay::sipError);
        QSignalSpy terminated(p.relay.get(), &Relay::terminated);
        const int line = p->startAudioCall(number + QStringLiteral("@127.0.0.1"));
        QVERIFY(line >= 0);
        QVERIFY(waitCount(error, 1));
        QCOMPARE(error.first().at(0).toInt(), line);
        QCOMPARE(error.first().at(1).toInt(), code);
        QVERIFY(waitCount(terminated, 1));
        QCOMPARE(p->getNumberOfBusyLines(), 0);
    }

    void cancelBeforeAnswer()
    {
        m_sim->setAnswerDelay(60000);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QSignalSpy ringing(p.relay.get(), &Relay::ringing);
        QSignalSpy terminated(p.relay.get(), &Relay::terminated);
        const int line = p->startAudioCall(QStringLiteral("0611111111@127.0.0.1"));
        QVERIFY(line >= 0);
        QVERIFY(waitCount(ringing, 1));
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 1; }));
        QCOMPARE(p->cancelUnansweredCall(line), 0);
        QVERIFY(waitCount(terminated, 1));
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
    }

    void incomingCall_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("answered") << true;
        QTest::newRow("refused") << false;
    }
    void incomingCall()
    {
        QFETCH(bool, answer);
        QVERIFY(loginCti());
        QSignalSpy ctiIn(m_cti.get(), &CtiLib::sigIncomingCall);
        QSignalSpy ctiAns(m_cti.get(), &CtiLib::sigAnsweredCall);
        QSignalSpy ctiEnd(m_cti.get(), &CtiLib::sigFinishedCall);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QSignalSpy incoming(p.relay.get(), &Relay::incoming);
        QSignalSpy established(p.relay.get(), &Relay::established);
        QSignalSpy terminated(p.relay.get(), &Relay::terminated);
        const QString uid =
            m_sim->injectIncomingCall(QStringLiteral("0298765432"), kExten, QString(), QStringLiteral("Mario Rossi"));
        QVERIFY(!uid.isEmpty());
        QVERIFY(waitCount(incoming, 1));
        const int line = incoming.first().at(0).toInt();
        QVERIFY(incoming.first().at(1).toString().contains(QLatin1String("0298765432")));
        QVERIFY(incoming.first().at(1).toString().contains(QLatin1String("Mario Rossi")));
        QVERIFY(waitCount(ctiIn, 1));
        if (answer) {
            QCOMPARE(p->answerAudioCall(line), 0);
            QVERIFY(waitCount(established, 1));
            QVERIFY(waitCount(ctiAns, 1));
            QCOMPARE(p->abortCall(line), 0);
        } else {
            QCOMPARE(p->refuseCall(line), 0);
        }
        QVERIFY(waitCount(terminated, 1));
        QVERIFY(waitCount(ctiEnd, 1));
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
    }

    void callerHangsUpBeforeAnswer()
    {
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QSignalSpy incoming(p.relay.get(), &Relay::incoming);
        QSignalSpy canceled(p.relay.get(), &Relay::canceled);
        const QString uid = m_sim->injectIncomingCall(QStringLiteral("0298765432"), kExten);
        QVERIFY(waitCount(incoming, 1));
        QCOMPARE(m_sim->hangup(uid), 1);
        QVERIFY(waitCount(canceled, 1));
        QCOMPARE(canceled.first().at(0).toInt(), incoming.first().at(0).toInt());
        QCOMPARE(p->getNumberOfBusyLines(), 0);
    }

    void holdAndRetrieve()
    {
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        QSignalSpy ok(p.relay.get(), &Relay::holdOk);
        QCOMPARE(p->setLineOnHoldStatus(line, VDK::LineInactive), 0);
        QVERIFY(waitCount(ok, 1));
        QCOMPARE(p->getLineOnHoldStatus(line), VDK::LineInactive);
        QCOMPARE(p->setLineOnHoldStatus(line, VDK::LineFullDuplex), 0);
        QVERIFY(waitCount(ok, 2));
        QCOMPARE(p->getLineOnHoldStatus(line), VDK::LineFullDuplex);
        // The far end holds us.
        QVERIFY(m_sim->sipHold(m_sim->sipCallOf(kExten), true));
        QVERIFY(waitFor([&] { return p->getLineOnHoldStatus(line) == VDK::LineRemoteOnHold; }));
    }

    void dtmf_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("rfc4733") << int(VDK::DtmfRfc4733);
        QTest::newRow("sip info") << int(VDK::DtmfSipInfo);
    }
    void dtmf()
    {
        QFETCH(int, mode);
        Phone p = makePhone();
        QCOMPARE(p->setDtmfDeliveryMode(mode), 0);
        QVERIFY(registerPhone(p));
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        const QString uid = m_sim->sipCallOf(kExten);
        for (char c : {'1', '2', '#', '*'})
            QCOMPARE(p->sendDtmf(line, c, 140), 0);
        QVERIFY(p->sendDtmf(line, 'x', 140) < 0);
        QVERIFY2(waitFor([&] { return m_sim->sipReceivedDigits(uid) == QLatin1String("12#*"); }),
                 qPrintable(m_sim->sipReceivedDigits(uid)));
    }

    // Service codes dialled as DTMF act on the call: recording (*1) and
    // park (#8), which ends the softphone's call.
    void serviceCodesAsDtmf()
    {
        QVERIFY(loginCti());
        QSignalSpy ctiEnd(m_cti.get(), &CtiLib::sigFinishedCall);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        const QString uid = m_sim->sipCallOf(kExten);
        QSignalSpy terminated(p.relay.get(), &Relay::terminated);
        for (char c : {'*', '1'})
            QCOMPARE(p->sendDtmf(line, c, 100), 0);
        QVERIFY(waitFor([&] { return m_sim->isSipRecording(uid); }));
        for (char c : {'#', '8'})
            QCOMPARE(p->sendDtmf(line, c, 100), 0);
        QVERIFY(waitCount(terminated, 1));
        QVERIFY(waitCount(ctiEnd, 1));
        QCOMPARE(ctiEnd.first().at(0).value<FinishedCallEvent>().reason, QStringLiteral("PARKED"));
    }

    void fourLinesAndNoMore()
    {
        m_sim->setAnswerDelay(60000);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QSignalSpy ringing(p.relay.get(), &Relay::ringing);
        QSet<int> lines;
        for (int i = 0; i < 4; ++i) {
            const int line = p->startAudioCall(QStringLiteral("061000000%1@127.0.0.1").arg(i));
            QVERIFY(line >= 0 && line < 4);
            lines << line;
        }
        QCOMPARE(lines.size(), 4);
        QCOMPARE(p->startAudioCall(QStringLiteral("0610000009@127.0.0.1")), int(VDK::ErrNoFreeLine));
        QCOMPARE(p->getNumberOfFreeLines(), 0);
        QVERIFY(waitCount(ringing, 4));
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 4; }));
        for (int line : lines)
            QCOMPARE(p->abortCall(line), 0);
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
    }

    void blindTransfer()
    {
        QVERIFY(loginCti());
        QSignalSpy ctiEnd(m_cti.get(), &CtiLib::sigFinishedCall);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        QSignalSpy terminated(p.relay.get(), &Relay::terminated);
        QCOMPARE(p->redirectEstablishedCallToSipAddress(line, QStringLiteral("sip:0655555555@127.0.0.1")), 0);
        QVERIFY(waitCount(terminated, 1));
        QVERIFY(waitCount(ctiEnd, 1));
        QCOMPARE(ctiEnd.first().at(0).value<FinishedCallEvent>().reason, QStringLiteral("TRANSFERRED"));
    }

    void attendedTransfer()
    {
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        const int first = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(first >= 0);
        QCOMPARE(p->setLineOnHoldStatus(first, VDK::LineOnHold), 0);
        const int second = callAnswered(p, QStringLiteral("0687654321"));
        QVERIFY(second >= 0 && second != first);
        QSignalSpy terminated(p.relay.get(), &Relay::terminated);
        QTRY_COMPARE(p->getLineOnHoldStatus(first), VDK::LineOnHold);
        QCOMPARE(p->bridgeLinesRemotely(first, second), 0);
        QVERIFY(waitCount(terminated, 2));
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
        QCOMPARE(p->getNumberOfBusyLines(), 0);
    }

    // A number that answers 183 with early media: session progress, the far
    // end's tone before the answer.
    void earlyMedia()
    {
        m_sim->setAnswerDelay(60000);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QSignalSpy progress(p.relay.get(), &Relay::progress);
        const int line = p->startAudioCall(QStringLiteral("0612345183@127.0.0.1"));
        QVERIFY(line >= 0);
        QVERIFY(waitCount(progress, 1));
        QCOMPARE(progress.first().at(0).toInt(), line);
        const int spk = p->getAudioOutputDevice(QStringLiteral("capture to WAV file"));
        QCOMPARE(p->connectLineToDevice(line, spk), 0);
        QVERIFY(waitFor([&] {
            return lastSecondTone(readWavSamples(m_devices.filePath(QStringLiteral("capture.wav"))), 1000) > 0.5;
        }));
        QCOMPARE(p->cancelUnansweredCall(line), 0);
    }

    // A ringing call forwarded by the softphone (302) rings the new number.
    void forwardRingingCall()
    {
        QVERIFY(loginCti());
        QSignalSpy ctiEnd(m_cti.get(), &CtiLib::sigFinishedCall);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QSignalSpy incoming(p.relay.get(), &Relay::incoming);
        QSignalSpy terminated(p.relay.get(), &Relay::terminated);
        m_sim->injectIncomingCall(QStringLiteral("0298765432"), kExten);
        QVERIFY(waitCount(incoming, 1));
        const int line = incoming.first().at(0).toInt();
        QCOMPARE(p->redirectIncomingCallToSipAddress(line, QStringLiteral("0677777777@127.0.0.1")), 0);
        QVERIFY(waitCount(terminated, 1));
        QVERIFY(waitCount(ctiEnd, 1));
        QCOMPARE(ctiEnd.first().at(0).value<FinishedCallEvent>().reason, QStringLiteral("REDIRECTED"));
    }

    void doNotDisturbRefusesCalls()
    {
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QCOMPARE(p->enableDoNotDisturb(true), 0);
        QSignalSpy incoming(p.relay.get(), &Relay::incoming);
        m_sim->injectIncomingCall(QStringLiteral("0298765432"), kExten);
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
        QVERIFY(incoming.isEmpty());
    }

    // With the threshold set and the far end silent (no RTP), the line is
    // hung up.
    void missingMediaHangsUp()
    {
        m_sim->setSipPlayTone(-1);
        Phone p = makePhone();
        QCOMPARE(p->shutdown(), 0);
        p = Phone();
        p.engine.reset(new VDKQtEngine(VDKLogConfig()));
        p.relay.reset(new Relay(p.engine.get()));
        p->setDefaultSipProxy(QStringLiteral("127.0.0.1"), m_sim->sipPort(), 0);
        p->setDefaultSipRegistrar(QStringLiteral("127.0.0.1"), m_sim->sipPort(), 0);
        p->addSipAccount(kExten, kSipPassword, kExten);
        QCOMPARE(p->setWarningThresholdForMissingMedia(1), 0);
        QCOMPARE(p->hangupWhenMediaMissingOverThreshold(true), 0);
        QCOMPARE(p->init(), 0);
        QVERIFY(registerPhone(p));
        QSignalSpy terminated(p.relay.get(), &Relay::terminated);
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        QVERIFY(waitCount(terminated, 1));
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
    }

    // A one-shot file device played into an output reports its end; a
    // looping one goes on.
    void fileDevices()
    {
        Phone p = makePhone();
        const QString shortWav = m_devices.filePath(QStringLiteral("short.wav"));
        QVERIFY(writeToneWav(shortWav, 800, 300));
        const int once = p->getFileInputDevice(shortWav, false);
        const int loop = p->getFileInputDevice(shortWav, true);
        QVERIFY(once >= 0 && loop >= 0 && once != loop);
        const int spk = p->getAudioOutputDevice(QStringLiteral("capture to WAV file"));
        QSignalSpy finished(p.relay.get(), &Relay::fileFinished);
        QCOMPARE(p->connectDevices(once, spk), 0);
        QVERIFY(waitCount(finished, 1));
        QCOMPARE(finished.first().at(0).toInt(), once);
        QCOMPARE(p->disconnectDevices(once, spk), 0);
        QCOMPARE(p->connectDevices(loop, spk), 0);
        // A second of output (the file three times over) and no end reported.
        const QString capture = m_devices.filePath(QStringLiteral("capture.wav"));
        const int before = readWavSamples(capture).size();
        QVERIFY(waitFor([&] { return readWavSamples(capture).size() >= before + VDK::kSampleRate; }));
        QCOMPARE(finished.count(), 1);
        QVERIFY(lastSecondTone(readWavSamples(capture), 800) > 0.5);
        // A one-shot file plays again from the start when connected again.
        QCOMPARE(p->disconnectDevices(loop, spk), 0);
        QCOMPARE(p->connectDevices(once, spk), 0);
        QVERIFY(waitCount(finished, 2));
    }

    // The microphone picks up what the speaker plays (here: a file with the
    // far end's tone stands in for the microphone); with echo control
    // between the two, what the microphone gives the line loses that tone.
    void echoCancellation_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("echo control") << true;
        QTest::newRow("none") << false;
    }
    void echoCancellation()
    {
        QFETCH(bool, on);
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        const QString echoWav = m_devices.filePath(QStringLiteral("echo.wav"));
        QVERIFY(writeToneWav(echoWav, 1000, 3000));
        const int mic = p->getFileInputDevice(echoWav, true);
        const int spk = p->getAudioOutputDevice(QStringLiteral("capture to WAV file"));
        QVERIFY(mic >= 0 && spk >= 0);
        QCOMPARE(p->enableDeviceMediaCaching(spk, 250), 0);
        QCOMPARE(p->enableEchoCancelBetweenDevices(mic, spk), 0);
        QCOMPARE(p->enableDeviceEchoCancelLmsFilter(on, mic), 0);
        QCOMPARE(p->enableDeviceEchoSuppression(on, mic), 0);
        QCOMPARE(p->setDeviceEchoSuppressionParameters(10, 40, 4000, 15, mic), 0);
        QVERIFY(p->setDeviceEchoSuppressionParameters(10, 40, 4000, 51, mic) < 0);
        QVERIFY(p->enableEchoCancelBetweenDevices(spk, mic) < 0);
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        QCOMPARE(p->connectLineToDevice(line, spk), 0);
        QCOMPARE(p->connectDeviceToLine(mic, line), 0);
        // The speaker plays the far end's tone; let the canceller converge,
        // then take the microphone's highest level over a second.
        // The engine's audio clock, not the wall clock, decides how far the
        // canceller got: the speaker's capture file counts the frames played.
        const QString capture = m_devices.filePath(QStringLiteral("capture.wav"));
        auto played = [&] { return readWavSamples(capture).size(); };
        QVERIFY(waitFor([&] { return p->getDevicePeakLevel(spk, 0, nullptr) > 10.0; }));
        const int start = played();
        QVERIFY(waitFor([&] { return played() >= start + 3 * VDK::kSampleRate; }, 30000));
        double peak = 0.0;
        for (int i = 0; i < 10; ++i) {
            peak = qMax(peak, p->getDevicePeakLevel(mic, 0, nullptr));
            const int now = played();
            QVERIFY(waitFor([&] { return played() >= now + VDK::kSampleRate / 10; }));
        }
        if (on)
            QVERIFY2(peak < 5.0, qPrintable(QString::number(peak)));
        else
            QVERIFY2(peak > 20.0, qPrintable(QString::number(peak))); // the echo, 9000 of 32768
    }

    // Hostile SIP input from the registrar's address: each message gets a SIP
    // error or is dropped, nothing rings, and the engine goes on working.
    void hostileSipInput_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("expected"); // status line start, empty: dropped
        const QByteArray sdpNoCodec = kSdpHead + "c=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                                                 "m=audio 40000 RTP/AVP 18\r\na=rtpmap:18 G729/8000\r\n";
        const QByteArray sdp = kSdpHead + "c=IN IP4 127.0.0.1\r\n" + kSdpAudio;
        auto invite = [](const QByteArray &extra, const QByteArray &body) {
            return sipRequest("INVITE", 0, extra, body);
        };
        auto without = [&](const QByteArray &header) {
            QByteArray m = invite(QByteArray(), sdp);
            const int at = m.indexOf("\r\n" + header + ":");
            const int end = m.indexOf("\r\n", at + 2);
            return m.remove(at, end - at);
        };
        QTest::newRow("garbage") << QByteArray("\x01\xff", 2) + QByteArray(1, '\0') + " not SIP at all\r\n\r\n"
                                 << QByteArray();
        QTest::newRow("truncated request line") << QByteArray("INVITE sip:\r\n\r\n") << QByteArray();
        QTest::newRow("huge header") << invite("X-Huge: " + QByteArray(30000, 'a') + "\r\n", sdpNoCodec)
                                     << QByteArray();
        QTest::newRow("no common codec") << invite(QByteArray(), sdpNoCodec) << QByteArray("SIP/2.0 488");
        QTest::newRow("no SDP") << invite(QByteArray(), QByteArray()) << QByteArray("SIP/2.0 488");
        QTest::newRow("content length beyond the body")
            << invite(QByteArray(), sdpNoCodec).replace("Content-Length: ", "Content-Length: 9") << QByteArray();
        // Missing headers that SIP requires.
        for (const char *header : {"Via", "From", "To", "Call-ID", "CSeq", "Max-Forwards", "Contact"})
            QTest::addRow("no %s", header) << without(header) << QByteArray("SIP/2.0 400");
        QTest::newRow("CSeq of another method")
            << invite(QByteArray(), sdp).replace("CSeq: 1 INVITE", "CSeq: 1 BYE") << QByteArray("SIP/2.0 400");
        // Offers without usable audio.
        QTest::newRow("SDP without media")
            << invite(QByteArray(), kSdpHead + "c=IN IP4 127.0.0.1\r\nt=0 0\r\n") << QByteArray("SIP/2.0 488");
        QTest::newRow("audio port 0") << invite(QByteArray(), kSdpHead + "c=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                                                                         "m=audio 0 RTP/AVP 8 0\r\n")
                                      << QByteArray("SIP/2.0 488");
        QTest::newRow("IPv6") << invite(QByteArray(), kSdpHead + "c=IN IP6 ::1\r\n" + kSdpAudio)
                              << QByteArray("SIP/2.0 488");
        QTest::newRow("multicast") << invite(QByteArray(), kSdpHead + "c=IN IP4 239.1.2.3\r\n" + kSdpAudio)
                                   << QByteArray("SIP/2.0 488");
        QTest::newRow("no connection line") << invite(QByteArray(), kSdpHead + kSdpAudio) << QByteArray("SIP/2.0 488");
    }
    void hostileSipInput()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, expected);
        SipPeer pbx;
        QVERIFY(pbx.bind());
        Phone p = makePhoneBehind(pbx.port());
        const quint16 port = sipPortOf(p);
        QVERIFY(port > 0);
        message.replace("127.0.0.1:0", "127.0.0.1:" + QByteArray::number(pbx.port()));
        QSignalSpy incoming(p.relay.get(), &Relay::incoming);
        pbx.send(message, port);
        if (!expected.isEmpty()) {
            const QByteArray reply = pbx.responseTo(callIdOf(message));
            QVERIFY2(reply.startsWith(expected), reply.left(60).constData());
        }
        QVERIFY(pbx.sync(port));
        QVERIFY(incoming.isEmpty());
        QCOMPARE(p->getNumberOfBusyLines(), 0);
        // Still working.
        QVERIFY(callAnswered(p, QStringLiteral("0612345678")) >= 0);
    }

    // A new call rings only when it comes from the registrar or the proxy
    // the account uses; anyone else gets 403.
    void callsOnlyFromTheRegistrar()
    {
        SipPeer pbx, stranger;
        QVERIFY(pbx.bind() && stranger.bind());
        Phone p = makePhoneBehind(pbx.port());
        const quint16 port = sipPortOf(p);
        const QByteArray sdp = kSdpHead + "c=IN IP4 127.0.0.1\r\n" + kSdpAudio;
        QSignalSpy incoming(p.relay.get(), &Relay::incoming);
        const QByteArray strange = sipRequest("INVITE", stranger.port(), QByteArray(), sdp);
        stranger.send(strange, port);
        QVERIFY(stranger.responseTo(callIdOf(strange)).startsWith("SIP/2.0 403"));
        QVERIFY(pbx.sync(port));
        QVERIFY(incoming.isEmpty());

        const QByteArray invite = sipRequest("INVITE", pbx.port(), QByteArray(), sdp);
        pbx.send(invite, port);
        QVERIFY(waitCount(incoming, 1));
        // The caller gives up: the call stops ringing.
        QSignalSpy canceled(p.relay.get(), &Relay::canceled);
        QByteArray cancel = invite.left(invite.indexOf("Contact:")).replace("INVITE sip:", "CANCEL sip:");
        cancel.replace("CSeq: 1 INVITE", "CSeq: 1 CANCEL");
        pbx.send(cancel + "Content-Length: 0\r\n\r\n", port);
        QVERIFY(waitCount(canceled, 1));
        QCOMPARE(p->getNumberOfBusyLines(), 0);
    }

    // A ringing call that nobody answers ends when the caller's Expires
    // runs out (487), as every ringing call ends in the end.
    void ringingEnds()
    {
        SipPeer pbx;
        QVERIFY(pbx.bind());
        Phone p = makePhoneBehind(pbx.port());
        const quint16 port = sipPortOf(p);
        QSignalSpy incoming(p.relay.get(), &Relay::incoming);
        QSignalSpy canceled(p.relay.get(), &Relay::canceled);
        const QByteArray invite =
            sipRequest("INVITE", pbx.port(), "Expires: 1\r\n", kSdpHead + "c=IN IP4 127.0.0.1\r\n" + kSdpAudio);
        pbx.send(invite, port);
        QVERIFY(waitCount(incoming, 1));
        QVERIFY(pbx.responseTo(callIdOf(invite), 20000).startsWith("SIP/2.0 487"));
        QVERIFY(waitCount(canceled, 1));
        QCOMPARE(canceled.first().at(0), incoming.first().at(0));
        QCOMPARE(p->getNumberOfBusyLines(), 0);
    }

    // RTP from an address other than the far end's never reaches the call:
    // a flood carrying another tone, in the call's own payload type, leaves
    // the far end's tone alone in what the line plays, and the call goes on.
    // (How many of the flood's datagrams the kernel delivers does not
    // matter.)
    void rtpFloodFromWrongAddress()
    {
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        const int spk = p->getAudioOutputDevice(QStringLiteral("capture to WAV file"));
        QCOMPARE(p->connectLineToDevice(line, spk), 0);
        const QString capture = m_devices.filePath(QStringLiteral("capture.wav"));
        QVERIFY(waitFor([&] { return lastSecondTone(readWavSamples(capture), 1000) > 0.5; }));
        const QString media = p->getLineMediaAddress(line);
        const quint16 port = quint16(media.section(QLatin1Char(':'), 1).toUInt());
        QVERIFY(port > 0);

        // 3 kHz in PCMA (the call's codec) and in PCMU, 20 ms a packet.
        QUdpSocket flood;
        QVERIFY(flood.bind(QHostAddress(QHostAddress::LocalHost), 0));
        int16_t pcm[VDK::kFrameSamples];
        for (int i = 0; i < VDK::kFrameSamples; ++i)
            pcm[i] = int16_t(std::lround(12000.0 * std::sin(2.0 * M_PI * 3000.0 * i / VDK::kSampleRate)));
        quint16 seq = 0;
        auto sendFlood = [&] {
            for (const int pt : {8, 0}) {
                QByteArray pkt(12 + VDK::kFrameSamples, '\0');
                pkt[0] = char(0x80);
                pkt[1] = char(pt);
                qToBigEndian<quint16>(seq, pkt.data() + 2);
                qToBigEndian<quint32>(quint32(seq) * VDK::kFrameSamples, pkt.data() + 4);
                qToBigEndian<quint32>(0x1234, pkt.data() + 8);
                VDK::encodeG711(pt, pcm, VDK::kFrameSamples, reinterpret_cast<uint8_t *>(pkt.data()) + 12);
                flood.writeDatagram(pkt, QHostAddress::LocalHost, port);
            }
            ++seq;
        };
        QTimer pace;
        QObject::connect(&pace, &QTimer::timeout, &pace, [&] {
            for (int i = 0; i < 10; ++i)
                sendFlood();
        });
        pace.start(5);
        // The line plays on for two seconds under the flood.
        const int before = readWavSamples(capture).size();
        QVERIFY(waitFor([&] { return readWavSamples(capture).size() >= before + 2 * VDK::kSampleRate; }, 30000));
        quint64 received = 0, dropped = 0, lost = 0;
        QVERIFY(waitFor([&] {
            p->getLineMediaStatistics(line, &received, &dropped, &lost);
            return dropped > 0;
        }));
        const QVector<qint16> heard = readWavSamples(capture);
        pace.stop();
        QVERIFY2(lastSecondTone(heard, 1000) > 0.5, qPrintable(QString::number(lastSecondTone(heard, 1000))));
        QVERIFY2(lastSecondTone(heard, 3000) < 0.01, qPrintable(QString::number(lastSecondTone(heard, 3000))));
        QVERIFY(received > 0);
        QCOMPARE(p->getLineOnHoldStatus(line), VDK::LineFullDuplex);
        QCOMPARE(p->getNumberOfBusyLines(), 1);
    }

    // The simulator's SIP control commands, with the softphone registered.
    void simulatorSipControl()
    {
        Phone p = makePhone();
        QVERIFY(registerPhone(p));
        QVERIFY(m_sim->executeControl(QStringLiteral("sip status")).contains(QLatin1String("registered=201")));
        QCOMPARE(m_sim->executeControl(QStringLiteral("sip tone 440")), QStringLiteral("OK"));
        QVERIFY(m_sim->executeControl(QStringLiteral("sip tone 9999")).startsWith(QLatin1String("ERROR")));
        QVERIFY(m_sim->executeControl(QStringLiteral("sip play /nonexistent.wav")).startsWith(QLatin1String("ERROR")));
        QVERIFY(m_sim->executeControl(QStringLiteral("sip check nouid 440")).startsWith(QLatin1String("ERROR")));
        QVERIFY(m_sim->executeControl(QStringLiteral("sip hold nouid on")).startsWith(QLatin1String("ERROR")));
        QVERIFY(m_sim->executeControl(QStringLiteral("sip bogus")).startsWith(QLatin1String("ERROR")));
        const int line = callAnswered(p, QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        const QString uid = m_sim->sipCallOf(kExten);
        QCOMPARE(p->connectLineToDevice(line, p->getAudioOutputDevice(QStringLiteral("capture to WAV file"))), 0);
        QVERIFY(waitFor([&] {
            return lastSecondTone(readWavSamples(m_devices.filePath(QStringLiteral("capture.wav"))), 440) > 0.5;
        }));
        QCOMPARE(p->connectDeviceToLine(p->getAudioInputDevice(QStringLiteral("WAV file")), line), 0);
        QVERIFY(waitFor([&] {
            const QString r = m_sim->executeControl(QStringLiteral("sip check %1 1500").arg(uid));
            return r.startsWith(QLatin1String("OK ")) && r.mid(3).toDouble() > 0.5;
        }));
    }

    // Bad arguments from the client are refused before anything is sent.
    void badArguments()
    {
        Phone p = makePhone();
        QCOMPARE(p->startAudioCall(QStringLiteral("201\r\nX-Evil: 1")), int(VDK::ErrInvalidArgument));
        QCOMPARE(p->startAudioCall(QString()), int(VDK::ErrInvalidArgument));
        QCOMPARE(p->answerAudioCall(7), int(VDK::ErrInvalidLine));
        QCOMPARE(p->answerAudioCall(0), int(VDK::ErrWrongState));
        QCOMPARE(p->connectDeviceToLine(999, 0), int(VDK::ErrInvalidDevice));
        QCOMPARE(p->getFileInputDevice(QStringLiteral("/nonexistent.wav"), true), int(VDK::ErrFile));
        QVERIFY(!p->getErrorMessage(VDK::ErrNoFreeLine).isEmpty());
    }
};

DESKLINE_TEST_MAIN(TestVdkEngine)
#include "tst_vdkengine.moc"
