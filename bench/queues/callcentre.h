// A large call centre for the queue benchmarks: queues, operators (each in a
// few queues) and extensions with one account each.
#pragma once

#include "ctilibtypes.h"
#include "directory/mctiextendetails.h"

#include <QDateTime>

namespace benchqueues
{

struct CallCentre {
    QueueStatsList reply;
    MctiExtenMap extensions;
};

inline CallCentre makeCallCentre(int queues, int operators, int extensions, int queuesPerOperator = 3)
{
    CallCentre c;
    for (int e = 0; e < extensions; ++e) {
        const QString number = QString::number(10000 + e);
        MctiExtenDetails d(QStringLiteral("Operatore %1").arg(e), number);
        d.blfState = e % 3 == 0 ? 0 : (e % 3 == 1 ? 1 : 8);
        d.accounts = QStringList{QStringLiteral("sip%1").arg(number)};
        c.extensions.insert(number, d);
    }
    for (int q = 0; q < queues; ++q) {
        QueueStats s;
        s.queueId = QString::number(600 + q);
        s.queueName = QStringLiteral("Coda %1").arg(q, 3, 10, QLatin1Char('0'));
        s.waitingCalls = q % 5;
        c.reply << s;
    }
    const QDateTime now = QDateTime::currentDateTime();
    for (int o = 0; o < operators; ++o) {
        const QString number = QString::number(10000 + o);
        for (int k = 0; k < queuesPerOperator; ++k) {
            QueueStatsMember m;
            m.memberId = QStringLiteral("sip%1").arg(number);
            m.extension = number;
            m.memberType = k == 0 ? 0 : 1;
            m.paused = o % 7 == 0;
            m.lastCall = now.addSecs(-o);
            m.lastPauseChange = now.addSecs(-2 * o);
            m.completedCalls = o % 11;
            c.reply[(o + k * 37) % queues].members << m;
        }
    }
    return c;
}

} // namespace benchqueues
