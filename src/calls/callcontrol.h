// The call actions and transfers of the main window at work: the CallPort
// over the window's call lines, the phone back-ends and the CTI library, the
// two action objects that run on it, the keypad and the hand-over of the line
// widgets' and balloons' buttons. The window's slots forward here.
#pragma once

#include "callactions.h"
#include "callport.h"
#include "transferflow.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <utility>

class CallLines;
class CtiLib;
class CustomLineEdit;
class MPEngine;
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
    // What is read of the rest of the window when an action runs. Unset
    // hooks answer "absent".
    struct Hooks {
        std::function<MSETTINGS::AppMode()> mode;
        std::function<CtiLib *()> cti;
        std::function<MPEngine *()> engine;
        std::function<PhoneApi *()> deskPhone;
        std::function<bool(const QString &)> isExtension;
        std::function<int(const QString &)> blfState; // -1 unknown
        std::function<QString()> selectedAccount;
        // Held lines in the order they were held, and a held line's widget.
        std::function<QList<qint64>()> heldLines;
        std::function<QWidget *(qint64)> heldWidget;
        // 0 go on, non-zero the user declined.
        std::function<int(bool askUser, bool skipTransferring)> anotherCallAlert;
        // Shows a line as held without a command to the back-end.
        std::function<void(qint64)> showAsHeld;
        std::function<QString()> dialogTitle; // the long application name
        // The names of the hooks left unset; the window sets every one.
        QStringList unset() const
        {
            const std::pair<bool, const char *> all[] = {{bool(mode), "mode"},
                                                         {bool(cti), "cti"},
                                                         {bool(engine), "engine"},
                                                         {bool(deskPhone), "deskPhone"},
                                                         {bool(isExtension), "isExtension"},
                                                         {bool(blfState), "blfState"},
                                                         {bool(selectedAccount), "selectedAccount"},
                                                         {bool(heldLines), "heldLines"},
                                                         {bool(heldWidget), "heldWidget"},
                                                         {bool(anotherCallAlert), "anotherCallAlert"},
                                                         {bool(showAsHeld), "showAsHeld"},
                                                         {bool(dialogTitle), "dialogTitle"}};
            QStringList names;
            for (const auto &h : all) {
                if (!h.first)
                    names << QLatin1String(h.second);
            }
            return names;
        }
    };

    CallControl(CallLines *lines, const Widgets &widgets, QObject *parent = nullptr);
    ~CallControl() override;
    void setHooks(const Hooks &hooks) { env = hooks; }
    const Hooks &hooks() const { return env; }

    CallActions &actions() { return callActions; }
    TransferFlow &transfers() { return transferFlow; }

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

    QPointer<CallLines> lines;
    Widgets ui;
    Hooks env;
    CallActions callActions;
    TransferFlow transferFlow;
};
