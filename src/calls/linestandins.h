// Small line widgets and call balloon used by call handling until the full
// ringing-line, active-line and balloon widgets of the line widget set take
// their place. They carry the same operations under the same names (the
// pipeline only uses those), show their texts as plain text, and take no call
// action themselves: each button only emits a signal with the line id.
#pragma once

#include "ctilibtypes.h"
#include "msettings.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

class QHBoxLayout;

// A ringing call line.
class CallRingingLine : public QWidget
{
    Q_OBJECT
public:
    CallRingingLine(QWidget *parent, MSETTINGS::AppMode mode);

    void setCallType(CTILIB::CallAttributeFlags flags) { callType = flags; }
    CTILIB::CallAttributeFlags getCallType() const { return callType; }
    void setLocalChannel(const QString &channel) { localChannel = channel; }
    QString getLocalChannel() const { return localChannel; }
    void setRemoteChannel(const QString &channel) { remoteChannel = channel; }
    QString getRemoteChannel() const { return remoteChannel; }
    void setQueueInfo(const QString &queue);
    void setGroupInfo(const QString &group);
    void setXferReturnInfo(const QString &from);
    bool isQueue() const { return queueShown; }
    QString getQueueInfo() const { return queueShown ? additionalInfo : QString(); }
    QString getGroupInfo() const { return groupShown ? additionalInfo : QString(); }
    QString getAdditionalInfo() const { return additionalInfo; }
    QString getAdditionalInfoLabel() const { return additionalLabel; }
    void setLineId(qint64 id) { lineId = id; }
    qint64 getLineId() const { return lineId; }
    void setCallId(const QString &id) { callId = id; }
    QString getCallId() const { return callId; }
    void setRemoteName(const QString &name);
    QString getRemoteName() const { return remoteName; }
    void setRemoteNum(const QString &number);
    QString getRemoteNum() const { return remoteNum; }
    // Operating modes 0 and 1: which buttons the mode offers.
    void setMctiMode(bool phoneApiAvailable);

public slots:
    void answerCall() { emit sigAnswerIncomingCall(lineId, remoteNum); }
    void refuseCall() { emit sigRefuseIncomingCall(lineId, remoteNum); }
    void ignoreCall() { emit sigIgnoreIncomingCall(lineId, remoteNum); }
    void transferCall() { emit sigTransferIncomingCall(lineId, remoteNum); }

signals:
    void sigBlinking();
    void sigAnswerIncomingCall(qlonglong lineId, QString remoteNum);
    void sigRefuseIncomingCall(qlonglong lineId, QString remoteNum);
    void sigIgnoreIncomingCall(qlonglong lineId, QString remoteNum);
    void sigTransferIncomingCall(qlonglong lineId, QString remoteNum);

private:
    void setAdditional(const QString &label, const QString &info, int kind);

    MSETTINGS::AppMode mode;
    qint64 lineId = -1;
    QString remoteName;
    QString remoteNum;
    QString callId;
    QString localChannel;
    QString remoteChannel;
    CTILIB::CallAttributeFlags callType;
    QString additionalLabel;
    QString additionalInfo;
    bool queueShown = false;
    bool groupShown = false;
    bool xferShown = false;
    QLabel *lblSpeaker;
    QLabel *lblNum;
    QLabel *lblQueueText;
    QLabel *lblQueueInfo;
    QPushButton *btnAnswerCall;
    QPushButton *btnRefuseCall;
    QPushButton *btnTransferCall;
    QPushButton *btnIgnoreCall;
};

// An active call line (dialling, in conversation, ended or in error).
class CallActiveLine : public QWidget
{
    Q_OBJECT
public:
    // `status`: -1 error, 0 starting, 1 in progress, 2 transfer, 3 ended.
    // `transferRole`: 1 the consultation call of an attended transfer, else -1.
    CallActiveLine(MSETTINGS::AppMode mode, int status, int transferRole, QWidget *parent);

    void setLineId(qint64 id) { lineId = id; }
    qint64 getLineId() const { return lineId; }
    void setCallId(const QString &id) { callId = id; }
    QString getCallId() const { return callId; }
    void setQueueInfo(const QString &queue) { queueInfo = queue; }
    QString getQueueInfo() const { return queueInfo; }
    void setGroupInfo(const QString &group) { groupInfo = group; }
    QString getGroupInfo() const { return groupInfo; }
    void setAdditionalInfo(const QString &label, const QString &info);
    QString getAdditionalInfo() const { return additionalInfo; }
    QString getAdditionalInfoLabel() const { return additionalLabel; }
    void setRemoteName(const QString &name);
    QString getRemoteName() const { return remoteName; }
    void setRemoteNum(const QString &number);
    QString getRemoteNum() const { return remoteNum; }
    // An empty channel keeps the one stored.
    void setLocalChannel(const QString &channel);
    QString getLocalChannel() const { return localChannel; }
    void setRemoteChannel(const QString &channel);
    QString getRemoteChannel() const { return remoteChannel; }
    void setCallStatus(int status);
    int getCallStatus() const { return callStatus; }
    int getTransferRole() const { return transferRole; }
    void setRecordingStatus(bool allowed, bool recording);
    bool isRecordingAllowed() const { return recordingAllowed; }
    void setTransferInProgress(bool on, const QString &target);

signals:
    void sigStatusChanged(int status);
    void sigHangupCall(qlonglong lineId);

private:
    void showStatus();

    MSETTINGS::AppMode mode;
    qint64 lineId = -1;
    int callStatus = 0;
    int transferRole = -1;
    bool recordingAllowed = false;
    QString callId;
    QString queueInfo;
    QString groupInfo;
    QString additionalLabel;
    QString additionalInfo;
    QString remoteName;
    QString remoteNum;
    QString localChannel;
    QString remoteChannel;
    QLabel *lblSpeaker;
    QLabel *lblNum;
    QLabel *lblCallStatus;
    QPushButton *btnHangup;
};

// A notification balloon for a call: a frameless window that never takes
// the focus, with the message and the buttons of an incoming call.
class CallBalloon : public QWidget
{
    Q_OBJECT
public:
    enum Type { IncomingCall = 0, BookedFree = 1, CopiedNumber = 2, ClickToCall = 3, Update = 5 };
    struct Info {
        int type = IncomingCall;
        qint64 lineId = -1;
        QString num2call;
        QString callerName;
        QString additionalLabel;
        QString additionalInfo;
        QString key() const { return QString::number(lineId); }
    };

    CallBalloon(MSETTINGS::AppMode mode, const Info &info);

    void setMessage(const QString &message);
    QString message() const;
    void updateBalloonInfo(const Info &info);
    const Info &balloonInfo() const { return info; }
    void setVerticalOffset(int offset);
    void startShowAnimation(int);
    // Hides the balloon and deletes it; the closing is reported first.
    void startHideAnimation();

signals:
    void sigAnswerAudioCallSelected(qlonglong lineId, QString number);
    void sigRefuseCallSelected(qlonglong lineId, QString number);
    void sigIgnoreCallSelected(qlonglong lineId, QString number);
    void sigBaloonMsgClosing(int type, QString key);

private:
    Info info;
    bool closing = false;
    QLabel *lblMessage;
    QLabel *lblAdditional;
};
