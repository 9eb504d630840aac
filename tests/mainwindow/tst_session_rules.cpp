// The session rules that need no window: user/tenant split, firmware gate,
// what a log-in enables, keep-alive floor, refresh periods, the reading of
// disconnection reasons and the tray message each one brings.
#include "mainwindow/session/sessionrules.h"
#include "testmain.h"

using namespace SessionRules;

class TestSessionRules : public QObject
{
    Q_OBJECT

private slots:
    void tenantSplit_data();
    void tenantSplit();
    void firmwareGate_data();
    void firmwareGate();
    void firmwareFeatures_data();
    void firmwareFeatures();
    void keepAlive_data();
    void keepAlive();
    void refreshPeriods_data();
    void refreshPeriods();
    void reasons_data();
    void reasons();
    void sessionFeaturesPerLogin_data();
    void sessionFeaturesPerLogin();
    void disconnectNotices_data();
    void disconnectNotices();
    void reconnectDelaysStayInRange();
};

void TestSessionRules::tenantSplit_data()
{
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("tenant");
    QTest::newRow("one @") << "a@b"
                           << "a"
                           << "b";
    QTest::newRow("two @: last part is the tenant") << "a@b@c"
                                                    << "a@b"
                                                    << "c";
    QTest::newRow("no @") << "a"
                          << "a"
                          << "";
    QTest::newRow("trailing @") << "a@"
                                << "a"
                                << "";
    QTest::newRow("leading @") << "@b"
                               << ""
                               << "b";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void TestSessionRules::tenantSplit()
{
    QFETCH(QString, username);
    QFETCH(QString, user);
    QFETCH(QString, tenant);
    const UserAndTenant r = splitUsername(username);
    QCOMPARE(r.user, user);
    QCOMPARE(r.tenant, tenant);
}

void TestSessionRules::firmwareGate_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("minimum") << "4.0.7" << true;
    QTest::newRow("minimum with suffix") << "4.0.7-rc1" << true;
    QTest::newRow("bare major above") << "5" << true;
    QTest::newRow("patch below") << "4.0.6" << false;
    QTest::newRow("older major") << "3.9" << false;
    QTest::newRow("bare 4") << "4" << false;
    QTest::newRow("4.0 misses the patch") << "4.0" << false;
    QTest::newRow("minor above, no patch") << "4.1" << true;
    // Numbers, not text: "4.0.10" sorts before "4.0.7" as text.
    QTest::newRow("two-digit patch") << "4.0.10" << true;
    QTest::newRow("two-digit minor") << "4.10.0" << true;
    QTest::newRow("suffix of the old one") << "4.0.6-hotfix9" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("garbage") << "abc" << false;
    QTest::newRow("non-number part reads 0") << "4.x.9" << true;
    QTest::newRow("part beyond 16 bits reads 0") << "4.0.70000" << false;
}

void TestSessionRules::firmwareGate()
{
    QFETCH(QString, firmware);
    QFETCH(bool, accepted);
    QCOMPARE(isFirmwareSupported(firmware), accepted);
}

void TestSessionRules::firmwareFeatures_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("voicemail");
    QTest::addColumn<bool>("queueGroupCdr");
    QTest::newRow("4.5.8") << "4.5.8" << false << false;
    QTest::newRow("4.5.9") << "4.5.9" << true << false;
    QTest::newRow("4.6.0") << "4.6.0" << true << false;
    QTest::newRow("4.7.15") << "4.7.15" << true << false;
    QTest::newRow("4.7.16") << "4.7.16" << true << true;
    QTest::newRow("4.10.0 newer than 4.7.16") << "4.10.0" << true << true;
    QTest::newRow("suffix ignored") << "4.7.16-beta" << true << true;
}

void TestSessionRules::firmwareFeatures()
{
    QFETCH(QString, firmware);
    QFETCH(bool, voicemail);
    QFETCH(bool, queueGroupCdr);
    QCOMPARE(firmwareHasVisualVoicemail(firmware), voicemail);
    QCOMPARE(firmwareHasQueueGroupCdrFilter(firmware), queueGroupCdr);
}

void TestSessionRules::keepAlive_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("sent");
    QTest::newRow("0") << 0 << false;
    QTest::newRow("59") << 59 << false;
    QTest::newRow("60") << 60 << true;
    QTest::newRow("120") << 120 << true;
    QTest::newRow("negative") << -5 << false;
}

void TestSessionRules::keepAlive()
{
    QFETCH(int, seconds);
    QFETCH(bool, sent);
    QCOMPARE(isKeepAliveIntervalAccepted(seconds), sent);
}

void TestSessionRules::refreshPeriods_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("used");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("contacts 0") << int(RefreshPeriod::Contacts) << 0 << 600 << true;
    QTest::newRow("cdr 0") << int(RefreshPeriod::Cdr) << 0 << 90 << true;
    QTest::newRow("codec order 0") << int(RefreshPeriod::CodecOrder) << 0 << 30 << true;
    QTest::newRow("identities 0") << int(RefreshPeriod::Identities) << 0 << 300 << true;
    // 65536 kept in 16 bits wraps to 0.
    QTest::newRow("wrapped 16-bit value") << int(RefreshPeriod::Cdr) << int(quint16(65536)) << 90 << true;
    QTest::newRow("stored value kept") << int(RefreshPeriod::Cdr) << 45 << 45 << false;
    QTest::newRow("1 second kept") << int(RefreshPeriod::Identities) << 1 << 1 << false;
    QTest::newRow("largest 16-bit kept") << int(RefreshPeriod::Contacts) << 65535 << 65535 << false;
}

void TestSessionRules::refreshPeriods()
{
    QFETCH(int, which);
    QFETCH(int, stored);
    QFETCH(int, used);
    QFETCH(bool, replaced);
    bool wasReplaced = !replaced;
    QCOMPARE(sanitizedRefreshSecs(RefreshPeriod(which), stored, &wasReplaced), used);
    QCOMPARE(wasReplaced, replaced);
}

void TestSessionRules::reasons_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("reconnects");
    QTest::newRow("user request") << "UserRequest"
                                  << "UserRequest"
                                  << "UserRequest" << false;
    QTest::newRow("auth failed, default text") << "AuthFailed"
                                               << "AuthFailed"
                                               << "AuthFailed - Username o password errati" << false;
    QTest::newRow("auth failed, own text") << "AuthFailed - bad pin"
                                           << "AuthFailed"
                                           << "AuthFailed - bad pin" << false;
    QTest::newRow("upgrade needed")
        << "UpgradeNeeded"
        << "UpgradeNeeded"
        << "UpgradeNeeded - La versione dell'applicazione utilizzata non è supportata dal server. \n"
           "Per proseguire è necessario aggiornare l'applicazione!"
        << false;
    QTest::newRow("host not found")
        << "Host not found"
        << "Host not found"
        << "Host not found - Nome del server sconosciuto.\nControllare le impostazioni di rete" << false;
    QTest::newRow("permission denied") << "Permission denied"
                                       << "Permission denied"
                                       << "Permission denied - Indirizzo di rete non permesso" << false;
    QTest::newRow("wrong config with text") << "WrongConfig - no extension"
                                            << "Unknown"
                                            << "Unknown - no extension" << false;
    QTest::newRow("wrong config alone") << "WrongConfig"
                                        << "WrongConfig"
                                        << "WrongConfig" << false;
    QTest::newRow("keep-alive timeout") << "KeepAliveReplyTimeout"
                                        << "KeepAliveReplyTimeout"
                                        << "KeepAliveReplyTimeout" << true;
    QTest::newRow("other with text") << "NetworkError - reset by peer"
                                     << "NetworkError"
                                     << "NetworkError - reset by peer" << true;
    QTest::newRow("only the first separator splits") << "ProtocolError - a - b"
                                                     << "ProtocolError"
                                                     << "ProtocolError - a - b" << true;
    QTest::newRow("case matters") << "authfailed"
                                  << "authfailed"
                                  << "authfailed" << true;
    QTest::newRow("empty reason") << ""
                                  << ""
                                  << "" << true;
}

void TestSessionRules::reasons()
{
    QFETCH(QString, reason);
    QFETCH(QString, code);
    QFETCH(QString, shown);
    QFETCH(bool, reconnects);
    const DisconnectReason r = parseDisconnectReason(reason);
    QCOMPARE(r.code, code);
    QCOMPARE(shownReason(r, reason), shown);
    QCOMPARE(r.reconnects(), reconnects);
    QCOMPARE(r.isKnown(), !reconnects);
}

namespace
{
QString featureString(const SessionFeatures &f)
{
    // One letter per feature that is on, in a fixed order.
    QString s;
    s += f.dialFromWindow ? 'D' : '-';
    s += f.sendSms ? 'S' : '-';
    s += f.addContact ? 'A' : '-';
    s += f.queueStatus ? 'Q' : '-';
    s += f.supervisorPanel ? 'P' : '-';
    s += f.callCenterReport ? 'R' : '-';
    s += f.visualVoicemail ? 'V' : '-';
    s += f.queueGroupCdrFilter ? 'G' : '-';
    s += f.rebranding ? 'B' : '-';
    s += f.identitiesPeriod ? 'I' : '-';
    return s;
}
} // namespace

void TestSessionRules::sessionFeaturesPerLogin_data()
{
    QTest::addColumn<quint32>("capabilities");
    QTest::addColumn<int>("queueRole");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("firmware");
    // D dial, S SMS, A add contact, Q queue status, P supervisor panel,
    // R call-centre report, V voicemail tab, G queue/group call filter,
    // B rebranding, I identities period.
    QTest::addColumn<QString>("features");
    const quint32 all = CapSms | CapCallCenterReport | CapRebranding | CapIdentities | CapAddContact;
    QTest::newRow("CTI only, nothing allowed, old firmware")
        << 0u << int(QueueRoleNone) << int(MSETTINGS::AppModeCtiOnly) << "4.0.7"
        << "D---------";
    QTest::newRow("desk phone, everything, new firmware")
        << all << int(QueueRoleNone) << int(MSETTINGS::AppModeDeskPhone) << "4.7.16"
        << "DSA---VGBI";
    QTest::newRow("softphone dials after registering")
        << all << int(QueueRoleNone) << int(MSETTINGS::AppModeSoftphone) << "4.5.9"
        << "-SA---V-BI";
    QTest::newRow("operator: queue status, no panel")
        << all << int(QueueRoleOperator) << int(MSETTINGS::AppModeCtiOnly) << "4.5.9"
        << "DSAQ--V-BI";
    QTest::newRow("supervisor with the report")
        << all << int(QueueRoleSupervisor) << int(MSETTINGS::AppModeCtiOnly) << "4.7.16"
        << "DSAQPRVGBI";
    QTest::newRow("supervisor without the report bit")
        << quint32(CapSms) << int(QueueRoleSupervisor) << int(MSETTINGS::AppModeCtiOnly) << "4.7.16"
        << "DS-QP-VG--";
    QTest::newRow("report bit without supervisor role")
        << quint32(CapCallCenterReport) << int(QueueRoleOperator) << int(MSETTINGS::AppModeCtiOnly) << "4.0.7"
        << "D--Q------";
    QTest::newRow("unknown role is no queue member") << 0u << 3 << int(MSETTINGS::AppModeCtiOnly) << "4.0.7"
                                                     << "D---------";
    QTest::newRow("bits outside the named ones change nothing")
        << ~all << int(QueueRoleNone) << int(MSETTINGS::AppModeCtiOnly) << "garbage"
        << "D---------";
}

void TestSessionRules::sessionFeaturesPerLogin()
{
    QFETCH(quint32, capabilities);
    QFETCH(int, queueRole);
    QFETCH(int, mode);
    QFETCH(QString, firmware);
    QFETCH(QString, features);
    SessionStart start;
    start.capabilities = capabilities;
    start.queueRole = queueRole;
    start.mode = MSETTINGS::AppMode(mode);
    start.firmware = firmware;
    QCOMPARE(featureString(sessionFeatures(start)), features);
}

void TestSessionRules::disconnectNotices_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("automaticAttempt");
    QTest::addColumn<bool>("wasConnected");
    QTest::addColumn<int>("notice");
    const int none = int(DisconnectNotice::None);
    const int cannot = int(DisconnectNotice::CannotConnect);
    const int closed = int(DisconnectNotice::ConnectionClosed);
    QTest::newRow("user request, up") << "UserRequest" << false << true << none;
    QTest::newRow("user request, automatic attempt") << "UserRequest" << true << false << none;
    QTest::newRow("known reason, up") << "AuthFailed" << false << true << cannot;
    QTest::newRow("known reason, automatic attempt") << "Host not found" << true << false << cannot;
    QTest::newRow("other reason, session was up") << "KeepAliveReplyTimeout" << false << true << closed;
    QTest::newRow("other reason, first attempt") << "Connection refused" << false << false << cannot;
    QTest::newRow("other reason, automatic attempt failed") << "Connection refused" << true << false << none;
}

void TestSessionRules::disconnectNotices()
{
    QFETCH(QString, reason);
    QFETCH(bool, automaticAttempt);
    QFETCH(bool, wasConnected);
    QFETCH(int, notice);
    QCOMPARE(int(disconnectNotice(parseDisconnectReason(reason), automaticAttempt, wasConnected)), notice);
}

void TestSessionRules::reconnectDelaysStayInRange()
{
    int lowest = INT_MAX, highest = INT_MIN;
    for (int i = 0; i < 5000; ++i) {
        const int d = reconnectDelayMs();
        lowest = qMin(lowest, d);
        highest = qMax(highest, d);
        const int e = engineBusyRetryDelayMs();
        QVERIFY2(e >= 2000 && e <= 2999, qPrintable(QString::number(e)));
    }
    QVERIFY(lowest >= 5000);
    QVERIFY(highest <= 7999);
    // The whole range is used, not one fixed moment.
    QVERIFY(highest - lowest > 2000);
}

DESKLINE_TEST_MAIN(TestSessionRules)
#include "tst_session_rules.moc"
