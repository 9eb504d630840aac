// Records read straight from a frame's text agree with the records the
// general decoder makes of the same frame: whatever the text reader takes,
// the general decoder takes too, with the same outcome; what it leaves (odd
// but valid forms, malformed text) the general decoder judges.
#include "ctijson.h"
#include "ctijsontext.h"
#include "ctiprotocol.h"

#include "testmain.h"

#include <QRandomGenerator>

namespace
{

enum class Record { PhoneBook, Cdr, Status, Chat };

struct Outcome {
    bool taken = false; // by the text reader
    bool valid = false; // by the general decoder
    bool same = false;  // both took it and made the same record
};

template <typename T> Outcome compareAs(const QByteArray &frame)
{
    Outcome o;
    T fromText;
    QString name;
    o.taken = CtiProtocol::readEventText(
        frame, &name, [&](const QString &, CtiJson::TextReader &t) { return CtiJson::fromJsonText(t, fromText); });
    CtiProtocol::Message msg;
    QString error;
    T general;
    o.valid = CtiProtocol::parseMessage(frame, &msg, &error) && msg.type == CtiProtocol::Message::Event &&
              CtiJson::fromJson(QJsonValue(msg.body), general, &error);
    o.same = o.taken && o.valid && fromText == general && name == msg.name;
    return o;
}

Outcome compare(Record record, const QByteArray &frame)
{
    switch (record) {
    case Record::PhoneBook:
        return compareAs<PhoneBook>(frame);
    case Record::Cdr:
        return compareAs<CdrEntry>(frame);
    case Record::Status:
        return compareAs<BuddyStatus>(frame);
    case Record::Chat:
        return compareAs<ChatMessage>(frame);
    }
    return Outcome();
}

QByteArray eventFrame(const QByteArray &data)
{
    return "{\"v\":1,\"t\":\"evt\",\"evt\":\"x\",\"data\":" + data + "}";
}

// A phone book with one entry whose first name is `name` (JSON text).
QByteArray bookWithName(const QByteArray &name)
{
    return eventFrame("{\"source\":\"velora\",\"entries\":[{\"id\":\"c1\",\"firstName\":" + name +
                      ",\"contacts\":[{\"kind\":\"phone\",\"subtype\":\"mobile\",\"value\":\"+39 333\"}]}]}");
}

QByteArray plainBook()
{
    return eventFrame(
        "{\"name\":\"Rubrica\",\"source\":\"velora\",\"visibility\":\"Public\",\"entries\":["
        "{\"id\":\"c1\",\"firstName\":\"Mario\",\"lastName\":\"Rossi\",\"company\":\"Quodra\","
        "\"contacts\":[{\"kind\":\"phone\",\"subtype\":\"work\",\"value\":\"+39 02 1234\",\"preferred\":true},"
        "{\"kind\":\"email\",\"subtype\":\"work\",\"value\":\"m.rossi@example.com\"}]},"
        "{\"id\":\"c2\",\"firstName\":\"Anna\",\"lastName\":\"Bianchi\",\"lastModified\":"
        "1715000000000}]}");
}

QByteArray plainCdr()
{
    return eventFrame("{\"uid\":\"u-1\",\"callerNum\":\"201\",\"calledNum\":\"+39021234\",\"direction\":\"out\","
                      "\"startTime\":\"2024-01-02 03:04:05\",\"duration\":125,\"callAttributes\":3}");
}

QByteArray nested(int depth)
{
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}

} // namespace

Q_DECLARE_METATYPE(Record)

class TestCtiJsonText : public QObject
{
    Q_OBJECT
private slots:
    void sameRecords_data();
    void sameRecords();
    void cutAnywhere();
    void changedBytes();
    void repeatedTextsShared();
};

void TestCtiJsonText::sameRecords_data()
{
    QTest::addColumn<Record>("record");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("taken"); // by the text reader
    QTest::addColumn<bool>("valid"); // by the general decoder

    const Record book = Record::PhoneBook;
    QTest::newRow("plain book") << book << plainBook() << true << true;
    QTest::newRow("plain call record") << Record::Cdr << plainCdr() << true << true;
    QTest::newRow("status with accounts")
        << Record::Status
        << eventFrame("{\"exten\":\"201\",\"presence\":2,\"chatEnabled\":true,\"accounts\":[\"sip:201\",\"201b\"]}")
        << true << true;
    QTest::newRow("blanks everywhere") << book
                                       << QByteArray(" { \"v\" : 1 ,\t\"t\":\"evt\" ,\r\n\"evt\" :\"x\", \"data\" : "
                                                     "{ \"entries\" : [ { \"id\" : \"a\" } , { } ] } } \r\n")
                                       << true << true;
    QTest::newRow("data before the name") << book
                                          << QByteArray("{\"data\":{\"entries\":[{\"id\":\"a\"}]},\"evt\":\"x\","
                                                        "\"t\":\"evt\",\"v\":1}")
                                          << true << true;
    QTest::newRow("unknown members, nested")
        << book
        << eventFrame("{\"extra\":{\"a\":[1,2,{\"b\":null}],\"c\":\"d\"},\"entries\":[{"
                      "\"id\":\"a\",\"more\":[true,false,-0.5e-3]}]}")
        << true << true;
    QTest::newRow("empty book") << book << eventFrame("{}") << true << true;

    // Escapes and \u sequences.
    QTest::newRow("standard escapes") << book << bookWithName("\"a\\\"b\\\\c\\/d\\be\\ff\\ng\\rh\\ti\"") << true
                                      << true;
    QTest::newRow("u escapes") << book << bookWithName("\"\\u00e8\\u00E9 \\u4e2d\"") << true << true;
    QTest::newRow("surrogate pair") << book << bookWithName("\"x\\ud83d\\ude00y\"") << true << true;
    QTest::newRow("lone high surrogate") << book << bookWithName("\"x\\ud83dy\"") << true << true;
    QTest::newRow("lone low surrogate") << book << bookWithName("\"\\ude00\"") << true << true;
    QTest::newRow("u escape of NUL") << book << bookWithName("\"a\\u0000b\"") << true << true;
    QTest::newRow("u escape of a bidi control") << book << bookWithName("\"a\\u202eb\"") << true << true;
    QTest::newRow("escaped key") << book << eventFrame("{\"entries\":[{\"first\\u004eame\":\"Mario\"}]}") << true
                                 << true;
    QTest::newRow("raw UTF-8") << book << bookWithName("\"Nicol\xc3\xb2 \xe4\xb8\xad \xf0\x9f\x98\x80\"") << true
                               << true;
    QTest::newRow("long name cut") << book << bookWithName('"' + QByteArray(1000, 'n') + '"') << true << true;
    QTest::newRow("bad hex in u escape") << book << bookWithName("\"\\u12G4\"") << false << false;
    QTest::newRow("short u escape") << book << bookWithName("\"\\u12\"") << false << false;
    QTest::newRow("invalid UTF-8") << book << bookWithName("\"a\xff\"") << false << false;
    QTest::newRow("overlong UTF-8") << book << bookWithName("\"a\xc0\xaf\"") << false << false;
    QTest::newRow("cut UTF-8") << book << bookWithName("\"a\xe4\xb8\"") << false << false;

    // Nesting.
    QTest::newRow("nested 10") << book << eventFrame("{\"x\":" + nested(10) + "}") << true << true;
    QTest::newRow("nested 500, left to the general decoder")
        << book << eventFrame("{\"x\":" + nested(500) + "}") << false << true;
    QTest::newRow("unbalanced") << book << eventFrame("{\"x\":[[[]]}") << false << false;

    // Numbers.
    QTest::newRow("integer field") << Record::Cdr << eventFrame("{\"duration\":42}") << true << true;
    QTest::newRow("integer written with a fraction")
        << Record::Cdr << eventFrame("{\"duration\":42.0}") << true << true;
    QTest::newRow("integer with an exponent") << Record::Cdr << eventFrame("{\"duration\":4.2e1}") << true << true;
    QTest::newRow("negative zero") << Record::Cdr << eventFrame("{\"duration\":-0}") << true << true;
    QTest::newRow("fraction in an integer field") << Record::Cdr << eventFrame("{\"duration\":1.5}") << false << false;
    QTest::newRow("integer out of range") << Record::Cdr << eventFrame("{\"duration\":2147483648}") << false << false;
    QTest::newRow("huge integer") << Record::Cdr << eventFrame("{\"duration\":99999999999999999999999}") << false
                                  << false;
    QTest::newRow("huge exponent, unknown member") << book << eventFrame("{\"x\":1e999}") << false << false;
    QTest::newRow("leading zero") << Record::Cdr << eventFrame("{\"duration\":01}") << false << false;
    QTest::newRow("lone minus") << Record::Cdr << eventFrame("{\"duration\":-}") << false << false;
    QTest::newRow("plus sign") << Record::Cdr << eventFrame("{\"duration\":+1}") << false << false;

    // Fields of the wrong type.
    QTest::newRow("number for a text") << book << bookWithName("5") << false << false;
    QTest::newRow("null for a text") << book << bookWithName("null") << false << false;
    QTest::newRow("object for a text") << book << bookWithName("{}") << false << false;
    QTest::newRow("text for a flag") << Record::Status << eventFrame("{\"chatEnabled\":\"true\"}") << false << false;
    QTest::newRow("text for a number") << Record::Cdr << eventFrame("{\"duration\":\"12\"}") << false << false;
    QTest::newRow("object for a list") << book << eventFrame("{\"entries\":{}}") << false << false;
    QTest::newRow("number in a text list")
        << Record::Status << eventFrame("{\"accounts\":[\"a\",1]}") << false << false;
    QTest::newRow("date") << Record::Chat << eventFrame("{\"time\":\"2024-05-06T07:08:09.123Z\",\"body\":\"a\\nb\"}")
                          << true << true;
    QTest::newRow("null date") << Record::Chat << eventFrame("{\"time\":null}") << true << true;
    QTest::newRow("invalid date") << Record::Chat << eventFrame("{\"time\":\"yesterday\"}") << false << false;
    QTest::newRow("number for a date") << Record::Chat << eventFrame("{\"time\":0}") << false << false;
    QTest::newRow("milliseconds field") << book << eventFrame("{\"entries\":[{\"lastModified\":9007199254740992}]}")
                                        << true << true;
    QTest::newRow("milliseconds out of range")
        << book << eventFrame("{\"entries\":[{\"lastModified\":9007199254740993e3}]}") << false << false;
    QTest::newRow("data not an object") << book << eventFrame("[]") << false << false;

    // Malformed and duplicate.
    QTest::newRow("duplicate field") << book << eventFrame("{\"entries\":[{\"id\":\"a\",\"id\":\"b\"}]}") << false
                                     << false;
    QTest::newRow("duplicate through an escape")
        << book << eventFrame("{\"entries\":[{\"id\":\"a\",\"\\u0069d\":\"b\"}]}") << false << false;
    QTest::newRow("duplicate unknown member") << book << eventFrame("{\"x\":1,\"x\":2}") << false << false;
    QTest::newRow("duplicate in a nested object")
        << book << eventFrame("{\"x\":[{\"a\":1,\"a\":1}]}") << false << false;
    QTest::newRow("duplicate in the envelope")
        << book << QByteArray("{\"v\":1,\"t\":\"evt\",\"evt\":\"x\",\"evt\":\"y\",\"data\":{}}") << false << false;
    QTest::newRow("trailing comma") << book << eventFrame("{\"entries\":[{\"id\":\"a\"},]}") << false << false;
    QTest::newRow("missing colon") << book << eventFrame("{\"entries\" []}") << false << false;
    QTest::newRow("garbage after") << book << plainBook() + "x" << false << false;
    QTest::newRow("single quotes") << book << eventFrame("{'entries':[]}") << false << false;
    QTest::newRow("bare word") << book << eventFrame("{\"x\":nul}") << false << false;
    QTest::newRow("not an event") << book << QByteArray("{\"v\":1,\"t\":\"resp\",\"id\":1,\"ok\":true}") << false
                                  << false;
    QTest::newRow("wrong version") << book << QByteArray("{\"v\":2,\"t\":\"evt\",\"evt\":\"x\",\"data\":{}}") << false
                                   << false;
    QTest::newRow("empty name") << book << QByteArray("{\"v\":1,\"t\":\"evt\",\"evt\":\"\",\"data\":{}}") << false
                                << false;
}

void TestCtiJsonText::sameRecords()
{
    QFETCH(Record, record);
    QFETCH(QByteArray, frame);
    QFETCH(bool, taken);
    QFETCH(bool, valid);
    const Outcome o = compare(record, frame);
    QCOMPARE(o.valid, valid);
    QCOMPARE(o.taken, taken);
    if (o.taken)
        QVERIFY(o.same);
}

void TestCtiJsonText::cutAnywhere()
{
    // A frame cut short anywhere is never taken by the text reader.
    for (const QByteArray &whole : {plainBook(), plainCdr(), bookWithName("\"a\\u00e8\\ud83d\\ude00\xc3\xb2\"")}) {
        const Record record = whole == plainCdr() ? Record::Cdr : Record::PhoneBook;
        QVERIFY(compare(record, whole).same);
        for (int size = 0; size < whole.size(); ++size) {
            const Outcome o = compare(record, whole.left(size));
            QVERIFY2(!o.taken, whole.left(size).constData());
            QVERIFY(!o.valid);
        }
    }
}

void TestCtiJsonText::changedBytes()
{
    // Frames with a byte changed, inserted or removed: whatever the text
    // reader takes, the general decoder takes the same way.
    const QByteArray alphabet = QByteArrayLiteral("{}[]\",:\\u0aAeE.-+ntf \x01\x7f\xc3\xb2\xed\xff");
    QRandomGenerator random(20240506);
    int taken = 0;
    for (const QByteArray &whole : {plainBook(), plainCdr()}) {
        const Record record = whole == plainCdr() ? Record::Cdr : Record::PhoneBook;
        for (int round = 0; round < 3000; ++round) {
            QByteArray frame = whole;
            const int at = random.bounded(frame.size());
            const char c = alphabet.at(random.bounded(alphabet.size()));
            switch (random.bounded(3)) {
            case 0:
                frame[at] = c;
                break;
            case 1:
                frame.insert(at, c);
                break;
            default:
                frame.remove(at, 1);
                break;
            }
            const Outcome o = compare(record, frame);
            if (o.taken) {
                ++taken;
                QVERIFY2(o.same, frame.constData());
            }
        }
    }
    // Some of the changes leave valid frames (a letter of a text changed).
    QVERIFY(taken > 0);
}

void TestCtiJsonText::repeatedTextsShared()
{
    // The company and first name recur: each stands once in memory; the
    // unique last names and escaped texts are the entries' own.
    const QByteArray frame =
        eventFrame("{\"entries\":[{\"firstName\":\"Anna\",\"lastName\":\"Rossi\",\"company\":\"Q\"},"
                   "{\"firstName\":\"Anna\",\"lastName\":\"Verdi\",\"company\":\"Q\"},"
                   "{\"firstName\":\"Ann\\u0061\",\"company\":\"q\"}]}");
    PhoneBook book;
    QString name;
    QVERIFY(CtiProtocol::readEventText(
        frame, &name, [&](const QString &, CtiJson::TextReader &t) { return CtiJson::fromJsonText(t, book); }));
    QCOMPARE(compareAs<PhoneBook>(frame).same, true);
    QCOMPARE(book.entries.size(), 3);
    const PhoneBookEntry &a = book.entries.at(0);
    const PhoneBookEntry &b = book.entries.at(1);
    const PhoneBookEntry &c = book.entries.at(2);
    QVERIFY(a.firstName.isSharedWith(b.firstName));
    QVERIFY(a.company.isSharedWith(b.company));
    QCOMPARE(c.firstName, QStringLiteral("Anna"));
    QVERIFY(!c.firstName.isSharedWith(a.firstName));
    QCOMPARE(c.company, QStringLiteral("q"));
}

DESKLINE_TEST_MAIN(TestCtiJsonText)
#include "tst_ctijsontext.moc"
