#include "linestandins.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QScreen>
#include <QVBoxLayout>

namespace
{

QLabel *plainLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton *lineButton(const QString &name, const QString &tip, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(name);
    button->setFlat(true);
    button->setToolTip(tip);
    button->setFixedSize(40, 28);
    return button;
}

// Numbers are shown with digits, "+", "*" and "#" only.
QString shownNumber(const QString &number)
{
    static const QRegularExpression other(QStringLiteral("[^\\d+*#]"));
    return QString(number).remove(other);
}

} // namespace

// ---------------------------------------------------------------- ringing line

CallRingingLine::CallRingingLine(QWidget *parent, MSETTINGS::AppMode appMode) : QWidget(parent), mode(appMode)
{
    setObjectName(QStringLiteral("wdgIncomingCallLine"));
    setMinimumHeight(100);
    auto *layout = new QVBoxLayout(this);
    lblSpeaker = plainLabel(QStringLiteral("lblSpeaker"), this);
    lblNum = plainLabel(QStringLiteral("lblNum"), this);
    auto *status = plainLabel(QStringLiteral("lblCallStatus"), this);
    status->setText(tr("Chiamata in arrivo"));
    lblQueueText = plainLabel(QStringLiteral("lblQueueText"), this);
    lblQueueInfo = plainLabel(QStringLiteral("lblQueueInfo"), this);
    lblQueueText->hide();
    layout->addWidget(lblSpeaker);
    layout->addWidget(lblNum);
    layout->addWidget(status);
    auto *info = new QHBoxLayout;
    info->addWidget(lblQueueText);
    info->addWidget(lblQueueInfo);
    layout->addLayout(info);
    auto *buttons = new QHBoxLayout;
    btnAnswerCall = lineButton(QStringLiteral("btnAnswerCall"), tr("Rispondi"), this);
    btnRefuseCall = lineButton(QStringLiteral("btnRefuseCall"), tr("Rifiuta"), this);
    btnTransferCall = lineButton(QStringLiteral("btnTransferCall"), tr("Inoltra chiamata"), this);
    btnIgnoreCall = lineButton(QStringLiteral("btnIgnoreCall"), tr("Ignora"), this);
    for (QPushButton *b : {btnAnswerCall, btnRefuseCall, btnTransferCall, btnIgnoreCall})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(btnAnswerCall, &QPushButton::clicked, this, &CallRingingLine::answerCall);
    connect(btnRefuseCall, &QPushButton::clicked, this, &CallRingingLine::refuseCall);
    connect(btnTransferCall, &QPushButton::clicked, this, &CallRingingLine::transferCall);
    connect(btnIgnoreCall, &QPushButton::clicked, this, &CallRingingLine::ignoreCall);
}

void CallRingingLine::setAdditional(const QString &label, const QString &info, int kind)
{
    if (info.isEmpty())
        return;
    additionalLabel = label;
    additionalInfo = info;
    queueShown = kind == 0;
    groupShown = kind == 1;
    xferShown = kind == 2;
    lblQueueText->setText(label);
    lblQueueText->show();
    lblQueueInfo->setText(info);
}

void CallRingingLine::setQueueInfo(const QString &queue)
{
    setAdditional(tr("Coda:"), queue, 0);
}

void CallRingingLine::setGroupInfo(const QString &group)
{
    setAdditional(tr("Gruppo:"), group, 1);
}

void CallRingingLine::setXferReturnInfo(const QString &from)
{
    setAdditional(tr("Ritorno da:"), from, 2);
}

void CallRingingLine::setRemoteName(const QString &name)
{
    remoteName = name;
    lblSpeaker->setText(name);
}

void CallRingingLine::setRemoteNum(const QString &number)
{
    remoteNum = number;
    lblNum->setText(shownNumber(number));
}

void CallRingingLine::setMctiMode(bool phoneApiAvailable)
{
    if (mode != MSETTINGS::AppModeDeskPhone) {
        btnAnswerCall->hide();
        btnTransferCall->hide();
        btnIgnoreCall->hide();
        return;
    }
    btnIgnoreCall->hide();
    btnAnswerCall->setVisible(phoneApiAvailable);
}

// ---------------------------------------------------------------- active line

CallActiveLine::CallActiveLine(MSETTINGS::AppMode appMode, int status, int role, QWidget *parent)
    : QWidget(parent), mode(appMode), callStatus(status), transferRole(role)
{
    setObjectName(QStringLiteral("wdgActiveLine"));
    setMinimumHeight(100);
    auto *layout = new QVBoxLayout(this);
    lblSpeaker = plainLabel(QStringLiteral("lblSpeaker"), this);
    lblNum = plainLabel(QStringLiteral("lblNum"), this);
    lblCallStatus = plainLabel(QStringLiteral("lblCallStatus"), this);
    btnHangup = lineButton(QStringLiteral("btnHangupCall"), tr("Chiudi"), this);
    layout->addWidget(lblSpeaker);
    layout->addWidget(lblNum);
    layout->addWidget(lblCallStatus);
    layout->addWidget(btnHangup);
    connect(btnHangup, &QPushButton::clicked, this, [this] { emit sigHangupCall(lineId); });
    showStatus();
}

void CallActiveLine::setAdditionalInfo(const QString &label, const QString &info)
{
    additionalLabel = label;
    additionalInfo = info;
}

void CallActiveLine::setRemoteName(const QString &name)
{
    remoteName = name;
    lblSpeaker->setText(name);
}

void CallActiveLine::setRemoteNum(const QString &number)
{
    remoteNum = number;
    lblNum->setText(shownNumber(number));
}

void CallActiveLine::setLocalChannel(const QString &channel)
{
    if (!channel.isEmpty())
        localChannel = channel;
}

void CallActiveLine::setRemoteChannel(const QString &channel)
{
    if (!channel.isEmpty())
        remoteChannel = channel;
}

void CallActiveLine::setCallStatus(int status)
{
    if (status == callStatus)
        return;
    callStatus = status;
    showStatus();
    emit sigStatusChanged(status);
}

void CallActiveLine::setRecordingStatus(bool allowed, bool)
{
    recordingAllowed = allowed;
}

void CallActiveLine::setTransferInProgress(bool on, const QString &)
{
    setCallStatus(on ? 2 : 1);
}

void CallActiveLine::showStatus()
{
    switch (callStatus) {
    case 0:
        lblCallStatus->setText(tr("Chiamata in corso..."));
        break;
    case 1:
        lblCallStatus->setText(tr("In conversazione"));
        break;
    case 2:
        lblCallStatus->setText(tr("Trasferimento in corso"));
        break;
    case 3:
        lblCallStatus->setText(tr("Chiamata terminata"));
        break;
    default:
        lblCallStatus->setText(tr("Errore"));
        break;
    }
}

// ---------------------------------------------------------------- balloon

CallBalloon::CallBalloon(MSETTINGS::AppMode mode, const Info &balloonInfo)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      info(balloonInfo)
{
    setObjectName(QStringLiteral("wdgBalloonMessage"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(210, 100);
    auto *layout = new QVBoxLayout(this);
    lblMessage = plainLabel(QStringLiteral("lblMessage"), this);
    lblMessage->setWordWrap(true);
    lblAdditional = plainLabel(QStringLiteral("lblAdditional"), this);
    layout->addWidget(lblMessage);
    layout->addWidget(lblAdditional);
    auto *buttons = new QHBoxLayout;
    auto *answer = new QPushButton(tr("Rispondi"), this);
    answer->setObjectName(QStringLiteral("btnAccept"));
    auto *refuse = new QPushButton(tr("Rifiuta"), this);
    refuse->setObjectName(QStringLiteral("btnRefuse"));
    auto *ignore = new QPushButton(tr("Ignora"), this);
    ignore->setObjectName(QStringLiteral("btnIgnore"));
    answer->setVisible(mode == MSETTINGS::AppModeSoftphone);
    for (QPushButton *b : {answer, refuse, ignore}) {
        b->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(answer, &QPushButton::clicked, this,
            [this] { emit sigAnswerAudioCallSelected(info.lineId, info.num2call); });
    connect(refuse, &QPushButton::clicked, this, [this] { emit sigRefuseCallSelected(info.lineId, info.num2call); });
    connect(ignore, &QPushButton::clicked, this, [this] { emit sigIgnoreCallSelected(info.lineId, info.num2call); });
    updateBalloonInfo(info);
}

void CallBalloon::setMessage(const QString &message)
{
    lblMessage->setText(message);
}

QString CallBalloon::message() const
{
    return lblMessage->text();
}

void CallBalloon::updateBalloonInfo(const Info &newInfo)
{
    info = newInfo;
    lblAdditional->setText(
        info.additionalLabel.isEmpty() ? QString() : info.additionalLabel + QLatin1Char(' ') + info.additionalInfo);
}

void CallBalloon::setVerticalOffset(int offset)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.right() - width() - 5, area.bottom() - (offset + 1) * (height() + 5));
}

void CallBalloon::startShowAnimation(int)
{
    show();
}

void CallBalloon::startHideAnimation()
{
    if (closing)
        return;
    closing = true;
    emit sigBaloonMsgClosing(info.type, info.key());
    hide();
    deleteLater();
}
