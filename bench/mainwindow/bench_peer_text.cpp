// Overlong texts from the PBX on the real window logged in to the simulated
// PBX (demo user 201, CTI-only mode): a call whose caller name is 1 MB long
// (turned around by U+202E) and a chat message from a 5,000-character
// extension, with the Chat tab shown. The simulator runs in a child process
// (this program started again with --simulator), so the figures are the
// client's alone.
//
// Targets: the window keeps its size; resident memory, once the texts are
// shown, at most 10 MiB above what it was before them.
//
//     bench_peer_text
#include "calls/calllines.h"
#include "demologin.h"
#include "desklineresources.h"
#include "framework/simpleobfuscator.h"
#include "guistall.h"
#include "mainwindow/mpgui.h"
#include "messaging/wdgchatpanel.h"
#include "pbxsimulator.h"
#include "procmemory.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"

#include <QApplication>
#include <QJsonObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <iostream>
#include <string>

using benchgui::waitUntil;

namespace
{

const int NameLength = 1024 * 1024;
const int ExtenLength = 5000;

// The simulator's side: listens, prints its port, then rings or writes as
// told on its standard input ("ring", "chat", "quit").
int runSimulator()
{
    PbxSimulator sim;
    sim.setData(PbxSimData::demo());
    sim.setRingTimeout(600000);
    if (!sim.listen(QHostAddress::LocalHost, 0))
        return 2;
    std::printf("port %d\n", int(sim.serverPort()));
    std::fflush(stdout);
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        std::string line;
        if (!std::getline(std::cin, line) || line == "quit") {
            QCoreApplication::quit();
            return;
        }
        if (line == "ring") {
            const QString name = QChar(0x202e) + QStringLiteral("Mario Verdi ") + QString(NameLength, QLatin1Char('W'));
            sim.injectIncomingCall(QStringLiteral("0612345678"), QStringLiteral("201"), QString(), name);
        } else if (line == "chat") {
            QJsonObject m;
            m.insert(QStringLiteral("id"), QStringLiteral("long-exten-1"));
            m.insert(QStringLiteral("sender"), QChar(0x202e) + QStringLiteral("Luca"));
            m.insert(QStringLiteral("exten"), QString(ExtenLength, QLatin1Char('7')));
            m.insert(QStringLiteral("body"), QStringLiteral("ciao"));
            m.insert(QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
            sim.sendRawEvent(QStringLiteral("201"), QStringLiteral("chatMessage"), m);
        }
    });
    return QCoreApplication::exec();
}

bool report(const char *what, double value, double target, const char *unit)
{
    const bool ok = value <= target;
    std::printf("%-58s %10.1f %s (target %.0f) %s\n", what, value, unit, target, ok ? "ok" : "MISSED");
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc > 1 && QByteArray(argv[1]) == "--simulator") {
        QCoreApplication app(argc, argv);
        return runSimulator();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    initDesklineResources();
    MSETTINGS::setSettingsDirPath(dir.path());
    MSETTINGS::setFontSizeIncrement(0);
    ScriptedPrompts prompts;

    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--simulator")});
    if (!simulator.waitForStarted(10000) || !waitUntil([&] { return simulator.canReadLine(); }, 20000)) {
        std::fprintf(stderr, "simulator did not start\n");
        return 2;
    }
    const QByteArray first = simulator.readLine().trimmed();
    const int port = first.startsWith("port ") ? first.mid(5).toInt() : 0;
    if (port <= 0) {
        std::fprintf(stderr, "simulator did not listen\n");
        return 2;
    }

    MPGui *w = benchgui::loggedInDemoWindow(port);
    if (!w)
        return 2;
    auto *tabs = w->findChild<QTabWidget *>(QStringLiteral("tabContactsWidget"));
    QWidget *chatTab = w->findChild<QWidget *>(QStringLiteral("chatTabWidget"));
    auto *chats = w->findChild<wdgChatPanel *>(QStringLiteral("chatPanel"));
    if (!tabs || !chatTab || !chats) {
        std::fprintf(stderr, "no chat tab\n");
        return 2;
    }
    tabs->setCurrentWidget(chatTab);
    // Everything the first seconds bring (lists, history) is in.
    waitUntil([] { return false; }, 3000);
    const QSize before = w->size();
    const long rssBefore = benchmem::statusValue("VmRSS");

    benchgui::StallProbe probe;
    probe.start();
    simulator.write("ring\n");
    const bool rang = waitUntil([&] { return w->callLines()->ringingLines().size() == 1; }, 30000);
    waitUntil([] { return false; }, 500);
    simulator.write("chat\n");
    const QString kept = QString(64, QLatin1Char('7'));
    const bool wrote = waitUntil([&] { return chats->hasChatSession(kept); }, 30000);
    tabs->setCurrentIndex(0);
    waitUntil([] { return false; }, 200);
    tabs->setCurrentWidget(chatTab);
    waitUntil([] { return false; }, 1000);
    probe.stop();
    const QSize after = w->size();
    const long rssAfter = benchmem::statusValue("VmRSS");

    bool ok = rang && wrote;
    if (!rang)
        std::printf("MISS: the call did not ring\n");
    if (!wrote)
        std::printf("MISS: the chat message did not arrive\n");
    std::printf("window %dx%d before, %dx%d after; longest stall %.1f ms\n", before.width(), before.height(),
                after.width(), after.height(), probe.worstMs());
    if (after != before) {
        std::printf("MISS: the window changed its size\n");
        ok = false;
    }
    ok &= report("resident memory growth with the texts shown", (rssAfter - rssBefore) / 1024.0, 10, "MiB");

    delete w;
    simulator.write("quit\n");
    simulator.waitForFinished(10000);
    return ok ? 0 : 1;
}
