// The local API server as the main window starts it: listening on the local
// host only, on the port of its record, and stopped by close().
#include "clientapiserver.h"
#include "testmain.h"

#include <QTemporaryDir>
#include <QTcpSocket>

class TestClientApiServer : public QObject {
    Q_OBJECT

private slots:
    void listensOnLoopbackOnly_data();
    void listensOnLoopbackOnly();
    void busyPortIsReportedNotFatal();

private:
    QdServerConfig configFor(const QHostAddress &address, int port)
    {
        QdServerConfig c;
        c.address = address;
        c.port = port;
        c.portMode = 0;
        c.logFileName = m_dir.filePath(QStringLiteral("apiServerLog.txt"));
        c.loggerName = QStringLiteral("APISERVER");
        return c;
    }
    QTemporaryDir m_dir;
};

void TestClientApiServer::listensOnLoopbackOnly_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("used");
    QTest::newRow("local host") << "127.0.0.1" << "127.0.0.1";
    QTest::newRow("any address is narrowed") << "0.0.0.0" << "127.0.0.1";
    QTest::newRow("outside address is narrowed") << "192.0.2.10" << "127.0.0.1";
    QTest::newRow("IPv6 loopback kept") << "::1" << "::1";
}

void TestClientApiServer::listensOnLoopbackOnly()
{
    QFETCH(QString, asked);
    QFETCH(QString, used);
    ClientApiServer server(QStringLiteral("demo"), QStringLiteral("secret"), configFor(QHostAddress(asked), 0));
    if (!server.isListening() && used == QLatin1String("::1"))
        QSKIP("no IPv6 loopback here");
    QVERIFY(server.isListening());
    QCOMPARE(server.serverAddress(), QHostAddress(used));
    QVERIFY(server.serverPort() != 0);

    QTcpSocket probe;
    probe.connectToHost(QHostAddress(used), server.serverPort());
    QVERIFY(probe.waitForConnected(2000));
    probe.abort();

    server.close();
    QVERIFY(!server.isListening());
}

void TestClientApiServer::busyPortIsReportedNotFatal()
{
    ClientApiServer first(QStringLiteral("demo"), QStringLiteral("secret"), configFor(QHostAddress::LocalHost, 0));
    QVERIFY(first.isListening());
    ClientApiServer second(QStringLiteral("demo"), QStringLiteral("secret"),
                           configFor(QHostAddress::LocalHost, first.serverPort()));
    QVERIFY(!second.isListening());
    QVERIFY(first.isListening());
}

DESKLINE_TEST_MAIN(TestClientApiServer)
#include "tst_clientapiserver.moc"
