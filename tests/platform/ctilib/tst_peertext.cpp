// The texts a peer sends are cut and cleaned where records are decoded, by the
// rule of their field: the rule table itself and the decoded records.
#include "ctijson.h"
#include "peertext.h"

#include "testmain.h"

class TestPeerText : public QObject
{
    Q_OBJECT

private slots:
    void clean_data();
    void clean();
    void rules_data();
    void rules();
    void decodedRecords();
    void cleanTextIsShared();
};

void TestPeerText::clean_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    const QString rlo = QString(QChar(0x202e));
    const QString nul = QString(QChar(0));
    QTest::newRow("plain name") << "remoteName"
                                << "Mario Verdi"
                                << "Mario Verdi";
    QTest::newRow("override in a name") << "remoteName" << rlo + "gpj.exe"
                                        << "gpj.exe";
    QTest::newRow("isolates and marks") << "remoteName"
                                        << QString(QChar(0x2066)) + "Anna" + QChar(0x2069) + QChar(0x200f) +
                                               QChar(0x061c)
                                        << "Anna";
    QTest::newRow("NUL in a number") << "remoteNum"
                                     << "061" + nul + "234"
                                     << "061234";
    QTest::newRow("line break in a name") << "callerName"
                                          << "Mario\nVerdi\t"
                                          << "Mario Verdi ";
    QTest::newRow("escape in a name") << "name" << QStringLiteral("A\x1b[2JB") << "A [2JB";
    QTest::newRow("name cut") << "remoteName" << QString(1000, 'n') << QString(PeerText::NameLength, 'n');
    QTest::newRow("extension cut") << "exten" << QString(5000, '2') << QString(PeerText::NumberLength, '2');
    QTest::newRow("channel cut") << "localChannel" << QString(500, 'c') << QString(PeerText::IdLength, 'c');
    QTest::newRow("unknown field") << "whatever" << QString(300, 'w') << QString(PeerText::DefaultLength, 'w');
    // A character outside the basic plane is two units: never half of it.
    const QString face = QString::fromUcs4(U"\U0001F600");
    QTest::newRow("surrogate pair at the cut")
        << "exten" << QString(PeerText::NumberLength - 1, '1') + face << QString(PeerText::NumberLength - 1, '1');
    QTest::newRow("surrogate pair kept") << "remoteName"
                                         << "Ciao " + face << "Ciao " + face;
    // A chat message keeps its length and its lines, loses NUL and overrides.
    QTest::newRow("chat body whole") << "body" << QString(5000, 'b') << QString(5000, 'b');
    QTest::newRow("chat body lines") << "body"
                                     << "riga 1\nriga 2\r\n\tfine"
                                     << "riga 1\nriga 2\r\n\tfine";
    QTest::newRow("chat body cleaned") << "body" << rlo + "ab" + nul + "c" + QChar(0x07) << "abc";
    QTest::newRow("presence message") << "presenceMsg"
                                      << "In riunione\nfino alle 15" + rlo << "In riunione\nfino alle 15";
    // Raw fields are not shown and stay as they came.
    QTest::newRow("raw data") << "data"
                              << "QUJD" + nul + rlo << "QUJD" + nul + rlo;
    QTest::newRow("password") << "password"
                              << "p" + rlo + "w"
                              << "p" + rlo + "w";
}

void TestPeerText::clean()
{
    QFETCH(QString, field);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    const QByteArray key = field.toLatin1();
    QCOMPARE(PeerText::cleanField(QLatin1String(key), input), expected);
}

void TestPeerText::rules_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("shape");
    QTest::newRow("remoteNum") << "remoteNum" << PeerText::NumberLength << int(PeerText::Shape::Line);
    QTest::newRow("exten") << "exten" << PeerText::NumberLength << int(PeerText::Shape::Line);
    QTest::newRow("remoteName") << "remoteName" << PeerText::NameLength << int(PeerText::Shape::Line);
    QTest::newRow("sender") << "sender" << PeerText::NameLength << int(PeerText::Shape::Line);
    QTest::newRow("uid") << "uid" << PeerText::IdLength << int(PeerText::Shape::Line);
    QTest::newRow("body") << "body" << -1 << int(PeerText::Shape::Lines);
    QTest::newRow("data") << "data" << -1 << int(PeerText::Shape::Raw);
    QTest::newRow("other") << "mimeType" << PeerText::DefaultLength << int(PeerText::Shape::Line);
}

void TestPeerText::rules()
{
    QFETCH(QString, field);
    QFETCH(int, length);
    QFETCH(int, shape);
    const QByteArray key = field.toLatin1();
    const PeerText::Rule rule = PeerText::ruleFor(QLatin1String(key));
    QCOMPARE(rule.maxLength, length);
    QCOMPARE(int(rule.shape), shape);
}

void TestPeerText::decodedRecords()
{
    // A ringing call with a 1 MB name turned around by U+202E and a NUL.
    QJsonObject call;
    call.insert(QStringLiteral("uid"), QStringLiteral("1700000000.1"));
    call.insert(QStringLiteral("remoteNum"), QStringLiteral("0612") + QChar(0) + QStringLiteral("345"));
    call.insert(QStringLiteral("remoteName"), QString(QChar(0x202e)) + QString(1024 * 1024, QLatin1Char('M')));
    IncomingCallEvent in;
    QString error;
    QVERIFY2(CtiJson::fromJson(call, in, &error), qPrintable(error));
    QCOMPARE(in.remoteName, QString(PeerText::NameLength, QLatin1Char('M')));
    QCOMPARE(in.remoteNum, QStringLiteral("0612345"));
    QCOMPARE(in.uid, QStringLiteral("1700000000.1"));

    // A chat message from a 5,000-character extension.
    QJsonObject chat;
    chat.insert(QStringLiteral("sender"), QString(QChar(0x202e)) + QStringLiteral("Luca"));
    chat.insert(QStringLiteral("exten"), QString(5000, QLatin1Char('2')));
    chat.insert(QStringLiteral("body"), QString(QChar(0x202e)) + QString(5000, QLatin1Char('b')));
    ChatMessage m;
    QVERIFY2(CtiJson::fromJson(chat, m, &error), qPrintable(error));
    QCOMPARE(m.exten, QString(PeerText::NumberLength, QLatin1Char('2')));
    QCOMPARE(m.sender, QStringLiteral("Luca"));
    QCOMPARE(m.body, QString(5000, QLatin1Char('b')));

    // Lists of texts and plain event data follow the same rules.
    QJsonObject status;
    status.insert(QStringLiteral("exten"), QStringLiteral("202"));
    status.insert(QStringLiteral("accounts"), QJsonArray{QString(QChar(0)) + QStringLiteral("sip202")});
    BuddyStatus buddy;
    QVERIFY2(CtiJson::fromJson(status, buddy, &error), qPrintable(error));
    QCOMPARE(buddy.accounts, QStringList{QStringLiteral("sip202")});
    QJsonObject park;
    park.insert(QStringLiteral("number"), QString(100, QLatin1Char('7')));
    QString number;
    QVERIFY(CtiJson::readString(park, "number", number, &error));
    QCOMPARE(number.size(), PeerText::NumberLength);
}

void TestPeerText::cleanTextIsShared()
{
    // The common case costs no copy.
    const QString name = QStringLiteral("Giulia Bianchi");
    const QString out = PeerText::cleanField(QLatin1String("remoteName"), name);
    QCOMPARE(out.constData(), name.constData());
}

DESKLINE_TEST_MAIN(TestPeerText)
#include "tst_peertext.moc"
