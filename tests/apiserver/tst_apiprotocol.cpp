// The rules of the local API protocol without a server: reading a request,
// authentication, which command wins, the reply bytes, what reaches the log,
// when a request is complete and how failed checks are spaced out.
#include "apiserver/apiprotocol.h"
#include "calls/mcticalldetails.h"
#include "queues/queuestatus.h"
#include "testmain.h"

#include <QCryptographicHash>
#include <QXmlStreamReader>

using namespace ApiProtocol;

Q_DECLARE_METATYPE(ApiProtocol::Request::Outcome)
Q_DECLARE_METATYPE(ApiProtocol::Command::Kind)
Q_DECLARE_METATYPE(ApiProtocol::RequestBuffer::State)

namespace
{

const QString kUser = QStringLiteral("demo");

QString md5Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// A POST carrying `inner` after the credentials of the demo user.
QString post(const QString &inner, const QString &user = kUser, const QString &digest = md5Hex("demo"))
{
    return QStringLiteral("POST / HTTP/1.1\r\nHost: 127.0.0.1:5039\r\n\r\n<mpbx_request><username>%1</username>"
                          "<pwd_md5>%2</pwd_md5>%3</mpbx_request>")
        .arg(user, digest, inner);
}

bool isWellFormed(const QByteArray &xml)
{
    QXmlStreamReader r(xml);
    while (!r.atEnd())
        r.readNext();
    return !r.hasError();
}

} // namespace

class TestApiProtocol : public QObject
{
    Q_OBJECT

private slots:
    void parseRequest_data();
    void parseRequest();
    void replyNameIsAPlainXmlName_data();
    void replyNameIsAPlainXmlName();
    void passwordDigest_data();
    void passwordDigest();
    void digestComparison_data();
    void digestComparison();
    void emptyAccountAdmitsNobody();
    void replyBytes_data();
    void replyBytes();
    void activeCallDataIsEscaped();
    void queuedCallsData_data();
    void queuedCallsData();
    void logMasksDigestAndNumbers_data();
    void logMasksDigestAndNumbers();
    void requestBuffer_data();
    void requestBuffer();
    void requestBufferManySmallPieces();
    void requestText();
};

void TestApiProtocol::parseRequest_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Request::Outcome>("outcome");
    QTest::addColumn<QString>("replyName");
    QTest::addColumn<Command::Kind>("kind");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("on");

    const QString digest = md5Hex("demo");
    QTest::newRow("click2call") << post("<click2call><number_to_call>123</number_to_call></click2call>")
                                << Request::Authenticated << "click2call" << Command::MakeCall << "123" << false;
    QTest::newRow("click2call without number") << post("<click2call>x</click2call>") << Request::Authenticated
                                               << "click2call" << Command::MakeCall << "" << false;
    QTest::newRow("pauseQueues keeps the request's name")
        << post("<pauseQueues><paused>1</paused></pauseQueues>") << Request::Authenticated << "username"
        << Command::PauseQueues << "" << true;
    QTest::newRow("pauseQueues 0") << post("<pauseQueues><paused>0</paused></pauseQueues>") << Request::Authenticated
                                   << "username" << Command::PauseQueues << "" << false;
    QTest::newRow("pauseQueues unparsable is 0")
        << post("<pauseQueues><paused>yes</paused></pauseQueues>") << Request::Authenticated << "username"
        << Command::PauseQueues << "" << false;
    QTest::newRow("pauseQueues negative is 0")
        << post("<pauseQueues><paused>-1</paused></pauseQueues>") << Request::Authenticated << "username"
        << Command::PauseQueues << "" << false;
    QTest::newRow("setDND on") << post("<setDND><DND>7</DND></setDND>") << Request::Authenticated << "username"
                               << Command::SetDnd << "" << true;
    QTest::newRow("setDND off") << post("<setDND><DND>0</DND></setDND>") << Request::Authenticated << "username"
                                << Command::SetDnd << "" << false;
    QTest::newRow("hangupcall") << post("<hangupcall>1</hangupcall>") << Request::Authenticated << "hangupcall"
                                << Command::Hangup << "" << false;
    QTest::newRow("triggerRecCall") << post("<triggerRecCall>1</triggerRecCall>") << Request::Authenticated
                                    << "triggerRecCall" << Command::TriggerRecording << "" << false;
    QTest::newRow("transfercall") << post("<transfercall><xferTo>204</xferTo></transfercall>") << Request::Authenticated
                                  << "transfercall" << Command::BlindTransfer << "204" << false;
    QTest::newRow("attendedTransferCall")
        << post("<attendedTransferCall><xferTo>205</xferTo></attendedTransferCall>") << Request::Authenticated
        << "attendedTransferCall" << Command::AttendedTransfer << "205" << false;
    QTest::newRow("activeCallInfo") << post("<activeCallInfo>1</activeCallInfo>") << Request::Authenticated
                                    << "activeCallInfo" << Command::ActiveCallInfo << "" << false;
    QTest::newRow("queuedCallsInfo") << post("<queuedCallsInfo><queue_name>600</queue_name></queuedCallsInfo>")
                                     << Request::Authenticated << "queuedCallsInfo" << Command::QueuedCallsInfo << "600"
                                     << false;
    // Table order decides, not document order.
    QTest::newRow("click2call beats an earlier hangupcall")
        << post("<hangupcall>1</hangupcall><click2call><number_to_call>9</number_to_call></click2call>")
        << Request::Authenticated << "click2call" << Command::MakeCall << "9" << false;
    QTest::newRow("pauseQueues beats setDND")
        << post("<setDND><DND>1</DND></setDND><pauseQueues><paused>1</paused></pauseQueues>") << Request::Authenticated
        << "username" << Command::PauseQueues << "" << true;
    QTest::newRow("empty command is skipped")
        << post("<hangupcall></hangupcall><activeCallInfo>1</activeCallInfo>") << Request::Authenticated
        << "activeCallInfo" << Command::ActiveCallInfo << "" << false;
    QTest::newRow("empty element is no command")
        << post("<hangupcall></hangupcall>") << Request::Authenticated << "error" << Command::None << "" << false;
    QTest::newRow("self-closing element is no command")
        << post("<hangupcall/>") << Request::Authenticated << "error" << Command::None << "" << false;
    QTest::newRow("unknown command") << post("<reboot>1</reboot>") << Request::Authenticated << "error" << Command::None
                                     << "" << false;
    QTest::newRow("no command") << post(QString()) << Request::Authenticated << "error" << Command::None << "" << false;
    // Values are decoded once.
    QTest::newRow("entities decoded once")
        << post("<click2call><number_to_call>1&amp;lt;2</number_to_call></click2call>") << Request::Authenticated
        << "click2call" << Command::MakeCall << "1&lt;2" << false;

    QTest::newRow("wrong user") << post("<hangupcall>1</hangupcall>", "luca") << Request::NotAuthenticated << "username"
                                << Command::None << "" << false;
    QTest::newRow("user case matters") << post("<hangupcall>1</hangupcall>", "Demo") << Request::NotAuthenticated
                                       << "username" << Command::None << "" << false;
    QTest::newRow("wrong digest") << post("<hangupcall>1</hangupcall>", kUser, md5Hex("demo2"))
                                  << Request::NotAuthenticated << "username" << Command::None << "" << false;
    QTest::newRow("upper-case digest") << post("<hangupcall>1</hangupcall>", kUser, digest.toUpper())
                                       << Request::NotAuthenticated << "username" << Command::None << "" << false;
    QTest::newRow("no digest") << QStringLiteral(
                                      "POST /\n\n<mpbx_request><username>demo</username><hangupcall>1</hangupcall>"
                                      "</mpbx_request>")
                               << Request::NotAuthenticated << "username" << Command::None << "" << false;
    QTest::newRow("unterminated request")
        << QStringLiteral("POST /\n\n<mpbx_request><username>demo</username><pwd_md5>%1</pwd_md5>").arg(digest)
        << Request::NotAuthenticated << "error" << Command::None << "" << false;

    QTest::newRow("GET") << QStringLiteral("GET / HTTP/1.1\r\n\r\n<mpbx_request></mpbx_request>") << Request::NotPost
                         << "" << Command::None << "" << false;
    QTest::newRow("lower-case post") << QStringLiteral("post /\n\n<mpbx_request></mpbx_request>") << Request::NotPost
                                     << "" << Command::None << "" << false;
    QTest::newRow("POST without request element")
        << QStringLiteral("POST / HTTP/1.1\r\n\r\n<request><username>demo</username></request>")
        << Request::NoRequestElement << "" << Command::None << "" << false;
}

void TestApiProtocol::parseRequest()
{
    QFETCH(QString, text);
    QFETCH(Request::Outcome, outcome);
    QFETCH(QString, replyName);
    QFETCH(Command::Kind, kind);
    QFETCH(QString, argument);
    QFETCH(bool, on);

    const Request r = ApiProtocol::parseRequest(text, kUser, ApiProtocol::passwordDigest(QStringLiteral("demo")));
    QCOMPARE(r.outcome, outcome);
    QCOMPARE(r.replyName, replyName);
    QCOMPARE(r.command.kind, kind);
    QCOMPARE(r.command.argument, argument);
    QCOMPARE(r.command.on, on);
}

void TestApiProtocol::replyNameIsAPlainXmlName_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("username first") << "<username>demo</username>"
                                    << "username";
    QTest::newRow("other first element") << "<pwd_md5>x</pwd_md5><username>demo</username>"
                                         << "pwd_md5";
    QTest::newRow("no tag") << "just text"
                            << "error";
    QTest::newRow("attribute") << "<username a=\"1\">demo</username>"
                               << "error";
    QTest::newRow("markup in the name") << "<x><script>alert(1)</script>"
                                        << "x";
    QTest::newRow("quote in the name") << "<a\"b>"
                                       << "error";
    QTest::newRow("slash") << "</username>"
                           << "error";
    QTest::newRow("comment") << "<!-- hi -->"
                             << "error";
    QTest::newRow("digit first") << "<1abc>"
                                 << "error";
    QTest::newRow("non-ASCII") << "<nomè>"
                               << "error";
    QTest::newRow("too long") << QStringLiteral("<%1>").arg(QString(200, QLatin1Char('a'))) << "error";
}

void TestApiProtocol::replyNameIsAPlainXmlName()
{
    QFETCH(QString, content);
    QFETCH(QString, name);
    QCOMPARE(replyNameOf(content), name);
    // Whatever the request holds, the reply stays well-formed XML.
    const QByteArray bytes = reply(replyNameOf(content), 10, QString(), QString());
    QVERIFY(isWellFormed(bytes.mid(bytes.indexOf("<?xml"))));
}

void TestApiProtocol::passwordDigest_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("digest");
    QTest::newRow("ASCII") << "demo" << md5Hex("demo");
    QTest::newRow("empty") << "" << md5Hex("");
    QTest::newRow("Latin-1 over its Latin-1 bytes") << "perché" << md5Hex(QByteArray("perch\xe9"));
    QTest::newRow("beyond Latin-1 over UTF-8") << "пароль€" << md5Hex(QStringLiteral("пароль€").toUtf8());
}

void TestApiProtocol::passwordDigest()
{
    QFETCH(QString, password);
    QFETCH(QString, digest);
    QCOMPARE(ApiProtocol::passwordDigest(password), digest);
    QCOMPARE(ApiProtocol::passwordDigest(password), digest.toLower());
}

void TestApiProtocol::digestComparison_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("match");
    QTest::newRow("same") << "demo" << md5Hex("demo") << true;
    QTest::newRow("upper case") << "demo" << md5Hex("demo").toUpper() << false;
    QTest::newRow("prefix") << "demo" << md5Hex("demo").left(31) << false;
    QTest::newRow("longer") << "demo" << md5Hex("demo") + "0" << false;
    QTest::newRow("empty") << "demo"
                           << "" << false;
    // Characters without a Latin-1 form once all became "?": a password of
    // question marks of the same length must not open an account.
    QTest::newRow("question marks for a non-Latin-1 password") << "пароль" << md5Hex("??????") << false;
    QTest::newRow("non-Latin-1 password") << "пароль" << md5Hex(QStringLiteral("пароль").toUtf8()) << true;
}

void TestApiProtocol::digestComparison()
{
    QFETCH(QString, password);
    QFETCH(QString, given);
    QFETCH(bool, match);
    QCOMPARE(sameDigest(given, ApiProtocol::passwordDigest(password)), match);
}

void TestApiProtocol::emptyAccountAdmitsNobody()
{
    const QString text = post("<hangupcall>1</hangupcall>", QString(), md5Hex(""));
    QCOMPARE(ApiProtocol::parseRequest(text, QString(), ApiProtocol::passwordDigest(QString())).outcome,
             Request::NotAuthenticated);
}

void TestApiProtocol::replyBytes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray head("HTTP/1.1 200 OK\nAccess-Control-Allow-Origin: *\n\n<?xml version=\"1.0\"?>");
    QTest::newRow("success") << "click2call" << 0 << ""
                             << ""
                             << head + "<mpbx_response><click2call><error_code><code>0</code><message>Success"
                                       "</message></error_code></click2call></mpbx_response>\n";
    QTest::newRow("authentication") << "username" << 10 << ""
                                    << ""
                                    << head + "<mpbx_response><username><error_code><code>10</code><message>"
                                              "Error - Authentication failed</message></error_code></username>"
                                              "</mpbx_response>\n";
    QTest::newRow("unknown") << "error" << 12 << ""
                             << ""
                             << head + "<mpbx_response><error><error_code><code>12</code><message>Unknown command"
                                       "</message></error_code></error></mpbx_response>\n";
    QTest::newRow("nothing found") << "activeCallInfo" << 1 << "No active calls"
                                   << ""
                                   << head + "<mpbx_response><activeCallInfo><error_code><code>1</code><message>"
                                             "No active calls</message></error_code></activeCallInfo>"
                                             "</mpbx_response>\n";
    QTest::newRow("data") << "queuedCallsInfo" << 0 << ""
                          << "<queued_calls>2</queued_calls>"
                          << head + "<mpbx_response><queuedCallsInfo><error_code><code>0</code><message>Success"
                                    "</message></error_code><data><queued_calls>2</queued_calls></data>"
                                    "</queuedCallsInfo></mpbx_response>\n";
    QTest::newRow("message escaped") << "x" << 1 << "a<b"
                                     << ""
                                     << head + "<mpbx_response><x><error_code><code>1</code><message>a&lt;b"
                                               "</message></error_code></x></mpbx_response>\n";
    QTest::newRow("unsafe name") << "a b" << 12 << ""
                                 << ""
                                 << head + "<mpbx_response><error><error_code><code>12</code><message>"
                                           "Unknown command</message></error_code></error></mpbx_response>\n";
}

void TestApiProtocol::replyBytes()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QString, data);
    QFETCH(QByteArray, bytes);
    QCOMPARE(reply(name, code, message, data), bytes);
    QCOMPARE(notFoundReply(), QByteArray("HTTP/1.1 404 Not Found\n"));
}

void TestApiProtocol::activeCallDataIsEscaped()
{
    MctiCallDetails call;
    call.uid = QStringLiteral("1702.7");
    call.remoteNum = QStringLiteral("+39 02 1234 %1");
    call.remoteName = QStringLiteral("</remote_name><is_answered>1</is_answered><x a='\"'>&") + QChar(0x01) +
                      QChar(0xFFFE) + QChar(0xD800); // none of them can travel in XML
    call.calledNum = QStringLiteral("201");
    call.lineId = 7;
    const QString data = activeCallData(call);
    QCOMPARE(data, QStringLiteral("<uid>1702.7</uid><remote_num>+39 02 1234 %1</remote_num><remote_name>"
                                  "&lt;/remote_name&gt;&lt;is_answered&gt;1&lt;/is_answered&gt;&lt;x a=&apos;"
                                  "&quot;&apos;&gt;&amp;</remote_name><called_num>201</called_num>"
                                  "<is_answered>0</is_answered>"));
    const QByteArray bytes = reply(QStringLiteral("activeCallInfo"), 0, QString(), data);
    QVERIFY(isWellFormed(bytes.mid(bytes.indexOf("<?xml"))));

    call.answered = true;
    call.remoteName = QString::fromUtf8("Ada \xf0\x9f\x93\x9e"); // outside the BMP: kept whole
    QVERIFY(activeCallData(call).contains(QString::fromUtf8("<remote_name>Ada \xf0\x9f\x93\x9e</remote_name>")));
    QVERIFY(activeCallData(call).endsWith(QStringLiteral("<is_answered>1</is_answered>")));
}

void TestApiProtocol::queuedCallsData_data()
{
    QTest::addColumn<uint>("waiting");
    QTest::addColumn<QDateTime>("oldest");
    QTest::addColumn<QString>("data");
    QTest::newRow("waiting") << 3u << QDateTime(QDate(2026, 12, 10), QTime(9, 5, 7))
                             << "<queued_calls>3</queued_calls><oldest_arrival>2026-12-10 09:05:07</oldest_arrival>";
    QTest::newRow("none waiting") << 0u << QDateTime()
                                  << "<queued_calls>0</queued_calls><oldest_arrival></oldest_arrival>";
}

void TestApiProtocol::queuedCallsData()
{
    QFETCH(uint, waiting);
    QFETCH(QDateTime, oldest);
    QFETCH(QString, data);
    QueueStatus q;
    q.id = QStringLiteral("600");
    q.waitingCount = waiting;
    q.oldestCallTime = oldest;
    QCOMPARE(ApiProtocol::queuedCallsData(q), data);
}

void TestApiProtocol::logMasksDigestAndNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("secret");

    const QString digest = md5Hex("demo");
    QTest::newRow("digest element") << post("<click2call><number_to_call>0212345678</number_to_call></click2call>")
                                    << digest;
    QTest::newRow("upper-case element") << QStringLiteral("POST\n\n<mpbx_request><PWD_MD5>%1</PWD_MD5>").arg(digest)
                                        << digest;
    QTest::newRow("unterminated digest") << QStringLiteral("POST\n\n<mpbx_request><pwd_md5>deadbeef") << "deadbeef";
    QTest::newRow("digest elsewhere") << QStringLiteral("POST /?k=%1\n\n").arg(digest.toUpper()) << digest.toUpper();
    QTest::newRow("number to call") << post("<click2call><number_to_call>0212345678</number_to_call></click2call>")
                                    << "0212345678";
    QTest::newRow("transfer target") << post("<transfercall><xferTo>3351234567</xferTo></transfercall>")
                                     << "3351234567";
}

void TestApiProtocol::logMasksDigestAndNumbers()
{
    QFETCH(QString, text);
    QFETCH(QString, secret);
    const QString logged = maskedForLog(text);
    QVERIFY2(!logged.contains(secret), qPrintable(logged));
    QVERIFY(logged.startsWith(QLatin1String("POST")));
    // Long requests are cut.
    QVERIFY(maskedForLog(text + QString(10000, QLatin1Char('z'))).size() < 4200);
}

void TestApiProtocol::requestBuffer_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<int>>("states"); // state after each piece
    QTest::addColumn<QByteArray>("kept");

    const int I = RequestBuffer::Incomplete;
    const int C = RequestBuffer::Complete;
    const int T = RequestBuffer::TooLarge;
    const QByteArray body("<mpbx_request><username>demo</username></mpbx_request>");
    const QByteArray header =
        "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";

    QTest::newRow("one piece") << QList<QByteArray>{header + body} << QList<int>{C} << header + body;
    QTest::newRow("header, then body") << QList<QByteArray>{header, body} << QList<int>{I, C} << header + body;
    QTest::newRow("split inside the end tag")
        << QList<QByteArray>{header + body.left(body.size() - 5), body.right(5)} << QList<int>{I, C} << header + body;
    QTest::newRow("without header, whole")
        << QList<QByteArray>{"POST <mpbx_request><username>demo</username></mpbx_request>"} << QList<int>{C}
        << QByteArray("POST <mpbx_request><username>demo</username></mpbx_request>");
    // Without a header nothing says more is coming: what came is answered.
    QTest::newRow("without header, unterminated")
        << QList<QByteArray>{"POST <mpbx_request><username>", "demo</username></mpbx_request>"} << QList<int>{C, C}
        << QByteArray("POST <mpbx_request><username>");
    QTest::newRow("without header, start tag split") << QList<QByteArray>{"POST <mpbx_req", "uest><username>"}
                                                     << QList<int>{I, C} << QByteArray("POST <mpbx_request><username>");
    QTest::newRow("without header, before the request element")
        << QList<QByteArray>{"POST /api HTTP/1.1\r\nHost: x\r\n"} << QList<int>{I}
        << QByteArray("POST /api HTTP/1.1\r\nHost: x\r\n");
    QTest::newRow("length given, unterminated waits for the body")
        << QList<QByteArray>{header + body.left(20)} << QList<int>{I} << header + body.left(20);
    QTest::newRow("POST split in its name")
        << QList<QByteArray>{"PO", "ST / HTTP/1.1\n\n"} << QList<int>{I, C} << QByteArray("POST / HTTP/1.1\n\n");
    QTest::newRow("not a POST at once") << QList<QByteArray>{"GE"} << QList<int>{C} << QByteArray("GE");
    QTest::newRow("GET") << QList<QByteArray>{"GET / HTTP/1.1\r\n"} << QList<int>{C}
                         << QByteArray("GET / HTTP/1.1\r\n");
    QTest::newRow("header without length has no body")
        << QList<QByteArray>{"POST / HTTP/1.1\r\nHost: x\r\n\r\n"} << QList<int>{C}
        << QByteArray("POST / HTTP/1.1\r\nHost: x\r\n\r\n");
    QTest::newRow("chunked waits for the end tag")
        << QList<QByteArray>{"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", "10\r\n<mpbx_request>",
                             "</mpbx_request>"}
        << QList<int>{I, I, C}
        << QByteArray("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n<mpbx_request></mpbx_request>");
    QTest::newRow("data after the request is not kept")
        << QList<QByteArray>{header + body, "POST again"} << QList<int>{C, C} << header + body;
    QTest::newRow("NUL ends the text") << QList<QByteArray>{QByteArray("POST /\r\n\0xx", 11)} << QList<int>{C}
                                       << QByteArray("POST /\r\n\0xx", 11);
    QTest::newRow("length beyond the cap")
        << QList<QByteArray>{"POST / HTTP/1.1\r\nContent-Length: 70000\r\n\r\n"} << QList<int>{T}
        << QByteArray("POST / HTTP/1.1\r\nContent-Length: 70000\r\n\r\n");
    QTest::newRow("bad length takes what came")
        << QList<QByteArray>{"POST / HTTP/1.1\r\nContent-Length: -5\r\n\r\nabc"} << QList<int>{C}
        << QByteArray("POST / HTTP/1.1\r\nContent-Length: -5\r\n\r\nabc");
    QTest::newRow("LF-only header") << QList<QByteArray>{"POST /\nContent-Length: 3\n\n", "abc"} << QList<int>{I, C}
                                    << QByteArray("POST /\nContent-Length: 3\n\nabc");
}

void TestApiProtocol::requestBuffer()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<int>, states);
    QFETCH(QByteArray, kept);
    RequestBuffer buffer;
    for (int i = 0; i < pieces.size(); ++i)
        QCOMPARE(int(buffer.append(pieces.at(i))), states.at(i));
    QCOMPARE(buffer.bytes(), kept);
}

void TestApiProtocol::requestBufferManySmallPieces()
{
    // 64 KiB at most, whatever the pieces; byte by byte stays cheap.
    RequestBuffer buffer(1024);
    QByteArray text("POST / HTTP/1.1\r\nX: ");
    for (const char c : text)
        QCOMPARE(buffer.append(QByteArray(1, c)), RequestBuffer::Incomplete);
    RequestBuffer::State state = RequestBuffer::Incomplete;
    int fed = text.size();
    while (state == RequestBuffer::Incomplete && fed < 5000) {
        state = buffer.append("a");
        ++fed;
    }
    QCOMPARE(state, RequestBuffer::TooLarge);
    QCOMPARE(fed, 1025);
    QCOMPARE(buffer.bytes().size(), 1024);
    // A request that ends exactly at the cap is fine.
    const QByteArray head("POST /\nTransfer-Encoding: chunked\n\n<mpbx_request>");
    RequestBuffer exact(head.size() + 14);
    QCOMPARE(exact.append(head), RequestBuffer::Incomplete);
    QCOMPARE(exact.append("</mpbx_request>"), RequestBuffer::TooLarge);
    RequestBuffer fits(head.size() + 15);
    QCOMPARE(fits.append(head), RequestBuffer::Incomplete);
    QCOMPARE(fits.append("</mpbx_request>"), RequestBuffer::Complete);
}

void TestApiProtocol::requestText()
{
    QCOMPARE(ApiProtocol::requestText(QByteArray("POST \xc3\xa8\0tail", 12)), QStringLiteral("POST è"));
}

DESKLINE_TEST_MAIN(TestApiProtocol)
#include "tst_apiprotocol.moc"
