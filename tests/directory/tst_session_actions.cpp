// What the user does from the directory rows of a window logged in to the PBX
// simulator: personal contacts added, edited and deleted (the simulator's
// phone book and the list follow), a call booked on a busy colleague and
// cancelled when the lamp goes idle, a ringing colleague picked up, a text
// message sent, refused and seen in the simulator's trace.
#include "calls/calllines.h"
#include "directory/bookedcalls.h"
#include "directory/customtreeview.h"
#include "directory/directoryactions.h"
#include "directory/directorypanel.h"
#include "directory/directoryroles.h"
#include "directory/dlgcontactedit.h"
#include "directory/wdgcontactentry.h"
#include "directory/wdgsms.h"
#include "mainwindow/session/pbxsession.h"
#include "phone/phonebackends.h"
#include "scriptedprompts.h"
#include "sessionfixture.h"
#include "testhelpers.h"
#include "testmain.h"
#include "widgets/balloonboard.h"
#include "widgets/wdgbookedline.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>

using namespace sessiontest;
using testsupport::child;
using testsupport::clickButton;

namespace
{
// The top-level row of a view whose column-0 `role` holds `value`.
QModelIndex rowOf(CustomTreeView *view, int role, const QString &value)
{
    QAbstractItemModel *m = view->model();
    for (int r = 0; m && r < m->rowCount(); ++r) {
        const QModelIndex i = m->index(r, 0);
        if (i.data(role).toString() == value)
            return i;
    }
    return {};
}

// Right-clicks the row and returns the actions of the menu that opens.
QList<QAction *> rightClick(MPGui &w, CustomTreeView *view, const QModelIndex &index)
{
    view->setCurrentIndex(index);
    emit view->customContextMenuRequested(view->visualRect(index).center());
    QMenu *shown = w.directoryActions()->lastMenu(view);
    return shown ? shown->actions() : QList<QAction *>();
}

QAction *named(const QList<QAction *> &actions, const QString &name)
{
    for (QAction *a : actions) {
        if (a->objectName() == name)
            return a;
    }
    return nullptr;
}

bool hasPersonal(const PbxSimulator &sim, const QString &lastName)
{
    for (const PhoneBookEntry &e : sim.data().personalContacts.value(QStringLiteral("demo"))) {
        if (e.lastName == lastName)
            return true;
    }
    return false;
}

CustomTreeView *view(MPGui &w, const char *name)
{
    return child<CustomTreeView>(w, QLatin1String(name));
}

MctiConfig deskPhoneConfig(const SessionFixture &f)
{
    MctiConfig c = f.config(QStringLiteral("demo"), QStringLiteral("demo"), 1);
    c.account.set(QStringLiteral("201"));
    return c;
}
} // namespace

class TestActionsSession : public QObject
{
    Q_OBJECT
private slots:
    void personalContactAddEditDelete();
    void callHistoryNumberJoinsThePhoneBook();
    void bookingEndsWhenTheLampGoesIdle();
    void bookingOutlivesAReconnection();
    void ringingColleagueIsPickedUp();
    void smsFromAContactsMobile();
};

void TestActionsSession::personalContactAddEditDelete()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    CustomTreeView *contacts = view(w, "tvContacts");
    QTRY_VERIFY(rowOf(contacts, DirRole::EntryId, QStringLiteral("pc-1")).isValid());
    const int before = contacts->model()->rowCount();

    // Add: the add button, the editor filled as a user does.
    prompts.dialogNext([](QDialog *d) {
        QTest::keyClicks(child<QLineEdit>(*d, "txtName"), QStringLiteral("Paolo"));
        QTest::keyClicks(child<QLineEdit>(*d, "txtSurname"), QStringLiteral("Testa"));
        auto *row = qobject_cast<DlgContactEdit *>(d)->entryRows().first();
        auto *type = child<QComboBox>(*row, "cbType");
        type->setCurrentIndex(type->findText(QStringLiteral("Cellulare")));
        QTest::keyClicks(child<QLineEdit>(*row, "txtValue"), QStringLiteral("3401112233"));
        clickButton(*d, QStringLiteral("btSave"));
    });
    clickButton(w, QStringLiteral("btnAddContact"));
    QCOMPARE(prompts.dialogRequests, QStringList{"dlgContactEdit"});
    // Shown at once, unconfirmed, without edit entries...
    QCOMPARE(contacts->model()->rowCount(), before + 1);
    QModelIndex added;
    for (int r = 0; r < contacts->model()->rowCount(); ++r) {
        const QModelIndex i = contacts->model()->index(r, 0);
        if (i.data(DirRole::Entry).value<PhoneBookEntry>().lastName == QLatin1String("Testa"))
            added = i;
    }
    QVERIFY(added.isValid());
    QVERIFY(!added.data(DirRole::Confirmed).toBool());
    QVERIFY(!named(rightClick(w, contacts, added), QStringLiteral("ctxEditContact")));
    // ...stored by the PBX, and confirmed by its next phone book.
    QTRY_VERIFY(hasPersonal(*f.sim, QStringLiteral("Testa")));
    const PhoneBookEntry stored = f.sim->data().personalContacts.value(QStringLiteral("demo")).last();
    QCOMPARE(stored.mobile, QStringLiteral("3401112233"));
    QCOMPARE(stored.contacts.first().subtype, QStringLiteral("mobile"));
    QTRY_VERIFY(rowOf(contacts, DirRole::EntryId, stored.id).data(DirRole::Confirmed).toBool());
    QCOMPARE(contacts->model()->rowCount(), before + 1);

    // Edit from the menu of the personal contact.
    prompts.dialogNext([](QDialog *d) {
        auto *surname = child<QLineEdit>(*d, "txtSurname");
        surname->clear();
        QTest::keyClicks(surname, QStringLiteral("Carlotta"));
        clickButton(*d, QStringLiteral("btSave"));
    });
    QAction *edit = named(rightClick(w, contacts, rowOf(contacts, DirRole::EntryId, QStringLiteral("pc-1"))),
                          QStringLiteral("ctxEditContact"));
    QVERIFY(edit && edit->isEnabled());
    QCOMPARE(edit->text(), QStringLiteral("&Modifica il contatto: Zia Carla"));
    edit->trigger();
    QCOMPARE(
        rowOf(contacts, DirRole::EntryId, QStringLiteral("pc-1")).data(DirRole::Entry).value<PhoneBookEntry>().lastName,
        QStringLiteral("Carlotta"));
    QTRY_VERIFY(hasPersonal(*f.sim, QStringLiteral("Carlotta")));
    QVERIFY(!hasPersonal(*f.sim, QStringLiteral("Carla")));
    // The untouched mobile number went back as it was.
    QCOMPARE(f.sim->data().personalContacts.value(QStringLiteral("demo")).first().contacts.first().subtype,
             QStringLiteral("mobile"));

    // A record without identifier can be neither edited nor deleted.
    const int dialogs = prompts.dialogRequests.size();
    const int boxes = prompts.shown.size();
    w.directoryActions()->updateContact(PhoneBookEntry());
    w.directoryActions()->deleteContact(PhoneBookEntry());
    QCOMPARE(prompts.dialogRequests.size(), dialogs);
    QCOMPARE(prompts.shown.size(), boxes);

    // Delete: "No" keeps it, "Si" removes it.
    QAction *del = named(rightClick(w, contacts, rowOf(contacts, DirRole::EntryId, QStringLiteral("pc-1"))),
                         QStringLiteral("ctxDeleteContact"));
    QVERIFY(del);
    del->trigger(); // unscripted: the default button, No
    QCOMPARE(prompts.shown.last().message.text, QStringLiteral("Sei sicuro di cancellare il contatto Zia Carlotta?"));
    QCOMPARE(prompts.shown.last().message.defaultButton, QMessageBox::No);
    QTest::qWait(100);
    QVERIFY(hasPersonal(*f.sim, QStringLiteral("Carlotta")));
    prompts.answerNext(QMessageBox::Yes);
    named(rightClick(w, contacts, rowOf(contacts, DirRole::EntryId, QStringLiteral("pc-1"))),
          QStringLiteral("ctxDeleteContact"))
        ->trigger();
    QVERIFY(!rowOf(contacts, DirRole::EntryId, QStringLiteral("pc-1")).isValid());
    QTRY_VERIFY(!hasPersonal(*f.sim, QStringLiteral("Carlotta")));
    QTest::qWait(200); // the PBX's next phone book does not bring it back
    QVERIFY(!rowOf(contacts, DirRole::EntryId, QStringLiteral("pc-1")).isValid());
}

void TestActionsSession::callHistoryNumberJoinsThePhoneBook()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    CustomTreeView *cdr = view(w, "tvCdr");
    QModelIndex outside;
    QTRY_VERIFY(cdr->model() && cdr->model()->rowCount() > 0);
    for (int r = 0; r < cdr->model()->rowCount() && !outside.isValid(); ++r) {
        const QModelIndex n = cdr->model()->index(r, 2);
        if (n.data(DirRole::Visibility).toInt() == 0 && n.data().toString().startsWith(QLatin1Char('+')))
            outside = n;
    }
    QVERIFY(outside.isValid());
    const QString number = outside.data().toString();

    // With no active line, a number's menu clears a transfer left pending.
    w.callLines()->setAttendedTransfer(7, 8, QStringLiteral("203"));
    const QList<QAction *> menu = rightClick(w, cdr, outside);
    QCOMPARE(w.callLines()->attendedTransferLine(), qint64(-1));
    QCOMPARE(w.callLines()->consultationLine(), qint64(-1));
    QVERIFY(named(menu, QStringLiteral("ctxCopyNumber")));
    named(menu, QStringLiteral("ctxCopyNumber"))->trigger();
    QCOMPARE(QApplication::clipboard()->text(), number);

    QString shownType;
    prompts.dialogNext([&shownType](QDialog *d) {
        auto *row = qobject_cast<DlgContactEdit *>(d)->entryRows().first();
        shownType = child<QComboBox>(*row, "cbType")->currentText();
        QTest::keyClicks(child<QLineEdit>(*d, "txtName"), QStringLiteral("Nuovo"));
        QTest::keyClicks(child<QLineEdit>(*d, "txtSurname"), QStringLiteral("Cliente"));
        clickButton(*d, QStringLiteral("btSave"));
    });
    QAction *add = named(rightClick(w, cdr, outside), QStringLiteral("ctxAddContact"));
    QVERIFY(add);
    QCOMPARE(add->text(), QStringLiteral("&Aggiungi alla rubrica: %1").arg(number));
    add->trigger();
    QCOMPARE(shownType, QStringLiteral("Principale"));
    QTRY_VERIFY(hasPersonal(*f.sim, QStringLiteral("Cliente")));
    const PhoneBookEntry stored = f.sim->data().personalContacts.value(QStringLiteral("demo")).last();
    QCOMPARE(stored.contacts.size(), 1);
    QCOMPARE(stored.contacts.first().kind, QStringLiteral("phone"));
    QCOMPARE(stored.contacts.first().subtype, QStringLiteral("main")); // an outside number, not an extension
    QCOMPARE(stored.contacts.first().value, number);
    QCOMPARE(stored.phone, number);
    QVERIFY(stored.extension.isEmpty());
}

void TestActionsSession::bookingEndsWhenTheLampGoesIdle()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    MPGui w{deskPhoneConfig(f)};
    QVERIFY(startAndLogin(w));
    QTRY_VERIFY(w.phoneBackends()->deskPhone());
    CustomTreeView *extensions = view(w, "tvExtensions");
    QTRY_VERIFY(rowOf(extensions, DirRole::Extension, QStringLiteral("203")).isValid());
    f.sim->setBlf(QStringLiteral("203"), 2);
    QTRY_COMPARE(w.directoryPanel()->extensions().value(QStringLiteral("203")).blfState, 2);

    QAction *book = named(rightClick(w, extensions, rowOf(extensions, DirRole::Extension, QStringLiteral("203"))),
                          QStringLiteral("ctxBook"));
    QVERIFY(book && book->isEnabled());
    book->trigger();
    BookedCalls *booked = w.directoryActions()->bookings();
    QVERIFY(booked->isBooked(QStringLiteral("203")));
    QStackedWidget *lines = w.callLines()->lineStack();
    wdgBookedLine *line = booked->lineOf(QStringLiteral("203"));
    QVERIFY(lines->indexOf(line) >= 0);
    QCOMPARE(line->getRemoteName(), w.directoryPanel()->extensions().value(QStringLiteral("203")).name);
    // The menu now offers the cancel instead.
    const QList<QAction *> again =
        rightClick(w, extensions, rowOf(extensions, DirRole::Extension, QStringLiteral("203")));
    QVERIFY(named(again, QStringLiteral("ctxCancelBooking")));
    QVERIFY(!named(again, QStringLiteral("ctxBook")));

    f.sim->setBlf(QStringLiteral("203"), 0);
    QTRY_VERIFY(!booked->isBooked(QStringLiteral("203")));
    QCOMPARE(lines->count(), 0);
    const Balloon::KeyPair key(Balloon::ExtenAvailableBalloon, QStringLiteral("203"));
    QVERIFY(w.balloonBoard()->balloonsMap().contains(key));

    // A booking still held when the window goes is released with it.
    f.sim->setBlf(QStringLiteral("204"), 2);
    QTRY_COMPARE(w.directoryPanel()->extensions().value(QStringLiteral("204")).blfState, 2);
    w.directoryActions()->bookCall(QStringLiteral("204"));
    QVERIFY(booked->isBooked(QStringLiteral("204")));
}

// The PBX connection drops and comes back: a colleague still busy keeps the
// booking; one that freed up meanwhile ends it with the call prompt.
void TestActionsSession::bookingOutlivesAReconnection()
{
    PbxSimData data = PbxSimData::demo();
    data.extensions[QStringLiteral("203")].blf = 2;
    data.extensions[QStringLiteral("204")].blf = 2;
    SessionFixture f(data);
    ScriptedPrompts prompts;
    MPGui w{deskPhoneConfig(f)};
    QVERIFY(startAndLogin(w));
    QTRY_VERIFY(w.phoneBackends()->deskPhone());
    w.pbxSession()->setReconnectDelay({50, 0});
    CustomTreeView *extensions = view(w, "tvExtensions");
    BookedCalls *booked = w.directoryActions()->bookings();
    QStackedWidget *lines = w.callLines()->lineStack();
    for (const QString &number : {QStringLiteral("203"), QStringLiteral("204")}) {
        QTRY_COMPARE(w.directoryPanel()->extensions().value(number).blfState, 2);
        QAction *book =
            named(rightClick(w, extensions, rowOf(extensions, DirRole::Extension, number)), QStringLiteral("ctxBook"));
        QVERIFY(book && book->isEnabled());
        book->trigger();
        QVERIFY(booked->isBooked(number));
    }
    QCOMPARE(lines->count(), 2);

    // Down: the booked lines stay in the stack.
    f.killSimulator();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isSessionUp(), 5000);
    QVERIFY(booked->isBooked(QStringLiteral("203")));
    QVERIFY(booked->isBooked(QStringLiteral("204")));
    QCOMPARE(lines->count(), 2);

    // Back, with 204 free by now.
    data.extensions[QStringLiteral("204")].blf = 0;
    QVERIFY(f.reviveSimulator(data));
    QTRY_VERIFY_WITH_TIMEOUT(w.isSessionUp(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!booked->isBooked(QStringLiteral("204")), 10000);
    const Balloon::KeyPair freed(Balloon::ExtenAvailableBalloon, QStringLiteral("204"));
    QVERIFY(w.balloonBoard()->balloonsMap().contains(freed));
    QVERIFY(booked->isBooked(QStringLiteral("203")));
    QCOMPARE(lines->count(), 1);
    QCOMPARE(booked->lineOf(QStringLiteral("203"))->getRemoteNum(), QStringLiteral("203"));
    // The menu still offers the cancel, and the idle lamp still ends it.
    QTRY_VERIFY(rowOf(extensions, DirRole::Extension, QStringLiteral("203")).isValid());
    QVERIFY(named(rightClick(w, extensions, rowOf(extensions, DirRole::Extension, QStringLiteral("203"))),
                  QStringLiteral("ctxCancelBooking")));
    f.sim->setBlf(QStringLiteral("203"), 0);
    QTRY_VERIFY(!booked->isBooked(QStringLiteral("203")));
    QCOMPARE(lines->count(), 0);
}

void TestActionsSession::ringingColleagueIsPickedUp()
{
    // With the desk phone the menu offers the pick-up of a ringing colleague.
    {
        SessionFixture f;
        f.sim->setAnswerDelay(60000); // 202 keeps ringing
        ScriptedPrompts prompts;
        MPGui w{deskPhoneConfig(f)};
        QVERIFY(startAndLogin(w));
        QTRY_VERIFY(w.phoneBackends()->deskPhone());
        CustomTreeView *extensions = view(w, "tvExtensions");
        QTRY_VERIFY(rowOf(extensions, DirRole::Extension, QStringLiteral("202")).isValid());
        QVERIFY(!f.sim->injectIncomingCall(QStringLiteral("0612345678"), QStringLiteral("202")).isEmpty());
        QTRY_COMPARE(w.directoryPanel()->extensions().value(QStringLiteral("202")).blfState, 8);
        QAction *pickup = named(rightClick(w, extensions, rowOf(extensions, DirRole::Extension, QStringLiteral("202"))),
                                QStringLiteral("ctxPickup"));
        QVERIFY(pickup && pickup->isEnabled());
        QCOMPARE(pickup->text(), QStringLiteral("&Preleva: 202"));
        QCOMPARE(pickup->data().toString(), QStringLiteral("202"));
        pickup->trigger();
        QVERIFY(f.logText().contains("Call pickup from 202"));
    }
    // The pick-up dials the PBX's pick-up code and the colleague's number:
    // the call ringing there becomes the user's.
    SessionFixture f;
    f.sim->setAnswerDelay(60000);
    ScriptedPrompts prompts;
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    QTRY_VERIFY(w.directoryPanel()->extensions().contains(QStringLiteral("202")));
    QVERIFY(!f.sim->injectIncomingCall(QStringLiteral("0612345678"), QStringLiteral("202")).isEmpty());
    QTRY_COMPARE(w.directoryPanel()->extensions().value(QStringLiteral("202")).blfState, 8);
    QStringList dialled;
    connect(f.sim.get(), &PbxSimulator::commandReceived, this,
            [&dialled](const QString &, const QString &, const QJsonObject &args) {
                if (args.contains(QStringLiteral("number")))
                    dialled << args.value(QStringLiteral("number")).toString();
            });
    w.directoryActions()->pickup(QStringLiteral("202"), false);
    QTRY_VERIFY(dialled.contains(QStringLiteral("*8202")));
    QTRY_VERIFY(!w.callLines()->activeLines().isEmpty());
    // The supervised pick-up uses its own code.
    dialled.clear();
    w.directoryActions()->pickup(QStringLiteral("203"), true);
    QTRY_VERIFY(dialled.contains(QStringLiteral("*88203")));
}

void TestActionsSession::smsFromAContactsMobile()
{
    SessionFixture f;
    ScriptedPrompts prompts;
    const QString trace = f.dir.filePath(QStringLiteral("pbx-trace.jsonl"));
    QVERIFY(f.sim->setTraceFile(trace));
    MPGui w{f.config()};
    QVERIFY(startAndLogin(w));
    CustomTreeView *contacts = view(w, "tvContacts");
    QTRY_VERIFY(rowOf(contacts, DirRole::EntryId, QStringLiteral("pb-1")).isValid());
    const QModelIndex mario = rowOf(contacts, DirRole::EntryId, QStringLiteral("pb-1"));
    QModelIndex mobile;
    for (int r = 0; r < contacts->model()->rowCount(mario); ++r) {
        const QModelIndex c = contacts->model()->index(r, 0, mario);
        if (contacts->model()->index(r, 1, mario).data().toString().contains(QStringLiteral("333")) ||
            c.data().toString().contains(QStringLiteral("333")))
            mobile = c;
    }
    QVERIFY(mobile.isValid());

    // A double click on the address opens the mail program on it.
    QModelIndex address;
    for (int r = 0; r < contacts->model()->rowCount(mario); ++r) {
        const QModelIndex c = contacts->model()->index(r, 0, mario);
        if (c.data(DirRole::Visibility).toInt() == NumberKind::Email)
            address = c;
    }
    QVERIFY(address.isValid());
    emit contacts->doubleClicked(address);
    QCOMPARE(prompts.urls, QList<QUrl>{QUrl(QStringLiteral("mailto:mario.verdi@acme.example"))});

    QAction *sms = named(rightClick(w, contacts, mobile), QStringLiteral("ctxSms"));
    QVERIFY(sms);
    sms->trigger();
    QCOMPARE(w.directoryActions()->smsWindows().size(), 1);
    QPointer<wdgSms> window = w.directoryActions()->smsWindows().first();
    QCOMPARE(window->destination(), QStringLiteral("+393331234567"));
    QTest::keyClicks(child<SmsTextEdit>(*window, "txtSmsMsg"), QStringLiteral("Ci vediamo alle 15"));

    // First the PBX refuses: the window stays with its text.
    PbxSimData noSms = f.sim->data();
    noSms.capabilities &= ~0x1u;
    f.sim->setData(noSms);
    clickButton(*window, QStringLiteral("pbSend"));
    QTRY_COMPARE(prompts.shown.size(), 1);
    QVERIFY(prompts.shown.first().message.text.contains(QStringLiteral("SmsNotAvailable")));
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->text(), QStringLiteral("Ci vediamo alle 15"));
    const int trayBefore = prompts.trayMessages.size();
    for (const auto &m : prompts.trayMessages)
        QVERIFY(m.text != QLatin1String("SMS correttamente inviato"));

    // Then it takes it.
    noSms.capabilities |= 0x1u;
    f.sim->setData(noSms);
    clickButton(*window, QStringLiteral("pbSend"));
    QTRY_COMPARE(f.sim->sentSms().size(), 1);
    QCOMPARE(f.sim->sentSms().first().destination, QStringLiteral("+393331234567"));
    QCOMPARE(f.sim->sentSms().first().text, QStringLiteral("Ci vediamo alle 15"));
    QTRY_COMPARE(prompts.trayMessages.size(), trayBefore + 1);
    QCOMPARE(prompts.trayMessages.last().text, QStringLiteral("SMS correttamente inviato"));
    QTRY_VERIFY(window.isNull());
    f.sim->stopTrace();
    QFile file(trace);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray lines = file.readAll();
    QVERIFY(lines.contains("\"cmd\":\"smsSent\""));
    QVERIFY(lines.contains("Ci vediamo alle 15"));
}

DESKLINE_TEST_MAIN(TestActionsSession)
#include "tst_session_actions.moc"
