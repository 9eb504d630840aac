#include "sessionrules.h"

#include "widgets/guiutils.h"

#include <QCoreApplication>
#include <QStringList>
#include <QVector>
#include <QVersionNumber>

namespace SessionRules
{

UserAndTenant splitUsername(const QString &username)
{
    UserAndTenant r;
    QStringList parts = username.split(QLatin1Char('@'), Qt::KeepEmptyParts);
    if (parts.size() >= 2) {
        r.tenant = parts.takeLast();
        r.user = parts.join(QLatin1Char('@'));
    } else {
        r.user = username;
    }
    return r;
}

namespace
{
// The text before the first "-", every dot-separated part read as an unsigned
// 16-bit number (anything else reads 0).
QVersionNumber firmwareNumber(const QString &firmware)
{
    const QString core = firmware.section(QLatin1Char('-'), 0, 0).trimmed();
    QVector<int> segments;
    const QStringList parts = core.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    segments.reserve(parts.size());
    for (const QString &p : parts) {
        bool ok = false;
        const ushort v = p.trimmed().toUShort(&ok);
        segments.append(ok ? int(v) : 0);
    }
    return QVersionNumber(segments);
}
} // namespace

bool isFirmwareSupported(const QString &firmware)
{
    // A shorter number that is a prefix compares lower, so "4" and "4.0" are
    // refused while "5" and "4.1" are accepted.
    return QVersionNumber::compare(firmwareNumber(firmware),
                                   QVersionNumber(MinFirmwareMajor, MinFirmwareMinor, MinFirmwarePatch)) >= 0;
}

bool firmwareHasVisualVoicemail(const QString &firmware)
{
    return QVersionNumber::compare(firmwareNumber(firmware), QVersionNumber(4, 5, 9)) >= 0;
}

bool firmwareHasQueueGroupCdrFilter(const QString &firmware)
{
    return QVersionNumber::compare(firmwareNumber(firmware), QVersionNumber(4, 7, 16)) >= 0;
}

bool isKeepAliveIntervalAccepted(int seconds)
{
    return seconds >= MinKeepAliveSecs;
}

int defaultRefreshSecs(RefreshPeriod which)
{
    switch (which) {
    case RefreshPeriod::Contacts:
        return 600;
    case RefreshPeriod::Cdr:
        return 90;
    case RefreshPeriod::CodecOrder:
        return 30;
    case RefreshPeriod::Identities:
        return 300;
    }
    return 300;
}

int sanitizedRefreshSecs(RefreshPeriod which, int storedSecs, bool *replaced)
{
    const bool useDefault = storedSecs <= 0;
    if (replaced)
        *replaced = useDefault;
    return useDefault ? defaultRefreshSecs(which) : storedSecs;
}

DisconnectReason parseDisconnectReason(const QString &reason)
{
    static const QString separator = QStringLiteral(" - ");
    DisconnectReason r;
    const int at = reason.indexOf(separator);
    if (at < 0) {
        r.code = reason;
    } else {
        r.code = reason.left(at);
        r.text = reason.mid(at + separator.size());
    }

    struct Known {
        const char *code;
        ReasonKind kind;
        const char *defaultText;
    };
    static const Known known[] = {
        {"UserRequest", ReasonKind::UserRequest, nullptr},
        {"UpgradeNeeded", ReasonKind::UpgradeNeeded,
         QT_TRANSLATE_NOOP("MPGui", "La versione dell'applicazione utilizzata non è supportata dal server. \n"
                                    "Per proseguire è necessario aggiornare l'applicazione!")},
        {"AuthFailed", ReasonKind::AuthFailed, QT_TRANSLATE_NOOP("MPGui", "Username o password errati")},
        {"Host not found", ReasonKind::HostNotFound,
         QT_TRANSLATE_NOOP("MPGui", "Nome del server sconosciuto.\nControllare le impostazioni di rete")},
        {"Permission denied", ReasonKind::PermissionDenied,
         QT_TRANSLATE_NOOP("MPGui", "Indirizzo di rete non permesso")},
        {"WrongConfig", ReasonKind::WrongConfig, nullptr},
    };
    for (const Known &k : known) {
        if (r.code != QLatin1String(k.code))
            continue;
        r.kind = k.kind;
        if (r.text.isEmpty() && k.defaultText)
            r.text = QCoreApplication::translate("MPGui", k.defaultText);
        if (k.kind == ReasonKind::WrongConfig && !r.text.isEmpty())
            r.code = QStringLiteral("Unknown");
        break;
    }
    return r;
}

QString shownReason(const DisconnectReason &parsed, const QString &received)
{
    if (parsed.text.isEmpty())
        return received;
    return QStringLiteral("%1 - %2").arg(parsed.code, parsed.text);
}

bool isQueueMember(int role)
{
    return role == QueueRoleOperator || role == QueueRoleSupervisor;
}

SessionFeatures sessionFeatures(const SessionStart &session)
{
    SessionFeatures f;
    const quint32 caps = session.capabilities;
    // The softphone enables dialling once its account has registered.
    f.dialFromWindow = session.mode != MSETTINGS::AppModeSoftphone;
    f.sendSms = caps & CapSms;
    f.addContact = caps & CapAddContact;
    f.queueStatus = isQueueMember(session.queueRole);
    f.supervisorPanel = session.queueRole == QueueRoleSupervisor;
    f.callCenterReport = f.supervisorPanel && (caps & CapCallCenterReport);
    f.visualVoicemail = firmwareHasVisualVoicemail(session.firmware);
    f.queueGroupCdrFilter = firmwareHasQueueGroupCdrFilter(session.firmware);
    f.rebranding = caps & CapRebranding;
    f.identitiesPeriod = caps & CapIdentities;
    return f;
}

DisconnectNotice disconnectNotice(const DisconnectReason &parsed, bool automaticAttempt, bool wasConnected)
{
    if (parsed.kind == ReasonKind::UserRequest)
        return DisconnectNotice::None;
    if (parsed.isKnown())
        return DisconnectNotice::CannotConnect;
    if (automaticAttempt)
        return DisconnectNotice::None;
    return wasConnected ? DisconnectNotice::ConnectionClosed : DisconnectNotice::CannotConnect;
}

int reconnectDelayMs()
{
    return GuiUtils::randomValue(ReconnectBaseMs, ReconnectRandomMs);
}

int engineBusyRetryDelayMs()
{
    return GuiUtils::randomValue(EngineBusyBaseMs, EngineBusyRandomMs);
}

} // namespace SessionRules
