// Start-up benchmark of the main window.
//
// The program runs, alternately, two child processes with a fresh settings
// directory seeded with a settings file, on an X server: the one DISPLAY
// names, else a private Xvfb started for the run. The time a user waits for
// is the time until the window is mapped and painted by the window system;
// Qt's offscreen platform has none, so it is used only when no X server can
// be had, and QT_QPA_PLATFORM, when set, names the platform outright:
//   bench_startup --child client <dir>   the client's whole start-up as the
//                                    program's entry runs it (the same
//                                    function, with the command line
//                                    "-o <dir> -s"), for a returning user: the
//                                    settings file holds the address of a PBX
//                                    simulator started for the run and the
//                                    demo user's credentials, and the client
//                                    logs in with them;
//   startup_minimal_window           a plain QMainWindow in a program linked
//                                    with Qt Widgets only, loading nothing of
//                                    the client.
// Neither loads Qt's OpenGL integration (the client by its own start-up, the
// minimal window by the environment it is given). Each child reports when its
// window has painted for the first time, its resident memory at that moment,
// the window's size and whether an OpenGL driver is mapped, and runs on. The
// parent measures the time from starting the child process to that report,
// and reads the child's resident memory itself (/proc/<pid>/status) 5 s after
// the start, then ends the child. The client must be logged in with its lists
// (extensions and phone book) by then; when the log-in comes later the
// resident size is read once it has come, and the run says so.
//
// Targets: the main window's first paint within 1.5x the time of the minimal
// window's, and its resident memory at 5 s within 1.3x. The roles run in
// pairs, one right after the other, and each target is checked on the median
// of the pairs' ratios: a pair sees the same machine state, so a busy moment
// slows both of its runs, and the median drops the pairs a burst of load hit
// one side of. The medians of the times and the ratio of the fastest runs are
// reported too. A run fails outright when the main window's first paint does
// not already show its background picture (what the first frame shows is not
// left for later), when a child has an OpenGL driver loaded, when the main
// window has a library mapped at its first paint that start-up leaves for
// later (firstpaint.h: the media module's set, libzip, the crypto and TLS
// libraries, SQLite), and when the main window changes its size after its
// first paint (the log-in must not widen it). Exits with 1 when a target is
// missed or a run fails.
//
//     bench_startup [runs]        (default 11 runs of each role)
#include "app/desklinestartup.h"
#include "directory/contactsmodel.h"
#include "directory/directorypanel.h"
#include "directory/extensionsmodel.h"
#include "firstpaint.h"
#include "framework/simpleobfuscator.h"
#include "mainwindow/mpgui.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifndef PBXSIM_BIN
#error "PBXSIM_BIN names the simulator program"
#endif

namespace
{

// When the parent reads the resident size, counted from the child's start.
const int kResidentAtMs = 5000;
// The longest a log-in may take on a busy machine before the run fails.
const int kLoginLimitMs = 30000;

// The settings of a returning user: CTI mode, the simulator's address and the
// demo user's credentials (the password scrambled as the client stores it).
// The minimal window's directory gets the same file, unread.
void seedSettings(const QString &dir, const QString &port)
{
    QSettings s(dir + QStringLiteral("/mcti.ini"), QSettings::IniFormat);
    s.beginGroup(QStringLiteral("CTI"));
    s.setValue(QStringLiteral("AppMode"), 0);
    s.setValue(QStringLiteral("Maddress"), QStringLiteral("127.0.0.1:") + port);
    s.setValue(QStringLiteral("user"), QStringLiteral("demo"));
    s.setValue(QStringLiteral("password"), SimpleObfuscator::hide(QStringLiteral("demo")));
    s.endGroup();
    s.sync();
}

// The client's entry with its own command line; its window reports its first
// paint and, once logged in with its lists, "LOGGEDIN".
int runChild(const char *program, const QString &settingsDir)
{
    static benchstartup::FirstPaint firstPaint;
    firstPaint.needsBackground = true;
    firstPaint.withoutLaterLibraries = true;
    firstPaint.keepRunning = true;
    const QList<QByteArray> args{program, "-o", QFile::encodeName(settingsDir), "-s"};
    static std::vector<QByteArray> storage(args.begin(), args.end());
    static std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int argc = int(storage.size());
    return DesklineStartup::runDeskline(argc, argv.data(), [](const MctiConfig &config) {
        MPGui *window = DesklineStartup::makeMainWindow(config);
        window->installEventFilter(&firstPaint);
        auto *poll = new QTimer(window);
        QObject::connect(poll, &QTimer::timeout, window, [window, poll] {
            DirectoryPanel *directory = window->directoryPanel();
            if (!window->isSessionUp() || !directory || !directory->extensionsModel() ||
                !directory->contactsBookModel() || directory->extensionsModel()->rowCount() == 0 ||
                directory->contactsBookModel()->rowCount() == 0)
                return;
            poll->stop();
            std::printf("LOGGEDIN %d %d\n", window->width(), window->height());
            std::fflush(stdout);
        });
        poll->start(20);
        return window;
    });
}

// The platform and X display the children run on.
QString gPlatform;
QString gDisplay;

// An Xvfb of this run's own, on a display number it picks itself.
class PrivateXServer
{
public:
    ~PrivateXServer()
    {
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            if (!server.waitForFinished(3000))
                server.kill();
            server.waitForFinished(3000);
        }
    }
    // The display (":N"), empty when Xvfb is missing or does not start.
    QString start()
    {
        // -displayfd 1: the server writes its display number to our pipe once
        // it accepts connections.
        server.setProcessChannelMode(QProcess::SeparateChannels);
        server.start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("1600x1000x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!server.waitForStarted(5000))
            return QString();
        QByteArray number;
        while (!number.contains('\n') && server.waitForReadyRead(10000))
            number += server.readAllStandardOutput();
        bool ok = false;
        const int display = number.trimmed().toInt(&ok);
        return ok ? QStringLiteral(":%1").arg(display) : QString();
    }

private:
    QProcess server;
};

QString choosePlatform(PrivateXServer *xvfb)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        gPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    } else if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        gPlatform = QStringLiteral("xcb");
    } else {
        gDisplay = xvfb->start();
        gPlatform = gDisplay.isEmpty() ? QStringLiteral("offscreen") : QStringLiteral("xcb");
    }
    if (gPlatform == QLatin1String("xcb") && gDisplay.isEmpty())
        gDisplay = qEnvironmentVariable("DISPLAY");
    QString shown = gPlatform;
    if (!gDisplay.isEmpty())
        shown += QStringLiteral(" on ") + gDisplay;
    return shown;
}

// The PBX simulator the client logs in to, one for the whole run.
class Simulator
{
public:
    ~Simulator()
    {
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            if (!sim.waitForFinished(5000))
                sim.kill();
            sim.waitForFinished(5000);
        }
    }
    // The port it listens on, empty when it did not start.
    QString start()
    {
        const QString portFile = dir.filePath(QStringLiteral("port"));
        sim.setProcessChannelMode(QProcess::MergedChannels);
        sim.setStandardOutputFile(dir.filePath(QStringLiteral("pbxsim.log")));
        sim.start(QStringLiteral(PBXSIM_BIN), {QStringLiteral("--demo"), QStringLiteral("--listen"),
                                               QStringLiteral("127.0.0.1:0"), QStringLiteral("--port-file"), portFile});
        if (!sim.waitForStarted(10000))
            return QString();
        QElapsedTimer t;
        t.start();
        while (QFileInfo(portFile).size() == 0) {
            if (t.elapsed() > 10000 || sim.state() != QProcess::Running)
                return QString();
            QThread::msleep(20);
        }
        QFile f(portFile);
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromLatin1(f.readAll()).trimmed();
    }

private:
    QTemporaryDir dir;
    QProcess sim;
};

const double kMaxRatio = 1.5;
const double kMaxMemoryRatio = 1.3;

struct Sample {
    double ms = 0;
    long rssAtPaintKiB = 0;
    bool openGl = false;
    long rssKiB = 0;     // read by the parent at kResidentAtMs (or at the log-in, when later)
    double loginMs = -1; // the client's log-in with its lists, from the start
    QString sizeProblem; // the window changed its size after its first paint
};

long residentKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

bool runOnce(const QString &program, const QStringList &arguments, bool client, const QString &port, Sample *out)
{
    QTemporaryDir home;
    seedSettings(home.path(), port);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), gPlatform);
    if (!gDisplay.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), gDisplay);
    // The minimal window goes without OpenGL too; the client's start-up sets
    // this itself, so it is taken out of the client's environment.
    env.remove(QStringLiteral("QT_XCB_GL_INTEGRATION"));
    if (!client)
        env.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    // Temporary files too: a child is ended without cleaning up, and the next
    // one must not find its leftovers as after a crash.
    env.insert(QStringLiteral("TMPDIR"), home.path());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    child.start(program, QStringList(arguments) << home.path());
    if (!child.waitForStarted(10000))
        return false;
    auto end = [&] {
        child.kill();
        child.waitForFinished(10000);
    };
    QByteArray output;
    while (!output.contains("SHOWN") && !output.contains("INCOMPLETE")) {
        if (!child.waitForReadyRead(30000))
            break;
        output += child.readAllStandardOutput();
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    const int at = output.indexOf("SHOWN ");
    if (at < 0) {
        end();
        output += child.readAllStandardOutput();
        std::fprintf(stderr, "%s%s", output.constData(), child.readAllStandardError().constData());
        return false;
    }
    out->ms = ms;
    const QList<QByteArray> fields = output.mid(at + 6).split('\n').value(0).simplified().split(' ');
    out->rssAtPaintKiB = fields.value(0).toLong();
    out->openGl = fields.value(1) != "0";
    const QByteArray shownSize = fields.value(2) + ' ' + fields.value(3);
    // Runs on to the moment of the resident size, and for the client to its
    // log-in with its lists.
    const auto loggedIn = [&] { return output.contains("LOGGEDIN"); };
    while (child.state() == QProcess::Running) {
        const qint64 now = clock.elapsed();
        if (client && loggedIn() && out->loginMs < 0)
            out->loginMs = now;
        if (now >= kResidentAtMs && (!client || loggedIn()))
            break;
        if (client && now >= kLoginLimitMs)
            break;
        child.waitForReadyRead(int(qMax<qint64>(1, qMin<qint64>(50, kResidentAtMs - now))));
        output += child.readAllStandardOutput();
    }
    out->rssKiB = child.state() == QProcess::Running ? residentKiB(child.processId()) : -1;
    output += child.readAllStandardOutput();
    end();
    if (out->rssKiB < 0) {
        std::fprintf(stderr, "child ended early: %s%s\n", output.constData(), child.readAllStandardError().constData());
        return false;
    }
    if (client && !loggedIn()) {
        std::fprintf(stderr, "the client did not log in with its lists within %d ms\n", kLoginLimitMs);
        return false;
    }
    // Every size the window took after its first paint, the log-in's among
    // them, must be the first one.
    int from = 0;
    while ((from = output.indexOf("RESIZED ", from)) >= 0) {
        const QByteArray size = output.mid(from + 8).split('\n').value(0).simplified();
        if (size != shownSize)
            out->sizeProblem = QStringLiteral("%1 at the first paint, then %2")
                                   .arg(QString::fromLatin1(shownSize), QString::fromLatin1(size));
        from += 8;
    }
    const int login = output.indexOf("LOGGEDIN ");
    if (client && login >= 0) {
        const QByteArray size = output.mid(login + 9).split('\n').value(0).simplified();
        if (size != shownSize)
            out->sizeProblem = QStringLiteral("%1 at the first paint, %2 once logged in")
                                   .arg(QString::fromLatin1(shownSize), QString::fromLatin1(size));
    }
    return true;
}

template <typename T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename T> T smallest(const std::vector<T> &v)
{
    return *std::min_element(v.begin(), v.end());
}

template <typename T> T largest(const std::vector<T> &v)
{
    return *std::max_element(v.begin(), v.end());
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argv[0], QString::fromLocal8Bit(argv[3]));

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 11;
    const QString program = QCoreApplication::applicationFilePath();
    const QString minimalProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/startup_minimal_window");
    PrivateXServer xvfb;
    const QString platform = choosePlatform(&xvfb);
    Simulator sim;
    const QString port = sim.start();
    if (port.isEmpty()) {
        std::fprintf(stderr, "the PBX simulator did not start\n");
        return 1;
    }

    std::vector<double> msDeskline, msMinimal, pairRatios, memoryRatios, loginMs;
    std::vector<long> rssDeskline, rssMinimal, paintRssDeskline, paintRssMinimal;
    int lateLogins = 0;
    for (int i = 0; i < runs; ++i) {
        Sample s{};
        // Alternate the roles so that both see the same machine state.
        if (!runOnce(minimalProgram, {}, false, port, &s)) {
            std::fprintf(stderr, "minimal window did not start\n");
            return 1;
        }
        if (s.openGl) {
            std::fprintf(stderr, "minimal window loaded an OpenGL driver\n");
            return 1;
        }
        msMinimal.push_back(s.ms);
        rssMinimal.push_back(s.rssKiB);
        paintRssMinimal.push_back(s.rssAtPaintKiB);
        s = Sample{};
        // The settings directory comes last.
        if (!runOnce(program, {QStringLiteral("--child"), QStringLiteral("client")}, true, port, &s)) {
            std::fprintf(stderr, "main window did not start\n");
            return 1;
        }
        if (s.openGl) {
            std::fprintf(stderr, "main window loaded an OpenGL driver\n");
            return 1;
        }
        if (!s.sizeProblem.isEmpty()) {
            std::fprintf(stderr, "main window changed its size: %s\n", qPrintable(s.sizeProblem));
            return 1;
        }
        if (s.loginMs > kResidentAtMs)
            ++lateLogins;
        msDeskline.push_back(s.ms);
        rssDeskline.push_back(s.rssKiB);
        paintRssDeskline.push_back(s.rssAtPaintKiB);
        loginMs.push_back(s.loginMs);
        pairRatios.push_back(msDeskline.back() / msMinimal.back());
        memoryRatios.push_back(double(rssDeskline.back()) / double(rssMinimal.back()));
    }

    const double tD = median(msDeskline), tM = median(msMinimal);
    std::printf("bench_startup: %d runs each, %s, no OpenGL, median [min-max]\n", runs, qPrintable(platform));
    std::printf("  %-22s first paint %7.1f ms [%.1f-%.1f], resident %6ld KiB then, %6ld KiB [%ld-%ld] at %d s\n",
                "minimal window", tM, smallest(msMinimal), largest(msMinimal), median(paintRssMinimal),
                median(rssMinimal), smallest(rssMinimal), largest(rssMinimal), kResidentAtMs / 1000);
    std::printf("  %-22s first paint %7.1f ms [%.1f-%.1f], resident %6ld KiB then, %6ld KiB [%ld-%ld] at %d s\n",
                "Deskline main window", tD, smallest(msDeskline), largest(msDeskline), median(paintRssDeskline),
                median(rssDeskline), smallest(rssDeskline), largest(rssDeskline), kResidentAtMs / 1000);
    std::printf(
        "  %-22s logged in with its lists at %.0f ms [%.0f-%.0f]%s; kept its size\n", "", median(loginMs),
        smallest(loginMs), largest(loginMs),
        lateLogins
            ? qPrintable(
                  QStringLiteral(" (%1 runs after %2 s: resident read then)").arg(lateLogins).arg(kResidentAtMs / 1000))
            : "");
    const double ratio = median(pairRatios);
    const double memoryRatio = median(memoryRatios);
    const bool timeMet = ratio <= kMaxRatio;
    const bool memoryMet = memoryRatio <= kMaxMemoryRatio;
    std::printf("  ratio of medians %.2fx, of the fastest runs %.1f ms / %.1f ms = %.2fx\n", tD / tM,
                smallest(msDeskline), smallest(msMinimal), smallest(msDeskline) / smallest(msMinimal));
    std::printf("  first-paint ratio %.2fx [%.2f-%.2f], median of %d pairs (target: within %.1fx): %s\n", ratio,
                smallest(pairRatios), largest(pairRatios), runs, kMaxRatio, timeMet ? "met" : "MISSED");
    std::printf("  memory ratio      %.2fx [%.2f-%.2f] at %d s, median of %d pairs (target: within %.1fx): %s\n",
                memoryRatio, smallest(memoryRatios), largest(memoryRatios), kResidentAtMs / 1000, runs, kMaxMemoryRatio,
                memoryMet ? "met" : "MISSED");
    return timeMet && memoryMet ? 0 : 1;
}
