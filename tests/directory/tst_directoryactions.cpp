// The directory actions that need no PBX: the default action of a double
// click by number kind, the mail program opened only for a clean address,
// the pick-up codes, the SMS checks before anything is sent.
#include "directory/contactentrytypes.h"
#include "directory/directoryactions.h"
#include "directory/wdgsms.h"
#include "scriptedprompts.h"
#include "testmain.h"

#include <QtTest>

class TestDirectoryActions : public QObject
{
    Q_OBJECT
private slots:
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
    QScopedPointer<ScriptedPrompts> prompts;
    QScopedPointer<DirectoryActions> actions;
    QStringList calls; // "number/prefix type" or "audio:number"
    ServicesDialCodesMap codes;
};

void TestDirectoryActions::init()
{
    prompts.reset(new ScriptedPrompts);
    actions.reset(new DirectoryActions(nullptr, MainWindowIcons(), nullptr, codes));
    calls.clear();
    codes = {{CTILIB::ServiceDialCodeType(9), QStringLiteral("*8")},
             {CTILIB::ServiceDialCodeType(14), QStringLiteral("*88")},
             {CTILIB::SdcOutsideLinePrefix, QStringLiteral("0")}};
    DirectoryActions::Hooks hooks;
    hooks.startCall = [this](const QString &n, int type) { calls << QStringLiteral("%1/%2").arg(n).arg(type); };
    hooks.startAudioCall = [this](const QString &n) { calls << QStringLiteral("audio:") + n; };
    actions->setHooks(hooks);
}

void TestDirectoryActions::cleanup()
{
    actions.reset();
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
    QCOMPARE(this->calls, calls);
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
    QCOMPARE(this->calls, calls);
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
