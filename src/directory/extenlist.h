// The extension list: its model built from the PBX's "exten" phone books
// while the shared extension map is reconciled with it, and the live status
// updates applied to both. No window needed.
#pragma once

#include "ctilibtypes.h"
#include "mctiextendetails.h"

#include <QHash>
#include <QList>
#include <functional>

class ExtensionsModel;

namespace ExtenList
{
// 8 and 9 are the ringing states.
inline bool isRinging(int blfState)
{
    return blfState == 8 || blfState == 9;
}

struct Rebuild {
    ExtensionsModel *model = nullptr; // new, without parent
    QList<MctiExtenDetails> renamed;  // records whose name changed (the own one included when made)
    bool ownListed = false;           // the delivery listed the user's own extension
};

// Builds a new extension model and reconciles `map`: every record is marked
// stale, listed extensions are refreshed, the own extension's record is kept
// (made with the name `ownName` when missing), the remaining stale ones go.
// `isFavourite` answers for an extension number.
Rebuild rebuild(const PhoneBookList &books, MctiExtenMap &map, const QString &ownExtension, const QString &ownName,
                const std::function<bool(const QString &)> &isFavourite);

// What one status changed.
struct StatusChange {
    bool known = false; // the extension has a record
    bool blfChanged = false;
    bool flagChanged = false;
    bool accountsChanged = false;
    bool ringingChanged = false; // a ringing state started or ended
    bool rowFound = false;
};

// Applies one status to the map and to the extension's row of `model` (may
// be null).
StatusChange applyStatus(MctiExtenMap &map, ExtensionsModel *model, const BuddyStatus &status);
} // namespace ExtenList
