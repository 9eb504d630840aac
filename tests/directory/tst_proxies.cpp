// The four directory filters over real models, each watched by a model
// tester: literal search words, the favourite mark, the call-history flags,
// date window and words together.
#include "directory/cdrfilterproxymodel.h"
#include "directory/cdrmodel.h"
#include "directory/cdrrules.h"
#include "directory/contactfilterproxymodel.h"
#include "directory/contactrows.h"
#include "directory/contactsmodel.h"
#include "directory/directoryroles.h"
#include "directory/extenfavouritefilterproxymodel.h"
#include "directory/extenfilterproxymodel.h"
#include "directory/extenlist.h"
#include "directory/extensionsmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

#include <numeric>

#include "testmain.h"

namespace
{
using Tester = QAbstractItemModelTester;
constexpr auto Fatal = QAbstractItemModelTester::FailureReportingMode::QtTest;

PhoneBookEntry contact(const QString &id, const QString &first, const QString &last, const QString &company,
                       const QString &phone)
{
    PhoneBookEntry e;
    e.id = id;
    e.firstName = first;
    e.lastName = last;
    e.company = company;
    ContactEntry f;
    f.kind = QStringLiteral("phone");
    f.subtype = QStringLiteral("work");
    f.value = phone;
    e.contacts = {f};
    return e;
}

ContactsModel *contactsModel()
{
    PhoneBook book;
    book.source = QStringLiteral("velora");
    book.visibility = QStringLiteral("Public");
    book.entries = {contact("1", "Mario", "Verdi", "Acme (Milano)", "+39 (02) 123-45.67"),
                    contact("2", "Anna", "Neri", "Studio [Verdi]", "06 7654321"),
                    contact("3", "Roberto", "Gialli", "Logistica", "011 555222")};
    return DirectoryModels::buildContactsModel({book}, QThread::currentThread()).model;
}
} // namespace

// Counts the row tests: a setter that changes nothing must not filter again.
class CountingCdrProxy : public CdrFilterProxyModel
{
public:
    mutable int tests = 0;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        ++tests;
        return CdrFilterProxyModel::filterAcceptsRow(row, parent);
    }
};

class TestDirectoryProxies : public QObject
{
    Q_OBJECT
private slots:
    void contactWords_data();
    void contactWords();
    void childRowsFollowParent();
    void favourites();
    void cdrFilter_data();
    void cdrFilter();
    void cdrSettersSkipUnchanged();
    void rowsBuiltInTheShownOrder();
    void buildOrderIsTheTextOrder_data();
    void buildOrderIsTheTextOrder();
    void largeListSearchedOnAWorker();
};

void TestDirectoryProxies::contactWords_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("lastNames");
    // The model keeps its rows in last-name order.
    QTest::newRow("empty") << "" << QStringList{"Gialli", "Neri", "Verdi"};
    QTest::newRow("two words, blanks around") << "  verdi   +39 " << QStringList{"Verdi"};
    QTest::newRow("plus") << "+39" << QStringList{"Verdi"};
    QTest::newRow("brackets literal") << "(milano)" << QStringList{"Verdi"};
    QTest::newRow("square bracket literal") << "[" << QStringList{"Neri"};
    QTest::newRow("word in two rows") << "verdi" << QStringList{"Neri", "Verdi"};
    QTest::newRow("cleaned number") << "021234567" << QStringList{"Verdi"};
    QTest::newRow("no match") << "zzz" << QStringList{};
}

void TestDirectoryProxies::contactWords()
{
    QFETCH(QString, search);
    QFETCH(QStringList, lastNames);
    QScopedPointer<ContactsModel> model(contactsModel());
    Tester sourceTester(model.data(), Fatal);
    ContactFilterProxyModel proxy;
    Tester tester(&proxy, Fatal);
    proxy.setSourceModel(model.data());
    proxy.setSearchText(search);
    QStringList shown;
    for (int r = 0; r < proxy.rowCount(); ++r)
        shown << proxy.index(r, 2).data().toString();
    QCOMPARE(shown, lastNames);
}

void TestDirectoryProxies::childRowsFollowParent()
{
    QScopedPointer<ContactsModel> model(contactsModel());
    ContactFilterProxyModel proxy;
    Tester tester(&proxy, Fatal);
    proxy.setSourceModel(model.data());
    proxy.setSearchText(QStringLiteral("gialli"));
    QCOMPARE(proxy.rowCount(), 1);
    // The number row does not hold the word, yet stays under its contact.
    QCOMPARE(proxy.rowCount(proxy.index(0, 0)), 1);
    QCOMPARE(proxy.index(0, 0, proxy.index(0, 0)).data().toString(), QStringLiteral("011555222"));
}

void TestDirectoryProxies::favourites()
{
    PhoneBook book;
    book.source = QStringLiteral("exten");
    for (const char *x : {"202", "203", "204"}) {
        PhoneBookEntry e = contact(x, x, "Rossi", "", x);
        e.contacts[0].subtype = QStringLiteral("exten");
        e.extension = QString::fromLatin1(x);
        book.entries << e;
    }
    MctiExtenMap map;
    ExtenList::Rebuild r =
        ExtenList::rebuild({book}, map, "201", "IO", [](const QString &x) { return x == QLatin1String("203"); });
    QScopedPointer<ExtensionsModel> model(r.model);
    Tester sourceTester(model.data(), Fatal);
    ExtenFavouriteFilterProxyModel favourites;
    Tester tester(&favourites, Fatal);
    favourites.setSourceModel(model.data());
    QCOMPARE(favourites.rowCount(), 0); // empty expression: nothing
    favourites.setFilterFixedString(QStringLiteral("F"));
    QCOMPARE(favourites.rowCount(), 1);
    QCOMPARE(favourites.index(0, 2).data().toString(), QStringLiteral("203"));
    // Star 204: it shows up at once; unstar 203: it leaves.
    QVERIFY(model->setData(model->index(2, 7), QStringLiteral("F"), DirRole::Favourite));
    model->setFavourite(1, false);
    QCOMPARE(favourites.rowCount(), 1);
    QCOMPARE(favourites.index(0, 2).data().toString(), QStringLiteral("204"));

    ExtenFilterProxyModel extensions;
    Tester tester2(&extensions, Fatal);
    extensions.setSourceModel(model.data());
    extensions.setSearchText(QStringLiteral("203"));
    QCOMPARE(extensions.rowCount(), 1);
    QVERIFY(extensions.dropMimeData(nullptr, Qt::CopyAction, 0, 0, QModelIndex()));
}

void TestDirectoryProxies::cdrFilter_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("numbers");
    const QDate today = QDate::currentDate();
    const int all = CdrRules::AllFilterBits;
    QTest::newRow("all") << all << QDate() << QDate() << "" << QStringList{"300", "301", "302", "303"};
    QTest::newRow("none") << 0 << QDate() << QDate() << "" << QStringList{};
    QTest::newRow("only missed") << (all & ~0x100) << QDate() << QDate() << "" << QStringList{"301"};
    QTest::newRow("no outgoing") << (all & ~0x2) << QDate() << QDate() << "" << QStringList{"300", "301", "303"};
    QTest::newRow("today only, unparsable kept") << all << today << today << "" << QStringList{"300", "303"};
    QTest::newRow("upper bound only") << all << QDate() << today.addDays(-1) << "" << QStringList{"301", "302", "303"};
    QTest::newRow("words") << all << QDate() << QDate() << "anna" << QStringList{"301"};
}

void TestDirectoryProxies::cdrFilter()
{
    QFETCH(int, flags);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, search);
    QFETCH(QStringList, numbers);
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    const QString yesterday = QDate::currentDate().addDays(-1).toString("yyyy-MM-dd");
    const Cdr cdr{{"1", "300", "201", "", "", "in", today + " 09:00:00", 10, 0x2, "ANSWER_IN"},
                  {"2", "301", "201", "Anna", "", "in", yesterday + " 09:00:00", 0, 0x2, "NOANSWER_IN"},
                  {"3", "201", "302", "", "", "out", yesterday + " 10:00:00", 10, 0, "ANSWER_OUT"},
                  {"4", "303", "201", "", "", "in", "data persa", 10, 0x1, "ANSWER_LOCAL_IN"}};
    QScopedPointer<CdrModel> model(CdrRules::buildModel(cdr, CdrRules::cutOff(QDateTime::currentDateTime(), 5), {}));
    CdrFilterProxyModel proxy;
    Tester tester(&proxy, Fatal);
    proxy.setSourceModel(model.data());
    proxy.setCdrFilter(MctiConfig::MCdrFilterFlags(flags));
    proxy.setFilterDateRange(from, to);
    proxy.setSearchText(search);
    QStringList shown;
    for (int r = 0; r < proxy.rowCount(); ++r)
        shown << proxy.index(r, 2).data().toString();
    QCOMPARE(shown, numbers);
}

void TestDirectoryProxies::cdrSettersSkipUnchanged()
{
    QScopedPointer<CdrModel> model(
        CdrRules::buildModel({{"1", "300", "201", "", "", "in", "x", 1, 0, "ANSWER_IN"}}, QDateTime(), {}));
    CountingCdrProxy proxy;
    proxy.setSourceModel(model.data());
    proxy.setCdrFilter(MctiConfig::MCdrFilterFlags(CdrRules::AllFilterBits));
    proxy.setFilterDateRange(QDate(2026, 1, 1), QDate(2026, 1, 2));
    proxy.setSearchText(QStringLiteral("300"));
    QCOMPARE(proxy.rowCount(), 1);
    proxy.tests = 0;
    proxy.setCdrFilter(MctiConfig::MCdrFilterFlags(CdrRules::AllFilterBits));
    proxy.setFilterDateRange(QDate(2026, 1, 1), QDate(2026, 1, 2));
    proxy.setSearchText(QStringLiteral(" 300 "));
    QCOMPARE(proxy.tests, 0);
    proxy.setCdrFilter(MctiConfig::MCdrFilterFlags(0x1));
    QVERIFY(proxy.tests > 0);
    QVERIFY(proxy.dateInRange(QDate(2026, 1, 2)));
    QVERIFY(!proxy.dateInRange(QDate(2026, 1, 3)));
    proxy.setFilterMinimumDate(QDate());
    QVERIFY(proxy.dateInRange(QDate(2000, 1, 1)));
}

// Rows built in the order the view asks for are shown as they stand; a
// contact added out of that order makes the filter sort for real.
void TestDirectoryProxies::rowsBuiltInTheShownOrder()
{
    PhoneBook book;
    book.source = QStringLiteral("velora");
    book.entries = {contact("1", "Mario", "Verdi", "Acme", "021"), contact("2", "Anna", "Neri", "Studio", "022"),
                    contact("3", "Roberto", "Gialli", "Logistica", "023")};
    ContactFilterProxyModel proxy;
    Tester tester(&proxy, Fatal);
    proxy.sort(ContactsModel::FirstNameColumn, Qt::DescendingOrder);
    ContactsModel *model = DirectoryModels::buildContactsModel({book}, QThread::currentThread(),
                                                               ContactsModel::FirstNameColumn, Qt::DescendingOrder)
                               .model;
    model->setParent(&proxy);
    proxy.setSourceModel(model);
    QVERIFY(proxy.showsSourceOrder());
    const auto firstNames = [&] {
        QStringList names;
        for (int r = 0; r < proxy.rowCount(); ++r)
            names << proxy.index(r, ContactsModel::FirstNameColumn).data().toString();
        return names;
    };
    QCOMPARE(firstNames(), (QStringList{"Roberto", "Mario", "Anna"}));
    // The view's other sort is a real one.
    proxy.sort(ContactsModel::LastNameColumn, Qt::AscendingOrder);
    QVERIFY(!proxy.showsSourceOrder());
    QCOMPARE(firstNames(), (QStringList{"Roberto", "Anna", "Mario"}));
    proxy.sort(ContactsModel::FirstNameColumn, Qt::DescendingOrder);
    QVERIFY(proxy.showsSourceOrder());
    model->appendContact(contact("4", "Zeno", "Bianchi", "", "024"), "velora", "Private", false);
    QTRY_VERIFY(!proxy.showsSourceOrder());
    QCOMPARE(firstNames(), (QStringList{"Zeno", "Roberto", "Mario", "Anna"}));
}

void TestDirectoryProxies::buildOrderIsTheTextOrder_data()
{
    QTest::addColumn<int>("order");
    QTest::newRow("ascending") << int(Qt::AscendingOrder);
    QTest::newRow("descending") << int(Qt::DescendingOrder);
}

// The build orders the rows as a stable sort by the texts' comparison does:
// long common beginnings, NUL units, units beyond the first plane (compared
// as UTF-16 units), blanks cut, equal texts in the order they came.
void TestDirectoryProxies::buildOrderIsTheTextOrder()
{
    QFETCH(int, order);
    const Qt::SortOrder sortOrder = Qt::SortOrder(order);
    const QStringList lastNames = {QStringLiteral("Rossi123456789"),
                                   QStringLiteral("Rossi123456788"),
                                   QStringLiteral("Rossi12345678"),
                                   QStringLiteral("Ab"),
                                   QString(QStringLiteral("Ab")) + QChar(0),
                                   QString(QStringLiteral("Ab")) + QChar(0) + QLatin1Char('c'),
                                   QString(QStringLiteral("Ab")) + QChar(1),
                                   QStringLiteral("  Bianchi "),
                                   QStringLiteral("Bianchi"),
                                   QString(),
                                   QStringLiteral("\U0001F600"),
                                   QStringLiteral("\uFFFD"),
                                   QStringLiteral("\u00C8"),
                                   QStringLiteral("Bianchi"),
                                   QStringLiteral("abcdefgh"),
                                   QStringLiteral("abcdefg")};
    PhoneBook book;
    book.source = QStringLiteral("velora");
    for (int i = 0; i < lastNames.size(); ++i)
        book.entries << contact(QString::number(i), QStringLiteral("N"), lastNames.at(i), QString(), QString());
    QVector<int> expected(lastNames.size());
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
        const int c = lastNames.at(a).trimmed().compare(lastNames.at(b).trimmed());
        return sortOrder == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    const ContactsBuild build =
        DirectoryModels::buildContactsModel({book}, QThread::currentThread(), ContactsModel::LastNameColumn, sortOrder);
    QScopedPointer<ContactsModel> model(build.model);
    Tester tester(model.data(), Fatal);
    QVERIFY(model->rowsInOrder(ContactsModel::LastNameColumn, sortOrder));
    QCOMPARE(model->rowCount(), lastNames.size());
    for (int row = 0; row < model->rowCount(); ++row)
        QCOMPARE(model->entryAt(row)->id, QString::number(expected.at(row)));
}

// Over a large phone book the words are matched on a worker; the result
// replaces the rows shown when it comes, and a newer search wins.
void TestDirectoryProxies::largeListSearchedOnAWorker()
{
    PhoneBook book;
    book.source = QStringLiteral("velora");
    const int rows = WordFilterProxyModel::WorkerSearchRows + 10;
    for (int i = 0; i < rows; ++i)
        book.entries << contact(QString::number(i), i % 10 == 0 ? "Mario" : "Anna", QStringLiteral("Rossi%1").arg(i),
                                "", QStringLiteral("02%1").arg(i));
    ContactFilterProxyModel proxy;
    ContactsModel *model = DirectoryModels::buildContactsModel({book}, QThread::currentThread()).model;
    model->setParent(&proxy);
    proxy.sort(ContactsModel::LastNameColumn, Qt::AscendingOrder);
    proxy.setSourceModel(model);
    QCOMPARE(proxy.rowCount(), rows);
    proxy.setSearchText(QStringLiteral("anna"));
    proxy.setSearchText(QStringLiteral("mar"));
    QVERIFY(proxy.isSearchPending());
    QTRY_VERIFY_WITH_TIMEOUT(!proxy.isSearchPending(), 20000);
    QCOMPARE(proxy.rowCount(), (rows + 9) / 10);
    proxy.setSearchText(QStringLiteral("mar rossi20000"));
    QTRY_VERIFY_WITH_TIMEOUT(!proxy.isSearchPending(), 20000);
    QCOMPARE(proxy.rowCount(), 1);
    QCOMPARE(proxy.index(0, ContactsModel::LastNameColumn).data().toString(), QStringLiteral("Rossi20000"));
    // Back to no words: every row, at once.
    proxy.setSearchText(QString());
    QVERIFY(!proxy.isSearchPending());
    QCOMPARE(proxy.rowCount(), rows);
}

DESKLINE_TEST_MAIN(TestDirectoryProxies)
#include "tst_proxies.moc"
