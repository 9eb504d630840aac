// Rows of the phone book: the empty list models, one contact row with its
// number child rows, the build of a whole contacts model (run on a pool
// thread) and the number -> contact index that comes with it.
#pragma once

#include "ctilibtypes.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVector>

class CdrModel;
class ContactsModel;
class ExtensionsModel;
class QStandardItem;
class QStandardItemModel;
class QThread;

namespace DirectoryModels
{
// Empty models with their header texts and tooltips.
ContactsModel *initContactsBookModel();
ExtensionsModel *initExtenModel();
CdrModel *initCdrModel();

// A phone number with the separators " -,'./\()" removed; "+" stays.
QString cleanPhoneNumber(const QString &number);

// The five items of one contact row as standard items (ContactsModel answers
// the same roles from its own records); column 0 carries the roles and one
// child row per contact field.
QList<QStandardItem *> phonebookEntryToModelRow(const PhoneBookEntry &entry, const QString &source,
                                                const QString &visibility);

// Contact kind the contact list draws for a row: personal, shared or
// Outlook, from the row's personal flag and source.
int contactKind(bool personal, const QString &source);
} // namespace DirectoryModels

// The contacts of the phone book by cleaned number (display name, company
// and unit), for the contact lookup of incoming and outgoing calls. The
// first contact listing a number wins.
class ContactNumberIndex
{
public:
    struct Contact {
        QString name;
        QString company;
        QString unit;
    };
    // What the index keeps of a phone-book contact: its name ("first last",
    // else the company), company and unit; an empty name for none.
    static Contact contactOfEntry(const PhoneBookEntry &entry);
    void add(const QString &cleanedNumber, const Contact &contact);
    void reserve(int numbers) { names.reserve(numbers); }
    // The contact with that number (separators ignored); an empty name when none.
    Contact contactOf(const QString &number) const;
    // Its name, or "".
    QString nameOf(const QString &number) const { return contactOf(number).name; }
    int size() const { return names.size(); }

private:
    QHash<QString, Contact> names;
};

// The result of a contacts build: the model (no parent, owned by whoever
// takes it) and the index made from the same rows.
struct ContactsBuild {
    ContactsModel *model = nullptr;
    ContactNumberIndex index;
};

namespace DirectoryModels
{
// Builds the contacts model of the books, its rows in the order of the list's
// sort by `sortColumn` in `sortOrder`; the model is handed to `owner` (the
// GUI thread) before it is returned. Touches nothing else.
ContactsBuild buildContactsModel(const PhoneBookList &books, QThread *owner, int sortColumn = 2,
                                 Qt::SortOrder sortOrder = Qt::AscendingOrder);
} // namespace DirectoryModels
