// Local API server under load.
//
// The server runs as in the client: its object on the GUI thread (the main
// thread here), its queries answered directly by a stand-in for the main
// window and its actions received through queued connections. 1, 10 and 50
// local programs (one thread each) then send requests in loops, each request
// on a new TLS connection that trusts the server's embedded certificate: a
// click to call, the current call, the waiting calls of a queue and a
// hang-up, in turn. Every reply is compared byte for byte with the one
// expected, and every action must reach the window.
//
// Reported per level: requests, throughput, latency (connect to close)
// median, p99 and maximum, and the longest stall of the GUI thread, measured
// by a 5 ms timer. Targets: every reply correct, p99 at 10 clients at most
// 50 ms, no GUI stall above 50 ms at any level. Exits 1 on a miss.
//
// A last level floods the server with wrong passwords from 20 connections
// (each sends a guess, waits for the answer or the close, and starts again)
// while one rightful client goes on as above: its p99 must stay at most
// 50 ms, and every one of its replies must be right.
//
//     bench_apiserver [seconds per level]     (default 3)
#include "apiserver/clientapiserver.h"
#include "app/globallogger.h"
#include "desklineresources.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{

const QString kUser = QStringLiteral("demo");
const QString kPassword = QStringLiteral("demo");
const QByteArray kHead("HTTP/1.1 200 OK\nAccess-Control-Allow-Origin: *\n\n<?xml version=\"1.0\"?>");

QByteArray post(const QString &inner)
{
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(kPassword.toLatin1(), QCryptographicHash::Md5).toHex());
    const QByteArray body = QStringLiteral("<mpbx_request><username>%1</username><pwd_md5>%2</pwd_md5>%3"
                                           "</mpbx_request>")
                                .arg(kUser, digest, inner)
                                .toUtf8();
    return "POST /api HTTP/1.1\r\nHost: 127.0.0.1:5039\r\nContent-Type: text/xml\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

struct Exchange {
    QByteArray request;
    QByteArray reply;
};

std::vector<Exchange> exchanges()
{
    return {
        {post(QStringLiteral("<click2call><number_to_call>0212345678</number_to_call></click2call>")),
         kHead + "<mpbx_response><click2call><error_code><code>0</code><message>Success</message></error_code>"
                 "</click2call></mpbx_response>\n"},
        {post(QStringLiteral("<activeCallInfo>1</activeCallInfo>")),
         kHead + "<mpbx_response><activeCallInfo><error_code><code>0</code><message>Success</message></error_code>"
                 "<data><uid>1702.42</uid><remote_num>0298765432</remote_num><remote_name>Rossi &amp; figli"
                 "</remote_name><called_num>201</called_num><is_answered>1</is_answered></data></activeCallInfo>"
                 "</mpbx_response>\n"},
        {post(QStringLiteral("<queuedCallsInfo><queue_name>Supporto</queue_name></queuedCallsInfo>")),
         kHead + "<mpbx_response><queuedCallsInfo><error_code><code>0</code><message>Success</message>"
                 "</error_code><data><queued_calls>3</queued_calls><oldest_arrival>2026-12-10 14:03:12"
                 "</oldest_arrival></data></queuedCallsInfo></mpbx_response>\n"},
        {post(QStringLiteral("<hangupcall>1</hangupcall>")),
         kHead + "<mpbx_response><hangupcall><error_code><code>0</code><message>Success</message></error_code>"
                 "</hangupcall></mpbx_response>\n"},
    };
}

// The main window as far as the server meets it.
class WindowStandIn : public QObject
{
    Q_OBJECT
public:
    int actions = 0;
public slots:
    void getActiveCallInfo(MctiCallDetails &d)
    {
        d.lineId = 4;
        d.uid = QStringLiteral("1702.42");
        d.remoteNum = QStringLiteral("0298765432");
        d.remoteName = QStringLiteral("Rossi & figli");
        d.calledNum = QStringLiteral("201");
        d.answered = true;
    }
    void getQueueInfo(QString name, QueueStatus &q)
    {
        if (name != QLatin1String("Supporto"))
            return;
        q.id = QStringLiteral("600");
        q.name = name;
        q.waitingCount = 3;
        q.oldestCallTime = QDateTime(QDate(2026, 12, 10), QTime(14, 3, 12));
    }
    void onAction() { ++actions; }
};

// One local program sending requests in a loop until told to stop.
class ClientThread : public QThread
{
public:
    ClientThread(quint16 port, const QSslCertificate &cert, int first, const std::atomic<bool> &stop)
        : port(port), cert(cert), next(first), stop(stop)
    {
    }
    std::vector<double> latenciesMs;
    int wrong = 0;
    int actions = 0;
    QByteArray firstWrong;

protected:
    void run() override
    {
        const std::vector<Exchange> all = exchanges();
        QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
        conf.setCaCertificates({cert});
        conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
        while (!stop.load()) {
            const Exchange &x = all[size_t(next++) % all.size()];
            QElapsedTimer t;
            t.start();
            QSslSocket socket;
            socket.setSslConfiguration(conf);
            socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
            QByteArray got;
            if (socket.waitForEncrypted(10000)) {
                socket.write(x.request);
                while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000))
                    got += socket.readAll();
                got += socket.readAll();
            }
            latenciesMs.push_back(double(t.nsecsElapsed()) / 1e6);
            if (got != x.reply) {
                if (!wrong)
                    firstWrong = got.isEmpty() ? socket.errorString().toUtf8() : got;
                ++wrong;
            } else if (x.request.contains("click2call") || x.request.contains("hangupcall")) {
                ++actions;
            }
        }
    }

private:
    quint16 port;
    QSslCertificate cert;
    int next;
    const std::atomic<bool> &stop;
};

// 20 connections guessing the password, each on a loop of its own, until
// told to stop.
class GuesserThread : public QThread
{
public:
    GuesserThread(quint16 port, const QSslCertificate &cert, const std::atomic<bool> &stop)
        : port(port), cert(cert), stop(stop)
    {
    }
    int sent = 0;

protected:
    void run() override
    {
        const QString wrongDigest =
            QString::fromLatin1(QCryptographicHash::hash(QByteArrayLiteral("guess"), QCryptographicHash::Md5).toHex());
        const QByteArray body = QStringLiteral("<mpbx_request><username>%1</username><pwd_md5>%2</pwd_md5>"
                                               "<hangupcall>1</hangupcall></mpbx_request>")
                                    .arg(kUser, wrongDigest)
                                    .toUtf8();
        const QByteArray guess =
            "POST /api HTTP/1.1\r\nHost: 127.0.0.1:5039\r\nContent-Length: " + QByteArray::number(body.size()) +
            "\r\n\r\n" + body;
        QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
        conf.setCaCertificates({cert});
        conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
        while (!stop.load()) {
            QSslSocket socket;
            socket.setSslConfiguration(conf);
            socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
            if (!socket.waitForEncrypted(5000))
                continue;
            socket.write(guess);
            ++sent;
            while (!stop.load() && socket.state() == QAbstractSocket::ConnectedState) {
                if (socket.waitForReadyRead(100))
                    socket.readAll();
            }
        }
    }

private:
    quint16 port;
    QSslCertificate cert;
    const std::atomic<bool> &stop;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

void quietDebug(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(msg));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    qInstallMessageHandler(quietDebug);
    initDesklineResources();
    const int seconds = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 3;

    QFile certFile(QStringLiteral(":/cert/MCTI-Client-Desktop.cert.pem"));
    certFile.open(QIODevice::ReadOnly);
    const QSslCertificate cert(certFile.readAll(), QSsl::Pem);

    QdServerConfig config;
    config.address = QHostAddress::LocalHost;
    config.port = 0; // a free port: the client on this machine may hold 5039
    config.portMode = 0;
    config.certificatePath = QStringLiteral(":/cert/MCTI-Client-Desktop.cert.pem");
    config.privateKeyPath = QStringLiteral(":/cert/MCTI-Client-Desktop.key.pem");
    config.keyPassPhrase = QByteArray();
    // Both logs written as in the client, in a scratch directory.
    QTemporaryDir logDir;
    std::unique_ptr<Logger> mainLog(
        UniqLogger::instance(QStringLiteral("MPHONE"))
            ->createFileLogger(QStringLiteral("MPHONE"), logDir.filePath(QStringLiteral("mphone.log"))));
    logger = mainLog.get();
    config.logFileName = logDir.filePath(QStringLiteral("apiServerLog.txt"));
    config.loggerName = QStringLiteral("APISERVER");
    ClientApiServer server(kUser, kPassword, config);
    if (!server.isListening()) {
        std::printf("FAIL: the server does not listen\n");
        return 1;
    }
    WindowStandIn window;
    QObject::connect(&server, SIGNAL(sigGetCurrentCallInfo(MctiCallDetails &)), &window,
                     SLOT(getActiveCallInfo(MctiCallDetails &)), Qt::DirectConnection);
    QObject::connect(&server, SIGNAL(sigGetQueuedCallInfo(QString, QueueStatus &)), &window,
                     SLOT(getQueueInfo(QString, QueueStatus &)), Qt::DirectConnection);
    QObject::connect(&server, SIGNAL(sigMakeCallRequested(QString)), &window, SLOT(onAction()), Qt::QueuedConnection);
    QObject::connect(&server, SIGNAL(sigHangupCallRequested()), &window, SLOT(onAction()), Qt::QueuedConnection);

    bool ok = true;
    std::printf("Local API server, %d s per level, one TLS connection per request\n", seconds);
    std::printf("%8s %9s %9s %9s %9s %9s %11s %6s\n", "clients", "requests", "req/s", "p50 ms", "p99 ms", "max ms",
                "GUI stall", "wrong");
    for (const int clients : {1, 10, 50}) {
        std::atomic<bool> stop{false};
        std::vector<ClientThread *> threads;
        for (int i = 0; i < clients; ++i)
            threads.push_back(new ClientThread(server.serverPort(), cert, i, stop));
        const int actionsBefore = window.actions;

        // The GUI thread's heartbeat: the longest gap between two ticks.
        QElapsedTimer beat;
        qint64 longestGapMs = 0;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        heartbeat.setInterval(5);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] { longestGapMs = qMax(longestGapMs, beat.restart()); });
        QElapsedTimer wall;
        wall.start();
        beat.start();
        heartbeat.start();
        for (ClientThread *t : threads)
            t->start();
        QTimer::singleShot(seconds * 1000, [&stop] { stop = true; });
        while (std::any_of(threads.begin(), threads.end(), [](ClientThread *t) { return !t->isFinished(); }))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        const double elapsed = double(wall.elapsed()) / 1000.0;
        heartbeat.stop();
        // Actions arrive queued after their replies: let the last ones in.
        QElapsedTimer settle;
        settle.start();
        int expectedActions = 0;
        for (ClientThread *t : threads)
            expectedActions += t->actions;
        while (window.actions - actionsBefore < expectedActions && settle.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

        std::vector<double> all;
        int wrong = 0;
        QByteArray firstWrong;
        for (ClientThread *t : threads) {
            all.insert(all.end(), t->latenciesMs.begin(), t->latenciesMs.end());
            if (t->wrong && firstWrong.isEmpty())
                firstWrong = t->firstWrong;
            wrong += t->wrong;
            delete t;
        }
        const double p99 = percentile(all, 0.99);
        std::printf("%8d %9zu %9.0f %9.1f %9.1f %9.1f %8lld ms %6d\n", clients, all.size(),
                    double(all.size()) / elapsed, percentile(all, 0.5), p99, percentile(all, 1.0),
                    static_cast<long long>(longestGapMs), wrong);
        if (all.empty() || wrong) {
            std::printf("FAIL: %d wrong replies at %d clients; first: %s\n", wrong, clients, firstWrong.constData());
            ok = false;
        }
        if (window.actions - actionsBefore != expectedActions) {
            std::printf("FAIL: %d actions reached the window, %d expected\n", window.actions - actionsBefore,
                        expectedActions);
            ok = false;
        }
        if (clients == 10 && p99 > 50.0) {
            std::printf("FAIL: p99 %.1f ms at 10 clients (target 50 ms)\n", p99);
            ok = false;
        }
        if (longestGapMs > 50) {
            std::printf("FAIL: GUI stall of %lld ms at %d clients (target 50 ms)\n",
                        static_cast<long long>(longestGapMs), clients);
            ok = false;
        }
    }

    // The rightful client while 20 connections guess the password.
    {
        std::atomic<bool> stop{false};
        std::vector<GuesserThread *> guessers;
        for (int i = 0; i < 20; ++i)
            guessers.push_back(new GuesserThread(server.serverPort(), cert, stop));
        for (GuesserThread *g : guessers)
            g->start();
        // The guessers get going before the rightful client is measured.
        QElapsedTimer warmup;
        warmup.start();
        while (server.failedAuthenticationCount() < 20 && warmup.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::atomic<bool> clientStop{false};
        ClientThread client(server.serverPort(), cert, 0, clientStop);
        const int failedBefore = server.failedAuthenticationCount();
        QElapsedTimer wall;
        wall.start();
        client.start();
        QTimer::singleShot(seconds * 1000, [&clientStop] { clientStop = true; });
        while (!client.isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        const double elapsed = double(wall.elapsed()) / 1000.0;
        const int guesses = server.failedAuthenticationCount() - failedBefore;
        stop = true;
        while (std::any_of(guessers.begin(), guessers.end(), [](GuesserThread *g) { return !g->isFinished(); }))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        qDeleteAll(guessers);
        const double p99 = percentile(client.latenciesMs, 0.99);
        std::printf("With 20 connections guessing the password: the rightful client's %zu requests in %.1f s, "
                    "p50 %.1f ms, p99 %.1f ms, max %.1f ms, %d wrong; %d guesses checked, %d left unanswered\n",
                    client.latenciesMs.size(), elapsed, percentile(client.latenciesMs, 0.5), p99,
                    percentile(client.latenciesMs, 1.0), client.wrong, guesses, server.droppedFailureCount());
        if (client.latenciesMs.empty() || client.wrong) {
            std::printf("FAIL: %d wrong replies to the rightful client under the guessing flood; first: %s\n",
                        client.wrong, client.firstWrong.constData());
            ok = false;
        }
        if (p99 > 50.0) {
            std::printf("FAIL: p99 %.1f ms of the rightful client under the guessing flood (target 50 ms)\n", p99);
            ok = false;
        }
    }
    logger = nullptr;
    std::printf(ok ? "All targets met\n" : "Targets missed\n");
    return ok ? 0 : 1;
}

#include "bench_apiserver.moc"
