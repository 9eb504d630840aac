// The phone book's local rows after the user's own changes: an added contact
// shows at once, unconfirmed and marked as not synchronised; an edit keeps
// the row's place, source and visibility; a delete removes it; an unknown
// contact changes nothing.
#include "directory/contactchanges.h"
#include "directory/contactsmodel.h"
#include "directory/directoryroles.h"
#include "testmain.h"

#include <QAbstractItemModelTester>
#include <QtTest>

namespace
{
PhoneBookEntry contact(const QString &id, const QString &last)
{
    PhoneBookEntry e;
    e.id = id;
    e.firstName = QStringLiteral("Anna");
    e.lastName = last;
    ContactEntry n;
    n.kind = QStringLiteral("phone");
    n.subtype = QStringLiteral("mobile");
    n.value = QStringLiteral("3331234567");
    e.contacts = {n};
    return e;
}

struct Book {
    ContactsModel model;
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    Book()
    {
        model.appendContact(contact(QStringLiteral("pb-1"), QStringLiteral("Neri")), QStringLiteral("velora"),
                            QStringLiteral("Public"));
        model.appendContact(contact(QStringLiteral("PC-2"), QStringLiteral("Bruni")), QStringLiteral("velora"),
                            QStringLiteral("Private"));
        model.appendContact(contact(QStringLiteral("ol-3"), QStringLiteral("Gallo")), QStringLiteral("outlook"),
                            QStringLiteral("Private"));
    }
    QVariant at(int row, int role) const { return model.index(row, 0).data(role); }
    int children(int row) const { return model.rowCount(model.index(row, 0)); }
};
} // namespace

class TestContactChanges : public QObject
{
    Q_OBJECT
private slots:
    void addedContactShowsUnconfirmed();
    void editKeepsPlaceSourceAndVisibility_data();
    void editKeepsPlaceSourceAndVisibility();
    void deleteRemovesTheRow();
    void unknownContactChangesNothing();
};

void TestContactChanges::addedContactShowsUnconfirmed()
{
    Book b;
    ContactChanges::addContact(&b.model, contact(QStringLiteral("new-1"), QStringLiteral("Russo")));
    QCOMPARE(b.model.rowCount(), 4);
    QCOMPARE(b.at(3, DirRole::EntryId).toString(), QStringLiteral("new-1"));
    QCOMPARE(b.at(3, DirRole::Source).toString(), QStringLiteral("velora"));
    QCOMPARE(b.at(3, DirRole::Visibility).toString(), QStringLiteral("Private"));
    QCOMPARE(b.at(3, DirRole::Personal).toBool(), false); // not editable until the PBX sends it back
    QCOMPARE(b.at(3, DirRole::Confirmed).toBool(), false);
    const QString tip = b.at(3, Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QStringLiteral(" - Non ancora sincronizzato sul server.\n")), qPrintable(tip));
    QVERIFY(tip.contains(QStringLiteral("sincronizzazione dei contatti con PBX.")));
    QCOMPARE(b.children(3), 1); // its number row
}

void TestContactChanges::editKeepsPlaceSourceAndVisibility_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("visibility");
    QTest::newRow("personal") << "PC-2" << 1 << "velora"
                              << "Private";
    QTest::newRow("identifier in another case") << "pc-2" << 1 << "velora"
                                                << "Private";
    QTest::newRow("shared") << "pb-1" << 0 << "velora"
                            << "Public";
    QTest::newRow("outlook") << "ol-3" << 2 << "outlook"
                             << "Private";
}

void TestContactChanges::editKeepsPlaceSourceAndVisibility()
{
    QFETCH(QString, id);
    QFETCH(int, row);
    QFETCH(QString, source);
    QFETCH(QString, visibility);
    Book b;
    PhoneBookEntry edited = contact(id, QStringLiteral("Martini"));
    edited.contacts.append(edited.contacts.first());
    edited.contacts.last().subtype = QStringLiteral("home");
    edited.contacts.last().value = QStringLiteral("0212345");
    QVERIFY(ContactChanges::replaceContact(&b.model, edited));
    QCOMPARE(b.model.rowCount(), 3);
    QCOMPARE(b.at(row, DirRole::Entry).value<PhoneBookEntry>(), edited);
    QCOMPARE(b.at(row, DirRole::Source).toString(), source);
    QCOMPARE(b.at(row, DirRole::Visibility).toString(), visibility);
    QVERIFY(b.model.index(row, 2).data().toString().contains(QStringLiteral("Martini")) ||
            b.model.index(row, 1).data().toString().contains(QStringLiteral("Martini")));
    QCOMPARE(b.children(row), 2);
}

void TestContactChanges::deleteRemovesTheRow()
{
    Book b;
    QVERIFY(ContactChanges::removeContact(&b.model, contact(QStringLiteral("pc-2"), QString())));
    QCOMPARE(b.model.rowCount(), 2);
    QCOMPARE(ContactChanges::rowOfContact(&b.model, QStringLiteral("PC-2")), -1);
    QCOMPARE(ContactChanges::rowOfContact(&b.model, QStringLiteral("ol-3")), 1);
}

void TestContactChanges::unknownContactChangesNothing()
{
    Book b;
    QVERIFY(!ContactChanges::replaceContact(&b.model, contact(QStringLiteral("pc-9"), QStringLiteral("X"))));
    QVERIFY(!ContactChanges::removeContact(&b.model, contact(QString(), QStringLiteral("X"))));
    // A prefix of an identifier is no match.
    QVERIFY(!ContactChanges::removeContact(&b.model, contact(QStringLiteral("pc"), QStringLiteral("X"))));
    QCOMPARE(b.model.rowCount(), 3);
}

DESKLINE_TEST_MAIN(TestContactChanges)
#include "tst_contactchanges.moc"
