// Framing, envelopes and the library's text helpers.
#include "ctilib.h"
#include "ctiprotocol.h"

#include "testmain.h"

#include <QBuffer>

using CtiProtocol::FrameReader;
using CtiProtocol::Message;

class TestCtiProtocol : public QObject
{
    Q_OBJECT
private slots:
    void framesSplitAnywhere();
    void framesReadFromDevice();
    void frameBound_data();
    void frameBound();
    void envelopeErrors_data();
    void envelopeErrors();
    void envelopesRoundTrip();
    void duplicateKeys_data();
    void duplicateKeys();
    void sanitizeText();
    void numAnonymizer_data();
    void numAnonymizer();
    void ipPort_data();
    void ipPort();
    void nameNumFromUri_data();
    void nameNumFromUri();
    void enumTexts();
};

void TestCtiProtocol::framesSplitAnywhere()
{
    const QByteArray stream = "{\"a\":1}\n\r\n{\"b\":2}\r\n\n{\"c\":3}\n";
    // Byte by byte: the frames come out whole, empty lines are skipped and a
    // trailing carriage return is dropped.
    FrameReader r(100);
    QList<QByteArray> frames;
    for (char c : stream) {
        QVERIFY(r.append(QByteArray(1, c)));
        QByteArray f;
        while (r.next(&f))
            frames << f;
    }
    QCOMPARE(frames, (QList<QByteArray>{"{\"a\":1}", "{\"b\":2}", "{\"c\":3}"}));
    QCOMPARE(r.pending(), qint64(0));
}

void TestCtiProtocol::framesReadFromDevice()
{
    // A large frame read in pieces straight from a device, a small one and
    // the start of a third behind it in the same read: each comes out whole,
    // and the start of the third waits for its end.
    const QByteArray large = "{\"big\":\"" + QByteArray(200 * 1024, 'x') + "\"}";
    const QByteArray stream = large + "\n{\"a\":1}\n{\"b\":";
    QBuffer device;
    device.setData(stream);
    QVERIFY(device.open(QIODevice::ReadOnly));
    FrameReader r(1024 * 1024);
    QList<QByteArray> frames;
    QByteArray f;
    QByteArray piece;
    while (!device.atEnd()) {
        // At most 64 KiB a read, as a socket delivers what it has.
        QBuffer chunk;
        piece = device.read(64 * 1024);
        chunk.setData(piece);
        QVERIFY(chunk.open(QIODevice::ReadOnly));
        QVERIFY(r.readFrom(&chunk));
        while (r.next(&f))
            frames << f;
    }
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0), large);
    QCOMPARE(frames.at(1), QByteArray("{\"a\":1}"));
    QCOMPARE(r.pending(), qint64(5));
    QVERIFY(r.append("2}\n"));
    QVERIFY(r.next(&f));
    QCOMPARE(f, QByteArray("{\"b\":2}"));
    QVERIFY(!r.next(&f));
    QCOMPARE(r.pending(), qint64(0));

    // A device holding more than the bound without a line end is refused.
    QBuffer tooLong;
    tooLong.setData(QByteArray(300, 'y'));
    QVERIFY(tooLong.open(QIODevice::ReadOnly));
    FrameReader bounded(256);
    QVERIFY(!bounded.readFrom(&tooLong));
    QVERIFY(bounded.error().contains(QLatin1String("larger than 256")));
}

void TestCtiProtocol::frameBound_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("ok");
    QTest::newRow("exactly the bound") << QByteArray(16, 'x') + '\n' << true;
    QTest::newRow("one byte over, complete") << QByteArray(17, 'x') + '\n' << false;
    QTest::newRow("over the bound without a line end") << QByteArray(17, 'x') << false;
    QTest::newRow("second frame over") << QByteArray("{}\n") + QByteArray(40, 'y') << false;
}

void TestCtiProtocol::frameBound()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, ok);
    FrameReader r(16);
    bool good = r.append(data);
    QByteArray f;
    while (good && r.next(&f)) {
    }
    good = good && !r.failed();
    QCOMPARE(good, ok);
    if (!ok)
        QVERIFY(r.error().contains(QLatin1String("larger than 16")));
}

void TestCtiProtocol::envelopeErrors_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("not JSON") << QByteArray("hello");
    QTest::newRow("truncated") << QByteArray("{\"v\":1,\"t\":\"evt\"");
    QTest::newRow("array") << QByteArray("[1,2,3]");
    QTest::newRow("no version") << QByteArray(R"({"t":"evt","evt":"x"})");
    QTest::newRow("other version") << QByteArray(R"({"v":2,"t":"evt","evt":"x"})");
    QTest::newRow("unknown type") << QByteArray(R"({"v":1,"t":"push","evt":"x"})");
    QTest::newRow("event without name") << QByteArray(R"({"v":1,"t":"evt"})");
    QTest::newRow("event name too long") << QByteArray(R"({"v":1,"t":"evt","evt":")") + QByteArray(65, 'a') + "\"}";
    QTest::newRow("data not an object") << QByteArray(R"({"v":1,"t":"evt","evt":"x","data":[1]})");
    QTest::newRow("response without outcome") << QByteArray(R"({"v":1,"t":"resp","id":1})");
    QTest::newRow("negative id") << QByteArray(R"({"v":1,"t":"resp","id":-1,"ok":true})");
    QTest::newRow("fractional id") << QByteArray(R"({"v":1,"t":"req","id":1.5,"cmd":"x"})");
}

void TestCtiProtocol::envelopeErrors()
{
    QFETCH(QByteArray, frame);
    Message m;
    QString error;
    QVERIFY(!CtiProtocol::parseMessage(frame, &m, &error));
    QVERIFY(!error.isEmpty());
}

void TestCtiProtocol::duplicateKeys_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("duplicate");
    QTest::newRow("distinct keys") << QByteArray(R"({"a":1,"b":{"a":2},"c":[{"a":3},{"a":4}]})") << false;
    QTest::newRow("key text as a value") << QByteArray(R"({"a":"a","b":["a","a"],"c":"\"a\""})") << false;
    QTest::newRow("top level") << QByteArray(R"({"a":1,"a":2})") << true;
    QTest::newRow("nested object") << QByteArray(R"({"x":{"k":"1","y":true,"k":[1,2,3]}})") << true;
    QTest::newRow("object inside an array") << QByteArray(R"({"x":[1,{"p":{},"q":0,"p":null}]})") << true;
    QTest::newRow("escaped spelling") << QByteArray(R"({"ab":1,"\u0061b":2})") << true;
    QTest::newRow("escaped quote in a key") << QByteArray(R"({"a\"b":1,"a\u0022b":2})") << true;
    QTest::newRow("blanks around") << QByteArray("{ \"a\" : 1 ,\n \"a\" : 2 }") << true;
}

// A frame with a key twice is refused before it is decoded, wherever the key
// sits; equal keys in different objects are fine.
void TestCtiProtocol::duplicateKeys()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, duplicate);
    QCOMPARE(CtiProtocol::hasDuplicateKey(data), duplicate);
    const QByteArray frame = R"({"v":1,"t":"evt","evt":"x","data":)" + data + "}";
    Message m;
    QString error;
    QCOMPARE(CtiProtocol::parseMessage(frame, &m, &error), !duplicate);
    if (duplicate)
        QCOMPARE(error, QString("duplicate key in a JSON object"));
    // The envelope's own keys count too.
    QVERIFY(!CtiProtocol::parseMessage(R"({"v":1,"t":"evt","evt":"x","evt":"y"})", &m, &error));
}

void TestCtiProtocol::envelopesRoundTrip()
{
    Message m;
    QString error;
    QByteArray f = CtiProtocol::encodeRequest(42, QStringLiteral("getCdr"), {{QStringLiteral("force"), true}});
    QVERIFY(f.endsWith('\n') && f.count('\n') == 1);
    QVERIFY(CtiProtocol::parseMessage(f.trimmed(), &m, &error));
    QCOMPARE(int(m.type), int(Message::Request));
    QCOMPARE(m.id, qint64(42));
    QCOMPARE(m.name, QStringLiteral("getCdr"));
    QCOMPARE(m.body.value(QStringLiteral("force")).toBool(), true);

    f = CtiProtocol::encodeResponse(7, false, {}, QStringLiteral("AuthFailed"));
    QVERIFY(CtiProtocol::parseMessage(f.trimmed(), &m, &error));
    QCOMPARE(int(m.type), int(Message::Response));
    QVERIFY(!m.ok);
    QCOMPARE(m.error, QStringLiteral("AuthFailed"));

    // Text with line ends stays on one line.
    f = CtiProtocol::encodeEvent(QStringLiteral("chatMessage"), {{QStringLiteral("body"), QStringLiteral("a\nb")}});
    QCOMPARE(f.count('\n'), 1);
    QVERIFY(CtiProtocol::parseMessage(f.trimmed(), &m, &error));
    QCOMPARE(m.body.value(QStringLiteral("body")).toString(), QStringLiteral("a\nb"));
}

void TestCtiProtocol::sanitizeText()
{
    QCOMPARE(CtiProtocol::sanitizeText(QStringLiteral("a\nb\tc\x1b[31m")), QStringLiteral("a b c [31m"));
    QCOMPARE(CtiProtocol::sanitizeText(QString(1000, QLatin1Char('x'))).size(), CtiProtocol::MaxReasonLength);
}

void TestCtiProtocol::numAnonymizer_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("masked");
    QTest::newRow("international") << "+390212345678"
                                   << "+xxxxxxxxx678";
    QTest::newRow("with blanks") << "+39 02 1234 567"
                                 << "+xx xx xxxx 567";
    QTest::newRow("extension of three") << "201"
                                        << "201";
    QTest::newRow("four digits") << "2015"
                                 << "x015";
    QTest::newRow("two digits") << "12"
                                << "12";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("service code") << "*8201"
                                  << "*x201";
}

void TestCtiProtocol::numAnonymizer()
{
    QFETCH(QString, number);
    QFETCH(QString, masked);
    QCOMPARE(CtiLib::numAnonymizer(number), masked);
}

void TestCtiProtocol::ipPort_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("name") << "pbx.example.com"
                          << "pbx.example.com" << 0;
    QTest::newRow("name and port") << "pbx.example.com:5443"
                                   << "pbx.example.com" << 5443;
    QTest::newRow("ipv4 and port") << " 10.0.0.1:6000 "
                                   << "10.0.0.1" << 6000;
    QTest::newRow("bad port") << "10.0.0.1:99999"
                              << "10.0.0.1" << 0;
    QTest::newRow("ipv6 bracketed") << "[fe80::1]:5443"
                                    << "fe80::1" << 5443;
    QTest::newRow("ipv6 bare") << "fe80::1"
                               << "fe80::1" << 0;
    QTest::newRow("empty") << ""
                           << "" << 0;
}

void TestCtiProtocol::ipPort()
{
    QFETCH(QString, address);
    QFETCH(QString, host);
    QFETCH(int, port);
    quint16 p = 1;
    QCOMPARE(CTILIB::getIpPort(address, &p), host);
    QCOMPARE(int(p), port);
    QCOMPARE(CTILIB::getIpPort(address), host);
}

void TestCtiProtocol::nameNumFromUri_data()
{
    QTest::addColumn<QString>("uri");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::newRow("quoted name") << "\"Mario Rossi\" <sip:201@pbx.local>"
                                 << "Mario Rossi"
                                 << "201";
    QTest::newRow("bare name") << "Mario <sip:+3902123@pbx;transport=udp>"
                               << "Mario"
                               << "+3902123";
    QTest::newRow("no name") << "<sip:201@pbx>"
                             << ""
                             << "201";
    QTest::newRow("plain uri") << "sips:202@pbx:5061"
                               << ""
                               << "202";
    QTest::newRow("tel") << "tel:+39021234"
                         << ""
                         << "+39021234";
    QTest::newRow("number") << "203"
                            << ""
                            << "203";
    // A SIP peer's display name is cut and cleaned like the PBX's names.
    QTest::newRow("display name turned around")
        << QString("\"") + QChar(0x202e) + "Mario" + QChar(0) + " Verdi\" <sip:0612@pbx>"
        << "Mario Verdi"
        << "0612";
    QTest::newRow("display name too long")
        << QString("\"") + QString(5000, 'M') + "\" <sip:0612@pbx>" << QString(128, 'M') << "0612";
}

void TestCtiProtocol::nameNumFromUri()
{
    QFETCH(QString, uri);
    QFETCH(QString, name);
    QFETCH(QString, number);
    const auto pair = CTILIB::getNameNumPairFromUri(uri);
    QCOMPARE(pair.first, name);
    QCOMPARE(pair.second, number);
}

void TestCtiProtocol::enumTexts()
{
    for (int p = 0; p <= 9; ++p)
        QCOMPARE(int(CTILIB::periodTypeFromString(CTILIB::periodTypeToString(p))), p);
    QCOMPARE(int(CTILIB::periodTypeFromString(QStringLiteral("fortnight"))), -1);
    QCOMPARE(CTILIB::periodTypeToString(1), QStringLiteral("today"));
    for (int p = 0; p <= 5; ++p)
        QCOMPARE(int(CTILIB::chatPresenceFromString(CTILIB::chatPresenceToString(p))), p);
    QCOMPARE(int(CTILIB::chatPresenceFromString(QStringLiteral("dancing"))), -1);
    QCOMPARE(CTILIB::blfStatusToString(CTILIB::BlfRinging), QStringLiteral("ringing"));
    QCOMPARE(CTILIB::blfStatusToString(12), QStringLiteral("offline"));
    QCOMPARE(CTILIB::appModeToString(2), QStringLiteral("SOFTPHONE"));
    QCOMPARE(CTILIB::dtmfModeToString(CTILIB::DtmfModeRfc2833), QStringLiteral("rfc2833"));
}

DESKLINE_TEST_MAIN(TestCtiProtocol)
#include "tst_ctiprotocol.moc"
