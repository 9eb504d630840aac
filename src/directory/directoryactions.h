// What the user does from the directory and call-history rows: the context
// menus and their actions (call, transfer, e-mail, SMS, chat, copy, pick-up,
// booking), the contact add, edit and delete with their local rows, and the
// text-message windows with their outcome. Reads the rest of the window
// through hooks; calls and transfers go back through them to the window.
#pragma once

#include "directorymenus.h"
#include "widgets/mainwindowicons.h"

#include <QMap>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <utility>

class BookedCalls;
class CtiLib;
class CustomTreeView;
class DirectoryPanel;
class QAction;
class QMenu;
class QModelIndex;
class QStackedWidget;
class wdgSms;

namespace Balloon
{
class BalloonInfo;
}

class DirectoryActions : public QObject
{
    Q_OBJECT
public:
    struct Hooks {
        std::function<int()> mode;
        std::function<CtiLib *()> cti;
        std::function<quint32()> capabilities;
        std::function<bool()> hasEngine;
        std::function<bool()> engineRegistered;
        std::function<bool()> hasDeskPhone;
        // The call in progress: the current line's remote number ("" none),
        // whether any line is active, a current line, a transfer under way.
        std::function<QString()> activeRemote;
        std::function<bool()> hasActiveLines;
        std::function<bool()> hasCurrentLine;
        std::function<bool()> transferPending;
        // Clears the current line and the transfer state.
        std::function<void()> resetTransferState;
        std::function<QStackedWidget *()> lineStack;
        std::function<void()> updateLineButtons;
        // The window's operations.
        std::function<void(const QString &, int)> startCall; // number, CTILIB::NumberOutgoingPrefix
        std::function<void(const QString &)> startInternalCall;
        std::function<void(const QString &)> startAudioCall;
        std::function<void(const QString &)> unattendedTransfer;
        std::function<void(const QString &)> attendedTransfer;
        std::function<void(const QString &)> openChat;
        std::function<void(const QString &, const Balloon::BalloonInfo &)> openBalloon;
        // Runs a context menu at a global position (tests replace it).
        std::function<void(QMenu *, const QPoint &)> runMenu;
        // The names of the hooks left unset; the window sets every one
        // (runMenu only replaces the menu's own run, for tests).
        QStringList unset() const
        {
            const std::pair<bool, const char *> all[] = {{bool(mode), "mode"},
                                                         {bool(cti), "cti"},
                                                         {bool(capabilities), "capabilities"},
                                                         {bool(hasEngine), "hasEngine"},
                                                         {bool(engineRegistered), "engineRegistered"},
                                                         {bool(hasDeskPhone), "hasDeskPhone"},
                                                         {bool(activeRemote), "activeRemote"},
                                                         {bool(hasActiveLines), "hasActiveLines"},
                                                         {bool(hasCurrentLine), "hasCurrentLine"},
                                                         {bool(transferPending), "transferPending"},
                                                         {bool(resetTransferState), "resetTransferState"},
                                                         {bool(lineStack), "lineStack"},
                                                         {bool(updateLineButtons), "updateLineButtons"},
                                                         {bool(startCall), "startCall"},
                                                         {bool(startInternalCall), "startInternalCall"},
                                                         {bool(startAudioCall), "startAudioCall"},
                                                         {bool(unattendedTransfer), "unattendedTransfer"},
                                                         {bool(attendedTransfer), "attendedTransfer"},
                                                         {bool(openChat), "openChat"},
                                                         {bool(openBalloon), "openBalloon"}};
            QStringList names;
            for (const auto &h : all) {
                if (!h.first)
                    names << QLatin1String(h.second);
            }
            return names;
        }
    };

    // `serviceCodes`: the session's service dial codes, which outlive this
    // object.
    DirectoryActions(DirectoryPanel *panel, const MainWindowIcons &icons, QWidget *window,
                     const ServicesDialCodesMap &serviceCodes, QObject *parent = nullptr);
    ~DirectoryActions() override;

    void setHooks(const Hooks &hooks);
    const Hooks &hooks() const { return env; }
    // How a context menu is run (modally by default); tests record it instead.
    void setMenuRunner(std::function<void(QMenu *, const QPoint &)> run) { env.runMenu = std::move(run); }
    BookedCalls *bookings() const { return booked; }
    // The menu the opener of that view showed last (null when none); the
    // extensions and the favourites share one opener.
    QMenu *lastMenu(CustomTreeView *view) const;
    // The text-message windows open now.
    QList<wdgSms *> smsWindows() const;

    // The state the menus are built from, as the hooks tell it now.
    DirectoryMenus::State menuState() const;

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

    void onSessionEnded();

signals:
    void smsSent(const QString &destination);
    void smsFailed(const QString &destination, const QString &reason);

private:
    void onSmsResult(const QString &destination, bool sent, const QString &reason);
    QMenu *finish(CustomTreeView *view, const DirectoryMenus::Menu &menu);
    void runMenu(CustomTreeView *view, QMenu *menu, const QPoint &pos);
    void openMenu(const QString &opener, CustomTreeView *view, const QPoint &pos);
    static QString openerOf(const CustomTreeView *view);
    QString actionData(QObject *sender) const;
    QIcon iconFor(DirectoryMenus::Icon icon) const;
    CtiLib *cti() const;

    DirectoryPanel *panel = nullptr;
    MainWindowIcons icons;
    QPointer<QWidget> window;
    const ServicesDialCodesMap &serviceCodes;
    Hooks env;
    BookedCalls *booked = nullptr;
    QMap<QString, QPointer<QMenu>> menus; // by opener
    QPointer<CtiLib> connectedCti;
    // Windows waiting for the outcome of their message, by destination.
    QMultiMap<QString, QPointer<QObject>> waitingSms;
    QList<QPointer<QObject>> openSms;
};
