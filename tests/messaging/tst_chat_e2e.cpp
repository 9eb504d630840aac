// Chat from end to end against the PBX simulator: the CTI library, the chat
// controller, the panel and the history store, as the main window wires them.
#include "../platform/ctilib/ctitestsupport.h"
#include "desklineresources.h"
#include "framework/clock.h"
#include "messaging/chatcontroller.h"
#include "messaging/mpchatsqlite.h"
#include "messaging/wdgchat.h"
#include "messaging/wdgchatmsg.h"
#include "messaging/wdgchatpanel.h"
#include "quietchatwindow.h"
#include "scriptedprompts.h"
#include "testmain.h"

#include <QLineEdit>
#include <QPushButton>

namespace
{

// The window's side: colleague 202 is Luca, online.
class Host : public QuietChatWindow
{
public:
    bool findExtension(const QString &e, Contact *c) const override
    {
        if (e != QLatin1String("202"))
            return false;
        c->name = QStringLiteral("Luca");
        c->presence = 1;
        return true;
    }
    bool updateExtensionPresence(const QString &, int, const QString &) override { return true; }
};

// One start of the client's chat pieces.
struct Client {
    std::unique_ptr<CtiLib> cti;
    std::unique_ptr<MPChatSqlite> store;
    std::unique_ptr<wdgChatPanel> panel;
    CtiLibChatLink link;
    Host host;
    std::unique_ptr<ChatController> ctl;

    Client(ctitest::Fixture &f, const QString &dbPath, PromptService &prompts)
        : cti(f.newClient()), store(new MPChatSqlite(dbPath, QStringLiteral("demo"), QStringLiteral("127.0.0.1"))),
          panel(new wdgChatPanel), link(*cti)
    {
        ctl.reset(new ChatController(&link, store.get(), panel.get(), &host, host, Clock::instance(), prompts));
        QObject::connect(cti.get(), &CtiLib::sigChatConnected, ctl.get(), &ChatController::onChatConnected);
        QObject::connect(cti.get(), &CtiLib::sigChatDisconnected, ctl.get(), &ChatController::onChatDisconnected);
        QObject::connect(cti.get(), &CtiLib::sigChatMessage, ctl.get(), &ChatController::onChatMessage);
        QObject::connect(cti.get(), &CtiLib::sigChatHistory, ctl.get(), &ChatController::onChatHistoryReceived);
        QObject::connect(panel.get(), &wdgChatPanel::sigSendingMessage, ctl.get(), &ChatController::sendChatMessage);
        ctl->onLoggedIn();
    }
    ~Client()
    {
        ctl.reset();
        cti->logout();
        panel.reset();
        store.reset();
    }
    bool login() { return ctitest::Fixture::login(cti.get()); }
    QStringList ids(const QString &exten) const
    {
        QStringList out;
        if (wdgChat *chat = panel->chatFor(exten)) {
            for (wdgChatMsg *b : chat->bubbles())
                out << b->getId();
        }
        out.sort();
        return out;
    }
};

QStringList storedIds(const QString &dbPath)
{
    MPChatSqlite reader(dbPath, QStringLiteral("demo"), QStringLiteral("127.0.0.1"));
    reader.readDBChat();
    QStringList out;
    for (const ChatMessage &m : reader.messageList)
        out << m.id;
    out.sort();
    return out;
}

} // namespace

class TestChatEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        initDesklineResources();
        ctitest::trustPbxCertificates();
    }
    void receiveAnswerReconnectRestart();
};

void TestChatEndToEnd::receiveAnswerReconnectRestart()
{
    ctitest::Fixture f;
    ScriptedPrompts prompts;
    const QString dbPath = f.dir.filePath(QStringLiteral("chat.db"));
    QStringList all;
    {
        Client c(f, dbPath, prompts);
        QSignalSpy history(c.cti.get(), &CtiLib::sigChatHistory);
        QVERIFY(c.login());
        QVERIFY(ctitest::waitCount(history, 1));

        // The colleague writes.
        QVERIFY(f.sim->sendChat(QStringLiteral("202"), QStringLiteral("201"), QStringLiteral("Ciao Giulia, ci sei?")));
        QTRY_COMPARE(c.panel->totalUnread(), 1);
        QCOMPARE(prompts.trayMessages.size(), 1);
        QCOMPARE(prompts.trayMessages.first().text, QStringLiteral("Nuovo messaggio da Luca:\nCiao Giulia, ci sei?"));

        // The user answers by typing into the conversation.
        QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
        wdgChat *chat = c.panel->chatFor(QStringLiteral("202"));
        QTest::keyClicks(chat->findChild<QLineEdit *>(QStringLiteral("txtChat")),
                         QStringLiteral("Si, dimmi & ascolto"));
        QTest::mouseClick(chat->findChild<QPushButton *>(QStringLiteral("btSendMsg")), Qt::LeftButton);
        QTRY_VERIFY(std::any_of(commands.cbegin(), commands.cend(), [](const QList<QVariant> &a) {
            return a.at(1).toString() == QLatin1String("chatSend") &&
                   a.at(2).toJsonObject().value(QStringLiteral("text")).toString() ==
                       QLatin1String("Si, dimmi & ascolto") &&
                   a.at(2).toJsonObject().value(QStringLiteral("exten")).toString() == QLatin1String("202");
        }));
        // The demo greeting from the history, the colleague's message, the own
        // message back from the PBX, and the colleague's automatic answer.
        QTRY_COMPARE(chat->messageCount(), 4);
        all = c.ids(QStringLiteral("202"));

        // Reconnection: the local history once, then what the PBX has from its newest time.
        c.cti->logout();
        QSignalSpy history2(c.cti.get(), &CtiLib::sigChatHistory);
        QVERIFY(c.login());
        QVERIFY(ctitest::waitCount(history2, 1));
        QCOMPARE(c.ids(QStringLiteral("202")), all);
        QCOMPARE(c.panel->totalUnread(), 0);
        // A message while the client is away from the chat is fetched at the next connection.
        c.cti->logout();
        QVERIFY(f.sim->sendChat(QStringLiteral("203"), QStringLiteral("201"), QStringLiteral("Sono Sara")));
        QSignalSpy history3(c.cti.get(), &CtiLib::sigChatHistory);
        QVERIFY(c.login());
        QVERIFY(ctitest::waitCount(history3, 1));
        QCOMPARE(c.ids(QStringLiteral("203")).size(), 1);
        // The history's batch is written back in the background.
        QTRY_VERIFY_WITH_TIMEOUT(!c.store->hasPendingWrites() && !c.store->isWriting(), 30000);
        QCOMPARE(storedIds(dbPath), (all + c.ids(QStringLiteral("203"))));
    }
    // The client starts again: everything is back, nothing twice.
    {
        Client c(f, dbPath, prompts);
        QSignalSpy history(c.cti.get(), &CtiLib::sigChatHistory);
        QVERIFY(c.login());
        QVERIFY(ctitest::waitCount(history, 1));
        QCOMPARE(c.ids(QStringLiteral("202")), all);
        QCOMPARE(c.ids(QStringLiteral("203")).size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!c.store->hasPendingWrites() && !c.store->isWriting(), 30000);
        QCOMPARE(storedIds(dbPath).size(), all.size() + 1);
    }
}

DESKLINE_TEST_MAIN(TestChatEndToEnd)
#include "tst_chat_e2e.moc"
