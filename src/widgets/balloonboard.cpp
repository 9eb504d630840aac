#include "balloonboard.h"

#include "wdgballoonmessage.h"

#include <QSet>

void Balloon::registerMetaTypes()
{
    qRegisterMetaType<Balloon::KeyPair>("Balloon::KeyPair");
}

BalloonBoard::BalloonBoard(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("balloonBoard"));
    Balloon::registerMetaTypes();
}

BalloonBoard::~BalloonBoard()
{
    // Balloons are top-level windows without a parent: the ones still on
    // screen go with their owner.
    const QList<QObject *> open = m_slots.keys();
    m_slots.clear();
    m_balloons.clear();
    for (QObject *balloon : open) {
        disconnect(balloon, nullptr, this, nullptr);
        delete balloon;
    }
}

int BalloonBoard::lowestFreeSlot() const
{
    const QList<int> used = m_slots.values();
    const QSet<int> taken(used.begin(), used.end());
    int slot = 0;
    while (taken.contains(slot))
        ++slot;
    return slot;
}

wdgBalloonMessage *BalloonBoard::openBalloon(const QString &message, const Balloon::BalloonInfo &info,
                                             MSETTINGS::AppMode mode, bool phoneApi)
{
    const Balloon::KeyPair key = Balloon::keyOf(info);
    if (wdgBalloonMessage *open = m_balloons.value(key)) {
        open->updateBalloonInfo(info);
        return nullptr;
    }
    auto *balloon = new wdgBalloonMessage(mode, info);
    if (phoneApi)
        balloon->enablePhoneApi(true);
    balloon->setMessage(message);
    const int slot = lowestFreeSlot();
    balloon->setVerticalOffset(slot);
    m_balloons.insert(key, balloon);
    m_slots.insert(balloon, slot);
    connect(balloon, &wdgBalloonMessage::sigBaloonMsgClosing, this, &BalloonBoard::onBaloonMsgClosing);
    connect(balloon, &QObject::destroyed, this, [this](QObject *gone) {
        m_slots.remove(gone);
        for (auto it = m_balloons.begin(); it != m_balloons.end();) {
            if (static_cast<QObject *>(it.value()) == gone)
                it = m_balloons.erase(it);
            else
                ++it;
        }
    });
    balloon->startShowAnimation(-1);
    return balloon;
}

bool BalloonBoard::hideBalloon(const Balloon::KeyPair &key)
{
    wdgBalloonMessage *balloon = m_balloons.value(key);
    if (!balloon)
        return false;
    balloon->startHideAnimation();
    return true;
}

void BalloonBoard::hideLineBalloons(qint64 lineId)
{
    hideBalloon(Balloon::KeyPair(Balloon::IncomingCallBalloon, QString::number(lineId)));
    hideBalloon(Balloon::KeyPair(Balloon::ClickToCallBalloon, QString::number(lineId)));
}

void BalloonBoard::onBaloonMsgClosing(Balloon::KeyPair key)
{
    m_balloons.remove(key);
}
