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
