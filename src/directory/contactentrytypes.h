// The kinds of number or address a personal contact row can hold, as the
// contact editor offers them, with their conversions, the checks of a typed
// value and the record's summary fields. No window needed.
#pragma once

#include "ctilibtypes.h"

#include <QString>

namespace ContactEntryTypes
{
// Row types of the editor's type box, in box order.
enum Type : int {
    None = -1,
    Extension = 0,  // "Interno": phone/exten
    Home = 1,       // "Casa": phone/home
    Work = 2,       // "Lavoro": phone/work
    Mobile = 3,     // "Cellulare": phone/mobile
    WorkMobile = 4, // "Cellulare di lavoro": phone/work_mobile
    Fax = 5,        // "Fax": phone/fax
    Email = 6,      // "E-Mail": email/main
    Main = 7,       // "Principale": phone/main
    Count = 8
};

// The translated label of a type ("" for None).
QString label(int type);
QString kindOf(int type);
QString subtypeOf(int type);

// The type an entry stands for, None for a kind or subtype the editor does
// not offer ("im", "other", an unknown phone subtype).
int ctypeForContact(const ContactEntry &entry);
inline QString cvalueForContact(const ContactEntry &entry)
{
    return entry.value;
}
// The entry of a type with that value, not preferred; empty for None.
ContactEntry contactFromCTypeAndValue(int type, const QString &value);
inline int indexFromCType(int type)
{
    return type;
}
inline int indexToCType(int index)
{
    return index >= 0 && index < Count ? index : None;
}

// Whether a typed value is acceptable for the type: a number ("+" at most
// once and only first, then digits) for the phone types, an e-mail address
// for Email, anything not empty for an entry of a kind the editor does not
// offer (type None with `keptKind`).
bool isValidValue(int type, const QString &value, bool keptKind = false);
bool isValidEmail(const QString &value);
// An address that may be handed to the mail program: a valid address
// without "?", "&", "#", blanks or control characters.
bool isSafeMailAddress(const QString &value);

// Sets the record's summary fields (e-mail, extension, phone, mobile, home)
// from its entries: the preferred entry of a kind wins, else the first one;
// a kind without entries empties its field.
void recomputeSummary(PhoneBookEntry &contact);
} // namespace ContactEntryTypes
