// The audio player of a voicemail row: the multimedia player in the program,
// a scripted one in tests. It reports the way the multimedia player does;
// `endOfMedia` comes once when a play reaches the end of the file.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class VoicemailPlayer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~VoicemailPlayer() override = default;

    virtual void setLocalFile(const QString &path) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void setPosition(qint64 ms) = 0;
    virtual QString errorString() const = 0;

    // Makes the player of a new row (owned by `parent`). Tests put their own
    // maker in place; an empty one restores the multimedia player.
    using Factory = std::function<VoicemailPlayer *(QObject *parent)>;
    static VoicemailPlayer *create(QObject *parent);
    static void setFactory(Factory factory);

signals:
    void positionChanged(qint64 ms);
    void durationChanged(qint64 ms);
    void audioAvailableChanged(bool available);
    void errorOccurred();
    void endOfMedia();
};
