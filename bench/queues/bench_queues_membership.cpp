// A burst of 100 membership events (members joining queues without a row in
// the operators table) on a supervisor panel logged in to the simulated PBX:
// the panel gathers them into a few statistics requests.
#include "ctilib.h"
#include "pbxsimulator.h"
#include "queues/mspmainwidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSslConfiguration>
#include <QThread>

#include <cstdio>
#include <functional>

static bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures appear as they come
    QApplication app(argc, argv);
    const QString certs = QStringLiteral(DESKLINE_SOURCE_DIR "/resources/cert/");
    QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
    conf.addCaCertificates(certs + QStringLiteral("Quodra s.r.l. Root CA.crt.pem"));
    conf.addCaCertificates(certs + QStringLiteral("VeloraPBX Intermediate CA.crt.pem"));
    QSslConfiguration::setDefaultConfiguration(conf);

    PbxSimulator sim;
    sim.setData(PbxSimData::demo());
    if (!sim.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "simulator did not start\n");
        return 2;
    }
    CtiLib cti(QStringLiteral("linux"), QString(), QStringLiteral("MCTI"), QStringLiteral("bench"),
               QStringLiteral("bench"), QString());
    cti.init();
    cti.setServerAddress(QStringLiteral("127.0.0.1:%1").arg(sim.serverPort()));
    bool logged = false;
    QObject::connect(&cti, &CtiLib::loggedToServer, [&] { logged = true; });
    cti.connectToServer(QStringLiteral("demo"), QStringLiteral("demo"), QString(), 0);
    if (!waitUntil([&] { return logged; }, 10000)) {
        std::fprintf(stderr, "log-in failed\n");
        return 2;
    }
    MctiExtenMap extensions;
    MspMainWidget panel(cti, &extensions, MctiConfig());
    int statsReplies = 0;
    QObject::connect(&cti, &CtiLib::sigAllQueuesStatsReceived, [&] { ++statsReplies; });
    cti.getIdentities();
    if (!waitUntil([&] { return statsReplies > 0 && !panel.model().queueNames.isEmpty(); }, 10000)) {
        std::fprintf(stderr, "no statistics\n");
        return 2;
    }
    waitUntil([] { return false; }, 500);

    int requests = 0;
    QObject::connect(&sim, &PbxSimulator::commandReceived, [&](const QString &, const QString &command) {
        if (command == QLatin1String("getQueuesStats"))
            ++requests;
    });
    QElapsedTimer burst;
    burst.start();
    for (int i = 0; i < 100; ++i) {
        QueueMember m;
        m.account = QStringLiteral("new%1").arg(i);
        m.exten = QString::number(300 + i);
        m.queueId = i % 2 ? QStringLiteral("600") : QStringLiteral("601");
        m.memberType = 1;
        panel.onQueueMemberAdded(m);
        QCoreApplication::processEvents();
    }
    const qint64 burstMs = burst.elapsed();
    waitUntil([] { return false; }, 2000);
    std::printf("100 membership events in %lld ms gave %d statistics requests (target <= 3)\n",
                static_cast<long long>(burstMs), requests);
    if (requests > 3 || requests < 1) {
        std::printf("MISS: membership events not gathered into a few requests\n");
        return 1;
    }
    return 0;
}
