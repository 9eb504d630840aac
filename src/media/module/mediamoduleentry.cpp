// The media module's side: the one entry point and what it hands out. Built
// into libdeskline_media.so only; everything but the entry point is hidden.
#include "media/mediamodule.h"
#include "vdkengine.h"

#include <QAudioDeviceInfo>
#include <QAudioFormat>
#include <QAudioInput>
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QObject>
#include <QSound>
#include <QUrl>

namespace
{

class MediaPlayerAudio final : public DesklineMedia::VoicemailAudio
{
public:
    explicit MediaPlayerAudio(Listener &listener)
    {
        player.setObjectName(QStringLiteral("voicemailMediaPlayer"));
        QObject::connect(&player, &QMediaPlayer::positionChanged,
                         [&listener](qint64 ms) { listener.positionChanged(ms); });
        QObject::connect(&player, &QMediaPlayer::durationChanged,
                         [&listener](qint64 ms) { listener.durationChanged(ms); });
        QObject::connect(&player, &QMediaPlayer::audioAvailableChanged,
                         [&listener](bool available) { listener.audioAvailableChanged(available); });
        QObject::connect(&player, QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error),
                         [&listener](QMediaPlayer::Error) { listener.errorOccurred(); });
        QObject::connect(&player, &QMediaPlayer::mediaStatusChanged, [&listener](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::EndOfMedia)
                listener.endOfMedia();
        });
    }
    ~MediaPlayerAudio() override
    {
        // No event reaches the program while the player winds down.
        QObject::disconnect(&player, nullptr, nullptr, nullptr);
    }

    void setLocalFile(const QString &path) override { player.setMedia(QUrl::fromLocalFile(path)); }
    void play() override { player.play(); }
    void pause() override { player.pause(); }
    void stop() override { player.stop(); }
    void setPosition(qint64 ms) override { player.setPosition(ms); }
    QString errorString() const override { return player.errorString(); }

private:
    QMediaPlayer player;
};

// Holds a Qt Multimedia handle of a system device; released later, on its
// thread's event loop, as the device objects want.
class OpenedDevice final : public DesklineMedia::SystemAudioDevice
{
public:
    explicit OpenedDevice(QObject *handle) : handle(handle) {}
    ~OpenedDevice() override { handle->deleteLater(); }

private:
    QObject *handle;
};

QAudio::Mode modeOf(bool input)
{
    return input ? QAudio::AudioInput : QAudio::AudioOutput;
}

class MediaModule final : public DesklineMedia::Module
{
public:
    int interfaceVersion() const override { return DesklineMedia::kInterfaceVersion; }

    std::unique_ptr<VDK::EngineBackend> createEngine(const VDKLogConfig &logConfig, VDK::EngineEvents *events) override
    {
        return std::make_unique<VDKEngineBackend>(logConfig, events);
    }

    void playSound(const QString &file) override { QSound::play(file); }

    std::unique_ptr<DesklineMedia::VoicemailAudio>
    createVoicemailAudio(DesklineMedia::VoicemailAudio::Listener &listener) override
    {
        return std::make_unique<MediaPlayerAudio>(listener);
    }

    QStringList systemAudioDevices(bool input) const override
    {
        QStringList names;
        for (const QAudioDeviceInfo &info : QAudioDeviceInfo::availableDevices(modeOf(input)))
            names << info.deviceName();
        return names;
    }

    std::unique_ptr<DesklineMedia::SystemAudioDevice> openSystemAudioDevice(bool input, const QString &name) override
    {
        for (const QAudioDeviceInfo &info : QAudioDeviceInfo::availableDevices(modeOf(input))) {
            if (info.deviceName() != name)
                continue;
            QObject *handle = input ? static_cast<QObject *>(new QAudioInput(info, QAudioFormat()))
                                    : static_cast<QObject *>(new QAudioOutput(info, QAudioFormat()));
            return std::make_unique<OpenedDevice>(handle);
        }
        return nullptr;
    }
};

} // namespace

extern "C" Q_DECL_EXPORT DesklineMedia::Module *deskline_media_module()
{
    static MediaModule module;
    return &module;
}
