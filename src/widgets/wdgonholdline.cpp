#include "wdgonholdline.h"
#include "peerlabel.h"

#include "linewidgetstyle.h"
#include "ui_wdgonholdline.h"
#include "wdgactiveline.h"

#include <QFocusEvent>

wdgOnHoldLine::wdgOnHoldLine(qlonglong lineId, QString callId, QString remoteChannel, bool largeFont, QWidget *parent,
                             Qt::WindowFlags flags)
    : QWidget(parent, flags), ui(new Ui::wdgOnHoldLine), m_lineId(lineId), m_callId(callId), m_largeFont(largeFont),
      m_remoteChannel(remoteChannel)
{
    ui->setupUi(this);
    PeerLabel::bound(this, {"lblSpeaker", "lblNum", "lblCompany", "lblAccountInfo", "lblQueueInfo"});
    ui->lblAccountInfo->clear();
    ui->lblAccountInfo->hide();
    ui->lblQueueText->hide();
    for (QLabel *l : {ui->lblQueueInfo, ui->lblCallTimer, ui->lblSpeaker, ui->lblNum, ui->lblCompany})
        l->clear();
    ui->btnHangup->hide();
    ui->btnDualRing->hide();
    connect(ui->btnHold, &QPushButton::clicked, this, &wdgOnHoldLine::retrieveCall);
    adjustSize();
}

wdgOnHoldLine::~wdgOnHoldLine() = default;

void wdgOnHoldLine::retrieveCall()
{
    emit sigRetrieveCall(m_lineId);
}

void wdgOnHoldLine::setRemoteChannel(QString channel)
{
    if (!channel.isEmpty())
        m_remoteChannel = channel;
}

void wdgOnHoldLine::setRemoteNum(QString number)
{
    m_remoteNum = number;
    const QString shown = LineStyle::shownNumber(number);
    ui->lblNum->setText(shown);
    if (m_remoteName.isEmpty())
        setRemoteName(shown);
}

void wdgOnHoldLine::setRemoteName(QString name)
{
    m_remoteName = name;
    ui->lblSpeaker->setText(name);
    ui->lblPic->setText(LineStyle::initialOf(name));
}

QString wdgOnHoldLine::getRemoteName() const
{
    return LineStyle::partyName(m_remoteName, m_remoteNum);
}

void wdgOnHoldLine::setAccountInfo(QString account)
{
    ui->lblAccountInfo->setText(tr("SIP Account: %1").arg(account));
}

void wdgOnHoldLine::updateCallDuration(int seconds)
{
    ui->lblCallTimer->setText(wdgActiveLine::durationText(seconds));
}

void wdgOnHoldLine::focusInEvent(QFocusEvent *event)
{
    event->accept();
    ui->lblCallStatus->setFocus(Qt::OtherFocusReason);
    const QString text = ui->lblCallStatus->text() + tr(" da ") + ui->lblSpeaker->text();
    ui->lblCallStatus->setAccessibleName(text);
    ui->lblCallStatus->setAccessibleDescription(text);
}

void wdgOnHoldLine::loadMatcStylesheet()
{
    const LineStyle::SizeClass sizeClass = LineStyle::sizeClass(m_largeFont, LineStyle::screenWidth());
    const LineStyle::FontSizes sizes = LineStyle::fontSizes(sizeClass);
    if (sizeClass == LineStyle::Normal) {
        setStyleSheet(
            LineStyle::fillSizes(LineStyle::readStyleSheet(QStringLiteral(":/qss/normalStyleHoldLine.qss")), sizes));
        setFixedHeight(LineStyle::fixedHeight(LineStyle::LineKind::OnHold, sizeClass));
    } else {
        setStyleSheet(
            LineStyle::fillSizes(LineStyle::readStyleSheet(QStringLiteral(":/qss/viStyleHoldLine.qss")), sizes));
        setMaximumHeight(175);
        adjustSize();
    }
}

void wdgOnHoldLine::paintEvent(QPaintEvent *)
{
    LineStyle::paintStyledBackground(this);
}

void wdgOnHoldLine::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
}

void wdgOnHoldLine::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
}
