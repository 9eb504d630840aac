// Chat session flow without a main window: replay, history request, PBX
// history and live messages shown and stored in local time, alerts, relays
// and presence.
#include "desklineresources.h"
#include "manualclock.h"
#include "messaging/chatcontroller.h"
#include "messaging/mpchatsqlite.h"
#include "messaging/wdgchat.h"
#include "messaging/wdgchatmsg.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "testmain.h"

#include "messaging/wdgchatpanel.h"
#include <QLabel>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <ctime>

namespace
{

class FakeLink : public ChatCtiLink
{
public:
    QStringList calls;
    QList<QDateTime> historyFrom;
    QString own = QStringLiteral("200");
    void sendChatMessage(const QString &e, const QString &t) override { calls << "send:" + e + ":" + t; }
    void sendChatMessageDisplayed(const QString &e) override { calls << "displayed:" + e; }
    void sendChatOpenConversation(const QString &e) override { calls << "open:" + e; }
    void sendChatCloseConversation(const QString &e) override { calls << "close:" + e; }
    void sendChatStartComposing(const QString &e) override { calls << "start:" + e; }
    void sendChatStopComposing(const QString &e) override { calls << "stop:" + e; }
    void setClientPresence(CTILIB::ChatPresence p, const QString &m) override
    {
        calls << QStringLiteral("presence:%1:%2").arg(int(p)).arg(m);
    }
    void getChatHistory(const QDateTime &from) override { historyFrom << from; }
    QString ownExtension() const override { return own; }
};

// The window and the extension directory the controller talks to.
class FakeHost : public ChatHost, public ChatExtensionDirectory
{
public:
    QMap<QString, Contact> extensions;
    bool active = false;
    bool inCall = false;
    int alerts = 0;
    int chatTabShown = 0;
    bool connectedMark = false;
    int ownPresence = -1;
    QString ownMessage;
    bool blink = false;
    bool cleared = false;

    bool findExtension(const QString &e, Contact *c) const override
    {
        if (!extensions.contains(e))
            return false;
        *c = extensions.value(e);
        return true;
    }
    bool updateExtensionPresence(const QString &e, int p, const QString &m) override
    {
        if (!extensions.contains(e))
            return false;
        extensions[e].presence = p;
        extensions[e].presenceText = m;
        return true;
    }
    void clearExtensionPresences() override { cleared = true; }
    bool isMainWindowActive() const override { return active; }
    bool hasActiveCall() const override { return inCall; }
    void alertMainWindow() override { ++alerts; }
    void showChatTab() override { ++chatTabShown; }
    void setChatConnectedMark(bool c) override { connectedMark = c; }
    void setOwnPresence(int p, const QString &m) override
    {
        ownPresence = p;
        ownMessage = m;
    }
    void setChatTabBlink(bool on) override { blink = on; }
    QSystemTrayIcon *trayIcon() const override { return nullptr; }
};

ChatMessage msg(const QString &id, const QString &exten, int direction = 0, int type = 0,
                const QString &body = QStringLiteral("ciao"), const QDateTime &utc = QDateTime())
{
    ChatMessage m;
    m.id = id;
    m.exten = exten;
    m.body = body;
    m.direction = direction;
    m.type = type;
    m.time = utc;
    return m;
}

bool ctitestWait(QSignalSpy &spy)
{
    return !spy.isEmpty() || spy.wait(5000);
}

} // namespace

class TestChatController : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        initDesklineResources();
        // Local time must differ from UTC for the conversions to show.
        qputenv("TZ", "Europe/Rome");
        ::tzset();
        QVERIFY(QDateTime::currentDateTime().offsetFromUtc() != 0);
    }
    void init();
    void cleanup();
    void connectionReplaysThenAsksFromNewestLocalTime();
    void emptyHistoryAsksForTheLastDay();
    void reconnectionsAskForOneHistoryAtATime();
    void longReplayKeepsOrderOfLiveMessages();
    void pbxHistoryIsShownAndStoredInLocalTime();
    void liveMessageIsStoredAndAlertsOnce();
    void burstAlertsOnce();
    void trayText_data();
    void trayText();
    void alertRules_data();
    void alertRules();
    void unknownNumberOpensOfflineSession();
    void relaysAndPresence();
    void disconnectionAndLogout();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MPChatSqlite> m_store;
    std::unique_ptr<wdgChatPanel> m_panel;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    FakeLink m_link;
    FakeHost m_host;
    ManualClock m_clock;
    std::unique_ptr<ChatController> m_ctl;
};

void TestChatController::init()
{
    m_dir.reset(new QTemporaryDir);
    m_store.reset(new MPChatSqlite(m_dir->filePath("chat.db"), "alice", "pbx"));
    QVERIFY(m_store->isOpen());
    m_panel.reset(new wdgChatPanel);
    m_prompts.reset(new ScriptedPrompts);
    m_link = FakeLink();
    m_host = FakeHost();
    m_host.extensions.insert("201", {QStringLiteral("Anna Rossi"), 1, QStringLiteral("in ufficio")});
    m_clock.set(QDateTime(QDate(2026, 5, 10), QTime(12, 0)));
    m_ctl.reset(new ChatController(&m_link, m_store.get(), m_panel.get(), &m_host, m_host, m_clock, *m_prompts));
}

void TestChatController::cleanup()
{
    m_ctl.reset();
    m_panel.reset();
    m_store.reset();
    m_prompts.reset();
}

void TestChatController::connectionReplaysThenAsksFromNewestLocalTime()
{
    const QDateTime newest = QDateTime::currentDateTime().addSecs(-60);
    QVERIFY(m_store->insertChatMessage(msg("a", "201"), newest.addSecs(-30)));
    QVERIFY(m_store->insertChatMessage(msg("b", "202", 1), newest));
    m_ctl->onChatConnected();
    QTRY_VERIFY(!m_ctl->isReplaying());
    QVERIFY(m_ctl->isChatConnected());
    QVERIFY(m_host.connectedMark);
    QCOMPARE(m_host.ownPresence, 0);
    QCOMPARE(m_panel->sessionOrder(), (QStringList{"202", "201"}));
    QCOMPARE(m_panel->totalUnread(), 0); // history is never unread
    QCOMPARE(m_link.historyFrom.size(), 1);
    // From the newest message itself, to the millisecond.
    QCOMPARE(m_link.historyFrom.first().toString(MPChatSqlite::TimeFormat), newest.toString(MPChatSqlite::TimeFormat));

    // A reconnection starts from an emptied panel and replays once.
    m_ctl->onChatConnected();
    QTRY_VERIFY(!m_ctl->isReplaying());
    QCOMPARE(m_panel->chatFor("201")->messageCount(), 1);
    QCOMPARE(m_panel->chatFor("202")->messageCount(), 1);
}

void TestChatController::emptyHistoryAsksForTheLastDay()
{
    m_ctl->onChatConnected();
    QTRY_VERIFY(!m_ctl->isReplaying());
    QCOMPARE(m_link.historyFrom, (QList<QDateTime>{QDateTime(QDate(2026, 5, 9), QTime(12, 0))}));
}

// The chat connects again and again before the PBX answers: one history
// request is on its way and one waits; the answer lets the waiting one go.
void TestChatController::reconnectionsAskForOneHistoryAtATime()
{
    for (int i = 0; i < 5; ++i) {
        m_ctl->onChatConnected();
        QTRY_VERIFY(!m_ctl->isReplaying());
    }
    QCOMPARE(m_link.historyFrom.size(), 1);
    m_ctl->onChatHistoryReceived({});
    QTRY_COMPARE(m_link.historyFrom.size(), 2);
    m_ctl->onChatHistoryReceived({});
    QCOMPARE(m_ctl->historyRequestsSent(), 2);
    // A new chat connection after a disconnection asks at once.
    m_ctl->onChatDisconnected(QString());
    m_ctl->onChatConnected();
    QTRY_VERIFY(!m_ctl->isReplaying());
    QCOMPARE(m_link.historyFrom.size(), 3);
}

void TestChatController::longReplayKeepsOrderOfLiveMessages()
{
    const QDateTime base = QDateTime::currentDateTime().addSecs(-600);
    for (int i = 0; i < 5; ++i)
        QVERIFY(m_store->insertChatMessage(msg(QString::number(i), "201"), base.addSecs(i)));
    m_ctl->setReplaySlice(0); // one message per turn of the event loop
    QSignalSpy finished(m_ctl.get(), &ChatController::replayFinished);
    m_ctl->onChatConnected();
    QVERIFY(m_ctl->isReplaying());
    QVERIFY(m_link.historyFrom.isEmpty()); // the PBX is asked after the local history
    m_ctl->onChatMessage(msg("live", "201", 0, 0, "ora", QDateTime::currentDateTimeUtc()));
    QVERIFY(ctitestWait(finished));
    QStringList order;
    for (wdgChatMsg *b : m_panel->chatFor("201")->bubbles())
        order << b->getId();
    QCOMPARE(order, (QStringList{"0", "1", "2", "3", "4", "live"}));
    QCOMPARE(m_link.historyFrom.size(), 1);
    QCOMPARE(m_link.historyFrom.first().toString(MPChatSqlite::TimeFormat),
             base.addSecs(4).toString(MPChatSqlite::TimeFormat));
    QCOMPARE(m_prompts->trayMessages.size(), 1);
}

void TestChatController::pbxHistoryIsShownAndStoredInLocalTime()
{
    const QDateTime utc = QDateTime::currentDateTimeUtc().addDays(-2);
    m_ctl->onChatConnected();
    QTRY_VERIFY(!m_ctl->isReplaying());
    m_ctl->onChatHistoryReceived({msg("h1", "201", 0, 2, "uno", utc), msg("h2", "201", 1, 2, "due", utc.addSecs(5))});
    // Again, as after a reconnection: nothing is stored twice.
    m_ctl->onChatHistoryReceived({msg("h1", "201", 0, 2, "uno", utc)});
    QCOMPARE(m_panel->chatFor("201")->messageCount(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(!m_store->hasPendingWrites(), 30000); // the batch was written back
    MPChatSqlite reader(m_dir->filePath("chat.db"), "alice", "pbx");
    QVERIFY(reader.readDBChat());
    QCOMPARE(reader.messageList.size(), 2);
    QCOMPARE(reader.messageList.first().time.toString(MPChatSqlite::TimeFormat),
             utc.toLocalTime().toString(MPChatSqlite::TimeFormat));
    QVERIFY(reader.messageList.first().time.toString(MPChatSqlite::TimeFormat) !=
            utc.toString(MPChatSqlite::TimeFormat));
    // The bubble shows the local time too.
    QCOMPARE(
        m_panel->chatFor("201")->bubbles().first()->findChild<QLabel *>("lblTime")->text(),
        utc.toLocalTime().time().toString(Qt::TextDate).prepend(utc.toLocalTime().date().toString(Qt::TextDate) + " "));
}

void TestChatController::liveMessageIsStoredAndAlertsOnce()
{
    m_ctl->onChatConnected();
    QTRY_VERIFY(!m_ctl->isReplaying());
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    const ChatMessage m = msg("live1", "201", 0, 0, "ciao", utc);
    m_ctl->onChatMessage(m);
    m_ctl->onChatMessage(m); // the same message again
    QCOMPARE(m_prompts->trayMessages.size(), 1);
    QCOMPARE(m_host.alerts, 1);
    QCOMPARE(m_panel->totalUnread(), 1);
    // Stored on the next turn of the event loop, with the others of its turn.
    QTRY_VERIFY(m_store->readDBChat() && !m_store->messageList.isEmpty());
    QCOMPARE(m_store->messageList.size(), 1);
    QCOMPARE(m_store->messageList.first().time.toString(MPChatSqlite::TimeFormat),
             utc.toLocalTime().toString(MPChatSqlite::TimeFormat));
}

// A flood of messages: one tray message for each party and one sound for
// the whole burst; a message after a quiet time alerts again. Every message
// is stored.
void TestChatController::burstAlertsOnce()
{
    m_ctl->onChatConnected();
    QTRY_VERIFY(!m_ctl->isReplaying());
    QDateTime now(QDate(2026, 5, 10), QTime(12, 0));
    m_clock.set(now);
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 300; ++i) {
        m_ctl->onChatMessage(msg(QStringLiteral("f%1").arg(i), i % 3 ? "201" : "202", 0, 0, "flood", utc));
        now = now.addMSecs(100);
        m_clock.set(now);
    }
    QCOMPARE(m_prompts->trayMessages.size(), 2);
    QCOMPARE(m_prompts->sounds.size(), 1);
    QCOMPARE(m_panel->totalUnread(), 300);
    now = now.addMSecs(ChatController::AlertBurstGapMs);
    m_clock.set(now);
    m_ctl->onChatMessage(msg("after", "201", 0, 0, "di nuovo", utc));
    QCOMPARE(m_prompts->trayMessages.size(), 3);
    QCOMPARE(m_prompts->sounds.size(), 2);
    QTRY_VERIFY(m_store->readDBChat() && m_store->messageList.size() == 301);
}

void TestChatController::trayText_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("shown");
    const QString forty = QString(40, QLatin1Char('x'));
    QTest::newRow("40 characters whole") << forty << forty;
    QTest::newRow("41 characters cut") << forty + "y" << QString(37, QLatin1Char('x')) + "...";
    QTest::newRow("short") << "ciao"
                           << "ciao";
}

void TestChatController::trayText()
{
    QFETCH(QString, body);
    QFETCH(QString, shown);
    m_ctl->onChatMessage(msg("t", "201", 0, 0, body));
    QCOMPARE(m_prompts->trayMessages.size(), 1);
    QCOMPARE(m_prompts->trayMessages.first().text, "Nuovo messaggio da Anna Rossi:\n" + shown);
    QCOMPARE(m_prompts->trayMessages.first().icon, QSystemTrayIcon::Information);
    QCOMPARE(m_prompts->trayMessages.first().msecs, 3000);
}

void TestChatController::alertRules_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("inCall");
    QTest::addColumn<int>("trays");
    QTest::addColumn<int>("sounds");
    QTest::addColumn<int>("alerts");
    QTest::newRow("received") << 0 << 0 << false << 1 << 1 << 1;
    QTest::newRow("during a call no sound") << 0 << 0 << true << 1 << 0 << 1;
    QTest::newRow("sent never alerts") << 1 << 0 << false << 0 << 0 << 0;
    QTest::newRow("copy never alerts") << 0 << 1 << false << 0 << 0 << 0;
}

void TestChatController::alertRules()
{
    QFETCH(int, direction);
    QFETCH(int, type);
    QFETCH(bool, inCall);
    m_host.inCall = inCall;
    m_ctl->onChatMessage(msg("r", "201", direction, type));
    QTEST(int(m_prompts->trayMessages.size()), "trays");
    QTEST(int(m_prompts->sounds.size()), "sounds");
    QTEST(m_host.alerts, "alerts");
    if (!m_prompts->sounds.isEmpty())
        QCOMPARE(m_prompts->sounds.first(), QDir(MSETTINGS::getSoundsDirPath()).filePath(QStringLiteral("pling.wav")));
}

void TestChatController::unknownNumberOpensOfflineSession()
{
    m_ctl->onChatMessage(msg("u", "0612345678"));
    wdgChat *chat = m_panel->chatFor("0612345678");
    QVERIFY(chat);
    QCOMPARE(chat->remoteName(), QStringLiteral("0612345678"));
    QCOMPARE(chat->presence(), int(CTILIB::PresenceOffline));
    QCOMPARE(chat->presenceMessage(), QStringLiteral("Off line"));
    QVERIFY(m_prompts->trayMessages.first().text.contains("0612345678:"));
    // An empty party is dropped.
    m_ctl->onChatMessage(msg("e", QString()));
    QCOMPARE(m_panel->sessionOrder().size(), 1);
}

void TestChatController::relaysAndPresence()
{
    connect(m_panel.get(), &wdgChatPanel::sigSendingMessage, m_ctl.get(), &ChatController::sendChatMessage);
    connect(m_panel.get(), &wdgChatPanel::sigSendIsComposing, m_ctl.get(), &ChatController::sendChatIsComposing);
    connect(m_panel.get(), &wdgChatPanel::sigChatMessageDisplayed, m_ctl.get(),
            &ChatController::sendChatMessageDisplayed);
    connect(m_panel.get(), &wdgChatPanel::sigUnreadChatMessageCountChanged, m_ctl.get(),
            &ChatController::updateUnreadChatMessageCount);
    QVERIFY(m_ctl->openChatSession("201", true));
    QCOMPARE(m_host.chatTabShown, 1);
    wdgChat *chat = m_panel->chatFor("201");
    QCOMPARE(chat->remoteName(), QStringLiteral("Anna Rossi"));
    emit chat->sigSendChatMessage("201", "hello");
    emit chat->sigStartComposing("201");
    emit chat->sigStopComposing("201");
    m_ctl->onChatMessage(msg("x", "201"));
    QVERIFY(m_host.blink);
    emit chat->sigDisplayed();
    QVERIFY(!m_host.blink);
    m_ctl->setPresence(CTILIB::PresenceAway, "pranzo");
    m_ctl->setPresence(CTILIB::PresenceInvalid, "no");
    QCOMPARE(m_link.calls,
             (QStringList{"send:201:hello", "start:201", "stop:201", "displayed:201", "presence:2:pranzo"}));

    BuddyStatus status;
    status.exten = "201";
    status.presence = 3;
    status.presenceMsg = "riunione";
    m_ctl->onExtenPresenceUpdate(status);
    QCOMPARE(chat->presence(), 3);
    QCOMPARE(m_host.extensions["201"].presence, 3);
    status.exten = "200"; // own extension: only the profile image
    status.presence = 2;
    m_ctl->onExtenPresenceUpdate(status);
    QCOMPARE(m_host.ownPresence, 2);
    QCOMPARE(chat->presence(), 3);
    m_ctl->onExtenNameUpdate("201", "Anna Bianchi");
    QCOMPARE(chat->remoteName(), QStringLiteral("Anna Bianchi"));
    m_ctl->onExtenNameUpdate("201", QString());
    QCOMPARE(chat->remoteName(), QStringLiteral("Anna Bianchi"));
    m_ctl->onChatContactComposing("201", QString(), true);
}

void TestChatController::disconnectionAndLogout()
{
    QVERIFY(m_store->insertChatMessage(msg("s", "201"), QDateTime::currentDateTime()));
    m_ctl->onLoggedIn();
    m_ctl->onChatConnected();
    QTRY_VERIFY(!m_ctl->isReplaying());
    m_ctl->onChatMessage(msg("live", "201", 0, 0, "x", QDateTime::currentDateTimeUtc()));
    m_ctl->onChatDisconnected("bye");
    QVERIFY(!m_ctl->isChatConnected());
    QVERIFY(!m_host.connectedMark);
    QCOMPARE(m_host.ownPresence, 5);
    QVERIFY(m_host.cleared);
    QVERIFY(m_panel->hasChatSession("201")); // sessions stay open
    QSignalSpy total(m_panel.get(), &wdgChatPanel::sigUnreadChatMessageCountChanged);
    m_ctl->onLoggedOut();
    QTRY_VERIFY(!m_ctl->isReplaying());
    QCOMPARE(total.last().at(0).toInt(), 0);
    QCOMPARE(m_panel->chatFor("201")->messageCount(), 2); // readable while offline
    QVERIFY(!m_panel->chatFor("201")->isEnabled());
}

DESKLINE_TEST_MAIN(TestChatController)
#include "tst_chatcontroller.moc"
