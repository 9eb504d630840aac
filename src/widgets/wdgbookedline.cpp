#include "wdgbookedline.h"
#include "peerlabel.h"

#include "linewidgetstyle.h"
#include "ui_wdgbookedline.h"

#include <QMouseEvent>

wdgBookedLine::wdgBookedLine(QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags), ui(new Ui::wdgBookedLine)
{
    ui->setupUi(this);
    PeerLabel::bound(this, {"lblSpeaker", "lblNum", "lblCompany", "lblAccountInfo", "lblQueueInfo"});
    ui->lblAccountInfo->clear();
    ui->lblAccountInfo->hide();
    ui->lblQueueText->hide();
    for (QLabel *l : {ui->lblQueueInfo, ui->lblCallTimer, ui->lblSpeaker, ui->lblNum, ui->lblCompany})
        l->clear();
    connect(ui->btBookingCancel, &QPushButton::clicked, this, &wdgBookedLine::cancelCallBooking);
}

wdgBookedLine::~wdgBookedLine() = default;

void wdgBookedLine::setRemoteName(QString name)
{
    remoteName = name;
    ui->lblSpeaker->setText(name);
    ui->lblPic->setText(LineStyle::initialOf(name));
}

void wdgBookedLine::setRemoteNum(QString num)
{
    remoteNum = num;
    const QString shown = LineStyle::shownNumber(num);
    ui->lblNum->setText(shown);
    if (remoteName.isEmpty())
        setRemoteName(shown);
}

QString wdgBookedLine::getRemoteName() const
{
    return LineStyle::partyName(remoteName, remoteNum);
}

void wdgBookedLine::cancelCallBooking()
{
    emit sigCancelCallBooking();
}

void wdgBookedLine::loadMatcStylesheet()
{
    setStyleSheet(LineStyle::readStyleSheet(QStringLiteral(":/qss/MacStyleBookedLine.qss")));
}

void wdgBookedLine::paintEvent(QPaintEvent *)
{
    LineStyle::paintStyledBackground(this);
}

void wdgBookedLine::mousePressEvent(QMouseEvent *event)
{
    event->ignore();
}
