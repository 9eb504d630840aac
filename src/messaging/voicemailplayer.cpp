#include "voicemailplayer.h"

#include <QMediaPlayer>
#include <QUrl>

namespace
{

// The program's player: Qt Multimedia.
class MediaVoicemailPlayer : public VoicemailPlayer
{
public:
    explicit MediaVoicemailPlayer(QObject *parent) : VoicemailPlayer(parent), player(new QMediaPlayer(this))
    {
        player->setObjectName(QStringLiteral("voicemailMediaPlayer"));
        connect(player, &QMediaPlayer::positionChanged, this, &VoicemailPlayer::positionChanged);
        connect(player, &QMediaPlayer::durationChanged, this, &VoicemailPlayer::durationChanged);
        connect(player, &QMediaPlayer::audioAvailableChanged, this, &VoicemailPlayer::audioAvailableChanged);
        connect(player, QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error), this,
                [this](QMediaPlayer::Error) { emit errorOccurred(); });
        connect(player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::EndOfMedia)
                emit endOfMedia();
        });
    }

    void setLocalFile(const QString &path) override { player->setMedia(QUrl::fromLocalFile(path)); }
    void play() override { player->play(); }
    void pause() override { player->pause(); }
    void stop() override { player->stop(); }
    void setPosition(qint64 ms) override { player->setPosition(ms); }
    QString errorString() const override { return player->errorString(); }

private:
    QMediaPlayer *player;
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
