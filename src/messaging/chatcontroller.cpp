#include "chatcontroller.h"

#include "app/globallogger.h"
#include "chattime.h"
#include "ctilib.h"
#include "framework/clock.h"
#include "framework/promptservice.h"
#include "mpchatsqlite.h"
#include "settings/msettings.h"
#include "settings/msettingssound.h"
#include "wdgchatpanel.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QTimer>

// ---------------------------------------------------------------------------

void CtiLibChatLink::sendChatMessage(const QString &exten, const QString &text)
{
    m_lib.sendChatMessage(exten, text);
}

void CtiLibChatLink::sendChatMessageDisplayed(const QString &exten)
{
    m_lib.sendChatMessageDisplayed(exten);
}

void CtiLibChatLink::sendChatOpenConversation(const QString &exten)
{
    m_lib.sendChatOpenConversation(exten);
}

void CtiLibChatLink::sendChatCloseConversation(const QString &exten)
{
    m_lib.sendChatCloseConversation(exten);
}

void CtiLibChatLink::sendChatStartComposing(const QString &exten)
{
    m_lib.sendChatStartComposing(exten);
}

void CtiLibChatLink::sendChatStopComposing(const QString &exten)
{
    m_lib.sendChatStopComposing(exten);
}

void CtiLibChatLink::setClientPresence(CTILIB::ChatPresence presence, const QString &message)
{
    m_lib.setClientPresence(presence, message);
}

void CtiLibChatLink::getChatHistory(const QDateTime &from)
{
    m_lib.getChatHistory(from);
}

QString CtiLibChatLink::ownExtension() const
{
    return m_lib.getUserExtension();
}

// ---------------------------------------------------------------------------

namespace
{
const char *directionWord(int direction)
{
    return direction == 0 ? "received" : direction == 1 ? "sent" : "invalid";
}

void logMessage(const ChatMessage &msg)
{
    logLine(UNQL::LOG_DBG) << "Chat id: " << msg.id << " Exten: " << msg.exten;
    logLine(UNQL::LOG_DBG) << " Body: " << msg.body;
    logLine(UNQL::LOG_DBG) << " Direction: " << directionWord(msg.direction);
    logLine(UNQL::LOG_DBG) << " DateTime: " << msg.time;
}
} // namespace

QDateTime ChatController::historyFloor()
{
    return QDateTime::fromString(QStringLiteral("2019-01-01T00:00:00.000Z"), MPChatSqlite::TimeFormat);
}

QString ChatController::trayBody(const QString &body)
{
    return body.size() > 40 ? body.left(37) + QStringLiteral("...") : body;
}

QDateTime ChatController::pbxToLocal(const QDateTime &time)
{
    return ChatTime::utcToLocal(time);
}

ChatController::ChatController(ChatCtiLink *link, MPChatSqlite *store, wdgChatPanel *panel, ChatHost *host,
                               ChatExtensionDirectory &extensions, const Clock &clock, PromptService &prompts,
                               QObject *parent)
    : QObject(parent), m_link(link), m_store(store), m_panel(panel), m_host(host), m_extensions(extensions),
      m_clock(clock), m_prompts(prompts), m_newest(historyFloor()),
      m_historyGate(
          QStringLiteral("Chat history request"), [this] { return sendHistoryRequest(); },
          RequestGate::Timing{HistoryAnswerTimeoutMs, HistorySpacingMs})
{
}

ChatController::~ChatController()
{
    storePending();
}

void ChatController::setStore(MPChatSqlite *store)
{
    storePending();
    m_store = store;
}

void ChatController::onChatConnected()
{
    m_panel->deleteAllChatSession();
    m_newest = historyFloor();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Chat correctly connected";
    m_connected = true;
    if (m_host) {
        m_host->setChatConnectedMark(true);
        m_host->setOwnPresence(CTILIB::PresenceOnline, QString());
    }
    // The PBX is asked once the local history is on screen.
    startReplay(true);
}

void ChatController::getChatHistoryDB()
{
    startReplay(false);
}

void ChatController::startReplay(bool thenAskPbx)
{
    const int generation = ++m_replayGeneration;
    m_replaying = false;
    m_replayList.clear();
    m_replayNext = 0;
    m_askPbxAfterReplay = thenAskPbx;
    storePending(); // the history read back holds every message shown
    if (!m_store || !m_store->isOpen()) {
        finishReplay();
        return;
    }
    // The history is read on a worker thread; the window goes on meanwhile
    // and live messages wait for it (m_replaying).
    m_replaying = true;
    auto *reading = new QFutureWatcher<MPChatSqlite::ReadResult>(this);
    connect(reading, &QFutureWatcherBase::finished, this, [this, reading, generation] {
        reading->deleteLater();
        if (generation != m_replayGeneration || !m_replaying)
            return;
        const MPChatSqlite::ReadResult read = reading->result();
        if (!read.ok)
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Error retrieving entries from chat_table: " << read.error;
        m_replayList = read.list;
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Chat History DB size: " << m_replayList.size();
        if (m_replayList.isEmpty())
            finishReplay();
        else
            continueReplay(generation);
    });
    reading->setFuture(m_store->readInBackground());
}

void ChatController::continueReplay(int generation)
{
    if (generation != m_replayGeneration || !m_replaying)
        return;
    QElapsedTimer slice;
    slice.start();
    do { // at least one message a slice
        const ChatMessage &msg = m_replayList.at(m_replayNext++);
        if (openChatSession(msg.exten, false) && m_panel->newHistoryMessageReceived(msg) && m_newest < msg.time)
            m_newest = msg.time;
    } while (m_replayNext < m_replayList.size() && slice.elapsed() < m_replaySliceMs);
    if (m_replayNext < m_replayList.size()) {
        QTimer::singleShot(0, this, [this, generation] { continueReplay(generation); });
        return;
    }
    finishReplay();
}

void ChatController::finishReplay()
{
    const int count = m_replayList.size();
    m_replaying = false;
    m_replayList.clear();
    const ChatMessageList live = std::move(m_liveDuringReplay);
    m_liveDuringReplay.clear();
    for (const ChatMessage &msg : live)
        handleLiveMessage(msg);
    if (m_askPbxAfterReplay) {
        m_askPbxAfterReplay = false;
        getChatHistoryCTI(count);
    }
    emit replayFinished();
}

void ChatController::getChatHistoryCTI(int localCount)
{
    m_historyFromNewest = localCount != 0;
    m_historyGate.request();
}

// The time is taken when the request goes, so a request that waited asks
// from the newest message known by then.
bool ChatController::sendHistoryRequest()
{
    if (!m_link)
        return false;
    if (m_historyFromNewest) {
        // From the newest local message itself: messages of that same second
        // would be missed otherwise; the panel refuses the ones already shown.
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Chat History requested to Velora starting from "
                                << m_newest.toString(Qt::ISODateWithMs);
        m_link->getChatHistory(m_newest);
    } else {
        m_link->getChatHistory(m_clock.now().toUTC().addDays(-1));
    }
    return true;
}

bool ChatController::openChatSession(const QString &exten, bool bringToFront)
{
    if (!m_panel->hasChatSession(exten)) {
        ChatExtensionDirectory::Contact contact;
        if (!m_extensions.findExtension(exten, &contact)) {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Chat exten not found, session opened with number:" << exten;
            contact.name = exten;
            contact.presence = CTILIB::PresenceOffline;
            contact.presenceText = QStringLiteral("Off line");
        }
        if (!m_panel->addChatSession(exten, contact.name, QString()))
            return false;
        m_panel->setRemotePresence(exten, CTILIB::ChatPresence(contact.presence), contact.presenceText);
    }
    if (bringToFront) {
        if (m_host)
            m_host->showChatTab();
        m_panel->putOnTop(exten);
    }
    return true;
}

bool ChatController::addChatMessage(const ChatMessage &msg, const QDateTime &time)
{
    return m_store && m_store->insertChatMessage(msg, time);
}

bool ChatController::onHistoryChatMessage(const ChatMessage &msg)
{
    return openChatSession(msg.exten, false) && m_panel->newHistoryMessageReceived(msg);
}

void ChatController::onChatHistoryReceived(const ChatMessageList &list)
{
    m_historyGate.answered();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Chat History received from Velora: size " << list.size();
    ChatMessageList accepted;
    QList<QDateTime> times;
    for (ChatMessage msg : list) {
        logMessage(msg);
        // The PBX sends UTC; the panel and the store work in local time.
        msg.time = pbxToLocal(msg.time);
        if (!openChatSession(msg.exten, false) || !m_panel->newHistoryMessageReceived(msg))
            continue;
        accepted.append(msg);
        times.append(msg.time);
    }
    if (accepted.isEmpty())
        return;
    // One transaction, then the scrambled file is written back.
    if (m_store && m_store->insertChatMessages(accepted, times)) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << accepted.size() << "chat messages added to chat table";
    } else {
        for (const ChatMessage &msg : qAsConst(accepted))
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                       << "Chat message with exten " + msg.exten + " not added to chat table";
    }
}

void ChatController::onChatMessage(const ChatMessage &msg)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Chat message received";
    if (m_replaying) {
        // After the older history, so the conversation keeps its order.
        m_liveDuringReplay.append(msg);
        return;
    }
    handleLiveMessage(msg);
}

void ChatController::handleLiveMessage(const ChatMessage &msg)
{
    if (!openChatSession(msg.exten, false))
        return;
    if (!m_panel->newMessageReceived(msg))
        return; // already shown: neither stored nor announced again
    storeLater(msg, pbxToLocal(msg.time.isValid() ? msg.time : m_clock.now().toUTC()));
    if (msg.direction == 0 && msg.type == 0)
        alert(msg);
}

void ChatController::storeLater(const ChatMessage &msg, const QDateTime &time)
{
    m_toStore.append(msg);
    m_toStoreTimes.append(time);
    if (m_storeQueued)
        return;
    m_storeQueued = true;
    QTimer::singleShot(0, this, [this] { storePending(); });
}

void ChatController::storePending()
{
    m_storeQueued = false;
    if (m_toStore.isEmpty())
        return;
    const ChatMessageList list = std::move(m_toStore);
    const QList<QDateTime> times = std::move(m_toStoreTimes);
    m_toStore.clear();
    m_toStoreTimes.clear();
    if (m_store && m_store->insertChatMessages(list, times, false)) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << list.size() << "chat messages added to chat table";
        return;
    }
    for (const ChatMessage &msg : list)
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                   << "Chat message with exten " + msg.exten + " not added to chat table";
}

void ChatController::alert(const ChatMessage &msg)
{
    // One alert for a burst of messages, not one for each.
    const QDateTime now = m_clock.now();
    const auto inBurst = [&now](const QDateTime &last) {
        return last.isValid() && last <= now && last.msecsTo(now) < AlertBurstGapMs;
    };
    const bool soundDue = !inBurst(m_lastAlertable);
    const bool trayDue = !inBurst(m_lastFromParty.value(msg.exten));
    m_lastAlertable = now;
    m_lastFromParty.insert(msg.exten, now);
    const bool seen = m_host && m_host->isMainWindowActive() && m_panel->isChatVisible(msg.exten);
    if (!seen && trayDue) {
        ChatExtensionDirectory::Contact contact;
        const QString sender = m_extensions.findExtension(msg.exten, &contact) ? contact.name : msg.exten;
        const QString text = tr("Nuovo messaggio da ") + QStringLiteral("%1:\n%2").arg(sender, trayBody(msg.body));
        m_prompts.showTrayMessage(m_host ? m_host->trayIcon() : nullptr, MSETTINGS::getLongApplicationName(), text,
                                  QSystemTrayIcon::Information, 3000);
        emit trayAlertShown(msg.exten);
        if (soundDue && (!m_host || !m_host->hasActiveCall()))
            MSETTINGS::playSound(QStringLiteral("pling.wav"));
    }
    if (m_host && (soundDue || trayDue))
        m_host->alertMainWindow();
}

void ChatController::onChatContactComposing(const QString &exten, const QString &context, bool composing)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Chat event composing received";
    m_panel->setRemoteComposing(exten, context, composing);
}

void ChatController::onChatDisconnected(const QString &)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Chat disconnected";
    m_connected = false;
    m_historyGate.reset();
    if (m_host) {
        m_host->setChatConnectedMark(false);
        m_host->setOwnPresence(CTILIB::PresenceOffline, QString());
    }
    m_extensions.clearExtensionPresences();
}

void ChatController::sendChatMessage(const QString &exten, const QString &, const QString &text)
{
    if (m_link)
        m_link->sendChatMessage(exten, text);
}

void ChatController::sendChatOpenConversation(const QString &exten, const QString &)
{
    if (m_link)
        m_link->sendChatOpenConversation(exten);
}

void ChatController::sendChatCloseConversation(const QString &exten, const QString &)
{
    if (m_link)
        m_link->sendChatCloseConversation(exten);
}

void ChatController::sendChatIsComposing(const QString &exten, const QString &, bool composing)
{
    if (!m_link)
        return;
    if (composing)
        m_link->sendChatStartComposing(exten);
    else
        m_link->sendChatStopComposing(exten);
}

void ChatController::sendChatMessageDisplayed(const QString &exten, const QString &)
{
    if (m_link)
        m_link->sendChatMessageDisplayed(exten);
}

void ChatController::updateUnreadChatMessageCount(int count)
{
    if (m_host)
        m_host->setChatTabBlink(count != 0);
}

void ChatController::setPresence(CTILIB::ChatPresence presence, const QString &message)
{
    if (m_link && presence != CTILIB::PresenceInvalid)
        m_link->setClientPresence(presence, message);
}

void ChatController::updateDisplayedPresence(CTILIB::ChatPresence presence, const QString &message)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Chat presence changed to" << CTILIB::chatPresenceToString(presence);
    if (m_host)
        m_host->setOwnPresence(presence, message);
}

void ChatController::onExtenNameUpdate(const QString &exten, const QString &name)
{
    if (!name.isEmpty())
        m_panel->setRemoteName(exten, name);
}

void ChatController::onExtenPresenceUpdate(const BuddyStatus &status)
{
    if (m_link && !status.exten.isEmpty() && status.exten == m_link->ownExtension()) {
        updateDisplayedPresence(CTILIB::ChatPresence(status.presence), status.presenceMsg);
        return;
    }
    if (!m_extensions.updateExtensionPresence(status.exten, status.presence, status.presenceMsg))
        return;
    m_panel->setRemotePresence(status.exten, CTILIB::ChatPresence(status.presence), status.presenceMsg);
}

void ChatController::onLoggedIn()
{
    m_panel->enableChatWindows(true);
}

void ChatController::onLoggedOut()
{
    m_historyGate.reset();
    m_panel->enableChatWindows(false);
    m_panel->deleteAllChatSession();
    getChatHistoryDB();
    m_panel->closeAllDetachedWindows();
}
