// The local phone-book rows of the user's own contact changes: an added
// contact shows at once (marked as not yet synchronised), an edited one is
// replaced in place, a deleted one goes; the PBX's next phone book confirms.
// Rows are found by the contact identifier role, whole text, any case.
#pragma once

#include "ctilibtypes.h"

class ContactsModel;

namespace ContactChanges
{
// The row of the contact with that identifier, -1 when none.
int rowOfContact(const ContactsModel *model, const QString &id);
// Appends the contact as a personal, private row of the PBX phone book,
// not yet confirmed; its tooltip tells it is not synchronised yet.
void addContact(ContactsModel *model, const PhoneBookEntry &entry);
// Replaces the contact's row at the same position, keeping its source and
// visibility; false when the contact has no row.
bool replaceContact(ContactsModel *model, const PhoneBookEntry &entry);
// Removes the contact's row; false when it has none.
bool removeContact(ContactsModel *model, const PhoneBookEntry &entry);
} // namespace ContactChanges
