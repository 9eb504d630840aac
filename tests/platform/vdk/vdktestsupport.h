// The engine against the simulated PBX on loopback: engine signals relayed
// queued to the test's thread, a WAV writer and reader, and a tone check.
#pragma once

#include "conditionwait.h"
#include "ctilib.h"
#include "pbxsimulator.h"
#include "vdkmedia.h"
#include "vdkqtengine.h"
#include "wavtone.h"

#include <QDataStream>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <memory>

namespace vdktest
{

// The engine's signals, received queued on the test's thread as the client
// receives them.
class Relay : public QObject
{
    Q_OBJECT
public:
    explicit Relay(VDKQtEngine *e)
    {
        const auto q = Qt::QueuedConnection;
        connect(e, &VDKQtEngine::sigCallEstablished, this, &Relay::established, q);
        connect(e, &VDKQtEngine::sigCallCanceled, this, &Relay::canceled, q);
        connect(e, &VDKQtEngine::sigRinging, this, &Relay::ringing, q);
        connect(e, &VDKQtEngine::sigOnHoldOk, this, &Relay::holdOk, q);
        connect(e, &VDKQtEngine::sigOnHoldFail, this, &Relay::holdFail, q);
        connect(e, &VDKQtEngine::sigSessionProgress, this, &Relay::progress, q);
        connect(e, &VDKQtEngine::sigFileReadingFinished, this, &Relay::fileFinished, q);
        connect(e, &VDKQtEngine::sigCallTerminated, this, &Relay::terminated, q);
        connect(e, &VDKQtEngine::sigRegistrationOk, this, &Relay::regOk, q);
        connect(e, &VDKQtEngine::sigRegistrationFail, this, &Relay::regFail, q);
        connect(e, &VDKQtEngine::sigSecureHandshakeRegistrationFail, this, &Relay::tlsFail, q);
        connect(e, &VDKQtEngine::sigIncomingCall, this, &Relay::incoming, q);
        connect(e, &VDKQtEngine::sigSipError, this, &Relay::sipError, q);
    }
signals:
    void established(int line);
    void canceled(int line);
    void ringing(int line);
    void holdOk(int line);
    void holdFail(int line);
    void progress(int line);
    void fileFinished(int device);
    void terminated(int line);
    void regOk(int account, int code, QString text);
    void regFail(int account, int code, QString text);
    void tlsFail(int account, int code, QString text);
    void incoming(int line, QString caller, QString callee);
    void sipError(int line, int code, QString text);
};

inline bool waitCount(QSignalSpy &spy, int n, int ms = testsupport::kConditionWaitMs)
{
    QElapsedTimer t;
    t.start();
    while (spy.count() < n && t.elapsed() < ms)
        spy.wait(50);
    return spy.count() >= n;
}

template <typename F> bool waitFor(F cond, int ms = testsupport::kConditionWaitMs)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms)
        QTest::qWait(20);
    return cond();
}

// The samples of a WAV file being written (the sizes in its header may not
// be final yet): everything after the 44-byte header.
inline QVector<qint16> readWavSamples(const QString &path)
{
    QFile f(path);
    QVector<qint16> out;
    if (!f.open(QIODevice::ReadOnly) || f.size() <= 44)
        return out;
    const QByteArray data = f.readAll().mid(44);
    out.resize(data.size() / 2);
    for (int i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<qint16>(data.constData() + 2 * i);
    return out;
}

// Tone power over the last second of a sample vector.
inline double lastSecondTone(const QVector<qint16> &s, double hz)
{
    if (s.size() < 4000)
        return 0.0;
    const int n = qMin(s.size(), 8000);
    return VDK::tonePower(reinterpret_cast<const int16_t *>(s.constData()) + (s.size() - n), size_t(n), hz);
}

} // namespace vdktest
