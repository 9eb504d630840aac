// A simulated PBX on loopback and a client of it, for the library's tests.
#pragma once

#include "conditionwait.h"
#include "ctilib.h"
#include "pbxsimulator.h"

#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace ctitest
{

// The client trusts the PBX's CA chain, as the main window arranges.
inline void trustPbxCertificates()
{
    const QString dir = qEnvironmentVariable("DESKLINE_SOURCE_DIR") + QStringLiteral("/resources/cert/");
    QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
    for (const char *name : {"Quodra s.r.l. Root CA.crt.pem", "VeloraPBX Intermediate CA.crt.pem"}) {
        if (!conf.addCaCertificates(dir + QLatin1String(name), QSsl::Pem, QSslCertificate::PatternSyntax::FixedString))
            qFatal("missing CA certificate %s", name);
    }
    QSslConfiguration::setDefaultConfiguration(conf);
}

struct Fixture {
    std::unique_ptr<PbxSimulator> sim{new PbxSimulator};
    std::unique_ptr<CtiLib> cti;
    QTemporaryDir dir;

    explicit Fixture(const QHostAddress &address = QHostAddress::LocalHost)
    {
        sim->setAnswerDelay(40);
        sim->setRingTimeout(400);
        sim->setChatReplyDelay(40);
        sim->setParkTimeout(60000);
        QString error;
        if (!sim->listen(address, 0, &error))
            qFatal("simulator: %s", qPrintable(error));
        cti = newClient(address.toString());
    }

    std::unique_ptr<CtiLib> newClient(const QString &host = QStringLiteral("127.0.0.1"))
    {
        std::unique_ptr<CtiLib> c(new CtiLib(QStringLiteral("linux"), QStringLiteral("12"), QStringLiteral("MCTI"),
                                             QStringLiteral("4.5.23"), QStringLiteral("DESKLINE-test"), dir.path()));
        c->init();
        c->setServerAddress(QStringLiteral("%1:%2").arg(host).arg(sim->serverPort()));
        return c;
    }

    // Logs in and waits for the answer; true on success.
    static bool login(CtiLib *c, const QString &user = QStringLiteral("demo"),
                      const QString &password = QStringLiteral("demo"), int mode = 0)
    {
        QSignalSpy ok(c, &CtiLib::loggedToServer);
        QSignalSpy ko(c, &CtiLib::disconnectedFromServer);
        c->connectToServer(user, password, QString(), mode);
        for (int i = 0; i < 100 && ok.isEmpty() && ko.isEmpty(); ++i)
            ok.wait(100);
        return !ok.isEmpty() && c->isConnected();
    }
    bool login(const QString &user = QStringLiteral("demo"), const QString &password = QStringLiteral("demo"),
               int mode = 0)
    {
        return login(cti.get(), user, password, mode);
    }
};

// Waits until the spy has at least n emissions.
inline bool waitCount(QSignalSpy &spy, int n, int ms = testsupport::kConditionWaitMs)
{
    QElapsedTimer t;
    t.start();
    while (spy.count() < n && t.elapsed() < ms)
        spy.wait(50);
    return spy.count() >= n;
}

template <typename T> T arg(const QSignalSpy &spy, int emission, int index = 0)
{
    return spy.at(emission).at(index).value<T>();
}

} // namespace ctitest
