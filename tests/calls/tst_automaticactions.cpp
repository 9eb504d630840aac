// Automatic actions: placeholders filled into URL and program actions, with
// hostile caller data, and the gates of the three call events.
#include "calls/automaticactions.h"
#include "testmain.h"

using namespace AutomaticActions;

class TestAutomaticActions : public QObject
{
    Q_OBJECT

private slots:
    void urlAction_data();
    void urlAction();
    void programAction_data();
    void programAction();
    void incomingGate_data();
    void incomingGate();
    void answeredOrFinishedGate_data();
    void answeredOrFinishedGate();
};

namespace
{
CallValues values()
{
    CallValues v;
    v.callerNum = QStringLiteral("  0612345 ");
    v.callerName = QStringLiteral("Mario Rossi");
    v.company = QStringLiteral("ACME");
    v.unit = QStringLiteral("Sales");
    v.calledNum = QStringLiteral("201");
    v.extenNum = QStringLiteral("201");
    v.hasExtenNum = true;
    v.queueName = QStringLiteral("Supporto");
    v.uid = QStringLiteral("1700.1");
    return v;
}
} // namespace

void TestAutomaticActions::urlAction_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("uid");
    QTest::addColumn<QString>("url"); // empty: refused
    QTest::newRow("number trimmed, unknown uid") << "https://crm.local/c?n=<callernum>&id=<uid>"
                                                 << "Mario"
                                                 << ""
                                                 << "https://crm.local/c?n=0612345&id=SCONOSCIUTO";
    QTest::newRow("every placeholder") << "http://h/<callernum>/<callername>/<callercompany>/<callerunit>/<callednum>/"
                                          "<extenNum>/<queueName>/<groupName>/<uid>"
                                       << "Mario"
                                       << "9"
                                       << "http://h/0612345/Mario/ACME/Sales/201/201/Supporto//9";
    QTest::newRow("value is encoded, not a new parameter") << "https://crm.local/c?name=<callername>&x=1"
                                                           << "a&admin=1#frag"
                                                           << "9"
                                                           << "https://crm.local/c?name=a%26admin%3D1%23frag&x=1";
    QTest::newRow("value holding a later placeholder is not filled again")
        << "https://crm.local/c?name=<callername>&id=<uid>"
        << "<uid>"
        << "9"
        << "https://crm.local/c?name=%3Cuid%3E&id=9";
    QTest::newRow("line breaks removed") << "https://crm.local/?n=<callername>"
                                         << "a\r\nb"
                                         << "9"
                                         << "https://crm.local/?n=ab";
    QTest::newRow("scheme taken over by a value refused") << "<callername>"
                                                          << "javascript:alert(1)"
                                                          << "9"
                                                          << "";
    QTest::newRow("file scheme kept when literal") << "file:///tmp/<callernum>.txt"
                                                   << "x"
                                                   << "9"
                                                   << "file:///tmp/0612345.txt";
}

void TestAutomaticActions::urlAction()
{
    QFETCH(QString, templ);
    QFETCH(QString, name);
    QFETCH(QString, uid);
    QFETCH(QString, url);
    CallValues v = values();
    v.callerName = name;
    v.uid = uid;
    const QUrl filled = fillUrlAction(templ, v);
    if (url.isEmpty()) {
        QVERIFY(!filled.isValid());
        return;
    }
    QVERIFY(filled.isValid());
    QCOMPARE(filled.toString(QUrl::FullyEncoded), url);
}

void TestAutomaticActions::programAction_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("dir");
    QTest::newRow("arguments kept") << "/opt/crm/bin/crm --num <callernum>"
                                    << "Mario"
                                    << "/opt/crm/bin/crm" << QStringList{"--num", "0612345"} << "/opt/crm/bin";
    QTest::newRow("only a path") << "/opt/crm/bin/crm"
                                 << "Mario"
                                 << "/opt/crm/bin/crm" << QStringList() << "/opt/crm/bin";
    QTest::newRow("bare program name") << "crm <uid>"
                                       << "Mario"
                                       << "crm" << QStringList{"1700.1"} << "";
    QTest::newRow("value with blanks fills one argument")
        << "/bin/crm --name <callername> --id <uid>"
        << "x --delete-all ; rm -rf /"
        << "/bin/crm" << QStringList{"--name", "x --delete-all ; rm -rf /", "--id", "1700.1"} << "/bin";
    QTest::newRow("quoted template argument") << "/bin/crm \"--who=<callername> (<callernum>)\""
                                              << "Ann"
                                              << "/bin/crm" << QStringList{"--who=Ann (0612345)"} << "/bin";
    QTest::newRow("value with a placeholder not filled again")
        << "/bin/crm <callername> <uid>"
        << "<uid>"
        << "/bin/crm" << QStringList{"<uid>", "1700.1"} << "/bin";
    QTest::newRow("control characters removed") << "/bin/crm <callername>"
                                                << "a\nb\0c"
                                                << "/bin/crm" << QStringList{"abc"} << "/bin";
}

void TestAutomaticActions::programAction()
{
    QFETCH(QString, templ);
    QFETCH(QString, name);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, dir);
    CallValues v = values();
    v.callerName = name;
    if (QTest::currentDataTag() == QByteArray("control characters removed"))
        v.callerName = QString::fromUtf16(u"a\nb\0c", 5);
    const ProgramCommand c = fillProgramAction(templ, v);
    QCOMPARE(c.program, program);
    QCOMPARE(c.arguments, arguments);
    QCOMPARE(c.workingDirectory, dir);
}

void TestAutomaticActions::incomingGate_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("fromExtension");
    QTest::addColumn<bool>("c2c");
    QTest::addColumn<bool>("exten");
    QTest::addColumn<bool>("requested");
    QTest::addColumn<bool>("runs");
    QTest::newRow("outside call") << 0x2 << false << false << false << true << true;
    QTest::newRow("no action configured") << 0x2 << false << true << true << false << false;
    QTest::newRow("extension without setting") << 0x1 << true << false << false << true << false;
    QTest::newRow("extension with setting") << 0x1 << true << false << true << true << true;
    QTest::newRow("click-to-call without setting") << 0x402 << false << false << true << true << false;
    QTest::newRow("click-to-call with setting") << 0x402 << false << true << false << true << true;
    QTest::newRow("click-to-call from extension needs both") << 0x401 << true << true << false << true << false;
    QTest::newRow("click-to-call from extension, both on") << 0x401 << true << true << true << true << true;
}

void TestAutomaticActions::incomingGate()
{
    QFETCH(int, flags);
    QFETCH(bool, fromExtension);
    QFETCH(bool, c2c);
    QFETCH(bool, exten);
    QFETCH(bool, requested);
    QFETCH(bool, runs);
    Gates g;
    g.c2cActions = c2c;
    g.extenActions = exten;
    g.actionRequested = requested;
    QCOMPARE(incomingAllowed(CTILIB::CallAttributeFlags(flags), fromExtension, g), runs);
}

void TestAutomaticActions::answeredOrFinishedGate_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<bool>("service");
    QTest::addColumn<bool>("extension");
    QTest::addColumn<bool>("outbound");
    QTest::addColumn<bool>("exten");
    QTest::addColumn<bool>("runs");
    QTest::newRow("incoming outside") << 1 << false << false << false << false << true;
    QTest::newRow("outgoing without setting") << 0 << false << false << false << true << false;
    QTest::newRow("outgoing with setting") << 0 << false << false << true << false << true;
    QTest::newRow("service code never") << 1 << true << false << true << true << false;
    QTest::newRow("extension without setting") << 1 << false << true << true << false << false;
    QTest::newRow("unknown direction") << -1 << false << false << false << false << true;
}

void TestAutomaticActions::answeredOrFinishedGate()
{
    QFETCH(int, direction);
    QFETCH(bool, service);
    QFETCH(bool, extension);
    QFETCH(bool, outbound);
    QFETCH(bool, exten);
    QFETCH(bool, runs);
    Gates g;
    g.outboundActions = outbound;
    g.extenActions = exten;
    g.actionRequested = true;
    QCOMPARE(answeredOrFinishedAllowed(direction, service, extension, g), runs);
    g.actionRequested = false;
    QVERIFY(!answeredOrFinishedAllowed(direction, service, extension, g));
}

DESKLINE_TEST_MAIN(TestAutomaticActions)
#include "tst_automaticactions.moc"
