// A refused password opens the credential dialog; new credentials are kept
// and restart the session, unchanged ones only close the dialog.
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "settings/msettingsstore.h"
#include "testmain.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace sessiontest;

class TestSessionCredentials : public QObject
{
    Q_OBJECT
private slots:
    void credentialDialog_data();
    void credentialDialog();
};

void TestSessionCredentials::credentialDialog_data()
{
    QTest::addColumn<QString>("typedUser");
    QTest::addColumn<QString>("typedPassword");
    QTest::addColumn<bool>("restart");
    QTest::newRow("new password") << "demo"
                                  << "demo" << true;
    QTest::newRow("new user") << "luca"
                              << "" << true;
    QTest::newRow("nothing changed") << "demo"
                                     << "" << false;
}

void TestSessionCredentials::credentialDialog()
{
    QFETCH(QString, typedUser);
    QFETCH(QString, typedPassword);
    QFETCH(bool, restart);
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config(QStringLiteral("demo"), QStringLiteral("wrong"))};
    QSignalSpy restartRequested(w.store(), &MSettingsStore::sigRestartRequested);
    QString shownUser;
    bool passwordEmpty = false;
    prompts.answerNext(QMessageBox::Ok);
    prompts.dialogNext([&](QDialog *dlg) {
        auto *user = dlg->findChild<QLineEdit *>(QStringLiteral("txtUsername"));
        auto *password = dlg->findChild<QLineEdit *>(QStringLiteral("txtPwd"));
        shownUser = user->text();
        passwordEmpty = password->text().isEmpty();
        user->setText(typedUser);
        password->setText(typedPassword);
        dlg->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();
    });
    w.start();
    QTRY_COMPARE(prompts.dialogRequests, QStringList{QStringLiteral("dlgAuthentication")});
    QCOMPARE(prompts.shown.first().message.title, QStringLiteral("Errore autenticazione"));
    QCOMPARE(shownUser, QStringLiteral("demo"));
    QVERIFY(passwordEmpty);
    QCOMPARE(restartRequested.count(), restart ? 1 : 0);
    QCOMPARE(w.store()->getMUsername(), typedUser);
    if (!typedPassword.isEmpty())
        QCOMPARE(w.store()->getMPassword(), typedPassword);
    if (restart)
        QTRY_VERIFY(w.isRestartRequested());
    else
        QVERIFY(!w.isRestartRequested());
}

DESKLINE_TEST_MAIN(TestSessionCredentials)
#include "tst_session_credentials.moc"
