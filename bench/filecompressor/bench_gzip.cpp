// Gzip of a large file (1 GiB by default) created in a temporary directory.
// Reports throughput and the peak resident memory above the start: the
// compressor streams through two fixed 1 MiB buffers, so the peak must stay
// within a few MiB of where it began whatever the file size (target: growth
// under 8 MiB). Exits with 1 when the target is missed, the peak cannot be
// measured, or the output is not a sound gzip file; with 2 when it cannot run
// (no room for the input and its output).
//
//   bench_gzip [MiB] [level]
#include "ext/filecompressor/qdfilecompressor.h"

#include "procmemory.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStorageInfo>

#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{

using benchmem::resetPeak;
using benchmem::statusValue;

const double kMaxGrowthMiB = 8.0;

// Text-like input: random words, compressible but not trivially.
bool writeInput(const QString &path, qint64 size)
{
    static const char *const words[] = {"chiamata ", "interno ",    "coda ", "operatore ",  "squillo ",
                                        "risposta ", "trasferita ", "\n",    "2026-12-10 ", "+390212345678 "};
    QByteArray block;
    block.reserve((1 << 20) + 32);
    QRandomGenerator gen(7);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    for (qint64 done = 0; done < size;) {
        block.clear();
        while (block.size() < (1 << 20))
            block += words[gen.bounded(10)];
        const qint64 n = qMin<qint64>(1 << 20, size - done);
        if (f.write(block.constData(), n) != n)
            return false;
        done += n;
    }
    return f.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    const int level = argc > 2 ? QByteArray(argv[2]).toInt() : 6;
    const qint64 size = mib * 1024 * 1024;
    QTemporaryDir dir;
    if (!dir.isValid() || mib <= 0) {
        std::fprintf(stderr, "usage: bench_gzip [MiB] [level] (needs a writable temporary directory)\n");
        return 2;
    }
    const QStorageInfo storage(dir.path());
    if (storage.bytesAvailable() < size * 2) {
        std::printf("not run: %lld MiB free in %s, %lld MiB needed\n",
                    static_cast<long long>(storage.bytesAvailable() >> 20), qPrintable(dir.path()),
                    static_cast<long long>((size * 2) >> 20));
        return 2;
    }
    const QString input = dir.filePath(QStringLiteral("input.txt"));
    if (!writeInput(input, size)) {
        std::fprintf(stderr, "cannot write the input file\n");
        return 1;
    }

    // The compressor prints a progress line per MiB; keep the report readable.
    std::fflush(stdout);
    const int savedStdout = ::dup(STDOUT_FILENO);
    const int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, STDOUT_FILENO);

    const bool peakReset = resetPeak();
    const long startRss = statusValue("VmRSS");
    QElapsedTimer timer;
    timer.start();
    const int rc = QdFileCompressor::compressGzipFile(input, level);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const long peakRss = peakReset ? statusValue("VmHWM") : -1;

    std::fflush(stdout);
    ::dup2(savedStdout, STDOUT_FILENO);
    ::close(savedStdout);
    ::close(devNull);

    const QString output = input + QStringLiteral(".gz");
    const qint64 outSize = QFileInfo(output).size();
    std::printf("gzip %lld MiB at level %d: rc %d, %.2f s, %.0f MB/s, output %.1f MiB (%.1f%%)\n",
                static_cast<long long>(mib), level, rc, seconds, size / 1e6 / seconds, outSize / 1048576.0,
                100.0 * outSize / size);
    bool flat = false;
    if (peakRss >= 0 && startRss >= 0) {
        const double growth = (peakRss - startRss) / 1024.0;
        flat = growth < kMaxGrowthMiB;
        std::printf("RSS at start %.1f MiB, peak %.1f MiB, growth %.1f MiB (target < %.0f MiB): %s\n",
                    startRss / 1024.0, peakRss / 1024.0, growth, kMaxGrowthMiB, flat ? "met" : "MISSED");
    } else {
        std::printf("peak RSS not measurable here (/proc/self/clear_refs): target not checked, MISSED\n");
    }
    if (rc != 0 || !flat)
        return 1;
    if (!QStandardPaths::findExecutable(QStringLiteral("gzip")).isEmpty()) {
        const int test = QProcess::execute(QStringLiteral("gzip"), {QStringLiteral("-t"), output});
        std::printf("gzip -t: %s\n", test == 0 ? "ok" : "FAILED");
        if (test != 0)
            return 1;
    }
    return 0;
}
