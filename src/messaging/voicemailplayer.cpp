#include "voicemailplayer.h"

#include "media/mediamodule.h"

#include <QTimer>

namespace
{

// The program's player: Qt Multimedia's, in the media module. Without the
// module every request ends in errorOccurred (on the next turn of the event
// loop, as the multimedia player reports), with the load failure as its text.
class MediaVoicemailPlayer : public VoicemailPlayer
{
public:
    explicit MediaVoicemailPlayer(QObject *parent) : VoicemailPlayer(parent)
    {
        DesklineMedia::Module *media = DesklineMedia::module();
        if (!media)
            return;
        DesklineMedia::VoicemailAudio::Events events;
        events.positionChanged = [this](qint64 ms) { emit positionChanged(ms); };
        events.durationChanged = [this](qint64 ms) { emit durationChanged(ms); };
        events.audioAvailableChanged = [this](bool available) { emit audioAvailableChanged(available); };
        events.errorOccurred = [this] { emit errorOccurred(); };
        events.endOfMedia = [this] { emit endOfMedia(); };
        audio = media->createVoicemailAudio(std::move(events));
    }

    void setLocalFile(const QString &path) override
    {
        if (audio)
            audio->setLocalFile(path);
        else
            failLater();
    }
    void play() override
    {
        if (audio)
            audio->play();
        else
            failLater();
    }
    void pause() override
    {
        if (audio)
            audio->pause();
    }
    void stop() override
    {
        if (audio)
            audio->stop();
    }
    void setPosition(qint64 ms) override
    {
        if (audio)
            audio->setPosition(ms);
    }
    QString errorString() const override
    {
        return audio ? audio->errorString()
                     : QStringLiteral("Audio playback not available: %1").arg(DesklineMedia::loadError());
    }

private:
    void failLater()
    {
        QTimer::singleShot(0, this, [this] { emit errorOccurred(); });
    }

    std::unique_ptr<DesklineMedia::VoicemailAudio> audio;
};

VoicemailPlayer::Factory &factory()
{
    static VoicemailPlayer::Factory f;
    return f;
}

} // namespace

VoicemailPlayer *VoicemailPlayer::create(QObject *parent)
{
    if (factory())
        return factory()(parent);
    return new MediaVoicemailPlayer(parent);
}

void VoicemailPlayer::setFactory(Factory f)
{
    factory() = std::move(f);
}
