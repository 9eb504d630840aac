#include "framework/simplexmlparser.h"
#include "testmain.h"

#include <QThread>

#include <atomic>

namespace
{

// Feeds pieces to a framer and records every signal as text, in order:
// "done" for messageCompleted(), "msg:<text>" for parsedMessage(),
// "err:<n>" for parseErrorFound().
struct Recorder {
    SimpleXmlParser framer;
    QStringList events;

    explicit Recorder(const QString &root, int mode = SimpleXmlParser::QueueAndNotify, int limit = 0)
    {
        framer.rootTag = root;
        framer.notificationMode = mode;
        framer.setMaxBufferSize(limit);
        QObject::connect(&framer, &SimpleXmlParser::messageCompleted, [this] { events << QStringLiteral("done"); });
        QObject::connect(&framer, &SimpleXmlParser::parsedMessage,
                         [this](const QString &m) { events << QStringLiteral("msg:") + m; });
        QObject::connect(&framer, &SimpleXmlParser::parseErrorFound, [this](SimpleXmlParser::ParseErrorEnumType e) {
            events << QStringLiteral("err:%1").arg(int(e));
        });
    }

    QStringList takeAll()
    {
        QStringList out;
        while (framer.hasPendingMessages())
            out << framer.getNextMessage();
        return out;
    }
};

} // namespace

class ErrorReceiver : public QObject
{
    Q_OBJECT
public:
    QList<int> errors;
public slots:
    void onParseError(SimpleXmlParser::ParseErrorEnumType e) { errors << int(e); }
};

class TestXmlFramer : public QObject
{
    Q_OBJECT

private slots:
    void framing_data();
    void framing();
    void deliveryModes_data();
    void deliveryModes();
    void bufferLimit_data();
    void bufferLimit();
    void negativeLimitIgnored();
    void emptyBufferKeepsQueue();
    void pieceByPieceMatchesOnePiece_data();
    void pieceByPieceMatchesOnePiece();
    void largeMessageInSocketPieces();
    void slotMayTakeMessageAndFeedAgain();
    void slotMayEmptyBuffer();
    void queueTakenFromAnotherThread();
    void queuedErrorSignal();
};

void TestXmlFramer::framing_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("rest");

    QTest::newRow("split message") << "m" << QStringList{"<m>first ", "part</m>"} << QStringList{"<m>first part</m>"}
                                   << QStringList{"done"} << "";
    QTest::newRow("two in one piece") << "m" << QStringList{"<m>1</m><m>2</m>"} << QStringList{"<m>1</m>", "<m>2</m>"}
                                      << QStringList{"done", "done"} << "";
    QTest::newRow("noise dropped silently")
        << "m" << QStringList{"noise<m>x</m>"} << QStringList{"<m>x</m>"} << QStringList{"done"} << "";
    QTest::newRow("closing before opening")
        << "m" << QStringList{"</m><m>x</m>"} << QStringList{"<m>x</m>"} << QStringList{"err:0", "done"} << "";
    QTest::newRow("lone closing tag waits") << "m" << QStringList{"</m>"} << QStringList{} << QStringList{} << "</m>";
    QTest::newRow("lone closing tag, then message")
        << "m" << QStringList{"</m>", "<m>y</m>"} << QStringList{"<m>y</m>"} << QStringList{"err:0", "done"} << "";
    QTest::newRow("attributes on root never frame")
        << "m" << QStringList{"<m a='1'>x</m>"} << QStringList{} << QStringList{} << "<m a='1'>x</m>";
    QTest::newRow("nesting not counted") << "m" << QStringList{"<m><m>x</m></m>"} << QStringList{"<m><m>x</m>"}
                                         << QStringList{"done"} << "</m>";
    QTest::newRow("empty root name") << "" << QStringList{"<>a</><>b</>"} << QStringList{"<>a</>", "<>b</>"}
                                     << QStringList{"done", "done"} << "";
    QTest::newRow("tags split across pieces")
        << "QDUPFW" << QStringList{"<QDU", "PFW><v>1</v></QD", "UPF", "W><QD"}
        << QStringList{"<QDUPFW><v>1</v></QDUPFW>"} << QStringList{"done"} << "<QD";
    QTest::newRow("incomplete tail kept")
        << "m" << QStringList{"<m>1</m><m>2"} << QStringList{"<m>1</m>"} << QStringList{"done"} << "<m>2";
    QTest::newRow("case-sensitive") << "m" << QStringList{"<M>x</M>"} << QStringList{} << QStringList{} << "<M>x</M>";
}

void TestXmlFramer::framing()
{
    QFETCH(QString, root);
    QFETCH(QStringList, pieces);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, events);
    QFETCH(QString, rest);

    Recorder r(root);
    for (const QString &p : pieces)
        r.framer.addData(p);
    QCOMPARE(r.events, events);
    QCOMPARE(r.takeAll(), messages);
    QCOMPARE(r.framer.getNextMessage(), QString());
    QCOMPARE(r.framer.hasPendingMessages(), false);
    QCOMPARE(r.framer.getCurrentBuffer(), rest);
}

void TestXmlFramer::deliveryModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("queued");

    const QString msg = QStringLiteral("msg:<m>x</m>");
    QTest::newRow("0 queue and notify") << 0 << QStringList{"done"} << true;
    QTest::newRow("1 queue and deliver") << 1 << QStringList{msg} << true;
    QTest::newRow("2 deliver only") << 2 << QStringList{msg} << false;
    QTest::newRow("3 notify, then deliver") << 3 << QStringList{"done", msg} << true;
    QTest::newRow("other: queue silently") << 7 << QStringList{} << true;
}

void TestXmlFramer::deliveryModes()
{
    QFETCH(int, mode);
    QFETCH(QStringList, events);
    QFETCH(bool, queued);

    Recorder r(QStringLiteral("m"), mode);
    r.framer.addData(QStringLiteral("<m>x</m>"));
    QCOMPARE(r.events, events);
    QCOMPARE(r.framer.hasPendingMessages(), queued);
    if (queued)
        QCOMPARE(r.framer.getNextMessage(), QStringLiteral("<m>x</m>"));
}

void TestXmlFramer::bufferLimit_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("rest");

    // One piece over the limit is refused at once and leaves nothing behind;
    // the stream recovers with the next message.
    QTest::newRow("big first piece refused, next accepted")
        << 10 << QStringList{"<m>123456789012345", "<m>ok</m>"} << QStringList{"err:1", "done"}
        << QStringList{"<m>ok</m>"} << "";
    QTest::newRow("growth past the limit refused")
        << 10 << QStringList{"<m>12345", "6789</m>"} << QStringList{"err:1"} << QStringList{} << "";
    QTest::newRow("exactly the limit accepted")
        << 10 << QStringList{"<m>123</m>"} << QStringList{"done"} << QStringList{"<m>123</m>"} << "";
    QTest::newRow("framed text frees room") << 10 << QStringList{"<m>1</m>", "<m>2</m>", "<m>3</m>", "<m>4</m>"}
                                            << QStringList{"done", "done", "done", "done"}
                                            << QStringList{"<m>1</m>", "<m>2</m>", "<m>3</m>", "<m>4</m>"} << "";
    QTest::newRow("refusal drops the held text")
        << 10 << QStringList{"<m>1", "<m>2</m>12345", "</m>"} << QStringList{"err:1"} << QStringList{} << "</m>";
    QTest::newRow("every waiting piece counts") << 10 << QStringList{"<m>1", "2345", "678", "<m>x</m>"}
                                                << QStringList{"err:1", "done"} << QStringList{"<m>x</m>"} << "";
    QTest::newRow("no limit") << 0 << QStringList{QString(100000, QLatin1Char('x')), "<m>z</m>"} << QStringList{"done"}
                              << QStringList{"<m>z</m>"} << "";
}

void TestXmlFramer::bufferLimit()
{
    QFETCH(int, limit);
    QFETCH(QStringList, pieces);
    QFETCH(QStringList, events);
    QFETCH(QStringList, messages);
    QFETCH(QString, rest);

    Recorder r(QStringLiteral("m"), SimpleXmlParser::QueueAndNotify, limit);
    for (const QString &p : pieces)
        r.framer.addData(p);
    QCOMPARE(r.events, events);
    QCOMPARE(r.takeAll(), messages);
    QCOMPARE(r.framer.getCurrentBuffer(), rest);
}

void TestXmlFramer::negativeLimitIgnored()
{
    SimpleXmlParser framer;
    framer.setMaxBufferSize(10);
    framer.setMaxBufferSize(-5);
    QCOMPARE(framer.getMaxBufferSize(), 10);
    framer.setMaxBufferSize(0);
    QCOMPARE(framer.getMaxBufferSize(), 0);
}

void TestXmlFramer::emptyBufferKeepsQueue()
{
    Recorder r(QStringLiteral("m"));
    r.framer.addData(QStringLiteral("<m>1</m><m>half"));
    r.framer.emptyBuffer();
    QCOMPARE(r.framer.getCurrentBuffer(), QString());
    r.framer.addData(QStringLiteral("</m><m>2</m>"));
    QCOMPARE(r.takeAll(), (QStringList{"<m>1</m>", "<m>2</m>"}));
    QCOMPARE(r.events, (QStringList{"done", "err:0", "done"}));
}

// However a stream is cut into pieces, the same messages, errors and
// unframed text come out as when everything so far had come in one piece.
void TestXmlFramer::pieceByPieceMatchesOnePiece_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("stream");
    QTest::newRow("short root") << "r"
                                << "xx</r><r>a</r>noise<r><r>b</r></r><r>c&lt;</r><r>tail";
    QTest::newRow("long root, long body")
        << "QDUPFW"
        << "<QDUPFW>" + QString(300, QLatin1Char('a')) + "</QDUPF</QDUPFW>" + "</QDUPFW>x<QDUPFW><v/></QDUPFW><QDUP";
}

void TestXmlFramer::pieceByPieceMatchesOnePiece()
{
    QFETCH(QString, root);
    QFETCH(QString, stream);
    for (int step : {1, 2, 3, 5, 7, 64, 5000}) {
        Recorder r(root);
        QStringList messages;
        for (int i = 0; i < stream.size(); i += step) {
            r.framer.addData(stream.mid(i, step));
            messages << r.takeAll();
            Recorder whole(root);
            whole.framer.addData(stream.left(i + step));
            QCOMPARE(messages, whole.takeAll());
            QCOMPARE(r.framer.getCurrentBuffer(), whole.framer.getCurrentBuffer());
            QCOMPARE(r.events.count(QStringLiteral("err:0")), whole.events.count(QStringLiteral("err:0")));
        }
    }
}

// A message of megabytes read in socket-sized pieces, noise before it and the
// next message begun in its last piece: framed whole, the rest kept.
void TestXmlFramer::largeMessageInSocketPieces()
{
    QString body;
    while (body.size() < 5 * 1000 * 1000)
        body += QStringLiteral("<item id='7'>text &amp; more</item>\n");
    const QString message = QStringLiteral("<QDUPFW>") + body + QStringLiteral("</QDUPFW>");
    const QString stream = QStringLiteral("noise") + message + QStringLiteral("<QDUPFW><v>2");
    Recorder r(QStringLiteral("QDUPFW"));
    for (int i = 0; i < stream.size(); i += 4096)
        r.framer.addData(stream.mid(i, 4096));
    QCOMPARE(r.events, QStringList{"done"});
    const QStringList messages = r.takeAll();
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.first() == message);
    QCOMPARE(r.framer.getCurrentBuffer(), QStringLiteral("<QDUPFW><v>2"));
    r.framer.addData(QStringLiteral("</v></QDUPFW>"));
    QCOMPARE(r.takeAll(), QStringList{"<QDUPFW><v>2</v></QDUPFW>"});
}

// In mode 0 the message is queued before messageCompleted(), so a direct
// slot can take it; it may also feed more data from inside the signal.
void TestXmlFramer::slotMayTakeMessageAndFeedAgain()
{
    SimpleXmlParser framer;
    framer.rootTag = QStringLiteral("m");
    QStringList taken;
    bool fed = false;
    connect(&framer, &SimpleXmlParser::messageCompleted, [&] {
        taken << framer.getNextMessage();
        if (!fed) {
            fed = true;
            framer.addData(QStringLiteral("3</m><m>"));
        }
    });
    // The slot completes the third message while the second is still unframed.
    framer.addData(QStringLiteral("<m>1</m><m>2</m><m>"));
    QCOMPARE(taken, (QStringList{"<m>1</m>", "<m>2</m>", "<m>3</m>"}));
    QCOMPARE(framer.getCurrentBuffer(), QStringLiteral("<m>"));
    framer.addData(QStringLiteral("4</m>"));
    QCOMPARE(taken.last(), QStringLiteral("<m>4</m>"));
}

void TestXmlFramer::slotMayEmptyBuffer()
{
    SimpleXmlParser framer;
    framer.rootTag = QStringLiteral("m");
    connect(&framer, &SimpleXmlParser::messageCompleted, [&] { framer.emptyBuffer(); });
    framer.addData(QStringLiteral("<m>1</m><m>2</m><m>3"));
    QCOMPARE(framer.getNextMessage(), QStringLiteral("<m>1</m>"));
    QCOMPARE(framer.hasPendingMessages(), false);
    QCOMPARE(framer.getCurrentBuffer(), QString());
    framer.addData(QStringLiteral("<m>4</m>"));
    QCOMPARE(framer.getNextMessage(), QStringLiteral("<m>4</m>"));
}

// The queue is the one shared part: one thread frames while another takes.
void TestXmlFramer::queueTakenFromAnotherThread()
{
    SimpleXmlParser framer;
    framer.rootTag = QStringLiteral("m");
    const int n = 20000;
    std::atomic<bool> producing{true};
    QStringList received;
    QThread *consumer = QThread::create([&] {
        for (;;) {
            const bool more = producing.load();
            while (framer.hasPendingMessages())
                received << framer.getNextMessage();
            if (!more)
                break;
            QThread::yieldCurrentThread();
        }
    });
    consumer->start();
    for (int i = 0; i < n; ++i)
        framer.addData(QStringLiteral("<m>%1</m>").arg(i));
    producing = false;
    QVERIFY(consumer->wait(60000));
    delete consumer;
    QCOMPARE(received.size(), n);
    for (int i = 0; i < n; ++i)
        QCOMPARE(received.at(i), QStringLiteral("<m>%1</m>").arg(i));
}

// The error signal's type is registered by name, so a by-name connection
// also travels queued.
void TestXmlFramer::queuedErrorSignal()
{
    SimpleXmlParser framer;
    framer.rootTag = QStringLiteral("m");
    ErrorReceiver receiver;
    QVERIFY(connect(&framer, SIGNAL(parseErrorFound(SimpleXmlParser::ParseErrorEnumType)), &receiver,
                    SLOT(onParseError(SimpleXmlParser::ParseErrorEnumType)), Qt::QueuedConnection));
    framer.addData(QStringLiteral("</m><m>x</m>"));
    QVERIFY(receiver.errors.isEmpty());
    QTRY_COMPARE(receiver.errors, QList<int>{SimpleXmlParser::ClosingTagBeforeOpeningTag});
}

DESKLINE_TEST_MAIN(TestXmlFramer)
#include "tst_xmlframer.moc"
