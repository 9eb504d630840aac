#include "crashhandler.h"

#include "globallogger.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

namespace
{

constexpr int kBacktraceDepth = 30;
constexpr int kLineMax = 512;

// Everything the handler touches is prepared outside signal context.
struct CrashLines {
    char prefix[128]; // "] [MODULE] [FATAL] "
    char versionLine[kLineMax];
    char warningPrefix[128]; // "] [MODULE] [WARNING] "
};

CrashLines g_lines[2];
std::atomic<int> g_current{-1}; // index into g_lines, -1: no log target
std::atomic<int> g_logFd{-1};
std::atomic<long> g_utcOffsetSecs{0};
int g_termPipe[2] = {-1, -1};

void copyText(char *dst, size_t size, const QByteArray &text)
{
    const size_t n = qMin(size - 1, size_t(text.size()));
    std::memcpy(dst, text.constData(), n);
    dst[n] = '\0';
}

void writeAll(int fd, const char *data, size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        data += n;
        len -= size_t(n);
    }
}

void writeText(int fd, const char *text)
{
    writeAll(fd, text, std::strlen(text));
}

// Decimal digits of v into buf (no terminator); returns the count.
int formatNumber(char *buf, long v, int width)
{
    char tmp[24];
    int n = 0;
    bool negative = v < 0;
    unsigned long u = negative ? 0UL - (unsigned long)v : (unsigned long)v;
    do {
        tmp[n++] = char('0' + u % 10);
        u /= 10;
    } while (u && n < 20);
    while (n < width)
        tmp[n++] = '0';
    int out = 0;
    if (negative)
        buf[out++] = '-';
    while (n)
        buf[out++] = tmp[--n];
    return out;
}

// "[yyyy-MM-dd hh:mm:ss.zzz" in local time, from the offset taken when the log
// target was set; only async-signal-safe calls.
void writeTimestamp(int fd)
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    long long secs = (long long)ts.tv_sec + g_utcOffsetSecs.load();
    long long days = secs / 86400;
    long long rem = secs % 86400;
    if (rem < 0) {
        rem += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (H. Hinnant's algorithm).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long year = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    if (month <= 2)
        ++year;

    char buf[64];
    int n = 0;
    buf[n++] = '[';
    n += formatNumber(buf + n, long(year), 4);
    buf[n++] = '-';
    n += formatNumber(buf + n, long(month), 2);
    buf[n++] = '-';
    n += formatNumber(buf + n, long(day), 2);
    buf[n++] = ' ';
    n += formatNumber(buf + n, long(rem / 3600), 2);
    buf[n++] = ':';
    n += formatNumber(buf + n, long(rem % 3600 / 60), 2);
    buf[n++] = ':';
    n += formatNumber(buf + n, long(rem % 60), 2);
    buf[n++] = '.';
    n += formatNumber(buf + n, long(ts.tv_nsec / 1000000), 3);
    writeAll(fd, buf, size_t(n));
}

// The start of a log line: time stamp, the logger's prefix, the function.
void writeLineStart(int fd, const char *prefix, const char *function)
{
    writeTimestamp(fd);
    writeText(fd, prefix);
    writeText(fd, function);
}

} // namespace

void sighandler(int signal)
{
    const int savedErrno = errno;
    const int idx = g_current.load();
    const int fd = idx >= 0 ? g_logFd.load() : -1;

    if (signal == SIGSEGV) {
        ::signal(SIGSEGV, SIG_DFL);
        if (fd >= 0) {
            const CrashLines &l = g_lines[idx];
            char num[24];
            const int n = formatNumber(num, signal, 1);
            writeLineStart(fd, l.prefix, Q_FUNC_INFO);
            writeText(fd, " FATAL: signal ");
            writeAll(fd, num, size_t(n));
            writeText(fd, "\n");
            writeLineStart(fd, l.prefix, Q_FUNC_INFO);
            writeText(fd, " ");
            writeText(fd, l.versionLine);
            writeText(fd, "\n");
            void *frames[kBacktraceDepth];
            const int count = backtrace(frames, kBacktraceDepth);
            if (count > 0) {
                writeLineStart(fd, l.prefix, Q_FUNC_INFO);
                writeText(fd, " Backtrace:\n");
                backtrace_symbols_fd(frames, count, fd);
            }
            fsync(fd);
        }
        // Die by the signal, also when it was sent rather than raised by a
        // fault (it is blocked until this handler returns).
        raise(SIGSEGV);
    } else if (signal == SIGTERM) {
        if (g_termPipe[1] >= 0) {
            const char byte = 'T';
            (void)!::write(g_termPipe[1], &byte, 1);
        }
    } else if (fd >= 0) {
        const CrashLines &l = g_lines[idx];
        char num[24];
        const int n = formatNumber(num, signal, 1);
        writeLineStart(fd, l.warningPrefix, Q_FUNC_INFO);
        writeText(fd, " WARNING: handler for signal ");
        writeAll(fd, num, size_t(n));
        writeText(fd, " not implemented!\n");
    }
    errno = savedErrno;
}

void installCrashHandler()
{
    if (g_termPipe[0] < 0 && ::pipe(g_termPipe) == 0) {
        for (int fd : g_termPipe) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }
    // backtrace() loads its unwinder on first use; do it now, not in the handler.
    void *frames[2];
    backtrace(frames, 2);

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = sighandler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGSEGV, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

namespace CrashHandler
{

void setLogTarget(int fd, const QString &module, const QString &applicationName, const QString &version)
{
    if (fd < 0) {
        clearLogTarget();
        return;
    }
    // Fill the slot not in use, then switch to it.
    const int next = g_current.load() == 0 ? 1 : 0;
    CrashLines &l = g_lines[next];
    copyText(l.prefix, sizeof l.prefix, QStringLiteral("] [%1] [FATAL] ").arg(module).toUtf8());
    copyText(l.warningPrefix, sizeof l.warningPrefix, QStringLiteral("] [%1] [WARNING] ").arg(module).toUtf8());
    copyText(l.versionLine, sizeof l.versionLine, QStringLiteral("%1 v. %2").arg(applicationName, version).toUtf8());
    g_utcOffsetSecs = QDateTime::currentDateTime().offsetFromUtc();
    g_logFd = fd;
    g_current = next;
}

void clearLogTarget()
{
    g_current = -1;
    g_logFd = -1;
}

int termPipeReadFd()
{
    return g_termPipe[0];
}

} // namespace CrashHandler

SigTermWatcher::SigTermWatcher(QObject *parent) : QObject(parent)
{
    const int fd = CrashHandler::termPipeReadFd();
    if (fd >= 0) {
        m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &SigTermWatcher::onSigTerm);
    }
}

namespace
{
bool g_terminationRequested = false;
}

bool SigTermWatcher::terminationRequested()
{
    return g_terminationRequested;
}

void SigTermWatcher::onSigTerm()
{
    g_terminationRequested = true;
    char buf[64];
    while (::read(CrashHandler::termPipeReadFd(), buf, sizeof buf) > 0) {
    }
    if (logger) {
        *logger << UNQL::LOG_INFO << Q_FUNC_INFO << "Got SIGTERM, exiting cleanly..." << UNQL::eom;
        logger->flush();
    }
    QCoreApplication::quit();
}
