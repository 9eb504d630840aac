// What the call lines show and send once the window has wired them, seen in
// a main window logged in to the simulated PBX: the call timer and the
// microphone level of softphone lines (also on hold), the queue of a queue
// call on the ringing line, the balloon and the answered line, the pause on
// a queue call (and the user's own pause kept), forwarding to the mobile
// from the line, the phone book's company and unit of a caller, the held
// line following the connected party, the headset's answer key and the
// booked line's look.
#include "ctijson.h"
#include "directory/bookedcalls.h"
#include "directory/customtreeview.h"
#include "directory/directoryactions.h"
#include "directory/directorypanel.h"
#include "directory/directoryroles.h"
#include "directory/mctiextendetails.h"
#include "phone/mpengine.h"
#include "phone/phoneapi.h"
#include "phonewindow.h"
#include "queues/mspmainwidget.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "widgets/customitemdelegate.h"
#include "widgets/guiutils.h"
#include "widgets/wdgbookedline.h"
#include "widgets/wdgonholdline.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>

using namespace sessiontest;

namespace
{
QLabel *labelOf(QWidget *w, const char *name)
{
    return testsupport::child<QLabel>(*w, QLatin1String(name));
}

// The seconds a "hh:mm:ss" timer shows; -1 for anything else.
int secondsShown(const QLabel *timer)
{
    const QTime t = QTime::fromString(timer->text(), QStringLiteral("hh:mm:ss"));
    return t.isValid() ? QTime(0, 0).secsTo(t) : -1;
}

// The pause requests that reached the PBX, as "pause" or "resume".
QStringList pauseRequests(const QString &trace)
{
    QStringList found;
    for (const QJsonObject &o : traced(trace, QStringLiteral("pauseQueues")))
        found << (o.value(QStringLiteral("pause")).toBool() ? QStringLiteral("pause") : QStringLiteral("resume"));
    return found;
}

// The URLs the automatic actions opened.
QStringList openedUrls(const ScriptedPrompts &prompts)
{
    QStringList urls;
    for (const QUrl &u : prompts.urls)
        urls << u.toString();
    return urls;
}
} // namespace

class TestSessionCallWiring : public QObject
{
    Q_OBJECT
private slots:
    void softphoneLineShowsTimerAndMicrophone();
    void queueCallShowsItsQueue_data();
    void queueCallShowsItsQueue();
    void queueCallPausesTheQueues();
    void ownPauseOutlivesAQueueCall();
    void lineForwardsToTheMobile_data();
    void lineForwardsToTheMobile();
    void phoneBookCallerBringsCompanyAndUnit();
    void heldLineFollowsTheConnectedParty();
    void headsetAnswersTheRingingLine();
    void bookedLineIsBlue();
    void directoryRowsHaveTheSharedLook();
    void supervisorPeriodsFollowTheOneRule();
};

void TestSessionCallWiring::softphoneLineShowsTimerAndMicrophone()
{
    PhoneWindow p;
    QVERIFY(p.start(2));
    QSignalSpy levels(p.w->phoneBackends()->engine(), &MPEngine::sigOutgoingPeakLevel);
    const qint64 line = p.answeredCall(QStringLiteral("00612345678"));
    QVERIFY(line != -1);
    wdgActiveLine *active = p.calls()->activeLines().value(line);
    QLabel *timer = labelOf(active, "lblCallTimer");

    // The timer counts the call's seconds.
    QTRY_VERIFY_WITH_TIMEOUT(secondsShown(timer) >= 0, 10000);
    const int first = secondsShown(timer);
    QTRY_VERIFY_WITH_TIMEOUT(secondsShown(timer) >= first + 2, 15000);
    // The microphone level shows beside the caller, asked of the engine.
    auto *bar = testsupport::child<QProgressBar>(*active, QStringLiteral("barPeakLevel"));
    QVERIFY(bar->isVisibleTo(active));
    QTRY_VERIFY_WITH_TIMEOUT(!levels.isEmpty(), 10000);
    QCOMPARE(levels.first().at(0).toInt(), int(line));

    // On hold the held line's timer goes on counting.
    p.key("F5");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->heldLines().contains(line), 10000);
    QLabel *heldTimer = labelOf(p.calls()->heldLines().value(line), "lblCallTimer");
    QTRY_VERIFY_WITH_TIMEOUT(secondsShown(heldTimer) >= 0, 10000);
    const int held = secondsShown(heldTimer);
    QVERIFY(held >= first + 2);
    QTRY_VERIFY_WITH_TIMEOUT(secondsShown(heldTimer) >= held + 2, 15000);

    // Retrieved, the line's own timer carries on from there.
    p.key("Ctrl+F5");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->heldLines().isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(secondsShown(timer) >= held + 2, 10000);
    p.key("End");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->activeLines().isEmpty(), 10000);
}

void TestSessionCallWiring::queueCallShowsItsQueue_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("CTI only") << 0;
    QTest::newRow("desk phone") << 1;
    QTest::newRow("softphone") << 2;
}

void TestSessionCallWiring::queueCallShowsItsQueue()
{
    QFETCH(int, mode);
    PhoneWindow p;
    if (mode == 0) {
        p.trace = p.f.dir.filePath(QStringLiteral("trace.jsonl"));
        MctiConfig c = p.f.config();
        c.account.set(QStringLiteral("201"));
        p.w.reset(new MPGui(c));
        QVERIFY(startAndLogin(*p.w));
    } else {
        QVERIFY(p.start(mode));
    }
    MctiActionMap actions;
    MctiActions::insert(actions, MctiActions::make(MctiAction::AnsweredCall, MctiAction::OpenUrl,
                                                   QStringLiteral("https://crm.local/q?name=<queueName>")));
    p.w->store()->setActions(actions);
    // The supervisor panel knows the queues by name once the session is up.
    QTRY_VERIFY_WITH_TIMEOUT(p.w->resolveQueueName(QStringLiteral("600")) == QLatin1String("Supporto"), 10000);

    QVERIFY(!p.f.sim->injectIncomingCall(QStringLiteral("00612345678"), QStringLiteral("201"), QStringLiteral("600"))
                 .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(p.calls()->ringingLines().size(), 1, 10000);
    const qint64 line = p.calls()->ringingLines().firstKey();
    QWidget *ringing = p.calls()->ringingLines().value(line);
    QTRY_COMPARE(labelOf(ringing, "lblQueueInfo")->text(), QStringLiteral("Supporto"));
    QVERIFY(labelOf(ringing, "lblQueueText")->isVisibleTo(ringing));
    QCOMPARE(labelOf(ringing, "lblQueueText")->text().trimmed(), QStringLiteral("Coda:"));
    QTRY_VERIFY(p.calls()->balloon(Balloon::IncomingCallBalloon, line));
    wdgBalloonMessage *balloon = p.calls()->balloon(Balloon::IncomingCallBalloon, line);
    QTRY_COMPARE(labelOf(balloon, "lblAdditionalInfo")->text(), QStringLiteral("Coda: Supporto"));
    QVERIFY(labelOf(balloon, "lblAdditionalInfo")->isVisibleTo(balloon));

    // Answered, the line keeps showing the queue.
    if (mode == 0)
        QVERIFY(p.f.sim->answerRinging(QStringLiteral("201")));
    else
        QTest::mouseClick(testsupport::child<QAbstractButton>(
                              *static_cast<QWidget *>(mode == 2 ? static_cast<QWidget *>(balloon) : ringing),
                              mode == 2 ? QStringLiteral("btnStartCall") : QStringLiteral("btnAnswerCall")),
                          Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(
        p.calls()->activeLines().value(line) && p.calls()->activeLines().value(line)->getCallStatus() == 1, 10000);
    wdgActiveLine *active = p.calls()->activeLines().value(line);
    QCOMPARE(labelOf(active, "lblQueueInfo")->text(), QStringLiteral("Supporto"));
    QVERIFY(labelOf(active, "lblQueueText")->isVisibleTo(active));
    QCOMPARE(p.calls()->callRecords().value(line).queueName, QStringLiteral("Supporto"));
    QTRY_VERIFY(openedUrls(p.prompts).contains(QStringLiteral("https://crm.local/q?name=Supporto")));
}

void TestSessionCallWiring::queueCallPausesTheQueues()
{
    PhoneWindow p;
    p.f.writeCtiSettings({{QStringLiteral("PauseOnIncomingCall"), 1}});
    QVERIFY(p.start(1));
    QTRY_VERIFY_WITH_TIMEOUT(p.w->store()->isPauseOnInQueueCallRequired(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(p.w->resolveQueueName(QStringLiteral("600")) == QLatin1String("Supporto"), 10000);
    QLabel *status = widgetOf<QLabel>(*p.w, QStringLiteral("lblQueueStatus"));
    QTRY_VERIFY(status->text().startsWith(QStringLiteral("Stato Code: ATTIVE")));

    // A queue call answered pauses the user in every queue ...
    QVERIFY(!p.f.sim->injectIncomingCall(QStringLiteral("00612345678"), QStringLiteral("201"), QStringLiteral("600"))
                 .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(p.calls()->ringingLines().size(), 1, 10000);
    const qint64 line = p.calls()->ringingLines().firstKey();
    testsupport::clickButton(*p.calls()->ringingLines().value(line), QStringLiteral("btnAnswerCall"));
    QTRY_COMPARE_WITH_TIMEOUT(pauseRequests(p.trace), QStringList{QStringLiteral("pause")}, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith(QStringLiteral("Stato Code: IN PAUSA")), 10000);

    // ... and its end takes the pause back.
    p.key("End");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->activeLines().isEmpty(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(pauseRequests(p.trace), (QStringList{QStringLiteral("pause"), QStringLiteral("resume")}),
                              10000);
    QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith(QStringLiteral("Stato Code: ATTIVE")), 10000);

    // A call that came through no queue pauses nothing.
    QVERIFY(p.answeredCall(QStringLiteral("00698765432")) != -1);
    p.key("End");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->activeLines().isEmpty(), 10000);
    QCOMPARE(pauseRequests(p.trace).size(), 2);
}

void TestSessionCallWiring::ownPauseOutlivesAQueueCall()
{
    PhoneWindow p;
    p.f.writeCtiSettings({{QStringLiteral("PauseOnIncomingCall"), 1}});
    QVERIFY(p.start(1));
    QTRY_VERIFY_WITH_TIMEOUT(p.w->store()->isPauseOnInQueueCallRequired(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(p.w->resolveQueueName(QStringLiteral("600")) == QLatin1String("Supporto"), 10000);
    QLabel *status = widgetOf<QLabel>(*p.w, QStringLiteral("lblQueueStatus"));
    QTRY_VERIFY(status->text().startsWith(QStringLiteral("Stato Code: ATTIVE")));

    // The user pauses by hand.
    auto *pauseAll = widgetOf<QAbstractButton>(*p.w, QStringLiteral("btnPauseAll"));
    QTRY_VERIFY(pauseAll->isEnabled());
    QTest::mouseClick(pauseAll, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith(QStringLiteral("Stato Code: IN PAUSA")), 10000);
    QCOMPARE(pauseRequests(p.trace), QStringList{QStringLiteral("pause")});

    // A queue call comes and goes: the pause is the user's and stays.
    QVERIFY(!p.f.sim->injectIncomingCall(QStringLiteral("00612345678"), QStringLiteral("201"), QStringLiteral("600"))
                 .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(p.calls()->ringingLines().size(), 1, 10000);
    const qint64 line = p.calls()->ringingLines().firstKey();
    testsupport::clickButton(*p.calls()->ringingLines().value(line), QStringLiteral("btnAnswerCall"));
    QTRY_VERIFY_WITH_TIMEOUT(
        p.calls()->activeLines().value(line) && p.calls()->activeLines().value(line)->getCallStatus() == 1, 10000);
    p.key("End");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->activeLines().isEmpty(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(p.f.sim->activeCallCount(), 0, 10000);
    QCOMPARE(pauseRequests(p.trace), QStringList{QStringLiteral("pause")});
    QVERIFY(status->text().startsWith(QStringLiteral("Stato Code: IN PAUSA")));
}

void TestSessionCallWiring::lineForwardsToTheMobile_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("desk phone") << 1;
    QTest::newRow("softphone") << 2;
}

void TestSessionCallWiring::lineForwardsToTheMobile()
{
    QFETCH(int, mode);
    PhoneWindow p;
    QVERIFY(p.start(mode));
    QSignalSpy digits(p.f.sim.get(), &PbxSimulator::sipDigitReceived);
    // The user's mobile number comes with the session.
    const qint64 line = p.answeredCall(QStringLiteral("00612345678"));
    QVERIFY(line != -1);
    wdgActiveLine *active = p.calls()->activeLines().value(line);
    auto *dualRing = testsupport::child<QAbstractButton>(*active, QStringLiteral("btnDualRing"));
    QVERIFY(dualRing->isVisibleTo(active));
    QVERIFY(dualRing->isEnabled());
    QCOMPARE(dualRing->toolTip(), QStringLiteral("Inoltra al cellulare"));

    QTest::mouseClick(dualRing, Qt::LeftButton);
    // The fast-transfer code "**" reaches the call.
    if (mode == 2) {
        QTRY_COMPARE_WITH_TIMEOUT(digits.count(), 2, 10000);
        QCOMPARE(digits.at(0).at(1).value<QChar>(), QChar('*'));
        QCOMPARE(digits.at(1).at(1).value<QChar>(), QChar('*'));
    } else {
        auto sent = [&p] {
            QString digits;
            for (const QJsonObject &o : traced(p.trace, QStringLiteral("phoneSendDtmf"))) {
                for (const QJsonValue &v : o.value(QStringLiteral("dtmfs")).toArray())
                    digits += v.toString();
            }
            return digits;
        };
        QTRY_COMPARE_WITH_TIMEOUT(sent(), QStringLiteral("**"), 10000);
    }
}

void TestSessionCallWiring::phoneBookCallerBringsCompanyAndUnit()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MctiConfig c = f.config();
    c.account.set(QStringLiteral("201"));
    MPGui w{c};
    QVERIFY(startAndLogin(w));
    MctiActionMap actions;
    for (MctiAction::MEvent event : {MctiAction::IncomingCall, MctiAction::AnsweredCall, MctiAction::FinishedCall})
        MctiActions::insert(actions,
                            MctiActions::make(event, MctiAction::OpenUrl,
                                              QStringLiteral("https://crm.local/%1?n=<callername>&c=<callercompany>&u="
                                                             "<callerunit>")
                                                  .arg(int(event))));
    w.store()->setActions(actions);
    // Mario Verdi of Acme S.p.A., in Acquisti, as the phone book has him.
    QTRY_VERIFY_WITH_TIMEOUT(w.resolveContactNumber(QStringLiteral("+39 02 1234567")), 10000);
    const auto contact = w.resolveContactNumber(QStringLiteral("+39 02 1234567"));
    QCOMPARE(contact->company, QStringLiteral("Acme S.p.A."));
    QCOMPARE(contact->department, QStringLiteral("Acquisti"));

    // He calls, through the outside-line prefix "0"; the user answers, he hangs up.
    CallLines *calls = w.callLines();
    QVERIFY(!f.sim->injectIncomingCall(QStringLiteral("00039021234567"), QStringLiteral("201")).isEmpty());
    QTRY_COMPARE(calls->ringingLines().size(), 1);
    QCOMPARE(calls->ringingLines().first()->getRemoteName(), QStringLiteral("Mario Verdi"));
    QVERIFY(f.sim->answerRinging(QStringLiteral("201")));
    QTRY_COMPARE(calls->activeLines().size(), 1);
    QCOMPARE(calls->activeLines().first()->getRemoteName(), QStringLiteral("Mario Verdi"));
    QCOMPARE(f.sim->hangup(QStringLiteral("201")), 1);
    QTRY_VERIFY(calls->activeLines().isEmpty());
    const QString query = QStringLiteral("?n=Mario Verdi&c=Acme S.p.A.&u=Acquisti");
    QTRY_COMPARE(prompts.urls.size(), 3);
    for (const QUrl &u : prompts.urls)
        QVERIFY2(u.toString(QUrl::FullyDecoded).endsWith(query), qPrintable(u.toString(QUrl::FullyDecoded)));
}

void TestSessionCallWiring::heldLineFollowsTheConnectedParty()
{
    PhoneWindow p;
    QVERIFY(p.start(1));
    const qint64 line = p.answeredCall(QStringLiteral("00612345678"));
    QVERIFY(line != -1);
    p.key("F5");
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->heldLines().contains(line), 10000);
    wdgOnHoldLine *held = p.calls()->heldLines().value(line);
    QCOMPARE(held->getRemoteNum(), QStringLiteral("00612345678"));

    // While held, the caller hands the call on to Anna Neri (Studio Verdi):
    // the held line shows her, and the desk phone's driver knows the line
    // by her number.
    QVERIFY(p.w->resolveContactNumber(QStringLiteral("+39 06 7654321")));
    // Her number as the PBX presents it: its outside-line prefix "0" first.
    QCOMPARE(p.f.sim->transferParty(QStringLiteral("00612345678"), QStringLiteral("00039067654321")), 1);
    QTRY_COMPARE_WITH_TIMEOUT(held->getRemoteNum(), QStringLiteral("00039067654321"), 10000);
    QCOMPARE(held->getRemoteName(), QStringLiteral("Anna Neri"));
    QCOMPARE(labelOf(held, "lblSpeaker")->text(), QStringLiteral("Anna Neri"));
    QCOMPARE(p.calls()->activeLines().value(line)->getRemoteName(), QStringLiteral("Anna Neri"));
    QCOMPARE(p.w->phoneBackends()->deskPhone()->getLineIdFromCaller(QStringLiteral("00039067654321")), line);
}

void TestSessionCallWiring::headsetAnswersTheRingingLine()
{
    PhoneWindow p;
    QVERIFY(p.start(2));
    QVERIFY(!p.f.sim->injectIncomingCall(QStringLiteral("00612345678"), QStringLiteral("201")).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(p.calls()->ringingLines().size(), 1, 10000);
    const qint64 line = p.calls()->ringingLines().firstKey();
    // The headset's answer key names the ringing line.
    emit p.w->phoneBackends()->engine()->sigPlantronicsAnswerRequest(line);
    QTRY_VERIFY_WITH_TIMEOUT(
        p.calls()->activeLines().value(line) && p.calls()->activeLines().value(line)->getCallStatus() == 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(p.calls()->ringingLines().isEmpty(), 10000);
    QCOMPARE(p.f.sim->activeCallCount(), 1);
}

void TestSessionCallWiring::bookedLineIsBlue()
{
    PhoneWindow p;
    QVERIFY(p.start(1));
    // 203 is busy: the user books a call to it from the extensions' menu.
    auto *extensions = widgetOf<CustomTreeView>(*p.w, QStringLiteral("tvExtensions"));
    QModelIndex row;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (int r = 0; r < extensions->model()->rowCount(); ++r) {
                const QModelIndex i = extensions->model()->index(r, 0);
                if (i.data(DirRole::Extension).toString() == QLatin1String("203"))
                    row = i;
            }
            return row.isValid();
        }(),
        10000);
    p.f.sim->setBlf(QStringLiteral("203"), 2);
    QTRY_COMPARE(p.w->directoryPanel()->extensions().value(QStringLiteral("203")).blfState, 2);
    extensions->setCurrentIndex(row);
    emit extensions->customContextMenuRequested(extensions->visualRect(row).center());
    QMenu *menu = p.w->directoryActions()->lastMenu(extensions);
    QVERIFY(menu);
    QAction *book = nullptr;
    for (QAction *a : menu->actions()) {
        if (a->objectName() == QLatin1String("ctxBook"))
            book = a;
    }
    QVERIFY(book && book->isEnabled());
    book->trigger();

    wdgBookedLine *line = p.w->directoryActions()->bookings()->lineOf(QStringLiteral("203"));
    QVERIFY(line);
    p.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.w.get()));
    p.calls()->lineStack()->setCurrentWidget(line);
    QTRY_VERIFY(line->isVisible());
    // The form's own look: blue, away from its labels and buttons.
    const QImage shot = line->grab().toImage();
    QCOMPARE(QColor(shot.pixel(shot.width() / 2, 2)), QColor(0x55, 0xaa, 0xff));
    QCOMPARE(QColor(shot.pixel(shot.width() - 2, shot.height() / 2)), QColor(0x55, 0xaa, 0xff));
}

// The directory lists paint with the shared row painter: its hover colour,
// and no fill of their own for the selected or focused row.
void TestSessionCallWiring::directoryRowsHaveTheSharedLook()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    for (const char *name : {"tvFavourites", "tvExtensions", "tvContacts", "tvCdr"}) {
        auto *view = widgetOf<CustomTreeView>(w, QLatin1String(name));
        auto *delegate = qobject_cast<CustomItemDelegate *>(view->itemDelegate());
        QVERIFY2(delegate, name);
        QCOMPARE(delegate->hoverColor(), QColor(214, 237, 250));
        QVERIFY(!delegate->isSelectionPainted());
    }
    auto *extensions = widgetOf<CustomTreeView>(w, QStringLiteral("tvExtensions"));
    QTRY_VERIFY_WITH_TIMEOUT(extensions->model()->rowCount() > 0, 10000);
    // A row's empty cell as the view paints it: selected and focused it
    // stays white, under the mouse it takes the hover colour.
    const QModelIndex cell = extensions->model()->index(0, extensions->model()->columnCount() - 1);
    auto paintedAs = [&](QStyle::State state) {
        QStyleOptionViewItem option;
        option.initFrom(extensions);
        option.widget = extensions;
        option.rect = QRect(0, 0, 200, 24);
        option.state = QStyle::State_Enabled | state;
        QImage image(200, 24, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        extensions->itemDelegate()->paint(&painter, option, cell);
        painter.end();
        return QColor(image.pixel(199, 1));
    };
    QCOMPARE(paintedAs(QStyle::State_Selected | QStyle::State_HasFocus), QColor(Qt::white));
    QCOMPARE(paintedAs(QStyle::State_MouseOver), QColor(214, 237, 250));
}

// The supervisor panel asks the PBX for the same periods as the rest of the
// program: the last 30 days start 29 days before today, yesterday ends at its
// last millisecond.
void TestSessionCallWiring::supervisorPeriodsFollowTheOneRule()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    MspMainWidget *panel = w.supervisorPanelWidget();
    QVERIFY(panel);
    auto *progress = panel->findChild<QLabel *>(QStringLiteral("lblLoadingProgress"));
    QTRY_COMPARE_WITH_TIMEOUT(progress->text(), QStringLiteral("OK"), 10000);
    auto *combo = panel->findChild<QComboBox *>(QStringLiteral("cbTimeRange"));
    QSignalSpy commands(f.sim.get(), &PbxSimulator::commandReceived);
    auto askedFor = [&commands](int type) {
        QJsonObject found;
        for (const QList<QVariant> &c : qAsConst(commands)) {
            if (c.at(1).toString() == QLatin1String("getQueuePeriodicStats") &&
                c.at(2).toJsonObject().value(QStringLiteral("period")).toInt() == type)
                found = c.at(2).toJsonObject();
        }
        return found;
    };
    for (int type : {int(CTILIB::PeriodLast30Days), int(CTILIB::PeriodYesterday)}) {
        commands.clear();
        const QDate before = QDate::currentDate();
        combo->setCurrentIndex(combo->findData(type));
        QTRY_VERIFY_WITH_TIMEOUT(!askedFor(type).isEmpty(), 10000);
        const QDate after = QDate::currentDate();
        const QJsonObject asked = askedFor(type);
        // Either day, should the test run across midnight.
        QDateTime from, to;
        bool matched = false;
        for (const QDate &day : {before, after}) {
            const QDateTime now(day, QTime(12, 0));
            QVERIFY(GuiUtils::datesFromPeriod(CTILIB::PeriodType(type), &from, &to, now));
            if (type == CTILIB::PeriodLast30Days) {
                QCOMPARE(from.date(), day.addDays(-29));
                matched = matched || asked.value(QStringLiteral("from")) == CtiJson::dateTimeToJson(from);
            } else {
                QCOMPARE(to, QDateTime(day, QTime(0, 0)).addMSecs(-1));
                matched = matched || (asked.value(QStringLiteral("from")) == CtiJson::dateTimeToJson(from) &&
                                      asked.value(QStringLiteral("to")) == CtiJson::dateTimeToJson(to));
            }
        }
        QVERIFY2(matched, qPrintable(QString::fromUtf8(QJsonDocument(asked).toJson(QJsonDocument::Compact))));
    }
}

DESKLINE_TEST_MAIN(TestSessionCallWiring)
#include "tst_session_callwiring.moc"
