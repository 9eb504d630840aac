#include "mctiaction.h"

#include <QCoreApplication>
#include <QHash>

namespace MctiActions
{

quint32 hashKey(const MctiAction &action)
{
    const QString keyText = QString::number(action.event) + QString::number(action.actionType) + action.actionText;
    return qHash(keyText, 0);
}

quint32 insert(MctiActionMap &map, const MctiAction &action)
{
    quint32 key = hashKey(action);
    // Walk to the first key that is free or already holds this very action.
    // The map can never fill the 32-bit key space, so the walk ends.
    for (auto it = map.constFind(key); it != map.constEnd() && it.value() != action; it = map.constFind(key))
        ++key;
    map.insert(key, action);
    return key;
}

QList<MctiAction> forEvent(const MctiActionMap &map, int event)
{
    QList<MctiAction> result;
    for (const MctiAction &action : map) {
        if (action.event == event)
            result.append(action);
    }
    return result;
}

QString eventShortText(int event)
{
    switch (event) {
    case MctiAction::IncomingCall:
        return QStringLiteral("IN");
    case MctiAction::AnsweredCall:
        return QStringLiteral("RIS");
    case MctiAction::FinishedCall:
        return QStringLiteral("FIN");
    default:
        return QString();
    }
}

QString eventToolTip(int event)
{
    switch (event) {
    case MctiAction::IncomingCall:
        return QCoreApplication::translate("MSettingsDialog", "Chiamata in arrivo (squillo)");
    case MctiAction::AnsweredCall:
        return QCoreApplication::translate("MSettingsDialog", "Risposta ad una chiamata");
    case MctiAction::FinishedCall:
        return QCoreApplication::translate("MSettingsDialog", "Chiusura di una chiamata (riaggancio)");
    default:
        return QString();
    }
}

QString typeShortText(int actionType)
{
    switch (actionType) {
    case MctiAction::OpenUrl:
        return QStringLiteral("URL");
    case MctiAction::StartProcess:
        return QStringLiteral("EXE");
    default:
        return QString();
    }
}

QString typeToolTip(int actionType)
{
    switch (actionType) {
    case MctiAction::OpenUrl:
        return QCoreApplication::translate("MSettingsDialog", "Apri un Url personalizzato");
    case MctiAction::StartProcess:
        return QCoreApplication::translate("MSettingsDialog", "Esegui un processo o uno script");
    default:
        return QString();
    }
}

} // namespace MctiActions
