// Panel of one call that is starting, established, being transferred, ended or
// failed: the other party, the call state in words, the call timer, an
// optional queue/group/return row and the call buttons the operating mode
// allows. It takes no telephony action: every button ends in a signal with the
// line id, and the main window reports back through the setters.
#pragma once

#include "settings/msettings.h"

#include <QTimer>
#include <QWidget>

#include <memory>

namespace Ui
{
class wdgActiveLine;
}
class QLabel;
class QPushButton;

class wdgActiveLine : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int callStatus READ getCallStatus)
public:
    enum Status { StatusError = -1, StatusStarting = 0, StatusInProgress = 1, StatusTransfer = 2, StatusEnded = 3 };
    static constexpr int ErrorDisplayMs = 5000;

    // mode; mobile forwarding available; desk-phone control; first status;
    // transfer role (1 consultation line, -1 ordinary); large-font setting.
    wdgActiveLine(MSETTINGS::AppMode mode, bool mobileForwarding, bool phoneApi, int firstStatus, int transferRole,
                  bool largeFont, QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~wdgActiveLine() override;

    void setCallStatus(int status);
    int getCallStatus() const { return m_status; }
    void setLineId(qlonglong id) { m_lineId = id; }
    qlonglong getLineId() const { return m_lineId; }
    void setCallId(const QString &id) { m_callId = id; }
    QString getCallId() const { return m_callId; }
    void setRemoteNum(QString number);
    QString getRemoteNum() const { return m_remoteNum; }
    void setRemoteName(QString name);
    // Empty while the name only repeats the number.
    QString getRemoteName() const;
    void setQueueInfo(QString info);
    void setGroupInfo(QString info);
    void setXferReturnInfo(QString info);
    void setAdditionalInfo(QString label, QString info);
    QString getQueueInfo() const;
    QString getGroupInfo() const;
    QString getXferReturnInfo() const;
    QString getAdditionalInfo() const;
    QString getAdditionalInfoLabel() const;
    void setLocalChannel(QString channel);
    void setRemoteChannel(QString channel);
    QString getLocalChannel() const { return m_localChannel; }
    QString getRemoteChannel() const { return m_remoteChannel; }
    void setPeakLevelDisplayed(bool show);
    // Whether the microphone level may show: it then shows while the call
    // is in progress (the softphone's lines).
    void setPeakLevelEnabled(bool enabled);
    void updateCallDuration(int seconds);
    void updateOutgoingPeakLevel(int level);
    void notifyError(QString text);
    void setRecordingStatus(bool allowed, bool recording);
    bool isRecordingAllowed() const { return m_recordingAllowed; }
    void setTransferInProgress(bool inProgress, QString target);
    void cancelTransferWithoutHold();
    int transferRole() const { return m_transferRole; }
    void loadMatcStylesheet();

    // Call timer text: total hours (not wrapped at a day), minutes, seconds.
    static QString durationText(qint64 seconds);

signals:
    void sigStatusChanged(int status);
    void sigHangupCall(qlonglong lineId);
    void sigRequesteCallDuration(int lineId);
    void sigRequestOutgoingPeakLevel(int lineId);
    void sigChangeLineLevel(int lineId, int level);
    void sigHoldCall(qlonglong lineId);
    void sigRecordCall(qlonglong lineId, bool recording);
    void sigAskForTransferEstablishedCall(qlonglong lineId);
    void sigCompleteCallTransfer();
    void sigAskForUnattendedTransfer(qlonglong lineId);
    void sigAskForParkCall(qlonglong lineId);
    void sigErrorDisplayTimerTimeout(qlonglong lineId);
    void sigDualRingTriggered();
    void sigCancelTransferRequested(qlonglong lineId, bool hold);
    void sigJoinLinesRequested(qlonglong first, qlonglong second);

public slots:
    void holdCall();
    void recordCall();
    void resetButtonsStatus();
    void hangupCall();
    void requestCallDuration();
    void requestOutgoingPeakLevel();
    void changeLineLevel(int level);
    void askForTransferCall();
    void askForUnattendedTransferCall();
    void askForParkCall();
    void dismissLineInError();
    void cancelTransfer();
    void updateAccessibilityDescription();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QList<QPushButton *> callButtons() const;
    QList<QPushButton *> allButtons() const;
    void setStatusProperty(const char *value);

    std::unique_ptr<Ui::wdgActiveLine> ui;
    qlonglong m_lineId = -1;
    MSETTINGS::AppMode m_mode;
    QTimer m_callDurationTimer;
    QTimer m_errorDisplayTimer;
    QTimer m_peakLevelTimer;
    QString m_remoteName;
    QString m_remoteNum;
    QString m_callId;
    QString m_remoteChannel;
    QString m_localChannel;
    QString normalStyleSheet, highlightedStyleSheet, finishedStyleSheet, startingStyleSheet, transferStyleSheet;
    bool m_phoneApi;
    bool m_mobileForwarding;
    bool m_largeFont;
    bool m_recordingAllowed = false;
    bool m_peakLevelEnabled = false;
    int m_transferRole;
    int m_status = StatusStarting;
    QString m_transferTarget;
    bool m_isQueueInfo = false, m_isGroupInfo = false, m_isXferReturnInfo = false;
};
