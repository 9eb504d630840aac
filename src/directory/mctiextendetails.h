// One extension of the PBX as the client keeps it: the value type of the
// extension map (keyed by extension number) that the directories, the chat
// and the supervisor panel share.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

struct MctiExtenDetails {
    MctiExtenDetails() = default;
    MctiExtenDetails(const QString &number, const QString &name) : name(name), number(number) {}

    QString name;
    QString email;
    QString number;
    QString mobile;
    QString company;
    QString department;
    bool flag = false;
    int blfState = -1; // CTILIB::BlfStatus
    QStringList accounts;
    int presence = -1; // CTILIB::ChatPresence
    QString presenceText;
    bool favourite = false;
    bool stale = false;
};

typedef QMap<QString, MctiExtenDetails> MctiExtenMap;
