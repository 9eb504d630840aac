// The directory actions that need no PBX: the default action of a double
// click by number kind, the mail program opened only for a clean address,
// the pick-up codes, the SMS checks before anything is sent.
#include "calls/calllines.h"
#include "ctilib.h"
#include "directory/contactentrytypes.h"
#include "directory/customtreeview.h"
#include "directory/directoryactions.h"
#include "directory/directorypanel.h"
#include "directory/wdgsms.h"
#include "framework/clock.h"
#include "mainwindow/session/pbxsession.h"
#include "nullcallparts.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "settings/msettingsstore.h"
#include "testmain.h"
#include "widgets/balloonboard.h"
#include "widgets/customlineedit.h"
#include "widgets/customsearchlineedit.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{
// What the actions ask the window to dial: "number/prefix type" or "audio:number".
class RecordingHost : public DirectoryActions::Host
{
public:
    QStringList calls;
    void startCall(const QString &number, CTILIB::NumberOutgoingPrefix type) override
    {
        calls << QStringLiteral("%1/%2").arg(number).arg(int(type));
    }
    void startAudioCall(const QString &number) override { calls << QStringLiteral("audio:") + number; }
    void unattendedTransfer(const QString &) override {}
    void attendedTransfer(const QString &) override {}
    void openChat(const QString &) override {}
    void openBalloon(const QString &, const Balloon::BalloonInfo &) override {}
};

// The objects the actions work with, as the window has them before any
// log-in: a CTI client never connected, a session never started, no phones,
// the call lines and the directories on widgets of their own.
struct Parts {
    explicit Parts(const ServicesDialCodesMap &codes)
        : cti(QStringLiteral("test"), QStringLiteral("1"), QStringLiteral("test"), QStringLiteral("1"),
              QStringLiteral("test"), MSETTINGS::getSettingsDirPath()),
          phones(PhoneBackends::Widgets(), MSETTINGS::AppModeCtiOnly, cti, codes, session, store, phoneReports)
    {
        store.init();
        CallLines::Widgets lineWidgets;
        lineWidgets.edtCallerNumber = new CustomLineEdit(&form);
        lineWidgets.btnStartAudioCall = new QPushButton(&form);
        lineWidgets.vLineLayout = new QStackedWidget(&form);
        lineWidgets.lineParent = &form;
        lineWidgets.balloons = &balloons;
        calls.reset(new CallLines(lineWidgets, MSETTINGS::AppModeCtiOnly, store, session, cti, phones, noDirectory,
                                  codes, noQueues));
        DirectoryPanel::Widgets w;
        w.window = &form;
        w.tvFavourites = new CustomTreeView(&form);
        w.tvExtensions = new CustomTreeView(&form);
        w.tvContacts = new CustomTreeView(&form);
        w.tvCdr = new CustomTreeView(&form);
        w.txtExtSearch = new CustomSearchLineEdit(&form);
        w.txtContactsSearch = new CustomSearchLineEdit(&form);
        w.txtCdrSearch = new CustomSearchLineEdit(&form);
        w.cdrDateFrom = new QDateEdit(&form);
        w.cdrDateTo = new QDateEdit(&form);
        w.btnAddContact = new QPushButton(&form);
        w.btnSendSMS = new QPushButton(&form);
        w.lblContactsUpdating = new QLabel(&form);
        w.stackedContacts = new QStackedWidget(&form);
        w.pageContacts = new QWidget(&form);
        w.cdrStckWidget = new QStackedWidget(&form);
        w.pageCdrNoResults = new QWidget(&form);
        w.pageCdr = new QWidget(&form);
        w.cdrFilterButton = new QPushButton(&form);
        panel.reset(new DirectoryPanel(&store, w, cti, Clock::instance()));
        actions.reset(
            new DirectoryActions(*panel, cti, session, phones, *calls, host, MainWindowIcons(), nullptr, codes));
    }

    QWidget form;
    CtiLib cti;
    PbxSession session;
    MSettingsStore store{MctiConfig()};
    NoPhoneReports phoneReports;
    PhoneBackends phones;
    BalloonBoard balloons;
    NoDirectory noDirectory;
    NoQueues noQueues;
    RecordingHost host;
    std::unique_ptr<CallLines> calls;
    std::unique_ptr<DirectoryPanel> panel;
    std::unique_ptr<DirectoryActions> actions;
};
} // namespace

class TestDirectoryActions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void defaultRowAction_data();
    void defaultRowAction();
    void mailAddresses_data();
    void mailAddresses();
    void pickupCodes_data();
    void pickupCodes();
    void smsNeedsASession();

private:
    QTemporaryDir settingsDir;
    QScopedPointer<ScriptedPrompts> prompts;
    std::unique_ptr<Parts> parts;
    DirectoryActions *actions = nullptr;
    ServicesDialCodesMap codes;
};

void TestDirectoryActions::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    MSETTINGS::setSettingsDirPath(settingsDir.path());
}

void TestDirectoryActions::init()
{
    prompts.reset(new ScriptedPrompts);
    parts.reset(new Parts(codes));
    actions = parts->actions.get();
    codes = {{CTILIB::ServiceDialCodeType(9), QStringLiteral("*8")},
             {CTILIB::ServiceDialCodeType(14), QStringLiteral("*88")},
             {CTILIB::SdcOutsideLinePrefix, QStringLiteral("0")}};
}

void TestDirectoryActions::cleanup()
{
    actions = nullptr;
    parts.reset();
    prompts.reset();
}

void TestDirectoryActions::defaultRowAction_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("urls");
    QTest::newRow("extension, internal") << "201" << 1 << QStringList{"201/2"} << QStringList{};
    QTest::newRow("fixed, external") << "+39 02 123-456" << 0 << QStringList{"+3902123456/1"} << QStringList{};
    QTest::newRow("mobile, external") << "333 1234567" << 2 << QStringList{"3331234567/1"} << QStringList{};
    QTest::newRow("nothing left to dial") << " - " << 0 << QStringList{} << QStringList{};
    QTest::newRow("e-mail") << "mario.verdi@acme.example" << 3 << QStringList{}
                            << QStringList{"mailto:mario.verdi@acme.example"};
    QTest::newRow("e-mail without at") << "mario.verdi" << 3 << QStringList{} << QStringList{};
    QTest::newRow("other kind") << "201" << 7 << QStringList{} << QStringList{};
}

void TestDirectoryActions::defaultRowAction()
{
    QFETCH(QString, value);
    QFETCH(int, kind);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, urls);
    actions->performDefaultDblClickOnTableRowAction(value, kind);
    QCOMPARE(parts->host.calls, calls);
    QStringList opened;
    for (const QUrl &u : prompts->urls)
        opened << u.toString(QUrl::FullyEncoded);
    QCOMPARE(opened, urls);
}

void TestDirectoryActions::mailAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("url"); // empty: refused with a message
    QTest::newRow("plain") << "anna@studioverdi.example"
                           << "mailto:anna@studioverdi.example";
    QTest::newRow("long top-level domain") << "info@hotel.travel"
                                           << "mailto:info@hotel.travel";
    QTest::newRow("plus and percent") << "a+b%c@x.example"
                                      << "mailto:a+b%25c@x.example";
    QTest::newRow("header injection") << "a@x.example?cc=evil@y.example"
                                      << "";
    QTest::newRow("second recipient") << "a@x.example&to=b@y.example"
                                      << "";
    QTest::newRow("fragment") << "a@x.example#x"
                              << "";
    QTest::newRow("blank inside") << "a b@x.example"
                                  << "";
    QTest::newRow("line break") << "a@x.example\nBcc: b@y.example"
                                << "";
    QTest::newRow("not an address") << "mario"
                                    << "";
}

void TestDirectoryActions::mailAddresses()
{
    QFETCH(QString, address);
    QFETCH(QString, url);
    QCOMPARE(actions->sendEmail(address), !url.isEmpty());
    if (url.isEmpty()) {
        QVERIFY(prompts->urls.isEmpty());
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().message.kind, PromptService::Kind::Warning);
    } else {
        QCOMPARE(prompts->urls.size(), 1);
        QCOMPARE(prompts->urls.first().scheme(), QStringLiteral("mailto"));
        QCOMPARE(prompts->urls.first().toString(QUrl::FullyEncoded), url);
        QVERIFY(!prompts->urls.first().hasQuery());
    }
}

void TestDirectoryActions::pickupCodes_data()
{
    QTest::addColumn<bool>("invite");
    QTest::addColumn<bool>("codesKnown");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("pick-up") << false << true << QStringList{"audio:*8202"};
    QTest::newRow("with invitation") << true << true << QStringList{"audio:*88202"};
    QTest::newRow("no pick-up code") << false << false << QStringList{};
    QTest::newRow("no invitation code") << true << false << QStringList{};
}

void TestDirectoryActions::pickupCodes()
{
    QFETCH(bool, invite);
    QFETCH(bool, codesKnown);
    QFETCH(QStringList, calls);
    if (!codesKnown)
        codes = {{CTILIB::SdcOutsideLinePrefix, QStringLiteral("0")}, {CTILIB::ServiceDialCodeType(9), QString()}};
    actions->pickup(QStringLiteral("202"), invite);
    QCOMPARE(parts->host.calls, calls);
}

void TestDirectoryActions::smsNeedsASession()
{
    // Without a CTI connection nothing is sent, and the window says so.
    wdgSms *w = actions->openSmsWindow(QStringLiteral("3331234567"));
    QCOMPARE(actions->smsWindows(), QList<wdgSms *>{w});
    QVERIFY(!actions->sendSms(QStringLiteral("3331234567"), QStringLiteral("Ciao")));
    QVERIFY(!actions->sendSms(QStringLiteral("333abc"), QStringLiteral("Ciao")));
    w->close();
    QTRY_VERIFY(actions->smsWindows().isEmpty());
}

DESKLINE_TEST_MAIN(TestDirectoryActions)
#include "tst_directoryactions.moc"
