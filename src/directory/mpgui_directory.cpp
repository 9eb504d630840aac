// Directories and call history of the main window: the phone book, the
// extensions and favourites, the call records, their filters and menus.
#include "mpgui.h"

#include "globallogger.h"
#include <QStandardItemModel>

QStandardItemModel *MPGui::initContactsBookModel()
{
    return new QStandardItemModel();
}

QStandardItemModel *MPGui::initExtenModel()
{
    return new QStandardItemModel();
}

QStandardItemModel *MPGui::initCdrModel()
{
    return new QStandardItemModel();
}

void MPGui::initContactTables(CustomTreeView *, bool)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::initExtensionsTables(CustomTreeView *, bool)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::initCdrTables(CustomTreeView *, bool)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::recvdPhonebook(const PhoneBookList &, CTILIB::PhonebookTypeFlags)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::updateExtenListStatus(const BuddyStatusMap &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::updateExtenStatus(const BuddyStatus &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::recvdCdr(const Cdr &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onClickedOnExtenTable(const QModelIndex &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onDblClickedOnContactsTable(const QModelIndex &)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onDblClickedOnCdrTable(const QModelIndex &)
{
    logNotYetHandled(Q_FUNC_INFO);
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
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::updateSearchResults(QString)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::updateCdrSearchResults(QString)
{
    logNotYetHandled(Q_FUNC_INFO);
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
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onUpdateCdrCurrentDate()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::triggerContactSearch()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::triggerExtSearch()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::triggerCdrSearch()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::refreshContactsList()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCdrSettingsChanged()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCdrFilterChanged(MctiConfig::MCdrFilterFlags)
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::onCdrFilterClosed()
{
    logNotYetHandled(Q_FUNC_INFO);
}

void MPGui::on_cdrFilterButton_clicked()
{
    logNotYetHandled(Q_FUNC_INFO);
}
