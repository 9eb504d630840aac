// The number field and the search fields hand the window's shortcut keys
// over: pressed in them, a shortcut's key runs its action once, as anywhere
// else in the window; other keys are typed.
#include "../mainwindow/offlinewindow.h"
#include "mainwindow/customshortcut.h"
#include "testhelpers.h"
#include "testmain.h"
#include "widgets/customlineedit.h"

#include <QSignalSpy>
#include <QTabWidget>

class TestShortcutRequest : public QObject
{
    Q_OBJECT

    std::unique_ptr<OfflineWindowEnv> env;

private slots:
    void init() { env.reset(new OfflineWindowEnv); }
    void cleanup() { env.reset(); }
    void shortcutKeyInAField_data();
    void shortcutKeyInAField();
};

void TestShortcutRequest::shortcutKeyInAField_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("number field") << "edtCallerNumber";
    QTest::newRow("extension search") << "txtExtSearch";
    QTest::newRow("contact search") << "txtContactsSearch";
    QTest::newRow("call-history search") << "txtCdrSearch";
}

void TestShortcutRequest::shortcutKeyInAField()
{
    QFETCH(QString, field);
    auto w = OfflineWindowEnv::startedWindow(1);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->activateWindow();
    auto *edit = testsupport::child<QLineEdit>(*w, field);
    edit->setFocus();
    customShortcut *f10 = w->shortcuts().value(QStringLiteral("F10"));
    customShortcut *end = w->shortcuts().value(QStringLiteral("End"));
    QVERIFY(f10 && end);
    QSignalSpy tab(f10, &customShortcut::activated);
    QSignalSpy hangup(end, &customShortcut::activated);

    QTest::keyClick(edit, Qt::Key_F10);
    QCOMPARE(tab.count(), 1);
    QCOMPARE(testsupport::child<QTabWidget>(*w, QStringLiteral("tabContactsWidget"))->currentWidget()->objectName(),
             QStringLiteral("extTabWidget"));
    QCOMPARE(hangup.count(), 0);

    // A key no shortcut has is typed as usual.
    auto *typed = testsupport::child<QLineEdit>(*w, field);
    typed->setFocus();
    typed->clear();
    QTest::keyClicks(typed, QStringLiteral("20"));
    QCOMPARE(typed->text(), QStringLiteral("20"));
    QCOMPARE(tab.count(), 1);

    // A text without a shortcut does nothing.
    QVERIFY(QMetaObject::invokeMethod(w.get(), "onShortcutRequested", Q_ARG(QString, QStringLiteral("Ctrl+F1"))));
    QCOMPARE(tab.count() + hangup.count(), 1);
}

DESKLINE_TEST_MAIN(TestShortcutRequest)
#include "tst_mpgui_shortcutrequest.moc"
