// One extension of the PBX as the queues read it: display name, busy-lamp
// state and the accounts registered on it, kept by number in the extension map.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

struct MctiExtenDetails {
    MctiExtenDetails() = default;
    MctiExtenDetails(const QString &displayName, const QString &number)
        : name(displayName), exten(number)
    {
    }
    QString name;
    QString exten;
    int blfState = -1; // CTILIB::BlfStatus; -1 while no state has come
    QStringList accounts;
};

typedef QMap<QString, MctiExtenDetails> MctiExtenMap;
