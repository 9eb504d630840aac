#include "contactchanges.h"

#include "contactsmodel.h"
#include "directoryroles.h"

namespace ContactChanges
{
int rowOfContact(const ContactsModel *model, const QString &id)
{
    if (!model || id.isEmpty())
        return -1;
    for (int row = 0; row < model->rowCount(); ++row) {
        const PhoneBookEntry *entry = model->entryAt(row);
        if (entry && entry->id.compare(id, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

void addContact(ContactsModel *model, const PhoneBookEntry &entry)
{
    if (!model)
        return;
    const int row = model->appendContact(entry, QStringLiteral("velora"), QStringLiteral("Private"), false);
    // Not editable until the PBX sends it back in a phone book.
    model->setData(model->index(row, 0), false, DirRole::Personal);
}

bool replaceContact(ContactsModel *model, const PhoneBookEntry &entry)
{
    return model && model->replaceContact(rowOfContact(model, entry.id), entry);
}

bool removeContact(ContactsModel *model, const PhoneBookEntry &entry)
{
    return model && model->removeContact(rowOfContact(model, entry.id));
}
} // namespace ContactChanges
