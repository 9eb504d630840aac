// What pressing "OK" changes, from the values in force and what the form shows.
#include "settings/msettings.h"
#include "settings/msettingschange.h"
#include "settingsentries.h"
#include "testmain.h"

#include <QCoreApplication>
#include <QtTest>

#include <functional>

using settingstest::entriesShowing;
using Change = MSettingsChange;

namespace
{

// Values in force of a softphone user logged in with account "acc1".
MSettingsValues baseValues()
{
    MSettingsValues v;
    v.config.pbxAddress.set("pbx.example.com");
    v.config.username.set("alice");
    v.config.password.set("old");
    v.config.account.set("acc1");
    v.config.sipProtocol.set("UDP");
    v.config.sipRegistrarAddress.set("sip.example.com");
    v.config.micDevice.set("Mic A");
    v.config.spkDevice.set("Out A");
    v.config.ringDevice.set("Out B");
    v.config.language.set(0);
    v.appMode = MSETTINGS::AppModeSoftphone;
    v.selectedAppMode = MSETTINGS::AppModeSoftphone;
    v.sipProxyAddress = "proxy.example.com";
    return v;
}

QStringList signalNames(const QVector<Change::Signal> &signalList)
{
    QStringList names;
    for (Change::Signal s : signalList) {
        switch (s) {
        case Change::Signal::AudioDeviceChanged:
            names << "audio";
            break;
        case Change::Signal::MctiServicesChanged:
            names << "services";
            break;
        case Change::Signal::UpdatesSettingsChanged:
            names << "updates";
            break;
        case Change::Signal::CdrSettingsChanged:
            names << "cdr";
            break;
        case Change::Signal::SipSettingsChanged:
            names << "sip";
            break;
        case Change::Signal::Copy2CallOn:
            names << "copy2call:on";
            break;
        case Change::Signal::Copy2CallOff:
            names << "copy2call:off";
            break;
        case Change::Signal::RestartRequested:
            names << "restart";
            break;
        }
    }
    return names;
}

// A row: how the values in force differ from the base, what the user
// changes on the form, and what must hold of the values taken over.
struct Case {
    std::function<void(MSettingsValues &)> inForce;
    std::function<void(MSettingsEntries &)> enter;
    std::function<bool(const MSettingsValues &)> next;
};

const auto kSame = [](MSettingsValues &) {};
const auto kAnyNext = [](const MSettingsValues &) { return true; };

void chooseAccount(MSettingsEntries &e, const QString &name, bool inUse, const QString &agent = QString())
{
    e.accountChosen = true;
    e.accountName = name;
    e.accountInUse = inUse;
    e.accountUserAgent = agent;
}

QMap<QString, Case> cases()
{
    QMap<QString, Case> m;
    m["nothing"] = {kSame, [](MSettingsEntries &) {}, kAnyNext};
    m["popup"] = {kSame, [](MSettingsEntries &e) { e.popupCall = false; },
                  [](const MSettingsValues &v) { return !v.popupCall; }};
    m["copy to call on"] = {kSame, [](MSettingsEntries &e) { e.copyToCall = true; },
                            [](const MSettingsValues &v) { return v.copyToCall; }};
    m["copy to call off"] = {[](MSettingsValues &v) { v.copyToCall = true; },
                             [](MSettingsEntries &e) { e.copyToCall = false; },
                             [](const MSettingsValues &v) { return !v.copyToCall; }};
    m["update timer off"] = {kSame, [](MSettingsEntries &e) { e.checkUpdatesTimeoutMins = -1; },
                             [](const MSettingsValues &v) { return v.checkUpdatesTimeoutMins == -1; }};
    m["updates at start"] = {kSame, [](MSettingsEntries &e) { e.checkUpdatesAtStartup = false; },
                             [](const MSettingsValues &v) { return !v.checkUpdatesAtStartup; }};
    m["cdr days"] = {kSame, [](MSettingsEntries &e) { e.maxCdrViewDays = 5; },
                     [](const MSettingsValues &v) { return v.maxCdrViewDays == 5; }};
    m["local registrar"] = {kSame, [](MSettingsEntries &e) { e.useLocalSipRegistrar = true; },
                            [](const MSettingsValues &v) { return v.useLocalSipRegistrar; }};
    m["registrar, softphone"] = {kSame, [](MSettingsEntries &e) { e.sipRegistrarAddress = "10.0.0.5"; },
                                 [](const MSettingsValues &v) {
                                     return v.config.sipRegistrarAddress.value == "10.0.0.5" &&
                                            v.config.sipRegistrarAddress.previous == "sip.example.com";
                                 }};
    m["registrar, desk phone"] = {
        [](MSettingsValues &v) { v.appMode = MSETTINGS::AppModeDeskPhone; },
        [](MSettingsEntries &e) { e.sipRegistrarAddress = "10.0.0.5"; },
        [](const MSettingsValues &v) { return v.config.sipRegistrarAddress.value == "sip.example.com"; }};
    m["ring device"] = {kSame, [](MSettingsEntries &e) { e.ringDevice = "Out A"; },
                        [](const MSettingsValues &v) { return v.config.ringDevice.value == "Out A"; }};
    m["devices not listed"] = {kSame,
                               [](MSettingsEntries &e) {
                                   e.audioDevicesListed = false;
                                   e.micDevice.clear();
                                   e.spkDevice.clear();
                                   e.ringDevice.clear();
                               },
                               [](const MSettingsValues &v) { return v.config.micDevice.value == "Mic A"; }};
    m["account in use, softphone"] = {kSame, [](MSettingsEntries &e) { chooseAccount(e, "acc2", true, "Desk 9"); },
                                      [](const MSettingsValues &v) { return v.config.account.value == "acc2"; }};
    m["account unused, softphone"] = {kSame, [](MSettingsEntries &e) { chooseAccount(e, "acc2", false); },
                                      [](const MSettingsValues &v) { return v.config.account.value == "acc2"; }};
    m["account unused, desk phone"] = {[](MSettingsValues &v) {
                                           v.appMode = MSETTINGS::AppModeDeskPhone;
                                           v.selectedAppMode = MSETTINGS::AppModeDeskPhone;
                                       },
                                       [](MSettingsEntries &e) { chooseAccount(e, "acc2", false); },
                                       [](const MSettingsValues &v) { return v.config.account.value == "acc2"; }};
    m["account in force chosen"] = {kSame, [](MSettingsEntries &e) { chooseAccount(e, "acc1", true, "Desk 1"); },
                                    kAnyNext};
    m["user"] = {
        kSame, [](MSettingsEntries &e) { e.username = "bob"; },
        [](const MSettingsValues &v) { return v.config.username.value == "bob" && v.config.account.value.isEmpty(); }};
    m["password"] = {
        kSame, [](MSettingsEntries &e) { e.password = "new"; },
        [](const MSettingsValues &v) { return v.config.password.value == "new" && v.config.account.value == "acc1"; }};
    m["same password again"] = {kSame, [](MSettingsEntries &e) { e.password = "old"; }, kAnyNext};
    m["transport"] = {kSame, [](MSettingsEntries &e) { e.sipProtocol = "TLS"; },
                      [](const MSettingsValues &v) { return v.config.sipProtocol.value == "TLS"; }};
    m["language and popup"] = {kSame,
                               [](MSettingsEntries &e) {
                                   e.language = 2;
                                   e.popupCall = false;
                               },
                               [](const MSettingsValues &v) {
                                   return v.config.language.value == 2 && !v.popupCall &&
                                          v.config.account.value == "acc1";
                               }};
    m["mode with an account chosen"] = {
        kSame,
        [](MSettingsEntries &e) {
            e.appMode = MSETTINGS::AppModeCtiOnly;
            chooseAccount(e, "acc2", true, "Desk 9");
        },
        [](const MSettingsValues &v) { return v.selectedAppMode == 0 && v.config.account.value.isEmpty(); }};
    m["address: registrar follows"] = {[](MSettingsValues &v) { v.appMode = MSETTINGS::AppModeDeskPhone; },
                                       [](MSettingsEntries &e) { e.pbxAddress = "10.2.2.2:5039"; },
                                       [](const MSettingsValues &v) {
                                           return v.config.sipRegistrarAddress.value == "10.2.2.2" &&
                                                  v.sipProxyAddress.isEmpty();
                                       }};
    m["address with registrar typed"] = {kSame,
                                         [](MSettingsEntries &e) {
                                             e.pbxAddress = "10.2.2.2";
                                             e.sipRegistrarAddress = "10.3.3.3";
                                         },
                                         [](const MSettingsValues &v) {
                                             return v.config.sipRegistrarAddress.value == "10.3.3.3" &&
                                                    v.sipProxyAddress == "proxy.example.com";
                                         }};
    m["first run: address"] = {[](MSettingsValues &v) {
                                   v.firstRun = true;
                                   v.sipProxyAddress.clear();
                                   v.config.sipRegistrarAddress.set("pbx.example.com");
                                   v.appMode = -1;
                               },
                               [](MSettingsEntries &e) { e.pbxAddress = "pbx.first.example"; },
                               [](const MSettingsValues &v) {
                                   return !v.firstRun && v.config.pbxAddress.value == "pbx.first.example" &&
                                          v.config.sipRegistrarAddress.value == "pbx.first.example" &&
                                          v.config.account.value == "acc1";
                               }};
    m["first run: nothing"] = {[](MSettingsValues &v) { v.firstRun = true; }, [](MSettingsEntries &) {},
                               [](const MSettingsValues &v) { return v.firstRun; }};
    return m;
}

} // namespace

class TestMSettingsChange : public QObject
{
    Q_OBJECT

private slots:
    void fromEntries_data();
    void fromEntries();
    void untouchedFormKeepsEveryValue();
};

void TestMSettingsChange::fromEntries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("signalList");
    QTest::addColumn<int>("restartQuestion");
    QTest::addColumn<int>("accountQuestion");

    using R = Change::RestartQuestion;
    using A = Change::AccountQuestion;
    auto row = [](const char *name, const QStringList &s, R r = R::None, A a = A::None) {
        QTest::newRow(name) << QString(name) << s << int(r) << int(a);
    };
    row("nothing", {});
    row("popup", {"services"});
    row("copy to call on", {"services", "copy2call:on"});
    row("copy to call off", {"services", "copy2call:off"});
    row("update timer off", {"updates"});
    row("updates at start", {"updates"});
    row("cdr days", {"cdr"});
    row("local registrar", {"sip"});
    row("registrar, softphone", {"sip"});
    row("registrar, desk phone", {});
    row("ring device", {"audio"});
    row("devices not listed", {});
    row("account in use, softphone", {"sip"}, R::None, A::AlreadyInUse);
    row("account unused, softphone", {"sip"});
    row("account unused, desk phone", {"sip"}, R::None, A::NotInUse);
    row("account in force chosen", {});
    row("user", {"restart"}, R::Softphone);
    row("password", {"restart"}, R::Softphone);
    row("same password again", {});
    row("transport", {"restart"}, R::Softphone);
    row("language and popup", {"restart"}, R::ModeLanguage);
    row("mode with an account chosen", {"restart"}, R::ModeLanguage);
    row("address: registrar follows", {"restart"}, R::Softphone);
    row("address with registrar typed", {"restart"}, R::Softphone);
    row("first run: address", {"sip"});
    row("first run: nothing", {});
}

void TestMSettingsChange::fromEntries()
{
    QFETCH(QString, name);
    QFETCH(QStringList, signalList);
    QFETCH(int, restartQuestion);
    QFETCH(int, accountQuestion);
    const Case c = cases().value(name);
    QVERIFY2(c.enter, "no such case");

    MSettingsValues inForce = baseValues();
    c.inForce(inForce);
    MSettingsEntries entered = entriesShowing(inForce);
    c.enter(entered);

    const Change change = Change::fromEntries(inForce, entered);
    QCOMPARE(signalNames(change.signalsToEmit), signalList);
    QCOMPARE(change.restart, signalList.contains("restart"));
    QCOMPARE(int(change.restartQuestion), restartQuestion);
    QCOMPARE(int(change.accountQuestion), accountQuestion);
    if (change.accountQuestion == Change::AccountQuestion::AlreadyInUse)
        QCOMPARE(change.accountUserAgent, entered.accountUserAgent);
    QVERIFY(c.next(change.next));
}

// OK on a form that shows the values in force takes nothing and announces nothing.
void TestMSettingsChange::untouchedFormKeepsEveryValue()
{
    for (int mode : {-1, 0, 1, 2}) {
        MSettingsValues inForce = baseValues();
        inForce.appMode = mode;
        const Change change = Change::fromEntries(inForce, entriesShowing(inForce));
        QVERIFY(change.signalsToEmit.isEmpty());
        const MctiConfig &a = change.next.config;
        const MctiConfig &b = inForce.config;
        QCOMPARE(a.pbxAddress.value, b.pbxAddress.value);
        QCOMPARE(a.account.value, b.account.value);
        QCOMPARE(a.account.previous, b.account.previous);
        QCOMPARE(a.sipRegistrarAddress.value, b.sipRegistrarAddress.value);
        QCOMPARE(change.next.sipProxyAddress, inForce.sipProxyAddress);
        QCOMPARE(change.next.popupCall, inForce.popupCall);
    }
}

int main(int argc, char *argv[])
{
    testsupport::setUpIsolatedEnvironment();
    QCoreApplication app(argc, argv);
    testsupport::installStrictMessageHandler();
    TestMSettingsChange tc;
    QTEST_SET_MAIN_SOURCE_PATH
    const int rc = QTest::qExec(&tc, argc, argv);
    return rc != 0 ? rc : (testsupport::connectionWarningCount() ? 1 : 0);
}

#include "tst_msettingschange.moc"
