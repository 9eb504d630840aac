// The softphone's registration state, engine reports and headset notices in
// a logged-in softphone-mode window. The slots are reached by name, as the
// engine's signals reach them.
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testmain.h"

#include <QPushButton>

using namespace sessiontest;

class TestSessionSoftphoneStatus : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void registration();
    void tlsFailureTellsTheUser();
    void engineErrors_data();
    void engineErrors();
    void warningAndHeadsetInTheTray();

private:
    std::unique_ptr<SessionFixture> f;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<MPGui> w;
};

void TestSessionSoftphoneStatus::initTestCase()
{
    f.reset(new SessionFixture);
    prompts.reset(new ScriptedPrompts);
    MctiConfig c = f->config(QStringLiteral("demo"), QStringLiteral("demo"), 2);
    c.account.set(QStringLiteral("201"));
    w.reset(new MPGui(c));
    QVERIFY(startAndLogin(*w));
}

void TestSessionSoftphoneStatus::cleanupTestCase()
{
    w.reset();
    prompts.reset();
    f.reset();
}

void TestSessionSoftphoneStatus::registration()
{
    auto *label = widgetOf<QLabel>(*w, QStringLiteral("lblAccountInfo"));
    auto *call = widgetOf<QPushButton>(*w, QStringLiteral("btnStartAudioCall"));
    auto *number = widgetOf<QLineEdit>(*w, QStringLiteral("edtCallerNumber"));
    for (int i = 0; i < 2; ++i) {
        QVERIFY(QMetaObject::invokeMethod(w.get(), "onSipAccountRegistered"));
        QCOMPARE(label->text(), QStringLiteral("Telefono registrato"));
        QVERIFY(w->phoneBackends()->isSipRegistered());
        QVERIFY(call->isEnabled());
        QVERIFY(number->isEnabled());
        QCOMPARE(call->toolTip(), QStringLiteral("Avvia chiamata"));
    }
    QVERIFY(QMetaObject::invokeMethod(w.get(), "onSipAccountRegistrationFailed"));
    QCOMPARE(label->text(), QStringLiteral("Telefono non registrato"));
    QVERIFY(!w->phoneBackends()->isSipRegistered());
    QVERIFY(!call->isEnabled());
    QVERIFY(!number->isEnabled());
    QCOMPARE(call->toolTip(), QStringLiteral("Avvia chiamata - telefono non registrato"));
    QVERIFY(QMetaObject::invokeMethod(w.get(), "onSipAccountRegistered"));
    QVERIFY(QMetaObject::invokeMethod(w.get(), "onSipAccountUnregistered"));
    QVERIFY(!w->phoneBackends()->isSipRegistered());
    QVERIFY(prompts->shown.isEmpty());
}

void TestSessionSoftphoneStatus::tlsFailureTellsTheUser()
{
    prompts->clear();
    QVERIFY(QMetaObject::invokeMethod(w.get(), "onSipAccountTlsRegistrationFailed"));
    QCOMPARE(prompts->shown.size(), 1);
    QCOMPARE(prompts->shown.first().message.kind, PromptService::Kind::Critical);
    QCOMPARE(prompts->shown.first().message.title, QStringLiteral("TLS"));
    QCOMPARE(prompts->shown.first().message.text,
             QStringLiteral("La negoziazione TLS è fallita.\nControllare la presenza di un certificato valido."));
    QVERIFY(!w->phoneBackends()->isSipRegistered());
}

void TestSessionSoftphoneStatus::engineErrors_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("errorTitle");
    QTest::newRow("0") << 0 << false << 0 << false;
    QTest::newRow("1 information") << 1 << true << int(PromptService::Kind::Information) << false;
    QTest::newRow("2 warning") << 2 << true << int(PromptService::Kind::Warning) << false;
    QTest::newRow("3 critical") << 3 << true << int(PromptService::Kind::Critical) << true;
    QTest::newRow("4") << 4 << false << 0 << false;
}

void TestSessionSoftphoneStatus::engineErrors()
{
    QFETCH(int, level);
    QFETCH(bool, shown);
    QFETCH(int, kind);
    QFETCH(bool, errorTitle);
    prompts->clear();
    QVERIFY(QMetaObject::invokeMethod(w.get(), "onMPengineError", Q_ARG(int, level),
                                      Q_ARG(QString, QStringLiteral("Audio non disponibile"))));
    QCOMPARE(prompts->shown.size(), shown ? 1 : 0);
    if (!shown)
        return;
    const PromptService::Message &m = prompts->shown.first().message;
    QCOMPARE(int(m.kind), kind);
    QCOMPARE(m.text, QStringLiteral("Audio non disponibile"));
    QCOMPARE(m.title, errorTitle ? w->getWindowTitleText() + QStringLiteral(" - Errore") : w->getWindowTitleText());
}

void TestSessionSoftphoneStatus::warningAndHeadsetInTheTray()
{
    prompts->clear();
    QVERIFY(QMetaObject::invokeMethod(w.get(), "onMPEngineWarning", Q_ARG(QString, QStringLiteral("Rete lenta"))));
    QVERIFY(QMetaObject::invokeMethod(w.get(), "onPlantronicsHeadsetDetached",
                                      Q_ARG(QString, QStringLiteral("Cuffia USB"))));
    QCOMPARE(prompts->trayMessages.size(), 2);
    QCOMPARE(prompts->trayMessages.at(0).text, QStringLiteral("Rete lenta"));
    QCOMPARE(prompts->trayMessages.at(0).icon, QSystemTrayIcon::Warning);
    QCOMPARE(prompts->trayMessages.at(1).text, QStringLiteral("Cuffia USB disconnessa"));
    QCOMPARE(prompts->trayMessages.at(1).msecs, 4000);
    QVERIFY(prompts->shown.isEmpty());
}

DESKLINE_TEST_MAIN(TestSessionSoftphoneStatus)
#include "tst_session_softphonestatus.moc"
