#include "extenlist.h"

#include "app/globallogger.h"
#include "contactrows.h"
#include "directoryroles.h"
#include "extensionsmodel.h"
#include "widgets/mpguilabels.h"

#include <QCoreApplication>

namespace
{
QString trMPGui(const char *text)
{
    return QCoreApplication::translate("MPGui", text);
}
} // namespace

namespace ExtenList
{
Prepared prepare(const PhoneBookList &books, const QString &ownExtension)
{
    Prepared result;
    int total = 0;
    for (const PhoneBook &book : books)
        total += book.entries.size();
    QVector<ExtensionsModel::Row> rows;
    rows.reserve(total);
    result.listed.reserve(total);
    const QString labelFormat = trMPGui("Interno %1 %2");

    for (const PhoneBook &book : books) {
        for (const PhoneBookEntry &entry : book.entries) {
            const QString nameText = QStringLiteral("%1 %2").arg(entry.firstName, entry.lastName).trimmed();
            QString mobile, email, extension;
            QStringList words{entry.firstName, entry.lastName, entry.company, entry.department};

            ExtensionsModel::Row row;
            row.children.reserve(entry.contacts.size());
            for (const ContactEntry &field : entry.contacts) {
                ExtensionsModel::Child child;
                child.value = field.value;
                const QString v = field.value.trimmed();
                if (field.kind == QLatin1String("phone")) {
                    const QString &sub = field.subtype;
                    if (sub == QLatin1String("main") || sub == QLatin1String("work") || sub == QLatin1String("home")) {
                        child.kind = NumberKind::Fixed;
                    } else if (sub == QLatin1String("mobile") || sub == QLatin1String("work_mobile")) {
                        mobile = v;
                        child.kind = NumberKind::Mobile;
                    } else if (sub == QLatin1String("exten")) {
                        extension = v;
                        child.kind = NumberKind::Extension;
                    }
                } else if (field.kind == QLatin1String("email")) {
                    email = v;
                    child.kind = NumberKind::Email;
                }
                if (child.kind >= 0) {
                    words.append(v);
                    child.trimmed = v;
                }
                row.children.append(child);
            }

            Listed listed;
            listed.extension = extension;
            listed.name = nameText;
            listed.company = entry.company;
            listed.department = entry.department;
            listed.email = email;
            listed.mobile = mobile;
            listed.favouriteKey = entry.extension.isEmpty() ? extension : entry.extension;
            listed.own = !ownExtension.isEmpty() && extension == ownExtension;
            result.listed.append(listed);
            result.names.insert(extension, nameText);
            if (listed.own)
                continue;

            row.entry = entry;
            row.source = book.source;
            row.visibility = book.visibility;
            row.extension = extension;
            row.label = labelFormat.arg(extension, nameText).trimmed();
            row.cells[ExtensionsModel::NumberColumn] = extension.trimmed();
            row.cells[ExtensionsModel::FirstNameColumn] = entry.firstName.trimmed();
            row.cells[ExtensionsModel::LastNameColumn] = entry.lastName.trimmed();
            row.cells[ExtensionsModel::CompanyColumn] =
                QStringLiteral("%1 %2").arg(entry.company, entry.department).trimmed();
            row.search = words.join(QLatin1Char(' '));
            rows.append(row);
        }
    }
    result.model = new ExtensionsModel();
    result.model->setRows(rows);
    return result;
}

Rebuild reconcile(Prepared &prepared, MctiExtenMap &map, const QString &ownExtension, const QString &ownName,
                  const std::function<bool(const QString &)> &isFavourite)
{
    Rebuild result;
    for (auto it = map.begin(); it != map.end(); ++it)
        it->stale = true;
    for (const Listed &listed : qAsConst(prepared.listed)) {
        auto recordIt = map.find(listed.extension);
        if (recordIt == map.end())
            recordIt = map.insert(listed.extension, MctiExtenDetails(listed.extension, QString()));
        MctiExtenDetails &record = recordIt.value();
        record.stale = false;
        const QString oldName = record.name;
        record.name = listed.name;
        record.company = listed.company;
        record.department = listed.department;
        record.email = listed.email;
        record.mobile = listed.mobile;
        record.favourite = isFavourite ? isFavourite(listed.favouriteKey) : false;
        if (record.name != oldName)
            result.renamed.append(record);
        if (listed.own) {
            logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                       << "CTILIB >= v4.4.1 mustn't insert logged user exten into ExtenList!";
            result.ownListed = true;
        }
    }
    result.model = prepared.model;
    prepared.model = nullptr;

    if (!ownExtension.isEmpty()) {
        auto own = map.find(ownExtension);
        if (own == map.end()) {
            own = map.insert(ownExtension, MctiExtenDetails(ownExtension, QString()));
            own->name = ownName;
            result.renamed.append(own.value());
        }
        own->stale = false;
    }
    for (auto it = map.begin(); it != map.end();) {
        if (it->stale)
            it = map.erase(it);
        else
            ++it;
    }
    return result;
}

void takeLiveStates(ExtensionsModel *model, const MctiExtenMap &map,
                    const std::function<bool(const QString &)> &isFavourite)
{
    if (!model)
        return;
    model->setLiveStates([&](const ExtensionsModel::Row &row, ExtensionsModel::LiveState &state) {
        const auto record = map.constFind(row.extension);
        if (record != map.constEnd()) {
            state.presence = record->presence;
            state.blf = record->blfState;
            state.flag = record->flag;
        }
        const QString &key = row.entry.extension.isEmpty() ? row.extension : row.entry.extension;
        state.favourite = isFavourite ? isFavourite(key) : false;
    });
}

Rebuild install(Prepared prepared, MctiExtenMap &map, const QString &ownExtension, const QString &ownName,
                const std::function<bool(const QString &)> &isFavourite)
{
    Rebuild result = reconcile(prepared, map, ownExtension, ownName, isFavourite);
    takeLiveStates(result.model, map, isFavourite);
    return result;
}

Rebuild rebuild(const PhoneBookList &books, MctiExtenMap &map, const QString &ownExtension, const QString &ownName,
                const std::function<bool(const QString &)> &isFavourite)
{
    return install(prepare(books, ownExtension), map, ownExtension, ownName, isFavourite);
}

StatusChange applyStatus(MctiExtenMap &map, ExtensionsModel *model, const BuddyStatus &status)
{
    StatusChange change;
    auto it = map.find(status.exten);
    if (it == map.end())
        return change;
    change.known = true;
    MctiExtenDetails &record = it.value();
    if (record.blfState != status.blfStatus) {
        change.blfChanged = true;
        change.ringingChanged = isRinging(record.blfState) || isRinging(status.blfStatus);
        record.blfState = status.blfStatus;
    }
    if (record.flag != status.chatEnabled) {
        change.flagChanged = true;
        record.flag = status.chatEnabled;
    }
    if (record.accounts != status.accounts) {
        change.accountsChanged = true;
        record.accounts = status.accounts;
    }
    if (!model || !(change.blfChanged || change.flagChanged))
        return change;
    const int row = model->rowOf(status.exten);
    if (row < 0)
        return change;
    change.rowFound = true;
    if (change.flagChanged)
        model->setFlag(row, record.flag);
    if (change.blfChanged)
        model->setBlf(row, record.blfState);
    return change;
}
} // namespace ExtenList
