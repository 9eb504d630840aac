// The service buttons of the messaging panel, clicked, against the PBX
// simulator through the CTI library, in each operating mode: the request
// that reaches the PBX, the button while the report is awaited, the button
// after the report, after a lost report and after the disconnection.
#include "../platform/ctilib/ctitestsupport.h"
#include "calls/calllines.h"
#include "desklineresources.h"
#include "framework/clock.h"
#include "mainwindow/session/pbxsession.h"
#include "messaging/dlgredirect.h"
#include "messaging/messagingpanel.h"
#include "messaging/wdgchatpanel.h"
#include "nullcallparts.h"
#include "quietchatwindow.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "widgets/mainwindowicons.h"

#include <QDialogButtonBox>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace
{

// The phones as the panel asks them: the softphone engine's switch recorded,
// the desk phone's keys through the library as its driver sends them.
struct Phones : MessagingPanel::Host {
    CtiLib *cti = nullptr;
    QList<bool> softphoneDnd;
    bool setSoftphoneDnd(bool on) override
    {
        softphoneDnd << on;
        return true;
    }
    bool pressDeskPhoneKey(const QString &key) override { return cti->phoneCommandPressKeys({key}); }
    void showRecordingStatus(qint64, bool, bool) override {}
};

// The panel on its own form, with the library's other signals wired as the
// main window wires them, logged in to the simulator in one mode.
struct Bench {
    ctitest::Fixture f;
    ScriptedPrompts prompts;
    MainWindowIcons icons;
    ServicesDialCodesMap serviceCodes;
    QWidget form;
    QTabWidget *tabs = new QTabWidget(&form);
    QWidget *voicemailTab = new QWidget;
    MessagingPanel::Widgets widgets;
    std::unique_ptr<CtiLib> cti;
    PbxSession session;
    MSettingsStore store{MctiConfig()};
    NoPhones noPhones;
    NoDirectory noDirectory;
    NoQueues noQueues;
    std::unique_ptr<CallLines> calls;
    Phones phones;
    QuietChatWindow window;
    QList<bool> &softphoneDnd = phones.softphoneDnd;
    std::unique_ptr<MessagingPanel> panel;
    QSignalSpy commands{f.sim.get(), &PbxSimulator::commandReceived};

    explicit Bench(int mode)
    {
        icons.load();
        widgets.chatPanel = new wdgChatPanel(&form);
        for (QPushButton **b : {&widgets.btnDnd, &widgets.btnRedirect, &widgets.btnMail, &widgets.btnConference,
                                &widgets.btnDualRingToggle})
            *b = new QPushButton(&form);
        widgets.btnDnd->setObjectName(QStringLiteral("btnDnd"));
        widgets.btnRedirect->setObjectName(QStringLiteral("btnRedirect"));
        widgets.btnDualRingToggle->setObjectName(QStringLiteral("btnDualRingToggle"));
        tabs->addTab(voicemailTab, QStringLiteral("voicemail"));
        widgets.tabContactsWidget = tabs;
        widgets.voiceMailTabWidget = voicemailTab;
        cti = f.newClient();
        phones.cti = cti.get();
        store.init();
        calls.reset(new CallLines(CallLines::Widgets(), MSETTINGS::AppMode(mode), store, session, *cti, noPhones,
                                  noDirectory, serviceCodes, noQueues));
        panel.reset(new MessagingPanel(widgets, icons, *cti, serviceCodes, *calls, phones, window, window,
                                       Clock::instance(), prompts));
        QObject::connect(widgets.btnDnd, &QPushButton::clicked, panel.get(), &MessagingPanel::toggleDnd);
        QObject::connect(widgets.btnRedirect, &QPushButton::clicked, panel.get(), &MessagingPanel::toggleUfwd);
        QObject::connect(widgets.btnDualRingToggle, &QPushButton::clicked, panel.get(),
                         &MessagingPanel::toggleForkMobile);

        // The desk phone's DND reports, as its driver passes them on.
        QObject::connect(cti.get(), &CtiLib::phoneEventDnd, panel.get(), &MessagingPanel::updateDndStatus);
        QObject::connect(cti.get(), &CtiLib::loggedToServer, panel.get(), [this, mode](const LoginDetails &details) {
            SessionRules::SessionStart start;
            start.firmware = details.firmwareVersion;
            start.mode = MSETTINGS::AppMode(mode);
            start.capabilities = cti->getPbxCapabilities();
            panel->onSessionStarted(start);
        });
        form.show();
        if (!ctitest::Fixture::login(cti.get(), QStringLiteral("demo"), QStringLiteral("demo"), mode))
            qFatal("log-in failed");
        if (mode == MSETTINGS::AppModeDeskPhone) {
            // The desk phone's driver asks for its state first (and is authorised).
            QSignalSpy dnd(cti.get(), &CtiLib::phoneEventDnd);
            cti->phoneCommandGetDndStatus();
            if (!ctitest::waitCount(dnd, 1))
                qFatal("no desk phone");
        }
    }
    ~Bench()
    {
        panel.reset();
        cti->logout();
    }
    // The service commands that reached the PBX, as "name:on[:value]".
    QStringList sent() const
    {
        QStringList out;
        for (const QList<QVariant> &c : commands) {
            const QJsonObject a = c.at(2).toJsonObject();
            const QString cmd = c.at(1).toString();
            if (cmd == QLatin1String("setService")) {
                QString line = a.value(QStringLiteral("service")).toString() + QLatin1Char(':') +
                               QString::number(a.value(QStringLiteral("on")).toBool());
                if (a.contains(QStringLiteral("value")))
                    line += QLatin1Char(':') + a.value(QStringLiteral("value")).toString();
                out << line;
            } else if (cmd == QLatin1String("phonePressKeys")) {
                out << QStringLiteral("keys:") + a.value(QStringLiteral("keys")).toVariant().toStringList().join(',');
            }
        }
        return out;
    }
    QPushButton *dnd() const { return widgets.btnDnd; }
    QPushButton *forward() const { return widgets.btnRedirect; }
    QPushButton *fork() const { return widgets.btnDualRingToggle; }
};

} // namespace

class TestMessagingPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        initDesklineResources();
        ctitest::trustPbxCertificates();
    }
    void dndByMode_data();
    void dndByMode();
    void forward();
    void forkToMobile();
    void lostReportReleasesTheButton();
    void nothingSentWhileDisconnected();
    void mailboxStatus();
};

void TestMessagingPanel::dndByMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("onRequest");
    QTest::addColumn<QString>("offRequest");
    QTest::addColumn<bool>("waitsForReport");
    QTest::newRow("cti only: PBX service") << int(MSETTINGS::AppModeCtiOnly) << "dnd:1"
                                           << "dnd:0" << true;
    QTest::newRow("desk phone: phone key") << int(MSETTINGS::AppModeDeskPhone) << "keys:DNDOn"
                                           << "keys:DNDOff" << true;
    QTest::newRow("softphone: engine, shown at once") << int(MSETTINGS::AppModeSoftphone) << ""
                                                      << "" << false;
}

void TestMessagingPanel::dndByMode()
{
    QFETCH(int, mode);
    QFETCH(QString, onRequest);
    QFETCH(QString, offRequest);
    QFETCH(bool, waitsForReport);
    Bench b(mode);
    if (mode == MSETTINGS::AppModeSoftphone)
        b.panel->updateDndStatus(false); // the engine's state at registration
    QTRY_VERIFY(b.dnd()->isVisible());
    QVERIFY(b.dnd()->isEnabled());
    QCOMPARE(b.dnd()->toolTip(), QStringLiteral("Do Not Disturb non attivo"));

    for (const bool on : {true, false}) {
        b.commands.clear();
        QTest::mouseClick(b.dnd(), Qt::LeftButton);
        if (waitsForReport) {
            QCOMPARE(b.dnd()->isEnabled(), false);
            QTRY_COMPARE(b.sent(), QStringList{on ? onRequest : offRequest});
            QTRY_COMPARE(b.panel->isDndActive(), on);
        } else {
            QCOMPARE(b.softphoneDnd.last(), on);
            QCOMPARE(b.panel->isDndActive(), on);
            QTest::qWait(100);
            QVERIFY(b.sent().isEmpty());
        }
        QVERIFY(b.dnd()->isEnabled());
        QCOMPARE(b.dnd()->toolTip(),
                 on ? QStringLiteral("Do Not Disturb attivo") : QStringLiteral("Do Not Disturb non attivo"));
        QCOMPARE(b.dnd()->accessibleDescription(), b.dnd()->toolTip());
    }
    b.panel->resetServiceButtons(false);
    QVERIFY(!b.dnd()->isVisible() && !b.dnd()->isEnabled());
    QCOMPARE(b.dnd()->toolTip(), QStringLiteral("Do Not Disturb"));
}

void TestMessagingPanel::forward()
{
    Bench b(MSETTINGS::AppModeCtiOnly);
    QVERIFY(b.forward()->isVisible() && b.forward()->isEnabled());
    auto typeAndPress = [](const QString &text, QDialogButtonBox::StandardButton button) {
        return [text, button](QDialog *d) {
            auto *edit = d->findChild<QLineEdit *>(QStringLiteral("edtTxt"));
            edit->clear();
            QTest::keyClicks(edit, text);
            QTest::mouseClick(d->findChild<QDialogButtonBox *>()->button(button), Qt::LeftButton);
        };
    };

    // Cancelled, then blank: nothing is sent; the blank one is told.
    b.prompts.dialogNext(typeAndPress(QStringLiteral("203"), QDialogButtonBox::Cancel));
    QTest::mouseClick(b.forward(), Qt::LeftButton);
    b.prompts.dialogNext(typeAndPress(QStringLiteral("   "), QDialogButtonBox::Ok));
    QTest::mouseClick(b.forward(), Qt::LeftButton);
    QCOMPARE(b.prompts.shown.size(), 1);
    QCOMPARE(b.prompts.shown.first().message.text,
             QStringLiteral("Il campo contenente il numero verso cui redirigere la chiamata non può essere vuoto."));
    QTest::qWait(100);
    QVERIFY(b.sent().isEmpty());

    // A number: the PBX switches the forward on and the button follows.
    b.prompts.dialogNext(typeAndPress(QStringLiteral("+39061234"), QDialogButtonBox::Ok));
    QTest::mouseClick(b.forward(), Qt::LeftButton);
    QTRY_COMPARE(b.sent(), QStringList{QStringLiteral("ufwd:1:+39061234")});
    QTRY_VERIFY(b.panel->isUfwdActive());
    QCOMPARE(b.forward()->toolTip(), QStringLiteral("Inoltro incondizionato attivo su +39061234"));

    // Off without a dialog.
    b.commands.clear();
    QTest::mouseClick(b.forward(), Qt::LeftButton);
    QTRY_COMPARE(b.sent(), QStringList{QStringLiteral("ufwd:0")});
    QTRY_VERIFY(!b.panel->isUfwdActive());
    QCOMPARE(b.forward()->toolTip(), QStringLiteral("Inoltro incondizionato non attivo"));
    QCOMPARE(b.prompts.dialogRequests.size(), 3);
}

void TestMessagingPanel::forkToMobile()
{
    Bench b(MSETTINGS::AppModeCtiOnly);
    // The demo user's mobile number arrives at log-in.
    QTRY_VERIFY(b.fork()->isVisible());
    QVERIFY(b.fork()->isEnabled());
    QVERIFY(b.fork()->toolTip().startsWith(QStringLiteral("Fork To Mobile non attivo: +39")));
    for (const bool on : {true, false}) {
        b.commands.clear();
        QTest::mouseClick(b.fork(), Qt::LeftButton);
        QVERIFY(!b.fork()->isEnabled());
        QTRY_COMPARE(b.sent(), QStringList{QStringLiteral("forktomobile:%1").arg(int(on))});
        QTRY_COMPARE(b.panel->isForkToMobileActive(), on);
        QVERIFY(b.fork()->isEnabled());
    }
    b.panel->onSessionEnded(SessionRules::DisconnectReason());
    QVERIFY(!b.fork()->isVisible() && !b.fork()->isEnabled() && !b.forward()->isVisible());
}

void TestMessagingPanel::lostReportReleasesTheButton()
{
    Bench b(MSETTINGS::AppModeCtiOnly);
    QTRY_VERIFY(b.dnd()->isVisible() && b.fork()->isVisible());
    b.panel->setReportTimeout(50);
    // The reports go astray.
    QObject::disconnect(b.cti.get(), &CtiLib::sigServiceStatusChanged, b.panel.get(), nullptr);
    QTest::mouseClick(b.dnd(), Qt::LeftButton);
    QTest::mouseClick(b.fork(), Qt::LeftButton);
    QVERIFY(!b.dnd()->isEnabled() && !b.fork()->isEnabled());
    QTRY_VERIFY(b.dnd()->isEnabled() && b.fork()->isEnabled());
    // The shown state is the last reported one.
    QVERIFY(!b.panel->isDndActive() && !b.panel->isForkToMobileActive());
    QCOMPARE(b.dnd()->toolTip(), QStringLiteral("Do Not Disturb non attivo"));
}

void TestMessagingPanel::nothingSentWhileDisconnected()
{
    Bench b(MSETTINGS::AppModeCtiOnly);
    QTRY_VERIFY(b.dnd()->isVisible() && b.fork()->isVisible());
    b.cti->logout();
    QTRY_VERIFY(!b.cti->isConnected());
    b.commands.clear();
    QTest::mouseClick(b.dnd(), Qt::LeftButton);
    QTest::mouseClick(b.fork(), Qt::LeftButton);
    // Nothing was sent, so nothing waits for a report.
    QVERIFY(b.dnd()->isEnabled() && b.fork()->isEnabled());
    QVERIFY(b.sent().isEmpty());
}

// The PBX's mailbox counters on the voicemail button; each change reloads the list.
void TestMessagingPanel::mailboxStatus()
{
    Bench b(MSETTINGS::AppModeCtiOnly);
    QPushButton *mail = b.widgets.btnMail;
    b.commands.clear();
    QSignalSpy status(b.cti.get(), &CtiLib::sigMailboxStatusChanged);
    b.cti->getMailboxStatus();
    QVERIFY(ctitest::waitCount(status, 1));
    const int waiting = status.first().first().value<MailboxStatus>().newMessages;
    QVERIFY(waiting > 0); // the demo message is new
    QCOMPARE(mail->toolTip(), QStringLiteral("Sono presenti %1 nuovi messaggi in segreteria").arg(waiting));
    QCOMPARE(mail->accessibleDescription(),
             QStringLiteral("Casella vocale - %1 nuovi messaggi in segreteria").arg(waiting));
    QTRY_VERIFY(std::any_of(b.commands.cbegin(), b.commands.cend(), [](const QList<QVariant> &c) {
        return c.at(1).toString() == QLatin1String("getVoicemail");
    }));

    MailboxStatus none;
    b.panel->onMailboxStatusChanged(none);
    QCOMPARE(mail->toolTip(), QStringLiteral("Nessun nuovo messaggio in segreteria"));
    QCOMPARE(mail->accessibleDescription(), QStringLiteral("Casella vocale - Nessun nuovo messaggio in segreteria"));
}

DESKLINE_TEST_MAIN(TestMessagingPanel)
#include "tst_messagingpanel.moc"
