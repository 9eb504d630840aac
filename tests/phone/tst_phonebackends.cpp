// Phone back-end selection in desk-phone mode (user agents, firmware gate,
// authorisation, reset) and the volume and mute rules, without a window.
#include "ctilib.h"
#include "mainwindow/session/pbxsession.h"
#include "nullcallparts.h"
#include "phone/deskphonerules.h"
#include "phone/phoneapi.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"
#include "testmain.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

namespace
{
IdentityEntry identity(const QString &name, const QString &userAgent, const QString &vendor,
                       const QString &model = QStringLiteral("X"))
{
    IdentityEntry e;
    e.identifier = name;
    e.type = QStringLiteral("sip");
    e.sipUsername = QStringLiteral("201");
    e.phoneUserAgent = userAgent;
    e.phoneVendor = vendor;
    e.phoneModel = model;
    e.phoneIp = QStringLiteral("127.0.0.1");
    return e;
}

// The softphone engine's audio side, recorded.
struct FakeAudio : SoftphoneAudio {
    QList<bool> mutes;
    QList<int> inputs, outputs;
    void muteInputAudio(bool mute) override { mutes << mute; }
    void setInputAudioValue(int v) override { inputs << v; }
    void setOutputAudioValue(int v) override { outputs << v; }
};

// The back-ends as if an engine were running, its audio side recorded, or
// without one.
class RecordedEnginePhones : public PhoneBackends
{
public:
    RecordedEnginePhones(FakeAudio *engineAudio, const Widgets &widgets, MSETTINGS::AppMode mode, CtiLib &cti,
                         const ServicesDialCodesMap &codes, PbxSession &session, MSettingsStore &store, Host &host)
        : PhoneBackends(widgets, mode, cti, codes, session, store, host), audio(engineAudio)
    {
    }

protected:
    SoftphoneAudio *softphoneAudio() const override { return audio; }

private:
    FakeAudio *audio;
};

enum Engine { NoEngine, WithEngine };

struct Fixture {
    ScriptedPrompts prompts;
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    MSettingsStore store{MctiConfig()};
    ServicesDialCodesMap codes;
    QWidget window;
    QPushButton *btnDnd = new QPushButton(&window);
    QLabel *lblAccountInfo = new QLabel(&window);
    QSlider *mic = new QSlider(&window);
    QSlider *speaker = new QSlider(&window);
    QPushButton *btnMic = new QPushButton(&window);
    QPushButton *btnSpeaker = new QPushButton(&window);
    PbxSession session;
    NoPhoneReports host;
    FakeAudio audio;
    RecordedEnginePhones phones;

    explicit Fixture(int mode, Engine engine = NoEngine)
        : phones(engine == WithEngine ? &audio : nullptr, widgets(), MSETTINGS::AppMode(mode), cti, codes, session,
                 store, host)
    {
        for (QSlider *s : {mic, speaker})
            s->setRange(0, 100);
        SessionRules::SessionStart start;
        start.mode = MSETTINGS::AppMode(mode);
        phones.onSessionStarted(start);
        // As the window wires them: the slider's value reaches the setter.
        QObject::connect(mic, &QSlider::valueChanged, &phones, &PhoneBackends::setInputAudioValue);
        QObject::connect(speaker, &QSlider::valueChanged, &phones, &PhoneBackends::setOutputAudioValue);
    }
    PhoneBackends::Widgets widgets()
    {
        PhoneBackends::Widgets w;
        w.window = &window;
        w.btnDnd = btnDnd;
        w.lblAccountInfo = lblAccountInfo;
        w.hsldInputAudio = mic;
        w.hsldOutputAudio = speaker;
        w.btnInputAudio = btnMic;
        w.btnOutputAudio = btnSpeaker;
        return w;
    }
    void select(const IdentityEntry &e)
    {
        store.setAccountList({e});
        store.setSelectedAccount(e.identifier);
    }
};
} // namespace

class TestPhoneBackends : public QObject
{
    Q_OBJECT
private slots:
    void recognise_data();
    void recognise();
    void firmwareGate_data();
    void firmwareGate();
    void deskPhoneNeedsAuthorisation();
    void refusalDropsDriverAndTells();
    void oldSnomWarnsOnce();
    void vendorMissingFromAgentMeansNoPhone();
    void brandChangeResetsDriver();
    void authorisationOutsideDeskPhoneModeOnlyLogs();
    void dtmfPacingFollowsCapability_data();
    void dtmfPacingFollowsCapability();
    void sessionEndResetsDriver();
    void muteAndVolume();
    void muteOnlyInSoftphoneMode();
};

void TestPhoneBackends::recognise_data()
{
    QTest::addColumn<QString>("agent");
    QTest::addColumn<int>("brand");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("tooOld");
    QTest::newRow("snom D785") << "snomD785/10.1.54.13" << 1 << "Snom D785"
                               << "10.1.54.13" << false;
    QTest::newRow("snom 8.7.3") << "snom320/8.7.3.25" << 1 << "Snom 320"
                                << "8.7.3.25" << false;
    QTest::newRow("snom 8.7.2") << "snom320/8.7.2" << 0 << "Snom 320"
                                << "8.7.2" << true;
    QTest::newRow("snom no slash") << "snom300" << 0 << "Snom 300"
                                   << "snom300" << true;
    QTest::newRow("SNOM upper case") << "SNOM715/8.9.3" << 1 << "Snom SNOM715"
                                     << "8.9.3" << false;
    QTest::newRow("yealink") << "Yealink SIP-T46S 66.86.0.15" << 2 << "Yealink SIP-T46S"
                             << "" << false;
    QTest::newRow("yealink no blank") << "Yealink" << 2 << "Yealink"
                                      << "" << false;
    QTest::newRow("grandstream") << "Grandstream GXP2170 1.0.11.3" << 4 << "Grandstream GXP2170 1.0.11.3"
                                 << "" << false;
    QTest::newRow("grandstream slash") << "Grandstream GXP2170/1.0" << 4 << "Grandstream GXP2170"
                                       << "" << false;
    QTest::newRow("other") << "Cisco/1.0" << 0 << ""
                           << "" << false;
    QTest::newRow("empty") << "" << 0 << ""
                           << "" << false;
}

void TestPhoneBackends::recognise()
{
    QFETCH(QString, agent);
    QFETCH(int, brand);
    QFETCH(QString, name);
    QFETCH(QString, firmware);
    QFETCH(bool, tooOld);
    const DeskPhone::Recognition r = DeskPhone::recognise(agent);
    QCOMPARE(r.brand, brand);
    QCOMPARE(r.phoneName, name);
    QCOMPARE(r.firmware, firmware);
    QCOMPARE(r.firmwareTooOld, tooOld);
}

void TestPhoneBackends::firmwareGate_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("supported");
    QTest::newRow("8.7.3") << "8.7.3" << true;
    QTest::newRow("8.7.3.25") << "8.7.3.25" << true;
    QTest::newRow("8.7.2") << "8.7.2" << false;
    QTest::newRow("8.8") << "8.8" << true;
    QTest::newRow("8.7") << "8.7" << false;
    QTest::newRow("9") << "9" << true;
    QTest::newRow("10.1.54.13") << "10.1.54.13" << true;
    // A weighted sum took these two for newer firmware than they are.
    QTest::newRow("8.6.1000") << "8.6.1000" << false;
    QTest::newRow("7.1000.0") << "7.1000.0" << false;
    // and this one overflowed.
    QTest::newRow("huge minor") << "7.4294967295.0" << false;
    QTest::newRow("non numeric") << "x.y.z" << false;
    QTest::newRow("empty") << "" << false;
}

void TestPhoneBackends::firmwareGate()
{
    QFETCH(QString, firmware);
    QFETCH(bool, supported);
    QCOMPARE(DeskPhone::snomFirmwareSupported(firmware), supported);
}

void TestPhoneBackends::deskPhoneNeedsAuthorisation()
{
    Fixture f(MSETTINGS::AppModeDeskPhone);
    QSignalSpy ready(&f.phones, &PhoneBackends::deskPhoneReady);
    f.select(identity(QStringLiteral("acc"), QStringLiteral("snomD785/10.1.54.13"), QStringLiteral("snom"),
                      QStringLiteral("D785")));
    f.phones.updatePhoneApi();
    QVERIFY(!f.phones.deskPhone()); // the authorisation was asked for, not given
    QVERIFY(!f.btnDnd->isEnabled());
    QVERIFY(f.lblAccountInfo->isHidden());

    f.phones.onPApiAuthorized(true);
    QVERIFY(f.phones.deskPhone());
    QCOMPARE(ready.count(), 1);
    QCOMPARE(f.phones.brand(), int(PhoneApi::BrandSnom));
    QCOMPARE(f.phones.phoneName(), QStringLiteral("Snom D785"));
    QCOMPARE(f.phones.phoneIp(), QStringLiteral("127.0.0.1"));
    QVERIFY(f.btnDnd->isEnabled());
    QVERIFY(!f.btnDnd->isHidden());
    QVERIFY(!f.lblAccountInfo->isHidden());
    QCOMPARE(f.lblAccountInfo->text(), QStringLiteral("Tel. associato: Snom D785"));

    // The same identity again keeps the driver.
    PhoneApi *driver = f.phones.deskPhone();
    f.phones.updatePhoneApi();
    QCOMPARE(f.phones.deskPhone(), driver);

    // No selected account: the driver goes.
    f.store.setSelectedAccount(QString());
    f.phones.updatePhoneApi();
    QVERIFY(!f.phones.deskPhone());
    QVERIFY(!f.phones.isPhoneApiAuthorized());
    QVERIFY(f.lblAccountInfo->isHidden());
}

void TestPhoneBackends::refusalDropsDriverAndTells()
{
    Fixture f(MSETTINGS::AppModeDeskPhone);
    f.select(identity(QStringLiteral("acc"), QStringLiteral("Yealink SIP-T46S 66.86.0.15"), QStringLiteral("Yealink")));
    f.phones.onPApiAuthorized(true);
    QVERIFY(f.phones.deskPhone());
    f.phones.onPApiAuthorized(false);
    QVERIFY(!f.phones.deskPhone());
    QVERIFY(!f.phones.isPhoneApiAuthorized());
    QCOMPARE(f.prompts.trayMessages.size(), 1);
    QCOMPARE(f.prompts.trayMessages.first().text,
             QStringLiteral("Errore di autenticazione sul telefono associato.\nContatta l'amministratore del PBX."));
}

void TestPhoneBackends::oldSnomWarnsOnce()
{
    Fixture f(MSETTINGS::AppModeDeskPhone);
    f.select(identity(QStringLiteral("acc"), QStringLiteral("snom320/8.7.2"), QStringLiteral("snom")));
    f.phones.onPApiAuthorized(true);
    f.phones.updatePhoneApi();
    QVERIFY(!f.phones.deskPhone());
    QCOMPARE(f.prompts.shown.size(), 1);
    QVERIFY(f.prompts.shown.first().message.text.contains(QStringLiteral("Snom 320")));
    QVERIFY(f.prompts.shown.first().message.text.contains(QStringLiteral("8.7.3")));
    // After a reset the warning may come again.
    f.phones.resetPhoneApi();
    f.phones.updatePhoneApi();
    QCOMPARE(f.prompts.shown.size(), 2);
}

void TestPhoneBackends::vendorMissingFromAgentMeansNoPhone()
{
    Fixture f(MSETTINGS::AppModeDeskPhone);
    f.select(identity(QStringLiteral("acc"), QStringLiteral("snomD785/10.1.54.13"), QStringLiteral("snom")));
    f.phones.onPApiAuthorized(true);
    QVERIFY(f.phones.deskPhone());
    f.select(identity(QStringLiteral("acc"), QStringLiteral("snomD785/10.1.54.13"), QStringLiteral("yealink")));
    f.phones.updatePhoneApi();
    QVERIFY(!f.phones.deskPhone());
    QCOMPARE(f.phones.brand(), 0);
}

void TestPhoneBackends::brandChangeResetsDriver()
{
    Fixture f(MSETTINGS::AppModeDeskPhone);
    f.select(identity(QStringLiteral("acc"), QStringLiteral("snomD785/10.1.54.13"), QStringLiteral("snom")));
    f.phones.onPApiAuthorized(true);
    QVERIFY(f.phones.deskPhone());
    f.select(identity(QStringLiteral("acc"), QStringLiteral("Yealink SIP-T46S 66.86.0.15"), QStringLiteral("yealink")));
    f.phones.updatePhoneApi();
    // The reset cleared the authorisation: no driver until the PBX allows again.
    QVERIFY(!f.phones.deskPhone());
    f.phones.onPApiAuthorized(true);
    QVERIFY(f.phones.deskPhone());
    QCOMPARE(f.phones.deskPhone()->brand(), int(PhoneApi::BrandYealink));
}

void TestPhoneBackends::authorisationOutsideDeskPhoneModeOnlyLogs()
{
    for (int mode : {int(MSETTINGS::AppModeCtiOnly), int(MSETTINGS::AppModeSoftphone)}) {
        Fixture f(mode);
        f.select(identity(QStringLiteral("acc"), QStringLiteral("snomD785/10.1.54.13"), QStringLiteral("snom")));
        f.phones.onPApiAuthorized(true);
        f.phones.onPApiAuthorized(false);
        QVERIFY(!f.phones.deskPhone());
        QVERIFY(!f.phones.isPhoneApiAuthorized());
        QVERIFY(f.prompts.trayMessages.isEmpty());
    }
}

void TestPhoneBackends::dtmfPacingFollowsCapability_data()
{
    QTest::addColumn<quint32>("caps");
    QTest::addColumn<bool>("oneChar");
    QTest::newRow("bit 3 clear") << quint32(0) << true;
    QTest::newRow("bit 3 set") << quint32(DeskPhone::CapDtmfString) << false;
}

void TestPhoneBackends::dtmfPacingFollowsCapability()
{
    QFETCH(quint32, caps);
    QFETCH(bool, oneChar);
    Fixture f(MSETTINGS::AppModeDeskPhone);
    SessionRules::SessionStart start;
    start.mode = MSETTINGS::AppModeDeskPhone;
    start.capabilities = caps;
    f.phones.onSessionStarted(start);
    f.select(identity(QStringLiteral("acc"), QStringLiteral("snomD785/10.1.54.13"), QStringLiteral("snom")));
    f.phones.onPApiAuthorized(true);
    QVERIFY(f.phones.deskPhone());
    QCOMPARE(f.phones.deskPhone()->m_dtmfOneCharPerStep, oneChar);
}

void TestPhoneBackends::sessionEndResetsDriver()
{
    Fixture f(MSETTINGS::AppModeDeskPhone);
    f.select(identity(QStringLiteral("acc"), QStringLiteral("snomD785/10.1.54.13"), QStringLiteral("snom")));
    f.phones.onPApiAuthorized(true);
    QPointer<PhoneApi> driver = f.phones.deskPhone();
    QVERIFY(driver);
    f.phones.onSessionEnded();
    QVERIFY(!f.phones.deskPhone());
    QVERIFY(!f.phones.isPhoneApiAuthorized());
    // Released deferred, no longer bound to the CTI object.
    QVERIFY(driver);
    QSignalSpy incoming(driver.data(), &PhoneApi::sigIncomingCall);
    emit f.cti.phoneEventIncomingCall(QString(), QString(), QStringLiteral("x"));
    QCOMPARE(incoming.count(), 0);
    QTRY_VERIFY(!driver);
}

void TestPhoneBackends::muteAndVolume()
{
    Fixture f(MSETTINGS::AppModeSoftphone, WithEngine);
    f.mic->setValue(70);
    QCOMPARE(f.phones.inputLevel(), 70);
    f.audio = FakeAudio();

    // Mute: 70 kept, slider and device to 0.
    f.phones.toggleMuteInputAudio();
    QVERIFY(f.phones.isInputMuted());
    QCOMPARE(f.phones.inputLevel(), 70);
    QCOMPARE(f.mic->value(), 0);
    QCOMPARE(f.audio.mutes.first(), true);
    QCOMPARE(f.audio.inputs.first(), 0);

    // Unmute: 70 back on both.
    f.phones.toggleMuteInputAudio();
    QVERIFY(!f.phones.isInputMuted());
    QCOMPARE(f.mic->value(), 70);
    QCOMPARE(f.audio.inputs.last(), 70);

    // Moving the slider from 0 to 30 while muted unmutes and stores 30.
    f.phones.toggleMuteInputAudio();
    QCOMPARE(f.mic->value(), 0);
    f.mic->setValue(30);
    QVERIFY(!f.phones.isInputMuted());
    QCOMPARE(f.phones.inputLevel(), 30);

    // The speaker the same way.
    f.speaker->setValue(40);
    f.phones.toggleMuteOutputAudio();
    QVERIFY(f.phones.isOutputMuted());
    QCOMPARE(f.speaker->value(), 0);
    QCOMPARE(f.phones.outputLevel(), 40);
    f.phones.toggleMuteOutputAudio();
    QCOMPARE(f.speaker->value(), 40);
    QCOMPARE(f.audio.outputs.last(), 40);
}

void TestPhoneBackends::muteOnlyInSoftphoneMode()
{
    Fixture f(MSETTINGS::AppModeDeskPhone, WithEngine);
    f.mic->setValue(60);
    f.phones.setMuteInputAudio(true);
    QVERIFY(!f.phones.isInputMuted());
    QCOMPARE(f.mic->value(), 60);

    // Without an engine only the widgets and stored values change.
    Fixture g(MSETTINGS::AppModeSoftphone);
    g.mic->setValue(20);
    g.phones.setMuteInputAudio(true);
    QVERIFY(!g.phones.isInputMuted());
    QCOMPARE(g.phones.inputLevel(), 20);
}

DESKLINE_TEST_MAIN(TestPhoneBackends)
#include "tst_phonebackends.moc"
