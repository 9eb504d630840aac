// Line of one ringing incoming call: the caller, the queue/group/return row,
// "Chiamata in arrivo" and the answer, refuse, forward and ignore buttons the
// operating mode and the call allow. It blinks once a second until it is
// destroyed; its buttons only emit signals with the line id and the number.
#pragma once

#include "ctilibtypes.h"
#include "settings/msettings.h"

#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui
{
class wdgIncomingCallLine;
}

class wdgIncomingCallLine : public QWidget
{
    Q_OBJECT
public:
    static constexpr int BlinkMs = 1000;

    wdgIncomingCallLine(QWidget *parent, MSETTINGS::AppMode mode, bool largeFont,
                        Qt::WindowFlags flags = Qt::WindowFlags());
    ~wdgIncomingCallLine() override;

    void setLineId(qint64 id) { m_lineId = id; }
    qint64 getLineId() const { return m_lineId; }
    void setCallId(const QString &id) { m_callId = id; }
    QString getCallId() const { return m_callId; }
    void setLocalChannel(QString channel) { m_localChannel = channel; }
    QString getLocalChannel() const { return m_localChannel; }
    void setRemoteChannel(QString channel) { m_remoteChannel = channel; }
    QString getRemoteChannel() const { return m_remoteChannel; }
    void setRemoteName(QString name);
    void setRemoteNum(QString num);
    QString getRemoteName() const;
    QString getRemoteNum() const { return m_remoteNum; }
    void setCallType(CTILIB::CallAttributeFlags flags);
    CTILIB::CallAttributeFlags getCallType() const { return m_callType; }
    void setQueueInfo(QString value);
    void setGroupInfo(QString value);
    void setXferReturnInfo(QString value);
    void setAdditionalInfo(QString label, QString value);
    QString getQueueInfo() const;
    QString getGroupInfo() const;
    QString getXferReturnInfo() const;
    QString getAdditionalInfo() const;
    QString getAdditionalInfoLabel() const;
    // Modes 0 and 1: prunes the buttons; phoneApiAvailable is true while a
    // desk-phone driver exists.
    void setMctiMode(bool phoneApiAvailable);
    void loadMatcStylesheet();
    QTimer *blinkTimer() { return &m_blinkTimer; }

signals:
    void sigAnswerIncomingCall(qlonglong lineId, QString remoteNum);
    void sigRefuseIncomingCall(qlonglong lineId, QString remoteNum);
    void sigIgnoreIncomingCall(qlonglong lineId, QString remoteNum);
    void sigTransferIncomingCall(qlonglong lineId, QString remoteNum);
    void sigBlinking();

public slots:
    void blinkWidget();
    void answerCall();
    void refuseCall();
    void ignoreCall();
    void transferCall();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    std::unique_ptr<Ui::wdgIncomingCallLine> ui;
    qint64 m_lineId = -1;
    int m_blinkState = 0;
    MSETTINGS::AppMode m_mode;
    QString m_remoteName;
    QString m_remoteNum;
    QString m_callId;
    QString m_localChannel;
    QString m_remoteChannel;
    QString redStyleSheet;
    QString yellowStyleSheet;
    QTimer m_blinkTimer;
    CTILIB::CallAttributeFlags m_callType;
    bool m_largeFont;
    bool m_queueShown = false, m_groupShown = false, m_xferReturnShown = false;
};
