// Chat panel and conversation window as the user sees them: order of the
// conversations, unread badges and totals, duplicates, detach and attach,
// typing and displayed signals, export by file and mail, bubble size.
#include "desklineresources.h"
#include "messaging/chatcontactitemdelegate.h"
#include "messaging/wdgchat.h"
#include "messaging/wdgchatmsg.h"
#include "messaging/wdgchatpanel.h"
#include "scriptedprompts.h"
#include "testmain.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QUrlQuery>

namespace
{
ChatMessage msg(const QString &id, const QString &exten, int direction = 0, int type = 0,
                const QString &body = QStringLiteral("ciao"))
{
    ChatMessage m;
    m.id = id;
    m.exten = exten;
    m.body = body;
    m.direction = direction;
    m.type = type;
    m.time = QDateTime::currentDateTimeUtc();
    return m;
}
} // namespace

class TestChatPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void newestActivityOnTop();
    void unreadCountingAndDisplayed();
    void duplicateIdRefused_data();
    void duplicateIdRefused();
    void deletingSessionsClearsUnread();
    void badgeText_data();
    void badgeText();
    void detachAndAttach();
    void doubleClickShowsEmptyPage();
    void typingSendsStartAndStop();
    void sendButtonAndEmptyReturn();
    void saveToFile();
    void saveFailureIsReported();
    void mailKeepsHostileTextInsideTheBody();
    void peerTextIsPlain();
    void bubbleSizeFollowsFontMetrics();
    void longMessageShowsItsStartAndSavesWhole_data();
    void longMessageShowsItsStartAndSavesWhole();
    void floodMakesBubblesForTheNewestOnly();
};

void TestChatPanel::newestActivityOnTop()
{
    wdgChatPanel panel;
    auto *list = panel.findChild<QListWidget *>(QStringLiteral("lstContacts"));
    QVERIFY(list);
    QAbstractItemModelTester tester(list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(list->isHidden());
    QVERIFY(!panel.addChatSession(QString(), QStringLiteral("x"), QString()));
    QVERIFY(panel.addChatSession(QStringLiteral("201"), QStringLiteral("Anna Rossi"), QString()));
    QVERIFY(panel.addChatSession(QStringLiteral("202"), QStringLiteral("202"), QString()));
    QVERIFY(panel.addChatSession(QStringLiteral("201"), QStringLiteral("Other"), QString())); // kept as it is
    QVERIFY(!list->isHidden());
    QCOMPARE(panel.sessionOrder(), (QStringList{"202", "201"}));
    QCOMPARE(list->item(1)->text(), QStringLiteral("Anna Rossi\n201"));
    QCOMPARE(list->item(0)->text(), QStringLiteral("202"));
    QVERIFY(panel.newHistoryMessageReceived(msg("a", "201")));
    QCOMPARE(panel.sessionOrder(), (QStringList{"201", "202"}));
    // The list follows on the next turn of the event loop, the selection kept.
    list->setCurrentItem(list->findItems(QStringLiteral("202"), Qt::MatchExactly).value(0));
    QTRY_COMPARE(list->item(0)->text(), QStringLiteral("Anna Rossi\n201"));
    QCOMPARE(list->currentItem()->text(), QStringLiteral("202"));
    panel.setRemoteName(QStringLiteral("202"), QStringLiteral("Bruno"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("Bruno\n202"));
    QVERIFY(!panel.newMessageReceived(msg("b", "999"))); // no session
}

void TestChatPanel::unreadCountingAndDisplayed()
{
    wdgChatPanel panel;
    QSignalSpy total(&panel, &wdgChatPanel::sigUnreadChatMessageCountChanged);
    QSignalSpy displayed(&panel, &wdgChatPanel::sigChatMessageDisplayed);
    panel.addChatSession(QStringLiteral("201"), QString(), QStringLiteral("ctx"));
    panel.addChatSession(QStringLiteral("202"), QString(), QString());
    QVERIFY(panel.newMessageReceived(msg("1", "201")));
    QVERIFY(panel.newMessageReceived(msg("2", "201")));
    QVERIFY(panel.newMessageReceived(msg("3", "202")));
    QVERIFY(panel.newMessageReceived(msg("4", "202", 1)));     // sent: not unread
    QVERIFY(panel.newMessageReceived(msg("5", "202", 0, 1)));  // copy: not unread
    QVERIFY(panel.newHistoryMessageReceived(msg("6", "202"))); // history: not unread
    QCOMPARE(panel.totalUnread(), 3);
    QCOMPARE(total.last().at(0).toInt(), 3);
    auto *list = panel.findChild<QListWidget *>(QStringLiteral("lstContacts"));
    // The list shows the badge from the next turn of the event loop.
    QTRY_COMPARE(list->item(panel.sessionOrder().indexOf("201"))->data(1002).toInt(), 2);

    emit panel.chatFor(QStringLiteral("201"))->sigDisplayed();
    QCOMPARE(panel.totalUnread(), 1);
    QCOMPARE(panel.unreadFor(QStringLiteral("201")), 0);
    QCOMPARE(total.last().at(0).toInt(), 1);
    QCOMPARE(displayed.size(), 1);
    QCOMPARE(displayed.last(), (QList<QVariant>{"201", "ctx"}));
}

void TestChatPanel::duplicateIdRefused_data()
{
    QTest::addColumn<bool>("firstLive");
    QTest::addColumn<bool>("secondLive");
    QTest::newRow("live then live") << true << true;
    QTest::newRow("history then live") << false << true;
    QTest::newRow("live then history") << true << false;
}

void TestChatPanel::duplicateIdRefused()
{
    QFETCH(bool, firstLive);
    QFETCH(bool, secondLive);
    wdgChatPanel panel;
    panel.addChatSession(QStringLiteral("201"), QString(), QString());
    const ChatMessage m = msg("same", "201");
    QVERIFY(firstLive ? panel.newMessageReceived(m) : panel.newHistoryMessageReceived(m));
    const int unread = panel.totalUnread();
    QVERIFY(!(secondLive ? panel.newMessageReceived(m) : panel.newHistoryMessageReceived(m)));
    QCOMPARE(panel.chatFor(QStringLiteral("201"))->messageCount(), 1);
    QCOMPARE(panel.totalUnread(), unread);
}

void TestChatPanel::deletingSessionsClearsUnread()
{
    wdgChatPanel panel;
    QSignalSpy total(&panel, &wdgChatPanel::sigUnreadChatMessageCountChanged);
    panel.addChatSession(QStringLiteral("201"), QString(), QString());
    panel.addChatSession(QStringLiteral("202"), QString(), QString());
    panel.newMessageReceived(msg("1", "201"));
    panel.newMessageReceived(msg("2", "202"));
    panel.newMessageReceived(msg("3", "202"));
    panel.deleteChatSession(QStringLiteral("202"));
    QCOMPARE(panel.totalUnread(), 1);
    QCOMPARE(total.last().at(0).toInt(), 1);
    panel.deleteAllChatSession();
    QCOMPARE(panel.totalUnread(), 0);
    QCOMPARE(total.last().at(0).toInt(), 0);
    QVERIFY(panel.findChild<QListWidget *>(QStringLiteral("lstContacts"))->isHidden());
}

void TestChatPanel::badgeText_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("one") << 1 << "1";
    QTest::newRow("nine") << 9 << "9";
    QTest::newRow("ten") << 10 << "9+";
}

void TestChatPanel::badgeText()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(chatContactItemDelegate::badgeText(count), text);
    // 16 x 16, as far from the right edge as from the top.
    const QRect badge = chatContactItemDelegate::badgeRect(QRect(0, 10, 200, 36));
    QCOMPARE(badge, QRect(174, 20, 16, 16));
}

void TestChatPanel::detachAndAttach()
{
    wdgChatPanel panel;
    panel.enableChatWindows(true);
    panel.show();
    auto *stack = panel.findChild<QStackedWidget *>(QStringLiteral("stkChats"));
    panel.addChatSession(QStringLiteral("201"), QStringLiteral("Anna"), QString());
    panel.putOnTop(QStringLiteral("201"));
    wdgChat *chat = panel.chatFor(QStringLiteral("201"));
    QCOMPARE(stack->currentWidget(), chat);
    QTest::mouseClick(chat->findChild<QPushButton *>(QStringLiteral("btDetach")), Qt::LeftButton);
    QVERIFY(chat->isDetached());
    QVERIFY(chat->isWindow());
    // Out of the stack it keeps the conversations' look, with a sheet of its own.
    QCOMPARE(chat->styleSheet(), wdgChat::styleSheetText());
    QCOMPARE(stack->styleSheet(), wdgChat::styleSheetText());
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("pgEmpty"));
    QVERIFY(stack->indexOf(chat) < 0);
    chat->close(); // closing the window puts it back
    QVERIFY(!chat->isDetached());
    QVERIFY(stack->indexOf(chat) >= 0);
    QCOMPARE(stack->currentWidget(), chat);
    panel.detachChatWindow(QStringLiteral("201"));
    panel.closeAllDetachedWindows();
    QVERIFY(!chat->isDetached());
}

void TestChatPanel::doubleClickShowsEmptyPage()
{
    wdgChatPanel panel;
    panel.show();
    auto *stack = panel.findChild<QStackedWidget *>(QStringLiteral("stkChats"));
    auto *list = panel.findChild<QListWidget *>(QStringLiteral("lstContacts"));
    panel.addChatSession(QStringLiteral("201"), QString(), QString());
    panel.putOnTop(QStringLiteral("201"));
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QSignalSpy doubleClicked(list, &QListWidget::itemDoubleClicked);
    const QRect rect = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QCOMPARE(doubleClicked.size(), 1);
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("pgEmpty"));
    QTest::qWait(QApplication::doubleClickInterval() + 50); // the pending single click must not reopen it
    QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("pgEmpty"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTRY_COMPARE(stack->currentWidget(), panel.chatFor(QStringLiteral("201")));
}

void TestChatPanel::typingSendsStartAndStop()
{
    wdgChatPanel panel;
    panel.enableChatWindows(true);
    panel.addChatSession(QStringLiteral("201"), QString(), QStringLiteral("c"));
    wdgChat *chat = panel.chatFor(QStringLiteral("201"));
    chat->composingTimer()->setInterval(50);
    QSignalSpy composing(&panel, &wdgChatPanel::sigSendIsComposing);
    auto *field = chat->findChild<QLineEdit *>(QStringLiteral("txtChat"));
    QTest::keyClicks(field, QStringLiteral("ciao"));
    QCOMPARE(composing.size(), 1);
    QCOMPARE(composing.at(0), (QList<QVariant>{"201", "c", true}));
    QTRY_COMPARE(composing.size(), 2);
    QCOMPARE(composing.at(1).at(2).toBool(), false);
    // Clearing the field stops at once.
    QTest::keyClick(field, Qt::Key_A);
    QCOMPARE(composing.size(), 3);
    field->clear();
    QCOMPARE(composing.size(), 4);
    QCOMPARE(composing.at(3).at(2).toBool(), false);
}

void TestChatPanel::sendButtonAndEmptyReturn()
{
    wdgChatPanel panel;
    panel.enableChatWindows(true);
    panel.addChatSession(QStringLiteral("201"), QString(), QString());
    wdgChat *chat = panel.chatFor(QStringLiteral("201"));
    QSignalSpy sending(&panel, &wdgChatPanel::sigSendingMessage);
    auto *field = chat->findChild<QLineEdit *>(QStringLiteral("txtChat"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(sending.size(), 0);
    QTest::keyClicks(field, QStringLiteral("hello"));
    QTest::mouseClick(chat->findChild<QPushButton *>(QStringLiteral("btSendMsg")), Qt::LeftButton);
    QCOMPARE(sending.size(), 1);
    QCOMPARE(sending.at(0), (QList<QVariant>{"201", "", "hello"}));
    QVERIFY(field->text().isEmpty());
    QVERIFY(!chat->isComposing());
    QCOMPARE(chat->messageCount(), 0); // the own bubble comes back from the PBX
}

void TestChatPanel::saveToFile()
{
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    wdgChat chat(QStringLiteral("201"), QStringLiteral("Anna"), false);
    ChatMessage a = msg("1", "201", 0, 0, QStringLiteral("perché?"));
    ChatMessage b = msg("2", "201", 1, 0, QStringLiteral("così"));
    chat.addMessage(a, true);
    chat.addMessage(b, true);
    const QString path = dir.filePath(QStringLiteral("chat.txt"));
    prompts.fileNext(path);
    QTest::mouseClick(chat.findChild<QPushButton *>(QStringLiteral("btSaveHistory")), Qt::LeftButton);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    const QList<wdgChatMsg *> bubbles = chat.bubbles();
    QCOMPARE(text, bubbles.at(0)->toString() + "\n" + bubbles.at(1)->toString());
    QVERIFY(text.startsWith(QStringLiteral("Anna\t\t\t\t")));
    QVERIFY(text.contains(QStringLiteral("\nperché?\n\nIO\t\t\t\t")));
    QVERIFY(prompts.shown.isEmpty());
}

void TestChatPanel::saveFailureIsReported()
{
    ScriptedPrompts prompts;
    wdgChat chat(QStringLiteral("201"), QStringLiteral("Anna"), false);
    chat.addMessage(msg("1", "201"), true);
    prompts.fileNext(QStringLiteral("/nonexistent-dir/chat.txt"));
    QTest::mouseClick(chat.findChild<QPushButton *>(QStringLiteral("btSaveHistory")), Qt::LeftButton);
    QCOMPARE(prompts.shown.size(), 1);
    QCOMPARE(prompts.shown.first().message.kind, PromptService::Kind::Warning);
    // A cancelled dialog writes and says nothing.
    prompts.fileNext(QString());
    QTest::mouseClick(chat.findChild<QPushButton *>(QStringLiteral("btSaveHistory")), Qt::LeftButton);
    QCOMPARE(prompts.shown.size(), 1);
}

void TestChatPanel::mailKeepsHostileTextInsideTheBody()
{
    ScriptedPrompts prompts;
    wdgChat chat(QStringLiteral("201"), QStringLiteral("A&B"), false);
    auto *mail = chat.findChild<QPushButton *>(QStringLiteral("btSendChatEmail"));
    QTest::mouseClick(mail, Qt::LeftButton);
    QVERIFY(prompts.urls.isEmpty()); // nothing to mail yet
    const QString hostile = QStringLiteral("a&cc=evil@x.org#frag?q=1+2 %41 ü");
    chat.addMessage(msg("1", "201", 0, 0, hostile), true);
    QTest::mouseClick(mail, Qt::LeftButton);
    QCOMPARE(prompts.urls.size(), 1);
    const QUrl url = prompts.urls.first();
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    QVERIFY(url.fragment().isEmpty());
    const QUrlQuery query(url);
    QStringList keys;
    for (const auto &item : query.queryItems())
        keys << item.first;
    QCOMPARE(keys, (QStringList{"subject", "body"}));
    QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), chat.conversationText());
    QVERIFY(chat.conversationText().contains(hostile));
    QVERIFY(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded).startsWith("Invio Chat del "));
}

void TestChatPanel::peerTextIsPlain()
{
    wdgChatPanel panel;
    panel.addChatSession(QStringLiteral("201"), QStringLiteral("<b>Anna</b>"), QString());
    panel.setRemotePresence(QStringLiteral("201"), CTILIB::PresenceAway, QStringLiteral("<img src=x>"));
    panel.newMessageReceived(msg("1", "201", 0, 0, QStringLiteral("<a href='x'>link</a>")));
    wdgChat *chat = panel.chatFor(QStringLiteral("201"));
    for (const char *name : {"lblTitle", "lblStatusMsg"})
        QCOMPARE(chat->findChild<QLabel *>(QLatin1String(name))->textFormat(), Qt::PlainText);
    wdgChatMsg *bubble = chat->bubbles().first();
    for (QLabel *label : bubble->findChildren<QLabel *>())
        QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(bubble->getMessage(), QStringLiteral("<a href='x'>link</a>"));
    QCOMPARE(chat->presence(), int(CTILIB::PresenceAway));
}

void TestChatPanel::bubbleSizeFollowsFontMetrics()
{
    const QString text = QStringLiteral("una riga abbastanza lunga da andare a capo più volte nella bolla");
    for (int kind : {0, 1}) {
        wdgChatMsg bubble(QStringLiteral("IO"), text, QDateTime::currentDateTime(), kind, QStringLiteral("x"));
        QSignalSpy size(&bubble, &wdgChatMsg::sigSizeChanged);
        bubble.updateWidgetSize(200);
        const int balloonWidth = 200 - 3 - 3 - 0 - (kind == 0 ? 30 : 0);
        auto *sender = bubble.findChild<QLabel *>(QStringLiteral("lblSender"));
        auto *message = bubble.findChild<QLabel *>(QStringLiteral("lblMsg"));
        const int hs = QFontMetrics(sender->font())
                           .boundingRect(QRect(0, 0, balloonWidth, 9999999), Qt::AlignLeft, QStringLiteral("IO"))
                           .height();
        const int hm = QFontMetrics(message->font())
                           .boundingRect(QRect(0, 0, balloonWidth - 10, 9999999 - (15 + hs + 5)),
                                         Qt::AlignLeft | Qt::TextWordWrap, text)
                           .height();
        QVERIFY(hm > hs); // wraps onto several lines
        QCOMPARE(bubble.bubbleSize(), QSize(balloonWidth, 15 + hs + hm + 5));
        QCOMPARE(bubble.widgetSize(), QSize(200, 15 + hs + hm + 5 + 6));
        QCOMPARE(size.size(), 1);
        QCOMPARE(size.first().at(0).toSize(), bubble.widgetSize());
    }
}

void TestChatPanel::longMessageShowsItsStartAndSavesWhole_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("cut");
    QTest::newRow("1 MB, one word") << QString(1 << 20, QLatin1Char('x')) << true;
    QString words;
    for (int i = 0; words.size() < 200000; ++i)
        words += QStringLiteral("parola%1 ").arg(i);
    QTest::newRow("200 kB of words") << words << true;
    QString lines;
    for (int i = 0; i < 5000; ++i)
        lines += QStringLiteral("riga %1\n").arg(i);
    QTest::newRow("5000 short lines") << lines << true;
    QTest::newRow("just under the limit") << QString(wdgChatMsg::MaxShownChars, QLatin1Char('y')) << false;
    // A character outside the basic plane across the limit stays whole.
    QTest::newRow("surrogate pair at the limit")
        << QString(wdgChatMsg::MaxShownChars - 1, QLatin1Char('z')) + QString::fromUtf8("\xF0\x9F\x98\x80") + "fine"
        << true;
}

// A very long message: the bubble lays out its start and says it was cut;
// the conversation saved to a file holds the whole text.
void TestChatPanel::longMessageShowsItsStartAndSavesWhole()
{
    QFETCH(QString, body);
    QFETCH(bool, cut);
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    wdgChatPanel panel;
    panel.enableChatWindows(true);
    panel.resize(600, 400);
    panel.show();
    QVERIFY(panel.addChatSession(QStringLiteral("201"), QStringLiteral("Anna"), QString()));
    panel.putOnTop(QStringLiteral("201"));
    wdgChat *chat = panel.chatFor(QStringLiteral("201"));
    QTRY_VERIFY(chat->isVisible());
    QVERIFY(panel.newMessageReceived(msg("long", "201", 0, 0, body)));
    const QList<wdgChatMsg *> bubbles = chat->bubbles();
    QCOMPARE(bubbles.size(), 1);
    wdgChatMsg *bubble = bubbles.first();
    QCOMPARE(bubble->getMessage(), body);
    const QString shown = bubble->findChild<QLabel *>(QStringLiteral("lblMsg"))->text();
    QCOMPARE(shown, bubble->shownMessage());
    if (cut) {
        QVERIFY(shown.size() <= wdgChatMsg::MaxShownChars + 200);
        QVERIFY(shown.count(QLatin1Char('\n')) <= wdgChatMsg::MaxShownLines + 2);
        QVERIFY(shown.endsWith(QStringLiteral("(messaggio troncato: il testo completo si trova salvando la chat)")));
        const QString start = shown.left(shown.indexOf(QChar(0x2026)));
        QVERIFY(body.startsWith(start));
        QVERIFY(!start.isEmpty() && !start.back().isHighSurrogate());
    } else {
        QCOMPARE(shown, body);
    }
    QVERIFY(bubble->widgetSize().height() < 5000);

    const QString path = dir.filePath(QStringLiteral("chat.txt"));
    prompts.fileNext(path);
    QTest::mouseClick(chat->findChild<QPushButton *>(QStringLiteral("btSaveHistory")), Qt::LeftButton);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(f.readAll()).contains(QStringLiteral("\n") + body + QStringLiteral("\n")));
}

// Thousands of messages into the conversation on screen: bubbles for the
// newest only, older ones when the list is scrolled to its top; every message
// is in the saved conversation. A hidden conversation makes none.
void TestChatPanel::floodMakesBubblesForTheNewestOnly()
{
    wdgChatPanel panel;
    panel.resize(600, 400);
    panel.show();
    QVERIFY(panel.addChatSession(QStringLiteral("201"), QStringLiteral("Anna"), QString()));
    QVERIFY(panel.addChatSession(QStringLiteral("202"), QStringLiteral("Luca"), QString()));
    panel.putOnTop(QStringLiteral("201"));
    wdgChat *shown = panel.chatFor(QStringLiteral("201"));
    wdgChat *hidden = panel.chatFor(QStringLiteral("202"));
    QTRY_VERIFY(shown->isVisible());
    QVERIFY(!hidden->isVisible());
    const int count = 3000;
    for (int i = 0; i < count; ++i) {
        QVERIFY(panel.newMessageReceived(msg(QStringLiteral("a%1").arg(i), "201", 0, 0, QStringLiteral("m%1").arg(i))));
        QVERIFY(panel.newMessageReceived(msg(QStringLiteral("b%1").arg(i), "202", 0, 0, QStringLiteral("m%1").arg(i))));
    }
    QTRY_COMPARE(shown->pendingCount(), 0);
    QCOMPARE(shown->messageCount(), count);
    auto *list = shown->findChild<QListWidget *>(QStringLiteral("msgList"));
    QCOMPARE(list->count(), wdgChat::FreshBubbles);
    QCOMPARE(shown->findChildren<wdgChatMsg *>().size(), wdgChat::FreshBubbles);
    QCOMPARE(qobject_cast<wdgChatMsg *>(list->itemWidget(list->item(list->count() - 1)))->getId(),
             QStringLiteral("a%1").arg(count - 1));
    QCOMPARE(hidden->messageCount(), count);
    QCOMPARE(hidden->findChildren<wdgChatMsg *>().size(), 0);
    QCOMPARE(panel.unreadFor(QStringLiteral("202")), count);

    // Scrolled to the top, the list brings older messages.
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->minimum());
    QCOMPARE(list->count(), wdgChat::FreshBubbles + wdgChat::OlderBubbles);
    QCOMPARE(qobject_cast<wdgChatMsg *>(list->itemWidget(list->item(0)))->getId(),
             QStringLiteral("a%1").arg(count - wdgChat::FreshBubbles - wdgChat::OlderBubbles));
    // Messages one by one add bubbles up to the bound, then the oldest go.
    for (int i = 0; i < wdgChat::MaxBubbles; ++i) {
        QVERIFY(panel.newMessageReceived(msg(QStringLiteral("c%1").arg(i), "201", 0, 0, QStringLiteral("c%1").arg(i))));
        QTRY_COMPARE(shown->pendingCount(), 0);
    }
    QCOMPARE(list->count(), wdgChat::MaxBubbles);
    QCOMPARE(qobject_cast<wdgChatMsg *>(list->itemWidget(list->item(list->count() - 1)))->getId(),
             QStringLiteral("c%1").arg(wdgChat::MaxBubbles - 1));
    const QString text = shown->conversationText();
    QVERIFY(text.contains(QStringLiteral("\nm0\n")));
    QVERIFY(text.contains(QStringLiteral("\nm%1\n").arg(count - 1)));
}

DESKLINE_TEST_MAIN(TestChatPanel)
#include "tst_wdgchatpanel.moc"
