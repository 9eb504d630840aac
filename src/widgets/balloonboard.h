// The open notification balloons, one per KeyPair, and the stack slots they
// occupy at the bottom right of the screen. A new balloon takes the lowest
// free slot, so it never lands on one that is still on screen; a slot is free
// again once its balloon has left the screen and is gone.
#pragma once

#include "balloon.h"
#include "settings/msettings.h"

#include <QMap>
#include <QObject>

class wdgBalloonMessage;

class BalloonBoard : public QObject
{
    Q_OBJECT
public:
    explicit BalloonBoard(QObject *parent = nullptr);
    ~BalloonBoard() override;

    // Updates the open balloon of the payload's key and returns null, or
    // makes a new balloon (desk-phone buttons when phoneApi), places it in the
    // lowest free slot, starts its show and returns it for the caller to connect.
    wdgBalloonMessage *openBalloon(const QString &message, const Balloon::BalloonInfo &info, MSETTINGS::AppMode mode,
                                   bool phoneApi);
    // Starts the hide of the open balloon with that key; false when none is open.
    bool hideBalloon(const Balloon::KeyPair &key);
    // Starts the hide of the ringing and click-to-call balloons of a line.
    void hideLineBalloons(qint64 lineId);

    const QMap<Balloon::KeyPair, wdgBalloonMessage *> &balloonsMap() const { return m_balloons; }
    // Slot index of each balloon still on screen (closing ones included).
    QList<int> occupiedSlots() const { return m_slots.values(); }
    int lowestFreeSlot() const;

public slots:
    // Forgets the balloon of that key (it is leaving); an unknown key changes nothing.
    void onBaloonMsgClosing(Balloon::KeyPair key);

private:
    QMap<Balloon::KeyPair, wdgBalloonMessage *> m_balloons;
    QMap<QObject *, int> m_slots;
};
