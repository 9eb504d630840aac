// The entries of the directory views' context menus, as a pure function of
// the row (a number, a whole contact or extension), the view, the operating
// mode, the PBX capabilities, the phones and the call in progress. Each entry
// carries its target as data; the caller turns the list into a menu.
#pragma once

#include "ctilibtypes.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace DirectoryMenus
{
enum class View { Extensions, Favourites, Contacts, CallHistory };

enum class Action {
    Call,
    Sms,
    Email,
    UnattendedTransfer,
    AttendedTransfer,
    CopyNumber,
    AddContact,
    EditContact,
    DeleteContact,
    Chat,
    Pickup,
    Book,
    CancelBooking,
};

enum class Icon {
    None,
    Extension,
    Fixed,
    Mobile,
    Email,
    UnattendedTransfer,
    Transfer,
    Chat,
    Pickup,
    Booking,
    CancelBooking,
    UpdateContact,
    Cancel
};

struct Entry {
    Action action = Action::Call;
    QString text;
    QVariant data; // number, extension, address or the whole PhoneBookEntry
    Icon icon = Icon::None;
    bool enabled = true;
    bool visible = true;
};

// What the menus depend on besides the row.
struct State {
    int mode = 0; // MSETTINGS::AppMode
    quint32 capabilities = 0;
    bool hasEngine = false;
    bool engineRegistered = false;
    bool hasDeskPhone = false;
    QString activeRemote;        // remote number of the current line, "" for none
    bool hasActiveLines = false; // any active line at all
    bool hasCurrentLine = false;
    bool transferPending = false; // a blind or attended transfer under way
    QString outsidePrefix;        // service code 21
    // The extension of the row (extension views): its chat presence, -1
    // when it has no chat, and whether a call is booked on it.
    int chatPresence = -1;
    bool booked = false;
};

struct Menu {
    QList<Entry> entries;
    // No line is active: the caller clears the current line and transfer state.
    bool resetTransferState = false;

    // Visible entries only, in order.
    QList<Entry> shown() const;
};

// Separators " -,'./\()" dropped.
QString cleanNumber(const QString &value);

// Appends the entries of one number or address.
void addEntriesFor(Menu &menu, View view, const ContactEntry &entry, const State &state);
// The menu of one number or address.
Menu forEntry(View view, const ContactEntry &entry, const State &state);
// The menu of a whole contact (phone book) or extension (extension views);
// `blf` is the extension's BLF state, -1 when unknown.
Menu forContact(View view, const PhoneBookEntry &contact, bool personal, int blf, const State &state);
// The number entry of a call-history row: local flag 1 extension, 2 mobile,
// anything else an outside number.
ContactEntry callHistoryEntry(const QString &number, int localFlag);
} // namespace DirectoryMenus
