// Chat, voicemail and PBX services of the main window.
#include "calls/calllines.h"
#include "directory/directorychatlookup.h"
#include "directory/directorypanel.h"
#include "mpgui.h"
#include "session/pbxsession.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "framework/clock.h"
#include "framework/promptservice.h"
#include "messaging/chatcontroller.h"
#include "messaging/messagingpanel.h"
#include "messaging/voicemailpanel.h"
#include "messaging/wdgchatpanel.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "phone/phonebackends.h"
#include "widgets/wdgactiveline.h"

#include <QApplication>

// The phones, the call lines' widgets and the window as the messaging panel
// and its chat need them.
class MPGui::MessagingHost : public MessagingPanel::Host, public ChatHost
{
public:
    explicit MessagingHost(MPGui *window) : w(window) {}

    // Do-not-disturb goes to the phone of the operating mode.
    bool setSoftphoneDnd(bool on) override
    {
        MPEngine *engine = w->phones->engine();
        return engine && engine->enableDoNotDisturb(on) == 0;
    }
    bool pressDeskPhoneKey(const QString &key) override
    {
        PhoneApi *api = w->phones->deskPhone();
        return api && api->pressKey(key);
    }
    // In-call service reports reach the active call lines.
    void showRecordingStatus(qint64 lineId, bool available, bool recording) override
    {
        if (wdgActiveLine *line = w->calls->activeLines().value(lineId))
            line->setRecordingStatus(available, recording);
    }

    // The chat's view of the window's own widgets.
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

void MPGui::MessagingHostDeleter::operator()(MessagingHost *host) const
{
    delete host;
}

void MPGui::createMessaging()
{
    MessagingPanel::Widgets widgets;
    widgets.chatPanel = chatPanel;
    widgets.btnDnd = btnDnd;
    widgets.btnRedirect = btnRedirect;
    widgets.btnMail = btnMail;
    widgets.btnConference = btnConference;
    widgets.btnDualRingToggle = btnDualRingToggle;
    widgets.tabContactsWidget = tabContactsWidget;
    widgets.voiceMailTabWidget = voiceMailTabWidget;
    widgets.voicemailStckWidget = voicemailStckWidget;
    widgets.pageVoicemailNoResults = pageVoicemailNoResults;
    widgets.pageVoicemail = pageVoicemail;
    widgets.VoicemailLayout = VoicemailLayout;
    // The chat knows colleagues by the extension list, and follows its names
    // and presences.
    chatLookup.reset(new DirectoryChatLookup(*directory));
    messagingHost.reset(new MessagingHost(this));
    messaging = new MessagingPanel(widgets, icons, *ctiLib, session->serviceCodes(), *calls, *messagingHost,
                                   *messagingHost, *chatLookup, Clock::instance(), prompts(), this);
    ChatController *chat = messaging->chat();
    connect(directory, &DirectoryPanel::extenNameUpdated, chat,
            [chat](const MctiExtenDetails &details) { chat->onExtenNameUpdate(details.number, details.name); });
    connect(directory, &DirectoryPanel::extenPresenceUpdated, chat, &ChatController::onExtenPresenceUpdate);
    // The title carries the shown DND and forward while connected (the
    // disconnected title stays as the disconnection left it).
    connect(messaging, &MessagingPanel::servicesShownChanged, this, [this] {
        if (ctiLib && ctiLib->isConnected())
            updateWindowTitle();
    });
    // The service buttons dial through call handling.
    connect(messaging, &MessagingPanel::serviceCallRequested, this,
            [this](const QString &number) { startCall(number); });
}

// The library's codes reach the session directly; this entry lets a caller
// hand a list in as the library would.
void MPGui::setServicesCodes(const ServicesDialCodesMap &codes)
{
    session->receiveServiceCodes(codes);
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
