// Idle benchmark: the real client, logged in to the PBX simulator, left alone.
//
// For each operating mode (CTI only, desk phone, softphone) the program starts
// `pbxsim` on loopback with its demo office and a request trace, and the
// client as `make run` does (a fresh settings directory, the demo user; in the
// phone modes identity 201 selected), on the platform QT_QPA_PLATFORM names
// (offscreen when unset). Once the log-in has settled (logged in, the phone
// of the mode ready, then a further settle time) the client is left alone for
// the window (120 s) and measured from outside:
//   - CPU: the client process's own user and system time (/proc/<pid>/stat),
//     so a busy machine does not count against it; target <= 1 % of a core;
//   - requests to the PBX, per minute and by type, from the simulator's
//     trace: only the client's refresh timers may explain them (the call
//     records and the mailbox status every 90 s, the identities every 30 s
//     with the supervisor's peer list, the phone books every 600 s, the
//     queue statistics every 300 s with their period statistics, the
//     keep-alive every 120 s, the rebranding check once after the log-in);
//     any other request, or more of one than its timer explains, misses;
//   - resident memory growth over the window (VmRSS): target <= 1 MiB;
//   - growth of the log files of the settings directory at the default log
//     level: target <= 20 KiB a minute.
// Exits with 1 when a target is missed, 2 when a run could not be made.
//
//     bench_idle [window-seconds] [cti|deskphone|softphone ...]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

#ifndef DESKLINE_BIN
#error "DESKLINE_BIN names the client program"
#endif
#ifndef PBXSIM_BIN
#error "PBXSIM_BIN names the simulator program"
#endif

namespace
{

const int kSettleSecs = 20;           // after the log-in, before the window opens
const double kCpuTargetPercent = 1.0; // of one core
const qint64 kRssTargetKiB = 1024;
const double kLogTargetKiBPerMin = 20.0;

struct Mode {
    QString name;
    int appMode;
};

// Sleeps in small steps while the condition does not hold, at most `ms`.
template <typename F> bool waitUntil(F condition, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QThread::msleep(100);
    }
    return true;
}

// utime + stime of a process, in clock ticks; -1 when it is gone.
qint64 cpuTicks(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = f.readAll();
    // The command name may hold blanks: the fields start after its ")".
    const int close = line.lastIndexOf(')');
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // Field 3 of the line (state) is index 0 here; utime and stime are 14 and 15.
    if (fields.size() < 13)
        return -1;
    return fields.at(11).toLongLong() + fields.at(12).toLongLong();
}

qint64 rssKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Bytes of the log files the client writes in its settings directory.
qint64 logBytes(const QString &dir, QMap<QString, qint64> *each = nullptr)
{
    qint64 total = 0;
    const QFileInfoList files = QDir(dir).entryInfoList(
        {QStringLiteral("*.log"), QStringLiteral("*.txt"), QStringLiteral("*.log.*")}, QDir::Files);
    for (const QFileInfo &fi : files) {
        total += fi.size();
        if (each)
            each->insert(fi.fileName(), fi.size());
    }
    return total;
}

// The client's requests in the trace from byte `from` on, by command.
QMap<QString, int> tracedRequests(const QString &trace, qint64 from, qint64 *end, int *sipLines)
{
    QMap<QString, int> out;
    QFile f(trace);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    f.seek(from);
    const QByteArray data = f.readAll();
    *end = from + data.size();
    for (const QByteArray &line : data.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.isEmpty())
            continue;
        if (o.value(QStringLiteral("session")).toInt() == 0)
            ++*sipLines; // the SIP side: the softphone's registration refreshes
        else
            ++out[o.value(QStringLiteral("cmd")).toString()];
    }
    return out;
}

bool traceHas(const QString &trace, const QByteArray &what)
{
    QFile f(trace);
    return f.open(QIODevice::ReadOnly) && f.readAll().contains(what);
}

// Requests that the client's timers send, with their periods in seconds; a
// period of 0 follows another request (named in `follows`), -1 comes once.
struct Budget {
    int periodSecs;
    QString follows;
    int perFollowed;
};

QMap<QString, Budget> timerBudgets()
{
    return {
        {QStringLiteral("getCdr"), {90, {}, 0}},
        {QStringLiteral("getMailboxStatus"), {90, {}, 0}},
        {QStringLiteral("getIdentities"), {30, {}, 0}},
        {QStringLiteral("getPeerList"), {30, {}, 0}},
        {QStringLiteral("getPhonebooks"), {600, {}, 0}},
        {QStringLiteral("getQueuesStats"), {300, {}, 0}},
        {QStringLiteral("getQueuePeriodicStats"), {0, QStringLiteral("getQueuesStats"), 2}},
        {QStringLiteral("getOperatorPeriodicStats"), {0, QStringLiteral("getQueuesStats"), 2}},
        {QStringLiteral("ping"), {120, {}, 0}},
        // Once, 30 to 60 s after the log-in, when the PBX offers a rebranding pack.
        {QStringLiteral("getRebranding"), {-1, {}, 0}},
    };
}

int allowed(const QMap<QString, Budget> &budgets, const QString &cmd, double windowSecs)
{
    const auto it = budgets.constFind(cmd);
    if (it == budgets.constEnd())
        return 0;
    if (it->periodSecs < 0)
        return 1;
    if (it->periodSecs > 0)
        return int(windowSecs / it->periodSecs) + 1;
    return it->perFollowed * allowed(budgets, it->follows, windowSecs);
}

struct Result {
    bool ran = false;
    bool met = true;
};

Result runMode(const Mode &mode, int windowSecs)
{
    Result r;
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    const QString portFile = dir.filePath(QStringLiteral("port"));
    QProcess sim;
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.setStandardOutputFile(dir.filePath(QStringLiteral("pbxsim.log")));
    QStringList simArgs{QStringLiteral("--demo"),
                        QStringLiteral("--listen"),
                        QStringLiteral("127.0.0.1:0"),
                        QStringLiteral("--port-file"),
                        portFile,
                        QStringLiteral("--trace"),
                        trace};
    if (mode.appMode == 2)
        simArgs << QStringLiteral("--sip-port") << QStringLiteral("0");
    sim.start(QStringLiteral(PBXSIM_BIN), simArgs);
    if (!sim.waitForStarted(10000) || !waitUntil([&] { return QFileInfo(portFile).size() > 0; }, 10000)) {
        std::printf("%s: the simulator did not start\n", qPrintable(mode.name));
        return r;
    }
    QFile pf(portFile);
    pf.open(QIODevice::ReadOnly);
    const QString port = QString::fromLatin1(pf.readAll()).trimmed();

    const QString settings = dir.filePath(QStringLiteral("settings"));
    QDir().mkpath(settings);
    {
        QFile ini(settings + QStringLiteral("/mcti.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("[CTI]\nAppMode=%1\n").arg(mode.appMode).toLatin1());
        if (mode.appMode != 0)
            ini.write("account=201\n");
    }
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.setStandardOutputFile(dir.filePath(QStringLiteral("deskline.out")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    client.setProcessEnvironment(env);
    client.start(QStringLiteral(DESKLINE_BIN),
                 {QStringLiteral("-o"), settings, QStringLiteral("-a"), QStringLiteral("127.0.0.1:") + port,
                  QStringLiteral("-u"), QStringLiteral("demo"), QStringLiteral("-p"), QStringLiteral("demo"),
                  QStringLiteral("-s")});
    auto stop = [&] {
        client.terminate();
        if (!client.waitForFinished(10000))
            client.kill();
        client.waitForFinished(5000);
        sim.terminate();
        if (!sim.waitForFinished(5000))
            sim.kill();
        sim.waitForFinished(5000);
    };
    if (!client.waitForStarted(10000)) {
        std::printf("%s: the client did not start\n", qPrintable(mode.name));
        stop();
        return r;
    }
    const qint64 pid = client.processId();
    // Logged in, and in the phone modes the phone ready: the desk phone
    // authorised, the softphone registered.
    bool ready = waitUntil([&] { return traceHas(trace, "\"cmd\":\"login\""); }, 30000);
    if (ready && mode.appMode == 1)
        ready = waitUntil([&] { return traceHas(trace, "\"cmd\":\"phoneGetDnd\""); }, 30000);
    if (ready && mode.appMode == 2)
        ready = waitUntil([&] { return traceHas(trace, "\"cmd\":\"sipRegister\""); }, 30000);
    if (!ready || client.state() != QProcess::Running) {
        std::printf("%s: the client did not log in (see %s)\n", qPrintable(mode.name), qPrintable(dir.path()));
        dir.setAutoRemove(false);
        stop();
        return r;
    }
    QThread::sleep(kSettleSecs);

    qint64 traceAt = QFileInfo(trace).size();
    const qint64 cpu0 = cpuTicks(pid);
    const qint64 rss0 = rssKiB(pid);
    const qint64 log0 = logBytes(settings);
    QElapsedTimer window;
    window.start();
    QThread::sleep(windowSecs);
    const qint64 cpu1 = cpuTicks(pid);
    const qint64 rss1 = rssKiB(pid);
    QMap<QString, qint64> logs;
    const qint64 log1 = logBytes(settings, &logs);
    const double secs = window.elapsed() / 1000.0;
    qint64 traceEnd = traceAt;
    int sipLines = 0;
    const QMap<QString, int> requests = tracedRequests(trace, traceAt, &traceEnd, &sipLines);
    const bool alive = client.state() == QProcess::Running && cpu1 >= 0;
    stop();
    if (!alive || cpu0 < 0 || rss0 < 0) {
        std::printf("%s: the client ended during the window\n", qPrintable(mode.name));
        return r;
    }
    r.ran = true;

    const double cpuPercent = 100.0 * double(cpu1 - cpu0) / double(sysconf(_SC_CLK_TCK)) / secs;
    const qint64 rssGrowth = rss1 - rss0;
    const double logKiBPerMin = double(log1 - log0) / 1024.0 / (secs / 60.0);
    std::printf("%s: %.0f s alone after the log-in settled\n", qPrintable(mode.name), secs);
    std::printf("  CPU %.2f %% of a core (target <= %.1f %%)\n", cpuPercent, kCpuTargetPercent);
    std::printf("  resident memory %lld KiB -> %lld KiB, growth %lld KiB (target <= %lld KiB)\n",
                static_cast<long long>(rss0), static_cast<long long>(rss1), static_cast<long long>(rssGrowth),
                static_cast<long long>(kRssTargetKiB));
    std::printf("  logs %.1f KiB/min (target <= %.0f KiB/min):", logKiBPerMin, kLogTargetKiBPerMin);
    for (auto it = logs.cbegin(); it != logs.cend(); ++it)
        std::printf(" %s %lld B", qPrintable(it.key()), static_cast<long long>(it.value()));
    std::printf("\n  trace %lld B in the window\n", static_cast<long long>(traceEnd - traceAt));
    std::printf("  requests per minute:");
    if (requests.isEmpty())
        std::printf(" none");
    for (auto it = requests.cbegin(); it != requests.cend(); ++it)
        std::printf(" %s %.1f", qPrintable(it.key()), it.value() / (secs / 60.0));
    if (sipLines > 0)
        std::printf(" (SIP side: %.1f)", sipLines / (secs / 60.0));
    std::printf("\n");

    if (cpuPercent > kCpuTargetPercent) {
        std::printf("  MISS: CPU above target\n");
        r.met = false;
    }
    if (rssGrowth > kRssTargetKiB) {
        std::printf("  MISS: resident memory grew above target\n");
        r.met = false;
    }
    if (logKiBPerMin > kLogTargetKiBPerMin) {
        std::printf("  MISS: logs grew above target\n");
        r.met = false;
    }
    const QMap<QString, Budget> budgets = timerBudgets();
    for (auto it = requests.cbegin(); it != requests.cend(); ++it) {
        const int most = allowed(budgets, it.key(), secs);
        if (it.value() > most) {
            std::printf("  MISS: %d %s requests, the timers explain %d\n", it.value(), qPrintable(it.key()), most);
            r.met = false;
        }
    }
    return r;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int windowSecs = 120;
    QList<Mode> modes;
    const QList<Mode> all{
        {QStringLiteral("cti"), 0}, {QStringLiteral("deskphone"), 1}, {QStringLiteral("softphone"), 2}};
    const QStringList args = app.arguments().mid(1);
    for (const QString &a : args) {
        bool isNumber = false;
        const int n = a.toInt(&isNumber);
        if (isNumber && n > 0) {
            windowSecs = n;
            continue;
        }
        bool known = false;
        for (const Mode &m : all) {
            if (m.name == a) {
                modes << m;
                known = true;
            }
        }
        if (!known) {
            std::fprintf(stderr, "usage: bench_idle [window-seconds] [cti|deskphone|softphone ...]\n");
            return 2;
        }
    }
    if (modes.isEmpty())
        modes = all;
    bool met = true;
    for (const Mode &m : modes) {
        const Result r = runMode(m, windowSecs);
        if (!r.ran)
            return 2;
        met = met && r.met;
    }
    std::printf(met ? "all idle targets met\n" : "MISS: an idle target was missed\n");
    return met ? 0 : 1;
}
