// The window's named entry points of chat, voicemail and the PBX services, forwarding to the subsystems.
#include "mainwindow/mpgui.h"

#include "messaging/chatcontroller.h"
#include "messaging/messagingpanel.h"
#include "messaging/voicemailpanel.h"

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
