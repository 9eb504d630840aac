// The window's named entry points of the directories, forwarding to the directory panel and actions.
#include "mainwindow/mpgui.h"

#include "directory/directoryactions.h"
#include "directory/directorypanel.h"

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

void MPGui::ext_cxtMenu(const QPoint &pos)
{
    if (dirActions)
        dirActions->openExtensionMenu(sender(), pos);
}

void MPGui::cont_cxtMenu(const QPoint &pos)
{
    if (dirActions)
        dirActions->openContactMenu(sender(), pos);
}

void MPGui::cdr_cxtMenu(const QPoint &pos)
{
    if (dirActions)
        dirActions->openCdrMenu(sender(), pos);
}

void MPGui::onAddNewContactRequested()
{
    if (dirActions)
        dirActions->onAddNewContactRequested(QString());
}

void MPGui::onSmsSendRequest()
{
    if (dirActions)
        dirActions->openSmsWindow(QString());
}

void MPGui::sendSms(const QString &destination, const QString &text)
{
    if (dirActions)
        dirActions->sendSms(destination, text);
}

void MPGui::performDefaultDblClickOnTableRowAction(const QString &value, int numberKind)
{
    if (dirActions)
        dirActions->performDefaultDblClickOnTableRowAction(value, numberKind);
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
