#include "directoryactions.h"

#include "defaultrowaction.h"

#include "app/globallogger.h"
#include "bookedcalls.h"
#include "contactchanges.h"
#include "contactentrytypes.h"
#include "ctilib.h"
#include "customtreeview.h"
#include "directorypanel.h"
#include "directoryroles.h"
#include "dlgcontactedit.h"
#include "framework/promptservice.h"
#include "settings/msettings.h"
#include "wdgsms.h"
#include "widgets/balloon.h"
#include "widgets/guiutils.h"

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

template <typename T> T callOr(const std::function<T()> &f, T fallback)
{
    return f ? f() : fallback;
}
} // namespace

DirectoryActions::DirectoryActions(DirectoryPanel *panel, const MainWindowIcons &icons, QWidget *window,
                                   const ServicesDialCodesMap &codes, QObject *parent)
    : QObject(parent), panel(panel), icons(icons), window(window), serviceCodes(codes), booked(new BookedCalls(this))
{
    setObjectName(QStringLiteral("directoryActions"));
    connect(booked, &BookedCalls::cancelRequested, this, &DirectoryActions::cancelCallBooking);
    connect(booked, &BookedCalls::linesChanged, this, [this] {
        if (env.updateLineButtons)
            env.updateLineButtons();
    });
    if (panel)
        connect(panel, &DirectoryPanel::extenBecameIdle, this, &DirectoryActions::onExtenBecameIdle);
}

DirectoryActions::~DirectoryActions()
{
    for (const QPointer<QMenu> &menu : qAsConst(menus))
        delete menu.data();
    for (const QPointer<QObject> &w : qAsConst(openSms))
        delete w.data();
}

void DirectoryActions::setHooks(const Hooks &hooks)
{
    env = hooks;
    booked->setLineStack(env.lineStack ? env.lineStack() : nullptr);
}

CtiLib *DirectoryActions::cti() const
{
    CtiLib *c = env.cti ? env.cti() : nullptr;
    if (c && c != connectedCti) {
        auto *self = const_cast<DirectoryActions *>(this);
        if (connectedCti)
            disconnect(connectedCti, nullptr, self, nullptr);
        self->connectedCti = c;
        connect(c, &CtiLib::sigSmsSendResult, self, &DirectoryActions::onSmsResult);
    }
    return c;
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

DirectoryMenus::State DirectoryActions::menuState() const
{
    DirectoryMenus::State s;
    s.mode = callOr<int>(env.mode, 0);
    s.capabilities = callOr<quint32>(env.capabilities, 0u);
    s.hasEngine = callOr<bool>(env.hasEngine, false);
    s.engineRegistered = callOr<bool>(env.engineRegistered, false);
    s.hasDeskPhone = callOr<bool>(env.hasDeskPhone, false);
    s.activeRemote = callOr<QString>(env.activeRemote, QString());
    s.hasActiveLines = callOr<bool>(env.hasActiveLines, false);
    s.hasCurrentLine = callOr<bool>(env.hasCurrentLine, false);
    s.transferPending = callOr<bool>(env.transferPending, false);
    s.outsidePrefix = serviceCodes.value(CodeOutsideLine);
    const DirectoryPanel *p = panel;
    s.chatPresence = [p](const QString &exten) {
        if (!p)
            return -1;
        const auto it = p->extensions().constFind(exten);
        return it == p->extensions().constEnd() ? -1 : it->presence;
    };
    const BookedCalls *b = booked;
    s.isBooked = [b](const QString &number) { return b->isBooked(number); };
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
    if (built.resetTransferState && env.resetTransferState)
        env.resetTransferState();
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
    if (!view || !panel || !index.isValid())
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
    return finish(view, DirectoryMenus::forContact(kind, contact, false, blf, state));
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
    const QPoint global = view->viewport()->mapToGlobal(pos);
    if (env.runMenu)
        env.runMenu(menu, global);
    else
        menu->exec(global);
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
    if (!qobject_cast<QAction *>(sender()))
        return;
    if (env.startInternalCall)
        env.startInternalCall(actionData(sender()));
}

void DirectoryActions::uTransferFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()) && env.unattendedTransfer)
        env.unattendedTransfer(actionData(sender()));
}

void DirectoryActions::transferFromCtxMenu()
{
    if (qobject_cast<QAction *>(sender()) && env.attendedTransfer)
        env.attendedTransfer(actionData(sender()));
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
    if (qobject_cast<QAction *>(sender()) && env.openChat)
        env.openChat(actionData(sender()));
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
    if (panel) {
        const auto it = panel->extensions().constFind(number);
        if (it != panel->extensions().constEnd())
            name = it->name;
    }
    booked->setLineStack(env.lineStack ? env.lineStack() : nullptr);
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
    if (env.openBalloon)
        env.openBalloon(tr("L'utente %1 si è liberato.\nClicca sul pulsante per chiamarlo.").arg(number),
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
    if (env.startAudioCall)
        env.startAudioCall(code + number);
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
    DlgContactEdit *dialog = panel ? panel->contactEditDialog() : nullptr;
    CtiLib *client = cti();
    if (!dialog || !client)
        return;
    dialog->clear();
    dialog->setTitle(tr("Aggiungi nuovo contatto"));
    dialog->setPhoneNumber(number);
    if (prompts().execDialog(dialog) != QDialog::Accepted) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "User canceled, new contact not added";
        return;
    }
    const PhoneBookEntry contact = dialog->getContact();
    client->addPhoneBookContact(contact);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "New contact command sent";
    ContactChanges::addContact(panel->contactsBookModel(), contact);
}

void DirectoryActions::updateContact(const PhoneBookEntry &original)
{
    DlgContactEdit *dialog = panel ? panel->contactEditDialog() : nullptr;
    CtiLib *client = cti();
    if (!dialog || !client)
        return;
    if (original.id.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got contact with empty contactUuid. Cannot update it!";
        return;
    }
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
    client->updatePhoneBookContact(entry);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Editing contact command sent for contactUuid" << entry.id;
    ContactChanges::replaceContact(panel->contactsBookModel(), entry);
}

void DirectoryActions::deleteContact(const PhoneBookEntry &entry)
{
    CtiLib *client = cti();
    if (!panel || !client)
        return;
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
    client->deletePhoneBookContact(entry);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Erasing contact command sent for contactUuid" << entry.id;
    ContactChanges::removeContact(panel->contactsBookModel(), entry);
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
    CtiLib *client = cti();
    if (!SmsRules::refusal(destination, text).isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Sms refused: invalid destination or text";
        return false;
    }
    if (!client || !client->isConnected() || !(client->getPbxCapabilities() & 0x1))
        return false;
    const QString number = SmsRules::dialableDestination(destination);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Sending sms to" << CtiLib::numAnonymizer(number);
    return client->sendSms(number, text);
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
    if (action.kind == DefaultRowAction::Action::Call) {
        if (env.startCall)
            env.startCall(action.number, action.prefix);
    } else if (action.kind == DefaultRowAction::Action::Mail) {
        sendEmail(value.trimmed());
    }
}
