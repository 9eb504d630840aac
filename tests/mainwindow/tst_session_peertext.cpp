// Texts from the PBX on the window logged in to the simulated PBX: a hostile
// caller name or chat extension (overlong, turned around by U+202E, with NUL)
// arrives cut and cleaned, is shown elided, and never makes the window wider.
#include "calls/calllines.h"
#include "messaging/chatcontroller.h"
#include "messaging/messagingpanel.h"
#include "messaging/wdgchat.h"
#include "messaging/wdgchatpanel.h"
#include "peertext.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "widgets/peerlabel.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgincomingcallline.h"

#include <QListWidget>
#include <QScreen>
#include <QTabWidget>

using namespace sessiontest;

namespace
{

const QChar rlo(0x202e);
const QChar nul(0);

bool cleanText(const QString &text)
{
    return !text.contains(rlo) && !text.contains(nul);
}

} // namespace

class TestSessionPeerText : public QObject
{
    Q_OBJECT

private slots:
    void hugeCallerName();
    void hostileChatExtension();
};

void TestSessionPeerText::hugeCallerName()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    f.sim->setRingTimeout(600000);
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    useDemoAccount(w, *f.sim);
    w.show();
    QTRY_VERIFY(w.isVisible());
    QTest::qWait(0);
    const QSize before = w.size();
    const int screenWidth = w.screen()->availableGeometry().width();
    CallLines *calls = w.callLines();

    // A 1 MB name, turned around and with a NUL inside.
    const QString name = rlo + QStringLiteral("Mario") + nul + QStringLiteral(" Verdi ") + QString(1024 * 1024, 'W');
    QVERIFY(!f.sim->injectIncomingCall(QStringLiteral("0612345678"), QStringLiteral("201"), QString(), name).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(calls->ringingLines().size(), 1, 30000);
    wdgIncomingCallLine *line = calls->ringingLines().first();
    auto *speaker = line->findChild<QLabel *>(QStringLiteral("lblSpeaker"));
    QVERIFY(speaker);
    // Cut and cleaned where it came in: the record and the line hold the same.
    const QString kept = calls->callRecords().value(line->getLineId()).remoteName;
    QCOMPARE(kept.size(), PeerText::NameLength);
    QVERIFY(kept.startsWith(QStringLiteral("Mario Verdi W")));
    QVERIFY(cleanText(kept));
    QCOMPARE(speaker->text(), kept);
    // Shown elided in the line; the window keeps its size.
    QTRY_VERIFY(speaker->isVisible());
    QVERIFY(PeerLabel::isBounded(speaker));
    QTRY_VERIFY(PeerLabel::shownText(speaker).endsWith(QChar(0x2026)));
    QTest::qWait(0);
    QCOMPARE(w.size(), before);
    QVERIFY(w.minimumSize().width() <= before.width());
    // The balloon stays within the screen and is as clean.
    wdgBalloonMessage *balloon = calls->balloon(Balloon::IncomingCallBalloon, line->getLineId());
    QVERIFY(balloon);
    QVERIFY(cleanText(balloon->message()));
    QVERIFY2(balloon->width() <= screenWidth, qPrintable(QString::number(balloon->width())));
}

void TestSessionPeerText::hostileChatExtension()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    w.show();
    MessagingPanel *messaging = w.messagingPanel();
    QVERIFY(messaging && messaging->chat());
    QTRY_VERIFY(messaging->chat()->isChatConnected());
    wdgChatPanel *panel = widgetOf<wdgChatPanel>(w, "chatPanel");
    auto *tabs = widgetOf<QTabWidget>(w, "tabContactsWidget");
    QWidget *chatTab = widgetOf<QWidget>(w, "chatTabWidget");
    QVERIFY(panel && tabs && chatTab);
    tabs->setCurrentWidget(chatTab);
    QTest::qWait(0);
    const QSize before = w.size();

    // A message from a 5,000-character extension, its sender turned around.
    const QString exten(5000, '7');
    QJsonObject message;
    message.insert(QStringLiteral("id"), QStringLiteral("hostile-1"));
    message.insert(QStringLiteral("sender"), rlo + QStringLiteral("Luca") + nul);
    message.insert(QStringLiteral("exten"), exten);
    message.insert(QStringLiteral("body"), rlo + QStringLiteral("ciao") + nul);
    message.insert(QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    QVERIFY(f.sim->sendRawEvent(QStringLiteral("201"), QStringLiteral("chatMessage"), message));

    const QString kept = exten.left(PeerText::NumberLength);
    QTRY_VERIFY_WITH_TIMEOUT(panel->chatFor(kept), 10000);
    wdgChat *chat = panel->chatFor(kept);
    // The user opens the conversation from the list.
    QListWidgetItem *item = panel->getChatSession(chat)->item;
    QListWidget *list = item->listWidget();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    QTRY_VERIFY(chat->isVisible());
    auto *title = chat->findChild<QLabel *>(QStringLiteral("lblTitle"));
    QVERIFY(title);
    QVERIFY(cleanText(title->text()));
    QVERIFY(title->text().size() <= PeerText::NumberLength + PeerText::NameLength + 3);
    for (QLabel *label : chat->findChildren<QLabel *>())
        QVERIFY2(cleanText(label->text()), qPrintable(label->objectName()));
    QTest::qWait(0);
    QCOMPARE(w.size(), before);
    QVERIFY(w.minimumSize().width() <= before.width());
}

DESKLINE_TEST_MAIN(TestSessionPeerText)
#include "tst_session_peertext.moc"
