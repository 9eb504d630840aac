// A hostile or broken CTI server: every malformed, unexpected or oversized
// message ends the session with a clear reason, never with a crash.
#include "ctijson.h"
#include "ctiprotocol.h"
#include "ctitestsupport.h"

#include "testmain.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace ctitest;

namespace
{

using Script = std::function<void(QSslSocket *, qint64 loginId)>;

// A TLS server with the simulator's certificate that runs a script once the
// client's log-in request has arrived.
class HostileServer : public QTcpServer
{
public:
    Script script;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *s = new QSslSocket(this);
        s->setSocketDescriptor(descriptor);
        s->setLocalCertificateChain(PbxSimulator::builtinCertificateChain());
        s->setPrivateKey(PbxSimulator::builtinPrivateKey());
        auto *buffer = new QByteArray;
        connect(s, &QObject::destroyed, [buffer] { delete buffer; });
        connect(s, &QSslSocket::readyRead, s, [this, s, buffer] {
            buffer->append(s->readAll());
            const int nl = buffer->indexOf('\n');
            if (nl < 0 || buffer->isEmpty() || buffer->startsWith('#'))
                return;
            CtiProtocol::Message m;
            QString error;
            const bool ok = CtiProtocol::parseMessage(buffer->left(nl), &m, &error);
            *buffer = "#"; // the script runs once
            if (ok && m.name == QLatin1String("login"))
                script(s, m.id);
        });
        s->startServerEncryption();
    }
};

QByteArray loginOk(qint64 id)
{
    LoginDetails d;
    d.username = QStringLiteral("demo");
    d.firmwareVersion = QStringLiteral("4.8.2");
    return CtiProtocol::encodeResponse(id, true,
                                       {{QStringLiteral("details"), CtiJson::toJson(d)},
                                        {QStringLiteral("capabilities"), 5},
                                        {QStringLiteral("extension"), QStringLiteral("201")}});
}

QByteArray bigPhonebook(int entries, bool brokenAtTheEnd)
{
    PhoneBook book;
    book.source = QStringLiteral("velora");
    for (int i = 0; i < entries; ++i) {
        PhoneBookEntry e;
        e.id = QString::number(i);
        e.firstName = QStringLiteral("Nome %1").arg(i);
        book.entries << e;
    }
    QJsonObject bookJson = CtiJson::toJson(book);
    if (brokenAtTheEnd) {
        QJsonArray list = bookJson.value(QStringLiteral("entries")).toArray();
        QJsonObject last = list.last().toObject();
        last.insert(QStringLiteral("lastModified"), QStringLiteral("yesterday"));
        list.replace(list.size() - 1, last);
        bookJson.insert(QStringLiteral("entries"), list);
    }
    return CtiProtocol::encodeEvent(
        QStringLiteral("phonebook"),
        {{QStringLiteral("flags"), 1}, {QStringLiteral("phonebooks"), QJsonArray{bookJson}}});
}

} // namespace

Q_DECLARE_METATYPE(Script)

class TestCtiHostile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { trustPbxCertificates(); }
    void brokenPeer_data();
    void brokenPeer();
    void hostileReasonIsSanitised();
    void unknownServiceCodesSkipped();
    void largeDeliveryKeepsOrder();
    void voicemailFileStaysInItsDirectory_data();
    void voicemailFileStaysInItsDirectory();
};

void TestCtiHostile::brokenPeer_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("loggedIn");

    auto send = [](const QByteArray &bytes, bool login) {
        return Script([bytes, login](QSslSocket *s, qint64 id) {
            if (login)
                s->write(loginOk(id));
            s->write(bytes);
        });
    };
    QTest::newRow("not JSON") << send("this is not json\n", false) << "ProtocolError - malformed JSON" << false;
    QTest::newRow("JSON array") << send("[1,2]\n", false) << "ProtocolError - frame is not a JSON object" << false;
    QTest::newRow("other protocol version") << send(R"({"v":9,"t":"evt","evt":"x"})"
                                                    "\n",
                                                    false)
                                            << "ProtocolError - unsupported protocol version" << false;
    QTest::newRow("event before log-in") << send(CtiProtocol::encodeEvent(QStringLiteral("chatConnected"), {}), false)
                                         << "ProtocolError - event before log-in" << false;
    QTest::newRow("answer to nothing") << send(CtiProtocol::encodeResponse(999, true, {}), false)
                                       << "ProtocolError - response to an unknown request" << false;
    QTest::newRow("request from the server") << send(CtiProtocol::encodeRequest(1, QStringLiteral("login"), {}), false)
                                             << "ProtocolError - unexpected request" << false;
    QTest::newRow("log-in answer with bad capabilities") << Script([](QSslSocket *s, qint64 id) {
        s->write(CtiProtocol::encodeResponse(id, true, {{QStringLiteral("capabilities"), QStringLiteral("all")}}));
    }) << "ProtocolError - log-in answer" << false;
    QTest::newRow("log-in answer with a bad record") << Script([](QSslSocket *s, qint64 id) {
        s->write(
            CtiProtocol::encodeResponse(id, true,
                                        {{QStringLiteral("details"), QJsonObject{{QStringLiteral("queueRole"), true}}},
                                         {QStringLiteral("capabilities"), 1}}));
    }) << "ProtocolError - log-in answer: queueRole" << false;
    QTest::newRow("unknown event") << send(CtiProtocol::encodeEvent(QStringLiteral("selfDestruct"), {}), true)
                                   << "ProtocolError - event 'selfDestruct': unknown event" << true;
    QTest::newRow("wrong field type") << send(CtiProtocol::encodeEvent(
                                                  QStringLiteral("incomingCall"),
                                                  {{QStringLiteral("callType"), QStringLiteral("x")}}),
                                              true)
                                      << "ProtocolError - event 'incomingCall': callType" << true;
    QTest::newRow("unknown phone event") << send(CtiProtocol::encodeEvent(
                                                     QStringLiteral("phoneEvent"),
                                                     {{QStringLiteral("event"), QStringLiteral("explode")}}),
                                                 true)
                                         << "ProtocolError - event 'phoneEvent': unknown phone event" << true;
    // Qt's reader would leak the value each duplicate replaces (the leak
    // checker of the test run sees it): such frames end the session instead.
    QTest::newRow("duplicate key in an event")
        << send(R"({"v":1,"t":"evt","evt":"chatConnected","data":{"x":")" + QByteArray(64 * 1024, 'a') +
                    R"(","x":1}})"
                    "\n",
                true)
        << "ProtocolError - duplicate key in a JSON object" << true;
    QTest::newRow("duplicate key in the log-in answer") << Script([](QSslSocket *s, qint64 id) {
        QByteArray answer = loginOk(id);
        answer.insert(1, R"("v":1,)");
        s->write(answer);
    }) << "ProtocolError - duplicate key in a JSON object"
                                                        << false;
    QTest::newRow("oversized frame") << send(QByteArray(1536 * 1024, 'a'), true) << "ProtocolError - frame larger than"
                                     << true;
    QTest::newRow("oversized frame with its end")
        << send(QByteArray(1536 * 1024, 'a') + '\n', true) << "ProtocolError - frame larger than" << true;
    QTest::newRow("broken record deep in a large delivery")
        << send(bigPhonebook(3000, true), true) << "ProtocolError - event 'phonebook': [0].entries: [2999].lastModified"
        << true;
    auto part = [](int part, int parts, int index, const QString &source) {
        PhoneBook b;
        b.source = source;
        return CtiProtocol::encodeEvent(QStringLiteral("phonebookPart"),
                                        {{QStringLiteral("flags"), 1},
                                         {QStringLiteral("part"), part},
                                         {QStringLiteral("parts"), parts},
                                         {QStringLiteral("index"), index},
                                         {QStringLiteral("book"), CtiJson::toJson(b)}});
    };
    QTest::newRow("phone book part out of order")
        << send(part(0, 3, 0, QStringLiteral("velora")) + part(2, 3, 0, QStringLiteral("velora")), true)
        << "ProtocolError - phone book part out of order" << true;
    QTest::newRow("phone book part of another book")
        << send(part(0, 2, 0, QStringLiteral("velora")) + part(1, 2, 0, QStringLiteral("exten")), true)
        << "ProtocolError - phone book part does not continue its book" << true;
    QTest::newRow("phone book part beyond its count") << send(part(3, 2, 0, QStringLiteral("velora")), true)
                                                      << "ProtocolError - event 'phonebookPart': invalid" << true;
    QTest::newRow("voicemail audio not base64") << Script([](QSslSocket *s, qint64 id) {
        s->write(loginOk(id));
        s->write(CtiProtocol::encodeEvent(QStringLiteral("voicemailAudio"), {{QStringLiteral("id"), 5}}));
    }) << "ProtocolError - id: expected a string"
                                                << true;
    QTest::newRow("closed before the answer")
        << Script([](QSslSocket *s, qint64) { s->disconnectFromHost(); }) << "RemoteHostClosed" << false;
    QTest::newRow("no answer at all") << Script([](QSslSocket *, qint64) {}) << "ConnectTimeout" << false;
}

void TestCtiHostile::brokenPeer()
{
    QFETCH(Script, script);
    QFETCH(QString, reason);
    QFETCH(bool, loggedIn);
    HostileServer server;
    server.script = script;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    cti.init();
    cti.setMaxFrameSize(1024 * 1024);
    cti.setConnectTimeout(1500);
    cti.setServerAddress(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
    QSignalSpy logged(&cti, &CtiLib::loggedToServer);
    QSignalSpy gone(&cti, &CtiLib::disconnectedFromServer);
    QSignalSpy incoming(&cti, &CtiLib::sigIncomingCall);
    cti.connectToServer(QStringLiteral("demo"), QStringLiteral("demo"), QString(), 0);
    QVERIFY(waitCount(gone, 1));
    QVERIFY2(arg<QString>(gone, 0).startsWith(reason), qPrintable(arg<QString>(gone, 0)));
    QVERIFY(arg<QString>(gone, 0).size() <= 300);
    QCOMPARE(logged.count(), loggedIn ? 1 : 0);
    QVERIFY(incoming.isEmpty());
    QVERIFY(!cti.isConnected());
    QTest::qWait(50);
    QCOMPARE(gone.count(), 1);
}

// Service codes the client does not know (outside its enumeration, not a
// number) are left out; the known ones still arrive and the session stays up.
void TestCtiHostile::unknownServiceCodesSkipped()
{
    HostileServer server;
    server.script = [](QSslSocket *s, qint64 id) {
        s->write(loginOk(id));
        s->write(CtiProtocol::encodeEvent(
            QStringLiteral("servicesCodes"),
            {{QStringLiteral("codes"), QJsonObject{{QStringLiteral("9"), QStringLiteral("*8")},
                                                   {QStringLiteral("30"), QStringLiteral("*30")},
                                                   {QStringLiteral("0"), QStringLiteral("*0")},
                                                   {QStringLiteral("31"), QStringLiteral("*31")},
                                                   {QStringLiteral("99"), QStringLiteral("*99")},
                                                   {QStringLiteral("-1"), QStringLiteral("*")},
                                                   {QStringLiteral("2147483647"), QStringLiteral("*")},
                                                   {QStringLiteral("abc"), QStringLiteral("*")}}}}));
    };
    QVERIFY(server.listen(QHostAddress::LocalHost));
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    cti.init();
    cti.setServerAddress(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
    QSignalSpy codes(&cti, &CtiLib::sigServicesCodesReceived);
    QSignalSpy gone(&cti, &CtiLib::disconnectedFromServer);
    cti.connectToServer(QStringLiteral("demo"), QStringLiteral("demo"), QString(), 0);
    QVERIFY(waitCount(codes, 1));
    const ServicesDialCodesMap received = arg<ServicesDialCodesMap>(codes, 0);
    QCOMPARE(received.keys(), (QList<CTILIB::ServiceDialCodeType>{CTILIB::SdcPickup, CTILIB::SdcInCallDisconnect}));
    QCOMPARE(received.value(CTILIB::SdcPickup), QStringLiteral("*8"));
    QVERIFY(gone.isEmpty());
    QVERIFY(cti.isConnected());
}

void TestCtiHostile::hostileReasonIsSanitised()
{
    HostileServer server;
    server.script = [](QSslSocket *s, qint64 id) {
        s->write(
            CtiProtocol::encodeResponse(id, false, {}, QStringLiteral("AuthFailed\x1b[2J\n") + QString(5000, 'x')));
    };
    QVERIFY(server.listen(QHostAddress::LocalHost));
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    cti.setServerAddress(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
    QSignalSpy gone(&cti, &CtiLib::disconnectedFromServer);
    cti.connectToServer(QStringLiteral("demo"), QStringLiteral("x"), QString(), 0);
    QVERIFY(waitCount(gone, 1));
    const QString reason = arg<QString>(gone, 0);
    QCOMPARE(reason.size(), CtiProtocol::MaxReasonLength);
    QVERIFY(reason.startsWith(QLatin1String("AuthFailed [2J ")));
    for (const QChar c : reason)
        QVERIFY(c.category() != QChar::Other_Control);
}

// A delivery decoded on the worker thread is not overtaken by the small
// events that follow it.
void TestCtiHostile::largeDeliveryKeepsOrder()
{
    HostileServer server;
    server.script = [](QSslSocket *s, qint64 id) {
        s->write(loginOk(id));
        s->write(bigPhonebook(20000, false));
        s->write(CtiProtocol::encodeEvent(QStringLiteral("mobileNumber"),
                                          {{QStringLiteral("number"), QStringLiteral("1")}}));
        s->write(bigPhonebook(10, false));
        s->write(CtiProtocol::encodeEvent(QStringLiteral("mobileNumber"),
                                          {{QStringLiteral("number"), QStringLiteral("2")}}));
    };
    QVERIFY(server.listen(QHostAddress::LocalHost));
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    cti.setServerAddress(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
    QStringList order;
    connect(&cti, &CtiLib::sigPhonebookChanged, this, [&](const PhoneBookList &l, CTILIB::PhonebookTypeFlags) {
        QVERIFY(QThread::currentThread() == qApp->thread());
        order << QStringLiteral("book%1").arg(l.first().entries.size());
    });
    connect(&cti, &CtiLib::sigExtenMobileNumberRcvd, this,
            [&](const QString &n) { order << QStringLiteral("mobile") + n; });
    cti.connectToServer(QStringLiteral("demo"), QStringLiteral("demo"), QString(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), 4, 10000);
    QCOMPARE(order, (QStringList{"book20000", "mobile1", "book10", "mobile2"}));
}

// The downloaded audio is named from the message id, cut down to
// [A-Za-z0-9._-] without a leading dot, inside the directory asked for.
void TestCtiHostile::voicemailFileStaysInItsDirectory_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("plain") << "17"
                           << "17.wav";
    QTest::newRow("parent directories") << "../../../tmp/evil"
                                        << "tmpevil.wav";
    QTest::newRow("absolute path") << "/etc/passwd"
                                   << "etcpasswd.wav";
    QTest::newRow("hidden file") << ".bashrc"
                                 << "bashrc.wav";
    QTest::newRow("non-ASCII letters and digits") << QStringLiteral("\u00e8\u0663x\u00e9-1") << "x-1.wav";
    QTest::newRow("nothing usable") << "\\:*?"
                                    << "file.wav";
}

void TestCtiHostile::voicemailFileStaysInItsDirectory()
{
    QFETCH(QString, id);
    QFETCH(QString, fileName);
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("row"));
    HostileServer server;
    server.script = [id](QSslSocket *s, qint64 loginId) {
        s->write(loginOk(loginId));
        QTimer::singleShot(300, s, [s, id] {
            s->write(CtiProtocol::encodeEvent(QStringLiteral("voicemailAudio"),
                                              {{QStringLiteral("id"), id},
                                               {QStringLiteral("uuid"), QStringLiteral("u")},
                                               {QStringLiteral("data"), QStringLiteral("UklGRg==")}}));
        });
    };
    QVERIFY(server.listen(QHostAddress::LocalHost));
    CtiLib cti{QString(), QString(), QString(), QString(), QString(), QString()};
    cti.init();
    cti.setServerAddress(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
    QObject::connect(&cti, &CtiLib::loggedToServer, &cti,
                     [&] { cti.downloadVoicemailMessage(id, QStringLiteral("u"), dir); });
    QSignalSpy done(&cti, &CtiLib::sigVoicemailDownloadCompleted);
    cti.connectToServer(QStringLiteral("demo"), QStringLiteral("demo"), QString(), 0);
    QVERIFY(waitCount(done, 1));
    const QString path = arg<QString>(done, 0, 2);
    QCOMPARE(path, QDir(dir).filePath(fileName));
    QVERIFY(QFile::exists(path));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"row"});
}

DESKLINE_TEST_MAIN(TestCtiHostile)
#include "tst_ctihostile.moc"
