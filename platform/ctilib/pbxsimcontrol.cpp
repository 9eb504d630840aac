// The control language of the simulator: one command a line, answered with
// one line starting with "OK" or "ERROR". A table names each command, its
// handler and its lines of help; the handlers read their arguments and work
// through the simulator's public operations only.
#include "pbxsimulator.h"

#include <QFileInfo>

namespace
{

QString ok(const QString &t = QString())
{
    return t.isEmpty() ? QStringLiteral("OK") : QStringLiteral("OK ") + t;
}

QString err(const QString &t)
{
    return QStringLiteral("ERROR ") + t;
}

// The words of a command after its name.
using Words = QStringList;

// The words from `from` on, as one text.
QString rest(const Words &w, int from)
{
    return w.mid(from).join(QLatin1Char(' '));
}

bool isOnOff(const QString &word)
{
    return word == QLatin1String("on") || word == QLatin1String("off");
}

QString ctlCall(PbxSimulator &sim, const Words &w)
{
    if (w.size() < 2)
        return err(QStringLiteral("usage: call <from-number> <to-exten> [queue=<id>] [name=<caller name>]"));
    QString queue, name;
    for (int i = 2; i < w.size(); ++i) {
        if (w.at(i).startsWith(QLatin1String("queue=")))
            queue = w.at(i).mid(6);
        else if (w.at(i).startsWith(QLatin1String("name="))) {
            name = rest(w, i).mid(5);
            break;
        }
    }
    if (!queue.isEmpty() && !sim.data().queues.contains(queue))
        return err(QStringLiteral("no queue %1").arg(queue));
    const QString uid = sim.injectIncomingCall(w.at(0), w.at(1), queue, name);
    return uid.isEmpty() ? err(QStringLiteral("no extension %1").arg(w.at(1))) : ok(uid);
}

QString ctlAnswer(PbxSimulator &sim, const Words &w)
{
    return w.size() == 1 && sim.answerRinging(w.at(0)) ? ok() : err(QStringLiteral("no ringing call"));
}

QString ctlHangup(PbxSimulator &sim, const Words &w)
{
    return w.size() == 1 ? ok(QString::number(sim.hangup(w.at(0)))) : err(QStringLiteral("usage: hangup <exten|uid>"));
}

QString ctlTransfer(PbxSimulator &sim, const Words &w)
{
    return w.size() == 2 ? ok(QString::number(sim.transferParty(w.at(0), w.at(1))))
                         : err(QStringLiteral("usage: transfer <exten|number> <target>"));
}

QString ctlBlf(PbxSimulator &sim, const Words &w)
{
    bool isInt = false;
    const int state = w.value(1).toInt(&isInt);
    if (w.size() != 2 || !isInt || !sim.data().extensions.contains(w.at(0)))
        return err(QStringLiteral("usage: blf <exten> <state>"));
    sim.setBlf(w.at(0), state);
    return ok();
}

QString ctlPresence(PbxSimulator &sim, const Words &w)
{
    bool isInt = false;
    int p = w.value(1).toInt(&isInt);
    if (!isInt)
        p = CTILIB::chatPresenceFromString(w.value(1));
    if (w.size() < 2 || p < 0 || p > 5 || !sim.data().extensions.contains(w.at(0)))
        return err(QStringLiteral("usage: presence <exten> <0-5|name> [text]"));
    sim.setPresence(w.at(0), p, rest(w, 2));
    return ok();
}

QString ctlChat(PbxSimulator &sim, const Words &w)
{
    if (w.size() < 3 || !sim.sendChat(w.at(0), w.at(1), rest(w, 2)))
        return err(QStringLiteral("usage: chat <from-exten> <to-exten> <text>"));
    return ok();
}

QString ctlParkNotice(PbxSimulator &sim, const Words &w)
{
    if (w.size() < 3 || !sim.sendParkNotice(w.at(0), w.at(1), w.at(2), w.size() > 3 ? w.at(3).toInt() : 45))
        return err(QStringLiteral("usage: parknotice <exten> <number> <slot> [seconds]"));
    return ok();
}

QString ctlQueueEvent(PbxSimulator &sim, const Words &w)
{
    if (w.size() != 2 || !sim.sendQueueEvent(w.at(0), w.at(1).toInt()))
        return err(QStringLiteral("usage: queueevent <queue-id> <waiting>"));
    return ok();
}

QString ctlVoicemail(PbxSimulator &sim, const Words &words)
{
    // The sender's name is the rest of the line after "name=".
    Words w = words;
    QString name;
    for (int i = 0; i < w.size(); ++i) {
        if (w.at(i).startsWith(QLatin1String("name="))) {
            name = rest(w, i).mid(5);
            w = w.mid(0, i);
            break;
        }
    }
    bool isInt = true;
    const int seconds = w.size() >= 3 ? w.at(2).toInt(&isInt) : 10;
    const QString uuid =
        w.size() >= 2 && w.size() <= 3 && isInt ? sim.leaveVoicemail(w.at(0), w.at(1), seconds, name) : QString();
    if (uuid.isEmpty())
        return err(QStringLiteral("usage: voicemail <exten> <from-number> [seconds] [name=<sender name>]"));
    return ok(uuid);
}

QString ctlEcho(PbxSimulator &sim, const Words &w)
{
    if (w.size() != 2 || w.at(0) != QLatin1String("mailbox") || !isOnOff(w.at(1)))
        return err(QStringLiteral("usage: echo mailbox on|off"));
    sim.setEchoMailboxStatus(w.at(1) == QLatin1String("on"));
    return ok();
}

QString ctlPeriodStats(PbxSimulator &sim, const Words &w)
{
    if (w.size() != 2 || !sim.data().queues.contains(w.at(0)) || !isOnOff(w.at(1)))
        return err(QStringLiteral("usage: periodstats <queue-id> on|off"));
    sim.setPeriodStatsShown(w.at(0), w.at(1) == QLatin1String("on"));
    return ok();
}

QString ctlDisconnect(PbxSimulator &sim, const Words &w)
{
    if (w.size() < 2)
        return err(QStringLiteral("usage: disconnect <user|*> <reason>"));
    return ok(QString::number(sim.disconnectClients(w.at(0), rest(w, 1))));
}

QString ctlRestart(PbxSimulator &sim, const Words &)
{
    sim.restart();
    return ok();
}

QString ctlKeepAlive(PbxSimulator &sim, const Words &w)
{
    if (w.size() != 1 || !isOnOff(w.at(0)))
        return err(QStringLiteral("usage: keepalive on|off"));
    sim.setAnswerKeepAlives(w.at(0) == QLatin1String("on"));
    return ok();
}

QString ctlDelay(PbxSimulator &sim, const Words &w)
{
    static const struct {
        const char *name;
        void (PbxSimulator::*set)(int);
    } delays[] = {
        {"answer", &PbxSimulator::setAnswerDelay},  {"ring", &PbxSimulator::setRingTimeout},
        {"talk", &PbxSimulator::setTalkTime},       {"park", &PbxSimulator::setParkTimeout},
        {"chat", &PbxSimulator::setChatReplyDelay},
    };
    bool isInt = false;
    const int ms = w.value(1).toInt(&isInt);
    if (w.size() != 2 || !isInt || ms < 0)
        return err(QStringLiteral("usage: delay answer|ring|talk|park|chat <ms>"));
    for (const auto &d : delays) {
        if (w.at(0) == QLatin1String(d.name)) {
            (sim.*d.set)(ms);
            return ok();
        }
    }
    return err(QStringLiteral("unknown delay %1").arg(w.at(0)));
}

QString ctlTrace(PbxSimulator &sim, const Words &w)
{
    if (w.size() != 1)
        return err(QStringLiteral("usage: trace <file>|off"));
    if (w.at(0) == QLatin1String("off")) {
        sim.stopTrace();
        return ok();
    }
    QString error;
    return sim.setTraceFile(w.at(0), &error) ? ok() : err(error);
}

QString ctlStatus(PbxSimulator &sim, const Words &)
{
    return ok(QStringLiteral("port=%1 sessions=%2 users=%3 calls=%4")
                  .arg(sim.serverPort())
                  .arg(sim.sessionCount())
                  .arg(sim.loggedInUsers().join(QLatin1Char(',')))
                  .arg(sim.activeCallCount()));
}

// --- sip: sub-commands, each answering a null text when its words do not fit
// (then the usage of "sip" is the answer)

QString sipStatus(PbxSimulator &sim, const Words &)
{
    QStringList regs;
    const QMap<QString, SimExtension> &extensions = sim.data().extensions;
    for (auto it = extensions.cbegin(); it != extensions.cend(); ++it) {
        if (sim.isSipRegistered(it.key()))
            regs << it.key();
    }
    return ok(QStringLiteral("udp-tcp=%1 tls=%2 registered=%3")
                  .arg(sim.sipPort())
                  .arg(sim.sipTlsPort())
                  .arg(regs.join(QLatin1Char(','))));
}

QString sipRegisters(PbxSimulator &sim, const Words &w)
{
    return w.size() == 2 ? ok(QString::number(sim.sipRegisterRequests(w.at(1)))) : QString();
}

QString sipTone(PbxSimulator &sim, const Words &w)
{
    if (w.size() != 2)
        return QString();
    bool isInt = false;
    const int hz = w.at(1).toInt(&isInt);
    if (!isInt || hz < -1 || hz > 3900)
        return err(QStringLiteral("usage: sip tone <0-3900|-1>"));
    sim.setSipPlayTone(hz);
    return ok();
}

QString sipPlay(PbxSimulator &sim, const Words &w)
{
    if (w.size() < 2)
        return QString();
    const QString path = rest(w, 1);
    if (!QFileInfo(path).isFile())
        return err(QStringLiteral("no file %1").arg(path));
    sim.setSipPlayFile(path);
    return ok();
}

QString sipCheck(PbxSimulator &sim, const Words &w)
{
    if (w.size() != 3)
        return QString();
    bool isNum = false;
    const double hz = w.at(2).toDouble(&isNum);
    if (!isNum || hz <= 0 || hz >= 4000)
        return err(QStringLiteral("usage: sip check <uid> <hz>"));
    const double p = sim.sipReceivedTonePower(w.at(1), hz);
    return p < 0 ? err(QStringLiteral("no audio for %1").arg(w.at(1))) : ok(QString::number(p, 'f', 3));
}

QString sipCodecs(PbxSimulator &sim, const Words &w)
{
    if (w.size() < 2)
        return QString();
    return sim.setSipCodecs(w.mid(1)) ? ok() : err(QStringLiteral("usage: sip codecs PCMA|PCMU|GSM|G726|G722 ..."));
}

QString sipDigits(PbxSimulator &sim, const Words &w)
{
    return w.size() == 2 ? ok(sim.sipReceivedDigits(w.at(1))) : QString();
}

QString sipHold(PbxSimulator &sim, const Words &w)
{
    if (w.size() != 3 || !isOnOff(w.at(2)))
        return QString();
    return sim.sipHold(w.at(1), w.at(2) == QLatin1String("on")) ? ok() : err(QStringLiteral("no such SIP call"));
}

QString ctlSip(PbxSimulator &sim, const Words &w)
{
    static const struct {
        const char *name;
        QString (*run)(PbxSimulator &, const Words &);
    } subcommands[] = {
        {"status", sipStatus}, {"registers", sipRegisters}, {"tone", sipTone},     {"play", sipPlay},
        {"check", sipCheck},   {"codecs", sipCodecs},       {"digits", sipDigits}, {"hold", sipHold},
    };
    const QString sub = w.value(0).toLower();
    if (!sim.isSipListening())
        return err(QStringLiteral("the SIP side is not listening"));
    for (const auto &c : subcommands) {
        if (sub == QLatin1String(c.name)) {
            const QString answer = c.run(sim, w);
            if (!answer.isNull())
                return answer;
            break;
        }
    }
    return err(QStringLiteral("usage: sip status|registers|tone|play|codecs|check|digits|hold ..."));
}

QString ctlQuit(PbxSimulator &sim, const Words &)
{
    emit sim.quitRequested();
    return ok();
}

QString ctlHelp(PbxSimulator &, const Words &)
{
    return PbxSimulator::controlHelp().trimmed();
}

struct ControlCommand {
    const char *name;
    QString (*run)(PbxSimulator &sim, const Words &w);
    const char *help; // its lines in the help text, in the table's order
};

// clang-format off
const ControlCommand kCommands[] = {
    {"call", ctlCall,
     "call <from-number> <to-exten> [queue=<id>] [name=<caller name>]  incoming call to an extension\n"},
    {"answer", ctlAnswer,
     "answer <exten>                      the extension's device answers its ringing call\n"},
    {"hangup", ctlHangup,
     "hangup <exten|uid|number>           end the calls of an extension or party\n"},
    {"transfer", ctlTransfer,
     "transfer <exten|number> <target>    that party hands its answered call on to the target\n"},
    {"blf", ctlBlf,
     "blf <exten> <state>                 busy-lamp state (-1, 0, 1, 2, 4, 8, 9, 16, 17)\n"},
    {"presence", ctlPresence,
     "presence <exten> <0-5|name> [text]  chat presence and message\n"},
    {"chat", ctlChat,
     "chat <from-exten> <to-exten> <text> chat message\n"},
    {"parknotice", ctlParkNotice,
     "parknotice <exten> <number> <slot> [seconds]  park notice to a user\n"},
    {"queueevent", ctlQueueEvent,
     "queueevent <queue-id> <waiting>     queue waiting-calls update\n"},
    {"voicemail", ctlVoicemail,
     "voicemail <exten> <from-number> [seconds] [name=<sender name>]  a new voicemail message\n"},
    {"echo", ctlEcho,
     "echo mailbox on|off                 answer each voicemail list request with a mailbox status too\n"},
    {"periodstats", ctlPeriodStats,
     "periodstats <queue-id> on|off       the queue in the period statistics replies or not\n"},
    {"disconnect", ctlDisconnect,
     "disconnect <user|*> <reason>        force a disconnection with a reason\n"},
    {"restart", ctlRestart,
     "restart                             PBX restart (everybody is disconnected)\n"},
    {"keepalive", ctlKeepAlive,
     "keepalive on|off                    answer keep-alives or not\n"},
    {"delay", ctlDelay,
     "delay answer|ring|talk|park|chat <ms>  timing of the simulated parties\n"},
    {"trace", ctlTrace,
     "trace <file>|off                    trace of the commands received\n"},
    {"status", ctlStatus,
     "status                              sessions, users and calls\n"},
    {"sip", ctlSip,
     "sip status                          SIP ports and registered extensions\n"
     "sip registers <exten>               REGISTER requests received for the extension's SIP account\n"
     "sip tone <hz>                       the far end of softphone calls plays a tone (0: silence, -1: no RTP)\n"
     "sip play <wav-file>                 the far end plays a WAV file (8 kHz mono 16-bit)\n"
     "sip codecs <name>...                the far end's codecs in order (PCMA PCMU GSM G726 G722)\n"
     "sip check <uid> <hz>                power (0-1) of a tone received from the softphone\n"
     "sip digits <uid>                    DTMF digits received from the softphone\n"
     "sip hold <uid> on|off               the far end holds the softphone or takes it back\n"},
    {"quit", ctlQuit,
     "quit                                end the simulator\n"},
    {"help", ctlHelp, ""},
};
// clang-format on

} // namespace

QString PbxSimulator::controlHelp()
{
    QString text;
    for (const ControlCommand &c : kCommands)
        text += QLatin1String(c.help);
    return text;
}

QString PbxSimulator::executeControl(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
        return QString();
    QStringList w = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString cmd = w.takeFirst().toLower();
    for (const ControlCommand &c : kCommands) {
        if (cmd == QLatin1String(c.name))
            return c.run(*this, w);
    }
    return err(QStringLiteral("unknown command '%1' (try help)").arg(cmd));
}
