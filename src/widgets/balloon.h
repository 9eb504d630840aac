// What a notification balloon offers and what its buttons send: one payload
// kind per balloon type. A balloon keeps its own copy made with clone(); the
// main window knows an open balloon by its KeyPair (type and payload key).
#pragma once

#include <QMetaType>
#include <QPair>
#include <QString>

namespace Balloon
{

enum BalloonType {
    IncomingCallBalloon = 0,   // a call is ringing
    ExtenAvailableBalloon = 1, // a booked extension is no longer busy
    CopyToCallBalloon = 2,     // a number was copied
    ClickToCallBalloon = 3,    // a click-to-call is ringing
    UpdateBalloon = 5,         // a newer version is available
};

class BalloonInfo
{
public:
    explicit BalloonInfo(BalloonType t) : type(t) {}
    virtual ~BalloonInfo() = default;
    virtual QString key() const = 0;
    virtual BalloonInfo *clone() const = 0;

    BalloonType type;

protected:
    BalloonInfo(const BalloonInfo &) = default;
    BalloonInfo &operator=(const BalloonInfo &) = default;
};

// Types 0 and 3.
class IncomingCallBaloonInfo : public BalloonInfo
{
public:
    IncomingCallBaloonInfo(BalloonType t, qint64 line, const QString &number, const QString &name,
                           const QString &label = QString(), const QString &info = QString())
        : BalloonInfo(t), lineId(line), num2call(number), callerName(name), additionalLabel(label), additionalInfo(info)
    {
    }
    IncomingCallBaloonInfo(const IncomingCallBaloonInfo &) = default;
    IncomingCallBaloonInfo &operator=(const IncomingCallBaloonInfo &) = default;

    QString key() const override { return QString::number(lineId); }
    BalloonInfo *clone() const override { return new IncomingCallBaloonInfo(*this); }

    qint64 lineId;
    QString num2call;
    QString callerName;
    QString additionalLabel;
    QString additionalInfo;
};

// Types 1 and 2.
class OutgoingCallBaloonInfo : public BalloonInfo
{
public:
    OutgoingCallBaloonInfo(BalloonType t, const QString &number, const QString &extra = QString())
        : BalloonInfo(t), num2call(number), extraText(extra)
    {
    }
    OutgoingCallBaloonInfo(const OutgoingCallBaloonInfo &) = default;
    OutgoingCallBaloonInfo &operator=(const OutgoingCallBaloonInfo &) = default;

    QString key() const override { return num2call; }
    BalloonInfo *clone() const override { return new OutgoingCallBaloonInfo(*this); }

    QString num2call;
    QString extraText;
};

// Type 5: at most one open at a time (empty key).
class UpdatesBaloonInfo : public BalloonInfo
{
public:
    explicit UpdatesBaloonInfo(const QString &v, BalloonType t = UpdateBalloon) : BalloonInfo(t), version(v) {}
    UpdatesBaloonInfo(const UpdatesBaloonInfo &) = default;
    UpdatesBaloonInfo &operator=(const UpdatesBaloonInfo &) = default;

    QString key() const override { return QString(); }
    BalloonInfo *clone() const override { return new UpdatesBaloonInfo(*this); }

    QString version;
};

using KeyPair = QPair<BalloonType, QString>;

inline KeyPair keyOf(const BalloonInfo &info)
{
    return KeyPair(info.type, info.key());
}

// Registers KeyPair for by-name and queued connections; safe to call repeatedly.
void registerMetaTypes();

} // namespace Balloon

Q_DECLARE_METATYPE(Balloon::KeyPair)
