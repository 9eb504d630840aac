// The entries of the directory context menus by row kind, operating mode,
// PBX capabilities, phone state and call in progress: which are shown, which
// are greyed, what each one carries.
#include "directory/directorymenus.h"
#include "testmain.h"

#include <QtTest>

using namespace DirectoryMenus;

Q_DECLARE_METATYPE(DirectoryMenus::View)
Q_DECLARE_METATYPE(DirectoryMenus::State)

namespace
{
ContactEntry number(const QString &subtype, const QString &value)
{
    ContactEntry e;
    e.kind = subtype == QLatin1String("email") ? QStringLiteral("email") : QStringLiteral("phone");
    e.subtype = subtype == QLatin1String("email") ? QStringLiteral("main") : subtype;
    e.value = value;
    return e;
}

// The shown entries as "text" or "text (off)" for a greyed one, with the
// data after " -> " when it is text.
QStringList describe(const Menu &menu)
{
    QStringList out;
    for (const Entry &e : menu.shown()) {
        QString line = e.text;
        if (!e.enabled)
            line += QStringLiteral(" (off)");
        if (e.data.userType() == QMetaType::QString)
            line += QStringLiteral(" -> ") + e.data.toString();
        out << line;
    }
    return out;
}

// The phone-mode facts of a row: mode, engine present, engine registered, desk phone.
struct Phone {
    int mode;
    bool engine;
    bool registered;
    bool deskPhone;
};
const Phone cti{0, false, false, false};
const Phone desk{1, false, false, true};
const Phone softOk{2, true, true, false};
const Phone softUnregistered{2, true, false, false};

State stateOf(const Phone &p, quint32 caps = 0)
{
    State s;
    s.mode = p.mode;
    s.hasEngine = p.engine;
    s.engineRegistered = p.registered;
    s.hasDeskPhone = p.deskPhone;
    s.capabilities = caps;
    s.outsidePrefix = QStringLiteral("0");
    return s;
}

// The state with the facts of the row's extension: 202 has chat, a call is
// booked on 204.
State withExtension(State s, const QString &exten)
{
    s.chatPresence = exten == QLatin1String("202") ? 1 : -1;
    s.booked = exten == QLatin1String("204");
    return s;
}

State inCall(State s, const QString &remote, bool transferPending = false)
{
    s.hasActiveLines = true;
    s.hasCurrentLine = true;
    s.activeRemote = remote;
    s.transferPending = transferPending;
    return s;
}

PhoneBookEntry extension(const QString &exten)
{
    PhoneBookEntry c;
    c.firstName = QStringLiteral("Luca");
    c.lastName = QStringLiteral("Rossi");
    c.extension = exten;
    c.contacts = {number(QStringLiteral("exten"), exten)};
    return c;
}
} // namespace

class TestDirectoryMenus : public QObject
{
    Q_OBJECT
private slots:
    void numberEntries_data();
    void numberEntries();
    void extensionEntries_data();
    void extensionEntries();
    void phoneBookContact_data();
    void phoneBookContact();
    void callHistoryRows_data();
    void callHistoryRows();
    void noActiveLineClearsTheTransferState();
};

void TestDirectoryMenus::numberEntries_data()
{
    QTest::addColumn<View>("view");
    QTest::addColumn<ContactEntry>("entry");
    QTest::addColumn<State>("state");
    QTest::addColumn<QStringList>("shown");
    const quint32 sms = 0x1;
    QTest::newRow("extension, CTI only") << View::Contacts << number("exten", "201") << stateOf(cti)
                                         << QStringList{"&Chiama: 201 -> 201"};
    QTest::newRow("outside number with separators")
        << View::Contacts << number("work", "+39 (02) 123-45.67/8") << stateOf(cti)
        << QStringList{"&Chiama: +390212345678 -> 0+390212345678"};
    QTest::newRow("mobile gets SMS with the capability")
        << View::Contacts << number("mobile", "333 1234567") << stateOf(cti, sms)
        << QStringList{"&Chiama: 3331234567 -> 03331234567", "Invia &SMS: 3331234567 -> 3331234567"};
    QTest::newRow("mobile without the capability") << View::Contacts << number("mobile", "3331234567") << stateOf(cti)
                                                   << QStringList{"&Chiama: 3331234567 -> 03331234567"};
    QTest::newRow("fixed number starting with 3 counts as mobile")
        << View::Contacts << number("main", "3471112223") << stateOf(cti, sms)
        << QStringList{"&Chiama: 3471112223 -> 03471112223", "Invia &SMS: 3471112223 -> 3471112223"};
    QTest::newRow("fixed number starting with 0 gets no SMS")
        << View::Contacts << number("home", "0212345") << stateOf(cti, sms)
        << QStringList{"&Chiama: 0212345 -> 00212345"};
    QTest::newRow("e-mail only") << View::Contacts << number("email", "a.b@c.example") << stateOf(desk, sms)
                                 << QStringList{"Invia &email: a.b@c.example -> a.b@c.example"};
    QTest::newRow("softphone not registered: call greyed")
        << View::Contacts << number("exten", "203") << stateOf(softUnregistered)
        << QStringList{"&Chiama: 203 (off) -> 203"};
    QTest::newRow("transfers in an extension view, desk phone")
        << View::Extensions << number("exten", "203") << inCall(stateOf(desk), "0612345")
        << QStringList{"&Chiama: 203 -> 203", "&Inoltra a: 203 -> 203", "&Trasferisci con offerta: 203 -> 203"};
    QTest::newRow("transfers hidden in CTI-only mode")
        << View::Favourites << number("exten", "203") << inCall(stateOf(cti), "0612345")
        << QStringList{"&Chiama: 203 -> 203"};
    QTest::newRow("no transfers in the phone book view")
        << View::Contacts << number("exten", "203") << inCall(stateOf(softOk), "0612345")
        << QStringList{"&Chiama: 203 -> 203"};
    QTest::newRow("no transfers while one is pending")
        << View::Extensions << number("exten", "203") << inCall(stateOf(softOk), "0612345", true)
        << QStringList{"&Chiama: 203 -> 203"};
    QTest::newRow("the party talked to is greyed")
        << View::Extensions << number("exten", "203") << inCall(stateOf(softOk), "203")
        << QStringList{"&Chiama: 203 (off) -> 203", "&Inoltra a: 203 (off) -> 203",
                       "&Trasferisci con offerta: 203 (off) -> 203"};
    QTest::newRow("the outside party talked to is greyed by its dial string")
        << View::Extensions << number("mobile", "333 123") << inCall(stateOf(desk), "0333123")
        << QStringList{"&Chiama: 333123 (off) -> 0333123", "&Inoltra a: 333123 (off) -> 0333123",
                       "&Trasferisci con offerta: 333123 (off) -> 0333123"};
    ContactEntry im;
    im.kind = QStringLiteral("im");
    im.value = QStringLiteral("x@y");
    QTest::newRow("other kinds have no entries") << View::Contacts << im << stateOf(desk, sms) << QStringList{};
}

void TestDirectoryMenus::numberEntries()
{
    QFETCH(View, view);
    QFETCH(ContactEntry, entry);
    QFETCH(State, state);
    QFETCH(QStringList, shown);
    QCOMPARE(describe(forEntry(view, entry, state)), shown);
}

void TestDirectoryMenus::extensionEntries_data()
{
    QTest::addColumn<QString>("exten");
    QTest::addColumn<int>("blf");
    QTest::addColumn<State>("state");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("idle, with chat") << "202" << 0 << stateOf(desk)
                                     << QStringList{"&Chiama: 202 -> 202", "C&hat: 202 -> 202"};
    QTest::newRow("ringing, desk phone") << "203" << 8 << stateOf(desk)
                                         << QStringList{"&Chiama: 203 -> 203", "&Preleva: 203 -> 203"};
    QTest::newRow("ringing, CTI only: no pick-up") << "203" << 8 << stateOf(cti) << QStringList{"&Chiama: 203 -> 203"};
    QTest::newRow("ringing, softphone not registered")
        << "203" << 8 << stateOf(softUnregistered)
        << QStringList{"&Chiama: 203 (off) -> 203", "&Preleva: 203 (off) -> 203"};
    QTest::newRow("ringing while a transfer is pending")
        << "203" << 8 << inCall(stateOf(softOk), "0612", true) << QStringList{"&Chiama: 203 -> 203"};
    QTest::newRow("busy, desk phone") << "203" << 2 << stateOf(desk)
                                      << QStringList{"&Chiama: 203 -> 203", "&Prenota chiamata -> 203"};
    QTest::newRow("busy and booked") << "204" << 2 << stateOf(softOk)
                                     << QStringList{"&Chiama: 204 -> 204", "&Annulla prenotazione chiamata -> 204"};
    QTest::newRow("busy, CTI only: no booking") << "203" << 2 << stateOf(cti) << QStringList{"&Chiama: 203 -> 203"};
    QTest::newRow("busy, softphone not registered")
        << "203" << 2 << stateOf(softUnregistered)
        << QStringList{"&Chiama: 203 (off) -> 203", "&Prenota chiamata (off) -> 203"};
    QTest::newRow("busy with the user: booking greyed")
        << "203" << 2 << inCall(stateOf(desk), "203")
        << QStringList{"&Chiama: 203 (off) -> 203", "&Inoltra a: 203 (off) -> 203",
                       "&Trasferisci con offerta: 203 (off) -> 203", "&Prenota chiamata (off) -> 203"};
}

void TestDirectoryMenus::extensionEntries()
{
    QFETCH(QString, exten);
    QFETCH(int, blf);
    QFETCH(State, state);
    QFETCH(QStringList, shown);
    state = withExtension(state, exten);
    QCOMPARE(describe(forContact(View::Extensions, extension(exten), false, blf, state)), shown);
    // The phone book view offers none of the extension entries.
    QCOMPARE(describe(forContact(View::Contacts, extension(exten), false, blf, state)), shown.mid(0, 1));
}

void TestDirectoryMenus::phoneBookContact_data()
{
    QTest::addColumn<bool>("personal");
    QTest::addColumn<quint32>("caps");
    QTest::addColumn<bool>("editable");
    QTest::newRow("personal, editing offered") << true << quint32(0x2000) << true;
    QTest::newRow("personal, PBX without editing") << true << quint32(0x1) << false;
    QTest::newRow("shared contact") << false << quint32(0x2001) << false;
}

void TestDirectoryMenus::phoneBookContact()
{
    QFETCH(bool, personal);
    QFETCH(quint32, caps);
    QFETCH(bool, editable);
    PhoneBookEntry c;
    c.id = QStringLiteral("pc-1");
    c.firstName = QStringLiteral("Zia");
    c.lastName = QStringLiteral("Carla");
    c.contacts = {number(QStringLiteral("mobile"), QStringLiteral("+39 338 7766554")),
                  number(QStringLiteral("email"), QStringLiteral("zia@carla.example"))};
    const Menu menu = forContact(View::Contacts, c, personal, -1, stateOf(desk, caps));
    QStringList expected{"&Chiama: +393387766554 -> 0+393387766554"};
    if (caps & 0x1)
        expected << "Invia &SMS: +393387766554 -> +393387766554";
    expected << "Invia &email: zia@carla.example -> zia@carla.example";
    if (editable)
        expected << "&Modifica il contatto: Zia Carla"
                 << "&Elimina il contatto: Zia Carla";
    QCOMPARE(describe(menu), expected);
    if (editable) {
        const Entry edit = menu.shown().at(menu.shown().size() - 2);
        QCOMPARE(edit.action, Action::EditContact);
        QCOMPARE(edit.data.value<PhoneBookEntry>(), c);
        QCOMPARE(menu.shown().last().action, Action::DeleteContact);
    }
}

void TestDirectoryMenus::callHistoryRows_data()
{
    QTest::addColumn<int>("localFlag");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("extension") << 1 << "205"
                               << QStringList{"&Chiama: 205 -> 205", "Copia &numero: 205 -> 205",
                                              "&Aggiungi alla rubrica: 205 -> 205"};
    QTest::newRow("mobile") << 2 << "3331234567"
                            << QStringList{"&Chiama: 3331234567 -> 03331234567", "Invia &SMS: 3331234567 -> 3331234567",
                                           "Copia &numero: 3331234567 -> 3331234567",
                                           "&Aggiungi alla rubrica: 3331234567 -> 3331234567"};
    QTest::newRow("outside") << 0 << "+39 02 1234567"
                             << QStringList{"&Chiama: +39021234567 -> 0+39021234567",
                                            "Copia &numero: +39021234567 -> +39021234567",
                                            "&Aggiungi alla rubrica: +39021234567 -> +39021234567"};
}

void TestDirectoryMenus::callHistoryRows()
{
    QFETCH(int, localFlag);
    QFETCH(QString, value);
    QFETCH(QStringList, shown);
    QCOMPARE(describe(forEntry(View::CallHistory, callHistoryEntry(value, localFlag), stateOf(desk, 0x1))), shown);
}

void TestDirectoryMenus::noActiveLineClearsTheTransferState()
{
    State s = stateOf(desk);
    s.transferPending = true;
    QVERIFY(forEntry(View::Extensions, number("exten", "203"), s).resetTransferState);
    QVERIFY(!forEntry(View::Extensions, number("exten", "203"), inCall(s, "0612")).resetTransferState);
    // An address is no number: nothing to clear.
    QVERIFY(!forEntry(View::Extensions, number("email", "a@b.example"), s).resetTransferState);
}

DESKLINE_TEST_MAIN(TestDirectoryMenus)
#include "tst_directorymenus.moc"
