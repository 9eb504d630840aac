// Directories and call history of the main window: the phone book, the
// extensions and favourites, the call records, their filters and menus. The
// slots forward to the directory panel.
#include "mainwindow/mpgui.h"

#include "app/globallogger.h"
#include "contactrows.h"
#include "defaultrowaction.h"
#include "directorypanel.h"
#include "framework/promptservice.h"
#include <QStandardItemModel>

ContactsModel *MPGui::initContactsBookModel()
{
    return DirectoryModels::initContactsBookModel();
}

ExtensionsModel *MPGui::initExtenModel()
{
    return DirectoryModels::initExtenModel();
}

CdrModel *MPGui::initCdrModel()
{
    return DirectoryModels::initCdrModel();
}

void MPGui::initContactTables(CustomTreeView *view, bool restoreHeader)
{
    if (directory)
        directory->initContactTables(view, restoreHeader);
}

void MPGui::initExtensionsTables(CustomTreeView *view, bool restoreHeader)
{
    if (directory)
        directory->initExtensionsTables(view, restoreHeader);
}

void MPGui::initCdrTables(CustomTreeView *view, bool restoreHeader)
{
    if (directory)
        directory->initCdrTables(view, restoreHeader);
}

void MPGui::recvdPhonebook(const PhoneBookList &phonebooks, CTILIB::PhonebookTypeFlags flags)
{
    if (directory)
        directory->recvdPhonebook(phonebooks, flags);
}

void MPGui::updateExtenListStatus(const BuddyStatusMap &statuses)
{
    if (directory)
        directory->updateExtenListStatus(statuses);
}

void MPGui::updateExtenStatus(const BuddyStatus &status)
{
    if (directory)
        directory->updateExtenStatus(status);
}

void MPGui::recvdCdr(const Cdr &cdr)
{
    if (directory)
        directory->recvdCdr(cdr);
}

void MPGui::onClickedOnExtenTable(const QModelIndex &index)
{
    if (directory)
        directory->onClickedOnExtenTable(sender(), index);
}

void MPGui::onDblClickedOnContactsTable(const QModelIndex &index)
{
    if (directory)
        directory->onDblClickedOnContactsTable(sender(), index);
}

void MPGui::onDblClickedOnCdrTable(const QModelIndex &index)
{
    if (directory)
        directory->onDblClickedOnCdrTable(sender(), index);
}

void MPGui::ext_cxtMenu(const QPoint &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::cont_cxtMenu(const QPoint &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::cdr_cxtMenu(const QPoint &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::updateExtSearchResults(QString)
{
    if (directory)
        directory->updateExtSearchResults();
}

void MPGui::updateSearchResults(QString)
{
    if (directory)
        directory->updateSearchResults();
}

void MPGui::updateCdrSearchResults(QString)
{
    if (directory)
        directory->updateCdrSearchResults();
}

void MPGui::onAddNewContactRequested()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onSmsSendRequest()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onDateFilterChanged()
{
    if (directory)
        directory->onDateFilterChanged();
}

void MPGui::onUpdateCdrCurrentDate()
{
    if (directory)
        directory->onUpdateCdrCurrentDate();
}

void MPGui::triggerContactSearch()
{
    if (directory)
        directory->triggerContactSearch();
}

void MPGui::triggerExtSearch()
{
    if (directory)
        directory->triggerExtSearch();
}

void MPGui::triggerCdrSearch()
{
    if (directory)
        directory->triggerCdrSearch();
}

void MPGui::refreshContactsList()
{
    if (directory)
        directory->refreshContactsList();
}

void MPGui::onCdrSettingsChanged()
{
    if (!directory)
        return;
    directory->onUpdateCdrCurrentDate();
    directory->refreshCdr(true);
}

void MPGui::onCdrFilterChanged(MctiConfig::MCdrFilterFlags flags)
{
    if (directory)
        directory->onCdrFilterChanged(flags, icons.cdrFilterOnIcon, icons.cdrFilterOffIcon);
}

void MPGui::onCdrFilterClosed()
{
    if (directory)
        directory->onCdrFilterClosed();
}

void MPGui::on_cdrFilterButton_clicked()
{
    if (directory)
        directory->openCdrFilter();
}

QSharedPointer<MctiExtenDetails> MPGui::resolveContactNumber(const QString &number)
{
    return directory ? directory->resolveContactNumber(number) : QSharedPointer<MctiExtenDetails>();
}

void MPGui::performDefaultDblClickOnTableRowAction(const QString &value, int numberKind)
{
    const DefaultRowAction::Action action = DefaultRowAction::forRow(value, numberKind);
    if (action.kind == DefaultRowAction::Action::Call)
        startCall(action.number, action.prefix);
    else if (action.kind == DefaultRowAction::Action::Mail)
        prompts().openUrl(action.url);
}
