// Item data roles of the directory and call-history lists, shared with the
// chat contact list and the supervisor's operator tables.
#pragma once

#include <Qt>

namespace DirRole
{
enum : int {
    ChatParty = 1001,                // chat list: party extension
    Source = 1002,                   // phone-book source; call history: call attribute flags; chat: unread count
    Visibility = 1003,               // visibility text; child rows and call-history number: number kind (int)
    EntryId = 1004,                  // the phone-book entry's identifier
    Entry = 1005,                    // the whole PhoneBookEntry; call history: call type key
    Extension = 1006,                // extension number of an extension row
    SearchText = 1007,               // text the search words are looked for in
    Favourite = 1008,                // "F" or "N" on column 7 of an extension row
    Blf = 1009,                      // BLF state on column 1 of an extension row
    StatusFlag = 1010,               // flag of the extension's status
    Presence = 1011,                 // chat presence (int)
    FullLabel = 1012,                // full-name label
    Personal = 1013,                 // personal contact (bool)
    Confirmed = 1014,                // row confirmed by a received phone book (bool)
    ChildValue = 1015,               // number or address of a child row
    TrimmedValue = Qt::UserRole + 1, // child rows of the extension model: trimmed value
};
}

// Number kinds of a child row (role 1003).
namespace NumberKind
{
enum : int { Fixed = 0, Extension = 1, Mobile = 2, Email = 3 };
}

// Contact kinds of a phone-book row, as the contact delegate draws them.
namespace ContactKind
{
enum : int { Personal = 0, Shared = -1, Outlook = -2 };
}
