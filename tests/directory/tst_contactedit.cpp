// The contact editor: its rows (added, removed, the first one never alone
// removable), the checks of names and values with their messages, the kind
// and subtype of every entry kept through an edit that does not retype it,
// and the record's summary fields following its entries.
#include "directory/contactentrytypes.h"
#include "directory/dlgcontactedit.h"
#include "directory/wdgcontactentry.h"
#include "scriptedprompts.h"
#include "testhelpers.h"
#include "testmain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using testsupport::child;
using testsupport::clickButton;

namespace
{
ContactEntry entry(const QString &kind, const QString &subtype, const QString &value, bool preferred = false)
{
    ContactEntry e;
    e.kind = kind;
    e.subtype = subtype;
    e.value = value;
    e.preferred = preferred;
    return e;
}

PhoneBookEntry contactWith(const QList<ContactEntry> &entries)
{
    PhoneBookEntry c;
    c.id = QStringLiteral("pc-9");
    c.firstName = QStringLiteral("Carla");
    c.lastName = QStringLiteral("Rossi");
    c.contacts = entries;
    return c;
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->clear();
    QTest::keyClicks(edit, text);
}
} // namespace

class TestContactEdit : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void rowsAddAndRemove();
    void untouchedEntriesRoundTrip_data();
    void untouchedEntriesRoundTrip();
    void retypedEntryTakesTheNewKind_data();
    void retypedEntryTakesTheNewKind();
    void numberFromCallHistoryIsAMainNumber();
    void summaryFollowsTheEntries();
    void valueChecks_data();
    void valueChecks();
    void missingNamesAndBadRowsKeepTheDialogOpen();

private:
    QWidget *window = nullptr;
    DlgContactEdit *dialog = nullptr;
    ScriptedPrompts *prompts = nullptr;
    QList<WdgContactEntry *> rows() const { return dialog->entryRows(); }
    // Saves through the dialog's button; true when it was accepted.
    bool save();
};

void TestContactEdit::init()
{
    prompts = new ScriptedPrompts;
    window = new QWidget;
    dialog = new DlgContactEdit(window);
    dialog->show();
}

void TestContactEdit::cleanup()
{
    delete window;
    delete prompts;
}

bool TestContactEdit::save()
{
    QSignalSpy accepted(dialog, &QDialog::accepted);
    clickButton(*dialog, QStringLiteral("btSave"));
    return accepted.count() == 1;
}

void TestContactEdit::rowsAddAndRemove()
{
    dialog->setContact(contactWith({}));
    QCOMPARE(rows().size(), 1);
    auto *first = rows().first();
    QCOMPARE(child<QComboBox>(*first, "cbType")->currentText(), QStringLiteral("Interno"));
    QVERIFY(!child<QPushButton>(*first, "btRemove")->isEnabled());

    clickButton(*dialog, QStringLiteral("btAddContactEntry"));
    QCOMPARE(rows().size(), 2);
    QVERIFY(child<QPushButton>(*first, "btRemove")->isEnabled());
    QVERIFY(child<QPushButton>(*rows().at(1), "btRemove")->isEnabled());

    clickButton(*rows().at(1), QStringLiteral("btRemove"));
    QCOMPARE(rows().size(), 1);
    QVERIFY(!child<QPushButton>(*first, "btRemove")->isEnabled());

    // Loading another contact replaces every row.
    dialog->setContact(contactWith({entry("phone", "mobile", "3331234567"), entry("email", "main", "c@r.example")}));
    QCOMPARE(rows().size(), 2);
    QCOMPARE(child<QComboBox>(*rows().at(1), "cbType")->currentText(), QStringLiteral("E-Mail"));
}

void TestContactEdit::untouchedEntriesRoundTrip_data()
{
    QTest::addColumn<ContactEntry>("loaded");
    QTest::addColumn<QString>("shownAs");
    QTest::newRow("extension") << entry("phone", "exten", "201") << "Interno";
    QTest::newRow("home") << entry("phone", "home", "0212345") << "Casa";
    QTest::newRow("work") << entry("phone", "work", "0298765") << "Lavoro";
    QTest::newRow("number as the PBX wrote it") << entry("phone", "work", "+39 02 987-65") << "Lavoro";
    QTest::newRow("mobile") << entry("phone", "mobile", "+393331234567", true) << "Cellulare";
    QTest::newRow("work mobile") << entry("phone", "work_mobile", "3471112223") << "Cellulare di lavoro";
    QTest::newRow("fax") << entry("phone", "fax", "0211112222") << "Fax";
    QTest::newRow("e-mail") << entry("email", "main", "carla@rossi.example") << "E-Mail";
    QTest::newRow("main number") << entry("phone", "main", "+39021234567") << "Principale";
    QTest::newRow("instant messaging") << entry("im", "xmpp", "carla@jabber.example") << "Altro (im/xmpp)";
    QTest::newRow("other") << entry("other", "", "Via Roma 1") << "Altro (other)";
    QTest::newRow("unknown phone kind") << entry("phone", "pager", "12345") << "Altro (phone/pager)";
}

void TestContactEdit::untouchedEntriesRoundTrip()
{
    QFETCH(ContactEntry, loaded);
    QFETCH(QString, shownAs);
    const ContactEntry extension = entry("phone", "exten", "205");
    dialog->setContact(contactWith({loaded, extension}));
    QCOMPARE(child<QComboBox>(*rows().first(), "cbType")->currentText(), shownAs);
    QVERIFY(save());
    QCOMPARE(dialog->getContact().contacts, (QList<ContactEntry>{loaded, extension}));
    QCOMPARE(dialog->getContact().id, QStringLiteral("pc-9"));
}

void TestContactEdit::retypedEntryTakesTheNewKind_data()
{
    QTest::addColumn<ContactEntry>("loaded");
    QTest::addColumn<QString>("picked");
    QTest::addColumn<ContactEntry>("saved");
    QTest::newRow("main to mobile") << entry("phone", "main", "3331234567") << "Cellulare"
                                    << entry("phone", "mobile", "3331234567");
    QTest::newRow("im to home") << entry("im", "xmpp", "021234567") << "Casa" << entry("phone", "home", "021234567");
    QTest::newRow("mobile to main") << entry("phone", "mobile", "3331234567", true) << "Principale"
                                    << entry("phone", "main", "3331234567");
}

void TestContactEdit::retypedEntryTakesTheNewKind()
{
    QFETCH(ContactEntry, loaded);
    QFETCH(QString, picked);
    QFETCH(ContactEntry, saved);
    dialog->setContact(contactWith({loaded}));
    auto *type = child<QComboBox>(*rows().first(), "cbType");
    type->setCurrentIndex(type->findText(picked));
    QCOMPARE(type->currentText(), picked);
    QCOMPARE(type->findText(QStringLiteral("Altro"), Qt::MatchStartsWith), -1); // the kept kind is gone
    QVERIFY(save());
    QCOMPARE(dialog->getContact().contacts, QList<ContactEntry>{saved});
}

void TestContactEdit::numberFromCallHistoryIsAMainNumber()
{
    dialog->clear();
    dialog->setPhoneNumber(QStringLiteral("0612345678"));
    QCOMPARE(rows().size(), 1);
    QCOMPARE(child<QComboBox>(*rows().first(), "cbType")->currentText(), QStringLiteral("Principale"));
    typeInto(child<QLineEdit>(*dialog, "txtName"), QStringLiteral("Mario"));
    typeInto(child<QLineEdit>(*dialog, "txtSurname"), QStringLiteral("Verdi"));
    QVERIFY(save());
    QCOMPARE(dialog->getContact().contacts, QList<ContactEntry>{entry("phone", "main", "0612345678")});
    QCOMPARE(dialog->getContact().phone, QStringLiteral("0612345678"));
    QVERIFY(dialog->getContact().extension.isEmpty());
}

void TestContactEdit::summaryFollowsTheEntries()
{
    PhoneBookEntry stale =
        contactWith({entry("phone", "exten", "201"), entry("phone", "work", "021111"),
                     entry("phone", "mobile", "3330000000"), entry("email", "main", "old@x.example")});
    stale.extension = QStringLiteral("201");
    stale.phone = QStringLiteral("021111");
    stale.mobile = QStringLiteral("3330000000");
    stale.email = QStringLiteral("old@x.example");
    stale.home = QStringLiteral("0499999");
    dialog->setContact(stale);
    // Change the mobile number, drop the extension, add a home number.
    typeInto(child<QLineEdit>(*rows().at(2), "txtValue"), QStringLiteral("3471234567"));
    clickButton(*rows().first(), QStringLiteral("btRemove"));
    QApplication::processEvents();
    clickButton(*dialog, QStringLiteral("btAddContactEntry"));
    WdgContactEntry *home = rows().last();
    auto *type = child<QComboBox>(*home, "cbType");
    type->setCurrentIndex(type->findText(QStringLiteral("Casa")));
    typeInto(child<QLineEdit>(*home, "txtValue"), QStringLiteral("0455555"));
    QVERIFY(save());
    const PhoneBookEntry saved = dialog->getContact();
    QCOMPARE(saved.contacts.size(), 4);
    QCOMPARE(saved.extension, QString());
    QCOMPARE(saved.phone, QStringLiteral("021111"));
    QCOMPARE(saved.mobile, QStringLiteral("3471234567"));
    QCOMPARE(saved.email, QStringLiteral("old@x.example"));
    QCOMPARE(saved.home, QStringLiteral("0455555"));
}

void TestContactEdit::valueChecks_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("valid");
    QTest::newRow("digits") << "Interno"
                            << "201" << true;
    QTest::newRow("leading plus") << "Cellulare"
                                  << "+393331234567" << true;
    QTest::newRow("blank between digits") << "Lavoro"
                                          << "02 1234" << false;
    QTest::newRow("plus in the middle") << "Casa"
                                        << "02+1234" << false;
    QTest::newRow("two plus signs") << "Fax"
                                    << "++39" << false;
    QTest::newRow("letters") << "Principale"
                             << "abc" << false;
    QTest::newRow("empty number") << "Interno"
                                  << "" << false;
    QTest::newRow("lower-case address") << "E-Mail"
                                        << "carla.rossi@example.com" << true;
    QTest::newRow("long top-level domain") << "E-Mail"
                                           << "info@studio.museum" << true;
    QTest::newRow("address without dot") << "E-Mail"
                                         << "carla@localhost" << false;
    QTest::newRow("address without at") << "E-Mail"
                                        << "carla.example.com" << false;
    QTest::newRow("empty address") << "E-Mail"
                                   << "" << false;
}

void TestContactEdit::valueChecks()
{
    QFETCH(QString, type);
    QFETCH(QString, value);
    QFETCH(bool, valid);
    dialog->setContact(contactWith({}));
    WdgContactEntry *row = rows().first();
    auto *box = child<QComboBox>(*row, "cbType");
    box->setCurrentIndex(box->findText(type));
    typeInto(child<QLineEdit>(*row, "txtValue"), value);
    QCOMPARE(row->validate(), valid);
    QCOMPARE(row->hasError(), !valid);
    QCOMPARE(row->property("error").toString(), valid ? QString() : QStringLiteral("1"));
    // Any edit clears the mark.
    QTest::keyClick(child<QLineEdit>(*row, "txtValue"), Qt::Key_End);
    QTest::keyClicks(child<QLineEdit>(*row, "txtValue"), QStringLiteral("1"));
    QVERIFY(!row->hasError());
}

void TestContactEdit::missingNamesAndBadRowsKeepTheDialogOpen()
{
    dialog->setContact(contactWith({entry("phone", "mobile", "3331234"), entry("phone", "work", "021234")}));
    typeInto(child<QLineEdit>(*rows().at(0), "txtValue"), QStringLiteral("333 123"));
    typeInto(child<QLineEdit>(*rows().at(1), "txtValue"), QStringLiteral("02x"));
    child<QLineEdit>(*dialog, "txtSurname")->clear();
    QVERIFY(!save());
    QCOMPARE(prompts->shown.size(), 1);
    QCOMPARE(prompts->shown.last().message.title, QStringLiteral("Dati mancanti"));
    QCOMPARE(prompts->shown.last().message.text,
             QStringLiteral("Per salvare il contatto è necessario riempire i campi obbligatori."));

    typeInto(child<QLineEdit>(*dialog, "txtSurname"), QStringLiteral("Rossi"));
    QVERIFY(!save());
    QCOMPARE(prompts->shown.last().message.title, QStringLiteral("Errore di inserimento"));
    QCOMPARE(prompts->shown.last().message.text,
             QStringLiteral("Il valore di contatto inserito non è valido.\nPrego correggere il valore."));
    // Every row was checked, not only the first bad one.
    QVERIFY(rows().at(0)->hasError());
    QVERIFY(rows().at(1)->hasError());
    QVERIFY(dialog->isVisible());
}

DESKLINE_TEST_MAIN(TestContactEdit)
#include "tst_contactedit.moc"
