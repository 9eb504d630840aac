// Directories and call history of the main window: the phone book, the
// extensions and favourites, the call records, their filters and menus: the
// objects made with the window, what the menus ask of it.
#include "mpgui.h"
#include "session/pbxsession.h"

#include "app/globallogger.h"
#include "calls/callcontrol.h"
#include "calls/calllines.h"
#include "ctilib.h"
#include "directory/contactrows.h"
#include "directory/directoryactions.h"
#include "directory/directorypanel.h"
#include "framework/promptservice.h"
#include "messaging/chatcontroller.h"
#include "messaging/messagingpanel.h"
#include "phone/phonebackends.h"
#include "widgets/wdgprofileimage.h"

#include <QStandardItemModel>

class MPGui::DirectoryHost : public DirectoryActions::Host
{
public:
    explicit DirectoryHost(MPGui *window) : w(window) {}
    void startCall(const QString &number, CTILIB::NumberOutgoingPrefix type) override
    {
        if (w->control)
            w->control->startCall(number, type);
    }
    void startAudioCall(const QString &number) override
    {
        if (w->control)
            w->control->startAudioCall(number);
    }
    void unattendedTransfer(const QString &number) override
    {
        if (w->control)
            w->control->transfers().unattendedTransferCall(number);
    }
    void attendedTransfer(const QString &number) override
    {
        if (w->control)
            w->control->transfers().attendedTransferCall(number);
    }
    void openChat(const QString &extension) override
    {
        if (w->messaging && w->messaging->chat())
            w->messaging->chat()->openChatSession(extension, true);
    }
    void openBalloon(const QString &text, const Balloon::BalloonInfo &info) override { w->openBalloon(text, info); }

private:
    MPGui *w;
};

void MPGui::DirectoryHostDeleter::operator()(DirectoryHost *host) const
{
    delete host;
}

void MPGui::createDirectoryActions()
{
    directoryHost.reset(new DirectoryHost(this));
    dirActions = new DirectoryActions(*directory, *ctiLib, *session, *phones, *calls, *directoryHost, icons, this,
                                      session->serviceCodes(), this);
    connect(dirActions, &DirectoryActions::smsSent, this, &MPGui::onSmsSuccessfullySent);
    connect(directory, &DirectoryPanel::defaultRowActionRequested, dirActions,
            &DirectoryActions::performDefaultDblClickOnTableRowAction);
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

void MPGui::onSmsSuccessfullySent()
{
    prompts().showTrayMessage(trayIcon, MSETTINGS::getLongApplicationName(), tr("SMS correttamente inviato"),
                              QSystemTrayIcon::Information, 5000);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Sms successfully sent.";
}

void MPGui::onCdrSettingsChanged()
{
    if (!directory)
        return;
    directory->onUpdateCdrCurrentDate();
    directory->refreshCdr(true);
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
