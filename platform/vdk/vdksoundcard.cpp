#include "vdksoundcard.h"

#include <rem.h>

#include <QAudioDeviceInfo>
#include <QAudioInput>
#include <QAudioOutput>
#include <QMap>
#include <QMutex>
#include <QThread>
#include <QTimer>

#include <deque>
#include <vector>

namespace VDK
{

namespace
{
constexpr size_t kMaxBuffered = 8000 / 5; // 200 ms at 8 kHz

// A format the device takes: 16-bit signed little-endian, mono or stereo, at
// a rate that is a whole multiple of 8 kHz (what the resampler handles).
bool pickFormat(const QAudioDeviceInfo &info, QAudioFormat *out)
{
    for (int rate : {8000, 16000, 48000, 24000, 32000}) {
        for (int ch : {1, 2}) {
            QAudioFormat f;
            f.setSampleRate(rate);
            f.setChannelCount(ch);
            f.setSampleSize(16);
            f.setSampleType(QAudioFormat::SignedInt);
            f.setByteOrder(QAudioFormat::LittleEndian);
            f.setCodec(QStringLiteral("audio/pcm"));
            if (info.isFormatSupported(f)) {
                *out = f;
                return true;
            }
        }
    }
    return false;
}

QAudioDeviceInfo findDevice(QAudio::Mode mode, const QString &name)
{
    for (const QAudioDeviceInfo &info : QAudioDeviceInfo::availableDevices(mode)) {
        if (info.deviceName() == name)
            return info;
    }
    return QAudioDeviceInfo();
}
} // namespace

struct SoundStream {
    QAudioInput *input = nullptr;
    QAudioOutput *output = nullptr;
    QIODevice *io = nullptr;
    QTimer *pump = nullptr;
    QAudioFormat format;
    struct auresamp rs;
    std::deque<int16_t> buffer; // 8 kHz mono, guarded by the card's mutex
};

class SoundCardWorker : public QObject
{
public:
    QMutex mutex;
    QMap<QString, SoundStream *> inputs, outputs;

    void open(bool isInput, const QString &name)
    {
        QMap<QString, SoundStream *> &map = isInput ? inputs : outputs;
        {
            QMutexLocker lock(&mutex);
            if (map.contains(name))
                return;
        }
        const QAudioDeviceInfo info = findDevice(isInput ? QAudio::AudioInput : QAudio::AudioOutput, name);
        auto *s = new SoundStream;
        auresamp_init(&s->rs);
        if (!info.isNull() && pickFormat(info, &s->format)) {
            const uint32_t rate = uint32_t(s->format.sampleRate());
            const unsigned ch = unsigned(s->format.channelCount());
            if (isInput) {
                auresamp_setup(&s->rs, rate, ch, 8000, 1);
                s->input = new QAudioInput(info, s->format, this);
                s->input->setBufferSize(s->format.bytesForDuration(60000));
                s->io = s->input->start();
                if (s->io)
                    connect(s->io, &QIODevice::readyRead, this, [this, s] { capture(s); });
            } else {
                auresamp_setup(&s->rs, 8000, 1, rate, ch);
                s->output = new QAudioOutput(info, s->format, this);
                s->output->setBufferSize(s->format.bytesForDuration(80000));
                s->io = s->output->start();
                s->pump = new QTimer(this);
                s->pump->setInterval(10);
                connect(s->pump, &QTimer::timeout, this, [this, s] { play(s); });
                s->pump->start();
            }
        }
        QMutexLocker lock(&mutex);
        map.insert(name, s);
    }

    void close(bool isInput, const QString &name)
    {
        SoundStream *s = nullptr;
        {
            QMutexLocker lock(&mutex);
            s = (isInput ? inputs : outputs).take(name);
        }
        if (!s)
            return;
        if (s->input)
            s->input->stop();
        if (s->output)
            s->output->stop();
        delete s->pump;
        delete s->input;
        delete s->output;
        delete s;
    }

    void capture(SoundStream *s)
    {
        const QByteArray data = s->io->readAll();
        const size_t inc = size_t(data.size()) / 2;
        if (inc == 0)
            return;
        std::vector<int16_t> out(inc + 16);
        size_t outc = out.size();
        if (auresamp(&s->rs, out.data(), &outc, reinterpret_cast<const int16_t *>(data.constData()), inc) != 0)
            return;
        QMutexLocker lock(&mutex);
        s->buffer.insert(s->buffer.end(), out.begin(), out.begin() + long(outc));
        while (s->buffer.size() > kMaxBuffered)
            s->buffer.pop_front();
    }

    void play(SoundStream *s)
    {
        if (!s->io || !s->output)
            return;
        std::vector<int16_t> in;
        {
            QMutexLocker lock(&mutex);
            in.assign(s->buffer.begin(), s->buffer.end());
            s->buffer.clear();
        }
        if (in.empty())
            return;
        const unsigned factor = unsigned(s->format.sampleRate() / 8000) * unsigned(s->format.channelCount());
        std::vector<int16_t> out(in.size() * factor + 16);
        size_t outc = out.size();
        if (auresamp(&s->rs, out.data(), &outc, in.data(), in.size()) != 0)
            return;
        const qint64 bytes = std::min<qint64>(qint64(outc) * 2, s->output->bytesFree());
        if (bytes > 0)
            s->io->write(reinterpret_cast<const char *>(out.data()), bytes);
    }
};

SoundCard::SoundCard()
{
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("vdk-sound"));
    m_worker = new SoundCardWorker;
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

SoundCard::~SoundCard()
{
    QMetaObject::invokeMethod(
        m_worker,
        [w = m_worker] {
            for (const QString &n : w->inputs.keys())
                w->close(true, n);
            for (const QString &n : w->outputs.keys())
                w->close(false, n);
            delete w;
        },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void SoundCard::openInput(const QString &name)
{
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, name] { w->open(true, name); }, Qt::QueuedConnection);
}

void SoundCard::closeInput(const QString &name)
{
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, name] { w->close(true, name); }, Qt::QueuedConnection);
}

void SoundCard::openOutput(const QString &name)
{
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, name] { w->open(false, name); }, Qt::QueuedConnection);
}

void SoundCard::closeOutput(const QString &name)
{
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, name] { w->close(false, name); }, Qt::QueuedConnection);
}

size_t SoundCard::read(const QString &name, int16_t *pcm, size_t n)
{
    QMutexLocker lock(&m_worker->mutex);
    SoundStream *s = m_worker->inputs.value(name);
    if (!s)
        return 0;
    const size_t got = std::min(n, s->buffer.size());
    std::copy(s->buffer.begin(), s->buffer.begin() + long(got), pcm);
    s->buffer.erase(s->buffer.begin(), s->buffer.begin() + long(got));
    return got;
}

void SoundCard::write(const QString &name, const int16_t *pcm, size_t n)
{
    QMutexLocker lock(&m_worker->mutex);
    SoundStream *s = m_worker->outputs.value(name);
    if (!s)
        return;
    s->buffer.insert(s->buffer.end(), pcm, pcm + n);
    while (s->buffer.size() > kMaxBuffered)
        s->buffer.pop_front();
}

} // namespace VDK
