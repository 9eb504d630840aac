#include "contactchanges.h"

#include "contactrows.h"
#include "directoryroles.h"

#include <QCoreApplication>
#include <QStandardItemModel>

namespace ContactChanges
{
int rowOfContact(const QStandardItemModel *model, const QString &id)
{
    if (!model || id.isEmpty() || model->rowCount() == 0)
        return -1;
    const QModelIndexList hits =
        model->match(model->index(0, 0), DirRole::EntryId, id, 1, Qt::MatchFixedString | Qt::MatchWrap);
    return hits.isEmpty() ? -1 : hits.first().row();
}

void addContact(QStandardItemModel *model, const PhoneBookEntry &entry)
{
    if (!model)
        return;
    QList<QStandardItem *> row =
        DirectoryModels::phonebookEntryToModelRow(entry, QStringLiteral("velora"), QStringLiteral("Private"));
    if (row.isEmpty())
        return;
    QStandardItem *first = row.first();
    first->setData(false, DirRole::Personal);
    first->setData(false, DirRole::Confirmed);
    const QString note =
        QCoreApplication::translate("MPGui", "Non ancora sincronizzato sul server.") + QLatin1Char('\n') +
        QCoreApplication::translate("MPGui", "La modifica del contatto non sara' disponibile fino \nalla prossima "
                                             "sincronizzazione dei contatti con %1.")
            .arg(QStringLiteral("PBX"));
    first->setToolTip(first->toolTip() + QStringLiteral(" - ") + note);
    model->appendRow(row);
}

bool replaceContact(QStandardItemModel *model, const PhoneBookEntry &entry)
{
    const int r = rowOfContact(model, entry.id);
    if (r < 0)
        return false;
    const QModelIndex first = model->index(r, 0);
    const QString source = first.data(DirRole::Source).toString();
    const QString visibility = first.data(DirRole::Visibility).toString();
    QList<QStandardItem *> row = DirectoryModels::phonebookEntryToModelRow(entry, source, visibility);
    model->removeRow(r);
    model->insertRow(r, row);
    return true;
}

bool removeContact(QStandardItemModel *model, const PhoneBookEntry &entry)
{
    const int r = rowOfContact(model, entry.id);
    if (r < 0)
        return false;
    model->removeRow(r);
    return true;
}
} // namespace ContactChanges
