// Chat, voicemail and PBX services of the main window.
#include "calls/calllines.h"
#include "directory/directorychatlookup.h"
#include "directory/directorypanel.h"
#include "mpgui.h"
#include "session/pbxsession.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "framework/promptservice.h"
#include "messaging/chatcontroller.h"
#include "messaging/chatextensiondirectory.h"
#include "messaging/messagingpanel.h"
#include "messaging/voicemailpanel.h"
#include "messaging/wdgchatpanel.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "phone/phonebackends.h"
#include "widgets/wdgactiveline.h"

#include <QApplication>

// The chat's view of the window: the extension records through the
// directory's interface, the rest on the window's own widgets.
class MPGui::ChatWindowHost : public ChatHost
{
public:
    explicit ChatWindowHost(MPGui *window) : w(window) {}

    bool findExtension(const QString &exten, Contact *contact) const override
    {
        ChatExtensionDirectory *d = w->messaging ? w->messaging->extensionDirectory() : nullptr;
        return d && d->findExtension(exten, contact);
    }
    bool updateExtensionPresence(const QString &exten, int presence, const QString &message) override
    {
        ChatExtensionDirectory *d = w->messaging ? w->messaging->extensionDirectory() : nullptr;
        return d && d->updateExtensionPresence(exten, presence, message);
    }
    void clearExtensionPresences() override
    {
        if (ChatExtensionDirectory *d = w->messaging ? w->messaging->extensionDirectory() : nullptr)
            d->clearExtensionPresences();
    }
    bool isMainWindowActive() const override { return w->isActiveWindow(); }
    bool hasActiveCall() const override { return w->messaging && w->messaging->hasActiveCall(); }
    void alertMainWindow() override { QApplication::alert(w, 0); }
    void showChatTab() override { w->tabContactsWidget->setCurrentWidget(w->chatTabWidget); }
    void setChatConnectedMark(bool connected) override
    {
        if (w->wdgPicture->isPresenceVisible() == connected)
            return;
        w->wdgPicture->setPresenceVisible(connected);
        w->wdgPicture->update();
    }
    void setOwnPresence(int presence, const QString &message) override
    {
        w->wdgPicture->setPresenceMessage(message);
        w->wdgPicture->setPresenceStatus(CTILIB::ChatPresence(presence));
        w->wdgPicture->update();
    }
    void setChatTabBlink(bool on) override
    {
        if (!on) {
            w->tabNotifications &= ~2;
            return;
        }
        w->tabNotifications |= 2;
        if (!w->tabAnimTimer.isActive()) {
            w->updateChatIcon();
            w->tabAnimTimer.start();
        }
    }
    QSystemTrayIcon *trayIcon() const override { return w->trayIcon; }

private:
    MPGui *w;
};

void MPGui::initChat()
{
    messaging->initChat(std::unique_ptr<ChatHost>(new ChatWindowHost(this)), prompts());
    messaging->setCtiClient(ctiLib);
    // The chat knows colleagues by the extension list, and follows its names
    // and presences.
    chatLookup.reset(new DirectoryChatLookup(directory));
    messaging->setExtensionDirectory(chatLookup.get());
    connect(directory, &DirectoryPanel::extenNameUpdated, this, [this](const MctiExtenDetails &details) {
        if (messaging && messaging->chat())
            messaging->chat()->onExtenNameUpdate(details.number, details.name);
    });
    connect(directory, &DirectoryPanel::extenPresenceUpdated, this, [this](const BuddyStatus &status) {
        if (messaging && messaging->chat())
            messaging->chat()->onExtenPresenceUpdate(status);
    });
    // The title carries the shown DND and forward while connected (the
    // disconnected title stays as the disconnection left it).
    connect(messaging, &MessagingPanel::servicesShownChanged, this, [this] {
        if (ctiLib && ctiLib->isConnected())
            updateWindowTitle();
    });
    // No chat sound while a call is up; the service buttons dial through call handling.
    messaging->setActiveCallProbe([this] { return calls && !calls->activeLines().isEmpty(); });
    connect(messaging, &MessagingPanel::serviceCallRequested, this,
            [this](const QString &number) { startCall(number); });
    // In-call service reports reach the active call lines.
    MessagingPanel::CallLineAccess lines;
    lines.lineIdOfChannel = [this](const QString &channel) {
        return calls ? calls->getLineIdFromChannel(channel) : -1;
    };
    lines.hasActiveLine = [this](qint64 lineId) { return calls && calls->activeLines().value(lineId); };
    lines.setRecordingStatus = [this](qint64 lineId, bool available, bool recording) {
        if (wdgActiveLine *line = calls ? calls->activeLines().value(lineId) : nullptr)
            line->setRecordingStatus(available, recording);
    };
    messaging->setCallLineAccess(lines);
    // Do-not-disturb goes to the phone of the operating mode.
    messaging->setSoftphoneDnd([this](bool on) {
        MPEngine *engine = phones ? phones->engine() : nullptr;
        return engine && engine->enableDoNotDisturb(on) == 0;
    });
    messaging->setDeskPhoneKeys([this](const QString &key) {
        PhoneApi *api = phones ? phones->deskPhone() : nullptr;
        return api && api->pressKey(key);
    });
}

// The library's codes reach the session directly; this entry lets a caller
// hand a list in as the library would.
void MPGui::setServicesCodes(const ServicesDialCodesMap &codes)
{
    session->receiveServiceCodes(codes);
}

void MPGui::onExtenMobileNumRcvd(const QString &number)
{
    if (messaging)
        messaging->onExtenMobileNumRcvd(number);
}

void MPGui::onServiceStatusListRcvd(const ServiceStatusList &statuses)
{
    if (messaging)
        messaging->onServiceStatusListRcvd(statuses);
}

void MPGui::onInCallServiceStatusRcvd(const InCallServiceStatus &status)
{
    if (messaging)
        messaging->onInCallServiceStatusRcvd(status);
}

void MPGui::onChatConnected()
{
    if (messaging && messaging->chat())
        messaging->chat()->onChatConnected();
}

void MPGui::onChatDisconnected(const QString &reason)
{
    if (messaging && messaging->chat())
        messaging->chat()->onChatDisconnected(reason);
}

void MPGui::onChatMessage(const ChatMessage &message)
{
    if (messaging && messaging->chat())
        messaging->chat()->onChatMessage(message);
}

void MPGui::onChatContactComposing(const QString &exten, const QString &context, bool composing)
{
    if (messaging && messaging->chat())
        messaging->chat()->onChatContactComposing(exten, context, composing);
}

void MPGui::onChatHistoryReceived(const ChatMessageList &messages)
{
    if (messaging && messaging->chat())
        messaging->chat()->onChatHistoryReceived(messages);
}

void MPGui::onVoicemailMsgListReceived(const VoicemailMessageList &messages)
{
    if (messaging)
        messaging->voicemail()->onVoicemailMsgListReceived(messages);
}

void MPGui::onMailboxStatusChanged(const MailboxStatus &status)
{
    if (messaging)
        messaging->onMailboxStatusChanged(status);
}

void MPGui::onVoicemailDownloadCompleted(const QString &id, const QString &uuid, const QString &filePath)
{
    if (messaging)
        messaging->voicemail()->onVoicemailDownloadCompleted(id, uuid, filePath);
}

void MPGui::setPresence(CTILIB::ChatPresence presence, QString message)
{
    if (messaging && messaging->chat() && ctiLib && settingsDialog)
        messaging->chat()->setPresence(presence, message);
}

void MPGui::toggleDnd()
{
    if (messaging)
        messaging->toggleDnd();
}

void MPGui::enableDnd(bool on)
{
    if (messaging)
        messaging->enableDnd(on);
}

void MPGui::toggleUfwd()
{
    if (messaging)
        messaging->toggleUfwd();
}

void MPGui::requestVoiceMail()
{
    if (messaging)
        messaging->requestVoiceMail();
}

void MPGui::requestConference()
{
    if (messaging)
        messaging->requestConference();
}

void MPGui::toggleForkMobile()
{
    if (messaging)
        messaging->toggleForkMobile();
}

// The panel emits (extension, context, text): passed on by position.
void MPGui::sendChatMessage(QString to, QString text, QString id)
{
    if (messaging && messaging->chat() && ctiLib && settingsDialog)
        messaging->chat()->sendChatMessage(to, text, id);
}

void MPGui::sendChatOpenConversation(QString from, QString to)
{
    if (messaging && messaging->chat() && ctiLib && settingsDialog)
        messaging->chat()->sendChatOpenConversation(from, to);
}

void MPGui::sendChatCloseConversation(QString from, QString to)
{
    if (messaging && messaging->chat() && ctiLib && settingsDialog)
        messaging->chat()->sendChatCloseConversation(from, to);
}

void MPGui::sendChatIsComposing(QString from, QString to, bool composing)
{
    if (messaging && messaging->chat() && ctiLib && settingsDialog)
        messaging->chat()->sendChatIsComposing(from, to, composing);
}

void MPGui::sendChatMessageDisplayed(QString from, QString id)
{
    if (messaging && messaging->chat() && ctiLib && settingsDialog)
        messaging->chat()->sendChatMessageDisplayed(from, id);
}

void MPGui::updateUnreadChatMessageCount(int count)
{
    if (messaging && messaging->chat())
        messaging->chat()->updateUnreadChatMessageCount(count);
}

void MPGui::resetServiceButtons(bool partial)
{
    if (messaging)
        messaging->resetServiceButtons(partial);
}
