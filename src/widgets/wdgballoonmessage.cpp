#include "wdgballoonmessage.h"
#include "peerlabel.h"
#include "sharedicons.h"

#include "ui_wdgballoonmessage.h"

#include <QGuiApplication>
#include <QMoveEvent>
#include <QPainter>
#include <QScreen>

namespace
{
QRect availableArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}
} // namespace

wdgBalloonMessage::wdgBalloonMessage(MSETTINGS::AppMode mode, const Balloon::BalloonInfo &info, QWidget *parent)
    : QWidget(parent), ui(new Ui::wdgBalloonMessage), appMode(mode), m_info(info.clone()),
      m_showAnimation(this, "geometry"), m_hideAnimation(this, "geometry"), m_hideTimer(this)
{
    ui->setupUi(this);
    ui->lblLogo->setPixmap(SharedIcons::pixmap(QStringLiteral(":/images/veloraCTI.png")));
    ui->btnStartCall->setIcon(SharedIcons::icon(QStringLiteral(":/images/StartAudioCallBtn.png")));
    ui->btnHangupCall->setIcon(SharedIcons::icon(QStringLiteral(":/images/HangupActiveCall.png")));
    ui->btnTransferCall->setIcon(SharedIcons::icon(QStringLiteral(":/images/UnattendedTransferActiveCall.png")));
    ui->btnAccept->setIcon(SharedIcons::icon(QStringLiteral(":/images/v.png")));
    ui->btnIgnore->setIcon(SharedIcons::icon(QStringLiteral(":/images/bookingcancel.png")));
    PeerLabel::bound(this, {"lblMsg", "lblAdditionalInfo"});
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                   Qt::X11BypassWindowManagerHint);
    setAttribute(Qt::WA_Hover, false);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setFocusPolicy(Qt::NoFocus);
    m_showAnimation.setObjectName(QStringLiteral("showAnimation"));
    m_hideAnimation.setObjectName(QStringLiteral("hideAnimation"));
    m_hideTimer.setObjectName(QStringLiteral("hideTimer"));
    m_hideTimer.setSingleShot(true);

    hide();
    const QRect area = availableArea();
    move(area.right() + 1, area.bottom() - height() + 1);

    connect(&m_showAnimation, &QPropertyAnimation::finished, this, &wdgBalloonMessage::onShowAnimationFinished);
    connect(&m_hideAnimation, &QPropertyAnimation::finished, this, &wdgBalloonMessage::onHideAnimationFinished);
    connect(&m_hideTimer, &QTimer::timeout, this, &wdgBalloonMessage::startHideAnimation);

    ui->lblLogo->hide();
    for (QPushButton *b : {ui->btnStartCall, ui->btnHangupCall, ui->btnTransferCall, ui->btnAccept, ui->btnIgnore})
        b->setEnabled(false);

    const bool softphone = appMode == MSETTINGS::AppModeSoftphone;
    switch (m_info->type) {
    case Balloon::IncomingCallBalloon:
    case Balloon::ClickToCallBalloon:
        ui->btnStartCall->setEnabled(softphone);
        connect(ui->btnStartCall, &QPushButton::clicked, this, &wdgBalloonMessage::onAnswerAudioCallSelected);
        ui->btnHangupCall->setEnabled(true);
        connect(ui->btnHangupCall, &QPushButton::clicked, this, &wdgBalloonMessage::onRefuseCallSelected);
        if (m_info->type == Balloon::IncomingCallBalloon) {
            ui->btnTransferCall->setEnabled(softphone);
            connect(ui->btnTransferCall, &QPushButton::clicked, this, &wdgBalloonMessage::onTransferCall);
        }
        break;
    case Balloon::ExtenAvailableBalloon:
    case Balloon::CopyToCallBalloon:
        ui->btnStartCall->setEnabled(true);
        connect(ui->btnStartCall, &QPushButton::clicked, this, &wdgBalloonMessage::onStartAudioCallSelected);
        ui->btnIgnore->setEnabled(true);
        connect(ui->btnIgnore, &QPushButton::clicked, this, &wdgBalloonMessage::startHideAnimation);
        break;
    case Balloon::UpdateBalloon:
        ui->btnAccept->setEnabled(true);
        connect(ui->btnAccept, &QPushButton::clicked, this, &wdgBalloonMessage::onStartUpgrade);
        ui->btnIgnore->setEnabled(true);
        connect(ui->btnIgnore, &QPushButton::clicked, this, &wdgBalloonMessage::startHideAnimation);
        break;
    default:
        ui->btnIgnore->setEnabled(true);
        connect(ui->btnIgnore, &QPushButton::clicked, this, &wdgBalloonMessage::startHideAnimation);
        break;
    }
    showEnabledButtons();
    // A call that came through a queue or a group says so from the start.
    if (const auto *in = incoming())
        setAdditionalInfo(in->additionalLabel, in->additionalInfo);
}

wdgBalloonMessage::~wdgBalloonMessage()
{
    m_hideTimer.stop();
    m_showAnimation.stop();
    m_hideAnimation.stop();
}

void wdgBalloonMessage::showEnabledButtons()
{
    for (QPushButton *b : {ui->btnIgnore, ui->btnAccept, ui->btnStartCall, ui->btnTransferCall, ui->btnHangupCall})
        b->setVisible(b->isEnabled());
}

void wdgBalloonMessage::enablePhoneApi(bool enable)
{
    // An update balloon has nothing to call: its call button stays away.
    const bool callable = m_info->type != Balloon::UpdateBalloon;
    ui->btnStartCall->setEnabled(enable && callable);
    ui->btnStartCall->setVisible(enable && callable);
    const bool transfer = enable && m_info->type == Balloon::IncomingCallBalloon;
    ui->btnTransferCall->setEnabled(transfer);
    ui->btnTransferCall->setVisible(transfer);
}

QString wdgBalloonMessage::message() const
{
    return ui->lblMsg->text();
}

int wdgBalloonMessage::autoHideMs(Balloon::BalloonType type)
{
    switch (type) {
    case Balloon::ExtenAvailableBalloon:
    case Balloon::CopyToCallBalloon:
        return CallPromptHideMs;
    case Balloon::UpdateBalloon:
        return UpdateHideMs;
    default:
        return 0;
    }
}

void wdgBalloonMessage::setAdditionalInfo(const QString &label, const QString &info)
{
    ui->lblAdditionalInfo->setText(label.isEmpty() ? info : QStringLiteral("%1 %2").arg(label, info));
    ui->lblAdditionalInfo->setVisible(!ui->lblAdditionalInfo->text().isEmpty());
}

void wdgBalloonMessage::startShowAnimation(int visibilityMs)
{
    if (isVisible())
        return;
    if (m_hideAnimation.state() == QAbstractAnimation::Running)
        m_hideAnimation.pause();
    const QRect start = geometry();
    const QRect end = start.translated(-(width() + Gap), 0);
    m_showAnimation.stop();
    m_showAnimation.setStartValue(start);
    m_showAnimation.setEndValue(end);
    m_showAnimation.setDuration(ShowDurationMs);
    show();
    m_showAnimation.start();
    setAccessibleDescription(ui->lblMsg->text());

    const int hideAfter = visibilityMs >= 1 ? visibilityMs : autoHideMs(m_info->type);
    if (hideAfter > 0)
        m_hideTimer.start(hideAfter);
}

void wdgBalloonMessage::startHideAnimation()
{
    m_hideTimer.stop();
    if (!isVisible() || m_hideAnimation.state() == QAbstractAnimation::Running)
        return;
    if (m_showAnimation.state() == QAbstractAnimation::Running)
        m_showAnimation.pause();
    const int elapsed = m_showAnimation.currentTime();
    const int duration = m_showAnimation.duration();
    const QVariant reached =
        m_showAnimation.currentValue().isValid() ? m_showAnimation.currentValue() : QVariant(geometry());
    const QVariant offScreen = m_showAnimation.startValue().isValid()
                                   ? m_showAnimation.startValue()
                                   : QVariant(geometry().translated(width() + Gap, 0));
    m_showAnimation.stop();

    m_hideAnimation.stop();
    m_hideAnimation.setStartValue(reached);
    m_hideAnimation.setEndValue(offScreen);
    m_hideAnimation.setDuration(qMax(0, elapsed - duration + ShowDurationMs));
    m_hideAnimation.start();

    if (!m_closingSent) {
        m_closingSent = true;
        emit sigBaloonMsgClosing(keyPair());
    }
}

void wdgBalloonMessage::setVerticalOffset(int counter)
{
    move(x(), y() - counter * (height() + Gap) - Gap);
}

void wdgBalloonMessage::updateBalloonInfo(const Balloon::BalloonInfo &balloonInfo)
{
    if (balloonInfo.type != m_info->type)
        return;
    m_info.reset(balloonInfo.clone());
    if (const auto *in = incoming())
        setAdditionalInfo(in->additionalLabel, in->additionalInfo);
}

void wdgBalloonMessage::setMessage(const QString &m)
{
    ui->lblMsg->setText(m);
    adjustSize();
}

const Balloon::IncomingCallBaloonInfo *wdgBalloonMessage::incoming() const
{
    return dynamic_cast<const Balloon::IncomingCallBaloonInfo *>(m_info.get());
}

void wdgBalloonMessage::actOnIncomingCall(QWidget *button, void (wdgBalloonMessage::*signal)(qlonglong, QString))
{
    const auto *in = incoming();
    if (!in)
        return;
    const qlonglong line = in->lineId;
    const QString number = in->num2call;
    if (button)
        button->setEnabled(false);
    startHideAnimation();
    emit(this->*signal)(line, number);
}

void wdgBalloonMessage::onAnswerAudioCallSelected()
{
    actOnIncomingCall(ui->btnStartCall, &wdgBalloonMessage::sigAnswerAudioCallSelected);
}

void wdgBalloonMessage::onRefuseCallSelected()
{
    actOnIncomingCall(ui->btnHangupCall, &wdgBalloonMessage::sigRefuseCallSelected);
}

void wdgBalloonMessage::onIgnoreCallSelected()
{
    actOnIncomingCall(nullptr, &wdgBalloonMessage::sigIgnoreCallSelected);
}

void wdgBalloonMessage::onTransferCall()
{
    actOnIncomingCall(nullptr, &wdgBalloonMessage::sigTransferIncomingCall);
}

void wdgBalloonMessage::onStartAudioCallSelected()
{
    const auto *out = dynamic_cast<const Balloon::OutgoingCallBaloonInfo *>(m_info.get());
    if (!out)
        return;
    const QString number = out->num2call;
    ui->btnStartCall->setEnabled(false);
    startHideAnimation();
    emit sigStartAudioCallSelected(number);
}

void wdgBalloonMessage::onStartUpgrade()
{
    const auto *update = dynamic_cast<const Balloon::UpdatesBaloonInfo *>(m_info.get());
    if (!update)
        return;
    const QString version = update->version;
    startHideAnimation();
    emit sigStartUpgrade(version);
}

void wdgBalloonMessage::onHideAnimationFinished()
{
    hide();
    deleteLater();
}

void wdgBalloonMessage::moveEvent(QMoveEvent *event)
{
    event->ignore();
}

void wdgBalloonMessage::paintEvent(QPaintEvent *)
{
    // Decoded once: every balloon of the session paints its frame from it.
    static const QImage image(QStringLiteral(":/images/baloon.png"));
    if (image.isNull() || image.width() < 5 || image.height() < 5)
        return;
    const int W = width(), H = height(), w = image.width(), h = image.height();
    QPainter p(this);
    p.drawImage(QRect(0, 0, 2, 2), image, QRect(0, 0, 2, 2));
    p.drawImage(QRect(0, H - 2, 2, 2), image, QRect(0, h - 2, 2, 2));
    p.drawImage(QRect(W - 2, 0, 2, 2), image, QRect(w - 2, 0, 2, 2));
    p.drawImage(QRect(W - 2, H - 2, 2, 2), image, QRect(w - 2, h - 2, 2, 2));
    p.drawImage(QRect(0, 2, 2, H - 4), image, QRect(0, 2, 2, h - 4));
    p.drawImage(QRect(2, 0, W - 4, 2), image, QRect(2, 0, w - 4, 2));
    p.drawImage(QRect(W - 2, 2, 2, H - 4), image, QRect(w - 2, 2, 2, h - 4));
    p.drawImage(QRect(2, H - 2, W - 4, 2), image, QRect(2, h - 2, w - 4, 2));
}
