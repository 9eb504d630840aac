// Rules of the queues that need no window: how members are counted, how the
// live model is rebuilt from a statistics reply, period bounds, which period
// requests a role may send, the global pause state and the queue tab's grid.
#pragma once

#include "ctilibtypes.h"
#include "directory/mctiextendetails.h"
#include "queuestatus.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

namespace QueueRules
{

enum QueueRole { RoleNone = 0, RoleOperator = 1, RoleSupervisor = 2 };
constexpr quint32 CapAllPeriodicStats = 0x80; // the PBX answers "all queues" statistics requests
constexpr quint32 CapMemberPenalty = 0x400;   // a dynamic member can be given a penalty

inline bool isQueueRole(int role)
{
    return role == RoleOperator || role == RoleSupervisor;
}

// --- counting operators
enum CountClass { Available, Busy, Paused, Unregistered };

// `known`: the extension map exists and holds the member's extension.
CountClass countClass(bool known, int blfState, bool paused);

struct OperatorCounts {
    int available = 0;
    int busy = 0;
    int paused = 0;
    int unregistered = 0;
    int total() const { return available + busy + paused + unregistered; }
    QString text() const; // "available/busy/paused/unregistered"
    bool operator==(const OperatorCounts &o) const
    {
        return available == o.available && busy == o.busy && paused == o.paused && unregistered == o.unregistered;
    }
};

void addToCounts(OperatorCounts &counts, CountClass c);
// The class a member counts in (unregistered without an extension map).
CountClass classify(const QueueUserStatus &member, const MctiExtenMap *extensions);
OperatorCounts countMembers(const QMap<QString, QueueUserStatus> &members, const MctiExtenMap *extensions);
// A queue's counts after one member changed class: `from` is the class it
// counted in (null: it was no member), `to` the one it counts in now (null:
// it left).
void moveCount(QueueStatus &queue, const CountClass *from, const CountClass *to);

// --- the live model of the queues
struct QueueModel {
    QMap<QString, QueueStatus> queues;           // queue id -> state; never shrinks
    QStringList queueNames;                      // queues of the last reply, reply order
    QMap<QString, QStringList> memberQueues;     // member id -> queue ids
    QMap<QString, QString> memberExtension;      // member id -> extension
    QMap<QString, QStringList> extensionMembers; // extension -> member ids
    QMap<QString, QSet<QString>> queueMembers;   // queue id -> member ids
    QMap<QString, QString> ownQueues;            // queue id -> name, queues of the user's accounts

    // Rebuilds everything but `queues` from a reply. Queues of earlier replies
    // missing from this one are marked stale.
    void applyStats(const QueueStatsList &list, int role, const QStringList &ownNames, const QStringList &nameFilter,
                    const MctiExtenMap *extensions);
    // Own queues after a change of the user's accounts.
    void rebuildOwnQueues(const QStringList &ownNames);
    // Queue name -> id: the first (key order) live queue with that name.
    QString queueIdOf(const QString &name) const;
    // Ids of the queues of the last reply, in key order.
    QStringList liveQueueIds() const;
    // queueMembers restricted to live queues, each list sorted.
    QMap<QString, QStringList> liveQueueMembers() const;
    // Sum of waiting calls over the live queues; `own`: only queues with a
    // member on `ownExtension`.
    int waitingTotal(bool own, const QString &ownExtension) const;
};

// Queue-name filter of the configuration: ';'-separated, empty pieces kept.
QStringList nameFilter(const QString &configured);

// --- periods
// The nine period choices in the order the panel and the report offer them.
struct PeriodChoice {
    const char *text;
    int type;
};
const QList<PeriodChoice> &periodChoices();

struct PeriodRequest {
    enum Kind { AllQueues, AllOperators, Queues, Operators };
    Kind kind = AllQueues;
    int type = -1;
    QDateTime from;
    QDateTime to;
    bool operator==(const PeriodRequest &o) const
    {
        return kind == o.kind && type == o.type && from == o.from && to == o.to;
    }
};
// What a role asks for, with the PBX's capability word. Empty for a role
// other than operator or supervisor, or an invalid type.
QList<PeriodRequest> periodRequests(int role, quint32 capabilities, int selectedType, const QDateTime &from,
                                    const QDateTime &to);

// --- figures
// Whole seconds of a statistics time: negative, NaN or infinite give 0.
int statSeconds(double seconds);
// "mm:ss" (minutes may exceed 99).
QString minSecText(qint64 seconds);
// Age of a pause state: "h:mm:ss", from one day on "dg h:mm:ss".
QString pauseAgeText(qint64 seconds);
// Seconds between live statistics requests: 0 means 300, never below 10.
int refreshIntervalSecs(quint16 configured);

// --- pause state of the user's memberships
typedef QMap<QString, QMap<QString, bool>> QueuePauseMap; // queue id -> account -> paused
enum GlobalPause { AllActive, PartlyPaused, AllPaused };
struct PauseTotals {
    int paused = 0;
    int total = 0;
};
PauseTotals pauseTotals(const QueuePauseMap &map);
GlobalPause globalPause(int paused, int total);
// Memberships that change when everything is set to `target`.
int pendingChanges(const QueuePauseMap &map, bool target);

// --- the queue tab's grid of boxes
constexpr int QueueBoxWidth = 360;
// Columns of boxes `boxWidth` wide (wider than QueueBoxWidth where their
// texts need it) that fit `width`; at least one.
int gridColumns(int width, int margin, int horizontalSpacing, int boxWidth = QueueBoxWidth);
int gridRows(int boxes, int columns);
bool gridNeedsRebuild(int lastBoxes, int lastColumns, int boxes, int columns);

} // namespace QueueRules
