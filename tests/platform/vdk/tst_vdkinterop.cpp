// The engine with a standard SIP user agent from the system's packages
// (baresip) as the far end on loopback: baresip registers on the simulated
// PBX as extension 202, the engine calls the contact it registered, and the
// G.711 audio is checked both ways. Skipped when baresip is absent.
#include "vdktestsupport.h"

#include "testmain.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QUdpSocket>

using namespace vdktest;

class TestVdkInterop : public QObject
{
    Q_OBJECT

    QString m_baresip;
    QTemporaryDir m_devices;

    static double recordedTone(const QTemporaryDir &dir, double hz)
    {
        double best = 0.0;
        for (const QString &f : QDir(dir.path()).entryList({QStringLiteral("*dec*.wav")}, QDir::Files))
            best = qMax(best, lastSecondTone(readWavSamples(dir.filePath(f)), hz));
        return best;
    }

    // An established call between the engine and baresip: each end plays its
    // tone file and hears the other's (1 kHz from baresip, 1.5 kHz from the
    // engine), then the engine hangs up.
    void talkBothWaysAndHangUp(VDKQtEngine &e, Relay &relay, int line, const QTemporaryDir &dir, QProcess &far)
    {
        e.connectDeviceToLine(e.getAudioInputDevice(QStringLiteral("WAV file")), line);
        e.connectLineToDevice(line, e.getAudioOutputDevice(QStringLiteral("capture to WAV file")));
        QVERIFY(waitFor([&] {
            return lastSecondTone(readWavSamples(m_devices.filePath(QStringLiteral("capture.wav"))), 1000) > 0.5;
        }));
        QVERIFY(waitFor([&] { return recordedTone(dir, 1500) > 0.5; }));
        QSignalSpy term(&relay, &Relay::terminated);
        QCOMPARE(e.abortCall(line), 0);
        QVERIFY(waitCount(term, 1));
        e.shutdown();
        stopBaresip(far);
    }

private slots:
    void initTestCase()
    {
        m_baresip = QStandardPaths::findExecutable(QStringLiteral("baresip"));
        if (m_baresip.isEmpty())
            QSKIP("baresip is not installed (Debian package baresip-core): interoperability not checked");
        qputenv("VDK_TEST_DEVICES", QFile::encodeName(m_devices.path()));
        QVERIFY(writeToneWav(m_devices.filePath(QStringLiteral("input.wav")), 1500, 3000));
    }

    // baresip: extension 202 on the simulator, answering by itself, playing
    // 1000 Hz and recording what it receives; `command` runs at start; SIP
    // on `sipPort` (0: any).
    bool startBaresip(QProcess &far, const QTemporaryDir &dir, PbxSimulator &sim, const QString &command = QString(),
                      quint16 sipPort = 0)
    {
        QFile config(dir.filePath(QStringLiteral("config")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write("sip_listen 127.0.0.1:" + QByteArray::number(sipPort) +
                     "\nnet_interface 127.0.0.1\n"
                     "audio_player aufile,/dev/null\naudio_alert aufile,/dev/null\naudio_source ausine,1000\n"
                     "ausrc_srate 48000\nauplay_srate 48000\nausrc_channels 2\nauplay_channels 2\n"
                     "module_path /usr/lib/baresip/modules\n"
                     "module g711.so\nmodule ausine.so\nmodule aufile.so\nmodule sndfile.so\n"
                     "module_app account.so\nmodule_app menu.so\n");
        config.close();
        QFile accounts(dir.filePath(QStringLiteral("accounts")));
        if (!accounts.open(QIODevice::WriteOnly))
            return false;
        accounts.write(QStringLiteral("<sip:202@127.0.0.1:%1>;auth_pass=sip202;regint=600;answermode=auto;"
                                      "audio_codecs=PCMA,PCMU\n")
                           .arg(sim.sipPort())
                           .toUtf8());
        accounts.close();
        QFile(dir.filePath(QStringLiteral("contacts"))).open(QIODevice::WriteOnly);
        far.setWorkingDirectory(dir.path());
        far.setProcessChannelMode(QProcess::MergedChannels);
        QStringList args{QStringLiteral("-f"), dir.path()};
        if (!command.isEmpty())
            args << QStringLiteral("-e") << command;
        far.start(m_baresip, args);
        return far.waitForStarted(5000) && waitFor([&] { return sim.isSipRegistered(QStringLiteral("202")); }, 20000);
    }

    static void stopBaresip(QProcess &far)
    {
        far.terminate();
        if (!far.waitForFinished(5000))
            far.kill();
    }

    void cleanup() { QFile::remove(m_devices.filePath(QStringLiteral("capture.wav"))); }

    void engineCallsBaresip()
    {
        PbxSimulator sim;
        QString error;
        QVERIFY2(sim.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QVERIFY2(sim.listenSip(QHostAddress::LocalHost, 0, &error), qPrintable(error));

        QTemporaryDir dir;
        QProcess far;
        QVERIFY2(startBaresip(far, dir, sim), far.readAll().constData());
        const QString contact = sim.sipContactOf(QStringLiteral("202"));
        const QString hostPort = contact.section(QLatin1Char('@'), 1).section(QLatin1Char(';'), 0, 0);
        const quint16 farPort = quint16(hostPort.section(QLatin1Char(':'), 1).toUInt());
        QVERIFY2(farPort > 0, qPrintable(contact));

        // The engine calls baresip directly, through no proxy but itself.
        VDKQtEngine e{VDKLogConfig()};
        e.setDefaultSipProxy(QStringLiteral("127.0.0.1"), farPort, 0);
        e.setDefaultSipRegistrar(QStringLiteral("127.0.0.1"), sim.sipPort(), 0);
        e.addSipAccount(QStringLiteral("201"), QStringLiteral("sip201"), QStringLiteral("201"));
        QCOMPARE(e.init(), 0);
        Relay relay(&e);
        QSignalSpy est(&relay, &Relay::established);
        const int line = e.startAudioCall(contact);
        QVERIFY(line >= 0);
        QVERIFY2(waitCount(est, 1), far.readAll().constData());
        talkBothWaysAndHangUp(e, relay, line, dir, far);
    }

    void baresipCallsEngine()
    {
        PbxSimulator sim;
        QString error;
        QVERIFY2(sim.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QVERIFY2(sim.listenSip(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        // baresip calls the engine directly, so it stands for the engine's
        // proxy: the engine takes new calls from its registrar and proxy only.
        // baresip takes its SIP port over UDP and TCP: a port free for both
        // is held until baresip starts, so that neither the engine's own
        // transports nor anything else takes it meanwhile.
        QTcpServer heldTcp;
        QUdpSocket heldUdp;
        for (int i = 0; i < 50 && heldUdp.state() != QAbstractSocket::BoundState; ++i) {
            QVERIFY(heldTcp.listen(QHostAddress::LocalHost, 0));
            if (!heldUdp.bind(QHostAddress(QHostAddress::LocalHost), heldTcp.serverPort()))
                heldTcp.close();
        }
        QVERIFY(heldTcp.isListening() && heldUdp.state() == QAbstractSocket::BoundState);
        const quint16 farPort = heldTcp.serverPort();
        VDKQtEngine e{VDKLogConfig()};
        e.setDefaultSipProxy(QStringLiteral("127.0.0.1"), farPort, 0);
        e.setDefaultSipRegistrar(QStringLiteral("127.0.0.1"), sim.sipPort(), 0);
        e.addSipAccount(QStringLiteral("201"), QStringLiteral("sip201"), QStringLiteral("201"));
        QCOMPARE(e.init(), 0);
        Relay relay(&e);
        QSignalSpy incoming(&relay, &Relay::incoming);
        QSignalSpy est(&relay, &Relay::established);
        QTemporaryDir dir;
        QProcess far;
        heldTcp.close();
        heldUdp.close();
        QVERIFY2(startBaresip(far, dir, sim,
                              QStringLiteral("/dial sip:201@%1\n").arg(e.getLocalSipAddress(VDK::TransportUdp)),
                              farPort),
                 far.readAll().constData());
        QVERIFY2(waitCount(incoming, 1), far.readAll().constData());
        const int line = incoming.first().at(0).toInt();
        QVERIFY(incoming.first().at(1).toString().contains(QLatin1String("202")));
        QCOMPARE(e.answerAudioCall(line), 0);
        QVERIFY(waitCount(est, 1));
        talkBothWaysAndHangUp(e, relay, line, dir, far);
    }
};

DESKLINE_TEST_MAIN(TestVdkInterop)
#include "tst_vdkinterop.moc"
