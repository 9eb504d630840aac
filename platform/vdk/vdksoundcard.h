// The system's sound devices for the engine: capture and playback through Qt
// Multimedia on a thread of their own, exchanged with the engine's 20 ms
// audio clock as 8 kHz mono 16-bit samples through bounded buffers. A device
// that cannot be opened gives silence (and swallows what is played).
#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

class QThread;

namespace VDK
{

class SoundCardWorker;

class SoundCard
{
public:
    SoundCard();
    ~SoundCard();
    SoundCard(const SoundCard &) = delete;
    SoundCard &operator=(const SoundCard &) = delete;

    // Any thread. Opening twice or closing what is not open does nothing.
    void openInput(const QString &name);
    void closeInput(const QString &name);
    void openOutput(const QString &name);
    void closeOutput(const QString &name);
    // Up to `n` captured samples; the rest is left as it is. Returns the count.
    size_t read(const QString &name, int16_t *pcm, size_t n);
    void write(const QString &name, const int16_t *pcm, size_t n);

private:
    QThread *m_thread = nullptr;
    SoundCardWorker *m_worker = nullptr;
};

} // namespace VDK
