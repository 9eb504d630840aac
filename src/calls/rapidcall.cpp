#include "rapidcall.h"

#include "app/globallogger.h"
#include "callcontrolrules.h"
#include "callrules.h"
#include "ctilib.h"
#include "widgets/customlineedit.h"

RapidCall::RapidCall(CustomLineEdit *numberField, QObject *parent)
    : QObject(parent), field(numberField), recentNumbersModel(0, 1)
{
    setObjectName(QStringLiteral("rapidCall"));
    recentNumbersModel.setObjectName(QStringLiteral("recentNumbersModel"));
}

void RapidCall::startRapidCall()
{
    const QString text = env.clipboardText ? env.clipboardText() : QString();
    if (text.isEmpty()) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Clipboard changed, but is empty!";
        return;
    }
    const QString number = CallControlRules::clipboardNumber(text);
    if (!CallControlRules::isPhoneNumber(number)) {
        // What was copied may be anything (a password): it is not logged.
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Clipboard changed, unhandled command... text not logged";
        return;
    }
    if (env.isExtension && env.isExtension(number)) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Clipboard changed, but number" << number
                               << "is an exten, skipping...";
        return;
    }
    const QString masked = CtiLib::numAnonymizer(number);
    if (env.systemShortcutsEnabled && env.systemShortcutsEnabled() && rapidCallPending) {
        rapidCallPending = false;
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Clipboard changed, starting call (external) to" << masked;
        if (env.startExternalCall)
            env.startExternalCall(number);
        return;
    }
    if (env.copyToCallEnabled && env.copyToCallEnabled()) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Clipboard changed, displaying copy2call balook to call (external) to"
                                << masked;
        if (env.offerCall)
            env.offerCall(tr("Clicca sul pulsante per chiamare\n%1 (chiamata esterna)").arg(number), number);
        return;
    }
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Clipboard changed, unhandled command... number:" << masked;
}

void RapidCall::phoneTxtEnterKeyClicked()
{
    if (!field)
        return;
    const QString number = field->text();
    if (number.isEmpty())
        return;
    if (env.dialBlocked && env.dialBlocked())
        return;
    // What cannot be dialled stays in the field for the user to correct.
    if (CallRules::checkDialString(number, false).refused) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Refusing to dial a number with invalid characters:"
                                   << CtiLib::numAnonymizer(number);
        return;
    }
    if (env.startCallOrTransfer)
        env.startCallOrTransfer(number);
    field->clear();
    CallControlRules::rememberNumber(&recentNumbersModel, number);
}

bool RapidCall::dropText(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QString cleaned = CallControlRules::droppedNumber(text, false, QString());
    if (cleaned.isEmpty()) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Dropped text carries no number, ignored";
        return false;
    }
    const bool exten = env.isExtension && env.isExtension(cleaned);
    const QString number =
        CallControlRules::droppedNumber(text, exten, env.outsidePrefix ? env.outsidePrefix() : QString());
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Dialling dropped number"
                            << (exten ? number : CtiLib::numAnonymizer(number));
    if (env.startAudioCall)
        env.startAudioCall(number);
    return true;
}
