#include "wdgactiveline.h"
#include "peerlabel.h"

#include "app/globallogger.h"
#include "linewidgetstyle.h"
#include "ui_wdgactiveline.h"

#include <QFocusEvent>
#include <QMouseEvent>

wdgActiveLine::wdgActiveLine(MSETTINGS::AppMode mode, bool mobileForwarding, bool phoneApi, int firstStatus,
                             int transferRole, bool largeFont, QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), ui(new Ui::wdgActiveLine), m_mode(mode), m_callDurationTimer(this),
      m_errorDisplayTimer(this), m_peakLevelTimer(this), m_phoneApi(phoneApi), m_mobileForwarding(mobileForwarding),
      m_largeFont(largeFont), m_transferRole(transferRole)
{
    ui->setupUi(this);
    PeerLabel::bound(this, {"lblSpeaker", "lblNum", "lblCompany", "lblAccountInfo", "lblQueueInfo"});

    int status = StatusInProgress;
    if (m_mode == MSETTINGS::AppModeSoftphone)
        status = firstStatus;
    else if (m_mode == MSETTINGS::AppModeDeskPhone && m_phoneApi)
        status = firstStatus == StatusStarting ? StatusStarting : StatusInProgress;

    ui->btnCancelTransfer->setToolTip(tr("Annulla trasferimento della chiamata"));
    ui->lblAccountInfo->clear();
    ui->lblAccountInfo->hide();
    ui->lblQueueText->hide();
    for (QLabel *l : {ui->lblQueueInfo, ui->lblCallTimer, ui->lblSpeaker, ui->lblNum, ui->lblCompany})
        l->clear();
    ui->barPeakLevel->setVisible(m_peakLevelEnabled);
    for (QPushButton *b : allButtons()) {
        b->setEnabled(false);
        b->hide();
    }
    ui->btnRec->setCheckable(true);
    ui->btnRec->setChecked(false);
    QIcon rec;
    rec.addFile(QStringLiteral(":/images/RecActiveCall_off.png"), QSize(), QIcon::Normal, QIcon::Off);
    rec.addFile(QStringLiteral(":/images/RecActiveCall.png"), QSize(), QIcon::Normal, QIcon::On);
    ui->btnRec->setIcon(rec);

    m_callDurationTimer.setObjectName(QStringLiteral("callDurationTimer"));
    m_callDurationTimer.setInterval(1000);
    m_peakLevelTimer.setObjectName(QStringLiteral("peakLevelTimer"));
    m_peakLevelTimer.setInterval(100);
    m_errorDisplayTimer.setObjectName(QStringLiteral("errorDisplayTimer"));
    m_errorDisplayTimer.setInterval(ErrorDisplayMs);
    m_errorDisplayTimer.setSingleShot(true);
    connect(&m_callDurationTimer, &QTimer::timeout, this, &wdgActiveLine::requestCallDuration);
    connect(&m_peakLevelTimer, &QTimer::timeout, this, &wdgActiveLine::requestOutgoingPeakLevel);
    connect(&m_errorDisplayTimer, &QTimer::timeout, this, &wdgActiveLine::dismissLineInError);
    connect(ui->btnHangup, &QPushButton::clicked, this, &wdgActiveLine::hangupCall);
    connect(ui->btnHold, &QPushButton::clicked, this, &wdgActiveLine::holdCall);
    connect(ui->btnTransfer, &QPushButton::clicked, this, &wdgActiveLine::askForTransferCall);
    connect(ui->btnUnattendTransfer, &QPushButton::clicked, this, &wdgActiveLine::askForUnattendedTransferCall);
    connect(ui->btnParkCall, &QPushButton::clicked, this, &wdgActiveLine::askForParkCall);
    connect(ui->btnRec, &QPushButton::clicked, this, &wdgActiveLine::recordCall);
    connect(ui->btnDualRing, &QPushButton::clicked, this, &wdgActiveLine::sigDualRingTriggered);
    connect(ui->btnCancelTransfer, &QPushButton::clicked, this, &wdgActiveLine::cancelTransfer);
    connect(ui->btnDismiss, &QPushButton::clicked, this, &wdgActiveLine::dismissLineInError);

    setCallStatus(status);
}

wdgActiveLine::~wdgActiveLine()
{
    for (QTimer *t : {&m_callDurationTimer, &m_peakLevelTimer, &m_errorDisplayTimer}) {
        t->disconnect();
        t->stop();
    }
}

QList<QPushButton *> wdgActiveLine::callButtons() const
{
    return {ui->btnUnattendTransfer, ui->btnCancelTransfer, ui->btnTransfer, ui->btnParkCall, ui->btnHold, ui->btnRec,
            ui->btnHangup,           ui->btnDualRing};
}

QList<QPushButton *> wdgActiveLine::allButtons() const
{
    return callButtons() << ui->btnDismiss;
}

void wdgActiveLine::resetButtonsStatus()
{
    for (QPushButton *b : allButtons())
        b->setEnabled(false);
    ui->btnHangup->setEnabled(true);
    if (m_mode == MSETTINGS::AppModeSoftphone) {
        for (QPushButton *b : {ui->btnHold, ui->btnRec, ui->btnHangup, ui->btnCancelTransfer, ui->btnTransfer,
                               ui->btnUnattendTransfer, ui->btnParkCall})
            b->setEnabled(true);
        ui->btnDualRing->setEnabled(m_mobileForwarding);
    } else if (m_mode == MSETTINGS::AppModeDeskPhone) {
        ui->btnUnattendTransfer->setEnabled(true);
        if (m_phoneApi) {
            for (QPushButton *b : {ui->btnHold, ui->btnRec, ui->btnTransfer, ui->btnCancelTransfer, ui->btnParkCall})
                b->setEnabled(true);
            ui->btnDualRing->setEnabled(m_mobileForwarding);
        }
    }
}

void wdgActiveLine::setStatusProperty(const char *value)
{
    setProperty("status", QString::fromLatin1(value));
    setStyleSheet(styleSheet());
}

void wdgActiveLine::setCallStatus(int status)
{
    m_status = status;
    resetButtonsStatus();
    const auto disableCallButtons = [this] {
        for (QPushButton *b : callButtons())
            b->setEnabled(false);
    };
    switch (status) {
    case StatusError:
        disableCallButtons();
        ui->btnDismiss->setEnabled(true);
        setStatusProperty("finished");
        break;
    case StatusStarting:
        ui->lblCallStatus->setText(tr("Avvio chiamata..."));
        disableCallButtons();
        ui->btnHangup->setEnabled(true);
        setStatusProperty("starting");
        break;
    case StatusInProgress:
        ui->lblCallStatus->setText(tr("Chiamata in corso"));
        ui->btnRec->setEnabled(ui->btnRec->isEnabled() && m_recordingAllowed);
        ui->btnHangup->setEnabled(true);
        ui->btnCancelTransfer->setEnabled(false);
        setStatusProperty("normal");
        break;
    case StatusTransfer: {
        ui->lblCallStatus->setText(m_transferTarget.isEmpty()
                                       ? tr("Trasferimento in corso")
                                       : tr("Trasferimento a %1 in corso").arg(m_transferTarget));
        const bool cancel = ui->btnCancelTransfer->isEnabled();
        disableCallButtons();
        ui->btnHangup->setEnabled(true);
        ui->btnCancelTransfer->setEnabled(cancel);
        setStatusProperty("transfer");
        break;
    }
    case StatusEnded:
        ui->lblCallStatus->setText(tr("Chiamata terminata"));
        disableCallButtons();
        setStatusProperty("finished");
        break;
    default:
        ui->lblCallStatus->clear();
        disableCallButtons();
        setStatusProperty("normal");
        break;
    }

    if (status == StatusInProgress) {
        if (!m_callDurationTimer.isActive())
            m_callDurationTimer.start();
        setPeakLevelDisplayed(true);
    } else if (status == StatusEnded) {
        m_callDurationTimer.stop();
        m_peakLevelTimer.stop();
        ui->barPeakLevel->hide();
    }

    if (m_transferRole == 1) {
        disableCallButtons();
        const bool control =
            m_mode == MSETTINGS::AppModeSoftphone || (m_mode == MSETTINGS::AppModeDeskPhone && m_phoneApi);
        if (control && (status == StatusInProgress || status == StatusStarting)) {
            ui->btnTransfer->setEnabled(true);
            ui->btnTransfer->setToolTip(status == StatusInProgress ? tr("Completa trasferimento")
                                                                   : tr("Converti in trasferimento senza offerta"));
            ui->btnCancelTransfer->setEnabled(true);
        }
    }

    for (QPushButton *b : allButtons())
        b->setVisible(b->isEnabled());
    if (!ui->btnRec->isEnabled())
        ui->btnRec->setChecked(false);
    emit sigStatusChanged(status);
}

void wdgActiveLine::setRemoteNum(QString number)
{
    m_remoteNum = number;
    const QString shown = LineStyle::shownNumber(number);
    ui->lblNum->setText(shown);
    if (m_remoteName.isEmpty())
        setRemoteName(shown);
}

void wdgActiveLine::setRemoteName(QString name)
{
    m_remoteName = name;
    ui->lblSpeaker->setText(name);
    ui->lblPic->setText(LineStyle::initialOf(name));
}

QString wdgActiveLine::getRemoteName() const
{
    return LineStyle::partyName(m_remoteName, m_remoteNum);
}

void wdgActiveLine::setQueueInfo(QString info)
{
    setAdditionalInfo(tr("Coda:"), info);
}

void wdgActiveLine::setGroupInfo(QString info)
{
    setAdditionalInfo(tr("Gruppo:"), info);
}

void wdgActiveLine::setXferReturnInfo(QString info)
{
    setAdditionalInfo(tr("Ritorno da:"), info);
}

void wdgActiveLine::setAdditionalInfo(QString label, QString info)
{
    info = info.trimmed();
    if (info.isEmpty())
        return;
    ui->lblQueueText->setText(label);
    ui->lblQueueInfo->setText(info);
    ui->lblQueueText->show();
    m_isQueueInfo = label == tr("Coda:");
    m_isGroupInfo = label == tr("Gruppo:");
    m_isXferReturnInfo = label == tr("Ritorno da:");
}

QString wdgActiveLine::getQueueInfo() const
{
    return m_isQueueInfo ? ui->lblQueueInfo->text() : QString();
}

QString wdgActiveLine::getGroupInfo() const
{
    return m_isGroupInfo ? ui->lblQueueInfo->text() : QString();
}

QString wdgActiveLine::getXferReturnInfo() const
{
    return m_isXferReturnInfo ? ui->lblQueueInfo->text() : QString();
}

QString wdgActiveLine::getAdditionalInfo() const
{
    return (m_isQueueInfo || m_isGroupInfo || m_isXferReturnInfo) ? QString() : ui->lblQueueInfo->text();
}

QString wdgActiveLine::getAdditionalInfoLabel() const
{
    return (m_isQueueInfo || m_isGroupInfo || m_isXferReturnInfo) ? QString() : ui->lblQueueText->text();
}

void wdgActiveLine::setLocalChannel(QString channel)
{
    if (!channel.isEmpty())
        m_localChannel = channel;
}

void wdgActiveLine::setRemoteChannel(QString channel)
{
    if (!channel.isEmpty())
        m_remoteChannel = channel;
}

void wdgActiveLine::setPeakLevelDisplayed(bool show)
{
    if (show && m_peakLevelEnabled) {
        m_peakLevelTimer.start();
        ui->barPeakLevel->show();
    } else {
        m_peakLevelTimer.stop();
        ui->barPeakLevel->hide();
    }
}

void wdgActiveLine::setPeakLevelEnabled(bool enabled)
{
    m_peakLevelEnabled = enabled;
    setPeakLevelDisplayed(enabled && m_status == StatusInProgress);
}

QString wdgActiveLine::durationText(qint64 seconds)
{
    if (seconds < 0)
        seconds = 0;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds % 3600) / 60;
    const qint64 rest = seconds % 60;
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(rest, 2, 10, QLatin1Char('0'));
}

void wdgActiveLine::updateCallDuration(int seconds)
{
    ui->lblCallTimer->setText(durationText(seconds));
}

void wdgActiveLine::updateOutgoingPeakLevel(int level)
{
    ui->barPeakLevel->setValue(level);
}

void wdgActiveLine::notifyError(QString text)
{
    ui->lblCallStatus->setText(text);
    m_errorDisplayTimer.start();
    setCallStatus(StatusError);
}

void wdgActiveLine::dismissLineInError()
{
    if (m_status != StatusError)
        return;
    m_errorDisplayTimer.stop();
    emit sigErrorDisplayTimerTimeout(m_lineId);
}

void wdgActiveLine::setRecordingStatus(bool allowed, bool recording)
{
    m_recordingAllowed = allowed;
    setCallStatus(m_status);
    ui->btnRec->setChecked(ui->btnRec->isEnabled() && recording);
}

void wdgActiveLine::recordCall()
{
    if (!m_recordingAllowed) {
        // The click has already toggled the button: put it back.
        ui->btnRec->setChecked(!ui->btnRec->isChecked());
        return;
    }
    const bool asked = ui->btnRec->isChecked();
    ui->btnRec->setChecked(!asked);
    emit sigRecordCall(m_lineId, asked);
}

void wdgActiveLine::setTransferInProgress(bool inProgress, QString target)
{
    if (m_transferRole != -1)
        return;
    if (inProgress) {
        m_transferTarget = target;
        setCallStatus(StatusTransfer);
    } else {
        m_transferTarget.clear();
        setCallStatus(StatusInProgress);
    }
}

void wdgActiveLine::cancelTransfer()
{
    emit sigCancelTransferRequested(m_lineId, true);
    setCallStatus(StatusInProgress);
}

void wdgActiveLine::cancelTransferWithoutHold()
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Requested Cancel Transfer on line " << QString::number(m_lineId);
    emit sigCancelTransferRequested(m_lineId, false);
    setCallStatus(StatusInProgress);
}

void wdgActiveLine::hangupCall()
{
    emit sigHangupCall(m_lineId);
}

void wdgActiveLine::holdCall()
{
    emit sigHoldCall(m_lineId);
}

void wdgActiveLine::askForUnattendedTransferCall()
{
    emit sigAskForUnattendedTransfer(m_lineId);
}

void wdgActiveLine::askForParkCall()
{
    emit sigAskForParkCall(m_lineId);
}

void wdgActiveLine::askForTransferCall()
{
    if (m_transferRole == 1)
        emit sigCompleteCallTransfer();
    else
        emit sigAskForTransferEstablishedCall(m_lineId);
}

void wdgActiveLine::requestCallDuration()
{
    emit sigRequesteCallDuration(int(m_lineId));
}

void wdgActiveLine::requestOutgoingPeakLevel()
{
    if (m_status == StatusInProgress || m_status == StatusTransfer)
        emit sigRequestOutgoingPeakLevel(int(m_lineId));
}

void wdgActiveLine::changeLineLevel(int level)
{
    emit sigChangeLineLevel(int(m_lineId), level);
}

void wdgActiveLine::updateAccessibilityDescription()
{
    ui->btnUnattendTransfer->setAccessibleName(ui->lblCallStatus->text() + tr(" con ") + ui->lblSpeaker->text() +
                                               tr("Trasferisci senza offerta"));
}

void wdgActiveLine::focusInEvent(QFocusEvent *event)
{
    updateAccessibilityDescription();
    event->accept();
    ui->btnUnattendTransfer->setFocus(Qt::OtherFocusReason);
}

void wdgActiveLine::loadMatcStylesheet()
{
    const LineStyle::SizeClass sizeClass = LineStyle::sizeClass(m_largeFont, LineStyle::screenWidth());
    const LineStyle::FontSizes sizes = LineStyle::fontSizes(sizeClass);
    const int height = LineStyle::fixedHeight(LineStyle::LineKind::Active, sizeClass);
    if (height > 0)
        setFixedHeight(height);
    normalStyleSheet =
        LineStyle::fillSizes(LineStyle::readStyleSheet(QStringLiteral(":/qss/activeLineNormalStyle.qss")), sizes);
    highlightedStyleSheet =
        LineStyle::fillSizes(LineStyle::readStyleSheet(QStringLiteral(":/qss/activeLineHighLightedStyle.qss")), sizes);
    transferStyleSheet =
        LineStyle::fillSizes(LineStyle::readStyleSheet(QStringLiteral(":/qss/activeLineTransfCallStyle.qss")), sizes);
    finishedStyleSheet =
        LineStyle::fillSizes(LineStyle::readStyleSheet(QStringLiteral(":/qss/activeLineFinishedCallStyle.qss")), sizes);
    startingStyleSheet =
        LineStyle::fillSizes(LineStyle::readStyleSheet(QStringLiteral(":/qss/activeLineStartingCallStyle.qss")), sizes);
    setStyleSheet(normalStyleSheet);
}

void wdgActiveLine::paintEvent(QPaintEvent *)
{
    LineStyle::paintStyledBackground(this);
}

void wdgActiveLine::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
}

void wdgActiveLine::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
}

void wdgActiveLine::dragEnterEvent(QDragEnterEvent *event)
{
    QWidget::dragEnterEvent(event);
}

void wdgActiveLine::dragLeaveEvent(QDragLeaveEvent *event)
{
    QWidget::dragLeaveEvent(event);
}

void wdgActiveLine::dropEvent(QDropEvent *event)
{
    QWidget::dropEvent(event);
}
