// One automatic action on a call event: open a web address or start a program,
// with call data filled into a command template.
#pragma once

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>

struct MctiAction {
    enum MEvent {
        IncomingCall = 0, // ringing
        AnsweredCall = 1,
        FinishedCall = 2
    };
    enum MActionType { OpenUrl = 0, StartProcess = 1 };

    QString actionText; // template with placeholders such as <callernum>
    int actionType = OpenUrl;
    int event = IncomingCall;

    bool operator==(const MctiAction &other) const
    {
        return event == other.event && actionType == other.actionType && actionText == other.actionText;
    }
    bool operator!=(const MctiAction &other) const { return !(*this == other); }
};
Q_DECLARE_METATYPE(MctiAction)

// The actions of the settings, in ascending key order.
using MctiActionMap = QMap<quint32, MctiAction>;

namespace MctiActions
{

// The action of `event` that runs `text` as `actionType`.
inline MctiAction make(int event, int actionType, const QString &text)
{
    MctiAction action;
    action.event = event;
    action.actionType = actionType;
    action.actionText = text;
    return action;
}

// Key of an action: Qt's string hash (seed 0) of the decimal event, the decimal
// action type and the template, in that order.
quint32 hashKey(const MctiAction &action);

// Stores `action` under its hash key. An equal action already stored under that
// key is replaced; when a different action holds the key (a hash collision) the
// next free key is taken instead, so neither is lost. Returns the key used.
quint32 insert(MctiActionMap &map, const MctiAction &action);

// Copies of the stored actions of one event, in key order.
QList<MctiAction> forEvent(const MctiActionMap &map, int event);

// Short texts and tool tips of the action table.
QString eventShortText(int event);
QString eventToolTip(int event);
QString typeShortText(int actionType);
QString typeToolTip(int actionType);

} // namespace MctiActions
