// Directories and call history of the main window: the phone book, the
// extensions and favourites, the call records, their filters and menus. The
// slots forward to the directory panel.
#include "mpgui.h"
#include "session/pbxsession.h"

#include "app/globallogger.h"
#include "calls/calllines.h"
#include "ctilib.h"
#include "directory/contactrows.h"
#include "directory/directoryactions.h"
#include "directory/directorypanel.h"
#include "framework/promptservice.h"
#include "messaging/chatcontroller.h"
#include "messaging/messagingpanel.h"
#include "phone/phonebackends.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgprofileimage.h"

#include <QStandardItemModel>

void MPGui::createDirectoryActions()
{
    dirActions = new DirectoryActions(directory, icons, this, session->serviceCodes(), this);
    DirectoryActions::Hooks hooks;
    hooks.mode = [this] { return int(appMode); };
    hooks.cti = [this] { return ctiLib; };
    hooks.capabilities = [this] { return currentPbxCapabilities(); };
    hooks.hasEngine = [this] { return phones && phones->engine() != nullptr; };
    hooks.engineRegistered = [this] { return phones && phones->isSipRegistered(); };
    hooks.hasDeskPhone = [this] { return phones && phones->deskPhone() != nullptr; };
    hooks.activeRemote = [this] {
        wdgActiveLine *line = calls ? calls->activeLines().value(calls->currentLine()) : nullptr;
        return line ? line->getRemoteNum() : QString();
    };
    hooks.hasActiveLines = [this] { return calls && !calls->activeLines().isEmpty(); };
    hooks.hasCurrentLine = [this] { return calls && calls->currentLine() != -1; };
    hooks.transferPending = [this] {
        return calls && (calls->attendedTransferLine() != -1 || calls->unattendedTransferLine() != -1);
    };
    hooks.resetTransferState = [this] {
        if (calls)
            calls->checkForActiveCalls();
    };
    hooks.lineStack = [this] { return calls ? calls->lineStack() : nullptr; };
    hooks.updateLineButtons = [this] { updateLinesButtonStatus(); };
    hooks.startCall = [this](const QString &number, int type) {
        startCall(number, CTILIB::NumberOutgoingPrefix(type));
    };
    hooks.startInternalCall = [this](const QString &number) { startInternalCall(number); };
    hooks.startAudioCall = [this](const QString &number) { startAudioCall(number); };
    hooks.unattendedTransfer = [this](const QString &number) { unattendedTransferCall(number); };
    hooks.attendedTransfer = [this](const QString &number) { attendedTransferCall(number); };
    hooks.openChat = [this](const QString &exten) {
        if (messaging && messaging->chat())
            messaging->chat()->openChatSession(exten, true);
    };
    hooks.openBalloon = [this](const QString &text, const Balloon::BalloonInfo &info) { openBalloon(text, info); };
    dirActions->setHooks(hooks);
    connect(dirActions, &DirectoryActions::smsSent, this, &MPGui::onSmsSuccessfullySent);
    connect(directory, &DirectoryPanel::defaultRowActionRequested, this,
            &MPGui::performDefaultDblClickOnTableRowAction);
    connect(this, &MPGui::sigSessionEnded, dirActions, &DirectoryActions::onSessionEnded);
    // The avatar's ring shows the user's own busy lamp.
    connect(directory, &DirectoryPanel::ownBlfStatusReceived, wdgPicture, &wdgProfileImage::setBlfStatus);
}

ContactsModel *MPGui::initContactsBookModel()
{
    return DirectoryModels::initContactsBookModel();
}

ExtensionsModel *MPGui::initExtenModel()
{
    return DirectoryModels::initExtenModel();
}

CdrModel *MPGui::initCdrModel()
{
    return DirectoryModels::initCdrModel();
}

void MPGui::initContactTables(CustomTreeView *view, bool restoreHeader)
{
    if (directory)
        directory->initContactTables(view, restoreHeader);
}

void MPGui::initExtensionsTables(CustomTreeView *view, bool restoreHeader)
{
    if (directory)
        directory->initExtensionsTables(view, restoreHeader);
}

void MPGui::initCdrTables(CustomTreeView *view, bool restoreHeader)
{
    if (directory)
        directory->initCdrTables(view, restoreHeader);
}

void MPGui::recvdPhonebook(const PhoneBookList &phonebooks, CTILIB::PhonebookTypeFlags flags)
{
    if (directory)
        directory->recvdPhonebook(phonebooks, flags);
}

void MPGui::updateExtenListStatus(const BuddyStatusMap &statuses)
{
    if (directory)
        directory->updateExtenListStatus(statuses);
}

void MPGui::updateExtenStatus(const BuddyStatus &status)
{
    if (directory)
        directory->updateExtenStatus(status);
}

void MPGui::recvdCdr(const Cdr &cdr)
{
    if (directory)
        directory->recvdCdr(cdr);
}

void MPGui::onClickedOnExtenTable(const QModelIndex &index)
{
    if (directory)
        directory->onClickedOnExtenTable(sender(), index);
}

void MPGui::onDblClickedOnContactsTable(const QModelIndex &index)
{
    if (directory)
        directory->onDblClickedOnContactsTable(sender(), index);
}

void MPGui::onDblClickedOnCdrTable(const QModelIndex &index)
{
    if (directory)
        directory->onDblClickedOnCdrTable(sender(), index);
}

void MPGui::ext_cxtMenu(const QPoint &pos)
{
    if (dirActions)
        dirActions->openExtensionMenu(sender(), pos);
}

void MPGui::cont_cxtMenu(const QPoint &pos)
{
    if (dirActions)
        dirActions->openContactMenu(sender(), pos);
}

void MPGui::cdr_cxtMenu(const QPoint &pos)
{
    if (dirActions)
        dirActions->openCdrMenu(sender(), pos);
}

void MPGui::updateExtSearchResults(QString)
{
    if (directory)
        directory->updateExtSearchResults();
}

void MPGui::updateSearchResults(QString)
{
    if (directory)
        directory->updateSearchResults();
}

void MPGui::updateCdrSearchResults(QString)
{
    if (directory)
        directory->updateCdrSearchResults();
}

void MPGui::onAddNewContactRequested()
{
    if (dirActions)
        dirActions->onAddNewContactRequested(QString());
}

void MPGui::onSmsSendRequest()
{
    if (dirActions)
        dirActions->openSmsWindow(QString());
}

void MPGui::sendSms(const QString &destination, const QString &text)
{
    if (dirActions)
        dirActions->sendSms(destination, text);
}

void MPGui::onSmsSuccessfullySent()
{
    prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(), tr("SMS correttamente inviato"),
                              QSystemTrayIcon::Information, 5000);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Sms successfully sent.";
}

void MPGui::performDefaultDblClickOnTableRowAction(const QString &value, int numberKind)
{
    if (dirActions)
        dirActions->performDefaultDblClickOnTableRowAction(value, numberKind);
}

void MPGui::onDateFilterChanged()
{
    if (directory)
        directory->onDateFilterChanged();
}

void MPGui::onUpdateCdrCurrentDate()
{
    if (directory)
        directory->onUpdateCdrCurrentDate();
}

void MPGui::triggerContactSearch()
{
    if (directory)
        directory->triggerContactSearch();
}

void MPGui::triggerExtSearch()
{
    if (directory)
        directory->triggerExtSearch();
}

void MPGui::triggerCdrSearch()
{
    if (directory)
        directory->triggerCdrSearch();
}

void MPGui::refreshContactsList()
{
    if (directory)
        directory->refreshContactsList();
}

void MPGui::onCdrSettingsChanged()
{
    if (!directory)
        return;
    directory->onUpdateCdrCurrentDate();
    directory->refreshCdr(true);
}

void MPGui::onCdrFilterChanged(MctiConfig::MCdrFilterFlags flags)
{
    if (directory)
        directory->onCdrFilterChanged(flags, icons.cdrFilterOnIcon, icons.cdrFilterOffIcon);
}

void MPGui::onCdrFilterClosed()
{
    if (directory)
        directory->onCdrFilterClosed();
}

void MPGui::on_cdrFilterButton_clicked()
{
    if (directory)
        directory->openCdrFilter();
}

QSharedPointer<MctiExtenDetails> MPGui::resolveContactNumber(const QString &number)
{
    return directory ? directory->resolveContactNumber(number) : QSharedPointer<MctiExtenDetails>();
}
