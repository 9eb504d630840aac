// The audio player of a voicemail row: the multimedia player in the program,
// a scripted one in tests. It reports the way the multimedia player does;
// `endOfMedia` comes once when a play reaches the end of the file.
#pragma once

#include <QObject>
#include <QString>

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

    // Makes the players of the voicemail rows (each owned by `parent`): the
    // multimedia one in the program, scripted ones in tests. A maker outlives
    // the rows it serves.
    class Maker
    {
    public:
        virtual VoicemailPlayer *make(QObject *parent) = 0;

    protected:
        ~Maker() = default;
    };
    // The program's maker, for as long as the process lives.
    static Maker &multimedia();

signals:
    void positionChanged(qint64 ms);
    void durationChanged(qint64 ms);
    void audioAvailableChanged(bool available);
    void errorOccurred();
    void endOfMedia();
};
