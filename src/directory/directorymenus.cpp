#include "directorymenus.h"

#include "widgets/guiutils.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace DirectoryMenus
{
namespace
{
QString tr(const char *text)
{
    return QCoreApplication::translate("MPGui", text);
}

constexpr int ModeDeskPhone = 1;
constexpr int ModeSoftphone = 2;
constexpr quint32 CapSms = 1u << 0;
constexpr quint32 CapContactEdit = 1u << 13;
constexpr int BlfBusy = 2;
constexpr int BlfRinging = 8;

bool engineReady(const State &s)
{
    return s.hasEngine && s.engineRegistered;
}

// The phone that would place a call or a transfer is there.
bool phoneReady(const State &s)
{
    return (s.mode == ModeDeskPhone && s.hasDeskPhone) || (s.mode == ModeSoftphone && engineReady(s));
}

bool isExtensionView(View v)
{
    return v == View::Extensions || v == View::Favourites;
}
} // namespace

QList<Entry> Menu::shown() const
{
    QList<Entry> out;
    for (const Entry &e : entries) {
        if (e.visible)
            out.append(e);
    }
    return out;
}

QString cleanNumber(const QString &value)
{
    static const QRegularExpression separators(QStringLiteral("[ \\-,'./\\\\()]"));
    QString out = value;
    out.remove(separators);
    return out;
}

void addEntriesFor(Menu &menu, View view, const ContactEntry &entry, const State &state)
{
    const bool exten = GuiUtils::isExtenContact(entry);
    const bool fixed = GuiUtils::isFixedContact(entry);
    const bool mobile = GuiUtils::isMobileContact(entry);
    if (!exten && !fixed && !mobile) {
        if (GuiUtils::isEmailContact(entry))
            menu.entries.append({Action::Email, tr("Invia &email: %1").arg(entry.value), entry.value, Icon::Email});
        return;
    }
    const QString number = cleanNumber(entry.value);
    const QString dial = (exten ? QString() : state.outsidePrefix) + number;
    const bool isActive = dial == state.activeRemote;

    Entry call{Action::Call, tr("&Chiama: %1").arg(number), dial,
               exten ? Icon::Extension : (fixed ? Icon::Fixed : Icon::Mobile)};
    call.enabled = !isActive && (state.mode != ModeSoftphone || engineReady(state));
    menu.entries.append(call);

    if ((state.capabilities & CapSms) && (mobile || (fixed && number.startsWith(QLatin1Char('3')))))
        menu.entries.append({Action::Sms, tr("Invia &SMS: %1").arg(number), number, Icon::Email});

    if (!state.hasActiveLines) {
        menu.resetTransferState = true;
    } else if (state.hasCurrentLine && !state.transferPending && isExtensionView(view)) {
        const bool visible = state.mode == ModeDeskPhone || state.mode == ModeSoftphone;
        const bool enabled = !isActive && phoneReady(state);
        menu.entries.append({Action::UnattendedTransfer, tr("&Inoltra a: %1").arg(number), dial,
                             Icon::UnattendedTransfer, enabled, visible});
        menu.entries.append({Action::AttendedTransfer, tr("&Trasferisci con offerta: %1").arg(number), dial,
                             Icon::Transfer, enabled, visible});
    }

    if (view == View::CallHistory) {
        menu.entries.append({Action::CopyNumber, tr("Copia &numero: %1").arg(number), number, Icon::None});
        menu.entries.append({Action::AddContact, tr("&Aggiungi alla rubrica: %1").arg(number), number, Icon::None});
    }
}

Menu forEntry(View view, const ContactEntry &entry, const State &state)
{
    Menu menu;
    addEntriesFor(menu, view, entry, state);
    return menu;
}

Menu forContact(View view, const PhoneBookEntry &contact, bool personal, int blf, const State &state)
{
    Menu menu;
    for (const ContactEntry &e : contact.contacts)
        addEntriesFor(menu, view, e, state);

    if (view == View::Contacts) {
        if (personal && (state.capabilities & CapContactEdit)) {
            const QString name = QStringLiteral("%1 %2").arg(contact.firstName, contact.lastName);
            const QVariant data = QVariant::fromValue(contact);
            menu.entries.append(
                {Action::EditContact, tr("&Modifica il contatto: %1").arg(name), data, Icon::UpdateContact});
            menu.entries.append({Action::DeleteContact, tr("&Elimina il contatto: %1").arg(name), data, Icon::Cancel});
        }
        return menu;
    }
    if (!isExtensionView(view))
        return menu;

    const QString exten = contact.extension;
    if (state.chatPresence != -1)
        menu.entries.append({Action::Chat, tr("C&hat: %1").arg(exten), exten, Icon::Chat});
    const bool phoneMode = state.mode == ModeDeskPhone || state.mode == ModeSoftphone;
    const bool notActive = exten != state.activeRemote;
    if (blf == BlfRinging && !state.transferPending) {
        menu.entries.append({Action::Pickup, tr("&Preleva: %1").arg(exten), exten, Icon::Pickup,
                             notActive && phoneReady(state), phoneMode});
    }
    if (blf == BlfBusy) {
        const bool enabled = notActive && (state.mode != ModeSoftphone || engineReady(state));
        if (state.booked)
            menu.entries.append({Action::CancelBooking, tr("&Annulla prenotazione chiamata"), exten,
                                 Icon::CancelBooking, enabled, phoneMode});
        else
            menu.entries.append({Action::Book, tr("&Prenota chiamata"), exten, Icon::Booking, enabled, phoneMode});
    }
    return menu;
}

ContactEntry callHistoryEntry(const QString &number, int localFlag)
{
    ContactEntry e;
    e.kind = QStringLiteral("phone");
    e.subtype =
        localFlag == 1 ? QStringLiteral("exten") : (localFlag == 2 ? QStringLiteral("mobile") : QStringLiteral("main"));
    e.value = number;
    return e;
}
} // namespace DirectoryMenus
