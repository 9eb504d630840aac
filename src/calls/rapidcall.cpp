#include "rapidcall.h"

#include "app/globallogger.h"
#include "callcontrolrules.h"
#include "calllines.h"
#include "callrules.h"
#include "ctilib.h"
#include "widgets/customlineedit.h"

#include <QClipboard>
#include <QGuiApplication>

RapidCall::RapidCall(CustomLineEdit *numberField, const CallDirectory &callDirectory, const ServicesDialCodesMap &codes,
                     Host &rapidHost, QObject *parent)
    : QObject(parent), field(numberField), directory(callDirectory), serviceCodes(codes), host(rapidHost),
      recentNumbersModel(0, 1)
{
    setObjectName(QStringLiteral("rapidCall"));
    recentNumbersModel.setObjectName(QStringLiteral("recentNumbersModel"));
}

void RapidCall::startRapidCall()
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    const QString text = clipboard ? clipboard->text(QClipboard::Clipboard) : QString();
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
    if (directory.isExtension(number)) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Clipboard changed, but number" << number
                               << "is an exten, skipping...";
        return;
    }
    const QString masked = CtiLib::numAnonymizer(number);
    if (host.systemShortcutsEnabled() && rapidCallPending) {
        rapidCallPending = false;
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Clipboard changed, starting call (external) to" << masked;
        host.startExternalCall(number);
        return;
    }
    if (host.copyToCallEnabled()) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Clipboard changed, displaying copy2call balook to call (external) to"
                                << masked;
        host.offerCall(tr("Clicca sul pulsante per chiamare\n%1 (chiamata esterna)").arg(number), number);
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
    if (host.dialBlocked())
        return;
    // What cannot be dialled stays in the field for the user to correct.
    if (CallRules::checkDialString(number, false).refused) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Refusing to dial a number with invalid characters:"
                                   << CtiLib::numAnonymizer(number);
        return;
    }
    host.startCallOrTransfer(number);
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
    const bool exten = directory.isExtension(cleaned);
    const QString number =
        CallControlRules::droppedNumber(text, exten, serviceCodes.value(CTILIB::SdcOutsideLinePrefix));
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Dialling dropped number"
                            << (exten ? number : CtiLib::numAnonymizer(number));
    host.startAudioCall(number);
    return true;
}
