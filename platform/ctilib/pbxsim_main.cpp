// pbxsim: the PBX simulator as a program (see README.md of this folder).
#include "ctilib.h"
#include "pbxsimulator.h"

#include <QJsonDocument>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>

#include <unistd.h>

namespace
{

bool parseListen(const QString &text, QHostAddress *address, quint16 *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = colon < 0 ? text : text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (host == QLatin1String("localhost"))
        host = QStringLiteral("127.0.0.1");
    if (!address->setAddress(host))
        return false;
    *port = CtiLib::DefaultPort;
    if (colon >= 0) {
        bool ok = false;
        const uint p = text.mid(colon + 1).toUInt(&ok);
        if (!ok || p > 65535)
            return false;
        *port = quint16(p);
    }
    return true;
}

int intOption(const QCommandLineParser &p, const QString &name, int fallback)
{
    if (!p.isSet(name))
        return fallback;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    return ok && v >= 0 ? v : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pbxsim"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("VeloraPBX simulator for the Deskline CTI client"));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("demo"), QStringLiteral("Use the built-in demo office (default).")},
        {QStringLiteral("data"), QStringLiteral("Load the data set from a JSON file."), QStringLiteral("file")},
        {QStringLiteral("contacts"), QStringLiteral("Generate a phone book of N contacts."), QStringLiteral("N")},
        {QStringLiteral("extensions"), QStringLiteral("Generate N extensions."), QStringLiteral("N")},
        {QStringLiteral("cdrs"), QStringLiteral("Generate N call records for the demo user."), QStringLiteral("N")},
        {QStringLiteral("dump-data"), QStringLiteral("Write the data set as JSON to a file and exit."),
         QStringLiteral("file")},
        {QStringLiteral("listen"), QStringLiteral("Loopback address and port (default 127.0.0.1:5443; port 0: any)."),
         QStringLiteral("addr:port")},
        {QStringLiteral("port-file"), QStringLiteral("Write the port listened on to this file."),
         QStringLiteral("file")},
        {QStringLiteral("control-stdin"), QStringLiteral("Read control commands from standard input.")},
        {QStringLiteral("control-port"), QStringLiteral("Read control commands from a loopback TCP port."),
         QStringLiteral("port")},
        {QStringLiteral("trace"), QStringLiteral("Write a trace of every command received."), QStringLiteral("file")},
        {QStringLiteral("answer-delay"), QStringLiteral("Milliseconds before a called party answers (2000)."),
         QStringLiteral("ms")},
        {QStringLiteral("ring-timeout"), QStringLiteral("Milliseconds before a ringing user misses a call (25000)."),
         QStringLiteral("ms")},
        {QStringLiteral("talk-time"), QStringLiteral("Milliseconds before a called party hangs up (0: never)."),
         QStringLiteral("ms")},
        {QStringLiteral("sip-port"),
         QStringLiteral("SIP over UDP and TCP on this loopback port (0: any); TLS on another free port."),
         QStringLiteral("port")},
        {QStringLiteral("sip-port-file"), QStringLiteral("Write the SIP ports (\"udp-tcp tls\") to this file."),
         QStringLiteral("file")},
    });
    p.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);

    PbxSimData data = PbxSimData::demo();
    if (p.isSet(QStringLiteral("data"))) {
        QFile f(p.value(QStringLiteral("data")));
        QString error;
        if (!f.open(QIODevice::ReadOnly) || f.size() > 512 * 1024 * 1024 || !data.loadJson(f.readAll(), &error)) {
            err << "pbxsim: cannot load " << f.fileName() << ": " << (error.isEmpty() ? f.errorString() : error)
                << "\n";
            return 2;
        }
    }
    if (p.isSet(QStringLiteral("contacts")) || p.isSet(QStringLiteral("extensions")) ||
        p.isSet(QStringLiteral("cdrs"))) {
        data = PbxSimData::generate(intOption(p, QStringLiteral("contacts"), 0),
                                    intOption(p, QStringLiteral("extensions"), 0),
                                    intOption(p, QStringLiteral("cdrs"), 0));
    }
    if (p.isSet(QStringLiteral("dump-data"))) {
        QFile f(p.value(QStringLiteral("dump-data")));
        if (!f.open(QIODevice::WriteOnly)) {
            err << "pbxsim: cannot write " << f.fileName() << "\n";
            return 2;
        }
        f.write(QJsonDocument(data.toJson()).toJson());
        return 0;
    }

    PbxSimulator sim;
    sim.setData(data);
    sim.setAnswerDelay(intOption(p, QStringLiteral("answer-delay"), 2000));
    sim.setRingTimeout(intOption(p, QStringLiteral("ring-timeout"), 25000));
    sim.setTalkTime(intOption(p, QStringLiteral("talk-time"), 0));
    QObject::connect(&sim, &PbxSimulator::quitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    if (p.isSet(QStringLiteral("trace"))) {
        QString error;
        if (!sim.setTraceFile(p.value(QStringLiteral("trace")), &error)) {
            err << "pbxsim: cannot open the trace file: " << error << "\n";
            return 2;
        }
    }

    QHostAddress address(QHostAddress::LocalHost);
    quint16 port = CtiLib::DefaultPort;
    if (p.isSet(QStringLiteral("listen")) && !parseListen(p.value(QStringLiteral("listen")), &address, &port)) {
        err << "pbxsim: invalid --listen value\n";
        return 2;
    }
    QString error;
    if (!sim.listen(address, port, &error)) {
        err << "pbxsim: cannot listen: " << error << "\n";
        return 2;
    }
    out << "pbxsim listening on " << address.toString() << ":" << sim.serverPort() << Qt::endl;
    if (p.isSet(QStringLiteral("port-file"))) {
        QFile f(p.value(QStringLiteral("port-file")));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            err << "pbxsim: cannot write the port file\n";
            return 2;
        }
        f.write(QByteArray::number(sim.serverPort()) + "\n");
    }

    if (p.isSet(QStringLiteral("sip-port"))) {
        const int sport = intOption(p, QStringLiteral("sip-port"), -1);
        if (sport < 0 || sport > 65535 || !sim.listenSip(address, quint16(sport), &error)) {
            err << "pbxsim: cannot listen for SIP: " << error << "\n";
            return 2;
        }
        out << "pbxsim SIP on " << address.toString() << ":" << sim.sipPort() << " (UDP, TCP), TLS on port "
            << sim.sipTlsPort() << Qt::endl;
        // Clients are told the registrar and proxy the simulator really
        // listens on (the demo data names the standard port).
        PbxSimData withSip = sim.data();
        withSip.sip.registrarAddress = address.toString();
        withSip.sip.registrarPort = sim.sipPort();
        withSip.sip.proxyAddress = address.toString();
        withSip.sip.proxyPort = sim.sipPort();
        sim.setData(withSip);
        if (p.isSet(QStringLiteral("sip-port-file"))) {
            QFile f(p.value(QStringLiteral("sip-port-file")));
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                err << "pbxsim: cannot write the SIP port file\n";
                return 2;
            }
            f.write(QByteArray::number(sim.sipPort()) + " " + QByteArray::number(sim.sipTlsPort()) + "\n");
        }
    }

    // Control from standard input: one command a line, the answer on stdout.
    QSocketNotifier *stdinNotifier = nullptr;
    QByteArray stdinBuffer;
    if (p.isSet(QStringLiteral("control-stdin"))) {
        stdinNotifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(stdinNotifier, &QSocketNotifier::activated, &app, [&] {
            char buf[4096];
            const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) {
                stdinNotifier->setEnabled(false); // end of input: keep serving
                return;
            }
            stdinBuffer.append(buf, int(n));
            int nl;
            while ((nl = stdinBuffer.indexOf('\n')) >= 0) {
                const QString line = QString::fromUtf8(stdinBuffer.left(nl));
                stdinBuffer.remove(0, nl + 1);
                const QString answer = sim.executeControl(line);
                if (!answer.isEmpty())
                    out << answer << Qt::endl;
            }
            if (stdinBuffer.size() > 4096)
                stdinBuffer.clear();
        });
    }

    // Control from a loopback TCP port.
    QTcpServer control;
    if (p.isSet(QStringLiteral("control-port"))) {
        const int cport = intOption(p, QStringLiteral("control-port"), -1);
        if (cport < 0 || cport > 65535 || !control.listen(QHostAddress::LocalHost, quint16(cport))) {
            err << "pbxsim: cannot listen on the control port\n";
            return 2;
        }
        out << "pbxsim control on 127.0.0.1:" << control.serverPort() << Qt::endl;
        QObject::connect(&control, &QTcpServer::newConnection, &app, [&] {
            while (QTcpSocket *c = control.nextPendingConnection()) {
                QObject::connect(c, &QTcpSocket::disconnected, c, &QObject::deleteLater);
                QObject::connect(c, &QTcpSocket::readyRead, c, [c, &sim] {
                    while (c->canReadLine()) {
                        const QString answer = sim.executeControl(QString::fromUtf8(c->readLine(4096)));
                        if (!answer.isEmpty())
                            c->write(answer.toUtf8() + "\n");
                    }
                    if (c->bytesAvailable() > 4096)
                        c->abort();
                });
            }
        });
    }
    return app.exec();
}
