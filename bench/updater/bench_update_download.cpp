// Download of a large installer (1 GiB by default) over TLS from the local
// test update service, streamed to disk and verified by MD5 and SHA-1 while
// it arrives. The service runs on its own thread; the download and the
// verification run as in the client, on the main (GUI) thread.
//
// Targets (the program exits 1 when one is missed):
//   - peak resident memory growth during the download <= 16 MiB;
//   - no stall of the main thread's event loop above 50 ms;
//   - hashing at disk speed: MD5 and SHA-1 are computed while the data is
//     written, each on its own thread, so the verdict comes within 250 ms of
//     the last byte (no second pass over the file). The speed of each hash
//     and of the disk are reported beside it; one MD5 stream runs at one
//     core's speed, which a fast disk can exceed.
// The downloaded file lives in a temporary directory removed at the end.
//
//   bench_update_download [MiB]
#include "procmemory.h"
#include "testupdateservice.h"
#include "updater/baseupdater.h"
#include "updater/filexfermanager.h"
#include "updater/programlauncher.h"
#include "updater/updaterutils.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace
{
constexpr int BlockSize = 1 << 20;

double mibPerSec(qint64 bytes, qint64 ms)
{
    return ms > 0 ? double(bytes) / (1 << 20) / (double(ms) / 1000.0) : 0.0;
}

// Disk write speed: `bytes` written in blocks and synced.
double diskWriteSpeed(const QString &path, qint64 bytes, const QByteArray &block)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return 0;
    QElapsedTimer t;
    t.start();
    for (qint64 done = 0; done < bytes; done += block.size())
        f.write(block);
    f.flush();
    ::fdatasync(f.handle());
    const qint64 ms = t.elapsed();
    f.close();
    QFile::remove(path);
    return mibPerSec(bytes, ms);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    const qint64 size = mib * 1024 * 1024;
    QTemporaryDir dir;
    if (!dir.isValid() || mib <= 0) {
        std::fprintf(stderr, "usage: bench_update_download [MiB] (needs a writable temporary directory)\n");
        return 2;
    }
    const QStorageInfo storage(dir.path());
    if (storage.bytesAvailable() < size + (qint64(512) << 20)) {
        std::printf("skipped: %lld MiB free in %s, %lld MiB needed\n",
                    static_cast<long long>(storage.bytesAvailable() >> 20), qPrintable(dir.path()),
                    static_cast<long long>((size >> 20) + 512));
        return 0;
    }

    // Content: one random block repeated, offset by offset.
    QByteArray block(BlockSize, Qt::Uninitialized);
    QRandomGenerator gen(11);
    gen.fillRange(reinterpret_cast<quint32 *>(block.data()), BlockSize / 4);
    auto generate = [block](qint64 offset, int length) {
        QByteArray out;
        out.reserve(length);
        while (out.size() < length) {
            const int at = int((offset + out.size()) % BlockSize);
            out.append(block.constData() + at, qMin(length - out.size(), BlockSize - at));
        }
        return out;
    };

    // Expected hashes, and the speed of each hash on the client's block size
    // (the client computes the two side by side).
    QCryptographicHash md5(QCryptographicHash::Md5);
    QCryptographicHash sha1(QCryptographicHash::Sha1);
    QElapsedTimer hashTimer;
    hashTimer.start();
    for (qint64 done = 0; done < size; done += BlockSize)
        md5.addData(block);
    const double md5Speed = mibPerSec(size, hashTimer.restart());
    for (qint64 done = 0; done < size; done += BlockSize)
        sha1.addData(block);
    const double sha1Speed = mibPerSec(size, hashTimer.elapsed());
    const double diskSpeed = diskWriteSpeed(dir.filePath("disk-probe"), qMin<qint64>(size, qint64(256) << 20), block);

    // The service on its own thread.
    QThread serviceThread;
    serviceThread.start();
    auto *service = new TestUpdateService;
    TestUpdateService::File file;
    file.size = size;
    file.generate = generate;
    service->files.insert("/files/big", file);
    service->moveToThread(&serviceThread);
    bool listening = false;
    QMetaObject::invokeMethod(
        service, [service, &listening] { listening = service->start(); }, Qt::BlockingQueuedConnection);
    if (!listening) {
        std::fprintf(stderr, "the test service does not start\n");
        return 1;
    }

    BaseUpdater trust(QStringLiteral("bench"), ProgramStarter::system());
    trust.setExtraCaCertificates({TestUpdateService::caCertificate()});
    FileXferManager manager;
    manager.setSslConfiguration(trust.sslConfiguration());
    DownloadableFileInfo info;
    info.fileName = QStringLiteral("Deskline-big.bin");
    info.url = service->url(QStringLiteral("/files/big")).toString();
    info.md5 = QString::fromLatin1(md5.result().toHex());
    info.sha1 = QString::fromLatin1(sha1.result().toHex());
    info.size = size;
    info.valid = true;
    XferConfig job(info);
    job.destinationDir = dir.path();

    // Event-loop stalls of the main thread.
    QElapsedTimer tick;
    qint64 worstGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { worstGap = qMax(worstGap, tick.restart()); });

    bool succeeded = false;
    QElapsedTimer sinceLastByte;
    QObject::connect(&manager, &FileXferManager::bytesReceived, [&](qint64 received, qint64) {
        if (received == size && !sinceLastByte.isValid())
            sinceLastByte.start();
    });
    qint64 verdictMs = -1;
    QObject::connect(&manager, &FileXferManager::fileXferSucceed, [&] {
        verdictMs = sinceLastByte.isValid() ? sinceLastByte.elapsed() : -1;
        succeeded = true;
        app.quit();
    });
    QObject::connect(&manager, &FileXferManager::fileXferFailed, [&] { app.quit(); });

    const long rssBefore = benchmem::statusValue("VmRSS");
    benchmem::resetPeak();
    QElapsedTimer total;
    total.start();
    tick.start();
    ticker.start(5);
    manager.transfer(job);
    app.exec();
    ticker.stop();
    const qint64 downloadMs = total.elapsed();
    const long peak = benchmem::statusValue("VmHWM");
    const long growthKiB = peak - rssBefore;
    const qint64 stallMs = qMax<qint64>(0, worstGap - 5);

    QMetaObject::invokeMethod(
        service,
        [service] {
            service->close();
            delete service;
        },
        Qt::BlockingQueuedConnection);
    serviceThread.quit();
    serviceThread.wait();

    // Checking the file again before the start reads it whole, off the GUI thread.
    QElapsedTimer verifyTimer;
    verifyTimer.start();
    const UpdaterHash::FileHashes again = UpdaterHash::hashFile(job.finalPath());
    const qint64 verifyMs = verifyTimer.elapsed();
    const bool verifiedAgain = again.ok && again.md5 == info.md5 && again.sha1 == info.sha1;
    QFile::remove(job.finalPath());

    std::printf("download of %lld MiB over TLS with MD5+SHA-1: %s in %lld ms (%.0f MiB/s)\n",
                static_cast<long long>(mib), succeeded ? "verified" : "FAILED", static_cast<long long>(downloadMs),
                mibPerSec(size, downloadMs));
    std::printf("peak memory growth: %.1f MiB (target <= 16 MiB)\n", growthKiB / 1024.0);
    std::printf("longest main-thread stall: %lld ms (target <= 50 ms)\n", static_cast<long long>(stallMs));
    std::printf("verdict %lld ms after the last byte (target <= 250 ms)\n", static_cast<long long>(verdictMs));
    std::printf("hashing: MD5 %.0f MiB/s, SHA-1 %.0f MiB/s, side by side; disk writes: %.0f MiB/s\n", md5Speed,
                sha1Speed, diskSpeed);
    std::printf("verification again before the start: %s, %lld ms (%.0f MiB/s)\n", verifiedAgain ? "ok" : "FAILED",
                static_cast<long long>(verifyMs), mibPerSec(size, verifyMs));

    bool ok = true;
    if (!succeeded || !verifiedAgain) {
        std::printf("FAIL: the download did not verify\n");
        ok = false;
    }
    if (growthKiB > 16 * 1024) {
        std::printf("FAIL: memory grew by more than 16 MiB\n");
        ok = false;
    }
    if (stallMs > 50) {
        std::printf("FAIL: the main thread stalled above 50 ms\n");
        ok = false;
    }
    if (verdictMs < 0 || verdictMs > 250) {
        std::printf("FAIL: the hashes were not ready with the last byte\n");
        ok = false;
    }
    return ok ? 0 : 1;
}
