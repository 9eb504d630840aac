// The media module: everything that plays or records sound (the softphone's
// SIP and audio engine, the sounds of the client, the voicemail player, the
// list of the system's audio devices) lives in a shared module that the
// program opens itself the first time one of them is used, so that a start
// that needs none of them does not map the SIP stack, the DSP libraries or Qt
// Multimedia with their own dependencies.
//
// The module is looked up, in this order:
//   - the file named by DESKLINE_MEDIA_MODULE, when that is set (and only it);
//   - <program dir>/../lib/deskline/libdeskline_media.so (the installed
//     layout, mirrored by the build tree);
//   - the module in the build tree the program was built in.
// It is loaded once per process and never unloaded. When it cannot be loaded
// the reason is logged once and module() stays null: the engine reports
// VDK::ErrModule, sounds do not play, the voicemail player reports an error.
//
// Only Qt Core types and the abstract classes below cross the boundary; the
// module needs no symbol of the program.
#pragma once

#include "vdkbackend.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>

namespace DesklineMedia
{

// Raised whenever the classes below change in a way the other side sees.
constexpr int kInterfaceVersion = 2;

// The name of the module's entry point: extern "C" Module *<name>().
constexpr const char *kEntryPoint = "deskline_media_module";

// A voicemail file player (Qt Multimedia's media player). Lives on the
// thread that made it; the events come on that thread.
class VoicemailAudio
{
public:
    // Told what the player does (the multimedia player's own reports);
    // `endOfMedia` comes once when a play reaches the end of the file.
    class Listener
    {
    public:
        virtual void positionChanged(qint64 ms) = 0;
        virtual void durationChanged(qint64 ms) = 0;
        virtual void audioAvailableChanged(bool available) = 0;
        virtual void errorOccurred() = 0;
        virtual void endOfMedia() = 0;

    protected:
        ~Listener() = default;
    };

    virtual ~VoicemailAudio() = default;
    virtual void setLocalFile(const QString &path) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual void setPosition(qint64 ms) = 0;
    virtual QString errorString() const = 0;
};

// A system audio device held open for as long as the object lives.
class SystemAudioDevice
{
public:
    virtual ~SystemAudioDevice() = default;
};

class Module
{
public:
    // Stays the first virtual function, so that a module of another version
    // can still be asked.
    virtual int interfaceVersion() const = 0;

    // The SIP and audio engine; `events` must outlive it.
    virtual std::unique_ptr<VDK::EngineBackend> createEngine(const VDKLogConfig &logConfig,
                                                             VDK::EngineEvents *events) = 0;
    // Plays a sound file once, without waiting (GUI thread).
    virtual void playSound(const QString &file) = 0;
    // A player that tells `listener`, which must outlive it.
    virtual std::unique_ptr<VoicemailAudio> createVoicemailAudio(VoicemailAudio::Listener &listener) = 0;
    // The names of the system's capture (input) or playback devices.
    virtual QStringList systemAudioDevices(bool input) const = 0;
    // Opens the named system device; null when there is none of that name.
    virtual std::unique_ptr<SystemAudioDevice> openSystemAudioDevice(bool input, const QString &name) = 0;

protected:
    ~Module() = default;
};

// The module, loaded on the first call; null when it cannot be loaded (the
// reason is in loadError()). Any thread.
Module *module();
QString loadError();

// Where the reason of a failed load is written besides Qt's warning output
// (the program's log). One for the whole process, like the module itself,
// which any thread may be the first to ask for: set it once at start-up,
// before the first use of the module.
void setLogSink(std::function<void(const QString &line)> sink);

// The paths module() tries, in order (see above).
QStringList candidatePaths();

} // namespace DesklineMedia
