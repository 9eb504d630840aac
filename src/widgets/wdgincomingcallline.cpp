#include "wdgincomingcallline.h"
#include "peerlabel.h"
#include "sharedicons.h"

#include "linewidgetstyle.h"
#include "ui_wdgincomingcallline.h"

#include <QFocusEvent>
#include <QStyle>

namespace
{
const QString clickToCallPrefix = QStringLiteral("c2c: ");

QString ringingSheet(const QString &gradient, const QString &colour, const LineStyle::FontSizes &sizes)
{
    return QStringLiteral("wdgIncomingCallLine { border: 1px solid black; border-radius: 4px; background: %1; }\n"
                          "QLabel { font-weight: bold; font-size: %2; color: %4; }\n"
                          "#lblCallStatus, #lblQueueInfo { font-style: italic; font-size: %3; color: %4; }\n")
        .arg(gradient, sizes.first, sizes.second, colour);
}
} // namespace

wdgIncomingCallLine::wdgIncomingCallLine(QWidget *parent, MSETTINGS::AppMode mode, bool largeFont,
                                         Qt::WindowFlags flags)
    : QWidget(parent, flags), ui(new Ui::wdgIncomingCallLine), m_mode(mode), m_blinkTimer(this), m_largeFont(largeFont)
{
    ui->setupUi(this);
    ui->btnAnswerCall->setIcon(SharedIcons::icon(QStringLiteral(":/images/StartAudioCallBtn.png")));
    ui->btnRefuseCall->setIcon(SharedIcons::icon(QStringLiteral(":/images/HangupActiveCall.png")));
    ui->btnTransferCall->setIcon(SharedIcons::icon(QStringLiteral(":/images/UnattendedTransferActiveCall.png")));
    ui->btnIgnoreCall->setIcon(SharedIcons::icon(QStringLiteral(":/images/InputAudioOff.png")));
    PeerLabel::bound(this, {"lblSpeaker", "lblNum", "lblCompany", "lblAccountInfo", "lblQueueInfo"});
    ui->lblAccountInfo->clear();
    ui->lblAccountInfo->hide();
    ui->lblQueueText->hide();
    for (QLabel *l : {ui->lblQueueInfo, ui->lblCallTimer, ui->lblSpeaker, ui->lblNum, ui->lblCompany})
        l->clear();

    m_blinkTimer.setObjectName(QStringLiteral("blinkTimer"));
    m_blinkTimer.setSingleShot(false);
    m_blinkTimer.start(BlinkMs);

    connect(ui->btnIgnoreCall, &QPushButton::clicked, this, &wdgIncomingCallLine::ignoreCall);
    connect(ui->btnTransferCall, &QPushButton::clicked, this, &wdgIncomingCallLine::transferCall);
    connect(ui->btnAnswerCall, &QPushButton::clicked, this, &wdgIncomingCallLine::answerCall);
    connect(&m_blinkTimer, &QTimer::timeout, this, &wdgIncomingCallLine::blinkWidget);
    connect(ui->btnRefuseCall, &QPushButton::clicked, this, &wdgIncomingCallLine::refuseCall);
}

wdgIncomingCallLine::~wdgIncomingCallLine()
{
    m_blinkTimer.disconnect();
    m_blinkTimer.stop();
}

void wdgIncomingCallLine::setRemoteName(QString name)
{
    m_remoteName = name;
    ui->lblSpeaker->setText(name);
    if (name.startsWith(clickToCallPrefix))
        name.remove(0, clickToCallPrefix.size());
    ui->lblPic->setText(LineStyle::initialOf(name));
}

void wdgIncomingCallLine::setRemoteNum(QString num)
{
    m_remoteNum = num;
    ui->lblNum->setText(LineStyle::shownNumber(num));
    if (m_remoteName.isEmpty())
        setRemoteName(num);
}

QString wdgIncomingCallLine::getRemoteName() const
{
    return LineStyle::partyName(m_remoteName, m_remoteNum);
}

void wdgIncomingCallLine::setCallType(CTILIB::CallAttributeFlags flags)
{
    m_callType = flags;
    if (flags.testFlag(CTILIB::CallAttrClickToCall)) {
        ui->btnTransferCall->hide();
        ui->buttonsLayout->removeWidget(ui->btnTransferCall);
    }
}

void wdgIncomingCallLine::setQueueInfo(QString value)
{
    setAdditionalInfo(tr("Coda:"), value);
}

void wdgIncomingCallLine::setGroupInfo(QString value)
{
    setAdditionalInfo(tr("Gruppo:"), value);
}

void wdgIncomingCallLine::setXferReturnInfo(QString value)
{
    setAdditionalInfo(tr("Ritorno da:"), value);
}

void wdgIncomingCallLine::setAdditionalInfo(QString label, QString value)
{
    value = value.trimmed();
    if (value.isEmpty())
        return;
    ui->lblQueueText->setText(label);
    ui->lblQueueInfo->setText(value);
    ui->lblQueueText->show();
    m_queueShown = label == tr("Coda:");
    m_groupShown = label == tr("Gruppo:");
    m_xferReturnShown = label == tr("Ritorno da:");
}

QString wdgIncomingCallLine::getQueueInfo() const
{
    return m_queueShown ? ui->lblQueueInfo->text() : QString();
}

QString wdgIncomingCallLine::getGroupInfo() const
{
    return m_groupShown ? ui->lblQueueInfo->text() : QString();
}

QString wdgIncomingCallLine::getXferReturnInfo() const
{
    return m_xferReturnShown ? ui->lblQueueInfo->text() : QString();
}

QString wdgIncomingCallLine::getAdditionalInfo() const
{
    return (m_queueShown || m_groupShown || m_xferReturnShown) ? QString() : ui->lblQueueInfo->text();
}

QString wdgIncomingCallLine::getAdditionalInfoLabel() const
{
    return (m_queueShown || m_groupShown || m_xferReturnShown) ? QString() : ui->lblQueueText->text();
}

void wdgIncomingCallLine::setMctiMode(bool phoneApiAvailable)
{
    if (m_mode != MSETTINGS::AppModeDeskPhone) {
        for (QPushButton *b : {ui->btnAnswerCall, ui->btnTransferCall, ui->btnIgnoreCall}) {
            b->hide();
            ui->buttonsLayout->removeWidget(b);
        }
        return;
    }
    ui->buttonsLayout->removeWidget(ui->btnIgnoreCall);
    ui->btnIgnoreCall->hide();
    if (!phoneApiAvailable)
        ui->buttonsLayout->removeWidget(ui->btnAnswerCall);
    ui->btnAnswerCall->setVisible(phoneApiAvailable);
}

void wdgIncomingCallLine::blinkWidget()
{
    const int was = m_blinkState;
    m_blinkState = !was;
    setProperty("status", was == 0 ? QStringLiteral("highlighted") : QStringLiteral("normal"));
    // Only this widget's own rule depends on the state: its children keep
    // their style, and a line out of sight is styled when it shows.
    if (isVisible()) {
        style()->unpolish(this);
        style()->polish(this);
        update();
    }
    emit sigBlinking();
}

void wdgIncomingCallLine::answerCall()
{
    emit sigAnswerIncomingCall(m_lineId, m_remoteNum);
}

void wdgIncomingCallLine::refuseCall()
{
    emit sigRefuseIncomingCall(m_lineId, m_remoteNum);
}

void wdgIncomingCallLine::ignoreCall()
{
    emit sigIgnoreIncomingCall(m_lineId, m_remoteNum);
}

void wdgIncomingCallLine::transferCall()
{
    emit sigTransferIncomingCall(m_lineId, m_remoteNum);
}

void wdgIncomingCallLine::focusInEvent(QFocusEvent *event)
{
    setAccessibleDescription(ui->lblCallStatus->text() + tr(" da ") + ui->lblSpeaker->text());
    event->accept();
}

void wdgIncomingCallLine::loadMatcStylesheet()
{
    const LineStyle::SizeClass sizeClass = LineStyle::sizeClass(m_largeFont, LineStyle::screenWidth());
    const LineStyle::FontSizes sizes = LineStyle::fontSizes(sizeClass);
    setFixedHeight(LineStyle::fixedHeight(LineStyle::LineKind::Incoming, sizeClass));
    redStyleSheet = ringingSheet(QStringLiteral("qlineargradient(spread:reflect, x1:0, y1:0, x2:0, y2:0.450, "
                                                "stop:0 rgba(255, 75, 75, 255), stop:1 rgba(255, 120, 120, 255))"),
                                 QStringLiteral("white"), sizes);
    yellowStyleSheet = ringingSheet(QStringLiteral("qlineargradient(spread:reflect, x1:0, y1:0, x2:0, y2:0.450, "
                                                   "stop:0 rgba(255, 255, 0, 255), stop:1 rgba(255, 255, 171, 255))"),
                                    QStringLiteral("black"), sizes);
    setStyleSheet(redStyleSheet);
}

void wdgIncomingCallLine::showEvent(QShowEvent *event)
{
    // The blink state may have changed while the line was out of sight.
    style()->unpolish(this);
    style()->polish(this);
    QWidget::showEvent(event);
}

void wdgIncomingCallLine::paintEvent(QPaintEvent *)
{
    LineStyle::paintStyledBackground(this);
}

void wdgIncomingCallLine::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
}

void wdgIncomingCallLine::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
}
