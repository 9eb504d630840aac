// The call pipeline without a main window: a line stack, the settings store,
// a session, a directory fake and the window's answers, driven by the CTI
// server's reports and the pipeline steps.
#include "calls/calllines.h"
#include "ctilib.h"
#include "mainwindow/session/pbxsession.h"
#include "nullcallparts.h"
#include "phone/callphones.h"
#include "scriptedprompts.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "widgets/balloonboard.h"
#include "widgets/customlineedit.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgincomingcallline.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <memory>

namespace
{

class FakeDirectory : public CallDirectory
{
public:
    QSet<QString> extensions;
    QMap<QString, ContactDetails> contacts;
    bool isExtension(const QString &number) const override { return extensions.contains(number); }
    QSharedPointer<ContactDetails> resolveContactNumber(const QString &number) const override
    {
        if (!contacts.contains(number))
            return QSharedPointer<ContactDetails>();
        return QSharedPointer<ContactDetails>(new ContactDetails(contacts.value(number)));
    }
    int blfState(const QString &) const override { return -1; }
};

// The window's answers: the pause state of the queues and the pause
// requests, as the supervisor panel would take them.
struct Pipeline : public CallLines::Host {
    QTemporaryDir dir;
    std::unique_ptr<MSettingsStore> store;
    std::unique_ptr<CtiLib> cti;
    PbxSession session;
    NoPhones phones;
    QWidget host;
    QStackedWidget *stack = nullptr;
    CustomLineEdit *field = nullptr;
    BalloonBoard board;
    FakeDirectory directory;
    std::unique_ptr<CallLines> calls;
    bool pausedByUser = false;
    ServicesDialCodesMap codes;
    QList<QPair<bool, QString>> pauses;

    QString queueName(const QString &) const override { return QString(); }
    bool queuesPausedAny() const override { return pausedByUser; }
    void pauseAllQueues(bool pause, const QString &reason) override { pauses << qMakePair(pause, reason); }
    bool mobileNumberKnown() const override { return false; }

    // A session with the PBX, the user in `queueRole`.
    void logIn(int queueRole)
    {
        LoginDetails login;
        login.firmwareVersion = QStringLiteral("4.1.0");
        login.queueRole = queueRole;
        session.loggedIn(login, 0);
        QVERIFY(session.isUp());
    }

    explicit Pipeline(bool pauseOnQueueCall = false, MSETTINGS::AppMode mode = MSETTINGS::AppModeCtiOnly)
    {
        MSETTINGS::setSettingsDirPath(dir.path());
        {
            QSettings s(MSETTINGS::getSettingsConfigFile(), QSettings::IniFormat);
            s.setValue(QStringLiteral("CTI/PauseOnIncomingCall"), int(pauseOnQueueCall));
            s.sync();
        }
        store.reset(new MSettingsStore(MctiConfig()));
        store->init();
        store->setPauseSettingsEnabled(true);
        cti.reset(new CtiLib(QStringLiteral("test"), QStringLiteral("1"), QStringLiteral("test"), QStringLiteral("1"),
                             QStringLiteral("test"), dir.path()));
        stack = new QStackedWidget(&host);
        stack->setObjectName(QStringLiteral("vLineLayout"));
        field = new CustomLineEdit(&host);
        CallLines::Widgets w;
        w.edtCallerNumber = field;
        w.btnStartAudioCall = new QPushButton(&host);
        for (int i = 0; i < 4; ++i)
            w.lineButtons << new QPushButton(&host);
        w.vLineLayout = stack;
        w.lineParent = &host;
        w.balloons = &board;
        calls.reset(new CallLines(w, mode, *store, session, *cti, phones, directory, codes, *this));
        logIn(0);
    }

    // A call answered on a line read from its channel.
    void answered(qint64 line, const QString &number)
    {
        calls->processAnsweredCall(line, QStringLiteral("uid-%1").arg(line), QString(), QStringLiteral("201"), number,
                                   QString(), QStringLiteral("PJSIP/trunk-%1").arg(line + 100, 8, 16, QLatin1Char('0')),
                                   QStringLiteral("201"),
                                   QStringLiteral("PJSIP/201-%1").arg(line, 8, 16, QLatin1Char('0')), true);
    }
};

} // namespace

class TestCallLines : public QObject
{
    Q_OBJECT

private slots:
    void sameLineProcessedTwice();
    void callerPresentation_data();
    void callerPresentation();
    void attendedTransferLosesALine_data();
    void attendedTransferLosesALine();
    void localChannelChange_data();
    void localChannelChange();
    void queuesPausedForAQueueCallAreResumed_data();
    void queuesPausedForAQueueCallAreResumed();
    void phoneDrivenReportsWaitPerNumber();
    void phoneAndCtiReportsJoin_data();
    void phoneAndCtiReportsJoin();
    void removeAllLinesDropsRecords();
};

void TestCallLines::sameLineProcessedTwice()
{
    ScriptedPrompts prompts;
    Pipeline p;
    MctiActionMap actions;
    MctiAction a;
    a.event = MctiAction::IncomingCall;
    a.actionText = QStringLiteral("https://crm.local/?n=<callernum>&name=<callername>");
    MctiActions::insert(actions, a);
    p.store->setActions(actions);
    p.directory.contacts.insert(QStringLiteral("612"), ContactDetails{QStringLiteral("Anna Neri"), {}, {}});
    for (int i = 0; i < 2; ++i)
        p.calls->processIncomingCall(7, QStringLiteral("u7"), QStringLiteral("612"), QStringLiteral("X"), QString(),
                                     QStringLiteral("201"), QStringLiteral("PJSIP/201-00000007"),
                                     CTILIB::CallAttrExternal, QString(), QString());
    QCOMPARE(p.calls->ringingLines().size(), 1);
    QCOMPARE(p.stack->count(), 1);
    QCOMPARE(p.calls->ringingCounters().directExternal(), 1);
    QCOMPARE(prompts.urls.size(), 1);
    QCOMPARE(prompts.urls.first().toString(), QStringLiteral("https://crm.local/?n=612&name=Anna Neri"));
    QCOMPARE(p.calls->balloonCount(), 1);
    p.calls->finalizeCall(7);
    QCOMPARE(p.calls->ringingCounters().directExternal(), 0);
    QTRY_COMPARE(p.calls->balloonCount(), 0);
}

void TestCallLines::callerPresentation_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("balloon");
    QTest::addColumn<QString>("lineName");
    QTest::addColumn<QString>("extraRow");
    QTest::newRow("outside prefix stripped, contact found") << "0612"
                                                            << "X" << 0x2 << "Chiamata in arrivo da:\nAnna Neri (612)"
                                                            << "Anna Neri"
                                                            << "";
    QTest::newRow("extension keeps its number") << "0201"
                                                << "Front desk" << 0x1 << "Chiamata in arrivo da:\nFront desk (0201)"
                                                << "Front desk"
                                                << "";
    QTest::newRow("name equal to the number") << "0655"
                                              << "655" << 0x2 << "Chiamata in arrivo da:\n655"
                                              << "655"
                                              << "";
    QTest::newRow("transferred call returning")
        << "0777"
        << "R:201:Front desk" << 0x202 << "Chiamata in arrivo da:\nFront desk (777)"
        << "Front desk"
        << "Ritorno da: 201";
    QTest::newRow("queue call") << "0888"
                                << "" << 0x42 << "Chiamata in arrivo da:\n888"
                                << "0888"
                                << "Coda: Supporto";
}

void TestCallLines::callerPresentation()
{
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(int, flags);
    QFETCH(QString, balloon);
    QFETCH(QString, lineName);
    QFETCH(QString, extraRow);
    ScriptedPrompts prompts;
    Pipeline p;
    p.codes.insert(CTILIB::SdcOutsideLinePrefix, QStringLiteral("0"));
    p.directory.extensions << QStringLiteral("0201");
    p.directory.contacts.insert(QStringLiteral("612"), ContactDetails{QStringLiteral("Anna Neri"), {}, {}});
    const bool queue = flags & CTILIB::CallAttrQueue;
    p.calls->processIncomingCall(3, QStringLiteral("u3"), number, name, QString(), QStringLiteral("201"),
                                 QStringLiteral("PJSIP/201-00000003"), CTILIB::CallAttributeFlags(flags),
                                 queue ? QStringLiteral("Supporto") : QString(), QString());
    wdgBalloonMessage *b = p.calls->balloon(Balloon::IncomingCallBalloon, 3);
    QVERIFY(b);
    QCOMPARE(b->message(), balloon);
    const auto *info = dynamic_cast<const Balloon::IncomingCallBaloonInfo *>(b->balloonInfo());
    QVERIFY(info);
    QCOMPARE(info->num2call, number);
    wdgIncomingCallLine *line = p.calls->ringingLines().value(3);
    QCOMPARE(line->findChild<QLabel *>(QStringLiteral("lblSpeaker"))->text(), lineName);
    QCOMPARE(line->getRemoteNum(), number); // the number as reported
    QString row;
    if (!line->getQueueInfo().isEmpty())
        row = QStringLiteral("Coda: ") + line->getQueueInfo();
    else if (!line->getXferReturnInfo().isEmpty())
        row = QStringLiteral("Ritorno da: ") + line->getXferReturnInfo();
    QCOMPARE(row, extraRow);
    // The record keeps what the PBX reported.
    QCOMPARE(p.calls->callRecords().value(3).remoteNum, number);
    QCOMPARE(p.calls->callRecords().value(3).remoteName, name);
}

void TestCallLines::attendedTransferLosesALine_data()
{
    QTest::addColumn<bool>("heldLineEnds");
    QTest::newRow("the held line ends") << true;
    QTest::newRow("the consultation call ends") << false;
}

void TestCallLines::attendedTransferLosesALine()
{
    QFETCH(bool, heldLineEnds);
    ScriptedPrompts prompts;
    Pipeline p;
    p.host.show();
    p.answered(10, QStringLiteral("0611"));
    p.answered(30, QStringLiteral("0633"));
    p.calls->setAttendedTransfer(10, -1);
    p.answered(20, QStringLiteral("203")); // the consultation call
    p.calls->setAttendedTransfer(10, 20, QStringLiteral("203"));
    wdgActiveLine *consult = p.calls->activeLines().value(20);
    QCOMPARE(consult->transferRole(), 1);
    QCOMPARE(p.stack->count(), 3);

    if (heldLineEnds) {
        p.calls->finalizeCall(10);
        // The consultation call goes on as an ordinary call, where it was.
        wdgActiveLine *now = p.calls->activeLines().value(20);
        QVERIFY(now);
        QVERIFY(now != consult);
        QCOMPARE(now->transferRole(), -1);
        QCOMPARE(now->getCallStatus(), 1);
        QCOMPARE(now->getRemoteNum(), QStringLiteral("203"));
        QCOMPARE(now->getCallId(), QStringLiteral("uid-20"));
        QCOMPARE(p.stack->currentWidget(), now);
        QCOMPARE(p.stack->count(), 2);
        QCOMPARE(p.calls->currentLine(), qint64(20));
        QCOMPARE(p.calls->attendedTransferLine(), qint64(-1));
        QCOMPARE(p.calls->consultationLine(), qint64(-1));
        QVERIFY(!p.calls->activeLines().contains(10));
    } else {
        p.calls->finalizeCall(20);
        // The held line asks again for a transfer target.
        wdgActiveLine *held = p.calls->activeLines().value(10);
        QCOMPARE(held->getCallStatus(), 2);
        QCOMPARE(p.field->placeholderText(), QStringLiteral("Digita il numero a cui trasferire"));
        QCOMPARE(p.calls->attendedTransferLine(), qint64(10));
        QCOMPARE(p.calls->consultationLine(), qint64(-1));
        QCOMPARE(p.stack->count(), 2);
    }
}

void TestCallLines::localChannelChange_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("newChannel");
    QTest::addColumn<qint64>("expectedId");
    QTest::newRow("CTI-owned: new id") << 0 << "PJSIP/201-0000000b" << qint64(11);
    QTest::newRow("CTI-owned: unreadable keeps the id") << 0 << "PJSIP/201" << qint64(10);
    QTest::newRow("CTI-owned: taken id keeps the id") << 0 << "PJSIP/201-0000001e" << qint64(10);
    QTest::newRow("phone-owned keeps the phone's id") << 2 << "PJSIP/201-0000000b" << qint64(10);
}

void TestCallLines::localChannelChange()
{
    QFETCH(int, mode);
    QFETCH(QString, newChannel);
    QFETCH(qint64, expectedId);
    ScriptedPrompts prompts;
    Pipeline p(false, MSETTINGS::AppMode(mode));
    p.answered(30, QStringLiteral("0633"));
    p.answered(10, QStringLiteral("0611"));
    wdgActiveLine *line = p.calls->activeLines().value(10);
    QCOMPARE(p.calls->currentLine(), qint64(10));

    p.calls->updateLineLocalInfo(10, newChannel);
    QCOMPARE(p.calls->activeLines().size(), 2);
    QCOMPARE(p.calls->activeLines().value(expectedId), line);
    QCOMPARE(line->getLineId(), expectedId);
    QCOMPARE(line->getLocalChannel(), newChannel);
    QCOMPARE(p.calls->callRecords().value(expectedId).remoteNum, QStringLiteral("0611"));
    QCOMPARE(p.calls->callRecords().value(expectedId).localChannel, newChannel);
    QCOMPARE(p.calls->callRecords().value(30).remoteNum, QStringLiteral("0633"));
    QCOMPARE(p.calls->currentLine(), expectedId);
    QVERIFY(!p.calls->activeLines().contains(-1));
}

void TestCallLines::queuesPausedForAQueueCallAreResumed_data()
{
    QTest::addColumn<bool>("pausedByUser");
    QTest::newRow("paused for the calls") << false;
    QTest::newRow("already paused by the user") << true;
}

void TestCallLines::queuesPausedForAQueueCallAreResumed()
{
    QFETCH(bool, pausedByUser);
    ScriptedPrompts prompts;
    Pipeline p(true);
    p.logIn(1);
    p.pausedByUser = pausedByUser;
    QVERIFY(p.store->isPauseOnInQueueCallRequired());
    const CTILIB::CallAttributeFlags queueCall = CTILIB::CallAttrExternal | CTILIB::CallAttrQueue;
    for (qint64 line : {1, 2}) {
        p.calls->processIncomingCall(line, QStringLiteral("u%1").arg(line), QStringLiteral("061%1").arg(line),
                                     QString(), QString(), QStringLiteral("600"),
                                     QStringLiteral("PJSIP/201-%1").arg(line), queueCall, QStringLiteral("Supporto"),
                                     QString());
        p.answered(line, QStringLiteral("061%1").arg(line));
    }
    using Pauses = QList<QPair<bool, QString>>;
    const Pauses none;
    const Pauses paused{qMakePair(true, QStringLiteral("PauseOnQueueCall"))};
    QCOMPARE(p.pauses, pausedByUser ? none : paused);
    p.calls->finalizeCall(1);
    QCOMPARE(p.pauses.size(), pausedByUser ? 0 : 1); // the other queue call is still up
    p.calls->finalizeCall(2);
    const Pauses resumed{qMakePair(true, QStringLiteral("PauseOnQueueCall")),
                         qMakePair(false, QStringLiteral("PauseOnQueueCall"))};
    QCOMPARE(p.pauses, pausedByUser ? none : resumed);
}

void TestCallLines::phoneDrivenReportsWaitPerNumber()
{
    // Softphone mode: the CTI server's reports of two withheld callers wait
    // for the phone's reports, one record each, and show no line yet.
    ScriptedPrompts prompts;
    Pipeline p(false, MSETTINGS::AppModeSoftphone);
    for (const char *uid : {"u1", "u2"}) {
        IncomingCallEvent e;
        e.uid = QString::fromLatin1(uid);
        e.localChannel = QStringLiteral("PJSIP/201-00000001");
        e.callType = CTILIB::CallAttrExternal;
        p.calls->onCtisIncomingCall(e);
    }
    QVERIFY(p.calls->ringingLines().isEmpty());
    const QList<MctiCallDetails> waiting = p.calls->pendingIncoming().recordsOf(QString());
    QCOMPARE(waiting.size(), 2);
    QCOMPARE(waiting.at(0).uid, QStringLiteral("u1"));
    QCOMPARE(waiting.at(1).uid, QStringLiteral("u2"));
    QCOMPARE(waiting.at(1).lineId, qint64(-1));
    QCOMPARE(waiting.at(1).direction, 1);
    // The end of the first call drops only its own record.
    FinishedCallEvent end;
    end.uid = QStringLiteral("u1");
    end.localChan = QStringLiteral("PJSIP/201-00000001");
    p.calls->onCtisCallFinished(end);
    QCOMPARE(p.calls->pendingIncoming().recordsOf(QString()).size(), 1);
    QCOMPARE(p.calls->pendingIncoming().recordsOf(QString()).first().uid, QStringLiteral("u2"));
}

void TestCallLines::phoneAndCtiReportsJoin_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("ctiFirst");
    for (const char *kind : {"incoming", "outgoing", "answered"}) {
        QTest::addRow("%s, CTI first", kind) << QString::fromLatin1(kind) << true;
        QTest::addRow("%s, phone first", kind) << QString::fromLatin1(kind) << false;
    }
}

void TestCallLines::phoneAndCtiReportsJoin()
{
    // Softphone mode: whichever report comes second runs the pipeline step
    // with the CTI data on the phone's line.
    QFETCH(QString, kind);
    QFETCH(bool, ctiFirst);
    ScriptedPrompts prompts;
    Pipeline p(false, MSETTINGS::AppModeSoftphone);
    const qint64 line = 3;
    const QString number = QStringLiteral("0612345");
    auto cti = [&] {
        if (kind == QLatin1String("incoming")) {
            IncomingCallEvent e;
            e.uid = QStringLiteral("u1");
            e.remoteNum = number;
            e.remoteName = QStringLiteral("Anna");
            e.localChannel = QStringLiteral("SIP/201-00000099");
            e.callType = CTILIB::CallAttrExternal;
            p.calls->onCtisIncomingCall(e);
        } else if (kind == QLatin1String("outgoing")) {
            OriginateCallEvent e;
            e.uid = QStringLiteral("u1");
            e.calledNum = number;
            e.localChannel = QStringLiteral("SIP/201-00000099");
            p.calls->onCtisOutgoingCall(e);
        } else {
            AnsweredCallEvent e;
            e.uid = QStringLiteral("u1");
            e.remoteNum = number;
            e.remoteName = QStringLiteral("Anna");
            e.localChan = QStringLiteral("SIP/201-00000099");
            e.isCallee = 1;
            p.calls->onCtisCallEstablished(e);
        }
    };
    auto phone = [&] {
        if (kind == QLatin1String("incoming"))
            p.calls->phoneIncomingCall(line, number, QString());
        else if (kind == QLatin1String("outgoing"))
            p.calls->phoneOutgoingCall(line, number);
        else
            p.calls->phoneCallEstablished(line, number, QString());
    };
    if (ctiFirst) {
        cti();
        // Only the record waits; no line is shown yet.
        QVERIFY(p.calls->ringingLines().isEmpty());
        QVERIFY(p.calls->activeLines().isEmpty());
        phone();
    } else {
        phone();
        // The line is shown with the phone's data meanwhile.
        QCOMPARE(p.calls->ringingLines().size() + p.calls->activeLines().size(), 1);
        cti();
    }
    QVERIFY(p.calls->pendingIncoming().isEmpty());
    QVERIFY(p.calls->pendingOutgoing().isEmpty());
    QVERIFY(p.calls->pendingAnswered().isEmpty());
    if (kind == QLatin1String("incoming")) {
        QCOMPARE(p.calls->ringingLines().keys(), QList<qint64>{line});
        QCOMPARE(p.calls->ringingLines().value(line)->getCallId(), QStringLiteral("u1"));
        QCOMPARE(p.calls->callRecords().value(line).uid, QStringLiteral("u1"));
        QCOMPARE(p.calls->ringingCounters().directExternal(), 1);
    } else {
        QCOMPARE(p.calls->activeLines().keys(), QList<qint64>{line});
        QCOMPARE(p.calls->activeLines().value(line)->getCallId(), QStringLiteral("u1"));
        QCOMPARE(p.calls->activeLines().value(line)->getLocalChannel(), QStringLiteral("SIP/201-00000099"));
        if (kind == QLatin1String("answered")) {
            QVERIFY(p.calls->callRecords().value(line).answered);
            QCOMPARE(p.calls->callRecords().value(line).direction, 1);
        }
    }
}

void TestCallLines::removeAllLinesDropsRecords()
{
    ScriptedPrompts prompts;
    Pipeline p;
    MctiActionMap actions;
    MctiAction a;
    a.event = MctiAction::AnsweredCall;
    a.actionText = QStringLiteral("https://crm.local/?n=<callernum>");
    MctiActions::insert(actions, a);
    p.store->setActions(actions);
    p.answered(5, QStringLiteral("0655"));
    QCOMPARE(prompts.urls.size(), 1);
    p.calls->removeAllLines();
    QVERIFY(p.calls->callRecords().isEmpty());
    QVERIFY(p.calls->activeLines().isEmpty());
    // Line 5 used again by a new call: its answer runs its action.
    p.answered(5, QStringLiteral("0656"));
    QCOMPARE(prompts.urls.size(), 2);
}

DESKLINE_TEST_MAIN(TestCallLines)
#include "tst_calllines.moc"
