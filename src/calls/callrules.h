// Rules of call handling that need no window: line ids from PBX channel names,
// dial-string normalisation, service codes, the caller presentation, firmware
// thresholds and the ringing-call counters.
#pragma once

#include "ctilibtypes.h"

#include <QMap>
#include <QString>
#include <QtGlobal>

namespace CallRules
{

// Line id read from a PBX channel name: the hexadecimal text after the last
// "-" and before the first ";" ("SIP/201-0000001a;1" is 26); -1 when it cannot
// be read ("SIP/201", "", text that is not hexadecimal).
qint64 computeLineIdFromChannel(const QString &channel);

// --- dialling

// What a dial string became on its way in.
struct DialString {
    QString number;       // the number to dial (empty when refused or empty)
    bool refused = false; // something other than digits, "*", "#" and a leading "+"
};
// The single check where numbers enter call handling: with `plusToZeros` every
// "+" becomes "00" (the dial rule of startCall); then blanks and the
// separators "-", ".", "/", "(" and ")" go; what is left must match
// ^\+?[0-9*#]+$ or it is refused. An empty result is neither dialled nor refused.
DialString checkDialString(const QString &raw, bool plusToZeros);

// True when `number` is one of the PBX's service codes: the voicemail (2) and
// pick-up (9) codes match any number they start; the parking range (7, 8) and
// empty codes never match; any other code only itself.
bool isMServiceCode(const QString &number, const ServicesDialCodesMap &serviceCodes);

// The number looked up in the directories: an extension unchanged; otherwise
// without the outside-line prefix when it starts with it (an empty prefix
// strips nothing).
QString lookupNumber(const QString &number, bool isExtension, const QString &outsidePrefix);

// The name shown for a party that no directory knows: a name of the form
// "R:<x>:<caller name>" (a transferred call coming back) shows the caller name
// alone; any other name unchanged.
QString shownRemoteName(const QString &remoteName);

// --- PBX firmware

// True when `version` is older than `threshold`, compared number by number
// ("4.10" is newer than "4.5", a "-" suffix is ignored); an empty or
// unreadable version counts as old.
bool firmwareOlderThan(const QString &version, const QString &threshold);
// The client announces missed calls itself on a PBX older than 4.5.
bool needEmulateMissingNotification(const QString &firmware);
// New active lines offer the recording control on firmware up to 4.6 when the
// PBX does not record by itself (capability bit 0x20 clear).
bool recordingControlOffered(const QString &firmware, quint32 capabilities);

// --- ringing calls by kind

// The four counters of ringing calls; each line counts once, by the kind it
// had when first counted, and uncounting takes back exactly that.
class RingingCounters
{
public:
    // Counts a ringing line (a second call for the same line changes nothing).
    void notify(qint64 lineId, CTILIB::CallAttributeFlags flags);
    // Takes back what the line counted; a line never counted changes nothing.
    void reset(qint64 lineId);
    void clear();

    int transferReturns() const { return ret; } // attribute 0x200
    int queueExternal() const { return qExt; }  // attributes 2 and 0x40
    int directExternal() const { return dExt; } // attribute 2 without 0x40
    int local() const { return localCalls; }    // attribute 1 without 0x200

private:
    void apply(CTILIB::CallAttributeFlags flags, int delta);
    QMap<qint64, CTILIB::CallAttributeFlags> counted;
    int ret = 0;
    int qExt = 0;
    int dExt = 0;
    int localCalls = 0;
};

} // namespace CallRules
