// Chat, voicemail and PBX services of the main window.
#include "mpgui.h"

#include "globallogger.h"

void MPGui::setServicesCodes(const ServicesDialCodesMap &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onExtenMobileNumRcvd(const QString &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onServiceStatusListRcvd(const ServiceStatusList &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onInCallServiceStatusRcvd(const InCallServiceStatus &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onChatConnected()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onChatDisconnected(const QString &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onChatMessage(const ChatMessage &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onChatContactComposing(const QString &, const QString &, bool)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onChatHistoryReceived(const ChatMessageList &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onVoicemailMsgListReceived(const VoicemailMessageList &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onMailboxStatusChanged(const MailboxStatus &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onVoicemailDownloadCompleted(const QString &, const QString &, const QString &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::setPresence(CTILIB::ChatPresence, QString)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::toggleDnd()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::toggleUfwd()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::requestVoiceMail()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::requestConference()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::toggleForkMobile()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::sendChatMessage(QString, QString, QString)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::sendChatOpenConversation(QString, QString)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::sendChatCloseConversation(QString, QString)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::sendChatIsComposing(QString, QString, bool)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::sendChatMessageDisplayed(QString, QString)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::updateUnreadChatMessageCount(int)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::resetServiceButtons(bool)
{
    logNotYetHandled(Q_FUNC_INFO);
}
