// The PBX service rules without widgets: the dial-code map, the service-code
// test, the forward number check, the DND route by mode and the buttons'
// shown state after reports, lost reports and resets; the in-call service
// report on the active call line.
#include "calls/calllines.h"
#include "ctilib.h"
#include "framework/clock.h"
#include "mainwindow/session/pbxsession.h"
#include "messaging/messagingpanel.h"
#include "messaging/pbxservices.h"
#include "nullcallparts.h"
#include "quietchatwindow.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "widgets/mainwindowicons.h"

#include <QStackedWidget>
#include <QtTest>

using namespace PbxServices;

namespace
{
ServicesDialCodesMap codes(std::initializer_list<std::pair<int, const char *>> list)
{
    ServicesDialCodesMap out;
    for (const auto &p : list)
        out.insert(CTILIB::ServiceDialCodeType(p.first), QString::fromLatin1(p.second));
    return out;
}
ServiceStatus report(const char *service, int state, const char *value = "")
{
    ServiceStatus s;
    s.service = QString::fromLatin1(service);
    s.type = QStringLiteral("pbx");
    s.state = state;
    s.value = QString::fromLatin1(value);
    return s;
}

// The recording states the panel shows, by line; no phone is asked.
struct RecordingShown : MessagingPanel::Host {
    QStringList seen;
    bool setSoftphoneDnd(bool) override { return false; }
    bool pressDeskPhoneKey(const QString &) override { return false; }
    void showRecordingStatus(qint64 lineId, bool available, bool recording) override
    {
        QCOMPARE(lineId, qint64(7));
        seen << QStringLiteral("%1,%2").arg(int(available)).arg(int(recording));
    }
};
} // namespace

Q_DECLARE_METATYPE(ServicesDialCodesMap)

class TestPbxServices : public QObject
{
    Q_OBJECT
private slots:
    void mergeCodes_data();
    void mergeCodes();
    void serviceCode_data();
    void serviceCode();
    void voicemailNumber();
    void forwardNumber_data();
    void forwardNumber();
    void dndRouteByMode();
    void forwardReports();
    void forkNeedsAMobileNumber();
    void lostReportsReleaseTheButtons();
    void resets();
    void inCallRecordingReport_data();
    void inCallRecordingReport();
};

void TestPbxServices::mergeCodes_data()
{
    QTest::addColumn<ServicesDialCodesMap>("before");
    QTest::addColumn<ServicesDialCodesMap>("pbx");
    QTest::addColumn<quint32>("capabilities");
    QTest::addColumn<ServicesDialCodesMap>("after");

    ServicesDialCodesMap defaults = codes(
        {{22, "*4"}, {23, "*0"}, {24, "*9"}, {25, "*3"}, {26, "#4"}, {27, "**"}, {28, "*1"}, {29, "#8"}, {30, "*0"}});
    ServicesDialCodesMap withVm = defaults;
    withVm.insert(CTILIB::ServiceDialCodeType(2), QStringLiteral("*60"));
    withVm.insert(CTILIB::ServiceDialCodeType(9), QStringLiteral("*8"));
    QTest::newRow("defaults override the PBX's in-call codes without the capability")
        << ServicesDialCodesMap() << codes({{2, "*60"}, {9, "*8"}, {28, "*77"}, {4, "*44"}}) << quint32(0) << withVm;
    QTest::newRow("in-call codes from the PBX with the capability")
        << ServicesDialCodesMap() << codes({{3, "*70"}, {28, "*77"}, {27, ""}}) << quint32(CapInCallCodes)
        << codes({{3, "*70"}, {28, "*77"}});
    QTest::newRow("a second log-in keeps what it does not resend")
        << codes({{2, "*60"}, {27, "**"}}) << codes({{3, "*70"}, {2, ""}}) << quint32(CapInCallCodes)
        << codes({{2, "*60"}, {3, "*70"}, {27, "**"}});
    QTest::newRow("key 4 never from the PBX")
        << ServicesDialCodesMap() << codes({{4, "*4"}}) << quint32(CapInCallCodes) << ServicesDialCodesMap();
}

void TestPbxServices::mergeCodes()
{
    QFETCH(ServicesDialCodesMap, before);
    QFETCH(ServicesDialCodesMap, pbx);
    QFETCH(quint32, capabilities);
    QFETCH(ServicesDialCodesMap, after);
    QCOMPARE(mergeServiceCodes(before, pbx, capabilities), after);
}

void TestPbxServices::serviceCode_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("service");
    QTest::newRow("in-call code exactly") << "*4" << true;
    QTest::newRow("in-call code and more") << "*45" << false;
    QTest::newRow("park range start") << "701" << false;
    QTest::newRow("park range end") << "720" << false;
    QTest::newRow("voicemail code and a box") << "*60201" << true;
    QTest::newRow("pick-up code and an extension") << "*8202" << true;
    QTest::newRow("conference code and more") << "*70123" << false;
    QTest::newRow("conference code") << "*70" << true;
    QTest::newRow("empty") << "" << false;
}

void TestPbxServices::serviceCode()
{
    QFETCH(QString, number);
    QFETCH(bool, service);
    const ServicesDialCodesMap map =
        mergeServiceCodes({}, codes({{2, "*60"}, {3, "*70"}, {7, "701"}, {8, "720"}, {9, "*8"}}), 0);
    QCOMPARE(isServiceCode(map, number), service);
    QVERIFY(!isServiceCode(ServicesDialCodesMap(), number));
}

void TestPbxServices::voicemailNumber()
{
    QCOMPARE(PbxServices::voicemailNumber(codes({{2, "*60"}}), QStringLiteral("201")), QStringLiteral("*60201"));
    QCOMPARE(PbxServices::voicemailNumber(codes({{3, "*70"}}), QStringLiteral("201")), QString());
    QCOMPARE(PbxServices::voicemailNumber(codes({{2, "*60"}}), QString()), QString());
}

void TestPbxServices::forwardNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("number");
    QTest::newRow("digits") << "0612345678" << true << "0612345678";
    QTest::newRow("trimmed") << "  203 " << true << "203";
    QTest::newRow("international") << "+393331234567" << true << "+393331234567";
    QTest::newRow("service digits") << "*12#" << true << "*12#";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("blank") << "   " << false << "";
    QTest::newRow("plus inside") << "39+3" << false << "";
    QTest::newRow("letters") << "12a" << false << "";
    QTest::newRow("inner space") << "12 3" << false << "";
    QTest::newRow("too long") << QString(65, QLatin1Char('1')) << false << "";
}

void TestPbxServices::forwardNumber()
{
    QFETCH(QString, typed);
    QFETCH(bool, valid);
    QFETCH(QString, number);
    QString out = QStringLiteral("untouched");
    QCOMPARE(normalizeForwardNumber(typed, &out), valid);
    QCOMPARE(out, valid ? number : QStringLiteral("untouched"));
}

void TestPbxServices::dndRouteByMode()
{
    QCOMPARE(dndRoute(MSETTINGS::AppModeCtiOnly), DndRoute::PbxService);
    QCOMPARE(dndRoute(MSETTINGS::AppModeDeskPhone), DndRoute::DeskPhoneKey);
    QCOMPARE(dndRoute(MSETTINGS::AppModeSoftphone), DndRoute::Softphone);
    QCOMPARE(dndRoute(7), DndRoute::None);
    QCOMPARE(dndKey(true), QStringLiteral("DNDOn"));
    QCOMPARE(dndKey(false), QStringLiteral("DNDOff"));
}

void TestPbxServices::forwardReports()
{
    ServiceState s;
    s.loggedIn();
    QVERIFY(s.forwardLook().visible && s.forwardLook().enabled);
    QCOMPARE(s.forwardLook().toolTip, QStringLiteral("Inoltro incondizionato non attivo"));

    // Active without a number and nothing known: no stale text.
    s.applyReport(report("ufwd", 2), true);
    QVERIFY(s.isForwardActive());
    QCOMPARE(s.forwardLook().toolTip, QStringLiteral("Inoltro incondizionato attivo"));

    // The number sent is remembered for a later report without one.
    s.forwardRequested(QStringLiteral("0612345678"));
    s.applyReport(report("ufwd", 2), true);
    QCOMPARE(s.forwardLook().toolTip, QStringLiteral("Inoltro incondizionato attivo su 0612345678"));
    QVERIFY(s.forwardLook().on);
    // The PBX's own number wins.
    s.applyReport(report("ufwd", 2, "203"), true);
    QCOMPARE(s.forwardLook().toolTip, QStringLiteral("Inoltro incondizionato attivo su 203"));
    // Any state but 2 is off.
    s.applyReport(report("ufwd", 1, "203"), true);
    QVERIFY(!s.isForwardActive());
    QCOMPARE(s.forwardLook().toolTip, QStringLiteral("Inoltro incondizionato non attivo"));
    QCOMPARE(s.forwardLook().accessibleDescription, s.forwardLook().toolTip);
}

void TestPbxServices::forkNeedsAMobileNumber()
{
    ServiceState s;
    s.loggedIn();
    s.applyReport(report("forktomobile", 2), true);
    QVERIFY(!s.isForkActive());
    QVERIFY(!s.forkLook().visible && !s.forkLook().enabled);
    QCOMPARE(s.forkLook().toolTip, QStringLiteral("Servizio Fork To Mobile non disponibile"));

    QVERIFY(s.setMobileNumber(QStringLiteral("+39 333 1")) != 0);
    QVERIFY(s.forkLook().visible && s.forkLook().enabled && !s.forkLook().on);
    QCOMPARE(s.forkLook().toolTip, QStringLiteral("Fork To Mobile non attivo: +39 333 1"));
    QCOMPARE(s.setMobileNumber(QStringLiteral("+39 333 1")), 0);

    s.applyReport(report("forktomobile", 2, "+39 333 1"), true);
    QVERIFY(s.isForkActive());
    QCOMPARE(s.forkLook().toolTip, QStringLiteral("Fork To Mobile attivo: +39 333 1"));
    QCOMPARE(s.forkLook().accessibleDescription, QStringLiteral("Fork To Mobile attivo - numero associato +39 333 1"));
    // The number goes away: hidden, off.
    s.setMobileNumber(QString());
    QVERIFY(!s.isForkActive() && !s.forkLook().visible);
}

void TestPbxServices::lostReportsReleaseTheButtons()
{
    ServiceState s;
    s.loggedIn();
    QVERIFY(!s.dndLook().visible); // until the first report
    s.setDnd(false);
    QVERIFY(s.dndLook().visible && s.dndLook().enabled);

    s.dndRequested();
    QVERIFY(!s.dndLook().enabled);
    QCOMPARE(s.reportTimedOut(ServiceState::Dnd), int(ServiceState::Dnd));
    QVERIFY(s.dndLook().enabled);
    QVERIFY(!s.isDndActive()); // the shown state is kept
    QCOMPARE(s.reportTimedOut(ServiceState::Dnd), 0);

    s.setMobileNumber(QStringLiteral("333"));
    s.forkRequested();
    QVERIFY(!s.forkLook().enabled);
    s.applyReport(report("forktomobile", 2), true);
    QVERIFY(s.forkLook().enabled && s.isForkActive());
    QCOMPARE(s.reportTimedOut(ServiceState::Fork), 0);

    // A "dnd" report counts only where the PBX holds the DND.
    s.applyReport(report("dnd", 2), false);
    QVERIFY(!s.isDndActive());
    s.applyReport(report("dnd", 2), true);
    QVERIFY(s.isDndActive());
    QCOMPARE(s.dndLook().toolTip, QStringLiteral("Do Not Disturb attivo"));
}

void TestPbxServices::resets()
{
    ServiceState s;
    s.loggedIn();
    s.setDnd(true);
    s.applyReport(report("ufwd", 2, "203"), true);
    s.setMobileNumber(QStringLiteral("333"));
    s.setFork(true);

    ServiceState partial = s;
    partial.reset(true);
    QVERIFY(!partial.isDndActive() && !partial.dndLook().visible);
    QCOMPARE(partial.forwardLook(), s.forwardLook());
    QCOMPARE(partial.forkLook(), s.forkLook());

    s.reset(false);
    QVERIFY(!s.isForwardActive() && !s.isForkActive() && !s.isMobileNumberKnown());
    for (const ButtonLook &look : {s.dndLook(), s.forwardLook(), s.forkLook()})
        QVERIFY(!look.visible && !look.enabled && !look.on);
    QCOMPARE(s.dndLook().toolTip, QStringLiteral("Do Not Disturb"));
    QCOMPARE(s.forwardLook().toolTip, QStringLiteral("Inoltro incondizionato"));
    QCOMPARE(s.forkLook().toolTip, QStringLiteral("Servizio Fork To Mobile"));
}

// The PBX's report of on-demand recording reaches the active line of its
// channel: state 2 running, 0 available, anything else unavailable; other
// services, unknown channels and lines without an active widget change nothing.
void TestPbxServices::inCallRecordingReport_data()
{
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("shown"); // "available,recording" on line 7, or "" for nothing
    const QString ondemand = QStringLiteral("ondemandCallRecording");
    QTest::newRow("recording") << "SIP/201-0007" << ondemand << 2 << "1,1";
    QTest::newRow("available") << "SIP/201-0007" << ondemand << 0 << "1,0";
    QTest::newRow("unavailable") << "SIP/201-0007" << ondemand << 1 << "0,0";
    QTest::newRow("another service") << "SIP/201-0007"
                                     << "somethingElse" << 2 << "";
    QTest::newRow("unknown channel") << "SIP/209-0001" << ondemand << 2 << "";
    QTest::newRow("channel without a line") << "SIP/209" << ondemand << 2 << "";
    QTest::newRow("line without an active widget") << "SIP/201-0008" << ondemand << 2 << "";
}

void TestPbxServices::inCallRecordingReport()
{
    QFETCH(QString, channel);
    QFETCH(QString, type);
    QFETCH(int, state);
    QFETCH(QString, shown);
    MainWindowIcons icons;
    const ServicesDialCodesMap codes;
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    // The PBX names the lines by the channels' last part: line 7 is answered
    // and has its active widget, no other line has one.
    QWidget window;
    CallLines::Widgets lineWidgets;
    lineWidgets.vLineLayout = new QStackedWidget(&window);
    lineWidgets.lineParent = &window;
    MSettingsStore store{MctiConfig()};
    store.init();
    const PbxSession session;
    const NoPhones phones;
    const NoDirectory directory;
    NoQueues queues;
    CallLines calls(lineWidgets, MSETTINGS::AppModeCtiOnly, store, session, cti, phones, directory, codes, queues);
    calls.processAnsweredCall(7, QStringLiteral("u7"), QString(), QStringLiteral("201"), QStringLiteral("612"),
                              QString(), QStringLiteral("PJSIP/trunk-00000107"), QStringLiteral("201"),
                              QStringLiteral("SIP/201-0007"), true);
    QVERIFY(calls.activeLines().value(7));
    QCOMPARE(calls.activeLines().size(), 1);
    RecordingShown host;
    QStringList &seen = host.seen;
    QuietChatWindow chatWindow;
    ScriptedPrompts prompts;
    MessagingPanel panel(MessagingPanel::Widgets(), icons, cti, codes, calls, host, chatWindow, chatWindow,
                         Clock::instance(), prompts);
    InCallServiceStatus status;
    status.uid = QStringLiteral("u1");
    status.channel = channel;
    status.serviceType = type;
    status.state = state;
    panel.onInCallServiceStatusRcvd(status);
    QCOMPARE(seen, shown.isEmpty() ? QStringList() : QStringList{shown});
}

DESKLINE_TEST_MAIN(TestPbxServices)
#include "tst_pbxservices.moc"
