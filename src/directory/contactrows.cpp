#include "contactrows.h"

#include "cdrmodel.h"
#include "contactsmodel.h"
#include "directoryroles.h"
#include "extensionsmodel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStandardItemModel>
#include <QThread>

#include <algorithm>

namespace
{
QString trMPGui(const char *text)
{
    return QCoreApplication::translate("MPGui", text);
}
} // namespace

namespace DirectoryModels
{
ContactsModel *initContactsBookModel()
{
    return new ContactsModel();
}

ExtensionsModel *initExtenModel()
{
    return new ExtensionsModel();
}

CdrModel *initCdrModel()
{
    return new CdrModel();
}

QString cleanPhoneNumber(const QString &number)
{
    // Most numbers come without separators: handed back shared.
    const auto isSeparator = [](QChar c) {
        switch (c.unicode()) {
        case ' ':
        case '-':
        case ',':
        case '\'':
        case '.':
        case '/':
        case '\\':
        case '(':
        case ')':
            return true;
        default:
            return false;
        }
    };
    if (!number.isNull() && std::none_of(number.cbegin(), number.cend(), isSeparator))
        return number;
    QString out;
    out.reserve(number.size());
    for (const QChar c : number) {
        if (!isSeparator(c))
            out.append(c);
    }
    return out;
}

int contactKind(bool personal, const QString &source)
{
    if (personal)
        return ContactKind::Personal;
    if (source == QLatin1String("outlook"))
        return ContactKind::Outlook;
    return ContactKind::Shared;
}

QList<QStandardItem *> phonebookEntryToModelRow(const PhoneBookEntry &entry, const QString &source,
                                                const QString &visibility)
{
    const QString nameText = QStringLiteral("%1 %2").arg(entry.firstName, entry.lastName).trimmed();
    const QString companyText = QStringLiteral("%1 %2").arg(entry.company, entry.department).trimmed();
    const bool personal = source == QLatin1String("velora") && visibility == QLatin1String("Private");

    auto *first = new QStandardItem();
    first->setData(source, DirRole::Source);
    first->setData(visibility, DirRole::Visibility);
    first->setData(personal, DirRole::Personal);
    first->setData(true, DirRole::Confirmed);
    first->setData(entry.id, DirRole::EntryId);
    first->setData(QVariant::fromValue(entry), DirRole::Entry);
    if (personal)
        first->setToolTip(trMPGui("Contatto personale"));
    else if (source == QLatin1String("outlook"))
        first->setToolTip(trMPGui("Contatto Outlook"));
    else
        first->setToolTip(trMPGui("Contatto aziendale"));
    const QString label = nameText + QLatin1Char(' ') + companyText;
    first->setData(label, DirRole::FullLabel);
    first->setData(label, Qt::AccessibleTextRole);

    QStringList words{entry.firstName, entry.lastName, entry.company, entry.department};
    first->setRowCount(entry.contacts.size());
    first->setColumnCount(1);
    for (int i = 0; i < entry.contacts.size(); ++i) {
        const ContactEntry &field = entry.contacts.at(i);
        auto *child = new QStandardItem();
        QString value;
        if (field.kind == QLatin1String("phone")) {
            value = cleanPhoneNumber(field.value);
            words.append(value);
            const QString &sub = field.subtype;
            if (sub == QLatin1String("main") || sub == QLatin1String("work") || sub == QLatin1String("home")) {
                child->setData(NumberKind::Fixed, DirRole::Visibility);
                child->setData(trMPGui("numero fisso %1").arg(value), Qt::AccessibleTextRole);
            } else if (sub == QLatin1String("mobile") || sub == QLatin1String("work_mobile")) {
                child->setData(NumberKind::Mobile, DirRole::Visibility);
                child->setData(trMPGui("cellulare %1").arg(value), Qt::AccessibleTextRole);
            } else if (sub == QLatin1String("exten")) {
                child->setData(NumberKind::Extension, DirRole::Visibility);
                child->setData(trMPGui("interno %1").arg(value), Qt::AccessibleTextRole);
            }
        } else if (field.kind == QLatin1String("email")) {
            value = field.value;
            words.append(value);
            child->setData(NumberKind::Email, DirRole::Visibility);
            child->setData(trMPGui("indirizzo email %1").arg(value), Qt::AccessibleTextRole);
        }
        child->setData(value, DirRole::ChildValue);
        child->setText(value);
        first->setChild(i, 0, child);
    }
    first->setData(words.join(QLatin1Char(' ')), DirRole::SearchText);

    return {first, new QStandardItem(entry.firstName.trimmed()), new QStandardItem(entry.lastName.trimmed()),
            new QStandardItem(entry.company.trimmed()), new QStandardItem(entry.department.trimmed())};
}

ContactsBuild buildContactsModel(const PhoneBookList &books, QThread *owner, int sortColumn, Qt::SortOrder sortOrder)
{
    ContactsBuild build;
    build.model = initContactsBookModel();
    build.model->buildFrom(books, sortColumn, sortOrder, &build.index);
    if (owner && build.model->thread() != owner)
        build.model->moveToThread(owner);
    return build;
}
} // namespace DirectoryModels

ContactNumberIndex::Contact ContactNumberIndex::contactOfEntry(const PhoneBookEntry &entry)
{
    QString name;
    name.reserve(entry.firstName.size() + entry.lastName.size() + 1);
    name.append(entry.firstName).append(QLatin1Char(' ')).append(entry.lastName);
    name = std::move(name).trimmed();
    return {name.isEmpty() ? entry.company.trimmed() : name, entry.company.trimmed(), entry.department.trimmed()};
}

void ContactNumberIndex::add(const QString &cleanedNumber, const Contact &contact)
{
    if (!cleanedNumber.isEmpty() && !names.contains(cleanedNumber))
        names.insert(cleanedNumber, contact);
}

ContactNumberIndex::Contact ContactNumberIndex::contactOf(const QString &number) const
{
    const QString key = DirectoryModels::cleanPhoneNumber(number);
    if (key.isEmpty())
        return Contact();
    auto it = names.constFind(key);
    if (it != names.constEnd())
        return it.value();
    // The same number written with the international prefix in the other form.
    if (key.startsWith(QLatin1Char('+')))
        it = names.constFind(QLatin1String("00") + key.mid(1));
    else if (key.startsWith(QLatin1String("00")))
        it = names.constFind(QLatin1Char('+') + key.mid(2));
    return it != names.constEnd() ? it.value() : Contact();
}
