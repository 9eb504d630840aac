// What the window does with the SIP status code of a softphone request that
// failed on a line: the text shown on the line, the tone played, or nothing
// at all for the codes that only report the end of a call the user ended.
#pragma once

#include <QString>

namespace SipErrors
{

enum class Tone { None, Busy, Congestion };

struct Reaction {
    bool ignored = false; // the code ends nothing the user needs to hear of
    QString text;         // translated text for the line (empty when ignored)
    Tone tone = Tone::None;
};

Reaction reactionFor(int code);
// The line's text: the reaction's text and the code in brackets.
QString lineText(const Reaction &reaction, int code);

} // namespace SipErrors
