// The softphone engine end to end: registered on the simulated PBX's SIP
// side, calling and called, with the tones played into the test's WAV file
// devices (no sound card needed).
#include "../platform/vdk/vdktestsupport.h"

#include "phone/mpaccount.h"
#include "phone/mpengine.h"
#include "settings/msettings.h"

#include "testmain.h"

using namespace vdktest;

namespace
{
const QString kExten = QStringLiteral("201");
const QStringList kSystemIn{QStringLiteral("Virtual WAV file input")};
const QStringList kSystemOut{QStringLiteral("Virtual capture to WAV file sink")};
constexpr double kTone = 425.0; // the tone files' frequency

QString soundsDir()
{
    return qEnvironmentVariable("DESKLINE_SOURCE_DIR") + QStringLiteral("/resources/sounds");
}
} // namespace

class TestMPEngineCalls : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<PbxSimulator> m_sim;
    ServicesDialCodesMap m_codes;

    MctiConfig config(const QString &password = QStringLiteral("sip201")) const
    {
        MctiConfig c;
        c.sipUsername = kExten;
        c.sipPassword = password;
        c.sipUser = kExten;
        c.sipRegistrarAddress = QStringLiteral("127.0.0.1:%1").arg(m_sim->sipPort());
        c.dtmfMode = 2;
        c.codecsOrder = QStringList{QStringLiteral("alaw"), QStringLiteral("ulaw")};
        c.micDevice = kSystemIn.first();
        c.spkDevice = kSystemOut.first();
        c.ringDevice = kSystemOut.first();
        return c;
    }

    // A started, initialised engine; init() asks for the registration.
    std::unique_ptr<MPEngine> makeEngine(const MctiConfig &c)
    {
        std::unique_ptr<MPEngine> e(new MPEngine(m_codes, c));
        if (!e->isStarted())
            return nullptr;
        e->setSoundsDirPath(soundsDir());
        e->setSystemDeviceLister([](QAudio::Mode m) { return m == QAudio::AudioInput ? kSystemIn : kSystemOut; });
        return e;
    }

    std::unique_ptr<MPEngine> registeredEngine()
    {
        auto e = makeEngine(config());
        if (!e)
            return nullptr;
        QSignalSpy ok(e.get(), &MPEngine::sigRegistrationOk);
        if (!e->init() || !waitCount(ok, 1) || !waitFor([this] { return m_sim->isSipRegistered(kExten); }))
            return nullptr;
        return e;
    }

    // Dials and waits for the answer; the line, or -1.
    int callAnswered(MPEngine *e, const QString &number)
    {
        QSignalSpy originate(e, &MPEngine::sigCallOriginate);
        QSignalSpy est(e, &MPEngine::sigCallEstablished);
        if (!e->startAudioCall(number) || !waitCount(originate, 1) || !waitCount(est, 1))
            return -1;
        const int line = originate.first().at(0).toInt();
        return est.first().at(0).toInt() == line ? line : -1;
    }

    QString capturePath() const { return m_dir.filePath(QStringLiteral("capture.wav")); }
    // Highest power of `hz` over the half-second windows of the last seconds
    // of what the speaker played.
    double heard(double hz, int seconds = 3) const
    {
        const QVector<qint16> s = readWavSamples(capturePath());
        double best = 0.0;
        for (int end = s.size(); end >= 4000 && end > s.size() - seconds * 8000; end -= 2000)
            best = qMax(best, VDK::tonePower(reinterpret_cast<const int16_t *>(s.constData()) + end - 4000, 4000, hz));
        return best;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        MSETTINGS::setSettingsDirPath(m_dir.filePath(QStringLiteral("settings")));
        qputenv("VDK_TEST_DEVICES", QFile::encodeName(m_dir.path()));
        QVERIFY(writeToneWav(m_dir.filePath(QStringLiteral("input.wav")), 1500, 3000));
        m_codes.insert(CTILIB::ServiceDialCodeType(28), QStringLiteral("*1")); // recording, as the simulator knows it
    }

    void init()
    {
        m_sim.reset(new PbxSimulator);
        m_sim->setAnswerDelay(300);
        m_sim->setRingTimeout(20000);
        m_sim->setSipPlayTone(1000);
        QString error;
        QVERIFY2(m_sim->listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QVERIFY2(m_sim->listenSip(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        QFile::remove(capturePath());
    }

    void cleanup() { m_sim.reset(); }

    void registration_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right password") << "sip201" << true;
        QTest::newRow("wrong password") << "wrong" << false;
    }
    void registration()
    {
        QFETCH(QString, password);
        QFETCH(bool, accepted);
        auto e = makeEngine(config(password));
        QVERIFY(e);
        QSignalSpy ok(e.get(), &MPEngine::sigRegistrationOk);
        QSignalSpy fail(e.get(), &MPEngine::sigRegistrationFail);
        QSignalSpy unregistered(e.get(), &MPEngine::sigUnregistrationOk);
        QVERIFY(e->init());
        MPAccount *account = e->getAccount();
        QVERIFY(account);
        QCOMPARE(account->m_authUsername, kExten);
        QCOMPARE(account->m_registrarAddress, QStringLiteral("127.0.0.1:%1").arg(m_sim->sipPort()));
        if (!accepted) {
            QVERIFY(waitCount(fail, 1));
            QVERIFY(ok.isEmpty());
            QVERIFY(!account->isRegistered());
            QVERIFY(!account->refreshTimer()->isActive());
            QCOMPARE(e->unregisterSipAccount(), -1); // nothing to withdraw
            QVERIFY(unregistered.isEmpty());
            return;
        }
        QVERIFY(waitCount(ok, 1));
        QVERIFY(fail.isEmpty());
        QVERIFY(waitFor([this] { return m_sim->isSipRegistered(kExten); }));
        QVERIFY(account->isRegistered());
        QVERIFY(account->refreshTimer()->isActive());
        QCOMPARE(account->refreshTimer()->interval(), 2400000);
        // The refresh timer asks again, and the engine confirms again.
        QMetaObject::invokeMethod(account->refreshTimer(), "timeout");
        QVERIFY(waitCount(ok, 2));
        QVERIFY(e->unregisterSipAccount() >= 0);
        QCOMPARE(unregistered.count(), 1);
        QVERIFY(!account->isRegistered());
        QVERIFY(waitFor([this] { return !m_sim->isSipRegistered(kExten); }));
    }

    // Dial: the line is announced after the request returned, the far end
    // rings (ring-back on the speaker), answers, audio goes both ways, and
    // the hang-up clears the line's routing.
    void outgoingCallAnswered()
    {
        m_sim->setAnswerDelay(2500);
        auto e = registeredEngine();
        QVERIFY(e);
        QSignalSpy originate(e.get(), &MPEngine::sigCallOriginate);
        QSignalSpy established(e.get(), &MPEngine::sigCallEstablished);
        QSignalSpy terminated(e.get(), &MPEngine::sigCallTerminated);
        QVERIFY(e->startAudioCall(QStringLiteral(" 0612345678 ")));
        QCOMPARE(originate.count(), 0); // posted, not emitted inside the request
        QVERIFY(waitCount(originate, 1));
        const int line = originate.first().at(0).toInt();
        QCOMPARE(originate.first().at(1).toString(), QStringLiteral(" 0612345678 "));
        QVERIFY(waitFor([&] { return e->isRemoteRinging(); }));
        QCOMPARE(e->remoteRingingLineList(), QList<int>{line});
        QVERIFY2(waitFor([&] { return heard(kTone) > 0.3; }), qPrintable(QString::number(heard(kTone))));

        QVERIFY(waitCount(established, 1));
        QCOMPARE(established.first().at(0).toInt(), line);
        QVERIFY(!e->isRemoteRinging());
        QVERIFY(e->remoteRingingLineList().isEmpty());
        QCOMPARE(e->micConnectedLineList(), QList<int>{line});
        QCOMPARE(e->spkConnectedLineList(), QList<int>{line});
        QVERIFY(e->isActive(line));
        QVERIFY(e->isLineAudioConnected());
        const QString uid = m_sim->sipCallOf(kExten);
        QVERIFY(waitFor([&] { return m_sim->sipReceivedTonePower(uid, 1500) > 0.5; }));
        QVERIFY(waitFor([&] { return heard(1000, 1) > 0.5; }));

        QSignalSpy duration(e.get(), &MPEngine::sigCallDuration);
        e->requestCallDuration(line);
        QCOMPARE(duration.count(), 1);
        QVERIFY(duration.first().at(1).toInt() >= 0);

        QVERIFY(e->hangupAudioCall(line));
        QVERIFY(waitCount(terminated, 1));
        QCOMPARE(terminated.first().at(0).toInt(), line);
        QVERIFY(e->micConnectedLineList().isEmpty());
        QVERIFY(e->spkConnectedLineList().isEmpty());
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
    }

    // Hanging up a line whose far end still rings cancels it.
    void hangupWhileRingingCancels()
    {
        m_sim->setAnswerDelay(60000);
        auto e = registeredEngine();
        QVERIFY(e);
        QSignalSpy originate(e.get(), &MPEngine::sigCallOriginate);
        QSignalSpy terminated(e.get(), &MPEngine::sigCallTerminated);
        QVERIFY(e->startAudioCall(QStringLiteral("0611111111")));
        QVERIFY(waitCount(originate, 1));
        const int line = originate.first().at(0).toInt();
        QVERIFY(waitFor([&] { return e->remoteRingingLineList().contains(line); }));
        QVERIFY(e->hangupAudioCall(line));
        QVERIFY(waitCount(terminated, 1));
        QVERIFY(!e->isRemoteRinging());
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
    }

    // A call comes in: the ring plays on the ring device, the main window
    // gets number and name; answering stops the ring and routes the audio.
    void incomingCall()
    {
        auto e = registeredEngine();
        QVERIFY(e);
        QSignalSpy incoming(e.get(), &MPEngine::sigIncomingAudioCall);
        QSignalSpy established(e.get(), &MPEngine::sigCallEstablished);
        QSignalSpy terminated(e.get(), &MPEngine::sigCallTerminated);
        const QString uid =
            m_sim->injectIncomingCall(QStringLiteral("0298765432"), kExten, QString(), QStringLiteral("Mario Rossi"));
        QVERIFY(!uid.isEmpty());
        QVERIFY(waitCount(incoming, 1));
        const qlonglong line = incoming.first().at(0).toLongLong();
        QCOMPARE(incoming.first().at(1).toString(), QStringLiteral("0298765432"));
        QCOMPARE(incoming.first().at(2).toString(), QStringLiteral("Mario Rossi"));
        QVERIFY(e->isRinging());
        QVERIFY(!e->isCallNoticePlaying());
        QCOMPARE(e->ringDeviceSourceList(), QList<int>{e->toneDevice(QStringLiteral("ringing.wav"))});
        QVERIFY(waitFor([&] { return heard(1000) > 0.1; })); // the ring's tones on the ring device

        QVERIFY(e->answerAudioCall(int(line)));
        QVERIFY(waitCount(established, 1));
        QVERIFY(!e->isRinging());
        QVERIFY(e->ringingLineList().isEmpty());
        QVERIFY(waitFor([&] { return m_sim->sipReceivedTonePower(uid, 1500) > 0.5; }));
        QCOMPARE(m_sim->hangup(uid), 1);
        QVERIFY(waitCount(terminated, 1));
        QCOMPARE(terminated.first().at(0).toLongLong(), line);
    }

    // A second call during an active one plays the call notice on the
    // speaker; when the first call ends, the ring takes over; the caller
    // giving up ends it.
    void callNoticeDuringCall()
    {
        auto e = registeredEngine();
        QVERIFY(e);
        const int first = callAnswered(e.get(), QStringLiteral("0612345678"));
        QVERIFY(first >= 0);
        QSignalSpy incoming(e.get(), &MPEngine::sigIncomingAudioCall);
        QSignalSpy canceled(e.get(), &MPEngine::sigCallCanceled);
        QSignalSpy terminated(e.get(), &MPEngine::sigCallTerminated);
        const QString uid = m_sim->injectIncomingCall(QStringLiteral("0298765432"), kExten);
        QVERIFY(waitCount(incoming, 1));
        const int second = incoming.first().at(0).toInt();
        QVERIFY(e->isCallNoticePlaying());
        QVERIFY(!e->isRinging());
        QVERIFY(e->hangupAudioCall(first));
        QVERIFY(waitCount(terminated, 1));
        QVERIFY(e->isRinging());
        QVERIFY(!e->isCallNoticePlaying());
        QCOMPARE(m_sim->hangup(uid), 1);
        QVERIFY(waitCount(canceled, 1));
        QCOMPARE(canceled.first().at(0).toInt(), second);
        QVERIFY(!e->isRinging());
        QVERIFY(e->ringingLineList().isEmpty());
    }

    // Early media (183): the ring-back stops, silence goes into the line and
    // the far end is heard before the answer; the answer keeps the speaker
    // connection and stops the silence.
    void earlyMedia()
    {
        m_sim->setAnswerDelay(3000);
        auto e = registeredEngine();
        QVERIFY(e);
        QSignalSpy originate(e.get(), &MPEngine::sigCallOriginate);
        QSignalSpy established(e.get(), &MPEngine::sigCallEstablished);
        QVERIFY(e->startAudioCall(QStringLiteral("0612345183")));
        QVERIFY(waitCount(originate, 1));
        const int line = originate.first().at(0).toInt();
        QVERIFY(waitFor([&] { return e->isSessionProgress(line); }));
        QVERIFY(!e->isRemoteRinging());
        QCOMPARE(e->spkConnectedLineList(), QList<int>{line});
        QVERIFY(e->micConnectedLineList().isEmpty());
        QVERIFY(waitFor([&] { return heard(1000, 1) > 0.5; }));
        QVERIFY(waitCount(established, 1));
        QVERIFY(!e->isSessionProgress(line));
        QCOMPARE(e->spkConnectedLineList(), QList<int>{line});
        QCOMPARE(e->micConnectedLineList(), QList<int>{line});
        QVERIFY(e->hangupAudioCall(line));
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
    }

    // With forwarding on, a call is passed on without ringing here.
    void forwardedIncomingCall()
    {
        auto e = registeredEngine();
        QVERIFY(e);
        e->setRedirectEnabled(true, QStringLiteral("0677777777"));
        QSignalSpy incoming(e.get(), &MPEngine::sigIncomingAudioCall);
        QSignalSpy canceled(e.get(), &MPEngine::sigCallCanceled);
        QSignalSpy terminated(e.get(), &MPEngine::sigCallTerminated);
        QVERIFY(!m_sim->injectIncomingCall(QStringLiteral("0298765432"), kExten).isEmpty());
        QVERIFY(waitFor([&] { return !canceled.isEmpty() || !terminated.isEmpty(); }));
        QVERIFY(incoming.isEmpty());
        QVERIFY(!e->isRinging());
        QVERIFY(e->ringingLineList().isEmpty());
    }

    void holdAndRetrieve()
    {
        auto e = registeredEngine();
        QVERIFY(e);
        const int line = callAnswered(e.get(), QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        QSignalSpy held(e.get(), &MPEngine::sigOnHoldOk);
        QSignalSpy failed(e.get(), &MPEngine::sigOnHoldFailed);
        QVERIFY(e->holdCall(line, false));
        QVERIFY(waitCount(held, 1));
        QCOMPARE(held.last().at(0).toLongLong(), qlonglong(line));
        QCOMPARE(held.last().at(1).toBool(), false);
        QVERIFY(!e->isActive(line));
        QVERIFY(!e->isLineAudioConnected());
        QVERIFY(e->holdCall(line, true));
        QVERIFY(waitCount(held, 2));
        QCOMPARE(held.last().at(1).toBool(), true);
        QVERIFY(e->isActive(line));
        QVERIFY(failed.isEmpty());
    }

    // Keypad digits reach the far end; characters that are no DTMF digit
    // are skipped; the recording code goes out as DTMF; park without its
    // code sends nothing.
    void dtmfAndServiceCodes()
    {
        auto e = registeredEngine();
        QVERIFY(e);
        const int line = callAnswered(e.get(), QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        const QString uid = m_sim->sipCallOf(kExten);
        QCOMPARE(e->processDtmfSequence(line, {QStringLiteral("1x2"), QStringLiteral("#") + QChar(0x20AC) + "9"}), 0);
        QVERIFY2(waitFor([&] { return m_sim->sipReceivedDigits(uid) == QLatin1String("12#9"); }),
                 qPrintable(m_sim->sipReceivedDigits(uid)));
        QCOMPARE(e->processDtmfSequence(line, {QStringLiteral("xyz")}), int(VDK::ErrInvalidArgument));
        QCOMPARE(e->processDtmfSequence(line, {}), 0);
        QVERIFY(e->recordCall(line));
        QVERIFY(waitFor([&] { return m_sim->isSipRecording(uid); }));
        QVERIFY(!e->parkCall(line));
        QVERIFY(!e->fastTransferCall(line));
    }

    void blindTransfer()
    {
        auto e = registeredEngine();
        QVERIFY(e);
        const int line = callAnswered(e.get(), QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        QSignalSpy terminated(e.get(), &MPEngine::sigCallTerminated);
        QVERIFY(!e->transferEstablishedCall(line, QStringLiteral("  ")));
        QVERIFY(e->transferEstablishedCall(line, QStringLiteral("0655555555")));
        QVERIFY(waitCount(terminated, 1));
        QVERIFY(e->spkConnectedLineList().isEmpty());
    }

    void attendedTransfer()
    {
        auto e = registeredEngine();
        QVERIFY(e);
        const int first = callAnswered(e.get(), QStringLiteral("0612345678"));
        QVERIFY(first >= 0);
        QSignalSpy held(e.get(), &MPEngine::sigOnHoldOk);
        QVERIFY(e->holdCall(first, false));
        QVERIFY(waitCount(held, 1));
        const int second = callAnswered(e.get(), QStringLiteral("0687654321"));
        QVERIFY(second >= 0 && second != first);
        QSignalSpy terminated(e.get(), &MPEngine::sigCallTerminated);
        QVERIFY(e->bridgeLinesRemotely(first, second));
        QVERIFY(waitCount(terminated, 2));
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
        QCOMPARE(e->getNumberOfBusyLines(), 0);
    }

    // 486 from the far end: the line is cleaned up and reported; the busy
    // tone (started as the main window does) plays and stops after 3000 ms.
    void busyToneOn486()
    {
        auto e = registeredEngine();
        QVERIFY(e);
        QSignalSpy error(e.get(), &MPEngine::sigSipErrorReceived);
        QSignalSpy terminated(e.get(), &MPEngine::sigCallTerminated);
        connect(e.get(), &MPEngine::sigSipErrorReceived, this, [&](int line, int code, QString) {
            if (code == 486) {
                e->stopCongestionTone();
                e->startBusyTone();
            }
            e->hangupAudioCall(line);
        });
        QVERIFY(e->startAudioCall(QStringLiteral("0612345486")));
        QVERIFY(waitCount(error, 1));
        QCOMPARE(error.first().at(1).toInt(), 486);
        QVERIFY(e->isRemoteBusy());
        QVERIFY(e->remoteRingingLineList().isEmpty());
        QVERIFY(e->spkConnectedLineList().isEmpty());
        QVERIFY(e->busyTimer()->isActive());
        QCOMPARE(e->busyTimer()->interval(), 3000);
        QVERIFY(waitFor([&] { return heard(kTone, 2) > 0.3; }));
        QMetaObject::invokeMethod(e->busyTimer(), "timeout"); // 3000 ms later
        QVERIFY(!e->isRemoteBusy());
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
    }

    void noFreeLine()
    {
        m_sim->setAnswerDelay(60000);
        auto e = registeredEngine();
        QVERIFY(e);
        QSignalSpy error(e.get(), &MPEngine::sigError);
        for (int i = 0; i < 4; ++i)
            QVERIFY(e->startAudioCall(QStringLiteral("061000000%1").arg(i)));
        QVERIFY(!e->startAudioCall(QStringLiteral("0610000009")));
        QCOMPARE(error.count(), 1);
        QCOMPARE(error.first().at(0).toInt(), 3);
        QCOMPARE(error.first().at(1).toString(), QStringLiteral("Non ci sono più linee VoIP disponibili."));
        QVERIFY(!e->startAudioCall(QStringLiteral("")));
        QVERIFY(!e->startAudioCall(QStringLiteral("02\r\n12")));
        QCOMPARE(error.count(), 1);
        QCOMPARE(e->shutdown(), 0);
    }

    // Shutting down with a call up ends the call and leaves nothing behind.
    void shutdownWithCallUp()
    {
        auto e = registeredEngine();
        QVERIFY(e);
        const int line = callAnswered(e.get(), QStringLiteral("0612345678"));
        QVERIFY(line >= 0);
        QVERIFY(e->startBusyTone());
        QSignalSpy terminated(e.get(), &MPEngine::sigCallTerminated);
        QCOMPARE(e->shutdown(), 0);
        QVERIFY(!e->isStarted());
        QVERIFY(!e->isRemoteBusy());
        QVERIFY(!e->busyTimer()->isActive());
        QVERIFY(e->spkConnectedLineList().isEmpty() && e->micConnectedLineList().isEmpty());
        QVERIFY(!e->getAccount()->isRegistered());
        QCOMPARE(e->shutdown(), 0);
        QVERIFY(waitFor([this] { return m_sim->activeCallCount() == 0; }));
        // The engine's thread has ended: whatever it reported is posted by now.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(terminated.isEmpty()); // the engine's signals are cut before it ends
    }
};

DESKLINE_TEST_MAIN(TestMPEngineCalls)
#include "tst_mpengine_calls.moc"
