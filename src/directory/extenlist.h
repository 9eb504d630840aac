// The extension list: its model built from the PBX's "exten" phone books
// while the shared extension map is reconciled with it, and the live status
// updates applied to both. No window needed.
#pragma once

#include "ctilibtypes.h"
#include "mctiextendetails.h"

#include <QHash>
#include <QList>
#include <QVector>
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

// One listed extension as a delivery names it, in delivery order.
struct Listed {
    QString extension;
    QString name; // first and last name
    QString company;
    QString department;
    QString email;
    QString mobile;
    QString favouriteKey; // the number its star is kept under
    bool own = false;     // the user's own extension (no row)
};

// What the texts of a delivery make, with nothing of the live state: built
// on a worker, installed on the GUI thread.
struct Prepared {
    ExtensionsModel *model = nullptr; // new, without parent, rows in number order
    QVector<Listed> listed;
    QHash<QString, QString> names; // the listed extensions' names (the last one of a number)
};

// The rows and listed extensions of the "exten" phone books. Touches nothing
// but its arguments (runs on any thread); the model has the caller's thread.
Prepared prepare(const PhoneBookList &books, const QString &ownExtension);

// Reconciles `map` with a prepared delivery: every record is marked stale,
// listed extensions are refreshed, the own extension's record is kept (made
// with the name `ownName` when missing), the remaining stale ones go; then
// the rows take their live state (presence, busy lamp, chat flag, star) from
// the records. The model passes to the result. `isFavourite` answers for an
// extension number.
Rebuild install(Prepared prepared, MctiExtenMap &map, const QString &ownExtension, const QString &ownName,
                const std::function<bool(const QString &)> &isFavourite);

// install() in two steps, for a caller that spreads the work over two turns
// of the event loop: reconcile() does the map's part and hands over the
// model (taken out of `prepared`) without live states; takeLiveStates() then
// gives the model's rows their live state from the map as it is by then.
Rebuild reconcile(Prepared &prepared, MctiExtenMap &map, const QString &ownExtension, const QString &ownName,
                  const std::function<bool(const QString &)> &isFavourite);
void takeLiveStates(ExtensionsModel *model, const MctiExtenMap &map,
                    const std::function<bool(const QString &)> &isFavourite);

// prepare() and install() in one go.
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
