#include "pbxservices.h"

#include "settings/msettings.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace PbxServices
{

namespace
{
QString tr(const char *text)
{
    return QCoreApplication::translate("MessagingPanel", text);
}

// The in-call codes used when the PBX does not send its own.
const std::pair<int, const char *> InCallDefaults[] = {
    {22, "*4"}, {23, "*0"}, {24, "*9"}, {25, "*3"}, {26, "#4"}, {27, "**"}, {28, "*1"}, {29, "#8"}, {30, "*0"},
};
} // namespace

ServicesDialCodesMap mergeServiceCodes(const ServicesDialCodesMap &current, const ServicesDialCodesMap &fromPbx,
                                       quint32 capabilities)
{
    ServicesDialCodesMap out = current;
    auto take = [&](int key) {
        const auto type = CTILIB::ServiceDialCodeType(key);
        const QString value = fromPbx.value(type);
        if (!value.isEmpty())
            out.insert(type, value);
    };
    for (int key = 1; key <= 21; ++key) {
        if (key != 4)
            take(key);
    }
    if (capabilities & CapInCallCodes) {
        for (int key = 22; key <= 30; ++key)
            take(key);
    } else {
        for (const auto &d : InCallDefaults)
            out.insert(CTILIB::ServiceDialCodeType(d.first), QString::fromLatin1(d.second));
    }
    return out;
}

bool isServiceCode(const ServicesDialCodesMap &codes, const QString &number)
{
    if (number.isEmpty())
        return false;
    for (auto it = codes.cbegin(); it != codes.cend(); ++it) {
        const int key = int(it.key());
        const QString &code = it.value();
        if (code.isEmpty() || key == 7 || key == 8)
            continue;
        if (key == 2 || key == 9) {
            if (number.startsWith(code))
                return true;
        } else if (number == code) {
            return true;
        }
    }
    return false;
}

QString voicemailNumber(const ServicesDialCodesMap &codes, const QString &ownExtension)
{
    const QString code = codes.value(CTILIB::ServiceDialCodeType(2));
    if (code.isEmpty() || ownExtension.isEmpty())
        return QString();
    return code + ownExtension;
}

bool normalizeForwardNumber(const QString &typed, QString *number)
{
    static const QRegularExpression valid(QStringLiteral("^\\+?[0-9*#]+$"));
    const QString trimmed = typed.trimmed();
    if (trimmed.size() > 64 || !valid.match(trimmed).hasMatch())
        return false;
    *number = trimmed;
    return true;
}

DndRoute dndRoute(int appMode)
{
    switch (appMode) {
    case MSETTINGS::AppModeDeskPhone:
        return DndRoute::DeskPhoneKey;
    case MSETTINGS::AppModeSoftphone:
        return DndRoute::Softphone;
    case MSETTINGS::AppModeCtiOnly:
        return DndRoute::PbxService;
    default:
        return DndRoute::None;
    }
}

void ServiceState::loggedIn()
{
    reset(false);
    session = true;
}

void ServiceState::reset(bool partial)
{
    dnd = false;
    dndKnown = false;
    dndPending = false;
    if (partial)
        return;
    session = false;
    forward = false;
    fork = false;
    forkPending = false;
    mobile.clear();
}

int ServiceState::setDnd(bool on)
{
    dnd = on;
    dndKnown = true;
    dndPending = false;
    return Dnd;
}

int ServiceState::setForward(bool on, const QString &number)
{
    forward = on;
    if (on && !number.isEmpty())
        lastForward = number;
    return Forward;
}

int ServiceState::setFork(bool on)
{
    forkPending = false;
    fork = isMobileNumberKnown() && on;
    return Fork;
}

int ServiceState::setMobileNumber(const QString &number)
{
    if (number == mobile)
        return 0;
    mobile = number;
    return setFork(fork);
}

int ServiceState::applyReport(const ServiceStatus &status, bool dndFromPbx)
{
    const bool active = status.state == 2;
    if (status.service == QLatin1String("forktomobile"))
        return setFork(active);
    if (status.service == QLatin1String("ufwd")) {
        if (!status.value.isEmpty())
            lastForward = status.value;
        return setForward(active, active ? lastForward : QString());
    }
    if (status.service == QLatin1String("dnd") && dndFromPbx)
        return setDnd(active);
    return 0;
}

void ServiceState::forwardRequested(const QString &number)
{
    if (!number.isEmpty())
        lastForward = number;
}

int ServiceState::reportTimedOut(Service service)
{
    if (service == Dnd && dndPending) {
        dndPending = false;
        return Dnd;
    }
    if (service == Fork && forkPending) {
        forkPending = false;
        return Fork;
    }
    return 0;
}

ButtonLook ServiceState::dndLook() const
{
    ButtonLook look;
    look.on = dnd;
    if (!dndKnown) {
        look.toolTip = session ? tr("Do Not Disturb non attivo") : tr("Do Not Disturb");
    } else {
        look.toolTip = dnd ? tr("Do Not Disturb attivo") : tr("Do Not Disturb non attivo");
        look.visible = true;
        look.enabled = !dndPending;
    }
    look.accessibleDescription = look.toolTip;
    return look;
}

ButtonLook ServiceState::forwardLook() const
{
    ButtonLook look;
    look.on = forward;
    if (!session) {
        look.toolTip = tr("Inoltro incondizionato");
    } else {
        look.visible = look.enabled = true;
        if (!forward)
            look.toolTip = tr("Inoltro incondizionato non attivo");
        else if (lastForward.isEmpty())
            look.toolTip = tr("Inoltro incondizionato attivo");
        else
            look.toolTip = tr("Inoltro incondizionato attivo su %1").arg(lastForward);
    }
    look.accessibleDescription = look.toolTip;
    return look;
}

ButtonLook ServiceState::forkLook() const
{
    ButtonLook look;
    look.on = fork;
    if (!session) {
        look.toolTip = look.accessibleDescription = tr("Servizio Fork To Mobile");
    } else if (!isMobileNumberKnown()) {
        look.toolTip = look.accessibleDescription = tr("Servizio Fork To Mobile non disponibile");
    } else {
        look.visible = true;
        look.enabled = !forkPending;
        look.toolTip = (fork ? tr("Fork To Mobile attivo: %1") : tr("Fork To Mobile non attivo: %1")).arg(mobile);
        look.accessibleDescription = (fork ? tr("Fork To Mobile attivo - numero associato %1")
                                           : tr("Fork To Mobile non attivo - numero associato %1"))
                                         .arg(mobile);
    }
    return look;
}

} // namespace PbxServices
