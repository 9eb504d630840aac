// Rules of the softphone engine that need no engine: registrar parsing, the
// PBX-to-engine mapping tables, SIP addresses of dialled numbers, DTMF
// characters, the hold-status mapping, the ringing choice and device names.
#pragma once

#include <QString>
#include <QStringList>

namespace MPEngineRules
{

struct HostPort {
    QString host;
    int port = 5060;
};

// "host", "host:port", "[v6]" or "[v6]:port". Without a port: 5060; a port
// that is not a number: 0. A bare IPv6 literal (more than one colon, no
// brackets) is a host without port.
HostPort parseRegistrar(const QString &address);

// PBX DTMF mode (CTILIB::DtmfMode) to the engine's delivery mode; false when
// the engine has no mode for it.
bool mapDtmfMode(int pbxMode, int *engineMode);

// PBX codec names to the engine's, in the given order; unknown names dropped.
QStringList mapCodecs(const QStringList &pbxCodecs);

// The SIP address of a dialled string: trimmed; with a registrar and no "@",
// the user part is percent-escaped where a SIP URI's user part needs it and
// "@registrar" (plus ":port" when the port is not 5060 and the result holds no
// colon yet) is appended. Empty when the string is empty or holds control
// characters.
QString sipAddress(const QString &number, const QString &registrarAddress, int registrarPort);

// True for the characters a DTMF digit can be: 0-9 * # A-D.
bool isDtmfCharacter(QChar c);

// What a hold confirmation reports for the engine's hold status.
enum class HoldResult { Held, Active, Failed };
HoldResult holdResult(unsigned status);

// The ringing indication to choose after a call event.
enum class RingingAction {
    None,         // nothing plays: nothing starts
    RingingSound, // stop the call notice, play the ringing sound
    CallNotice,   // stop the ringing sound, play the call notice
    StopBoth      // stop the call notice and the ringing sound
};
RingingAction checkRinging(bool quiet, bool ringingSoundPlaying, bool callNoticePlaying);

// The long name of an engine device: the first system device whose name holds
// the engine's name, else the engine's name. `matched` receives the index of
// that system device, -1 when none.
QString longDeviceName(const QString &engineName, const QStringList &systemNames, int *matched = nullptr);

} // namespace MPEngineRules
