// The call actions and transfers of the main window at work: the CallPort
// over the window's call lines, the phone back-ends and the CTI library, the
// two action objects that run on it, dialling, the keypad and the line
// widgets' and balloons' buttons. The window's slots forward here.
#pragma once

#include "callactions.h"
#include "callport.h"
#include "ctilibtypes.h"
#include "transferflow.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class CallDirectory;
class CallEvents;
class CallLines;
class CallPhones;
class CtiLib;
class CustomLineEdit;
class MPEngine;
class MSettingsStore;
class PbxSession;
class PhoneApi;
class QWidget;
class wdgActiveLine;
class wdgBalloonMessage;
class wdgIncomingCallLine;

class CallControl : public QObject, public CallPort
{
    Q_OBJECT
public:
    struct Widgets {
        CustomLineEdit *edtCallerNumber = nullptr;
        QWidget *window = nullptr; // parent of the number dialogs
    };
    // `mode`: the window's operating mode, fixed for its life. Commands go
    // to `phones`' back-end in use or to `cti`; `session` tells whether the
    // user is logged in and gives the outside-line prefix; `directory` tells
    // extensions and their busy lamps; `events` asks before a second call;
    // the selected account is read from `settings`. All of them outlive this
    // object.
    CallControl(CallLines &lines, CallEvents &events, const Widgets &widgets, MSETTINGS::AppMode mode, CtiLib &cti,
                const PbxSession &session, const CallPhones &phones, const CallDirectory &directory,
                const MSettingsStore &settings, QObject *parent = nullptr);
    ~CallControl() override;

    // A new softphone engine: its headset's hang-up key ends the line it names.
    void attachEngine(MPEngine *engine);

    CallActions &actions() { return callActions; }
    TransferFlow &transfers() { return transferFlow; }

    // --- dialling: "+" becomes "00", spaces and separators go, anything
    // else that is not a dial character is refused; then the mode's
    // back-end (the CTI server for the calls it owns).
    void startCall(const QString &number, CTILIB::NumberOutgoingPrefix type);
    // A transfer waiting for its target takes the number; a new call otherwise.
    void startCallOrTransfer(const QString &number);

    // The keypad button that was pressed types its digit into the number field.
    void onNumPadClicked(QObject *button);

    // --- CallPort
    CallControlRules::Backends backends() const override;
    bool ctiConnected() const override;
    bool send(const CallCommand &command) override;
    bool engineLineLive(qint64 line) const override;
    bool engineLineActive(qint64 line) const override;
    TransferState transferState() const override;
    void setTransferState(const TransferState &state) override;
    qint64 currentLine() const override;
    QList<qint64> activeLines() const override;
    bool hasActiveLine(qint64 line) const override;
    int lineStatus(qint64 line) const override;
    void setLineStatus(qint64 line, int status) override;
    void setTransferInProgress(qint64 line, const QString &number) override;
    void hideLine(qint64 line) override;
    QString remoteChannel(qint64 line) const override;
    QString callId(qint64 line) const override;
    bool hasRingingLine(qint64 line) const override;
    QString ringingCallId(qint64 line) const override;
    void closeRingingLine(qint64 line) override;
    void hideBalloon(qint64 line) override;
    QList<qint64> heldLines() const override;
    bool isHeld(qint64 line) const override;
    void finalizeCall(qint64 line) override;
    void closeActiveLine(qint64 line) override;
    void forgetIfNoActiveLine() override;
    void showAsHeld(qint64 line) override;
    void startAudioCall(const QString &number) override;
    int anotherCallAlert(bool askUser, bool skipTransferring) override;
    bool isExtension(const QString &number) const override;
    bool isExtensionBusy(const QString &number) const override;
    void promptForTarget() override;
    void clearPlaceholder() override;
    void clearNumberField() override;
    bool confirmBusyTarget(const QString &number) override;
    bool askNumber(NumberDialog dialog, QString *number) override;
    void showError(qint64 line, const QString &text) override;

private:
    void onActiveLineOpened(wdgActiveLine *line);
    void onRingingLineOpened(wdgIncomingCallLine *line);
    void onBalloonOpened(wdgBalloonMessage *balloon);
    bool sendToEngine(MPEngine *engine, const CallCommand &c);
    bool sendToDeskPhone(PhoneApi *phone, const CallCommand &c);
    bool sendToCti(CtiLib *cti, const CallCommand &c);
    QString title(const QString &own) const;
    void click2Call(const QString &number, CTILIB::NumberOutgoingPrefix type);

    QPointer<CallLines> lines;
    CallEvents &events;
    Widgets ui;
    const MSETTINGS::AppMode appMode;
    CtiLib &ctiClient;
    const PbxSession &session;
    const CallPhones &phones;
    const CallDirectory &directory;
    const MSettingsStore &settings;
    CallActions callActions;
    TransferFlow transferFlow;
};
