// Scrambles and unscrambles a database file of 50 MiB (and, to show that
// memory stays flat in the file size, of 5 MiB), both through the file copy
// and through a handler's reveal and save. Target: each direction under 1 s
// on 50 MiB, peak memory growth independent of the file size. Exits with 1
// when a target is missed or a round trip fails.
//
//   bench_dbscramble [MiB]
#include "framework/encryptedsqlitedbhandler.h"

#include "procmemory.h"
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>

namespace
{

using benchmem::resetPeak;
using benchmem::statusValue;

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    QCryptographicHash h(QCryptographicHash::Sha256);
    if (!f.open(QIODevice::ReadOnly) || !h.addData(&f))
        return QByteArray();
    return h.result();
}

bool writePlain(const QString &path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, '\0');
    QRandomGenerator gen(42);
    for (qint64 done = 0; done < size;) {
        gen.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
        const qint64 n = qMin<qint64>(block.size(), size - done);
        if (f.write(block.constData(), n) != n)
            return false;
        done += n;
    }
    return f.flush();
}

struct Result {
    double hideS = 0, revealS = 0, handlerRevealS = 0, handlerSaveS = 0;
    long peakGrowthKiB = 0;
    bool ok = false;
};

Result runOnce(const QString &dir, qint64 size)
{
    Result r;
    const QString plain = dir + QStringLiteral("/plain.sqlite");
    const QString scrambled = dir + QStringLiteral("/bench.db");
    const QString revealed = dir + QStringLiteral("/revealed.sqlite");
    if (!writePlain(plain, size))
        return r;
    const QByteArray original = fileHash(plain);

    resetPeak();
    const long startRss = statusValue("VmRSS");
    QElapsedTimer t;
    t.start();
    bool ok = EncryptedSqliteDbHandler::encryptOrDecryptFile(plain, scrambled, true);
    r.hideS = t.nsecsElapsed() / 1e9;
    t.restart();
    ok = ok && EncryptedSqliteDbHandler::encryptOrDecryptFile(scrambled, revealed, false);
    r.revealS = t.nsecsElapsed() / 1e9;
    ok = ok && fileHash(revealed) == original;
    QFile::remove(revealed);

    {
        DbhConfig config(dir, QStringLiteral("bench.db"), QString(), QString(), DRIVER_QSQLITE);
        config.logFileName = dir + QStringLiteral("/bench.log");
        t.restart();
        EncryptedSqliteDbHandler handler(config, nullptr); // reveals
        r.handlerRevealS = t.nsecsElapsed() / 1e9;
        t.restart();
        ok = ok && handler.encryptDb();
        r.handlerSaveS = t.nsecsElapsed() / 1e9;
    }
    r.peakGrowthKiB = statusValue("VmHWM") - startRss;
    EncryptedSqliteDbHandler::encryptOrDecryptFile(scrambled, revealed, false);
    r.ok = ok && fileHash(revealed) == original;
    QFile::remove(plain);
    QFile::remove(scrambled);
    QFile::remove(revealed);
    return r;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 50;
    QTemporaryDir dir;
    if (!dir.isValid() || mib <= 0) {
        std::fprintf(stderr, "usage: bench_dbscramble [MiB] (needs a writable temporary directory)\n");
        return 2;
    }

    const qint64 sizes[] = {mib * 1024 * 1024 / 10, mib * 1024 * 1024};
    Result results[2];
    for (int i = 0; i < 2; ++i) {
        results[i] = runOnce(dir.path(), sizes[i]);
        const Result &r = results[i];
        const double mb = sizes[i] / 1e6;
        std::printf("%6.1f MiB  hide %.3f s (%.0f MB/s)  reveal %.3f s (%.0f MB/s)  "
                    "handler reveal %.3f s  handler save %.3f s  peak RSS growth %ld KiB  %s\n",
                    sizes[i] / 1048576.0, r.hideS, mb / r.hideS, r.revealS, mb / r.revealS, r.handlerRevealS,
                    r.handlerSaveS, r.peakGrowthKiB, r.ok ? "round trip ok" : "ROUND TRIP FAILED");
        if (!r.ok)
            return 1;
    }
    const Result &big = results[1];
    const bool fast = big.hideS < 1.0 && big.revealS < 1.0 && big.handlerRevealS < 1.0 && big.handlerSaveS < 1.0;
    // Flat: the peak stays a few blocks above the start, far below the file
    // size, for the small and the large file alike.
    const bool flat = big.peakGrowthKiB < 4096 && results[0].peakGrowthKiB < 4096;
    std::printf("target: each direction under 1 s on %lld MiB: %s; memory flat in file size: %s\n",
                static_cast<long long>(mib), fast ? "met" : "MISSED", flat ? "met" : "MISSED");
    return fast && flat ? 0 : 1;
}
