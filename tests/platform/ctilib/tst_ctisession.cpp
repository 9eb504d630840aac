// The CTI client library against the in-process PBX simulator: log-in and its
// failures, requests and their answers, live changes, disconnections.
#include "ctiprotocol.h"
#include "ctitestsupport.h"

#include "testmain.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>

using namespace ctitest;

using Action = std::function<void(CtiLib *)>;
using Verify = std::function<void(const QSignalSpy &)>;
Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Verify)

class TestCtiSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { trustPbxCertificates(); }

    void loginSucceeds();
    void tenantSelectsTheUser();
    void loginFailures_data();
    void loginFailures();
    void tlsNameMismatchIsRefused();
    void requestsAreAnswered_data();
    void requestsAreAnswered();
    void largePhoneBookArrivesWhole();
    void voicemailDownloadMarkDelete();
    void contactsAddUpdateDelete();
    void servicesSwitch();
    void presenceAndBlfChanges();
    void chatReachesTheOtherParty();
    void queueMembership();
    void forcedDisconnection_data();
    void forcedDisconnection();
    void keepAliveTimeout();
    void killedSimulatorIsADisconnection();
    void killedSimulatorProgram();
    void logoutIsAUserRequest();
    void traceRecordsCommands();
    void smsIsSentOrRefused_data();
    void smsIsSentOrRefused();
    void smsWaitingWhenTheSessionEndsFails();
    void controlCommands_data();
    void controlCommands();
    void controlAnswersExactly_data();
    void controlAnswersExactly();
    void controlHelpNamesEveryCommand();
    void requestAnswers_data();
    void requestAnswers();
};

void TestCtiSession::loginSucceeds()
{
    Fixture f;
    QSignalSpy codes(f.cti.get(), &CtiLib::sigServicesCodesReceived);
    QSignalSpy sip(f.cti.get(), &CtiLib::sigSipSettingsReceived);
    QSignalSpy mobile(f.cti.get(), &CtiLib::sigExtenMobileNumberRcvd);
    QSignalSpy chat(f.cti.get(), &CtiLib::sigChatConnected);
    QSignalSpy logged(f.cti.get(), &CtiLib::loggedToServer);
    QVERIFY(!f.cti->isConnected());
    QVERIFY(f.login());
    const LoginDetails d = arg<LoginDetails>(logged, 0);
    QCOMPARE(d.firstName, QStringLiteral("Giulia"));
    QCOMPARE(d.lastName, QStringLiteral("Bianchi"));
    QCOMPARE(d.queueRole, 2);
    QCOMPARE(d.firmwareVersion, QStringLiteral("4.8.2"));
    QCOMPARE(f.cti->getLoginUsername(), QStringLiteral("demo"));
    QCOMPARE(f.cti->getUserExtension(), QStringLiteral("201"));
    QCOMPARE(f.cti->getPbxCapabilities(), f.sim->data().capabilities);
    QCOMPARE(f.cti->getQueueRole(), 2);
    // What the PBX sends after the log-in.
    QVERIFY(waitCount(chat, 1));
    QCOMPARE(codes.count(), 1);
    QCOMPARE(arg<ServicesDialCodesMap>(codes, 0).value(CTILIB::SdcPickup), QStringLiteral("*8"));
    QCOMPARE(arg<SipConfiguration>(sip, 0).registrarAddress, QStringLiteral("127.0.0.1"));
    QCOMPARE(arg<QString>(mobile, 0), f.sim->data().extensions.value(QStringLiteral("201")).mobile);
    QCOMPARE(f.sim->loggedInUsers(), QStringList{QStringLiteral("demo")});
}

void TestCtiSession::tenantSelectsTheUser()
{
    Fixture f;
    PbxSimData data = f.sim->data();
    SimUser mario = data.users.value(QStringLiteral("sara"));
    mario.username = QStringLiteral("mario");
    mario.password = QStringLiteral("pwd");
    mario.tenant = QStringLiteral("acme");
    data.users.insert(PbxSimData::userKey(mario.username, mario.tenant), mario);
    f.sim->setData(data);
    QSignalSpy gone(f.cti.get(), &CtiLib::disconnectedFromServer);
    QVERIFY(!f.login(QStringLiteral("mario"), QStringLiteral("pwd")));
    QCOMPARE(arg<QString>(gone, 0), QStringLiteral("AuthFailed"));
    QSignalSpy logged(f.cti.get(), &CtiLib::loggedToServer);
    f.cti->connectToServer(QStringLiteral("mario"), QStringLiteral("pwd"), QStringLiteral("acme"), 0);
    QVERIFY(waitCount(logged, 1));
    QCOMPARE(arg<LoginDetails>(logged, 0).tenant, QStringLiteral("acme"));
    QCOMPARE(f.sim->loggedInUsers(), QStringList{QStringLiteral("mario@acme")});
}

void TestCtiSession::loginFailures_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("reason");
    QTest::newRow("wrong password") << "sim"
                                    << "demo"
                                    << "nope"
                                    << "AuthFailed";
    QTest::newRow("unknown user") << "sim"
                                  << "ghost"
                                  << "demo"
                                  << "AuthFailed";
    QTest::newRow("no address") << ""
                                << "demo"
                                << "demo"
                                << "WrongConfig - no PBX address";
    QTest::newRow("no user") << "sim"
                             << ""
                             << "demo"
                             << "WrongConfig - no user name";
    QTest::newRow("unknown host") << "pbx.invalid"
                                  << "demo"
                                  << "demo"
                                  << "Host not found";
    QTest::newRow("nobody listening") << "closed"
                                      << "demo"
                                      << "demo"
                                      << "Connection refused";
}

void TestCtiSession::loginFailures()
{
    QFETCH(QString, address);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, reason);
    Fixture f;
    if (address == QLatin1String("closed")) {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        f.cti->setServerAddress(QStringLiteral("127.0.0.1:%1").arg(port));
    } else if (address != QLatin1String("sim")) {
        f.cti->setServerAddress(address);
    }
    QSignalSpy logged(f.cti.get(), &CtiLib::loggedToServer);
    QSignalSpy gone(f.cti.get(), &CtiLib::disconnectedFromServer);
    f.cti->connectToServer(user, password, QString(), 0);
    QVERIFY(waitCount(gone, 1));
    QCOMPARE(arg<QString>(gone, 0), reason);
    QVERIFY(logged.isEmpty());
    QVERIFY(!f.cti->isConnected());
    QTest::qWait(50);
    QCOMPARE(gone.count(), 1);
}

void TestCtiSession::tlsNameMismatchIsRefused()
{
    // The certificate names 127.0.0.1 and localhost only.
    Fixture f(QHostAddress(QStringLiteral("127.0.0.2")));
    QSignalSpy gone(f.cti.get(), &CtiLib::disconnectedFromServer);
    f.cti->connectToServer(QStringLiteral("demo"), QStringLiteral("demo"), QString(), 0);
    QVERIFY(waitCount(gone, 1));
    QVERIFY2(arg<QString>(gone, 0).startsWith(QLatin1String("SslHandshakeFailed")), qPrintable(arg<QString>(gone, 0)));
    QVERIFY(f.sim->loggedInUsers().isEmpty());
}

void TestCtiSession::requestsAreAnswered_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<Verify>("verify");

    QTest::newRow("identities") << Action([](CtiLib *c) { c->getIdentities(); })
                                << QByteArray(SIGNAL(sigIdentitiesChanged(IdentityList)))
                                << Verify([](const QSignalSpy &s) {
                                       const IdentityList l = arg<IdentityList>(s, 0);
                                       QCOMPARE(l.size(), 1);
                                       QCOMPARE(l.first().identifier, QStringLiteral("201"));
                                       QCOMPARE(l.first().type, QStringLiteral("SIP"));
                                       QCOMPARE(l.first().phoneUserAgent, QStringLiteral("snomD785/10.1.54.13"));
                                   });
    QTest::newRow("phone books") << Action([](CtiLib *c) { c->getContactsList(false, 7); })
                                 << QByteArray(SIGNAL(sigPhonebookChanged(PhoneBookList, CTILIB::PhonebookTypeFlags)))
                                 << Verify([](const QSignalSpy &s) {
                                        const PhoneBookList l = arg<PhoneBookList>(s, 0);
                                        QCOMPARE(int(arg<CTILIB::PhonebookTypeFlags>(s, 0, 1)), 7);
                                        QCOMPARE(l.size(), 3);
                                        QCOMPARE(l.at(0).source, QStringLiteral("velora"));
                                        QCOMPARE(l.at(0).visibility, QStringLiteral("Public"));
                                        QCOMPARE(l.at(0).entries.size(), 7);
                                        QCOMPARE(l.at(1).visibility, QStringLiteral("Private"));
                                        QCOMPARE(l.at(2).source, QStringLiteral("exten"));
                                        // Eleven extensions: the user's own is not listed.
                                        QCOMPARE(l.at(2).entries.size(), 11);
                                        for (const PhoneBookEntry &e : l.at(2).entries)
                                            QVERIFY(e.extension != QLatin1String("201") && !e.id.isEmpty());
                                    });
    QTest::newRow("extension list only") << Action([](CtiLib *c) {
        c->getContactsList(false, 2);
    }) << QByteArray(SIGNAL(sigPhonebookChanged(PhoneBookList, CTILIB::PhonebookTypeFlags)))
                                         << Verify([](const QSignalSpy &s) {
                                                QCOMPARE(arg<PhoneBookList>(s, 0).size(), 1);
                                                QCOMPARE(int(arg<CTILIB::PhonebookTypeFlags>(s, 0, 1)), 2);
                                            });
    QTest::newRow("extension states") << Action([](CtiLib *c) { c->getExtenStatus(); })
                                      << QByteArray(SIGNAL(sigExtenStatusMapChanged(BuddyStatusMap)))
                                      << Verify([](const QSignalSpy &s) {
                                             const BuddyStatusMap m = arg<BuddyStatusMap>(s, 0);
                                             QCOMPARE(m.size(), 12);
                                             QVERIFY(m.value(QStringLiteral("201")).presence !=
                                                     CTILIB::PresenceOffline); // logged in
                                             QCOMPARE(m.value(QStringLiteral("204")).blfStatus, 4);
                                         });
    QTest::newRow("call records") << Action([](CtiLib *c) { c->getCDR(false, QString()); })
                                  << QByteArray(SIGNAL(sigCdrChanged(Cdr))) << Verify([](const QSignalSpy &s) {
                                         const Cdr cdr = arg<Cdr>(s, 0);
                                         QCOMPARE(cdr.size(), 8);
                                         QCOMPARE(cdr.first().callTypeKey, QStringLiteral("ANSWER_IN"));
                                         QCOMPARE(cdr.at(1).callTypeKey, QStringLiteral("ANSWER_LOCAL_OUT"));
                                         QCOMPARE(cdr.at(5).callAttributes & 0x40, 0x40);
                                     });
    QTest::newRow("service states") << Action([](CtiLib *c) { c->getServiceStatus(); })
                                    << QByteArray(SIGNAL(sigServiceStatusChanged(ServiceStatusList)))
                                    << Verify([](const QSignalSpy &s) {
                                           const ServiceStatusList l = arg<ServiceStatusList>(s, s.count() - 1);
                                           QCOMPARE(l.size(), 3);
                                           QCOMPARE(l.at(1).service, QStringLiteral("ufwd"));
                                           QCOMPARE(l.at(1).state, 0);
                                       });
    QTest::newRow("voicemail list") << Action([](CtiLib *c) { c->getVoicemail(CTILIB::VmFlagAll); })
                                    << QByteArray(SIGNAL(sigVoicemailMsgList(VoicemailMessageList)))
                                    << Verify([](const QSignalSpy &s) {
                                           const VoicemailMessageList l = arg<VoicemailMessageList>(s, 0);
                                           QCOMPARE(l.size(), 1);
                                           QCOMPARE(l.first().senderName, QStringLiteral("Mario Verdi"));
                                           QVERIFY(l.first().unheard);
                                       });
    QTest::newRow("mailbox") << Action([](CtiLib *c) { c->getMailboxStatus(); })
                             << QByteArray(SIGNAL(sigMailboxStatusChanged(MailboxStatus)))
                             << Verify([](const QSignalSpy &s) {
                                    QCOMPARE(arg<MailboxStatus>(s, 0).newMessages, 1);
                                    QCOMPARE(arg<MailboxStatus>(s, 0).totalMessages, 1);
                                });
    QTest::newRow("chat history") << Action([](CtiLib *c) {
        c->getChatHistory(QDateTime::currentDateTimeUtc().addDays(-1));
    }) << QByteArray(SIGNAL(sigChatHistory(ChatMessageList)))
                                  << Verify([](const QSignalSpy &s) {
                                         const ChatMessageList l = arg<ChatMessageList>(s, 0);
                                         QCOMPARE(l.size(), 1);
                                         QCOMPARE(l.first().exten, QStringLiteral("202"));
                                         QCOMPARE(l.first().type, 2);
                                     });
    QTest::newRow("chat history from now")
        << Action([](CtiLib *c) { c->getChatHistory(QDateTime::currentDateTimeUtc()); })
        << QByteArray(SIGNAL(sigChatHistory(ChatMessageList)))
        << Verify([](const QSignalSpy &s) { QCOMPARE(arg<ChatMessageList>(s, 0).size(), 0); });
    QTest::newRow("live queues") << Action([](CtiLib *c) { c->getAllQueuesStats(); })
                                 << QByteArray(SIGNAL(sigAllQueuesStatsReceived(QueueStatsList)))
                                 << Verify([](const QSignalSpy &s) {
                                        const QueueStatsList l = arg<QueueStatsList>(s, 0);
                                        QCOMPARE(l.size(), 2);
                                        QCOMPARE(l.first().queueName, QStringLiteral("Supporto"));
                                        QCOMPARE(l.first().members.size(), 4);
                                    });
    QTest::newRow("all queue periods") << Action([](CtiLib *c) {
        QMetaObject::invokeMethod(c, "getAllQueuePeriodicStats", Qt::QueuedConnection,
                                  Q_ARG(CTILIB::PeriodType, CTILIB::PeriodToday), Q_ARG(QDateTime, QDateTime()),
                                  Q_ARG(QDateTime, QDateTime()));
    }) << QByteArray(SIGNAL(sigAllQueuesPeriodicStatsReceived(QueuePeriodicStatsList)))
                                       << Verify([](const QSignalSpy &s) {
                                              const QueuePeriodicStatsList l = arg<QueuePeriodicStatsList>(s, 0);
                                              QCOMPARE(l.periodType, 1);
                                              QCOMPARE(l.stats.size(), 2);
                                              QVERIFY(l.stats.first().from.isValid());
                                          });
    QTest::newRow("one queue period") << Action([](CtiLib *c) {
        c->getQueuePeriodicStats({QStringLiteral("601"), QStringLiteral("999")}, CTILIB::PeriodThisWeek, QDateTime(),
                                 QDateTime());
    }) << QByteArray(SIGNAL(sigQueuePeriodicStatsReceived(QueuePeriodicStats)))
                                      << Verify([](const QSignalSpy &s) {
                                             QCOMPARE(s.count(), 1);
                                             QCOMPARE(arg<QueuePeriodicStats>(s, 0).queueId, QStringLiteral("601"));
                                             QCOMPARE(arg<QueuePeriodicStats>(s, 0).periodType, 2);
                                         });
    QTest::newRow("all operators") << Action([](CtiLib *c) {
        c->getAllQueueOperatorPeriodicStats(CTILIB::PeriodYesterday, QDateTime(), QDateTime());
    }) << QByteArray(SIGNAL(sigAllQueueOperatorsPeriodicStatsReceived(QueueOperatorPeriodicStatsList)))
                                   << Verify([](const QSignalSpy &s) {
                                          QCOMPARE(arg<QueueOperatorPeriodicStatsList>(s, 0).size(), 8);
                                          QCOMPARE(arg<QueueOperatorPeriodicStatsList>(s, 0).first().periodType, 7);
                                      });
    QTest::newRow("some operators") << Action([](CtiLib *c) {
        c->getQueueOperatorPeriodicStats({{QStringLiteral("600"), {QStringLiteral("201"), QStringLiteral("202")}}},
                                         CTILIB::PeriodToday, QDateTime(), QDateTime());
    }) << QByteArray(SIGNAL(sigQueueOperatorPeriodicStatsReceived(QueueOperatorPeriodicStats)))
                                    << Verify([](const QSignalSpy &s) {
                                           QVERIFY(waitCount(const_cast<QSignalSpy &>(s), 2));
                                           QCOMPARE(arg<QueueOperatorPeriodicStats>(s, 1).memberId,
                                                    QStringLiteral("202"));
                                       });
    QTest::newRow("call-centre report") << Action([](CtiLib *c) {
        c->requestCCReport(CTILIB::PeriodToday, {20, 40}, {10}, QStringLiteral("IT"), QDateTime(), QDateTime());
    }) << QByteArray(SIGNAL(sigCCReportSucceded(CallCenterReport)))
                                        << Verify([](const QSignalSpy &s) {
                                               const CallCenterReport r = arg<CallCenterReport>(s, 0);
                                               QVERIFY(r.data.startsWith("queue;name"));
                                               QCOMPARE(r.mimeType, QStringLiteral("text/csv"));
                                           });
    QTest::newRow("report with an invalid period")
        << Action([](CtiLib *c) {
               c->requestCCReport(CTILIB::PeriodInvalid, {}, {}, QStringLiteral("EN"), QDateTime(), QDateTime());
           })
        << QByteArray(SIGNAL(sigCCReportFailure(QString)))
        << Verify([](const QSignalSpy &s) { QCOMPARE(arg<QString>(s, 0), QStringLiteral("Invalid period")); });
}

void TestCtiSession::requestsAreAnswered()
{
    QFETCH(Action, action);
    QFETCH(QByteArray, signal);
    QFETCH(Verify, verify);
    Fixture f;
    QVERIFY(f.login());
    QSignalSpy spy(f.cti.get(), signal.constData());
    QVERIFY(spy.isValid());
    QTest::qWait(20); // the post-log-in deliveries first
    spy.clear();
    action(f.cti.get());
    QVERIFY(waitCount(spy, 1));
    QTest::qWait(20);
    verify(spy);
}

// A phone book too large for one message arrives in parts and is handed
// on as one delivery, in the PBX's order.
void TestCtiSession::largePhoneBookArrivesWhole()
{
    Fixture f;
    f.sim->setData(PbxSimData::generate(12345, 6000, 0));
    QVERIFY(f.login());
    QSignalSpy books(f.cti.get(), &CtiLib::sigPhonebookChanged);
    QSignalSpy mobile(f.cti.get(), &CtiLib::sigExtenMobileNumberRcvd);
    f.cti->getContactsList(false, 7);
    f.cti->getIdentities();
    QVERIFY(waitCount(books, 1));
    const PhoneBookList l = arg<PhoneBookList>(books, 0);
    QCOMPARE(l.size(), 3);
    QCOMPARE(l.at(0).entries.size(), 12345);
    for (int i = 0; i < l.at(0).entries.size(); ++i) {
        if (l.at(0).entries.at(i).id != f.sim->data().sharedContacts.at(i).id)
            QFAIL(qPrintable(QStringLiteral("entry %1 out of place").arg(i)));
    }
    QVERIFY(l.at(0).entries.last() == f.sim->data().sharedContacts.last());
    QCOMPARE(l.at(1).visibility, QStringLiteral("Private"));
    QCOMPARE(l.at(2).entries.size(), 5999);
    QCOMPARE(int(arg<CTILIB::PhonebookTypeFlags>(books, 0, 1)), 7);
    QTest::qWait(50);
    QCOMPARE(books.count(), 1);
}

void TestCtiSession::voicemailDownloadMarkDelete()
{
    Fixture f;
    QVERIFY(f.login());
    QSignalSpy done(f.cti.get(), &CtiLib::sigVoicemailDownloadCompleted);
    QSignalSpy list(f.cti.get(), &CtiLib::sigVoicemailMsgList);
    QSignalSpy box(f.cti.get(), &CtiLib::sigMailboxStatusChanged);
    const QString dir = f.dir.path() + QStringLiteral("/vm");
    f.cti->downloadVoicemailMessage(QStringLiteral("1"), QStringLiteral("vm-0001"), dir);
    QVERIFY(waitCount(done, 1));
    QCOMPARE(arg<QString>(done, 0, 0), QStringLiteral("1"));
    const QString path = arg<QString>(done, 0, 2);
    QVERIFY(path.startsWith(dir));
    QFile wav(path);
    QVERIFY(wav.open(QIODevice::ReadOnly));
    QVERIFY(wav.read(4) == "RIFF");
    QCOMPARE(wav.size(), qint64(44 + 8 * 8000 * 2));

    // A change of the mailbox sends its new status; the list comes when asked
    // for, and alone.
    f.cti->markVoicemailMessage(QStringLiteral("1"), CTILIB::VmMsgHeard);
    QVERIFY(waitCount(box, 1));
    QCOMPARE(arg<MailboxStatus>(box, 0).newMessages, 0);
    QCOMPARE(arg<MailboxStatus>(box, 0).oldMessages, 1);
    f.cti->getVoicemail(CTILIB::VmFlagAll);
    QVERIFY(waitCount(list, 1));
    QVERIFY(!arg<VoicemailMessageList>(list, 0).first().unheard);

    f.cti->deleteVoicemailMessage(QStringLiteral("1"));
    QVERIFY(waitCount(box, 2));
    QCOMPARE(arg<MailboxStatus>(box, 1).totalMessages, 0);
    f.cti->getVoicemail(CTILIB::VmFlagAll);
    QVERIFY(waitCount(list, 2));
    QVERIFY(arg<VoicemailMessageList>(list, 1).isEmpty());
    QCOMPARE(box.count(), 2);
    QCOMPARE(list.count(), 2);

    // A message that does not exist: nothing arrives, the session stays up.
    f.cti->downloadVoicemailMessage(QStringLiteral("1"), QStringLiteral("vm-0001"), dir);
    QTest::qWait(100);
    QCOMPARE(done.count(), 1);
    QVERIFY(f.cti->isConnected());
}

void TestCtiSession::contactsAddUpdateDelete()
{
    Fixture f;
    QVERIFY(f.login());
    QSignalSpy books(f.cti.get(), &CtiLib::sigPhonebookChanged);
    auto personal = [&](int emission) {
        for (const PhoneBook &b : arg<PhoneBookList>(books, emission)) {
            if (b.visibility == QLatin1String("Private"))
                return b.entries;
        }
        return QList<PhoneBookEntry>();
    };
    PhoneBookEntry e;
    e.firstName = QStringLiteral("Nuovo");
    e.lastName = QStringLiteral("Contatto");
    e.contacts << ContactEntry{QStringLiteral("phone"), QStringLiteral("mobile"), QStringLiteral("+39 340 1"), true};
    f.cti->addPhoneBookContact(e);
    QVERIFY(waitCount(books, 1));
    QCOMPARE(int(arg<CTILIB::PhonebookTypeFlags>(books, 0, 1)), 1);
    QList<PhoneBookEntry> mine = personal(0);
    QCOMPARE(mine.size(), 2);
    PhoneBookEntry added = mine.last();
    QVERIFY(!added.id.isEmpty());
    QCOMPARE(added.contacts, e.contacts);

    added.company = QStringLiteral("Nuova S.r.l.");
    f.cti->updatePhoneBookContact(added);
    QVERIFY(waitCount(books, 2));
    QCOMPARE(personal(1).last().company, QStringLiteral("Nuova S.r.l."));

    f.cti->deletePhoneBookContact(added);
    QVERIFY(waitCount(books, 3));
    QCOMPARE(personal(2).size(), 1);

    // Deleting it again is refused by the PBX: no delivery.
    f.cti->deletePhoneBookContact(added);
    QTest::qWait(100);
    QCOMPARE(books.count(), 3);
    QVERIFY(f.cti->isConnected());
}

void TestCtiSession::servicesSwitch()
{
    Fixture f;
    QVERIFY(f.login());
    QTest::qWait(20);
    QSignalSpy services(f.cti.get(), &CtiLib::sigServiceStatusChanged);
    auto find = [&](int emission, const QString &name) {
        for (const ServiceStatus &s : arg<ServiceStatusList>(services, emission)) {
            if (s.service == name)
                return s;
        }
        return ServiceStatus();
    };
    f.cti->setUFWD(QStringLiteral("+39021234567"));
    QVERIFY(waitCount(services, 1));
    QCOMPARE(find(0, QStringLiteral("ufwd")).state, 2);
    QCOMPARE(find(0, QStringLiteral("ufwd")).value, QStringLiteral("+39021234567"));
    f.cti->setForkToMobile();
    QVERIFY(waitCount(services, 2));
    QCOMPARE(find(1, QStringLiteral("forktomobile")).state, 2);
    f.cti->unsetUFWD();
    f.cti->unsetForkToMobile();
    QVERIFY(waitCount(services, 4));
    QCOMPARE(find(3, QStringLiteral("ufwd")).state, 0);
    QCOMPARE(find(3, QStringLiteral("forktomobile")).state, 0);
}

void TestCtiSession::presenceAndBlfChanges()
{
    Fixture f;
    QVERIFY(f.login());
    std::unique_ptr<CtiLib> luca = f.newClient();
    QVERIFY(Fixture::login(luca.get(), QStringLiteral("luca"), QStringLiteral("luca")));
    QSignalSpy lucaSees(luca.get(), &CtiLib::sigExtenStatusChanged);
    f.cti->setClientPresence(CTILIB::PresenceBusy, QStringLiteral("In riunione"));
    QVERIFY(waitCount(lucaSees, 1));
    BuddyStatus b = arg<BuddyStatus>(lucaSees, 0);
    QCOMPARE(b.exten, QStringLiteral("201"));
    QCOMPARE(b.presence, 3);
    QCOMPARE(b.presenceMsg, QStringLiteral("In riunione"));

    QSignalSpy demoSees(f.cti.get(), &CtiLib::sigExtenStatusChanged);
    f.sim->setBlf(QStringLiteral("207"), CTILIB::BlfRinging);
    QVERIFY(waitCount(demoSees, 1));
    QCOMPARE(arg<BuddyStatus>(demoSees, 0).exten, QStringLiteral("207"));
    QCOMPARE(arg<BuddyStatus>(demoSees, 0).blfStatus, 8);

    // A user leaving the PBX goes offline for the others.
    demoSees.clear();
    luca->logout();
    QVERIFY(waitCount(demoSees, 1));
    QCOMPARE(arg<BuddyStatus>(demoSees, 0).exten, QStringLiteral("202"));
    QCOMPARE(arg<BuddyStatus>(demoSees, 0).presence, int(CTILIB::PresenceOffline));
}

void TestCtiSession::chatReachesTheOtherParty()
{
    Fixture f;
    QVERIFY(f.login());
    // The demo colleague (202) answers by itself while not logged in.
    QSignalSpy msgs(f.cti.get(), &CtiLib::sigChatMessage);
    f.cti->sendChatMessage(QStringLiteral("202"), QStringLiteral("Ciao Luca"));
    QVERIFY(waitCount(msgs, 2));
    const ChatMessage echo = arg<ChatMessage>(msgs, 0);
    QCOMPARE(echo.direction, 1);
    QCOMPARE(echo.exten, QStringLiteral("202"));
    QCOMPARE(echo.body, QStringLiteral("Ciao Luca"));
    const ChatMessage reply = arg<ChatMessage>(msgs, 1);
    QCOMPARE(reply.direction, 0);
    QCOMPARE(reply.exten, QStringLiteral("202"));
    QVERIFY(reply.body.contains(QLatin1String("Ciao Luca")));
    QCOMPARE(reply.time.timeSpec(), Qt::UTC);

    // Between two logged-in users: message and typing state.
    std::unique_ptr<CtiLib> sara = f.newClient();
    QVERIFY(Fixture::login(sara.get(), QStringLiteral("sara"), QStringLiteral("sara")));
    QSignalSpy saraMsgs(sara.get(), &CtiLib::sigChatMessage);
    QSignalSpy saraTyping(sara.get(), &CtiLib::sigChatContactComposing);
    f.cti->sendChatStartComposing(QStringLiteral("203"));
    f.cti->sendChatMessage(QStringLiteral("203"), QStringLiteral("Riunione alle 3?"));
    QVERIFY(waitCount(saraMsgs, 1));
    QCOMPARE(arg<ChatMessage>(saraMsgs, 0).exten, QStringLiteral("201"));
    QCOMPARE(arg<ChatMessage>(saraMsgs, 0).direction, 0);
    QCOMPARE(saraTyping.count(), 1);
    QCOMPARE(arg<QString>(saraTyping, 0, 0), QStringLiteral("201"));
    QCOMPARE(arg<bool>(saraTyping, 0, 2), true);
}

void TestCtiSession::queueMembership()
{
    Fixture f;
    QVERIFY(f.login());
    QSignalSpy paused(f.cti.get(), &CtiLib::sigQueueMemberPauseChanged);
    QSignalSpy added(f.cti.get(), &CtiLib::sigQueueMemberAdded);
    QSignalSpy removed(f.cti.get(), &CtiLib::sigQueueMemberRemoved);
    // Own memberships in every queue: 201 is in both.
    f.cti->pauseQueues(true, QString(), QStringLiteral("OperatorRequest"), QString());
    QVERIFY(waitCount(paused, 2));
    QCOMPARE(arg<QueueMember>(paused, 0).account, QStringLiteral("201"));
    QCOMPARE(arg<bool>(paused, 0, 1), true);
    QSet<QString> queues{arg<QueueMember>(paused, 0).queueId, arg<QueueMember>(paused, 1).queueId};
    QCOMPARE(queues, (QSet<QString>{QStringLiteral("600"), QStringLiteral("601")}));
    // A supervisor resumes named operators of one queue.
    f.cti->pauseOperators(false, {QStringLiteral("201")}, QStringLiteral("SupervisorRequest"), QStringLiteral("600"));
    QVERIFY(waitCount(paused, 3));
    QCOMPARE(arg<bool>(paused, 2, 1), false);
    QCOMPARE(arg<QueueMember>(paused, 2).queueId, QStringLiteral("600"));

    QMetaObject::invokeMethod(f.cti.get(), "addQueueDynamicMember", Qt::QueuedConnection,
                              Q_ARG(QString, QStringLiteral("601")), Q_ARG(QString, QStringLiteral("206")),
                              Q_ARG(int, 3));
    QVERIFY(waitCount(added, 1));
    QCOMPARE(arg<QueueMember>(added, 0).penalty, 3);
    QCOMPARE(arg<QueueMember>(added, 0).memberType, 1);
    f.cti->removeQueueDynamicMember(QStringLiteral("601"), QStringLiteral("206"));
    QVERIFY(waitCount(removed, 1));
    QCOMPARE(arg<QueueMember>(removed, 0).account, QStringLiteral("206"));
}

void TestCtiSession::forcedDisconnection_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("restart");
    QTest::newRow("auth failed") << "AuthFailed" << false;
    QTest::newRow("upgrade needed") << "UpgradeNeeded - Versione non supportata" << false;
    QTest::newRow("wrong config") << "WrongConfig - Interno non configurato" << false;
    QTest::newRow("permission denied") << "Permission denied" << false;
    QTest::newRow("any other") << "MaintenanceWindow" << false;
    QTest::newRow("restart") << "ServerRestart" << true;
}

void TestCtiSession::forcedDisconnection()
{
    QFETCH(QString, reason);
    QFETCH(bool, restart);
    Fixture f;
    QVERIFY(f.login());
    QSignalSpy gone(f.cti.get(), &CtiLib::disconnectedFromServer);
    QSignalSpy chatGone(f.cti.get(), &CtiLib::sigChatDisconnected);
    if (restart)
        f.sim->restart();
    else
        QCOMPARE(f.sim->disconnectClients(QStringLiteral("demo"), reason), 1);
    QVERIFY(waitCount(gone, 1));
    QCOMPARE(arg<QString>(gone, 0), reason);
    QCOMPARE(chatGone.count(), 1);
    QVERIFY(!f.cti->isConnected());
    QCOMPARE(f.cti->getUserExtension(), QString());
    QTest::qWait(50);
    QCOMPARE(gone.count(), 1);
    // The client can log in again afterwards.
    QVERIFY(f.login());
}

void TestCtiSession::keepAliveTimeout()
{
    Fixture f;
    // A reply timeout a busy machine cannot miss; the keep-alives go out
    // every 40 ms.
    f.cti->setKeepAliveTimings(40, 3000);
    const QString path = f.dir.filePath(QStringLiteral("keepalive-trace.jsonl"));
    QVERIFY(f.sim->setTraceFile(path));
    QVERIFY(f.login());
    QSignalSpy gone(f.cti.get(), &CtiLib::disconnectedFromServer);
    auto pings = [&path] {
        QFile trace(path);
        return trace.open(QIODevice::ReadOnly) ? trace.readAll().count("\"cmd\":\"ping\"") : 0;
    };
    QVERIFY(QTest::qWaitFor([&] { return pings() >= 5; }, 20000)); // several keep-alives answered
    QVERIFY(gone.isEmpty());
    QVERIFY(f.cti->isConnected());
    f.sim->setAnswerKeepAlives(false);
    QVERIFY(waitCount(gone, 1));
    QCOMPARE(arg<QString>(gone, 0), QStringLiteral("KeepAliveReplyTimeout"));
    QVERIFY(!f.cti->setChatKeepAliveSendIntervalSec(59));
    QVERIFY(f.cti->setChatKeepAliveSendIntervalSec(60));
}

void TestCtiSession::killedSimulatorIsADisconnection()
{
    Fixture f;
    QVERIFY(f.login());
    QSignalSpy gone(f.cti.get(), &CtiLib::disconnectedFromServer);
    f.sim.reset();
    QVERIFY(waitCount(gone, 1));
    QCOMPARE(arg<QString>(gone, 0), QStringLiteral("RemoteHostClosed"));
    QVERIFY(!f.cti->isConnected());
    // Requests are dropped while disconnected.
    QVERIFY(!f.cti->newCall(QStringLiteral("202"), CTILIB::PrefixInternal));
}

// The program as `make run` starts it: demo data, a free port written to a
// file, control on standard input; killed, it is seen as a disconnection.
void TestCtiSession::killedSimulatorProgram()
{
    QTemporaryDir dir;
    const QString portFile = dir.filePath(QStringLiteral("port"));
    QProcess sim;
    sim.setProgram(qEnvironmentVariable("DESKLINE_BINARY_DIR") + QStringLiteral("/platform/ctilib/pbxsim"));
    sim.setArguments({QStringLiteral("--demo"), QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                      QStringLiteral("--port-file"), portFile, QStringLiteral("--control-stdin")});
    sim.start();
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(portFile).size() > 0, 10000);
    QFile f(portFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const int port = f.readAll().trimmed().toInt();
    QVERIFY(port > 0);

    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    cti.setServerAddress(QStringLiteral("127.0.0.1:%1").arg(port));
    QVERIFY(Fixture::login(&cti));
    QSignalSpy calls(&cti, &CtiLib::sigIncomingCall);
    sim.write("call 0612345678 201 name=Anna\n");
    QVERIFY(waitCount(calls, 1));
    QCOMPARE(arg<IncomingCallEvent>(calls, 0).remoteName, QStringLiteral("Anna"));

    QSignalSpy gone(&cti, &CtiLib::disconnectedFromServer);
    sim.kill();
    QVERIFY(sim.waitForFinished());
    QVERIFY(waitCount(gone, 1));
    QCOMPARE(arg<QString>(gone, 0), QStringLiteral("RemoteHostClosed"));
}

void TestCtiSession::logoutIsAUserRequest()
{
    Fixture f;
    QVERIFY(f.login());
    QSignalSpy gone(f.cti.get(), &CtiLib::disconnectedFromServer);
    f.cti->logout();
    QVERIFY(waitCount(gone, 1));
    QCOMPARE(arg<QString>(gone, 0), QStringLiteral("UserRequest"));
    QTRY_VERIFY(f.sim->loggedInUsers().isEmpty());
    // shutdown emits nothing.
    QVERIFY(f.login());
    gone.clear();
    f.cti->shutdown();
    QTest::qWait(50);
    QVERIFY(gone.isEmpty());
    QVERIFY(!f.cti->isConnected());
}

void TestCtiSession::traceRecordsCommands()
{
    Fixture f;
    const QString path = f.dir.path() + QStringLiteral("/trace.jsonl");
    QVERIFY(f.sim->setTraceFile(path));
    QVERIFY(f.login());
    QSignalSpy cmds(f.sim.get(), &PbxSimulator::commandReceived);
    f.cti->newCall(QStringLiteral("+39021234567"), CTILIB::PrefixAutomatic);
    QVERIFY(waitCount(cmds, 1));
    f.sim->stopTrace();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    QVERIFY(lines.size() >= 2);
    const QJsonObject login = QJsonDocument::fromJson(lines.first()).object();
    QCOMPARE(login.value(QStringLiteral("cmd")).toString(), QStringLiteral("login"));
    QCOMPARE(login.value(QStringLiteral("args")).toObject().value(QStringLiteral("password")).toString(),
             QStringLiteral("***"));
    QVERIFY(QDateTime::fromString(login.value(QStringLiteral("ts")).toString(), Qt::ISODateWithMs).isValid());
    const QJsonObject call = QJsonDocument::fromJson(lines.last()).object();
    QCOMPARE(call.value(QStringLiteral("cmd")).toString(), QStringLiteral("newCall"));
    QCOMPARE(call.value(QStringLiteral("user")).toString(), QStringLiteral("demo"));
    QCOMPARE(call.value(QStringLiteral("args")).toObject().value(QStringLiteral("number")).toString(),
             QStringLiteral("+39021234567"));
}

void TestCtiSession::smsIsSentOrRefused_data()
{
    QTest::addColumn<bool>("capability");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal");            // empty: sent
    const QString full = QString(80, QChar(0x00e8)); // 160 bytes
    QTest::newRow("sent") << true << "+393331234567"
                          << "Ciao, richiamami"
                          << "";
    QTest::newRow("160 bytes") << true << "3331234567" << full << "";
    QTest::newRow("no SMS on this PBX") << false << "3331234567"
                                        << "Ciao"
                                        << "SmsNotAvailable";
    QTest::newRow("letters in the number") << true << "333abc"
                                           << "Ciao"
                                           << "InvalidDestination";
    QTest::newRow("no number") << true << ""
                               << "Ciao"
                               << "InvalidDestination";
    QTest::newRow("empty text") << true << "3331234567"
                                << ""
                                << "InvalidText";
    QTest::newRow("161 bytes") << true << "3331234567" << full + QLatin1Char('x') << "InvalidText";
}

void TestCtiSession::smsIsSentOrRefused()
{
    QFETCH(bool, capability);
    QFETCH(QString, destination);
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    Fixture f;
    PbxSimData data = PbxSimData::demo();
    if (!capability)
        data.capabilities &= ~0x1u;
    f.sim->setData(data);
    const QString path = f.dir.path() + QStringLiteral("/trace.jsonl");
    QVERIFY(f.sim->setTraceFile(path));
    QVERIFY(f.login());
    QSignalSpy result(f.cti.get(), &CtiLib::sigSmsSendResult);
    QVERIFY(f.cti->sendSms(destination, text));
    QVERIFY(waitCount(result, 1));
    QCOMPARE(result.first().at(0).toString(), destination);
    QCOMPARE(result.first().at(1).toBool(), refusal.isEmpty());
    QCOMPARE(result.first().at(2).toString(), refusal);
    QCOMPARE(f.sim->sentSms().size(), refusal.isEmpty() ? 1 : 0);
    f.sim->stopTrace();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    bool traced = false;
    for (const QByteArray &line : file.readAll().trimmed().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value(QStringLiteral("cmd")).toString() != QLatin1String("smsSent"))
            continue;
        traced = true;
        QCOMPARE(o.value(QStringLiteral("args")).toObject().value(QStringLiteral("destination")).toString(),
                 destination);
        QCOMPARE(o.value(QStringLiteral("args")).toObject().value(QStringLiteral("text")).toString(), text);
    }
    QCOMPARE(traced, refusal.isEmpty());
}

void TestCtiSession::smsWaitingWhenTheSessionEndsFails()
{
    Fixture f;
    QVERIFY(f.login());
    QSignalSpy result(f.cti.get(), &CtiLib::sigSmsSendResult);
    QVERIFY(f.cti->sendSms(QStringLiteral("3331234567"), QStringLiteral("Ciao")));
    f.cti->logout();
    QVERIFY(waitCount(result, 1));
    QCOMPARE(result.first().at(1).toBool(), false);
    QCOMPARE(result.first().at(2).toString(), QStringLiteral("Disconnected"));
    QVERIFY(!f.cti->sendSms(QStringLiteral("3331234567"), QStringLiteral("Ciao")));
}

void TestCtiSession::controlCommands_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("answer");
    QTest::newRow("blank") << "  "
                           << "";
    QTest::newRow("blf") << "blf 205 8"
                         << "OK";
    QTest::newRow("blf of nobody") << "blf 999 8"
                                   << "ERROR";
    QTest::newRow("presence by name") << "presence 205 away Pranzo"
                                      << "OK";
    QTest::newRow("presence out of range") << "presence 205 9"
                                           << "ERROR";
    QTest::newRow("call") << "call +39021234567 201"
                          << "OK ";
    QTest::newRow("call to nobody") << "call +39021234567 999"
                                    << "ERROR";
    QTest::newRow("call through a missing queue") << "call +39021234567 201 queue=999"
                                                  << "ERROR";
    QTest::newRow("answer without a call") << "answer 205"
                                           << "ERROR";
    QTest::newRow("queue event") << "queueevent 600 3"
                                 << "OK";
    QTest::newRow("delay") << "delay answer 10"
                           << "OK";
    QTest::newRow("bad delay") << "delay answer soon"
                               << "ERROR";
    QTest::newRow("unknown") << "dance"
                             << "ERROR unknown command";
    QTest::newRow("status") << "status"
                            << "OK port=";
}

void TestCtiSession::controlCommands()
{
    QFETCH(QString, line);
    QFETCH(QString, answer);
    Fixture f;
    const QString got = f.sim->executeControl(line);
    if (answer.isEmpty())
        QVERIFY(got.isEmpty());
    else
        QVERIFY2(got.startsWith(answer), qPrintable(got));
}

// The control language's answers, word for word: tests and benchmarks match
// them.
void TestCtiSession::controlAnswersExactly_data()
{
    QTest::addColumn<bool>("sip");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("answer");
    auto row = [](const char *name, bool sip, const char *line, const char *answer) {
        QTest::newRow(name) << sip << QString::fromUtf8(line) << QString::fromUtf8(answer);
    };
    row("comment", false, "# hangup 201", "");
    row("unknown", false, "dance now", "ERROR unknown command 'dance' (try help)");
    row("names are case-blind", false, "DANCE", "ERROR unknown command 'dance' (try help)");
    row("call without its target", false, "call 3331234567",
        "ERROR usage: call <from-number> <to-exten> [queue=<id>] [name=<caller name>]");
    row("call to nobody", false, "call 3331234567 299", "ERROR no extension 299");
    row("call through a missing queue", false, "call 3331234567 201 queue=999", "ERROR no queue 999");
    row("answer without a call", false, "answer 205", "ERROR no ringing call");
    row("hangup without a party", false, "hangup", "ERROR usage: hangup <exten|uid>");
    row("hangup of an idle party", false, "hangup 205", "OK 0");
    row("transfer without a target", false, "transfer 205", "ERROR usage: transfer <exten|number> <target>");
    row("transfer of an idle party", false, "Transfer 205 206", "OK 0");
    row("blf without a state", false, "blf 205", "ERROR usage: blf <exten> <state>");
    row("presence without one", false, "presence 205", "ERROR usage: presence <exten> <0-5|name> [text]");
    row("chat without a text", false, "chat 201 202", "ERROR usage: chat <from-exten> <to-exten> <text>");
    row("park notice without a slot", false, "parknotice 201 3331234567",
        "ERROR usage: parknotice <exten> <number> <slot> [seconds]");
    row("queue event of no queue", false, "queueevent 999 1", "ERROR usage: queueevent <queue-id> <waiting>");
    row("voicemail without a sender", false, "voicemail 201 name=Mario Rossi",
        "ERROR usage: voicemail <exten> <from-number> [seconds] [name=<sender name>]");
    row("echo of something else", false, "echo queue on", "ERROR usage: echo mailbox on|off");
    row("echo", false, "echo mailbox on", "OK");
    row("period statistics of no queue", false, "periodstats 999 off", "ERROR usage: periodstats <queue-id> on|off");
    row("disconnect without a reason", false, "disconnect demo", "ERROR usage: disconnect <user|*> <reason>");
    row("disconnect of nobody", false, "disconnect demo Bye bye", "OK 0");
    row("keep-alive without a word", false, "keepalive", "ERROR usage: keepalive on|off");
    row("unknown delay", false, "delay Ring 10", "ERROR unknown delay Ring");
    row("negative delay", false, "delay ring -1", "ERROR usage: delay answer|ring|talk|park|chat <ms>");
    row("delay", false, "delay talk 0", "OK");
    row("trace without a file", false, "trace", "ERROR usage: trace <file>|off");
    row("trace off", false, "trace off", "OK");
    row("sip without the SIP side", false, "sip status", "ERROR the SIP side is not listening");
    row("sip without a sub-command", true, "sip",
        "ERROR usage: sip status|registers|tone|play|codecs|check|digits|hold ...");
    row("sip registers without an extension", true, "sip registers",
        "ERROR usage: sip status|registers|tone|play|codecs|check|digits|hold ...");
    row("sip registers", true, "sip REGISTERS 201", "OK 0");
    row("sip tone out of range", true, "sip tone 4000", "ERROR usage: sip tone <0-3900|-1>");
    row("sip tone", true, "sip tone -1", "OK");
    row("sip play of no file", true, "sip play /nonexistent dir/a.wav", "ERROR no file /nonexistent dir/a.wav");
    row("sip check without audio", true, "sip check 1.2 1000", "ERROR no audio for 1.2");
    row("sip check out of range", true, "sip check 1.2 4000", "ERROR usage: sip check <uid> <hz>");
    row("sip codecs unknown", true, "sip codecs OPUS", "ERROR usage: sip codecs PCMA|PCMU|GSM|G726|G722 ...");
    row("sip digits of no call", true, "sip digits 1.2", "OK");
    row("sip hold of no call", true, "sip hold 1.2 on", "ERROR no such SIP call");
    row("sip hold without on or off", true, "sip hold 1.2 maybe",
        "ERROR usage: sip status|registers|tone|play|codecs|check|digits|hold ...");
}

void TestCtiSession::controlAnswersExactly()
{
    QFETCH(bool, sip);
    QFETCH(QString, line);
    QFETCH(QString, answer);
    Fixture f;
    if (sip) {
        QString error;
        QVERIFY2(f.sim->listenSip(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    }
    QCOMPARE(f.sim->executeControl(line), answer);
}

// Every command the help names is known, and "help" answers the help.
void TestCtiSession::controlHelpNamesEveryCommand()
{
    Fixture f;
    const QString help = PbxSimulator::controlHelp();
    QVERIFY(help.startsWith(QLatin1String("call <from-number> <to-exten>")));
    QCOMPARE(f.sim->executeControl(QStringLiteral("help")), help.trimmed());
    QSet<QString> names;
    for (const QString &line : help.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        names.insert(line.section(QLatin1Char(' '), 0, 0));
    QCOMPARE(names.size(), 20);
    QSignalSpy quit(f.sim.get(), &PbxSimulator::quitRequested);
    for (const QString &name : qAsConst(names)) {
        const QString got = f.sim->executeControl(name);
        QVERIFY2(!got.startsWith(QLatin1String("ERROR unknown command")), qPrintable(name + QLatin1String(": ") + got));
    }
    QCOMPARE(quit.count(), 1);
}

namespace
{

// A client that speaks the wire protocol itself, to see the simulator's
// answers as they are.
struct RawClient {
    QSslSocket socket;
    CtiProtocol::FrameReader reader{CtiProtocol::MaxServerFrame};
    qint64 nextId = 1;

    // The simulator runs on this thread: waits keep its events going.
    bool connectTo(quint16 port)
    {
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        QElapsedTimer t;
        t.start();
        while (!socket.isEncrypted() && t.elapsed() < testsupport::kConditionWaitMs)
            QTest::qWait(10);
        return socket.isEncrypted();
    }
    // Sends a request and waits for its answer; false when none came.
    bool request(const QString &cmd, const QJsonObject &args, CtiProtocol::Message *answer)
    {
        const qint64 id = nextId++;
        socket.write(CtiProtocol::encodeRequest(id, cmd, args));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < testsupport::kConditionWaitMs) {
            QByteArray frame;
            while (reader.next(&frame)) {
                QString error;
                if (!CtiProtocol::parseMessage(frame, answer, &error))
                    return false;
                if (answer->type == CtiProtocol::Message::Response && answer->id == id)
                    return true;
            }
            if (socket.state() != QAbstractSocket::ConnectedState)
                return false;
            if (socket.bytesAvailable() == 0)
                QTest::qWait(10);
            else if (!reader.append(socket.readAll()))
                return false;
        }
        return false;
    }
};

} // namespace

void TestCtiSession::requestAnswers_data()
{
    QTest::addColumn<bool>("deskPhone");
    QTest::addColumn<QString>("cmd");
    QTest::addColumn<QJsonObject>("args");
    QTest::addColumn<QString>("error");
    auto row = [](const char *name, bool deskPhone, const char *cmd, const QJsonObject &args, const char *error) {
        QTest::newRow(name) << deskPhone << QString::fromLatin1(cmd) << args << QString::fromLatin1(error);
    };
    row("unknown", false, "dance", {}, "UnknownCommand");
    row("accepted, nothing to answer", false, "chatOpen", {}, "");
    row("identities", false, "getIdentities", {}, "");
    row("call without a number", false, "newCall", {{"number", " "}}, "InvalidNumber");
    row("hang-up of no call", false, "hangupCall", {{"callId", "1.2"}}, "NoSuchCall");
    row("refusal of no call", false, "refuseCall", {{"channel", "PJSIP/201-1"}}, "NoSuchCall");
    row("unknown service", false, "setService", {{"service", "fax"}, {"on", true}}, "UnknownService");
    row("presence out of range", false, "setPresence", {{"presence", 9}}, "InvalidPresence");
    row("no such queue", false, "addQueueMember", {{"queueId", "999"}, {"account", "201"}}, "NoSuchQueue");
    row("not a member", false, "removeQueueMember", {{"queueId", "600"}, {"account", "299"}}, "NotAMember");
    row("statistics of no period", false, "getOperatorPeriodicStats", {{"period", 12}}, "InvalidPeriod");
    row("no such message", false, "downloadVoicemail", {{"id", "nope"}}, "NoSuchMessage");
    row("no such contact", false, "deleteContact", {{"entry", QJsonObject{{"id", "nope"}}}}, "NoSuchContact");
    row("desk phone request without one", false, "phoneMakeCall", {{"number", "202"}}, "PhoneNotAuthorized");
    row("unknown desk phone request without one", false, "phoneDance", {}, "PhoneNotAuthorized");
    row("desk phone call request of no call", true, "phoneAnswer", {{"cstaId", "csta-0"}}, "NoSuchCall");
    row("unknown desk phone request of no call", true, "phoneDance", {{"cstaId", "csta-0"}}, "NoSuchCall");
    row("desk phone call without a number", true, "phoneMakeCall", {{"number", ""}}, "InvalidNumber");
}

// The simulator finds each request's handler by its name and refuses what
// the request lacks with the code a client tells its user.
void TestCtiSession::requestAnswers()
{
    QFETCH(bool, deskPhone);
    QFETCH(QString, cmd);
    QFETCH(QJsonObject, args);
    QFETCH(QString, error);
    Fixture f;
    RawClient c;
    QVERIFY(c.connectTo(f.sim->serverPort()));
    CtiProtocol::Message answer;
    QVERIFY(c.request(QStringLiteral("login"),
                      {{"user", "demo"},
                       {"password", "demo"},
                       {"tenant", ""},
                       {"appMode", deskPhone ? CTILIB::AppModeDeskPhone : CTILIB::AppModeCtiOnly}},
                      &answer));
    QVERIFY2(answer.ok, qPrintable(answer.error));
    if (deskPhone) {
        QVERIFY(c.request(QStringLiteral("phoneGetDnd"), {}, &answer));
        QVERIFY(answer.ok);
    }
    QVERIFY(c.request(cmd, args, &answer));
    QCOMPARE(answer.error, error);
    QCOMPARE(answer.ok, error.isEmpty());
}

DESKLINE_TEST_MAIN(TestCtiSession)
#include "tst_ctisession.moc"
