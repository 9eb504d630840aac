// What the user does from the directory and call-history rows: the context
// menus and their actions (call, transfer, e-mail, SMS, chat, copy, pick-up,
// booking), the contact add, edit and delete with their local rows, and the
// text-message windows with their outcome. Calls and transfers go to the
// window through its Host.
#pragma once

#include "directorymenus.h"
#include "widgets/mainwindowicons.h"

#include <QMap>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

class BookedCalls;
class CallLines;
class CtiLib;
class CustomTreeView;
class DirectoryPanel;
class PbxSession;
class PhoneBackends;
class QAction;
class QMenu;
class QModelIndex;
class wdgSms;

namespace Balloon
{
class BalloonInfo;
}

class DirectoryActions : public QObject
{
    Q_OBJECT
public:
    // What the window does for the menus: the calls and transfers they ask
    // for, the chat they open, the balloon that offers a freed colleague.
    class Host
    {
    public:
        virtual ~Host() = default;
        virtual void startCall(const QString &number, CTILIB::NumberOutgoingPrefix type) = 0;
        // Dials the number as it is (service codes).
        virtual void startAudioCall(const QString &number) = 0;
        virtual void unattendedTransfer(const QString &number) = 0;
        virtual void attendedTransfer(const QString &number) = 0;
        virtual void openChat(const QString &extension) = 0;
        virtual void openBalloon(const QString &text, const Balloon::BalloonInfo &info) = 0;
    };

    // Every reference outlives this object; `serviceCodes` are the session's
    // service dial codes. The menus read the operating mode and capabilities
    // from the session, the phones from `phones`, the call in progress from
    // `calls`; a booked call's line goes into the lines' stack.
    DirectoryActions(DirectoryPanel &panel, CtiLib &cti, const PbxSession &session, const PhoneBackends &phones,
                     CallLines &calls, Host &host, const MainWindowIcons &icons, QWidget *window,
                     const ServicesDialCodesMap &serviceCodes, QObject *parent = nullptr);
    ~DirectoryActions() override;

    BookedCalls *bookings() const { return booked; }
    // The menu the opener of that view showed last (null when none); the
    // extensions and the favourites share one opener.
    QMenu *lastMenu(CustomTreeView *view) const;
    // The text-message windows open now.
    QList<wdgSms *> smsWindows() const;

    // The state the menus are built from, as it is now; `extension` is the
    // row's extension (extension views), "" for none.
    DirectoryMenus::State menuState(const QString &extension = QString()) const;

    // --- openers (customContextMenuRequested of the four views)
    void openExtensionMenu(QObject *sender, const QPoint &pos);
    void openContactMenu(QObject *sender, const QPoint &pos);
    void openCdrMenu(QObject *sender, const QPoint &pos);
    // The menu of the row at `index` of a view, not shown (null for no menu).
    QMenu *buildMenu(CustomTreeView *view, const QModelIndex &index);

public slots:
    // --- menu handlers: the sender is the triggered action
    void callFromCtxMenu();
    void uTransferFromCtxMenu();
    void transferFromCtxMenu();
    void copyNumberFromCtxMenu();
    void addNewContactFromCtxMenu();
    void emailFromCtxMenu();
    void onSmsSendRequest();
    void chatFromCtxMenu();
    void pickupFromCtxMenu();
    void pickupInviteFromCtxMenu();
    void onBookingFromCtxMenu();
    void onCancelBookingFromCtxMenu();
    void updateContactFromCtxMenu();
    void deleteContactFromCtxMenu();

    // --- bookings and pick-up
    void bookCall(const QString &number);
    void cancelCallBooking(const QString &number);
    // An extension became idle: its booking goes and the user is offered the call.
    void onExtenBecameIdle(const QString &number);
    void pickup(const QString &number, bool withInvitation);

    // --- contacts
    void onAddNewContactRequested(const QString &number);
    void updateContact(const PhoneBookEntry &entry);
    void deleteContact(const PhoneBookEntry &entry);

    // --- e-mail and SMS
    // Opens the mail program on the address; false when it is refused.
    bool sendEmail(const QString &address);
    // Opens a text-message window for the destination.
    wdgSms *openSmsWindow(const QString &destination);
    // Has the PBX send a message; the outcome reaches the window that asked.
    bool sendSms(const QString &destination, const QString &text);

    // The double click of a number or address row.
    void performDefaultDblClickOnTableRowAction(const QString &value, int numberKind);

signals:
    void smsSent(const QString &destination);
    void smsFailed(const QString &destination, const QString &reason);

private:
    void onSmsResult(const QString &destination, bool sent, const QString &reason);
    // The connection ended: the messages waiting for their outcome failed.
    void onSessionEnded();
    QMenu *finish(CustomTreeView *view, const DirectoryMenus::Menu &menu);
    void openMenu(const QString &opener, CustomTreeView *view, const QPoint &pos);
    static QString openerOf(const CustomTreeView *view);
    QString actionData(QObject *sender) const;
    QIcon iconFor(DirectoryMenus::Icon icon) const;

    DirectoryPanel &panel;
    CtiLib &cti;
    const PbxSession &session;
    const PhoneBackends &phones;
    CallLines &calls;
    Host &host;
    MainWindowIcons icons;
    QPointer<QWidget> window;
    const ServicesDialCodesMap &serviceCodes;
    BookedCalls *booked = nullptr;
    QMap<QString, QPointer<QMenu>> menus; // by opener
    // Windows waiting for the outcome of their message, by destination.
    QMultiMap<QString, QPointer<QObject>> waitingSms;
    QList<QPointer<QObject>> openSms;
};
