#include "extenlist.h"

#include "contactrows.h"
#include "directoryroles.h"
#include "app/globallogger.h"
#include "mainwindow/mpguilabels.h"

#include <QCoreApplication>
#include <QStandardItemModel>

namespace
{
QString trMPGui(const char *text)
{
    return QCoreApplication::translate("MPGui", text);
}

QString blfText(int state)
{
    return MPGUI::translateBlfStatus(CTILIB::BlfStatus(state));
}

QString presenceText(int presence)
{
    return MPGUI::translatePresenceStatus(CTILIB::ChatPresence(presence));
}

// Presence shown for a stored value: a value outside -1..5 is shown offline.
void setPresenceCell(QStandardItem *item, int presence)
{
    if (presence < -1 || presence > 5) {
        item->setText(CTILIB::chatPresenceToString(5));
        item->setToolTip(presenceText(-1));
        return;
    }
    item->setText(CTILIB::chatPresenceToString(presence));
    item->setToolTip(presenceText(presence));
}
} // namespace

namespace ExtenList
{
void setFavouriteCell(QStandardItem *item, bool favourite)
{
    const QString mark = favourite ? QStringLiteral("F") : QStringLiteral("N");
    item->setText(mark);
    item->setData(mark, DirRole::Favourite);
    item->setToolTip(favourite ? trMPGui("Preferito") : QString());
}

void updateAccessibleText(QStandardItemModel *model, int row)
{
    QStandardItem *first = model->item(row, 0);
    QStandardItem *blf = model->item(row, 1);
    if (!first || !blf)
        return;
    first->setData(
        QStringLiteral("%1 %2 %3").arg(first->data(DirRole::FullLabel).toString(), blf->toolTip(), first->toolTip()),
        Qt::AccessibleTextRole);
}

Rebuild rebuild(const PhoneBookList &books, MctiExtenMap &map, const QString &ownExtension, const QString &ownName,
                const std::function<bool(const QString &)> &isFavourite)
{
    Rebuild result;
    for (auto it = map.begin(); it != map.end(); ++it)
        it->stale = true;
    result.model = DirectoryModels::initExtenModel();
    QStandardItemModel *model = result.model;

    for (const PhoneBook &book : books) {
        for (const PhoneBookEntry &entry : book.entries) {
            const QString nameText = QStringLiteral("%1 %2").arg(entry.firstName, entry.lastName).trimmed();
            QString fixed, mobile, email, extension;
            QStringList words{entry.firstName, entry.lastName, entry.company, entry.department};

            auto *first = new QStandardItem();
            first->setData(book.source, DirRole::Source);
            first->setData(book.visibility, DirRole::Visibility);
            first->setData(false, DirRole::Personal);
            first->setData(entry.id, DirRole::EntryId);
            first->setData(QVariant::fromValue(entry), DirRole::Entry);
            first->setRowCount(entry.contacts.size());
            first->setColumnCount(1);
            for (int i = 0; i < entry.contacts.size(); ++i) {
                const ContactEntry &field = entry.contacts.at(i);
                auto *child = new QStandardItem(field.value);
                child->setData(field.value, DirRole::ChildValue);
                const QString v = field.value.trimmed();
                int kind = -1;
                const char *label = nullptr;
                if (field.kind == QLatin1String("phone")) {
                    const QString &sub = field.subtype;
                    if (sub == QLatin1String("main") || sub == QLatin1String("work") || sub == QLatin1String("home")) {
                        fixed = v;
                        kind = NumberKind::Fixed;
                        label = QT_TRANSLATE_NOOP("MPGui", "numero fisso %1");
                    } else if (sub == QLatin1String("mobile") || sub == QLatin1String("work_mobile")) {
                        mobile = v;
                        kind = NumberKind::Mobile;
                        label = QT_TRANSLATE_NOOP("MPGui", "cellulare %1");
                    } else if (sub == QLatin1String("exten")) {
                        extension = v;
                        kind = NumberKind::Extension;
                        label = QT_TRANSLATE_NOOP("MPGui", "interno %1");
                    }
                } else if (field.kind == QLatin1String("email")) {
                    email = v;
                    kind = NumberKind::Email;
                    label = QT_TRANSLATE_NOOP("MPGui", "indirizzo email %1");
                }
                if (label) {
                    words.append(v);
                    child->setData(v, DirRole::TrimmedValue);
                    child->setData(kind, DirRole::Visibility);
                    child->setData(trMPGui(label).arg(v), Qt::AccessibleTextRole);
                }
                first->setChild(i, 0, child);
            }
            first->setData(extension, DirRole::Extension);
            const QString rowLabel = trMPGui("Interno %1 %2").arg(extension, nameText).trimmed();
            first->setData(rowLabel, DirRole::FullLabel);
            first->setData(rowLabel, Qt::AccessibleTextRole);

            auto recordIt = map.find(extension);
            if (recordIt == map.end())
                recordIt = map.insert(extension, MctiExtenDetails(extension, QString()));
            MctiExtenDetails &record = recordIt.value();
            record.stale = false;
            const QString oldName = record.name;
            record.name = nameText;
            record.company = entry.company;
            record.department = entry.department;
            record.email = email;
            record.mobile = mobile;
            const QString favouriteKey = entry.extension.isEmpty() ? extension : entry.extension;
            record.favourite = isFavourite ? isFavourite(favouriteKey) : false;
            if (record.name != oldName)
                result.renamed.append(record);

            if (!ownExtension.isEmpty() && extension == ownExtension) {
                logLine(UNQL::LOG_WARNING)
                    << Q_FUNC_INFO << "CTILIB >= v4.4.1 mustn't insert logged user exten into ExtenList!";
                result.ownListed = true;
                delete first;
                continue;
            }

            first->setData(record.flag, DirRole::StatusFlag);
            first->setData(record.presence, DirRole::Presence);
            setPresenceCell(first, record.presence);
            auto *blf = new QStandardItem(blfText(record.blfState));
            blf->setToolTip(blf->text());
            blf->setData(record.blfState, DirRole::Blf);
            auto *name = new QStandardItem(entry.firstName.trimmed());
            name->setData(words.join(QLatin1Char(' ')), DirRole::SearchText);
            auto *star = new QStandardItem();
            setFavouriteCell(star, record.favourite);
            model->appendRow({first, blf, new QStandardItem(extension.trimmed()), name,
                              new QStandardItem(entry.lastName.trimmed()),
                              new QStandardItem(QStringLiteral("%1 %2").arg(entry.company, entry.department).trimmed()),
                              new QStandardItem(QString()), star});
            updateAccessibleText(model, model->rowCount() - 1);
            if (!result.rows.contains(extension))
                result.rows.insert(extension, model->rowCount() - 1);
        }
    }

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

StatusChange applyStatus(MctiExtenMap &map, QStandardItemModel *model, const BuddyStatus &status,
                         const QHash<QString, int> *rows)
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

    int row = rows ? rows->value(status.exten, -1) : -1;
    const QStandardItem *atRow = row >= 0 ? model->item(row, 0) : nullptr;
    if (!atRow || atRow->data(DirRole::Extension).toString() != status.exten) {
        const QModelIndexList hits = model->match(model->index(0, 0), DirRole::Extension, status.exten, 1,
                                                  Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (hits.isEmpty())
            return change;
        row = hits.first().row();
    }
    change.rowFound = true;
    QStandardItem *first = model->item(row, 0);
    if (change.flagChanged)
        first->setData(record.flag, DirRole::StatusFlag);
    if (change.blfChanged) {
        QStandardItem *blf = model->item(row, 1);
        blf->setData(record.blfState, DirRole::Blf);
        blf->setText(blfText(record.blfState));
        blf->setToolTip(blf->text());
    }
    bool isInt = false;
    const int presence = first->data(DirRole::Presence).toInt(&isInt);
    if (!isInt || presence < -1 || presence > 5) {
        first->setText(CTILIB::chatPresenceToString(5));
        first->setToolTip(presenceText(-1));
    }
    updateAccessibleText(model, row);
    return change;
}
} // namespace ExtenList
