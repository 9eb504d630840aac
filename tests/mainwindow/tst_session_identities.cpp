// The PBX's identity list after log-in: account selection per operating mode,
// the account prompt, and an empty selection in softphone mode.
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingsstore.h"
#include "testmain.h"

#include <QListWidget>
#include <QSignalSpy>
#include <QTabWidget>

using namespace sessiontest;

namespace
{
PbxSimData demoWithIdentities(bool empty)
{
    PbxSimData data = PbxSimData::demo();
    if (empty) {
        for (auto it = data.users.begin(); it != data.users.end(); ++it)
            it->identities.clear();
    }
    return data;
}
} // namespace

class TestSessionIdentities : public QObject
{
    Q_OBJECT
private slots:
    void selection_data();
    void selection();
    void sameListTwiceChangesNothing();
    void promptOpensTheAccountList();
};

void TestSessionIdentities::selection_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("preset"); // selected account before log-in
    QTest::addColumn<bool>("emptyList");
    QTest::addColumn<QString>("expectedSelection");
    QTest::addColumn<QStringList>("texts"); // message boxes shown
    QTest::addColumn<bool>("stillConnected");
    QTest::addColumn<bool>("deskPhone");
    const QString prompt = QStringLiteral("Per proseguire è necessario selezionare l'account da utilizzare.");
    const QString none = QStringLiteral("Non è stato selezionato alcun account, verrai disconnesso.");
    QTest::newRow("cti, missing account stays") << 0 << "999" << false << "999" << QStringList{} << true << false;
    QTest::newRow("desk phone, selected") << 1 << "201" << false << "201" << QStringList{} << true << true;
    QTest::newRow("desk phone, none: prompt once") << 1 << "" << false << "" << QStringList{prompt} << true << false;
    QTest::newRow("softphone, selected") << 2 << "201" << false << "201" << QStringList{} << true << false;
    QTest::newRow("softphone, none: prompt, then out")
        << 2 << "" << false << "" << QStringList{prompt, none} << false << false;
    QTest::newRow("softphone, empty list: out") << 2 << "201" << true << "" << QStringList{none} << false << false;
}

void TestSessionIdentities::selection()
{
    QFETCH(int, mode);
    QFETCH(QString, preset);
    QFETCH(bool, emptyList);
    QFETCH(QString, expectedSelection);
    QFETCH(QStringList, texts);
    QFETCH(bool, stillConnected);
    QFETCH(bool, deskPhone);
    SessionFixture f(demoWithIdentities(emptyList));
    ScriptedPrompts prompts;
    MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), mode);
    if (!preset.isEmpty())
        c.account.set(preset);
    MPGui w{c};
    // The log-in is seen by its signal: a session that the selection ends may
    // be over before a poll of its state.
    QSignalSpy started(&w, &MPGui::sigSessionStarted);
    w.start();
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 10000);
    if (!emptyList && stillConnected)
        QTRY_VERIFY(!w.store()->getAccountList().isEmpty());
    if (!stillConnected)
        QTRY_VERIFY(!w.isSessionUp());
    if (deskPhone)
        QTRY_VERIFY(w.phoneBackends()->deskPhone());
    QTest::qWait(50);
    QCOMPARE(w.store()->getSelectedAccount(), expectedSelection);
    QCOMPARE(prompts.texts(), texts);
    if (stillConnected)
        QVERIFY(w.isSessionUp());
    // The account list is the settings dialog's: it was run when prompted.
    QCOMPARE(prompts.dialogRequests.size(),
             texts.contains(QStringLiteral("Per proseguire è necessario selezionare l'account da utilizzare.")) ? 1
                                                                                                                : 0);
    if (mode == 1 && preset.isEmpty())
        QVERIFY(w.phoneBackends()->accountPromptSuppressed);
}

void TestSessionIdentities::sameListTwiceChangesNothing()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config(QStringLiteral("demo"), QStringLiteral("demo"), 1)};
    QVERIFY(startAndLogin(w));
    QTRY_COMPARE(prompts.texts().size(), 1);
    QTRY_VERIFY(w.phoneBackends()->accountPromptSuppressed);
    // The periodic refresh brings the same list (and a changed one brings no
    // second prompt in this session).
    QMetaObject::invokeMethod(&w, "refreshIdentities");
    QTest::qWait(200);
    QCOMPARE(prompts.texts().size(), 1);
    QCOMPARE(prompts.dialogRequests.size(), 1);
}

// The account prompt opens the settings on the page where the user picks the
// account, whichever page the settings were last left on.
void TestSessionIdentities::promptOpensTheAccountList()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config(QStringLiteral("demo"), QStringLiteral("demo"), 1)};
    QString page;
    int accounts = -1;
    prompts.dialogNext([&](QDialog *d) {
        auto *tabs = d->findChild<QTabWidget *>(QStringLiteral("tabMctiSettings"));
        page = tabs && tabs->currentWidget() ? tabs->currentWidget()->objectName() : QString();
        auto *list = d->findChild<QListWidget *>(QStringLiteral("lstAccounts"));
        accounts = list ? list->count() : -1;
    });
    QVERIFY(startAndLogin(w));
    QTRY_COMPARE(prompts.dialogRequests.size(), 1);
    QCOMPARE(prompts.texts(),
             QStringList{QStringLiteral("Per proseguire è necessario selezionare l'account da utilizzare.")});
    QCOMPARE(page, QStringLiteral("tabAccounts"));
    QVERIFY(accounts >= 1);
}

DESKLINE_TEST_MAIN(TestSessionIdentities)
#include "tst_session_identities.moc"
