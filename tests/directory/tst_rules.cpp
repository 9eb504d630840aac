// Rules of the directories without a window: contact rows, number cleaning,
// search words, call-history flags, date window and cut-off, extension
// reconcile and live status.
#include "directory/cdrmodel.h"
#include "directory/cdrrules.h"
#include "directory/contactrows.h"
#include "directory/contactsmodel.h"
#include "directory/defaultrowaction.h"
#include "directory/directoryroles.h"
#include "directory/extenlist.h"
#include "directory/extensionsmodel.h"
#include "directory/searchwords.h"
#include "widgets/mpguilabels.h"

#include <QStandardItemModel>
#include <QTimeZone>
#include <QtTest>

#include "testmain.h"

namespace
{
ContactEntry field(const QString &kind, const QString &subtype, const QString &value)
{
    ContactEntry e;
    e.kind = kind;
    e.subtype = subtype;
    e.value = value;
    return e;
}

PhoneBookEntry person(const QString &id, const QString &first, const QString &last, QList<ContactEntry> fields)
{
    PhoneBookEntry e;
    e.id = id;
    e.firstName = first;
    e.lastName = last;
    e.company = QStringLiteral("ACME");
    e.department = QStringLiteral("Vendite");
    e.contacts = fields;
    return e;
}

PhoneBook extenBook(const QList<QPair<QString, QString>> &extensions)
{
    PhoneBook book;
    book.source = QStringLiteral("exten");
    book.visibility = QStringLiteral("Public");
    for (const auto &x : extensions) {
        PhoneBookEntry e = person(QStringLiteral("id") + x.first, x.second, QStringLiteral("Rossi"),
                                  {field(QStringLiteral("phone"), QStringLiteral("exten"), x.first)});
        e.extension = x.first;
        book.entries.append(e);
    }
    return book;
}
} // namespace

class TestDirectoryRules : public QObject
{
    Q_OBJECT
private slots:
    void contactRow_data();
    void contactRow();
    void contactsModelEdits();
    void defaultRowAction_data();
    void defaultRowAction();
    void cleanNumber_data();
    void cleanNumber();
    void contactIndex();
    void searchWords_data();
    void searchWords();
    void cdrFlags_data();
    void cdrFlags();
    void cdrDateWindow_data();
    void cdrDateWindow();
    void cdrCutOffAcrossDaylightSaving_data();
    void cdrCutOffAcrossDaylightSaving();
    void cdrDuration_data();
    void cdrDuration();
    void cdrModelRows();
    void extenReconcile();
    void extenStatesTakenAtInstall();
    void extenStatesTakenAfterReconcile();
    void extenLiveStatus_data();
    void extenLiveStatus();
};

void TestDirectoryRules::contactRow_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("visibility");
    QTest::addColumn<bool>("personal");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<int>("kind");
    QTest::newRow("velora private") << "velora"
                                    << "Private" << true << "Contatto personale" << 0;
    QTest::newRow("velora public") << "velora"
                                   << "Public" << false << "Contatto aziendale" << -1;
    QTest::newRow("outlook") << "outlook"
                             << "Private" << false << "Contatto Outlook" << -2;
}

void TestDirectoryRules::contactRow()
{
    QFETCH(QString, source);
    QFETCH(QString, visibility);
    QFETCH(bool, personal);
    QFETCH(QString, tooltip);
    QFETCH(int, kind);
    const PhoneBookEntry entry = person(QStringLiteral("c1"), QStringLiteral(" Anna "), QStringLiteral("Verdi"),
                                        {field("phone", "work", "+39 (02) 123-45.67"), field("phone", "fax", "02 999"),
                                         field("email", "", "anna@example.com"), field("im", "", "anna-im"),
                                         field("phone", "exten", "201"), field("phone", "mobile", "333 1234567")});
    QStandardItemModel model;
    model.appendRow(DirectoryModels::phonebookEntryToModelRow(entry, source, visibility));
    QStandardItem *first = model.item(0, 0);
    QCOMPARE(first->data(DirRole::Source).toString(), source);
    QCOMPARE(first->data(DirRole::Visibility).toString(), visibility);
    QCOMPARE(first->data(DirRole::Personal).toBool(), personal);
    QCOMPARE(first->data(DirRole::Confirmed).toBool(), true);
    QCOMPARE(first->data(DirRole::EntryId).toString(), QStringLiteral("c1"));
    QCOMPARE(first->data(DirRole::Entry).value<PhoneBookEntry>(), entry);
    QCOMPARE(first->toolTip(), tooltip);
    QCOMPARE(DirectoryModels::contactKind(personal, source), kind);
    QCOMPARE(model.item(0, 1)->text(), QStringLiteral("Anna"));
    // Only the ends are trimmed: the blank after the first name stays.
    QCOMPARE(first->data(DirRole::FullLabel).toString(), QStringLiteral("Anna  Verdi ACME Vendite"));

    QCOMPARE(first->rowCount(), 6);
    QCOMPARE(first->child(0)->text(), QStringLiteral("+39021234567"));
    QCOMPARE(first->child(0)->data(DirRole::ChildValue).toString(), QStringLiteral("+39021234567"));
    QCOMPARE(first->child(0)->data(DirRole::Visibility).toInt(), int(NumberKind::Fixed));
    QCOMPARE(first->child(1)->text(), QStringLiteral("02999"));
    QVERIFY(!first->child(1)->data(DirRole::Visibility).isValid());
    QVERIFY(!first->child(1)->data(Qt::AccessibleTextRole).isValid());
    QCOMPARE(first->child(2)->data(DirRole::Visibility).toInt(), int(NumberKind::Email));
    QCOMPARE(first->child(3)->text(), QString());
    QCOMPARE(first->child(4)->data(DirRole::Visibility).toInt(), int(NumberKind::Extension));
    QCOMPARE(first->child(5)->data(DirRole::Visibility).toInt(), int(NumberKind::Mobile));
    QCOMPARE(first->data(DirRole::SearchText).toString(),
             QStringLiteral(" Anna  Verdi ACME Vendite +39021234567 02999 anna@example.com 201 3331234567"));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    // The phone book's own model answers every role of every cell as the
    // standard items do.
    ContactsModel contacts;
    QAbstractItemModelTester contactsTester(&contacts, QAbstractItemModelTester::FailureReportingMode::QtTest);
    contacts.appendContact(entry, source, visibility);
    QCOMPARE(contacts.rowCount(), 1);
    QCOMPARE(contacts.columnCount(), model.columnCount());
    const QList<int> roles = {
        Qt::DisplayRole,    Qt::ToolTipRole,     Qt::AccessibleTextRole, DirRole::Source,    DirRole::Visibility,
        DirRole::EntryId,   DirRole::Entry,      DirRole::SearchText,    DirRole::FullLabel, DirRole::Personal,
        DirRole::Confirmed, DirRole::ChildValue, DirRole::Extension,     DirRole::Favourite, DirRole::Blf};
    const QStringList headers = {"T", "Nome", "Cognome", "Azienda", "Reparto"};
    for (int c = 0; c < model.columnCount(); ++c) {
        QCOMPARE(contacts.headerData(c, Qt::Horizontal).toString(), headers.at(c));
        QCOMPARE(contacts.headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString(), c ? headers.at(c) : QString());
        for (int role : roles)
            QCOMPARE(contacts.index(0, c).data(role), model.index(0, c).data(role));
    }
    const QModelIndex parent = contacts.index(0, 0);
    QCOMPARE(contacts.rowCount(parent), first->rowCount());
    QCOMPARE(contacts.columnCount(parent), 1);
    for (int r = 0; r < first->rowCount(); ++r) {
        for (int role : roles)
            QCOMPARE(contacts.index(r, 0, parent).data(role), first->child(r)->data(role));
    }
}

void TestDirectoryRules::contactsModelEdits()
{
    PhoneBook book;
    book.source = QStringLiteral("velora");
    book.entries = {person("a", "Anna", "Verdi", {field("phone", "work", "02 1")}),
                    person("b", "Bruno", "Bianchi", {field("phone", "work", "02 2"), field("email", "", "b@x")}),
                    person("c", "Carla", "Neri", {field("phone", "mobile", "333 3")})};
    ContactsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.buildFrom({book});
    // Rows in last-name order, the view's first sort has nothing to move.
    QVERIFY(model.rowsInOrder(ContactsModel::LastNameColumn, Qt::AscendingOrder));
    QVERIFY(!model.rowsInOrder(ContactsModel::LastNameColumn, Qt::DescendingOrder));
    QVERIFY(!model.rowsInOrder(ContactsModel::FirstNameColumn, Qt::AscendingOrder));
    QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("Bianchi"));
    QCOMPARE(model.index(2, 2).data().toString(), QStringLiteral("Verdi"));
    QCOMPARE(model.rowOfEntry("c"), 1);

    // A number row of a later contact stays with its contact when an earlier one goes.
    QPersistentModelIndex carlaMobile = model.index(0, 0, model.index(1, 0));
    QCOMPARE(carlaMobile.data().toString(), QStringLiteral("3333"));
    QVERIFY(model.removeContact(0));
    QVERIFY(carlaMobile.isValid());
    QCOMPARE(carlaMobile.parent().row(), 0);
    QCOMPARE(carlaMobile.data().toString(), QStringLiteral("3333"));

    // Added here, not yet confirmed by the PBX: out of order, so the view sorts.
    const int added = model.appendContact(person("d", "Dario", "Alberti", {}), "velora", "Private", false);
    QCOMPARE(model.index(added, 0).data(DirRole::Confirmed).toBool(), false);
    QVERIFY(!model.rowsInOrder(ContactsModel::LastNameColumn, Qt::AscendingOrder));
    QVERIFY(
        model.replaceContact(model.rowOfEntry("a"), person("a", "Anna", "Verdi", {field("phone", "home", "06 9")})));
    QCOMPARE(model.index(0, 0, model.index(model.rowOfEntry("a"), 0)).data().toString(), QStringLiteral("069"));
    QVERIFY(model.index(model.rowOfEntry("a"), 0).data(DirRole::SearchText).toString().endsWith("069"));
    QVERIFY(!model.removeContact(99));
}

void TestDirectoryRules::defaultRowAction_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("prefix");
    using A = DefaultRowAction::Action;
    QTest::newRow("fixed") << "+39021234567" << 0 << int(A::Call) << "+39021234567" << int(CTILIB::PrefixExternal);
    QTest::newRow("extension") << "201" << 1 << int(A::Call) << "201" << int(CTILIB::PrefixInternal);
    QTest::newRow("mobile") << "3331234567" << 2 << int(A::Call) << "3331234567" << int(CTILIB::PrefixExternal);
    QTest::newRow("invalid number") << "num. non valido" << 0 << int(A::None) << "" << 0;
    QTest::newRow("e-mail") << "anna@example.com" << 3 << int(A::Mail) << "mailto:anna@example.com" << 0;
    QTest::newRow("e-mail adding headers stays one address")
        << "a@b?cc=x@y" << 3 << int(A::Mail) << "mailto:a@b%3Fcc=x@y" << 0;
    QTest::newRow("not an address") << "anna" << 3 << int(A::None) << "" << 0;
    QTest::newRow("no kind") << "02999" << -1 << int(A::None) << "" << 0;
}

void TestDirectoryRules::defaultRowAction()
{
    QFETCH(QString, value);
    QFETCH(int, kind);
    QFETCH(int, action);
    QFETCH(QString, target);
    QFETCH(int, prefix);
    const DefaultRowAction::Action a = DefaultRowAction::forRow(value, kind);
    QCOMPARE(int(a.kind), action);
    if (a.kind == DefaultRowAction::Action::Call) {
        QCOMPARE(a.number, target);
        QCOMPARE(int(a.prefix), prefix);
    } else if (a.kind == DefaultRowAction::Action::Mail) {
        QCOMPARE(a.url.toString(QUrl::FullyEncoded), target);
        QVERIFY(!a.url.hasQuery());
    }
}

void TestDirectoryRules::cleanNumber_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("separators") << "+39 (02) 123-45.67"
                                << "+39021234567";
    QTest::newRow("slashes quotes commas") << "02/12\\34'5,6"
                                           << "02123456";
    QTest::newRow("plain") << "201"
                           << "201";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDirectoryRules::cleanNumber()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(DirectoryModels::cleanPhoneNumber(in), out);
}

void TestDirectoryRules::contactIndex()
{
    PhoneBook book;
    book.source = QStringLiteral("velora");
    book.entries = {person("a", "Anna", "Verdi", {field("phone", "work", "+39 (02) 123-45.67")}),
                    person("b", "Bruno", "Neri", {field("phone", "work", "+39021234567"), field("email", "", "x@y")})};
    const ContactsBuild build = DirectoryModels::buildContactsModel({book}, QThread::currentThread());
    QScopedPointer<ContactsModel> model(build.model);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(build.index.nameOf(QStringLiteral("+39 02 1234567")), QStringLiteral("Anna Verdi"));
    QCOMPARE(build.index.nameOf(QStringLiteral("0039021234567")), QStringLiteral("Anna Verdi"));
    // The contact's company and unit come with the name.
    QCOMPARE(build.index.contactOf(QStringLiteral("0039021234567")).company, QStringLiteral("ACME"));
    QCOMPARE(build.index.contactOf(QStringLiteral("0039021234567")).unit, QStringLiteral("Vendite"));
    QCOMPARE(build.index.nameOf(QStringLiteral("x@y")), QString());
    QCOMPARE(build.index.nameOf(QStringLiteral("555")), QString());
    QCOMPARE(build.index.nameOf(QString()), QString());
}

void TestDirectoryRules::searchWords_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("match");
    QTest::newRow("empty shows all") << ""
                                     << "anything" << true;
    QTest::newRow("blanks only") << "   "
                                 << "anything" << true;
    QTest::newRow("two words any order and case") << "  rossi   MARIO "
                                                  << "Mario Rossi 201" << true;
    QTest::newRow("one word missing") << "rossi luigi"
                                      << "Mario Rossi 201" << false;
    QTest::newRow("plus sign") << "+39"
                               << "Anna +39021234567" << true;
    QTest::newRow("brackets") << "(02)"
                              << "ufficio (02) 1234" << true;
    QTest::newRow("unbalanced bracket") << "["
                                        << "note [interno]" << true;
    QTest::newRow("dot is literal") << "a.b"
                                    << "axb" << false;
    QTest::newRow("star is literal") << "2*"
                                     << "201" << false;
}

void TestDirectoryRules::searchWords()
{
    QFETCH(QString, search);
    QFETCH(QString, text);
    QFETCH(bool, match);
    QCOMPARE(SearchWords(search).matches(text), match);
}

void TestDirectoryRules::cdrFlags_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("attributes");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("shown");
    const int all = CdrRules::AllFilterBits;
    QTest::newRow("all bits show an incoming") << "ANSWER_IN" << 0 << all << true;
    QTest::newRow("no bits hide an incoming") << "ANSWER_IN" << 0 << 0 << false;
    QTest::newRow("no bits hide an outgoing") << "NOANSWER_OUT" << 0 << 0 << false;
    QTest::newRow("0x001 hides incoming") << "NOANSWER_LOCAL_IN" << 0 << (all & ~0x1) << false;
    QTest::newRow("0x001 keeps outgoing") << "ANSWER_OUT" << 0 << (all & ~0x1) << true;
    QTest::newRow("0x002 hides outgoing") << "ANSWER_LOCAL_OUT" << 0 << (all & ~0x2) << false;
    QTest::newRow("0x004 internal source") << "ANSWER_IN" << 0x1 << (all & ~0x4) << false;
    QTest::newRow("0x004 high bit") << "ANSWER_IN" << 0x100000 << (all & ~0x4) << false;
    QTest::newRow("0x008 external source") << "ANSWER_IN" << 0x2 << (all & ~0x8) << false;
    QTest::newRow("0x008 keeps internal") << "ANSWER_IN" << 0x1 << (all & ~0x8) << true;
    QTest::newRow("0x010 other source") << "ANSWER_IN" << 0x40 << (all & ~0x10) << false;
    QTest::newRow("0x010 keeps external") << "ANSWER_IN" << 0x4 << (all & ~0x10) << true;
    QTest::newRow("0x020 direct") << "ANSWER_IN" << 0x10 << (all & ~0x20) << false;
    QTest::newRow("0x040 group") << "ANSWER_IN" << 0x80 << (all & ~0x40) << false;
    QTest::newRow("0x080 queue") << "ANSWER_IN" << 0x40 << (all & ~0x80) << false;
    QTest::newRow("attribute bits never hide outgoing") << "ANSWER_OUT" << 0x1c7 << (all & ~0xfc) << true;
    QTest::newRow("0x100 hides answered in") << "ANSWER_IN" << 0 << (all & ~0x100) << false;
    QTest::newRow("0x100 hides voicemail in") << "VOICEMAIL_IN" << 0 << (all & ~0x100) << false;
    QTest::newRow("0x100 keeps not answered") << "NOANSWER_IN" << 0 << (all & ~0x100) << true;
    QTest::newRow("0x200 hides not answered") << "NOANSWER_LOCAL_OUT" << 0 << (all & ~0x200) << false;
    QTest::newRow("0x200 keeps voicemail") << "VOICEMAIL_IN" << 0 << (all & ~0x200) << true;
}

void TestDirectoryRules::cdrFlags()
{
    QFETCH(QString, key);
    QFETCH(int, attributes);
    QFETCH(int, flags);
    QFETCH(bool, shown);
    QCOMPARE(CdrRules::flagsAccept(flags, key, attributes), shown);
}

void TestDirectoryRules::cdrDateWindow_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<bool>("shown");
    const QDate d1(2026, 12, 1), d5(2026, 12, 5);
    QTest::newRow("inside") << "2026-12-03 10:00:00" << d1 << d5 << true;
    QTest::newRow("on the bounds") << "2026-12-05 23:59:59" << d1 << d5 << true;
    QTest::newRow("before") << "2026-11-30 23:59:59" << d1 << d5 << false;
    QTest::newRow("after") << "2026-12-06 00:00:00" << d1 << d5 << false;
    QTest::newRow("only upper bound") << "2020-01-01 00:00:00" << QDate() << d5 << true;
    QTest::newRow("only upper bound, after") << "2026-12-07 00:00:00" << QDate() << d5 << false;
    QTest::newRow("unparsable start kept") << "ieri" << d1 << d5 << true;
    QTest::newRow("no bounds") << "2000-01-01 00:00:00" << QDate() << QDate() << true;
}

void TestDirectoryRules::cdrDateWindow()
{
    QFETCH(QString, start);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(bool, shown);
    QCOMPARE(CdrRules::dateAccepted(start, from, to), shown);
}

void TestDirectoryRules::cdrCutOffAcrossDaylightSaving_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("days");
    QTest::addColumn<QDateTime>("cut");
    const QTimeZone rome("Europe/Rome");
    // Summer time starts on 29 March 2026 and ends on 25 October 2026.
    QTest::newRow("spring, just after midnight")
        << QDateTime(QDate(2026, 3, 30), QTime(0, 30), rome) << 1 << QDateTime(QDate(2026, 3, 29), QTime(0, 0), rome);
    QTest::newRow("autumn, late evening") << QDateTime(QDate(2026, 10, 26), QTime(23, 30), rome) << 1
                                          << QDateTime(QDate(2026, 10, 25), QTime(0, 0), rome);
    QTest::newRow("thirty days over the change")
        << QDateTime(QDate(2026, 4, 10), QTime(0, 10), rome) << 30 << QDateTime(QDate(2026, 3, 11), QTime(0, 0), rome);
}

void TestDirectoryRules::cdrCutOffAcrossDaylightSaving()
{
    QFETCH(QDateTime, now);
    QFETCH(int, days);
    QFETCH(QDateTime, cut);
    QCOMPARE(CdrRules::cutOff(now, days), cut);
    // A call at midnight of the first day is listed, one a second earlier is not.
    const Cdr cdr{
        {"1", "300", "201", "", "", "in", cut.toString("yyyy-MM-dd hh:mm:ss"), 5, 0, "ANSWER_IN"},
        {"2", "301", "201", "", "", "in", cut.addSecs(-1).toString("yyyy-MM-dd hh:mm:ss"), 5, 0, "ANSWER_IN"}};
    QDateTime localCut = CdrRules::cutOff(QDateTime(now.date(), now.time()), days);
    QScopedPointer<CdrModel> model(CdrRules::buildModel(cdr, localCut, {}));
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("300"));
}

void TestDirectoryRules::cdrDuration_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("59") << 59 << "59 sec";
    QTest::newRow("60") << 60 << "1 min 0 sec";
    QTest::newRow("3600") << 3600 << "01:00:00";
    QTest::newRow("1d 1h 1m 1s") << 90061 << "1 gg. 01:01:01";
    QTest::newRow("0") << 0 << "0 sec";
}

void TestDirectoryRules::cdrDuration()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(CdrRules::durationText(seconds), text);
}

void TestDirectoryRules::cdrModelRows()
{
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    const Cdr cdr{
        {"1", "3331234567", "201", "", "Io", "in", today + " 09:00:00", 59, 0x2, "ANSWER_IN"},
        {"2", "201", "+39 02 1234567", "Io", "", "out", today + " 10:00:00", 60, 0, "NOANSWER_OUT"},
        {"3", "202", "201", "", "", "", today + " 11:00:00", 1, 0, "ANSWER_LOCAL_IN"},
        {"4", "", "201", "", "", "in", "non una data", 3600, 0, "VOICEMAIL_LOCAL_IN"},
        {"5", "203", "201", "Sara", "", "in", today + " 12:00:00", 5, 0, "STRANGE"},
    };
    const auto resolve = [](const QString &number) {
        return number == QLatin1String("+39 02 1234567") ? QStringLiteral("Anna Verdi") : QString();
    };
    QScopedPointer<CdrModel> model(
        CdrRules::buildModel(cdr, CdrRules::cutOff(QDateTime::currentDateTime(), 1), resolve));
    QAbstractItemModelTester tester(model.data(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model->rowCount(), 4); // the entry without direction is skipped
    // Incoming without a name: number in both columns, search text the number alone.
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("3331234567"));
    QCOMPARE(model->index(0, 0).data(DirRole::SearchText).toString(), QStringLiteral("3331234567"));
    QCOMPARE(model->index(0, 4).data().toString(), QStringLiteral("59 sec"));
    QCOMPARE(model->index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Chiamata in ingresso risposta"));
    QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    // Outgoing: the called side, its name resolved.
    QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("Anna Verdi"));
    QCOMPARE(model->index(1, 0).data(DirRole::SearchText).toString(), QStringLiteral("Anna Verdi +39 02 1234567"));
    // Unparsable start kept; empty number shown as invalid; local call kind.
    QCOMPARE(model->index(2, 2).data().toString(), QStringLiteral("num. non valido"));
    QCOMPARE(model->index(2, 2).data(DirRole::Visibility).toInt(), 1);
    QCOMPARE(model->index(2, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Deviato in segreteria telefonica"));
    // Unknown type: no icon, no text.
    QCOMPARE(model->index(3, 0).data(Qt::ToolTipRole).toString(), QString());
    QVERIFY(model->index(3, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
}

void TestDirectoryRules::extenReconcile()
{
    MctiExtenMap map;
    map.insert("299", MctiExtenDetails("299", "Vecchio"));
    map["202"] = MctiExtenDetails("202", "Luca Rossi");
    map["202"].blfState = 8;
    map["202"].presence = 3;
    const auto favourite = [](const QString &x) { return x == QLatin1String("203"); };
    ExtenList::Rebuild r = ExtenList::rebuild({extenBook({{"201", "Giulia"}, {"202", "Luca"}, {"203", "Sara"}})}, map,
                                              "201", "IO", favourite);
    QScopedPointer<ExtensionsModel> model(r.model);
    QAbstractItemModelTester tester(model.data(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(r.ownListed);
    QCOMPARE(model->rowCount(), 2);                           // no row for the own extension
    QCOMPARE(map.keys(), QStringList({"201", "202", "203"})); // stale 299 gone, own kept
    QCOMPARE(map["202"].blfState, 8);                         // live state survives
    QCOMPARE(map["202"].presence, 3);
    QCOMPARE(map["202"].name, QStringLiteral("Luca Rossi"));
    QVERIFY(map["203"].favourite);
    QCOMPARE(model->index(1, 7).data(DirRole::Favourite).toString(), QStringLiteral("F"));
    QCOMPARE(model->index(1, 7).data(Qt::ToolTipRole).toString(), QStringLiteral("Preferito"));
    QCOMPARE(model->index(0, 1).data(DirRole::Blf).toInt(), 8);
    QCOMPARE(model->index(0, 0).data(DirRole::Extension).toString(), QStringLiteral("202"));
    QCOMPARE(model->index(0, 0).data(DirRole::Presence).toInt(), 3);
    QCOMPARE(model->index(0, 0).data(DirRole::FullLabel).toString(), QStringLiteral("Interno 202 Luca Rossi"));
    QCOMPARE(model->rowOf("203"), 1);

    // A later delivery without the own extension keeps (or makes) its record.
    map.remove("201");
    ExtenList::Rebuild r2 = ExtenList::rebuild({extenBook({{"202", "Luca"}})}, map, "201", "IO", favourite);
    delete r2.model;
    QCOMPARE(map.keys(), QStringList({"201", "202"}));
    QCOMPARE(map["201"].name, QStringLiteral("IO"));
}

void TestDirectoryRules::extenStatesTakenAtInstall()
{
    // The rows are prepared away from the map; a status that reaches the map
    // before they are installed is what the new rows show.
    MctiExtenMap map;
    map["202"] = MctiExtenDetails("202", "Luca");
    ExtenList::Prepared prepared = ExtenList::prepare({extenBook({{"202", "Luca"}, {"203", "Sara"}})}, "201");
    QCOMPARE(prepared.listed.size(), 2);
    BuddyStatus status;
    status.exten = "202";
    status.blfStatus = 8;
    ExtenList::applyStatus(map, nullptr, status);
    map["202"].presence = 2;
    ExtenList::Rebuild r =
        ExtenList::install(prepared, map, "201", "IO", [](const QString &x) { return x == QLatin1String("203"); });
    QScopedPointer<ExtensionsModel> model(r.model);
    QAbstractItemModelTester tester(model.data(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(0, 1).data(DirRole::Blf).toInt(), 8);
    QCOMPARE(model->index(0, 0).data(DirRole::Presence).toInt(), 2);
    QCOMPARE(model->index(1, 1).data(DirRole::Blf).toInt(), -1);
    QCOMPARE(model->index(1, 7).data(DirRole::Favourite).toString(), QStringLiteral("F"));
    QCOMPARE(model->index(0, 7).data(DirRole::Favourite).toString(), QStringLiteral("N"));
    QCOMPARE(map.keys(), QStringList({"201", "202", "203"}));
    QCOMPARE(map["203"].name, QStringLiteral("Sara Rossi"));
    QVERIFY(map["203"].favourite);
    QVERIFY(!r.ownListed);
}

void TestDirectoryRules::extenStatesTakenAfterReconcile()
{
    // Installed in two steps: a status that reaches the map between the
    // reconciling and the rows' live states is what the new rows show; an
    // extension no longer listed is gone from the map after the first step.
    MctiExtenMap map;
    map["202"] = MctiExtenDetails("202", "Luca");
    map["209"] = MctiExtenDetails("209", "Gone");
    ExtenList::Prepared prepared = ExtenList::prepare({extenBook({{"202", "Luca"}, {"203", "Sara"}})}, "201");
    const auto favourite = [](const QString &x) { return x == QLatin1String("203"); };
    ExtenList::Rebuild r = ExtenList::reconcile(prepared, map, "201", "IO", favourite);
    QScopedPointer<ExtensionsModel> model(r.model);
    QVERIFY(!prepared.model);
    QCOMPARE(map.keys(), QStringList({"201", "202", "203"}));
    BuddyStatus status;
    status.exten = "203";
    status.blfStatus = 8;
    QVERIFY(ExtenList::applyStatus(map, nullptr, status).known);
    ExtenList::takeLiveStates(model.data(), map, favourite);
    QAbstractItemModelTester tester(model.data(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(1, 1).data(DirRole::Blf).toInt(), 8);
    QCOMPARE(model->index(0, 1).data(DirRole::Blf).toInt(), -1);
    QCOMPARE(model->index(1, 7).data(DirRole::Favourite).toString(), QStringLiteral("F"));
}

void TestDirectoryRules::extenLiveStatus_data()
{
    QTest::addColumn<int>("oldBlf");
    QTest::addColumn<int>("newBlf");
    QTest::addColumn<int>("presence");
    QTest::addColumn<bool>("ringingChanged");
    QTest::addColumn<QString>("presenceText");
    QTest::newRow("ringing ends") << 8 << 0 << 2 << true << "kept";
    QTest::newRow("ringing starts") << 0 << 9 << 0 << true << "kept";
    QTest::newRow("in use to busy") << 2 << 1 << 5 << false << "kept";
    QTest::newRow("no chat") << 2 << 1 << -1 << false << "kept";
    QTest::newRow("presence out of range shown offline") << 0 << 1 << 42 << false << "Offline";
}

void TestDirectoryRules::extenLiveStatus()
{
    QFETCH(int, oldBlf);
    QFETCH(int, newBlf);
    QFETCH(int, presence);
    QFETCH(bool, ringingChanged);
    QFETCH(QString, presenceText);
    MctiExtenMap map;
    ExtenList::Rebuild r = ExtenList::rebuild({extenBook({{"202", "Luca"}})}, map, "201", "IO", {});
    QScopedPointer<ExtensionsModel> model(r.model);
    QAbstractItemModelTester tester(model.data(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    map["202"].blfState = oldBlf;
    model->setData(model->index(0, 0), presence, DirRole::Presence);
    QSignalSpy changed(model.data(), &QAbstractItemModel::dataChanged);
    BuddyStatus status;
    status.exten = "202";
    status.blfStatus = newBlf;
    const ExtenList::StatusChange change = ExtenList::applyStatus(map, model.data(), status);
    QVERIFY(change.known && change.rowFound && change.blfChanged);
    QCOMPARE(change.ringingChanged, ringingChanged);
    QCOMPARE(model->index(0, 1).data(DirRole::Blf).toInt(), newBlf);
    QCOMPARE(model->index(0, 1).data().toString(), MPGUI::translateBlfStatus(CTILIB::BlfStatus(newBlf)));
    QCOMPARE(map["202"].blfState, newBlf);
    QCOMPARE(changed.count(), 1); // lamp and accessible text, one row
    // The presence cell keeps a valid presence and shows only a bad one offline.
    QCOMPARE(model->index(0, 0).data(DirRole::Presence).toInt(), presence);
    const QString tip = model->index(0, 0).data(Qt::ToolTipRole).toString();
    if (presenceText == QLatin1String("kept"))
        QCOMPARE(tip, MPGUI::translatePresenceStatus(CTILIB::ChatPresence(presence)));
    else
        QCOMPARE(tip, MPGUI::translatePresenceStatus(CTILIB::ChatPresence(-1)));

    // Accounts only: record changes, the model is not touched.
    status.accounts = QStringList{"sip:202"};
    const ExtenList::StatusChange accounts = ExtenList::applyStatus(map, model.data(), status);
    QVERIFY(accounts.accountsChanged && !accounts.blfChanged && !accounts.rowFound);
    // An unknown extension is ignored.
    status.exten = "999";
    QVERIFY(!ExtenList::applyStatus(map, model.data(), status).known);
}

DESKLINE_TEST_MAIN(TestDirectoryRules)
#include "tst_rules.moc"
