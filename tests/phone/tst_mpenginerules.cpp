// The softphone engine's rules without an engine: registrar parsing, the
// DTMF and codec tables, SIP addresses of dialled strings, DTMF characters,
// the hold-status mapping, the ringing choice, device names, and the SIP
// account's re-registration timer.
#include "phone/mpaccount.h"
#include "phone/mpenginerules.h"

#include "testmain.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace MPEngineRules;

class TestMPEngineRules : public QObject
{
    Q_OBJECT

private slots:
    void registrar_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("host only") << "pbx.local"
                                   << "pbx.local" << 5060;
        QTest::newRow("host and port") << "10.0.0.1:5070"
                                       << "10.0.0.1" << 5070;
        QTest::newRow("port not a number") << "pbx:abc"
                                           << "pbx" << 0;
        QTest::newRow("empty port") << "pbx:"
                                    << "pbx" << 0;
        QTest::newRow("port out of range") << "pbx:70000"
                                           << "pbx" << 0;
        QTest::newRow("v6 with port") << "[::1]:5070"
                                      << "[::1]" << 5070;
        QTest::newRow("v6 without port") << "[fe80::1]"
                                         << "[fe80::1]" << 5060;
        QTest::newRow("bare v6") << "::1"
                                 << "::1" << 5060;
        QTest::newRow("empty") << ""
                               << "" << 5060;
    }
    void registrar()
    {
        QFETCH(QString, address);
        QFETCH(QString, host);
        QFETCH(int, port);
        const HostPort hp = parseRegistrar(address);
        QCOMPARE(hp.host, host);
        QCOMPARE(hp.port, port);
    }

    void dtmfModes_data()
    {
        QTest::addColumn<int>("pbxMode");
        QTest::addColumn<bool>("known");
        QTest::addColumn<int>("engineMode");
        QTest::newRow("auto") << 0 << false << -1;
        QTest::newRow("inband") << 1 << true << 0;
        QTest::newRow("rfc2833") << 2 << true << 1;
        QTest::newRow("sip info") << 3 << false << -1;
        QTest::newRow("out of range") << 9 << false << -1;
    }
    void dtmfModes()
    {
        QFETCH(int, pbxMode);
        QFETCH(bool, known);
        QFETCH(int, engineMode);
        int mapped = -1;
        QCOMPARE(mapDtmfMode(pbxMode, &mapped), known);
        QCOMPARE(mapped, engineMode);
    }

    void codecs_data()
    {
        QTest::addColumn<QStringList>("pbx");
        QTest::addColumn<QStringList>("engine");
        QTest::newRow("all, in order") << QStringList{"gsm", "alaw", "ulaw", "g726", "g722"}
                                       << QStringList{"GSM", "PCMA", "PCMU", "G726", "G7221"};
        QTest::newRow("unknown dropped, order kept")
            << QStringList{"g722", "opus", "alaw"} << QStringList{"G7221", "PCMA"};
        QTest::newRow("case-sensitive") << QStringList{"GSM", "ulaw"} << QStringList{"PCMU"};
        QTest::newRow("none known") << QStringList{"speex"} << QStringList{};
    }
    void codecs()
    {
        QFETCH(QStringList, pbx);
        QFETCH(QStringList, engine);
        QCOMPARE(mapCodecs(pbx), engine);
    }

    void sipAddresses_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("registrar");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("address");
        QTest::newRow("registrar") << "1234"
                                   << "pbx" << 5060 << "1234@pbx";
        QTest::newRow("other port") << "1234"
                                    << "pbx" << 5070 << "1234@pbx:5070";
        QTest::newRow("registrar holds a port") << "1234"
                                                << "pbx:5080" << 5070 << "1234@pbx:5080";
        QTest::newRow("v6 registrar") << "1234"
                                      << "[::1]:5070" << 5060 << "1234@[::1]:5070";
        QTest::newRow("already an address") << "1234@other"
                                            << "pbx" << 5070 << "1234@other";
        QTest::newRow("no registrar") << "1234"
                                      << "" << 5070 << "1234";
        QTest::newRow("trimmed") << "  201 \t"
                                 << "pbx" << 5060 << "201@pbx";
        QTest::newRow("plus and star kept") << "+39*8"
                                            << "pbx" << 5060 << "+39*8@pbx";
        QTest::newRow("blank and hash escaped") << "02 12#"
                                                << "pbx" << 5060 << "02%2012%23@pbx";
        QTest::newRow("angle brackets escaped") << "1<sip:x>"
                                                << "pbx" << 5060 << "1%3Csip%3Ax%3E@pbx";
        QTest::newRow("non-ASCII escaped") << QString::fromUtf8("né") << "pbx" << 5060 << "n%C3%A9@pbx";
        QTest::newRow("empty") << ""
                               << "pbx" << 5060 << "";
        QTest::newRow("blank only") << "   "
                                    << "pbx" << 5060 << "";
        QTest::newRow("line break refused") << "201\r\nVia: x"
                                            << "pbx" << 5060 << "";
        QTest::newRow("NUL refused") << QString::fromLatin1("20\0001", 4) << "pbx" << 5060 << "";
        QTest::newRow("control char with @ refused") << "a\x01@b"
                                                     << "pbx" << 5060 << "";
    }
    void sipAddresses()
    {
        QFETCH(QString, number);
        QFETCH(QString, registrar);
        QFETCH(int, port);
        QFETCH(QString, address);
        QCOMPARE(sipAddress(number, registrar, port), address);
    }

    void dtmfCharacters()
    {
        const QString valid = QStringLiteral("0123456789*#ABCD");
        for (const QChar c : valid)
            QVERIFY2(isDtmfCharacter(c), qPrintable(QString(c)));
        for (const QChar c : QStringLiteral("abcdEx+ @\x01") + QChar(0x20AC) + QChar(0x0131))
            QVERIFY2(!isDtmfCharacter(c), qPrintable(QString::number(c.unicode())));
    }

    void holdStatus_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("result");
        QTest::newRow("inactive") << 0 << int(HoldResult::Held);
        QTest::newRow("on hold") << 1 << int(HoldResult::Held);
        QTest::newRow("full duplex") << 2 << int(HoldResult::Active);
        QTest::newRow("pending") << 3 << int(HoldResult::Failed);
        QTest::newRow("remote on hold") << 4 << int(HoldResult::Held);
        QTest::newRow("above 4") << 5 << int(HoldResult::Failed);
        QTest::newRow("error code") << -4 << int(HoldResult::Failed);
    }
    void holdStatus()
    {
        QFETCH(int, status);
        QFETCH(int, result);
        QCOMPARE(int(holdResult(unsigned(status))), result);
    }

    void ringingChoice_data()
    {
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<bool>("ringing");
        QTest::addColumn<bool>("notice");
        QTest::addColumn<int>("action");
        QTest::newRow("quiet, ringing") << true << true << false << int(RingingAction::RingingSound);
        QTest::newRow("quiet, both") << true << true << true << int(RingingAction::RingingSound);
        QTest::newRow("quiet, notice") << true << false << true << int(RingingAction::RingingSound);
        QTest::newRow("quiet, nothing") << true << false << false << int(RingingAction::StopBoth);
        QTest::newRow("busy, ringing") << false << true << false << int(RingingAction::CallNotice);
        QTest::newRow("busy, both") << false << true << true << int(RingingAction::CallNotice);
        QTest::newRow("busy, notice") << false << false << true << int(RingingAction::CallNotice);
        QTest::newRow("busy, nothing") << false << false << false << int(RingingAction::None);
    }
    void ringingChoice()
    {
        QFETCH(bool, quiet);
        QFETCH(bool, ringing);
        QFETCH(bool, notice);
        QFETCH(int, action);
        QCOMPARE(int(checkRinging(quiet, ringing, notice)), action);
    }

    void deviceNames_data()
    {
        QTest::addColumn<QString>("engineName");
        QTest::addColumn<QStringList>("system");
        QTest::addColumn<QString>("longName");
        QTest::addColumn<int>("matched");
        const QStringList sys{"Built-in Microphone", "alsa_input.usb-Plantronics_Headset-00 (Headset)", "Headset"};
        QTest::newRow("longer system name")
            << "Plantronics_Headset" << sys << "alsa_input.usb-Plantronics_Headset-00 (Headset)" << 1;
        QTest::newRow("first match wins") << "Headset" << sys << "alsa_input.usb-Plantronics_Headset-00 (Headset)" << 1;
        QTest::newRow("case-sensitive") << "built-in" << sys << "built-in" << -1;
        QTest::newRow("no system devices") << "WAV file" << QStringList{} << "WAV file" << -1;
        QTest::newRow("empty engine name") << "" << sys << "" << -1;
    }
    void deviceNames()
    {
        QFETCH(QString, engineName);
        QFETCH(QStringList, system);
        QFETCH(QString, longName);
        QFETCH(int, matched);
        int index = -2;
        QCOMPARE(longDeviceName(engineName, system, &index), longName);
        QCOMPARE(index, matched);
    }

    void refreshInterval_data()
    {
        QTest::addColumn<int>("expiry");
        QTest::addColumn<int>("ms");
        QTest::newRow("default") << 3600 << 2400000;
        QTest::newRow("100 s") << 100 << 66000;
        QTest::newRow("1 s clamped") << 1 << 30000;
        QTest::newRow("0 clamped") << 0 << 30000;
        QTest::newRow("negative clamped") << -10 << 30000;
        QTest::newRow("45 s clamped") << 45 << 30000;
    }
    void refreshInterval()
    {
        QFETCH(int, expiry);
        QFETCH(int, ms);
        MPAccount account;
        if (expiry == 3600) {
            QCOMPARE(account.refreshTimer()->interval(), ms);
        } else {
            account.setRegisterExpirationSecs(expiry);
            QCOMPARE(account.m_registerExpirationSecs, expiry);
            QCOMPARE(account.refreshTimer()->interval(), ms);
        }
        QVERIFY(account.refreshTimer()->isSingleShot());
    }

    // Confirmation starts the timer; its firing asks for a refresh only while
    // registered; a failure (unregister) stops the cycle.
    void refreshCycle()
    {
        MPAccount account;
        QSignalSpy refresh(&account, &MPAccount::sigRegisterRefreshNeeded);
        QCOMPARE(account.findChild<QTimer *>(QStringLiteral("sipRegisterRefreshTimer")), account.refreshTimer());
        QVERIFY(!account.refreshTimer()->isActive());
        account.sipRegister();
        QVERIFY(account.isRegistered());
        QVERIFY(account.refreshTimer()->isActive());
        QMetaObject::invokeMethod(account.refreshTimer(), "timeout");
        QCOMPARE(refresh.count(), 1);
        account.sipUnregister();
        QVERIFY(!account.refreshTimer()->isActive());
        QMetaObject::invokeMethod(account.refreshTimer(), "timeout");
        QCOMPARE(refresh.count(), 1);
    }

    void readSettings()
    {
        MPAccount account;
        QVERIFY(!account.readSettings(QStringLiteral("/nonexistent/account.ini"), 0));
        QCOMPARE(account.m_registrarPort, 5060);

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("account.ini"));
        {
            QSettings s(file, QSettings::IniFormat);
            s.beginWriteArray(QStringLiteral("SIP_ACCOUNTS"));
            s.setArrayIndex(0);
            s.setValue(QStringLiteral("User"), QStringLiteral("201"));
            s.setValue(QStringLiteral("Username"), QStringLiteral("auth201"));
            s.setValue(QStringLiteral("Password"), QStringLiteral("sip201"));
            s.endArray();
            s.beginGroup(QStringLiteral("SIP_DEFAULTS"));
            s.setValue(QStringLiteral("RegistrarIp"), QString());
            s.setValue(QStringLiteral("RegistrarPort"), -1);
            s.setValue(QStringLiteral("RegisterExpiration"), 300);
            s.endGroup();
        }
        account.m_registrarAddress = QStringLiteral("old");
        QVERIFY(account.readSettings(file, 0));
        QCOMPARE(account.m_sipUser, QStringLiteral("201"));
        QCOMPARE(account.m_displayUser, QStringLiteral("201"));
        QCOMPARE(account.m_authUsername, QStringLiteral("auth201"));
        QCOMPARE(account.m_password, QStringLiteral("sip201"));
        QCOMPARE(account.m_registrarAddress, QString()); // an empty value clears it
        QCOMPARE(account.m_registrarPort, 5060);         // a negative port keeps the default
        QCOMPARE(account.refreshTimer()->interval(), 200000);
    }
};

DESKLINE_TEST_MAIN(TestMPEngineRules)
#include "tst_mpenginerules.moc"
