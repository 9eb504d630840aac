// The chat in the real main window, logged in to the PBX simulator: a
// colleague's message reaches the panel, the tab and the tray; the answer
// typed in the conversation reaches the PBX; a reconnection replays the
// history once; quitting writes the history file.
#include "../mainwindow/sessionfixture.h"
#include "directory/directorypanel.h"
#include "messaging/chatcontroller.h"
#include "messaging/messagingpanel.h"
#include "messaging/mpchatsqlite.h"
#include "messaging/wdgchat.h"
#include "messaging/wdgchatmsg.h"
#include "messaging/wdgchatpanel.h"
#include "scriptedprompts.h"
#include "testmain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>

using namespace sessiontest;

namespace
{

// The demo office, where the directory knows two colleagues by their first
// names only.
PbxSimData office()
{
    PbxSimData data = PbxSimData::demo();
    data.extensions[QStringLiteral("202")].lastName.clear();
    data.extensions[QStringLiteral("203")].lastName.clear();
    return data;
}

QStringList idsOf(wdgChatPanel *panel, const QString &exten)
{
    QStringList out;
    if (wdgChat *chat = panel->chatFor(exten)) {
        for (wdgChatMsg *b : chat->bubbles())
            out << b->getId();
    }
    out.sort();
    return out;
}

QStringList allIds(wdgChatPanel *panel)
{
    QStringList out = idsOf(panel, QStringLiteral("202")) + idsOf(panel, QStringLiteral("203"));
    out.sort();
    return out;
}

bool sentToPbx(const QSignalSpy &commands, const QString &exten, const QString &text)
{
    return std::any_of(commands.cbegin(), commands.cend(), [&](const QList<QVariant> &a) {
        const QJsonObject args = a.at(2).toJsonObject();
        return a.at(1).toString() == QLatin1String("chatSend") &&
               args.value(QStringLiteral("exten")).toString() == exten &&
               args.value(QStringLiteral("text")).toString() == text;
    });
}

} // namespace

class TestChatMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void messageAnswerReconnectQuit();
};

void TestChatMainWindow::messageAnswerReconnectQuit()
{
    SessionFixture f(office());
    ScriptedPrompts prompts;
    QStringList shown;
    {
        MPGui w{f.config()};
        QVERIFY(startAndLogin(w));
        MessagingPanel *messaging = w.messagingPanel();
        QVERIFY(messaging && messaging->chat());
        wdgChatPanel *panel = widgetOf<wdgChatPanel>(w, "chatPanel");
        QVERIFY(panel);
        // The PBX's history: the colleague's greeting.
        QTRY_VERIFY(messaging->chat()->isChatConnected());
        QTRY_VERIFY(panel->chatFor(QStringLiteral("202")) &&
                    panel->chatFor(QStringLiteral("202"))->messageCount() >= 1);
        QCOMPARE(panel->totalUnread(), 0);
        prompts.trayMessages.clear();

        // The colleague writes: unread badge, blinking tab, tray text.
        QVERIFY(f.sim->sendChat(QStringLiteral("202"), QStringLiteral("201"), QStringLiteral("Ciao Giulia, ci sei?")));
        QTRY_COMPARE(panel->totalUnread(), 1);
        QCOMPARE(panel->unreadFor(QStringLiteral("202")), 1);
        QVERIFY(timerOf(w, "tabAnimTimer")->isActive());
        QCOMPARE(prompts.trayMessages.size(), 1);
        QCOMPARE(prompts.trayMessages.first().text, QStringLiteral("Nuovo messaggio da Luca:\nCiao Giulia, ci sei?"));

        // A second colleague; a click on the tray message opens her conversation.
        QVERIFY(f.sim->sendChat(QStringLiteral("203"), QStringLiteral("201"), QStringLiteral("Sono Sara")));
        QTRY_COMPARE(panel->totalUnread(), 2);
        QCOMPARE(prompts.trayMessages.last().text, QStringLiteral("Nuovo messaggio da Sara:\nSono Sara"));
        auto *tabs = widgetOf<QTabWidget>(w, "tabContactsWidget");
        QWidget *chatTab = widgetOf<QWidget>(w, "chatTabWidget");
        tabs->setCurrentIndex(tabs->indexOf(chatTab) == 0 ? 1 : 0);
        emit w.systemTrayIcon()->messageClicked();
        QCOMPARE(tabs->currentWidget(), chatTab);
        QCOMPARE(panel->findChild<QStackedWidget *>()->currentWidget(), panel->chatFor(QStringLiteral("203")));

        // The user answers the first colleague: the text reaches the PBX for 202.
        QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
        wdgChat *chat = panel->chatFor(QStringLiteral("202"));
        QTest::keyClicks(chat->findChild<QLineEdit *>(QStringLiteral("txtChat")), QStringLiteral("Si, dimmi"));
        QTest::mouseClick(chat->findChild<QPushButton *>(QStringLiteral("btSendMsg")), Qt::LeftButton);
        QTRY_VERIFY(sentToPbx(commands, QStringLiteral("202"), QStringLiteral("Si, dimmi")));
        // The own message back from the PBX and the colleague's automatic answer.
        QTRY_VERIFY(idsOf(panel, QStringLiteral("202")).size() >= 4);
        QTest::qWait(200); // nothing else is on its way
        shown = allIds(panel);

        // Disconnection: the conversations stay readable, without input.
        QSignalSpy ended(&w, &MPGui::sigSessionEnded);
        actionWithText(w, QStringLiteral("&Disconnetti da PBX"))->trigger();
        QTRY_VERIFY(!w.isSessionUp());
        QTRY_COMPARE(ended.count(), 1);
        QTRY_VERIFY(!messaging->chat()->isReplaying());
        QCOMPARE(allIds(panel), shown);
        QVERIFY(!panel->chatFor(QStringLiteral("202"))->isEnabled());
        // No colleague keeps a presence while disconnected.
        QCOMPARE(w.directoryPanel()->extensions().value(QStringLiteral("202")).presence, -1);

        // Reconnection: the local history once, then what the PBX has; nothing twice.
        QSignalSpy history(w.ctiClient(), &CtiLib::sigChatHistory);
        actionWithText(w, QStringLiteral("&Connetti a PBX"))->trigger();
        QTRY_VERIFY(w.isSessionUp());
        QTRY_COMPARE(history.count(), 1);
        QTRY_VERIFY(!messaging->chat()->isReplaying());
        const QStringList again = allIds(panel);
        QCOMPARE(again, shown);
        QCOMPARE(QSet<QString>(again.cbegin(), again.cend()).size(), again.size());
        QCOMPARE(panel->totalUnread(), 0);
        QVERIFY(panel->chatFor(QStringLiteral("202"))->isEnabled());

        // Quitting writes the history file.
        QVERIFY(w.quitApplication(false, false));
        QVERIFY(!messaging->chatStore());
    }
    MPChatSqlite reader(f.dir.filePath(QStringLiteral("chat.db")), QStringLiteral("demo"),
                        QStringLiteral("127.0.0.1:%1").arg(f.port));
    QVERIFY(reader.readDBChat());
    QStringList stored;
    for (const ChatMessage &m : reader.messageList)
        stored << m.id;
    stored.sort();
    QCOMPARE(stored, shown);
}

DESKLINE_TEST_MAIN(TestChatMainWindow)
#include "tst_chat_mainwindow.moc"
