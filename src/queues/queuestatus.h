// The program's own live records of a PBX queue and of one member in one
// queue, kept by the supervisor panel; the local API server receives a copy of
// a queue's record when a local program asks for its waiting calls.
#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

struct QueueUserStatus {
    int memberType = 0; // 1 dynamic member, 0 static
    QString extension;
    QString memberId; // the member's account
    QString name;
    int penalty = 0;
    int completedCalls = 0;
    QDateTime lastCall;
    bool paused = false;
    QDateTime lastPauseChange;
};

struct QueueStatus {
    QString id;
    QString name;
    int column = -1; // column in the supervisor's queue table; -1: none
    quint32 waitingCount = 0;
    QDateTime oldestCallTime; // arrival of the oldest waiting call; null: none
    int availableCount = 0;
    int pausedCount = 0;
    int busyCount = 0;
    int unregisteredCount = 0;
    int spare1 = 0;
    int spare2 = 0;
    QMap<QString, QueueUserStatus> members; // by member id
    // The queue was missing from the last statistics reply: its figures are
    // old and stay out of totals, requests and answers.
    bool stale = false;
};
