// Rules of the desk-phone mode that need no window: which desk phone an
// identity's SIP user agent names, and whether its firmware can be driven.
#pragma once

#include <QString>

namespace DeskPhone
{

// The capability bit that lets the desk phone take a DTMF string in one
// command (clear: one character per step).
constexpr quint32 CapDtmfString = 1u << 3;

struct Recognition {
    int brand = 0;               // PhoneApi::Brand; 0 when the phone cannot be driven
    QString phoneName;           // display name ("Snom D785", "Yealink SIP-T46S")
    QString firmware;            // firmware text of a Snom phone, empty for the others
    bool firmwareTooOld = false; // a Snom phone whose firmware is below 8.7.3
};

// Recognises the phone from its SIP user agent (case-insensitive brand
// names). A Snom phone below firmware 8.7.3 gets brand 0 and firmwareTooOld.
Recognition recognise(const QString &userAgent);

// Whether a Snom firmware text ("a.b.c[...]") is 8.7.3 or later: the first
// three sections compared in order, as numbers; a missing or non-numeric
// section counts 0.
bool snomFirmwareSupported(const QString &firmware);

} // namespace DeskPhone
