// An 8 kHz mono 16-bit WAV file with a sine, for the engine's file devices;
// used by the engine tests and the engine benchmark (Qt Core only).
#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <cmath>

namespace vdktest
{

// A sine of `hz` (silence for 0) lasting `ms`, peaking at `amplitude`.
inline bool writeToneWav(const QString &path, int hz, int ms, double amplitude = 9000.0)
{
    const int samples = 8 * ms;
    QByteArray pcm(samples * 2, '\0');
    for (int i = 0; i < samples && hz > 0; ++i)
        qToLittleEndian<qint16>(qint16(std::lround(amplitude * std::sin(2.0 * M_PI * hz * i / 8000.0))),
                                pcm.data() + 2 * i);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QDataStream out(&f);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + pcm.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(16000) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(pcm.size());
    out.writeRawData(pcm.constData(), pcm.size());
    return true;
}

} // namespace vdktest
