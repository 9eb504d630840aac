// Notification balloons: their payloads, the buttons each type offers per
// mode, where they stack, how they slide out, and what they report.
#include "desklineresources.h"
#include "testmain.h"
#include "widgets/balloonboard.h"
#include "widgets/wdgballoonmessage.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>

using namespace Balloon;

class TestBalloon : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void payloadKeysAndClones();
    void buttons_data();
    void buttons();
    void deskPhoneAddsCallButtons_data();
    void deskPhoneAddsCallButtons();
    void autoHide_data();
    void autoHide();
    void geometryAndStacking();
    void newBalloonTakesTheLowestFreeSlot();
    void sameKeyUpdatesTheOpenBalloon();
    void lineBalloonsHideTogether();
    void buttonsSendThePayload();
    void answerTwiceSendsOnce();
    void closingIsSentOnceAndTheBalloonDeletesItself();
    void hideInterruptingAShow();
    void callerTextIsPlain();
    void updateWithOtherTypeChangesNothing();

private:
    static QStringList shownButtons(wdgBalloonMessage &b);
    static void finishAnimations(wdgBalloonMessage *b);
};

void TestBalloon::initTestCase()
{
    initDesklineResources();
    Balloon::registerMetaTypes();
}

QStringList TestBalloon::shownButtons(wdgBalloonMessage &b)
{
    QStringList names;
    for (const char *name : {"btnStartCall", "btnHangupCall", "btnTransferCall", "btnAccept", "btnIgnore"}) {
        auto *button = b.findChild<QPushButton *>(name);
        if (!button->isHidden() && button->isEnabled())
            names << name;
    }
    return names;
}

void TestBalloon::finishAnimations(wdgBalloonMessage *b)
{
    for (QPropertyAnimation *a : {b->showAnimation(), b->hideAnimation()})
        if (a->state() != QAbstractAnimation::Stopped)
            a->setCurrentTime(a->duration());
}

void TestBalloon::payloadKeysAndClones()
{
    const IncomingCallBaloonInfo in(IncomingCallBalloon, 7, "0212", "Mario", "Coda:", "Vendite");
    const IncomingCallBaloonInfo none(ClickToCallBalloon, -1, "", "");
    const OutgoingCallBaloonInfo out(CopyToCallBalloon, "0612345");
    const UpdatesBaloonInfo update("2.4.1");
    QCOMPARE(in.key(), QStringLiteral("7"));
    QCOMPARE(none.key(), QStringLiteral("-1"));
    QCOMPARE(out.key(), QStringLiteral("0612345"));
    QCOMPARE(update.key(), QString());
    QVERIFY(keyOf(in) != keyOf(IncomingCallBaloonInfo(ClickToCallBalloon, 7, "", "")));

    std::unique_ptr<BalloonInfo> copy(in.clone());
    const auto *c = dynamic_cast<IncomingCallBaloonInfo *>(copy.get());
    QVERIFY(c);
    QCOMPARE(c->type, IncomingCallBalloon);
    QCOMPARE(c->lineId, qint64(7));
    QCOMPARE(c->num2call, QStringLiteral("0212"));
    QCOMPARE(c->callerName, QStringLiteral("Mario"));
    QCOMPARE(c->additionalLabel, QStringLiteral("Coda:"));
    QCOMPARE(c->additionalInfo, QStringLiteral("Vendite"));
    std::unique_ptr<BalloonInfo> u(update.clone());
    QCOMPARE(dynamic_cast<UpdatesBaloonInfo *>(u.get())->version, QStringLiteral("2.4.1"));

    // The key travels by name between balloon and window.
    QVERIFY(QMetaType::type("Balloon::KeyPair") != QMetaType::UnknownType);
}

void TestBalloon::buttons_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("shown");
    const QStringList incomingSoft{"btnStartCall", "btnHangupCall", "btnTransferCall"};
    for (int mode : {0, 1, 2}) {
        const bool soft = mode == 2;
        QTest::addRow("incoming, mode %d", mode) << 0 << mode << (soft ? incomingSoft : QStringList{"btnHangupCall"});
        QTest::addRow("click-to-call, mode %d", mode)
            << 3 << mode << (soft ? QStringList{"btnStartCall", "btnHangupCall"} : QStringList{"btnHangupCall"});
        QTest::addRow("booked extension free, mode %d", mode) << 1 << mode << QStringList{"btnStartCall", "btnIgnore"};
        QTest::addRow("copied number, mode %d", mode) << 2 << mode << QStringList{"btnStartCall", "btnIgnore"};
        QTest::addRow("update, mode %d", mode) << 5 << mode << QStringList{"btnAccept", "btnIgnore"};
        QTest::addRow("unknown type, mode %d", mode) << 4 << mode << QStringList{"btnIgnore"};
    }
}

namespace
{
std::unique_ptr<BalloonInfo> payloadOf(int type)
{
    switch (type) {
    case 0:
    case 3:
        return std::make_unique<IncomingCallBaloonInfo>(BalloonType(type), 4, "0612", "Anna");
    case 1:
    case 2:
        return std::make_unique<OutgoingCallBaloonInfo>(BalloonType(type), "0612");
    default:
        return std::make_unique<UpdatesBaloonInfo>("9.9", BalloonType(type));
    }
}
} // namespace

void TestBalloon::buttons()
{
    QFETCH(int, type);
    QFETCH(int, mode);
    QFETCH(QStringList, shown);
    wdgBalloonMessage b(MSETTINGS::AppMode(mode), *payloadOf(type));
    QCOMPARE(shownButtons(b), shown);
}

void TestBalloon::deskPhoneAddsCallButtons_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("incoming") << 0 << QStringList{"btnStartCall", "btnHangupCall", "btnTransferCall"};
    QTest::newRow("click-to-call") << 3 << QStringList{"btnStartCall", "btnHangupCall"};
    QTest::newRow("copied number") << 2 << QStringList{"btnStartCall", "btnIgnore"};
    // Nothing would answer a call button on an update notice.
    QTest::newRow("update") << 5 << QStringList{"btnAccept", "btnIgnore"};
}

void TestBalloon::deskPhoneAddsCallButtons()
{
    QFETCH(int, type);
    QFETCH(QStringList, shown);
    wdgBalloonMessage b(MSETTINGS::AppModeDeskPhone, *payloadOf(type));
    b.enablePhoneApi(true);
    QCOMPARE(shownButtons(b), shown);
}

void TestBalloon::autoHide_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("interval"); // 0: stays until hidden
    QTest::newRow("incoming") << 0 << 0;
    QTest::newRow("booked extension free") << 1 << 8000;
    QTest::newRow("copied number") << 2 << 8000;
    QTest::newRow("click-to-call") << 3 << 0;
    QTest::newRow("update") << 5 << 60000;
}

void TestBalloon::autoHide()
{
    QFETCH(int, type);
    QFETCH(int, interval);
    auto *b = new wdgBalloonMessage(MSETTINGS::AppModeSoftphone, *payloadOf(type));
    QPointer<wdgBalloonMessage> guard(b);
    QSignalSpy closing(b, &wdgBalloonMessage::sigBaloonMsgClosing);
    b->startShowAnimation(-1);
    QCOMPARE(b->hideTimer()->isActive(), interval > 0);
    if (interval == 0) {
        delete b;
        return;
    }
    QCOMPARE(b->hideTimer()->interval(), interval);
    QVERIFY(b->hideTimer()->isSingleShot());
    finishAnimations(b);
    QMetaObject::invokeMethod(b->hideTimer(), "timeout");
    QCOMPARE(closing.count(), 1);
    QCOMPARE(b->hideAnimation()->state(), QAbstractAnimation::Running);
    finishAnimations(b);
    QTRY_VERIFY(guard.isNull());
}

void TestBalloon::geometryAndStacking()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    BalloonBoard board;
    QList<wdgBalloonMessage *> shown;
    for (int line = 1; line <= 3; ++line) {
        wdgBalloonMessage *b =
            board.openBalloon("Chiamata", IncomingCallBaloonInfo(IncomingCallBalloon, line, "0612", "Anna"),
                              MSETTINGS::AppModeSoftphone, false);
        QVERIFY(b);
        finishAnimations(b);
        shown << b;
    }
    for (int i = 0; i < shown.size(); ++i) {
        const QRect g = shown[i]->geometry();
        QCOMPARE(g.size(), QSize(210, 100));
        QCOMPARE(g.right(), area.right() - 5);
        QCOMPARE(g.bottom(), area.bottom() - 5 - i * 105);
        QVERIFY(shown[i]->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(shown[i]->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(shown[i]->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(shown[i]->testAttribute(Qt::WA_ShowWithoutActivating));
    }
    QCOMPARE(board.balloonsMap().size(), 3);
}

void TestBalloon::newBalloonTakesTheLowestFreeSlot()
{
    BalloonBoard board;
    const auto open = [&board](qint64 line) {
        wdgBalloonMessage *b =
            board.openBalloon("Chiamata", IncomingCallBaloonInfo(IncomingCallBalloon, line, "0612", "Anna"),
                              MSETTINGS::AppModeSoftphone, false);
        finishAnimations(b);
        return b;
    };
    wdgBalloonMessage *first = open(1);
    QPointer<wdgBalloonMessage> second = open(2);
    wdgBalloonMessage *third = open(3);
    const QRect secondPlace = second->geometry();

    // The middle one leaves: its key goes at once, its place once it is gone.
    QVERIFY(board.hideBalloon(KeyPair(IncomingCallBalloon, "2")));
    QCOMPARE(board.balloonsMap().size(), 2);
    wdgBalloonMessage *whileLeaving = open(4);
    QCOMPARE(whileLeaving->geometry().bottom(), third->geometry().bottom() - 105);
    finishAnimations(second);
    QTRY_VERIFY(second.isNull());

    // Counting the open balloons would put the next one on top of the fourth.
    wdgBalloonMessage *fifth = open(5);
    QCOMPARE(fifth->geometry(), secondPlace);
    for (wdgBalloonMessage *b : {first, third, whileLeaving, fifth})
        QVERIFY(!b->geometry().intersects(fifth == b ? QRect() : fifth->geometry()));
    QCOMPARE(board.occupiedSlots().size(), 4);
}

void TestBalloon::sameKeyUpdatesTheOpenBalloon()
{
    BalloonBoard board;
    wdgBalloonMessage *b = board.openBalloon("Nuova versione disponibile: 2.0", UpdatesBaloonInfo("2.0"),
                                             MSETTINGS::AppModeCtiOnly, false);
    QVERIFY(b);
    QVERIFY(!board.openBalloon("Nuova versione disponibile: 2.1", UpdatesBaloonInfo("2.1"), MSETTINGS::AppModeCtiOnly,
                               false));
    QCOMPARE(board.balloonsMap().size(), 1);
    QCOMPARE(b->message(), QStringLiteral("Nuova versione disponibile: 2.0"));
    QSignalSpy upgrade(b, &wdgBalloonMessage::sigStartUpgrade);
    finishAnimations(b);
    QTest::mouseClick(b->findChild<QPushButton *>("btnAccept"), Qt::LeftButton);
    QCOMPARE(upgrade.count(), 1);
    QCOMPARE(upgrade.at(0).at(0).toString(), QStringLiteral("2.1"));
    // The key is released as the balloon starts leaving; an unknown key changes nothing.
    QVERIFY(board.balloonsMap().isEmpty());
    board.onBaloonMsgClosing(KeyPair(UpdateBalloon, "x"));
    QVERIFY(board.balloonsMap().isEmpty());
}

void TestBalloon::lineBalloonsHideTogether()
{
    BalloonBoard board;
    for (BalloonType type : {IncomingCallBalloon, ClickToCallBalloon})
        for (qint64 line : {7, 8})
            finishAnimations(board.openBalloon("Chiamata", IncomingCallBaloonInfo(type, line, "0612", "Anna"),
                                               MSETTINGS::AppModeSoftphone, false));
    QCOMPARE(board.balloonsMap().size(), 4);
    board.hideLineBalloons(7);
    QCOMPARE(board.balloonsMap().keys(),
             (QList<KeyPair>{KeyPair(IncomingCallBalloon, "8"), KeyPair(ClickToCallBalloon, "8")}));
    board.hideLineBalloons(99);
    QCOMPARE(board.balloonsMap().size(), 2);
}

void TestBalloon::buttonsSendThePayload()
{
    BalloonBoard board;
    wdgBalloonMessage *b =
        board.openBalloon("Chiamata da Anna", IncomingCallBaloonInfo(IncomingCallBalloon, 12, "0612", "Anna"),
                          MSETTINGS::AppModeSoftphone, false);
    QSignalSpy transfer(b, &wdgBalloonMessage::sigTransferIncomingCall);
    QSignalSpy closing(b, &wdgBalloonMessage::sigBaloonMsgClosing);
    finishAnimations(b);
    QTest::mouseClick(b->findChild<QPushButton *>("btnTransferCall"), Qt::LeftButton);
    QCOMPARE(transfer.count(), 1);
    QCOMPARE(transfer.at(0).at(0).toLongLong(), 12LL);
    QCOMPARE(transfer.at(0).at(1).toString(), QStringLiteral("0612"));
    QCOMPARE(closing.count(), 1);
    QCOMPARE(closing.at(0).at(0).value<KeyPair>(), KeyPair(IncomingCallBalloon, "12"));

    wdgBalloonMessage *call = board.openBalloon("Copiato", OutgoingCallBaloonInfo(CopyToCallBalloon, "0698"),
                                                MSETTINGS::AppModeCtiOnly, false);
    QSignalSpy start(call, &wdgBalloonMessage::sigStartAudioCallSelected);
    finishAnimations(call);
    QTest::mouseClick(call->findChild<QPushButton *>("btnStartCall"), Qt::LeftButton);
    QCOMPARE(start.count(), 1);
    QCOMPARE(start.at(0).at(0).toString(), QStringLiteral("0698"));
}

void TestBalloon::answerTwiceSendsOnce()
{
    wdgBalloonMessage b(MSETTINGS::AppModeSoftphone, IncomingCallBaloonInfo(IncomingCallBalloon, 3, "0612", "Anna"));
    QSignalSpy answer(&b, &wdgBalloonMessage::sigAnswerAudioCallSelected);
    QSignalSpy refuse(&b, &wdgBalloonMessage::sigRefuseCallSelected);
    b.startShowAnimation();
    finishAnimations(&b);
    auto *button = b.findChild<QPushButton *>("btnStartCall");
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(answer.count(), 1);
    QCOMPARE(refuse.count(), 0);
}

void TestBalloon::closingIsSentOnceAndTheBalloonDeletesItself()
{
    auto *b = new wdgBalloonMessage(MSETTINGS::AppModeSoftphone, OutgoingCallBaloonInfo(ExtenAvailableBalloon, "201"));
    QPointer<wdgBalloonMessage> guard(b);
    QSignalSpy closing(b, &wdgBalloonMessage::sigBaloonMsgClosing);
    b->startHideAnimation(); // hidden: nothing to do
    QCOMPARE(closing.count(), 0);
    b->startShowAnimation();
    finishAnimations(b);
    QTest::mouseClick(b->findChild<QPushButton *>("btnIgnore"), Qt::LeftButton);
    b->startHideAnimation();
    QMetaObject::invokeMethod(b->hideTimer(), "timeout");
    QCOMPARE(closing.count(), 1);
    QCOMPARE(closing.at(0).at(0).value<KeyPair>(), KeyPair(ExtenAvailableBalloon, "201"));
    finishAnimations(b);
    QVERIFY(b->isHidden());
    QTRY_VERIFY(guard.isNull());
}

void TestBalloon::hideInterruptingAShow()
{
    wdgBalloonMessage b(MSETTINGS::AppModeSoftphone, IncomingCallBaloonInfo(IncomingCallBalloon, 3, "0612", "Anna"));
    const QRect offScreen = b.geometry();
    b.startShowAnimation();
    b.showAnimation()->pause();
    b.showAnimation()->setCurrentTime(200);
    const QRect reached = b.geometry();
    QVERIFY(reached.left() < offScreen.left());
    b.startHideAnimation();
    QCOMPARE(b.hideAnimation()->duration(), 200);
    QCOMPARE(b.hideAnimation()->startValue().toRect(), reached);
    QCOMPARE(b.hideAnimation()->endValue().toRect(), offScreen);
    QCOMPARE(b.showAnimation()->state(), QAbstractAnimation::Stopped);
    // A full show slides out in the full time.
    wdgBalloonMessage full(MSETTINGS::AppModeSoftphone, UpdatesBaloonInfo("1"));
    full.startShowAnimation();
    finishAnimations(&full);
    full.startHideAnimation();
    QCOMPARE(full.hideAnimation()->duration(), 500);
}

void TestBalloon::callerTextIsPlain()
{
    wdgBalloonMessage b(MSETTINGS::AppModeSoftphone, IncomingCallBaloonInfo(IncomingCallBalloon, 3, "0612", "x"));
    const QString hostile = QStringLiteral("<img src=\"http://127.0.0.1/x.png\"><b>Mario</b>");
    b.setMessage(hostile);
    b.updateBalloonInfo(IncomingCallBaloonInfo(IncomingCallBalloon, 3, "0612", "x", "Coda:", "<i>Vendite</i>"));
    for (const char *name : {"lblMsg", "lblAdditionalInfo"})
        QCOMPARE(b.findChild<QLabel *>(name)->textFormat(), Qt::PlainText);
    QCOMPARE(b.findChild<QLabel *>("lblAdditionalInfo")->text(), QStringLiteral("Coda: <i>Vendite</i>"));
    QVERIFY(!b.findChild<QLabel *>("lblAdditionalInfo")->isHidden());
}

void TestBalloon::updateWithOtherTypeChangesNothing()
{
    wdgBalloonMessage b(MSETTINGS::AppModeSoftphone, IncomingCallBaloonInfo(IncomingCallBalloon, 3, "0612", "x"));
    auto *extra = b.findChild<QLabel *>("lblAdditionalInfo");
    b.updateBalloonInfo(IncomingCallBaloonInfo(ClickToCallBalloon, 3, "0612", "x", "Coda:", "Vendite"));
    QCOMPARE(extra->text(), QString());
    b.updateBalloonInfo(IncomingCallBaloonInfo(IncomingCallBalloon, 3, "0612", "x", "", "Vendite"));
    QCOMPARE(extra->text(), QStringLiteral("Vendite"));
    b.updateBalloonInfo(IncomingCallBaloonInfo(IncomingCallBalloon, 3, "0612", "x", "", ""));
    QVERIFY(extra->isHidden());
}

DESKLINE_TEST_MAIN(TestBalloon)
#include "tst_balloon.moc"
