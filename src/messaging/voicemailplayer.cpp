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
        if (DesklineMedia::Module *media = DesklineMedia::module())
            audio = media->createVoicemailAudio(relay);
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

    // The module's player reports as this player's signals.
    class Relay final : public DesklineMedia::VoicemailAudio::Listener
    {
    public:
        explicit Relay(VoicemailPlayer &player) : player(player) {}
        void positionChanged(qint64 ms) override { emit player.positionChanged(ms); }
        void durationChanged(qint64 ms) override { emit player.durationChanged(ms); }
        void audioAvailableChanged(bool available) override { emit player.audioAvailableChanged(available); }
        void errorOccurred() override { emit player.errorOccurred(); }
        void endOfMedia() override { emit player.endOfMedia(); }

    private:
        VoicemailPlayer &player;
    };

    Relay relay{*this};
    std::unique_ptr<DesklineMedia::VoicemailAudio> audio; // goes before `relay`
};

class MediaPlayerMaker final : public VoicemailPlayer::Maker
{
public:
    VoicemailPlayer *make(QObject *parent) override { return new MediaVoicemailPlayer(parent); }
};

} // namespace

VoicemailPlayer::Maker &VoicemailPlayer::multimedia()
{
    static MediaPlayerMaker maker;
    return maker;
}
