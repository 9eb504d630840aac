#include "directorycalllookup.h"

#include "directorypanel.h"

bool DirectoryCallLookup::isExtension(const QString &number) const
{
    return panel && !number.isEmpty() && panel->extensions().contains(number);
}

QSharedPointer<ContactDetails> DirectoryCallLookup::resolveContactNumber(const QString &number) const
{
    if (!panel)
        return {};
    const QSharedPointer<MctiExtenDetails> found = panel->resolveContactNumber(number);
    if (!found)
        return {};
    QSharedPointer<ContactDetails> contact(new ContactDetails);
    contact->name = found->name;
    contact->company = found->company;
    contact->unit = found->department;
    return contact;
}

int DirectoryCallLookup::blfState(const QString &number) const
{
    if (!panel)
        return -1;
    const auto it = panel->extensions().constFind(number);
    return it == panel->extensions().cend() ? -1 : it->blfState;
}
