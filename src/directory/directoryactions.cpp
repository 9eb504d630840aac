#include "directoryactions.h"

#include "defaultrowaction.h"

#include "app/globallogger.h"
#include "bookedcalls.h"
#include "calls/calllines.h"
#include "contactchanges.h"
#include "contactentrytypes.h"
#include "ctilib.h"
#include "customtreeview.h"
#include "directorypanel.h"
#include "directoryroles.h"
#include "dlgcontactedit.h"
#include "framework/promptservice.h"
#include "mainwindow/session/pbxsession.h"
#include "phone/phonebackends.h"
#include "settings/msettings.h"
#include "wdgsms.h"
#include "widgets/balloon.h"
#include "widgets/guiutils.h"
#include "widgets/wdgactiveline.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <QUrl>

#include <utility>

using DirectoryMenus::Action;
using DirectoryMenus::View;

namespace
{
constexpr CTILIB::ServiceDialCodeType CodeOutsideLine = CTILIB::SdcOutsideLinePrefix;
constexpr CTILIB::ServiceDialCodeType CodePickup = CTILIB::ServiceDialCodeType(9);
constexpr CTILIB::ServiceDialCodeType CodeSupervisedPickup = CTILIB::ServiceDialCodeType(14);
} // namespace

DirectoryActions::DirectoryActions(DirectoryPanel &panel, CtiLib &cti, const PbxSession &session,
                                   const PhoneBackends &phones, CallLines &calls, Host &host,
                                   const MainWindowIcons &icons, QWidget *window, const ServicesDialCodesMap &codes,
                                   QObject *parent)
    : QObject(parent), panel(panel), cti(cti), session(session), phones(phones), calls(calls), host(host), icons(icons),
      window(window), serviceCodes(codes), booked(new BookedCalls(*calls.lineStack(), this))
{
    setObjectName(QStringLiteral("directoryActions"));
    connect(booked, &BookedCalls::cancelRequested, this, &DirectoryActions::cancelCallBooking);
    connect(booked, &BookedCalls::linesChanged, &calls, &CallLines::updateLinesButtonStatus);
    connect(&panel, &DirectoryPanel::extenBecameIdle, this, &DirectoryActions::onExtenBecameIdle);
    connect(&cti, &CtiLib::sigSmsSendResult, this, &DirectoryActions::onSmsResult);
    connect(&session, &PbxSession::ended, this, &DirectoryActions::onSessionEnded);
}

DirectoryActions::~DirectoryActions()
{
    for (const QPointer<QMenu> &menu : qAsConst(menus))
        delete menu.data();
    for (const QPointer<QObject> &w : qAsConst(openSms))
        delete w.data();
}

QString DirectoryActions::openerOf(const CustomTreeView *view)
{
    const QString name = view ? view->objectName() : QString();
    return name == QLatin1String("tvFavourites") ? QStringLiteral("tvExtensions") : name;
}

QMenu *DirectoryActions::lastMenu(CustomTreeView *view) const
{
    return menus.value(openerOf(view));
}

QList<wdgSms *> DirectoryActions::smsWindows() const
{
    QList<wdgSms *> out;
    for (const QPointer<QObject> &w : openSms) {
        if (auto *sms = qobject_cast<wdgSms *>(w.data()))
            out.append(sms);
    }
    return out;
}

DirectoryMenus::State DirectoryActions::menuState(const QString &extension) const
{
    DirectoryMenus::State s;
    s.mode = int(session.mode());
    s.capabilities = session.capabilities();
    s.hasEngine = phones.engine() != nullptr;
    s.engineRegistered = phones.isSipRegistered();
    s.hasDeskPhone = phones.deskPhone() != nullptr;
    const wdgActiveLine *current = calls.activeLines().value(calls.currentLine());
    s.activeRemote = current ? current->getRemoteNum() : QString();
    s.hasActiveLines = !calls.activeLines().isEmpty();
    s.hasCurrentLine = calls.currentLine() != -1;
    s.transferPending = calls.attendedTransferLine() != -1 || calls.unattendedTransferLine() != -1;
    s.outsidePrefix = serviceCodes.value(CodeOutsideLine);
    if (!extension.isEmpty()) {
        const auto it = panel.extensions().constFind(extension);
        s.chatPresence = it == panel.extensions().constEnd() ? -1 : it->presence;
        s.booked = booked->isBooked(extension);
    }
    return s;
}

// ---------------------------------------------------------------- menus

QIcon DirectoryActions::iconFor(DirectoryMenus::Icon icon) const
{
    using I = DirectoryMenus::Icon;
    switch (icon) {
    case I::Extension:
        return icons.extenLineIcon;
    case I::Fixed:
        return icons.fixedLineIcon;
    case I::Mobile:
        return icons.mobilePhoneIcon;
    case I::Email:
        return icons.emailIcon;
    case I::UnattendedTransfer:
        return icons.unattendedTransferIcon;
    case I::Transfer:
        return icons.transferIcon;
    case I::Chat:
        return icons.chatBigIcon;
    case I::Pickup:
        return icons.callPickupIcon;
    case I::Booking:
        return icons.bookingIcon;
    case I::CancelBooking:
        return icons.cancelBookingIcon;
    case I::UpdateContact:
        return icons.updateContactIcon;
    case I::Cancel:
        return icons.cancelIcon;
    case I::None:
        break;
    }
    return QIcon();
}

QMenu *DirectoryActions::finish(CustomTreeView *view, const DirectoryMenus::Menu &built)
{
    if (built.resetTransferState)
        calls.checkForActiveCalls();
    auto *menu = new QMenu(view);
    menu->setObjectName(QStringLiteral("directoryContextMenu"));
    static const QMap<Action, std::pair<const char *, void (DirectoryActions::*)()>> handlers = {
        {Action::Call, {"ctxCall", &DirectoryActions::callFromCtxMenu}},
        {Action::Sms, {"ctxSms", &DirectoryActions::onSmsSendRequest}},
        {Action::Email, {"ctxEmail", &DirectoryActions::emailFromCtxMenu}},
        {Action::UnattendedTransfer, {"ctxUnattendedTransfer", &DirectoryActions::uTransferFromCtxMenu}},
        {Action::AttendedTransfer, {"ctxAttendedTransfer", &DirectoryActions::transferFromCtxMenu}},
        {Action::CopyNumber, {"ctxCopyNumber", &DirectoryActions::copyNumberFromCtxMenu}},
        {Action::AddContact, {"ctxAddContact", &DirectoryActions::addNewContactFromCtxMenu}},
        {Action::EditContact, {"ctxEditContact", &DirectoryActions::updateContactFromCtxMenu}},
        {Action::DeleteContact, {"ctxDeleteContact", &DirectoryActions::deleteContactFromCtxMenu}},
        {Action::Chat, {"ctxChat", &DirectoryActions::chatFromCtxMenu}},
        {Action::Pickup, {"ctxPickup", &DirectoryActions::pickupFromCtxMenu}},
        {Action::Book, {"ctxBook", &DirectoryActions::onBookingFromCtxMenu}},
        {Action::CancelBooking, {"ctxCancelBooking", &DirectoryActions::onCancelBookingFromCtxMenu}},
    };
    for (const DirectoryMenus::Entry &e : built.entries) {
        if (!e.visible)
            continue;
        const auto handler = handlers.value(e.action);
        auto *action = new QAction(iconFor(e.icon), e.text, menu);
        action->setObjectName(QLatin1String(handler.first));
        action->setData(e.data);
        action->setEnabled(e.enabled);
        connect(action, &QAction::triggered, this, handler.second);
        menu->addAction(action);
    }
    return menu;
}

QMenu *DirectoryActions::buildMenu(CustomTreeView *view, const QModelIndex &index)
{
    if (!view || !index.isValid())
        return nullptr;
    auto *proxy = qobject_cast<const QSortFilterProxyModel *>(index.model());
    if (!proxy || !proxy->sourceModel())
        return nullptr;
    const QModelIndex source = proxy->mapToSource(index);
    const QAbstractItemModel *model = source.model();
    const DirectoryMenus::State state = menuState();

    View kind;
    const QString name = view->objectName();
    if (name == QLatin1String("tvCdr"))
        kind = View::CallHistory;
    else if (name == QLatin1String("tvContacts"))
        kind = View::Contacts;
    else if (name == QLatin1String("tvFavourites"))
        kind = View::Favourites;
    else
        kind = View::Extensions;

    if (kind == View::CallHistory) {
        const QModelIndex top = source.parent().isValid() ? source.parent() : source;
        const QModelIndex number = model->index(top.row(), 2, top.parent());
        const ContactEntry entry =
            DirectoryMenus::callHistoryEntry(number.data().toString(), number.data(DirRole::Visibility).toInt());
        return finish(view, DirectoryMenus::forEntry(kind, entry, state));
    }
    if (source.parent().isValid()) {
        const QModelIndex parent = source.parent();
        const PhoneBookEntry contact =
            model->index(parent.row(), 0, parent.parent()).data(DirRole::Entry).value<PhoneBookEntry>();
        const int row = source.row();
        if (row < 0 || row >= contact.contacts.size())
            return nullptr;
        const ContactEntry &entry = contact.contacts.at(row);
        if (entry.kind.isEmpty() || entry.value.isEmpty())
            return nullptr;
        return finish(view, DirectoryMenus::forEntry(kind, entry, state));
    }
    const QModelIndex first = model->index(source.row(), 0);
    const PhoneBookEntry contact = first.data(DirRole::Entry).value<PhoneBookEntry>();
    if (kind == View::Contacts)
        return finish(view,
                      DirectoryMenus::forContact(kind, contact, first.data(DirRole::Personal).toBool(), -1, state));
    bool ok = false;
    int blf = model->index(source.row(), 1).data(DirRole::Blf).toInt(&ok);
    if (!ok)
        blf = -1;
    return finish(view, DirectoryMenus::forContact(kind, contact, false, blf, menuState(contact.extension)));
}

void DirectoryActions::openMenu(const QString &opener, CustomTreeView *view, const QPoint &pos)
{
    if (QMenu *old = menus.take(opener)) {
        old->close();
        old->deleteLater();
    }
    QMenu *menu = buildMenu(view, view->currentIndex());
    if (!menu)
        return;
    menus.insert(opener, menu);
    prompts().execMenu(menu, view->viewport()->mapToGlobal(pos));
}

void DirectoryActions::openExtensionMenu(QObject *sender, const QPoint &pos)
{
    auto *view = qobject_cast<CustomTreeView *>(sender);
    if (!view ||
        (view->objectName() != QLatin1String("tvExtensions") && view->objectName() != QLatin1String("tvFavourites")))
        return;
    openMenu(openerOf(view), view, pos);
}

void DirectoryActions::openContactMenu(QObject *sender, const QPoint &pos)
{
    auto *view = qobject_cast<CustomTreeView *>(sender);
    if (!view || view->objectName() != QLatin1String("tvContacts"))
        return;
    openMenu(QStringLiteral("tvContacts"), view, pos);
}

void DirectoryActions::openCdrMenu(QObject *sender, const QPoint &pos)
{
    auto *view = qobject_cast<CustomTreeView *>(sender);
    if (!view || view->objectName() != QLatin1String("tvCdr"))
        return;
    openMenu(QStringLiteral("tvCdr"), view, pos);
}

// ---------------------------------------------------------------- handlers

QString DirectoryActions::actionData(QObject *sender) const
{
    auto *action = qobject_cast<QAction *>(sender);
    return action ? action->data().toString() : QString();
}

void DirectoryActions::callFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        host.startCall(actionData(sender()), CTILIB::PrefixInternal);
}

void DirectoryActions::uTransferFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        host.unattendedTransfer(actionData(sender()));
}

void DirectoryActions::transferFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        host.attendedTransfer(actionData(sender()));
}

void DirectoryActions::copyNumberFromCtxMenu()
{
    if (!qobject_cast<QAction *>(sender()))
        return;
    if (QClipboard *clipboard = QApplication::clipboard())
        clipboard->setText(actionData(sender()), QClipboard::Clipboard);
}

void DirectoryActions::addNewContactFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        onAddNewContactRequested(actionData(sender()));
}

void DirectoryActions::emailFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        sendEmail(actionData(sender()));
}

void DirectoryActions::onSmsSendRequest()
{
    // From a menu the action carries the number; from the button, nothing.
    openSmsWindow(actionData(sender()));
}

void DirectoryActions::chatFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        host.openChat(actionData(sender()));
}

void DirectoryActions::pickupFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        pickup(actionData(sender()), false);
}

void DirectoryActions::pickupInviteFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        pickup(actionData(sender()), true);
}

void DirectoryActions::onBookingFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        bookCall(actionData(sender()));
}

void DirectoryActions::onCancelBookingFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()))
        cancelCallBooking(actionData(sender()));
}

void DirectoryActions::updateContactFromCtxMenu()
{
    if (auto *action = qobject_cast<QAction *>(sender()))
        updateContact(action->data().value<PhoneBookEntry>());
}

void DirectoryActions::deleteContactFromCtxMenu()
{
    if (auto *action = qobject_cast<QAction *>(sender()))
        deleteContact(action->data().value<PhoneBookEntry>());
}

// ---------------------------------------------------------------- bookings, pick-up

void DirectoryActions::bookCall(const QString &number)
{
    if (number.isEmpty() || booked->isBooked(number))
        return;
    QString name;
    const auto it = panel.extensions().constFind(number);
    if (it != panel.extensions().constEnd())
        name = it->name;
    booked->book(number, name);
}

void DirectoryActions::cancelCallBooking(const QString &number)
{
    booked->cancel(number);
}

void DirectoryActions::onExtenBecameIdle(const QString &number)
{
    if (!booked->isBooked(number))
        return;
    cancelCallBooking(number);
    host.openBalloon(tr("L'utente %1 si è liberato.\nClicca sul pulsante per chiamarlo.").arg(number),
                     Balloon::OutgoingCallBaloonInfo(Balloon::ExtenAvailableBalloon, number, QString()));
}

void DirectoryActions::pickup(const QString &number, bool withInvitation)
{
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << (withInvitation ? "Call pickup with invitation from" : "Call pickup from")
                            << number;
    const QString code = serviceCodes.value(withInvitation ? CodeSupervisedPickup : CodePickup);
    if (code.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                   << (withInvitation ? "Supervised pickup service code not found!"
                                                      : "Pickup service code not found!");
        return;
    }
    if (number.isEmpty())
        return;
    host.startAudioCall(code + number);
}

void DirectoryActions::onSessionEnded()
{
    // Bookings stay across a reconnection: the first states after the next
    // log-in end those whose extension freed up meanwhile.
    const auto waiting = std::exchange(waitingSms, {});
    for (const QPointer<QObject> &w : waiting) {
        if (auto *sms = qobject_cast<wdgSms *>(w.data()))
            sms->onSendFailed(tr("Connessione al centralino interrotta."));
    }
}

// ---------------------------------------------------------------- contacts

void DirectoryActions::onAddNewContactRequested(const QString &number)
{
    DlgContactEdit *dialog = panel.contactEditDialog();
    dialog->clear();
    dialog->setTitle(tr("Aggiungi nuovo contatto"));
    dialog->setPhoneNumber(number);
    if (prompts().execDialog(dialog) != QDialog::Accepted) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "User canceled, new contact not added";
        return;
    }
    const PhoneBookEntry contact = dialog->getContact();
    cti.addPhoneBookContact(contact);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "New contact command sent";
    ContactChanges::addContact(panel.contactsBookModel(), contact);
}

void DirectoryActions::updateContact(const PhoneBookEntry &original)
{
    if (original.id.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got contact with empty contactUuid. Cannot update it!";
        return;
    }
    DlgContactEdit *dialog = panel.contactEditDialog();
    dialog->clear();
    dialog->setTitle(tr("Aggiorna contatto"));
    dialog->setContact(original);
    if (prompts().execDialog(dialog) != QDialog::Accepted) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "User canceled, contact w/ contactUuid" << original.id
                                << " not updated";
        return;
    }
    PhoneBookEntry entry = dialog->getContact();
    entry.id = original.id; // the key of the change, whatever the dialog did
    cti.updatePhoneBookContact(entry);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Editing contact command sent for contactUuid" << entry.id;
    ContactChanges::replaceContact(panel.contactsBookModel(), entry);
}

void DirectoryActions::deleteContact(const PhoneBookEntry &entry)
{
    if (entry.id.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got contact with empty contactUuid. Cannot update it!";
        return;
    }
    QString name = entry.displayName.trimmed();
    if (name.isEmpty())
        name = QStringLiteral("%1 %2").arg(entry.firstName, entry.lastName).trimmed();
    PromptService::Message msg;
    msg.kind = PromptService::Kind::Question;
    msg.title = MSETTINGS::getLongApplicationName() + QStringLiteral(" - ") + tr("Cancellazione contatto");
    msg.text = tr("Sei sicuro di cancellare il contatto %1?").arg(name);
    msg.buttons = QMessageBox::Yes | QMessageBox::No;
    msg.defaultButton = QMessageBox::No;
    msg.buttonTexts.insert(QMessageBox::Yes, tr("Si"));
    if (prompts().message(window, msg) != QMessageBox::Yes) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "User canceled, contact w/ contactUuid" << entry.id << " not erased";
        return;
    }
    cti.deletePhoneBookContact(entry);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Erasing contact command sent for contactUuid" << entry.id;
    ContactChanges::removeContact(panel.contactsBookModel(), entry);
}

// ---------------------------------------------------------------- e-mail, SMS

bool DirectoryActions::sendEmail(const QString &address)
{
    const QString value = address.trimmed();
    if (!ContactEntryTypes::isSafeMailAddress(value)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "E-mail address refused";
        prompts().warning(window, MSETTINGS::getLongApplicationName(),
                          tr("L'indirizzo e-mail \"%1\" non è valido.").arg(value.left(128)));
        return false;
    }
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(value);
    return prompts().openUrl(url);
}

wdgSms *DirectoryActions::openSmsWindow(const QString &destination)
{
    auto *w = new wdgSms(destination, QString(), nullptr);
    w->setWindowTitle(MSETTINGS::getLongApplicationName() + tr(" - Invio SMS"));
    connect(w, &wdgSms::sigSendSms, this, [this, w](const QString &to, const QString &text) {
        waitingSms.insert(to, QPointer<QObject>(w));
        if (!sendSms(to, text)) {
            waitingSms.remove(to, QPointer<QObject>(w));
            w->onSendFailed(tr("Servizio SMS non disponibile."));
        }
    });
    openSms.append(w);
    QObject *gone = w;
    connect(w, &QObject::destroyed, this, [this, gone] {
        for (auto it = openSms.begin(); it != openSms.end();) {
            if (!*it || it->data() == gone)
                it = openSms.erase(it);
            else
                ++it;
        }
        for (auto it = waitingSms.begin(); it != waitingSms.end();) {
            if (!it.value() || it.value().data() == gone)
                it = waitingSms.erase(it);
            else
                ++it;
        }
    });
    w->show();
    return w;
}

bool DirectoryActions::sendSms(const QString &destination, const QString &text)
{
    if (!SmsRules::refusal(destination, text).isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Sms refused: invalid destination or text";
        return false;
    }
    if (!cti.isConnected() || !(cti.getPbxCapabilities() & 0x1))
        return false;
    const QString number = SmsRules::dialableDestination(destination);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Sending sms to" << CtiLib::numAnonymizer(number);
    return cti.sendSms(number, text);
}

void DirectoryActions::onSmsResult(const QString &destination, bool sent, const QString &reason)
{
    // Answers come in the order of the requests: the oldest request for that
    // destination is the one answered (the last of its equal keys).
    auto it = waitingSms.end();
    for (auto i = waitingSms.find(destination); i != waitingSms.end() && i.key() == destination; ++i)
        it = i;
    wdgSms *w = nullptr;
    if (it != waitingSms.end()) {
        w = qobject_cast<wdgSms *>(it.value().data());
        waitingSms.erase(it);
    }
    if (sent) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Sms successfully sent.";
        if (w)
            w->onSent();
        emit smsSent(destination);
    } else {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Sms not sent:" << reason;
        if (w)
            w->onSendFailed(reason);
        emit smsFailed(destination, reason);
    }
}

// ---------------------------------------------------------------- default action

void DirectoryActions::performDefaultDblClickOnTableRowAction(const QString &value, int numberKind)
{
    const DefaultRowAction::Action action = DefaultRowAction::forRow(value, numberKind);
    if (action.kind == DefaultRowAction::Action::Call)
        host.startCall(action.number, action.prefix);
    else if (action.kind == DefaultRowAction::Action::Mail) {
        sendEmail(value.trimmed());
    }
}
